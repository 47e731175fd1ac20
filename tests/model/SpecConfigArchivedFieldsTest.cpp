// Every number the configuration reads from settings enters as its setter
// would take it: a settings text holding one field with a value out of range,
// not a number, infinite or beyond the float range leaves the configuration
// exactly as the field's setter given that number does. Fields that no setter
// limits take finite values as they are and refuse the rest.

#include "SpecConfigTestSupport.h"

#include "plugin/Quarvix3rdOctAnalysisService.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace
{

using namespace SpecConfigTest;
using Config = QVXSpecConfig;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr double kIntMax = std::numeric_limits<std::int32_t>::max();

// A value as it stands in a settings text, and the number it means.
struct StoredValue
{
    const char* text;
    double number;
};

const std::vector<StoredValue> kReals{{"nan", kNaN},      {"inf", kInf}, {"-inf", -kInf}, {"1e300", 1e300},
                                      {"-1e300", -1e300}, {"1e6", 1e6},  {"-1e6", -1e6},  {"-0.5", -0.5}};
// Integers saturate at 32 bits; a text without a number is 0.
const std::vector<StoredValue> kIntegers{{"-2147483648", kIntMin}, {"2147483647", kIntMax},  {"99999999999", kIntMax},
                                         {"-99999999999", kIntMin}, {"nan", 0},              {"-1", -1},
                                         {"100000", 100000}};

// What a float parameter receives for a number: the float itself, an infinity
// beyond the float range, NaN for NaN.
float AsFloat(double number)
{
    if (number > std::numeric_limits<float>::max())
        return std::numeric_limits<float>::infinity();
    if (number < -std::numeric_limits<float>::max())
        return -std::numeric_limits<float>::infinity();
    return static_cast<float>(number);
}

std::int32_t AsInt(double number)
{
    return static_cast<std::int32_t>(number);
}

struct ArchivedField
{
    std::string name;
    bool real = false;
    // The settings text of the configuration with only this field, at `value`.
    std::function<std::string(const std::string& value)> settings;
    // The same number given to the field's setter.
    std::function<void(Config&, double)> set;
    // For fields without a setter: what the field holds after reading the
    // number, given the value it held before.
    std::function<double(double number, double before)> expected;
    std::function<double(Config&)> get;
};

std::string Att(const std::string& key, bool real, const std::string& value)
{
    return "<att name=\"" + key + "\" type=\"" + (real ? "f" : "i") + "\">" + value + "</att>";
}

std::string Obj(const std::string& name, const std::string& type, const std::string& body)
{
    return "<obj id=\"0000000001\" name=\"" + name + "\" type=\"" + type + "\">" + body + "</obj>";
}

std::string Settings(const std::string& body)
{
    return "<obj_archive type=\"CVL Plugin Settings (x)\">\n" + body + "\n</obj_archive>\n";
}

std::string ParamName(std::string name)
{
    for (char& c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

// A field with a setter, of the top level of the configuration.
ArchivedField TopLevel(const std::string& key, bool real, std::function<void(Config&, double)> set,
                       std::function<double(Config&)> get)
{
    return {ParamName(key), real, [=](const std::string& v) { return Settings(Att(key, real, v)); }, std::move(set),
            nullptr, std::move(get)};
}

// Setter and getter work on the current view: both switch to `view` first.
template <class Set, class Get>
std::pair<std::function<void(Config&, double)>, std::function<double(Config&)>> InView(int view, Set set, Get get)
{
    return {[=](Config& c, double number) {
                c.SetSpectrumView(view, false);
                set(c, number);
            },
            [=](Config& c) {
                c.SetSpectrumView(view, false);
                return static_cast<double>(get(c));
            }};
}

std::vector<ArchivedField> OptionFields(int view)
{
    const std::string object = std::string(Config::ViewName(view)) + ".specOptions";
    const auto field = [&](const std::string& key, bool real, auto set, auto get) {
        auto [setter, getter] = InView(view, set, get);
        return ArchivedField{ParamName(object + "." + key), real,
                             [=](const std::string& v) {
                                 return Settings(Obj(object, "QVXSpecConfig.SpectrumViewOptions", Att(key, real, v)));
                             },
                             setter, nullptr, getter};
    };
    const auto unlimited = [&](const std::string& key, auto get) {
        ArchivedField f = field(key, true, [](Config&, double) {}, get);
        f.set = nullptr;
        f.expected = [](double number, double before) {
            return std::isfinite(AsFloat(number)) ? double(AsFloat(number)) : before;
        };
        return f;
    };
    return {
        field("analysisChannel", false, [](Config& c, double n) { c.SetAnalysisChannel(AsInt(n), false); },
              [](Config& c) { return c.GetCurrentViewOptions().mAnalysisChannel; }),
        unlimited("levelRange.min", [](Config& c) { return c.GetLevelRangeMin(); }),
        unlimited("levelRange.max", [](Config& c) { return c.GetLevelRangeMax(); }),
        field("freqZoomRange.min", true,
              [](Config& c, double n) { c.SetFreqZoomRange(AsFloat(n), c.GetFreqZoomRange().second, false); },
              [](Config& c) { return c.GetFreqZoomRange().first; }),
        field("freqZoomRange.max", true,
              [](Config& c, double n) { c.SetFreqZoomRange(c.GetFreqZoomRange().first, AsFloat(n), false); },
              [](Config& c) { return c.GetFreqZoomRange().second; }),
        unlimited("decayRateDbPerSec", [](Config& c) { return c.GetDecayRateDbPerSec(); }),
        field("peakHoldTime", true, [](Config& c, double n) { c.SetPeakHoldTime(AsFloat(n), false); },
              [](Config& c) { return c.GetPeakHoldTime(); }),
        field("instantaneousDecayTime", true,
              [](Config& c, double n) { c.SetInstantaneousDecayTime(AsFloat(n), false); },
              [](Config& c) { return c.GetInstantaneousDecayTime(); }),
        field("averagingTime", true, [](Config& c, double n) { c.SetAveragingTime(AsFloat(n), false); },
              [](Config& c) { return c.GetAveragingTime(); }),
        field("specWeighting", false, [](Config& c, double n) { c.SetSpecWeighting(AsInt(n), false); },
              [](Config& c) { return c.GetSpecWeighting(); }),
        field("fftSize", false, [](Config& c, double n) { c.SetFftSize(AsInt(n), false); },
              [](Config& c) { return c.GetFftSize(); }),
        field("winType", false, [](Config& c, double n) { c.SetWinType(AsInt(n), false); },
              [](Config& c) { return c.GetWinType(); }),
    };
}

std::vector<ArchivedField> MemorySlotFields(int view)
{
    const std::string slots = std::string(Config::ViewName(view)) + ".memory_slots";
    const auto inSlot = [=](const std::string& body) {
        return Settings(Obj(slots, "QVXSpecConfigArchivedMemSlots",
                           Obj("memory[slot1]", "QVXSpecConfig.MemSlotData", body)));
    };
    const auto slotField = [&](const std::string& key, auto member) {
        auto [setter, getter] = InView(
            view,
            [=](Config& c, double n) {
                Config::MemSlotData data;
                data.*member = AsInt(n);
                c.SetMemSlotData(1, data, false);
            },
            [=](Config& c) { return c.GetMemSlotData(1).*member; });
        return ArchivedField{ParamName(slots + ".slot1." + key), false,
                             [=](const std::string& v) { return inSlot(Att(key, false, v)); }, setter, nullptr,
                             getter};
    };
    ArchivedField channels{ParamName(slots + ".slot1.vec.channels"), false,
                           [=](const std::string& v) { return inSlot(Att("vec.channels", false, v)); }, nullptr,
                           [](double number, double) { return std::clamp(number, 0.0, 8.0); },
                           InView(view, [](Config&, double) {}, [](Config& c) {
                               return c.GetMemSlotData(1).mChannels.size();
                           }).second};
    // A stored curve level that is no finite float is no measurement: -1000 dB.
    ArchivedField level{ParamName(slots + ".slot1.vec_ch0_"), true,
                        [=](const std::string& v) {
                            return inSlot(Att("vec.channels", false, "1") +
                                          "<att name=\"vec[ch0]\" type=\"fvec\" vec_size=\"2\">" + v + "|-3.5</att>");
                        },
                        nullptr,
                        [](double number, double) {
                            return std::isfinite(AsFloat(number)) ? double(AsFloat(number)) : -1000.0;
                        },
                        InView(view, [](Config&, double) {}, [](Config& c) {
                            const auto& channels = c.GetMemSlotData(1).mChannels;
                            if (channels.empty())
                                return kNaN; // the slot as it starts
                            EXPECT_EQ(channels.at(0).at(1), -3.5f);
                            return double(channels.at(0).at(0));
                        }).second};
    return {slotField("bands", &Config::MemSlotData::mBands), slotField("fs", &Config::MemSlotData::mFs), channels,
            level};
}

std::vector<ArchivedField> ColorFields(int set)
{
    std::vector<ArchivedField> fields;
    const std::string object = std::string(Config::ViewName(set)) + "_colors";
    for (int role = 0; role < Config::kColorRoleCount; ++role)
    {
        const std::string roleName(Config::ColorRoleName(role));
        for (const auto& [key, component] : {std::pair{"red", &CVLCanvas::ColorSpec::red},
                                            std::pair{"green", &CVLCanvas::ColorSpec::green},
                                            std::pair{"blue", &CVLCanvas::ColorSpec::blue}})
        {
            const std::string k = key;
            auto member = component;
            fields.push_back(
                {ParamName(object + "." + roleName + "." + k), false,
                 [=](const std::string& v) {
                     return Settings(Obj(object, "QVXSpecConfigArchivedColors",
                                        Obj(roleName, "SerializableColorSpec", Att(k, false, v))));
                 },
                 nullptr,
                 // A component is 16 bits: values beyond are brought to its ends.
                 [](double number, double) { return std::clamp(number, 0.0, 65535.0); },
                 [=](Config& c) { return static_cast<double>(c.GetColor(set, role).*member); }});
        }
    }
    return fields;
}

std::vector<ArchivedField> AllArchivedFields()
{
    std::vector<ArchivedField> fields;
    const auto add = [&](std::vector<ArchivedField> more) {
        for (auto& f : more)
            fields.push_back(std::move(f));
    };
    for (int view = 0; view < Config::kViewCount; ++view)
        add(OptionFields(view));
    for (const int view : {Config::kAnaFFT, Config::kAna3rdOct})
    {
        add(MemorySlotFields(view));
        add(ColorFields(view));
        const std::string key = "mSpecViewActiveMemoryMap[" + std::string(Config::ViewName(view)) + "]";
        add({{ParamName(key), false, [=](const std::string& v) { return Settings(Att(key, false, v)); }, nullptr,
              [](double number, double) { return number; },
              InView(view, [](Config&, double) {}, [](Config& c) { return c.GetActiveMemory(); }).second}});
    }
    add({TopLevel("mSpectrumView", false, [](Config& c, double n) { c.SetSpectrumView(AsInt(n), false); },
                  [](Config& c) { return c.GetSpectrumView(); }),
         TopLevel("mThirdOctBarView", false, [](Config& c, double n) { c.SetThirdOctBarView(AsInt(n), false); },
                  [](Config& c) { return c.GetThirdOctBarView(); }),
         TopLevel("mSpecGain", true, [](Config& c, double n) { c.SetSpecGain(AsFloat(n), false); },
                  [](Config& c) { return c.GetSpecGain(); }),
         TopLevel("mSpecFloor", true, [](Config& c, double n) { c.SetSpecFloor(AsFloat(n), false); },
                  [](Config& c) { return c.GetSpecFloor(); })});
    for (const auto& [key, location] : {std::pair{"mInstantSaveLocationController", &Config::GetInstantSaveLocation},
                                        std::pair{"mPeakHoldSaveLocationController", &Config::GetPeakHoldSaveLocation},
                                        std::pair{"mAverageSaveLocationController", &Config::GetAverageSaveLocation}})
    {
        const auto control = location;
        add({TopLevel(key, false, [=](Config& c, double n) { (c.*control)().SetValue(AsInt(n)); },
                      [=](Config& c) { return (c.*control)().GetValue(); })});
    }
    for (int channel = 0; channel < Config::kColorMapChannelCount; ++channel)
    {
        const std::string index = std::to_string(channel);
        add({{"mSpectrogramChannelColorMap_" + index, false,
              [=](const std::string& v) {
                  return Settings(Obj("mSpectrogramChannelColorMap", "__archive_sequence__",
                                     Att("__size__", false, "2") + Att(index, false, v)));
              },
              [=](Config& c, double n) { c.SetSpectrogramColorMap(channel, AsInt(n), false); }, nullptr,
              [=](Config& c) { return c.GetSpectrogramColorMap(channel); }}});
    }
    for (const int view : {Config::kAnaFFT, Config::kAna3rdOct, Config::kAnaSpectrogram})
    {
        const std::string prefix = "mBandLevelRangesMap[" + std::string(Config::ViewName(view)) + "]";
        for (const bool first : {true, false})
        {
            const std::string key = prefix + (first ? ".first" : ".second");
            auto [setter, getter] = InView(
                view,
                [=](Config& c, double n) {
                    const auto [low, high] = c.GetBandLevelRange();
                    c.SetBandLevelRange(first ? AsInt(n) : low, first ? high : AsInt(n), false);
                },
                [=](Config& c) { return first ? c.GetBandLevelRange().first : c.GetBandLevelRange().second; });
            add({{ParamName(key), false, [=](const std::string& v) { return Settings(Att(key, false, v)); }, setter,
                  nullptr, getter}});
        }
    }
    return fields;
}

void PrintTo(const ArchivedField& field, std::ostream* out)
{
    *out << field.name;
}

bool Same(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

class SpecConfigArchivedField : public ::testing::TestWithParam<ArchivedField>
{
};

TEST_P(SpecConfigArchivedField, ReadsAsItsSetterTakesIt)
{
    const ArchivedField& field = GetParam();
    for (const StoredValue& value : field.real ? kReals : kIntegers)
    {
        SCOPED_TRACE(value.text);
        Instance read;
        read.Config().Load(*Reader(field.settings(value.text)));
        const double stored = field.get(read.Config());

        Instance expected;
        const double before = field.get(expected.Config());
        if (field.set)
            field.set(expected.Config(), value.number);
        EXPECT_TRUE(Same(stored, field.set ? field.get(expected.Config()) : field.expected(value.number, before)))
            << stored;
        EXPECT_TRUE(std::isfinite(stored)) << stored;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryField, SpecConfigArchivedField, ::testing::ValuesIn(AllArchivedFields()),
                         [](const ::testing::TestParamInfo<ArchivedField>& info) { return info.param.name; });

TEST(SpecConfigBandLevelRange, TheThirdOctaveServiceOnlyEverGetsBandsInOrder)
{
    const auto range = [](const std::string& first, const std::string& second) {
        return Settings(Att("mSpectrumView", false, "2") + Att("mBandLevelRangesMap[ana3rdOct].first", false, first) +
                       Att("mBandLevelRangesMap[ana3rdOct].second", false, second));
    };
    const std::vector<std::tuple<std::string, std::string, int, int>> cases{
        {"-2147483648", "2147483647", 13, 43}, {"2147483647", "-2147483648", 13, 13}, {"40", "20", 20, 20},
        {"12", "44", 13, 43},                  {"0x7fffffff", "30", 30, 30},          {"20", "35", 20, 35}};
    for (const auto& [first, second, low, high] : cases)
    {
        SCOPED_TRACE(first + ", " + second);
        Instance x;
        Quarvix3rdOctAnalysisService& service = x.plugin.Get3rdOctService();
        service.SetStreamFormat(48000, 256, 2);
        x.Config().Load(*Reader(range(first, second)));
        EXPECT_EQ(service.GetBandLevelRange(), (std::pair{low, high}));
        // The audio thread walks the range: no overflow, no band outside it.
        std::vector<float> left(256), right(256);
        for (std::size_t i = 0; i < left.size(); ++i)
            left[i] = right[i] = static_cast<float>(std::sin(0.2 * static_cast<double>(i)));
        service.Capture({left.data(), right.data()}, 256);
        std::vector<std::int32_t> bands;
        std::vector<float> peaks;
        service.GetBandLevelPeaks(bands, peaks);
        for (const std::int32_t band : bands)
            EXPECT_TRUE(band == -1 || (band >= low - 13 && band <= high - 13)) << band;
    }
}

} // namespace
