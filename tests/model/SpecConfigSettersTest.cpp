#include "SpecConfigTestSupport.h"

#include <cmath>
#include <tuple>

namespace
{

using namespace SpecConfigTest;
using Config = QVXSpecConfig;
using Colors = std::vector<std::array<int, 3>>;

Colors ColorsOf(const Config& config, int set)
{
    Colors colors;
    for (const auto& c : config.GetColorSet(set))
        colors.push_back({c.red, c.green, c.blue});
    return colors;
}

class SpecConfigSetters : public ::testing::Test
{
protected:
    Instance instance;
    Config& config = instance.Config();
    std::unique_ptr<Recorder> recorder = instance.Record();
};

// The archived defaults are pinned by the golden file; these are the ones
// that never reach an archive.
TEST_F(SpecConfigSetters, StartsWithTheInitialValuesThatAreNotArchived)
{
    for (int view = 0; view < 3; ++view)
    {
        config.SetSpectrumView(view, false);
        EXPECT_EQ(config.GetAmpScale(), 1);
        for (int index = 0; index < 4; ++index)
            EXPECT_EQ(config.GetDisplaySwitch(index), 1);
        EXPECT_TRUE(view == 1 || config.GetPeakDecay() == 10.0f);
        EXPECT_TRUE(config.GetPeakDecay() >= 1.0f && config.GetPeakDecay() <= 30.0f);
    }
    for (CentralController* location :
         {&config.GetInstantSaveLocation(), &config.GetPeakHoldSaveLocation(), &config.GetAverageSaveLocation()})
        EXPECT_EQ(std::tuple(location->GetValue(), location->GetMinimum(), location->GetMaximum()),
                  std::tuple(0, 0, 2));
    EXPECT_EQ(ColorsOf(config, 1), Colors(22, {0, 0, 0}));
    EXPECT_TRUE(recorder->messages.empty());
}

// Each setter clamps to its range and announces itself with its code when asked to.
TEST(SpecConfigSetterTable, ClampAndAnnounceWithTheirCode)
{
    struct Case
    {
        const char (&code)[5];
        std::function<void(Config&, bool)> set;
        std::function<double(const Config&)> get;
        double expected;
    };
#define SETTER_CASE(code, name, value, expected)                                                                 \
    {code, [](Config& c, bool n) { c.Set##name(value, n); }, [](const Config& c) { return double(c.Get##name()); }, \
     expected}
    const Case cases[] = {
        SETTER_CASE("anCh", AnalysisChannel, 7, 7),    SETTER_CASE("frZm", FreqZoom, true, 1),
        SETTER_CASE("pkon", PeakHold, false, 0),       SETTER_CASE("pkTm", PeakHoldTime, -5, -1),
        SETTER_CASE("pkTm", PeakHoldTime, 11, 10),     SETTER_CASE("pkDm", PeakDecay, 0.5f, 1),
        SETTER_CASE("pkDm", PeakDecay, 31, 30),        SETTER_CASE("shpk", Instantaneous, false, 0),
        SETTER_CASE("pkDy", InstantaneousDecayTime, 0.001f, 0.01f), SETTER_CASE("pkDy", InstantaneousDecayTime, 20, 10),
        SETTER_CASE("avSh", ShowAverage, false, 0),    SETTER_CASE("avTm", AveragingTime, 0, 0.1f),
        SETTER_CASE("avTm", AveragingTime, 25, 20),    SETTER_CASE("avTm", AveragingTime, NAN, 0.1f),
        SETTER_CASE("fscl", LogScale, false, 0),       SETTER_CASE("swgt", SpecWeighting, 3, 3),
        SETTER_CASE("fftw", WinType, 9, 9),            SETTER_CASE("ampS", AmpScale, -1, 0),
        SETTER_CASE("ampS", AmpScale, 3, 2),           SETTER_CASE("3bar", ThirdOctBarView, 5, 5),
        SETTER_CASE("sgGn", SpecGain, -1, 0),          SETTER_CASE("sgGn", SpecGain, 41, 40),
        SETTER_CASE("sgFl", SpecFloor, -120, -100),    SETTER_CASE("sgFl", SpecFloor, 0, -6)};
#undef SETTER_CASE
    for (const Case& c : cases)
    {
        for (const bool notify : {false, true})
        {
            SCOPED_TRACE(std::string(c.code) + (notify ? " notified" : " silent"));
            Instance instance;
            auto recorder = instance.Record();
            c.set(instance.Config(), notify);
            EXPECT_FLOAT_EQ(static_cast<float>(c.get(instance.Config())), static_cast<float>(c.expected));
            EXPECT_EQ(recorder->Take(), notify ? std::vector<Message>{M(c.code)} : std::vector<Message>{});
        }
    }
}

// An unusable FFT size falls back to 2048 and an unchanged one is not sent; a
// zoom range is clamped and kept when too narrow; a band range keeps first at
// most second. Each view keeps its own.
TEST_F(SpecConfigSetters, RangesAndSizesStayUsablePerView)
{
    std::vector<int> sizes;
    for (const int size : {2048, 8192, 3000})
    {
        config.SetFftSize(size, true);
        sizes.push_back(config.GetFftSize());
    }
    config.SetFftSize(512, false);
    sizes.push_back(config.GetFftSize());
    EXPECT_EQ(sizes, (std::vector<int>{2048, 8192, 2048, 512}));

    config.SetFreqZoomRange(5, 200000, true);
    EXPECT_EQ(config.GetFreqZoomRange(), std::make_pair(10.0f, 96000.0f));
    config.SetFreqZoomRange(1000, 1000.5f, true);
    config.SetFreqZoomRange(3000, 2000, true);
    config.SetFreqZoomRange(100000, 200000, true); // both clamp to 96000
    EXPECT_EQ(config.GetFreqZoomRange(), std::make_pair(10.0f, 96000.0f));
    config.SetFreqZoomRange(1000, 1001, false);
    EXPECT_EQ(config.GetFreqZoomRange(), std::make_pair(1000.0f, 1001.0f));

    config.SetBandLevelRange(30, 20, true);
    EXPECT_EQ(config.GetBandLevelRange(), std::make_pair(20, 20));
    config.SetSpectrumView(2, false);
    config.SetBandLevelRange(15, 40, true);
    EXPECT_EQ(std::pair(config.GetBandLevelRange(), config.GetFftSize()), std::pair(std::make_pair(15, 40), 2048));
    config.SetSpectrumView(0, false);
    EXPECT_EQ(config.GetBandLevelRange(), std::make_pair(20, 20));
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("ffts"), M("ffts"), M("frZm"), M("frZm"), M("frZm"), M("frZm"),
                                                      M("brng"), M("brng")}));
}

