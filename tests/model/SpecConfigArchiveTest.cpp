#include "SpecConfigTestSupport.h"

#include "serialization/ArchiveSequence.h"
#include "serialization/LocaleTestSupport.h"
#include "support/TestFiles.h"

#include <tuple>

namespace
{

using namespace SpecConfigTest;
using Config = QVXSpecConfig;
using Serialization::XMLArchive;

// Everything the configuration stores in an archive.
struct ArchivedState
{
    bool anaEnabled;
    int view;
    std::vector<std::tuple<int, float, float, bool, float, float, float, bool, float, bool, float, bool, float, int,
                           bool, int, int>>
        options;
    std::vector<std::tuple<bool, int, int, int, int, int, std::vector<std::vector<float>>>> slots;
    std::vector<int> activeMemory;
    std::vector<int> colorMaps;
    std::vector<CVLCanvas::ColorSpec> colors;
    int barView;
    float gain, floor;
    std::vector<std::pair<int, int>> bandRanges;
    std::vector<int> saveLocations;
    friend bool operator==(const ArchivedState&, const ArchivedState&) = default;
};

ArchivedState StateOf(Config& config)
{
    ArchivedState state{};
    const int current = config.GetSpectrumView();
    state.anaEnabled = config.GetAnaEnabled();
    state.view = current;
    for (int view = 0; view < 3; ++view)
    {
        const auto& o = config.GetViewOptions(view);
        state.options.emplace_back(o.mAnalysisChannel, o.mLevelRangeMin, o.mLevelRangeMax, o.mFreqZoom,
                                   o.mFreqZoomRangeMin, o.mFreqZoomRangeMax, o.mDecayRateDbPerSec, o.mPeakHold,
                                   o.mPeakHoldTime, o.mInstantaneous, o.mInstantaneousDecayTime, o.mShowAverage,
                                   o.mAveragingTime, o.mSpecWeighting, o.mLogScale, o.mFftSize, o.mWinType);
        config.SetSpectrumView(view, false);
        state.bandRanges.push_back(config.GetBandLevelRange());
        if (view == 1)
            continue;
        state.activeMemory.push_back(config.GetActiveMemory());
        for (int slot = 0; slot < 3; ++slot)
        {
            const auto& s = config.GetMemSlotData(slot);
            state.slots.emplace_back(s.mVisible, s.mType, s.mBands, s.mFs, s.mView, s.mAnalysisChannel, s.mChannels);
        }
        for (const auto& color : config.GetColorSet(view))
            state.colors.push_back(color);
    }
    config.SetSpectrumView(current, false);
    state.colorMaps = {config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)};
    state.barView = config.GetThirdOctBarView();
    state.gain = config.GetSpecGain();
    state.floor = config.GetSpecFloor();
    state.saveLocations = {config.GetInstantSaveLocation().GetValue(), config.GetPeakHoldSaveLocation().GetValue(),
                           config.GetAverageSaveLocation().GetValue()};
    return state;
}

// Sets every archived value of the configuration away from its default.
void SetEverything(Config& config)
{
    for (int view = 0; view < 3; ++view)
    {
        config.SetSpectrumView(view, false);
        config.SetAnalysisChannel(view, false);
        config.SetFreqZoom(true, false);
        config.SetFreqZoomRange(123.25f + view, 4321.5f, false);
        config.SetPeakHold(view == 1, false);
        config.SetPeakHoldTime(-0.75f, false);
        config.SetInstantaneous(false, false);
        config.SetInstantaneousDecayTime(0.37f, false);
        config.SetShowAverage(view != 0, false);
        config.SetAveragingTime(7.3f, false);
        config.SetSpecWeighting(view + 1, false);
        config.SetLogScale(false, false);
        config.SetFftSize(view == 2 ? 8192 : 512, false);
        config.SetWinType(3 - view, false);
        config.SetBandLevelRange(5 + view, 30 + view, false);
        for (int slot = 0; slot < 3; ++slot)
        {
            Config::MemSlotData data;
            data.mType = (slot + 1) % 3;
            data.mBands = 4 + slot;
            data.mFs = 44100 + slot;
            data.mView = view;
            data.mAnalysisChannel = slot;
            data.mChannels.assign(static_cast<std::size_t>(slot + 1), {-12.345678f, 0.1f, -1000.0f, 3.3e-3f});
            config.SetMemSlotData(slot, data, false);
            config.SetMemSlotVisible(slot, slot != 1, false);
        }
        for (int role = 0; role < 22; ++role)
            config.SetColor(view, role,
                            {static_cast<std::uint16_t>(1000 * view + role), static_cast<std::uint16_t>(65535 - role),
                             static_cast<std::uint16_t>(role * 3)},
                            false);
    }
    config.SetSpectrogramColorMap(0, 7, false);
    config.SetSpectrogramColorMap(1, 15, false);
    config.SetThirdOctBarView(2, false);
    config.SetSpecGain(17.125f, false);
    config.SetSpecFloor(-55.5f, false);
    config.GetInstantSaveLocation().SetValue(2);
    config.GetPeakHoldSaveLocation().SetValue(1);
    config.GetAverageSaveLocation().SetValue(2);
    config.SetSpectrumView(2, false);
}

