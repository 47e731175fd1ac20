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
        archive.WriteInt("fftSize", 4096);
    })));
    EXPECT_EQ(std::tuple(config.GetFftSize(), config.GetWinType(), config.GetInstantaneousDecayTime()),
              std::tuple(4096, 3, 0.37f));

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

// Counts beyond what the tables hold are tested field by field; the colour
// maps a sequence stated short does not hold read as the default map.
TEST(SpecConfigArchive, MapsAShortSequenceDoesNotHoldReadAsTheDefault)
{
    Instance instance;
    instance.Config().SetSpectrogramColorMap(1, 9, false);
    instance.Config().Load(*Reader(Written([](XMLArchive& archive) {
        Serialization::ArchiveSequence maps(archive, "mSpectrogramChannelColorMap", 1);
        maps.Add(7);
    })));
    EXPECT_EQ(std::pair(instance.Config().GetSpectrogramColorMap(0), instance.Config().GetSpectrogramColorMap(1)),
              std::pair(7, 2));
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