TEST_F(SpecConfigSetters, ColorMapsAndIndexedSetters)
{
    config.SetSpectrogramColorMap(0, 99, true);
    EXPECT_EQ(config.GetSpectrogramColorMap(0), 15);
    config.SetSpectrogramColorMap(0, 99, true);
    config.SetSpectrogramColorMap(1, 2, true);
    config.SetSpectrogramColorMap(1, -4, true);
    EXPECT_EQ(config.GetSpectrogramColorMap(1), 0);
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("cmap", 0), M("cmap", 1)}));

    // Indexed setters carry the index and ignore indices out of range.
    config.SetDisplaySwitch(2, false, true);
    config.SetDisplaySwitch(4, false, true);
    EXPECT_EQ(std::pair(config.GetDisplaySwitch(2), config.GetDisplaySwitch(3)), std::pair(0, 1));

    config.SetColor(2, 21, {1, 2, 3}, true);
    config.SetColor(3, 0, {1, 2, 3}, true);
    config.SetColor(0, 22, {1, 2, 3}, true);
    EXPECT_EQ(config.GetColor(2, 21), (CVLCanvas::ColorSpec{1, 2, 3}));
    EXPECT_THROW(config.GetColor(0, 22), AppFrame::BadParameter);

    config.SetMemSlotVisible(1, true, true);
    config.SetMemSlotVisible(3, true, true);
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("pvop", 2), M("colr", 21), M("memV", 1)}));
    config.RequestInstantStore(); // store requests only announce
    config.RequestAverageStore();
    config.RequestPeakHoldStore();
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("rqM1"), M("rqM2"), M("rqM3")}));
}