std::string WrittenService(QVXGeneralSpecService& service)
{
    return Written([&](XMLArchive& archive) { service.Save(archive); });
}

std::vector<Message> ViewStateBurst(bool spectrogram)
{
    std::vector<Message> burst{M("anCh"), M("lvRg"), M("frZm"), M("pkon"), M("pkTm"),
                               M("shpk"), M("pkDy"), M("avSh"), M("avTm")};
    for (int role = 0; role < 22; ++role)
        burst.push_back(M("colr", role));
    if (spectrogram)
    {
        burst.push_back(M("cmap", 0));
        burst.push_back(M("cmap", 1));
    }
    for (const auto& m : {M("fscl"), M("ampS"), M("swgt"), M("ffts"), M("fftw"), M("amsc"), M("msdc", 0),
                          M("msdc", 1), M("msdc", 2), M("3bar"), M("sgGn"), M("sgFl"), M("brng")})
        burst.push_back(m);
    return burst;
}

std::vector<Message> AfterReadBurst(bool spectrogram)
{
    std::vector<Message> burst{M("1/0 "), M("spVw")};
    for (const auto& m : ViewStateBurst(spectrogram))
        burst.push_back(m);
    return burst;
}

TEST(SpecConfigArchive, EveryArchivedValueSurvivesWriteAndRead)
{
    Instance source;
    SetEverything(source.Config());
    const std::string text = WrittenService(source.service);

    Instance target;
    const ArchivedState before = StateOf(target.Config());
    auto recorder = target.Record();
    target.service.Load(*Reader(text));
    EXPECT_EQ(StateOf(target.Config()), StateOf(source.Config()));
    EXPECT_NE(StateOf(target.Config()), before);
    EXPECT_EQ(recorder->Take(), AfterReadBurst(false));

    // Writing the result again gives the same text, ids apart.
    EXPECT_EQ(TestFiles::MaskIds(WrittenService(target.service)), TestFiles::MaskIds(text));
}

TEST(SpecConfigArchive, SpectrogramSlotsColoursAndUnarchivedValuesStayOut)
{
    Instance source;
    SetEverything(source.Config());
    source.Config().SetSpectrumView(1, false);
    source.Config().SetAmpScale(0, false);
    source.Config().SetPeakDecay(25, false);
    source.Config().SetDisplaySwitch(0, false, false);

    Instance target;
    auto recorder = target.Record();
    target.service.Load(*Reader(WrittenService(source.service)));
    Config& config = target.Config();
    EXPECT_EQ(config.GetSpectrumView(), 1);
    EXPECT_FALSE(config.GetMemSlotData(0).HasData());
    EXPECT_EQ(config.GetColor(1, 5), (CVLCanvas::ColorSpec{}));
    EXPECT_EQ(config.GetAmpScale(), 1);
    EXPECT_NE(config.GetPeakDecay(), 25.0f);
    EXPECT_EQ(config.GetDisplaySwitch(0), 1);
    EXPECT_EQ(recorder->Take(), AfterReadBurst(true));
}

TEST(SpecConfigArchive, MissingKeysKeepTheCurrentValues)
{
    Instance instance;
    Config& config = instance.Config();
    SetEverything(config);
    const ArchivedState before = StateOf(config);

    config.Load(*Reader(Written([](XMLArchive&) {})));
    EXPECT_EQ(StateOf(config), before);

    // An archive holding only some values changes only those.
    config.Load(*Reader(Written([](XMLArchive& archive) {
        archive.WriteBool("mAnaEnabled", false);
        archive.WriteDouble("mSpecFloor", -20.0);
        archive.WriteInt("mBandLevelRangesMap[ana3rdOct].second", 41);
        archive.WriteInt("mPeakHoldSaveLocationController", 7);
    })));
    ArchivedState expected = before;
    expected.anaEnabled = false;
    expected.floor = -20.0f;
    expected.bandRanges[2].second = 41;
    expected.saveLocations[1] = 2; // the control keeps its range
    EXPECT_EQ(StateOf(config), expected);
    EXPECT_EQ(config.GetSpecGain(), 17.125f);
}

