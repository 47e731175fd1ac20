#include "SpecConfigTestSupport.h"

#include "serialization/ArchiveSequence.h"
#include "serialization/LocaleTestSupport.h"
#include "support/SpecConfigState.h"
#include "support/TestFiles.h"

#include <tuple>

namespace
{

using namespace SpecConfigTest;
using namespace SpecConfigState;
using Config = QVXSpecConfig;
using Serialization::XMLArchive;

std::string WrittenService(QVXGeneralSpecService& service)
{
    return Written([&](XMLArchive& archive) { service.Save(archive); });
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
    EXPECT_EQ(std::tuple(config.GetSpectrumView(), config.GetMemSlotData(0).HasData(), config.GetColor(1, 5),
                         config.GetAmpScale(), config.GetDisplaySwitch(0)),
              std::tuple(1, false, CVLCanvas::ColorSpec{}, 1, 1));
    EXPECT_NE(config.GetPeakDecay(), 25.0f);
    EXPECT_EQ(recorder->Take(), AfterReadBurst(true));
}

// Missing keys keep the current values, at the top and inside objects; but a
// stored slot is read whole (its own missing keys take the defaults, unknown
// texts fall back), and colour maps a sequence stated short does not hold read
// as the default map. Counts beyond the tables: SpecConfigArchivedFieldsTest.
TEST(SpecConfigArchive, MissingKeysKeepTheCurrentValuesButSlotsAndMapsStartOver)
{
    Instance instance;
    Config& config = instance.Config();
    SetEverything(config);
    config.SetSpectrumView(0, false);
    const ArchivedState before = StateOf(config);
    const auto slot0 = config.GetMemSlotData(0);
    config.Load(*Reader(Written([](XMLArchive&) {})));
    EXPECT_EQ(StateOf(config), before);

    config.Load(*Reader(Written([](XMLArchive& archive) {
        archive.WriteBool("mAnaEnabled", false);
        archive.WriteDouble("mSpecFloor", -20.0);
        archive.WriteInt("mBandLevelRangesMap[ana3rdOct].second", 41);
        archive.WriteInt("mPeakHoldSaveLocationController", 7);
        Serialization::ArchiveSequence maps(archive, "mSpectrogramChannelColorMap", 1);
        maps.Add(7);
    })));
    ArchivedState expected = before;
    expected.anaEnabled = false;
    expected.floor = -20.0f;
    expected.bandRanges[2].second = 41;
    expected.saveLocations[1] = 2; // the control keeps its range
    expected.colorMaps = {7, 2};
    EXPECT_EQ(StateOf(config), expected);

    config.Load(*Reader(Written([](XMLArchive& archive) {
        {
            Config::SpectrumViewOptions options;
            Serialization::ObjectWriteScope scope(archive, options, "anaFFT.specOptions");
            archive.WriteInt("fftSize", 4096);
        }
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
    EXPECT_EQ(std::tuple(config.GetFftSize(), config.GetWinType(), config.GetInstantaneousDecayTime()),
              std::tuple(4096, 3, 0.37f));
    const auto& read = config.GetMemSlotData(1);
    EXPECT_EQ(std::tuple(read.mType, read.mView, read.mAnalysisChannel, read.mVisible, read.mBands, read.mFs),
              std::tuple(2, 2, 3, false, 0, 0));
    EXPECT_EQ(read.mChannels, (std::vector<std::vector<float>>{{}, {1.5f, 2.5f}}));
    EXPECT_EQ(config.GetMemSlotData(0).mChannels, slot0.mChannels);
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

// A view's settings import takes only the current view's values; a colour
// import only the current view's colours (the maps for the spectrogram).
TEST(SpecConfigImport, ViewSettingsAndColoursOfTheCurrentViewOnly)
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

    Instance target;
    Config& config = target.Config();
    auto recorder = target.Record();
    const auto import = [&](const std::string& settings) { config.ImportColors(*ImportSource(settings).archive); };
    import(text);
    EXPECT_EQ(config.GetColorSet(0), source.Config().GetColorSet(0));
    EXPECT_NE(config.GetColorSet(2), source.Config().GetColorSet(2));
    EXPECT_EQ(recorder->Take().size(), 22u);

    config.SetSpectrumView(1, false);
    import(text);
    EXPECT_EQ(std::pair(config.GetSpectrogramColorMap(0), config.GetSpectrogramColorMap(1)), std::pair(7, 15));
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{M("cmap", 0), M("cmap", 1)}));

    // Nothing to import: nothing changes, nothing is sent.
    config.SetSpectrumView(2, false);
    import(Written([](XMLArchive& archive) {
        Holder holder("QVXGeneralSpecService"), inner("QVXSpecConfig");
        Serialization::ObjectWriteScope service(archive, holder, "QVXGeneralSpecService");
        Serialization::ObjectWriteScope scope(archive, inner, "QVXSpecConfig");
    }));
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