TEST_F(SpecConfigSetters, MemorySlotsKeepTheirVisibilityAcrossNewData)
{
    Config::MemSlotData curve;
    curve.mVisible = false;
    curve.mType = Config::kDtPeakHold;
    curve.mBands = 4;
    curve.mFs = 48000;
    curve.mChannels = {{1, 2, 3, 4}, {5, 6, 7, 8}};
    config.SetMemSlotVisible(2, true, false);
    config.SetMemSlotData(2, curve, true);
    const auto& stored = config.GetMemSlotData(2);
    EXPECT_EQ(std::tuple(config.GetMemSlotVisible(2), stored.mChannels, stored.mType),
              std::tuple(true, curve.mChannels, Config::kDtPeakHold));

    curve.mVisible = true;
    config.SetMemSlotData(0, curve, true);
    EXPECT_FALSE(config.GetMemSlotVisible(0));

    config.ClearMemSlot(2, true);
    EXPECT_EQ(std::tuple(config.GetMemSlotVisible(2), stored.mChannels.empty(), stored.mFs),
              std::tuple(false, true, 0));
    // Slots belong to the view.
    config.SetSpectrumView(2, false);
    EXPECT_FALSE(config.GetMemSlotData(0).HasData());
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("msdc", 2), M("msdc", 0), M("msdc", 2)}));
}

TEST_F(SpecConfigSetters, ResetColorsRestoresTheCurrentViewOnly)
{
    const Instance fresh;
    for (int set = 0; set < 3; ++set)
        for (int role = 0; role < 22; ++role)
            config.SetColor(set, role, {7, 7, 7}, false);
    config.SetSpectrogramColorMap(0, 9, false);
    config.SetSpectrogramColorMap(1, 11, false);

    config.SetSpectrumView(2, false);
    config.ResetColors(true);
    EXPECT_EQ(ColorsOf(config, 0), Colors(22, {7, 7, 7}));
    config.SetSpectrumView(1, false);
    config.ResetColors(true); // the maps, not the colours
    config.SetSpectrumView(0, false);
    config.ResetColors(false);
    EXPECT_EQ(std::tuple(ColorsOf(config, 0), ColorsOf(config, 1), ColorsOf(config, 2),
                         config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)),
              std::tuple(ColorsOf(fresh.Config(), 0), Colors(22, {7, 7, 7}), ColorsOf(fresh.Config(), 2), 2, 2));
    std::vector<Message> expected;
    for (int role = 0; role < 22; ++role)
        expected.push_back(M("colr", role));
    expected.insert(expected.end(), {M("cmap", 0), M("cmap", 1)});
    EXPECT_EQ(recorder->Take(), expected);
}

TEST_F(SpecConfigSetters, ViewChangeBurstInFull)
{
    config.SetSpectrumView(1, true);
    EXPECT_EQ(recorder->Take(),
              (std::vector<Message>{M("spVw"), M("anCh"), M("lvRg"), M("frZm"), M("pkon"), M("pkTm"), M("shpk"),
                                    M("pkDy"), M("pkDm"), M("avSh"), M("avTm"), M("fscl"), M("ampS"), M("swgt"),
                                    M("ffts"), M("fftw"), M("amsc"), M("msdc", 0), M("3bar"), M("sgGn"),
                                    M("sgFl"), M("brng"), M("pvop", -1)}));
    std::vector<int> views;
    for (const int view : {2, 9, -1})
    {
        config.SetSpectrumView(view, false);
        views.push_back(config.GetSpectrumView());
    }
    EXPECT_EQ(views, (std::vector<int>{2, 2, 0}));
    EXPECT_TRUE(recorder->Take().empty());
}

TEST(SpecConfigMono, ReportsTheLeftChannelAndNamesFallBack)
{
    Instance mono({1, 1});
    mono.Config().SetAnalysisChannel(3, false);
    EXPECT_EQ(mono.Config().GetAnalysisChannel(), 0);
    EXPECT_EQ(mono.Config().GetCurrentViewOptions().mAnalysisChannel, 3);

    // Values out of range have fallback names.
    using Slot = Config::MemSlotData;
    EXPECT_EQ(std::tuple(Slot::ChannelName(4), Slot::DataTypeName(-1), Slot::ViewName(3), Config::WeightingName(4),
                         Config::WindowName(4)),
              std::tuple("unknown", "unknown", "unknown", "NONE", "N/A"));
}

} // namespace