TEST(SpecConfigArchive, ObjectsWithMissingKeysKeepTheirValuesButSlotsStartOver)
{
    Instance instance;
    Config& config = instance.Config();
    SetEverything(config);
    config.SetSpectrumView(0, false);
    const auto slot0 = config.GetMemSlotData(0);

    config.Load(*Reader(Written([](XMLArchive& archive) {
        Config::SpectrumViewOptions options;
        Serialization::ObjectWriteScope scope(archive, options, "anaFFT.specOptions");
        archive.WriteInt("fftSize", 3000); // sizes the services cannot use fall back
        archive.WriteDouble("averagingTime", 0.0);
    })));
    EXPECT_EQ(config.GetFftSize(), 2048);
    EXPECT_FLOAT_EQ(config.GetAveragingTime(), 0.1f);
    EXPECT_EQ(config.GetWinType(), 3);
    EXPECT_FLOAT_EQ(config.GetInstantaneousDecayTime(), 0.37f);

    // A stored slot is read whole: its own missing keys take the defaults,
    // and unknown texts fall back.
    config.Load(*Reader(Written([](XMLArchive& archive) {
        Holder holder("QVXSpecConfigArchivedMemSlots");
        Serialization::ObjectWriteScope slots(archive, holder, "anaFFT.memory_slots");
        Config::MemSlotData slot;
        Serialization::ObjectWriteScope scope(archive, slot, "memory[slot1]");
        archive.WriteString("type", "dtPeakHold");
        archive.WriteString("view", "ana3rdOct");
        archive.WriteString("analysisChannel", "chMiddle");
        archive.WriteInt("vec.channels", 2);
        archive.WriteFloatVector("vec[ch1]", {1.5f, 2.5f});
    })));
    const auto& read = config.GetMemSlotData(1);
    EXPECT_EQ(std::tuple(read.mType, read.mView, read.mAnalysisChannel, read.mVisible, read.mBands, read.mFs),
              std::tuple(2, 2, 3, false, 0, 0));
    EXPECT_EQ(read.mChannels, (std::vector<std::vector<float>>{{}, {1.5f, 2.5f}}));
    EXPECT_EQ(config.GetMemSlotData(0).mChannels, slot0.mChannels);
}

TEST(SpecConfigArchive, DamagedCountsCannotBreakTheTables)
{
    Instance instance;
    Config& config = instance.Config();
    config.Load(*Reader(Written([](XMLArchive& archive) {
        archive.WriteInt("mSpectrumView", 5);
        Serialization::ArchiveSequence maps(archive, "mSpectrogramChannelColorMap", 1);
        maps.Add(40);
    })));
    EXPECT_EQ(std::tuple(config.GetSpectrumView(), config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)),
              std::tuple(2, 15, 2));

    config.SetSpectrumView(0, false);
    config.Load(*Reader(Written([](XMLArchive& archive) {
        Holder holder("QVXSpecConfigArchivedMemSlots");
        Serialization::ObjectWriteScope slots(archive, holder, "anaFFT.memory_slots");
        Config::MemSlotData slot;
        Serialization::ObjectWriteScope scope(archive, slot, "memory[slot0]");
        archive.WriteInt("vec.channels", 2000000000);
    })));
    EXPECT_EQ(config.GetMemSlotData(0).mChannels.size(), std::size_t(Config::MemSlotData::kMaxChannels));
}

TEST(SpecConfigArchive, StoreRequestsAreRefusedWhileTheActiveMemoryIsUnset)
{
    Instance instance;
    Config& config = instance.Config();
    config.Load(*Reader(Written([](XMLArchive& archive) {
        archive.WriteInt("mSpecViewActiveMemoryMap[anaFFT]", -1);
    })));
    auto recorder = instance.Record();
    config.RequestInstantStore();
    config.RequestAverageStore();
    config.RequestPeakHoldStore();
    EXPECT_TRUE(recorder->Take().empty());
    config.SetSpectrumView(2, false);
    config.RequestPeakHoldStore();
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("rqM3")}));
}

