// Every number the configuration reads from settings enters as its setter
// would take it: a settings text holding one field with a value out of range,
// not a number, infinite or beyond the float range leaves the whole
// configuration exactly as the field's setter given that number does. Fields
// that no setter limits take finite values as they are and refuse the rest.

#include "SpecConfigTestSupport.h"

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "support/SpecConfigState.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <tuple>

namespace
{

using namespace SpecConfigTest;
using namespace SpecConfigState;
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
const std::vector<StoredValue> kIntegers{{"-2147483648", kIntMin}, {"2147483647", kIntMax}, {"99999999999", kIntMax},
                                         {"-99999999999", kIntMin}, {"nan", 0}, {"-1", -1}, {"100000", 100000}};

// What a float parameter receives for a number: the float itself, an infinity
// beyond the float range, NaN for NaN.
float AsFloat(double number)
{
    const bool beyond = std::fabs(number) > std::numeric_limits<float>::max();
    return static_cast<float>(beyond ? std::copysign(kInf, number) : number);
}

std::int32_t AsInt(double number)
{
    return static_cast<std::int32_t>(number);
}

// A finite number replaces what a field holds; anything else leaves it.
void TakeIfFinite(float& field, double number)
{
    field = std::isfinite(AsFloat(number)) ? AsFloat(number) : field;
}

// The whole configuration as reading a number into one field must leave it.
using Expect = std::function<ArchivedState(Config&, double number)>;

struct ArchivedField
{
    std::string name;
    bool real = false;
    std::string settings; // holding only this field, with '@' where its value goes
    Expect expect;
};

// The snapshot after `set`, run with `view` current (kViewCount: the view as it is).
template <class Set>
Expect InView(int view, Set set)
{
    return [=](Config& c, double number) {
        const int current = c.GetSpectrumView();
        c.SetSpectrumView(view == Config::kViewCount ? current : view, false);
        set(c, number);
        if (view != Config::kViewCount)
            c.SetSpectrumView(current, false);
        return StateOf(c);
    };
}

// The snapshot changed by `change`, for fields no setter limits.
template <class Change>
Expect Changed(Change change)
{
    return [=](Config& c, double number) {
        ArchivedState state = StateOf(c);
        change(state, number);
        return state;
    };
}

std::string Att(const std::string& key, bool real, const std::string& value = "@")
{
    return "<att name=\"" + key + "\" type=\"" + (real ? "f" : "i") + "\">" + value + "</att>";
}

// A field given by its attribute, at the top of the settings or inside the
// objects `path` names ((name, type) pairs).
ArchivedField Field(std::string name, bool real, std::string body, Expect expect,
                    const std::vector<std::pair<std::string, std::string>>& path = {})
{
    for (auto object = path.rbegin(); object != path.rend(); ++object)
        body = "<obj id=\"0000000001\" name=\"" + object->first + "\" type=\"" + object->second + "\">" + body +
               "</obj>";
    std::replace_if(name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return {name, real, "<obj_archive type=\"CVL Plugin Settings (x)\">\n" + body + "\n</obj_archive>\n",
            std::move(expect)};
}

std::vector<ArchivedField> AllArchivedFields()
{
    std::vector<ArchivedField> fields;
    for (int view = 0; view < Config::kViewCount; ++view)
    {
        const std::string object = std::string(Config::ViewName(view)) + ".specOptions";
        const auto option = [&](const std::string& key, bool real, Expect expect) {
            fields.push_back(Field(object + "." + key, real, Att(key, real), std::move(expect),
                                   {{object, "QVXSpecConfig.SpectrumViewOptions"}}));
        };
        const std::size_t v = static_cast<std::size_t>(view);
        option("analysisChannel", false, InView(view, [](Config& c, double n) { c.SetAnalysisChannel(AsInt(n), false); }));
        option("levelRange.min", true, Changed([v](ArchivedState& s, double n) { TakeIfFinite(std::get<1>(s.options[v]), n); }));
        option("levelRange.max", true, Changed([v](ArchivedState& s, double n) { TakeIfFinite(std::get<2>(s.options[v]), n); }));
        option("freqZoomRange.min", true, InView(view, [](Config& c, double n) {
                   c.SetFreqZoomRange(AsFloat(n), c.GetFreqZoomRange().second, false);
               }));
        option("freqZoomRange.max", true, InView(view, [](Config& c, double n) {
                   c.SetFreqZoomRange(c.GetFreqZoomRange().first, AsFloat(n), false);
               }));
        option("decayRateDbPerSec", true,
               Changed([v](ArchivedState& s, double n) { TakeIfFinite(std::get<6>(s.options[v]), n); }));
        option("peakHoldTime", true, InView(view, [](Config& c, double n) { c.SetPeakHoldTime(AsFloat(n), false); }));
        option("instantaneousDecayTime", true,
               InView(view, [](Config& c, double n) { c.SetInstantaneousDecayTime(AsFloat(n), false); }));
        option("averagingTime", true, InView(view, [](Config& c, double n) { c.SetAveragingTime(AsFloat(n), false); }));
        option("specWeighting", false, InView(view, [](Config& c, double n) { c.SetSpecWeighting(AsInt(n), false); }));
        option("fftSize", false, InView(view, [](Config& c, double n) { c.SetFftSize(AsInt(n), false); }));
        option("winType", false, InView(view, [](Config& c, double n) { c.SetWinType(AsInt(n), false); }));

        for (const bool first : {true, false})
        {
            const std::string key =
                "mBandLevelRangesMap[" + std::string(Config::ViewName(view)) + (first ? "].first" : "].second");
            fields.push_back(Field(key, false, Att(key, false), InView(view, [first](Config& c, double n) {
                                       const auto [low, high] = c.GetBandLevelRange();
                                       c.SetBandLevelRange(first ? AsInt(n) : low, first ? high : AsInt(n), false);
                                   })));
        }
    }
    for (const int view : {Config::kAnaFFT, Config::kAna3rdOct})
    {
        // A slot is read whole: the others of its keys take their defaults.
        const std::string slots = std::string(Config::ViewName(view)) + ".memory_slots";
        const auto slot = [&](const std::string& key, bool real, const std::string& body, auto fill) {
            fields.push_back(Field(slots + ".slot1." + key, real, body, InView(view, [fill](Config& c, double n) {
                                       Config::MemSlotData data;
                                       fill(data, n);
                                       c.SetMemSlotData(1, data, false);
                                   }),
                                   {{slots, "QVXSpecConfigArchivedMemSlots"}, {"memory[slot1]", "QVXSpecConfig.MemSlotData"}}));
        };
        slot("bands", false, Att("bands", false), [](Config::MemSlotData& d, double n) { d.mBands = AsInt(n); });
        slot("fs", false, Att("fs", false), [](Config::MemSlotData& d, double n) { d.mFs = AsInt(n); });
        slot("vec.channels", false, Att("vec.channels", false), [](Config::MemSlotData& d, double n) {
            d.mChannels.resize(static_cast<std::size_t>(std::clamp(n, 0.0, 8.0)));
        });
        // A stored curve level that is no finite float is no measurement: -1000 dB.
        slot("vec[ch0]", true,
             Att("vec.channels", false, "1") + "<att name=\"vec[ch0]\" type=\"fvec\" vec_size=\"2\">@|-3.5</att>",
             [](Config::MemSlotData& d, double n) {
                 d.mChannels = {{std::isfinite(AsFloat(n)) ? AsFloat(n) : -1000.0f, -3.5f}};
             });

        const std::size_t set = view == Config::kAnaFFT ? 0 : 1;
        const std::string colors = std::string(Config::ViewName(view)) + "_colors";
        for (int role = 0; role < Config::kColorRoleCount; ++role)
        {
            const std::string roleName(Config::ColorRoleName(role));
            for (const auto& [key, member] : {std::pair{"red", &CVLCanvas::ColorSpec::red},
                                              std::pair{"green", &CVLCanvas::ColorSpec::green},
                                              std::pair{"blue", &CVLCanvas::ColorSpec::blue}})
            {
                // A component is 16 bits: values beyond are brought to its ends.
                const std::size_t index = 22 * set + static_cast<std::size_t>(role);
                fields.push_back(Field(colors + "." + roleName + "." + key, false, Att(key, false),
                                       Changed([index, member = member](ArchivedState& s, double n) {
                                           s.colors[index].*member = static_cast<std::uint16_t>(std::clamp(n, 0.0, 65535.0));
                                       }),
                                       {{colors, "QVXSpecConfigArchivedColors"}, {roleName, "SerializableColorSpec"}}));
            }
        }
        const std::string key = "mSpecViewActiveMemoryMap[" + std::string(Config::ViewName(view)) + "]";
        fields.push_back(Field(key, false, Att(key, false),
                               Changed([set](ArchivedState& s, double n) { s.activeMemory[set] = AsInt(n); })));
    }
    const auto top = [&](const char* key, bool real, auto set) {
        fields.push_back(Field(key, real, Att(key, real), InView(Config::kViewCount, set)));
    };
    top("mSpectrumView", false, [](Config& c, double n) { c.SetSpectrumView(AsInt(n), false); });
    top("mThirdOctBarView", false, [](Config& c, double n) { c.SetThirdOctBarView(AsInt(n), false); });
    top("mSpecGain", true, [](Config& c, double n) { c.SetSpecGain(AsFloat(n), false); });
    top("mSpecFloor", true, [](Config& c, double n) { c.SetSpecFloor(AsFloat(n), false); });
    top("mInstantSaveLocationController", false, [](Config& c, double n) { c.GetInstantSaveLocation().SetValue(AsInt(n)); });
    top("mPeakHoldSaveLocationController", false, [](Config& c, double n) { c.GetPeakHoldSaveLocation().SetValue(AsInt(n)); });
    top("mAverageSaveLocationController", false, [](Config& c, double n) { c.GetAverageSaveLocation().SetValue(AsInt(n)); });
    for (int channel = 0; channel < Config::kColorMapChannelCount; ++channel)
        fields.push_back(Field("mSpectrogramChannelColorMap_" + std::to_string(channel), false,
                               Att("__size__", false, "2") + Att(std::to_string(channel), false),
                               InView(Config::kViewCount,
                                      [channel](Config& c, double n) { c.SetSpectrogramColorMap(channel, AsInt(n), false); }),
                               {{"mSpectrogramChannelColorMap", "__archive_sequence__"}}));
    return fields;
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
        std::string settings = field.settings;
        settings.replace(settings.find('@'), 1, value.text);
        Instance read, expected;
        read.Config().Load(*Reader(settings));
        EXPECT_EQ(StateOf(read.Config()), field.expect(expected.Config(), value.number));
    }
}

INSTANTIATE_TEST_SUITE_P(EveryField, SpecConfigArchivedField, ::testing::ValuesIn(AllArchivedFields()),
                         [](const ::testing::TestParamInfo<ArchivedField>& info) { return info.param.name; });

TEST(SpecConfigBandLevelRange, TheThirdOctaveServiceOnlyEverGetsBandsInOrder)
{
    const std::vector<std::tuple<std::string, std::string, int, int>> cases{
        {"-2147483648", "2147483647", 13, 43}, {"2147483647", "-2147483648", 13, 13}, {"40", "20", 20, 20},
        {"12", "44", 13, 43},                  {"0x7fffffff", "30", 30, 30},          {"20", "35", 20, 35}};
    for (const auto& [first, second, low, high] : cases)
    {
        SCOPED_TRACE(first + ", " + second);
        Instance x;
        Quarvix3rdOctAnalysisService& service = x.plugin.Get3rdOctService();
        service.SetStreamFormat(48000, 256, 2);
        x.Config().Load(*Reader("<obj_archive type=\"x\">" + Att("mSpectrumView", false, "2") +
                                Att("mBandLevelRangesMap[ana3rdOct].first", false, first) +
                                Att("mBandLevelRangesMap[ana3rdOct].second", false, second) + "</obj_archive>"));
        EXPECT_EQ(service.GetBandLevelRange(), (std::pair{low, high}));
        // The audio thread walks the range: no overflow, no band outside it.
        std::vector<float> signal(256);
        for (std::size_t i = 0; i < signal.size(); ++i)
            signal[i] = static_cast<float>(std::sin(0.2 * static_cast<double>(i)));
        service.Capture({signal.data(), signal.data()}, 256);
        std::vector<std::int32_t> bands;
        std::vector<float> peaks;
        service.GetBandLevelPeaks(bands, peaks);
        for (const std::int32_t band : bands)
            EXPECT_TRUE(band == -1 || (band >= low - 13 && band <= high - 13)) << band;
    }
}

} // namespace