// The configuration object of a settings text, entered as a settings-file
// import does.
struct ImportSource
{
    explicit ImportSource(const std::string& text)
        : archive(Reader(text)), path(*archive, {"QVXGeneralSpecService", "QVXSpecConfig"})
    {
        EXPECT_TRUE(path.IsEntered());
    }
    std::unique_ptr<XMLArchive> archive;
    Serialization::PathScope path;
};

TEST(SpecConfigImport, ReadViewSettingsTakesOnlyTheCurrentView)
{
    Instance source;
    SetEverything(source.Config());
    const std::string text = WrittenService(source.service);

    for (const int view : {0, 1, 2})
    {
        SCOPED_TRACE(view);
        Instance target;
        Config& config = target.Config();
        const ArchivedState before = StateOf(config);
        config.SetSpectrumView(view, false);
        auto recorder = target.Record();
        ImportSource import(text);
        config.ReadViewSettings(*import.archive);
        EXPECT_EQ(recorder->Take(), ViewStateBurst(view == 1));

        ArchivedState expected = before;
        const ArchivedState all = StateOf(source.Config());
        expected.view = view;
        expected.options[std::size_t(view)] = all.options[std::size_t(view)];
        expected.bandRanges[std::size_t(view)] = all.bandRanges[std::size_t(view)];
        if (view == 1)
        {
            expected.colorMaps = all.colorMaps;
            expected.gain = all.gain;
            expected.floor = all.floor;
        }
        else
        {
            const std::size_t set = view == 0 ? 0 : 1;
            std::copy_n(all.slots.begin() + 3 * set, 3, expected.slots.begin() + 3 * set);
            std::copy_n(all.colors.begin() + 22 * set, 22, expected.colors.begin() + 22 * set);
            expected.activeMemory[set] = all.activeMemory[set];
        }
        if (view == 2)
            expected.barView = all.barView;
        EXPECT_EQ(StateOf(config), expected);
    }
}

TEST(SpecConfigImport, ImportColorsReadsTheCurrentViewsColours)
{
    Instance source;
    SetEverything(source.Config());
    const std::string text = WrittenService(source.service);

    Instance target;
    Config& config = target.Config();
    auto recorder = target.Record();
    {
        ImportSource import(text);
        config.ImportColors(*import.archive);
    }
    EXPECT_EQ(config.GetColorSet(0), source.Config().GetColorSet(0));
    EXPECT_NE(config.GetColorSet(2), source.Config().GetColorSet(2));
    EXPECT_EQ(recorder->Take().size(), 22u);

    config.SetSpectrumView(1, false);
    {
        ImportSource import(text);
        config.ImportColors(*import.archive);
    }
    EXPECT_EQ(std::pair(config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)), std::pair(7, 15));
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("cmap", 0), M("cmap", 1)}));

    // Nothing to import: nothing changes, nothing is sent.
    config.SetSpectrumView(2, false);
    {
        ImportSource import(Written([](XMLArchive& archive) {
            Holder holder("QVXGeneralSpecService"), inner("QVXSpecConfig");
            Serialization::ObjectWriteScope service(archive, holder, "QVXGeneralSpecService");
            Serialization::ObjectWriteScope scope(archive, inner, "QVXSpecConfig");
        }));
        config.ImportColors(*import.archive);
    }
    EXPECT_TRUE(recorder->Take().empty());
}

void ExpectGoldenDefaultText()
{
    Instance instance;
    const std::string text = TestFiles::MaskIds(WrittenService(instance.service), "##########", 10);
    const std::string golden = TestFiles::ReadFile(QUARVIX_TEST_DATA_DIR "/default_config.golden.xml");
    ASSERT_FALSE(golden.empty()) << "missing golden file";
    EXPECT_EQ(text, golden);
}

TEST(SpecConfigGolden, DefaultConfigurationMatchesTheReviewedText)
{
    ExpectGoldenDefaultText();
}

// Hosts put the process into their users' locale; settings saved there must
// be the text saved anywhere else, and read back the same.
class SpecConfigLocale : public LocaleTest::DecimalCommaTest
{
};

TEST_P(SpecConfigLocale, SettingsAreTheSameTextAndValuesInEveryLocale)
{
    ExpectGoldenDefaultText();
    Instance source;
    SetEverything(source.Config());
    Instance target;
    target.service.Load(*Reader(WrittenService(source.service)));
    EXPECT_EQ(StateOf(target.Config()), StateOf(source.Config()));
}

QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(SpecConfigLocale);

} // namespace
