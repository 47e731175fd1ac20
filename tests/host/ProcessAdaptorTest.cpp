#include "core/PluginCore.h"
#include "host/CVLGroup.h"
#include "host/CVLPTProcess.h"
#include "host/ControlIds.h"
#include "model/QVXAlarmManager.h"
#include "platform/Registry.h"
#include "plugin/Quarvix.h"
#include "support/FakeClock.h"
#include "support/ProductIdentity.h"
#include "support/TestCaptureAgent.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <tuple>

namespace
{

using namespace HostLib;
namespace fs = std::filesystem;

TEST(ControlIdsTest, LettersCountTheIndexInBaseTwentySix)
{
    EXPECT_EQ((std::vector{ControlIdForIndex(1), ControlIdForIndex(26), ControlIdForIndex(27), ControlIdForIndex(675)}),
              (std::vector{FourCC("ctab"), FourCC("ctba"), FourCC("ctbb"), FourCC("ctzz")}));
    EXPECT_EQ(ControlIdForIndex(0), 0x63746161u); // big-endian 'ctaa', and in the other byte order:
    EXPECT_EQ(std::pair(ControlIdForIndex(0, false), ControlIdForIndex(27, false)), std::pair(0x61617463u, 0x62627463u));
    EXPECT_EQ(std::pair(ControlIdForIndex(676), ControlIdForIndex(-1)), std::pair(0u, 0u));
    for (std::int32_t index = 0; index < kControlIdIndexCount; ++index)
    {
        ASSERT_EQ(IndexForControlId(ControlIdForIndex(index)), index);
        ASSERT_EQ(IndexForControlId(ControlIdForIndex(index, false), false), index);
    }
    EXPECT_EQ((std::vector{IndexForControlId(FourCC("bypa")), IndexForControlId(FourCC("ctA{")),
                           IndexForControlId(FourCC("ctz{")), IndexForControlId(FourCC("ctaa"), false)}),
              std::vector(4, -1));
}

TEST(ErrorTextTest, TitleMessageAndCodeLayout)
{
    const auto text = [](const char* message, std::int32_t code) { return CVLPTProcess::ErrorText("Title", message, code); };
    EXPECT_EQ((std::vector{text("Message", 0), text("", 0), text("", -42), text("Message", 7)}),
              (std::vector<std::string>{"Title\nMessage", "Title", "Title (-42)", "Title\nMessage : 7"}));
}

struct RecordingHost : EffectHost
{
    std::vector<EffectMessageBox> boxes;
    void ShowMessageBox(const EffectMessageBox& box) override { boxes.push_back(box); }
};

class ProcessAdaptorTest : public TestFiles::TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
        ASSERT_EQ(mGroup.Initialize(), 0);
        mGroup.SetHost(&mHost);
    }

    // A process set up as the library sets up the ones it creates.
    std::unique_ptr<CVLPTProcess> MakeProcess(const char (&type)[5])
    {
        auto process = std::make_unique<CVLPTProcess>();
        process->SetupProcess(*mGroup.FindType(FourCC(type)), mGroup);
        process->EffectInit();
        return process;
    }
    static Quarvix& PluginOf(CVLPTProcess& process) { return dynamic_cast<Quarvix&>(*process.GetPlugin()); }

    static std::string ChunkText(CVLPTProcess& process)
    {
        std::int32_t size = 0;
        EXPECT_EQ(process.GetChunkSize(FourCC("cvqx"), size), kEffectOK);
        std::vector<char> chunk(static_cast<std::size_t>(size));
        EXPECT_EQ(process.GetChunk(FourCC("cvqx"), chunk), kEffectOK);
        EXPECT_EQ(ReadChunkHeader(chunk).size, size);
        return std::string(chunk.begin() + 56, chunk.end());
    }

    static std::vector<char> Chunk(const std::string& text)
    {
        std::vector<char> chunk(56 + text.size());
        CEffectChunkHeader header;
        header.size = static_cast<std::int32_t>(chunk.size());
        WriteChunkHeader(chunk, header);
        std::memcpy(chunk.data() + 56, text.data(), text.size());
        return chunk;
    }

    CVLGroup mGroup;
    RecordingHost mHost;
};

// Names, codes and value texts are checked where a host reads them, in the
// host program's description; here what it does not print.
TEST_F(ProcessAdaptorTest, GroupTypesAndControlsAsTheHostSeesThem)
{
    const EffectGroupInfo& info = mGroup.GetInfo();
    EXPECT_EQ(info.capabilities, std::vector<std::int32_t>{14});
    const std::vector<EffectTypeInfo> types = mGroup.GetEngine().GetTypes();
    ASSERT_EQ(types.size(), 2u);
    for (const EffectTypeInfo& type : types)
        EXPECT_TRUE(!type.offline && type.names == info.productNames && type.pageTables == "MonoPageTables");

    EffectInstance* instance = mGroup.GetEngine().CreateInstance(FourCC(ProductIdentity::kMonoType));
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(std::tuple(instance->GetControlCount(), instance->GetMasterBypassIndex(), instance->GetChunks().size()),
              std::tuple(2, 1, 1u));
    EffectControlInfo bypass, reset;
    ASSERT_EQ(std::pair(instance->GetControlInfo(1, bypass), instance->GetControlInfo(2, reset)),
              std::pair(kEffectOK, kEffectOK));
    EXPECT_EQ(bypass.kind, EffectControlKind::OnOff);
    EXPECT_EQ(std::tuple(reset.kind, reset.minimum, reset.maximum, reset.displayKind),
              std::tuple(EffectControlKind::Discrete, 0.0, 1.0, 0));
    EXPECT_EQ(instance->GetControlValueText(2, 0.0, 1), "O"); // the label cut to one character
    EXPECT_EQ(MakeProcess("mnRT")->GetHostName(), "Pro Tools");
}

// Bypass advances once per host call however the library cuts it (the plug-in's
// state machine is tested with the core); audio runs until 250 ms without a call.
TEST_F(ProcessAdaptorTest, BypassAdvancesOncePerHostCallAndAudioRunsWhileCallsArrive)
{
    FakeClock clock;
    FakeClock::ms = 5000;
    auto process = MakeProcess("StRT");
    EXPECT_FALSE(process->GetPlugin()->IsAudioRunning()) << "no call yet";
    ASSERT_EQ(process->SetBlockSize(256), kEffectOK);
    Quarvix& plugin = PluginOf(*process);
    auto& agent = static_cast<TestCaptureAgent&>(plugin.AttachService(std::make_unique<TestCaptureAgent>()));
    std::vector<float> left(1024, 0.5f), right(1024, -0.5f), outLeft(1024), outRight(1024);
    const float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};
    using enum BypassState;
    for (const auto& [bypass, state, captured] : {std::tuple{1.0, EnteringBypass, 1024}, {1.0, Bypassed, 0},
                                                  {0.0, LeavingBypass, 1024}, {0.0, Active, 1024}})
    {
        ASSERT_EQ(process->SetControlValue(CVLPTProcess::kMasterBypassControlIndex, bypass), kEffectOK);
        agent.captures.clear();
        process->Render(inputs, outputs, 1024);
        EXPECT_EQ(plugin.GetBypassState(), state) << "bypass " << bypass;
        EXPECT_EQ(std::accumulate(agent.captures.begin(), agent.captures.end(), 0), captured) << "bypass " << bypass;
        EXPECT_EQ(outRight, right);
    }
    FakeClock::ms += 249;
    EXPECT_TRUE(process->GetPlugin()->IsAudioRunning());
    FakeClock::ms += 1;
    EXPECT_FALSE(process->GetPlugin()->IsAudioRunning());
}

// The library's format and the plug-in's stay one: a refusal fails at the host,
// and the old block size keeps cutting pieces and sizing the substitute channels.
TEST_F(ProcessAdaptorTest, RefusedStreamFormatIsReportedAndChangesNothing)
{
    auto process = MakeProcess("StRT");
    Quarvix& plugin = PluginOf(*process);
    plugin.AttachService(std::make_unique<RefusingCaptureAgent>());
    EXPECT_EQ(process->SetBlockSize(4096), kEffectErrFailed);
    EXPECT_EQ(process->SetSampleRate(96000.0), kEffectErrFailed);
    EXPECT_EQ(std::tuple(process->GetBlockSize(), process->GetSampleRate(), plugin.GetMaxBlockSize()),
              std::tuple(1024, 44100.0, 1024));

    // Not left busy: the plug-in's own parameter changes still reach the host
    // (and one for a control the host does not have is ignored).
    plugin.SetParameter(FourCC("rest"), 1.0f);
    process->OnPluginParameterChanged(7, 1.0f);
    EXPECT_EQ(std::pair(process->GetControlValue(2), process->GetNumControls()), std::pair(1.0, 2));

    // Missing channels are substituted, in pieces of the old size, each
    // placed on the timeline (the last starts at 2048).
    std::vector<float> left(3000, 0.25f), outLeft(3000);
    const float* inputs[] = {left.data(), nullptr};
    float* outputs[] = {outLeft.data(), nullptr}; // the right output goes to the process's scratch
    process->Render(inputs, outputs, 3000);
    EXPECT_EQ(outLeft, left);
    EXPECT_EQ(plugin.GetSamplePosition(), 2048);

    ASSERT_EQ(process->SetBlockSize(2048), kEffectOK);
    EXPECT_EQ(plugin.GetMaxBlockSize(), 2048);
}

// Only the framing is the adaptor's (the settings text is checked with the
// plug-in's); refusals and failures reach the host, never as a cut chunk.
TEST_F(ProcessAdaptorTest, ChunkIsTheSettingsTextAfterTheHeaderAndRefusalsAreReported)
{
    auto first = MakeProcess("StRT");
    const std::string text = ChunkText(*first); // checks the header's size against the size asked
    EXPECT_EQ(TestFiles::MaskIds(text), TestFiles::MaskIds(first->GetPlugin()->GetChunk(true)));
    std::int32_t size = 0;

    // Too small a buffer is refused with the size needed, never cut short.
    std::vector<char> small(100);
    EXPECT_EQ(first->GetChunk(FourCC("cvqx"), small), kEffectErrChunkTooSmall);
    EXPECT_EQ(static_cast<std::size_t>(ReadChunkHeader(small).size), text.size() + 56);
    EXPECT_EQ(first->GetChunkSize(FourCC("othr"), size), kEffectErrUnknownChunk);

    // The bytes after the header, as many as its size counts, are the current program's settings.
    auto second = MakeProcess("StRT");
    ASSERT_EQ(second->SetChunk(FourCC("cvqx"), Chunk(text)), kEffectOK);
    EXPECT_EQ(second->GetPlugin()->GetCurrentText(), text);
    EXPECT_TRUE(mHost.boxes.empty());

    // A refused chunk becomes this box.
    ASSERT_EQ(first->SetChunk(FourCC("cvqx"), Chunk("<obj_archive>no maker's name</obj_archive>")), kEffectOK);
    ASSERT_EQ(mHost.boxes.size(), 1u);
    const EffectMessageBox& box = mHost.boxes[0];
    EXPECT_EQ(box.caption, ProductIdentity::kErrorCaption);
    EXPECT_EQ(box.text, "Unable to load settings.\nThese are not valid settings or the settings have been corrupted.  ");
    EXPECT_EQ(std::tuple(box.icon, box.hasOwnerWindow, box.systemModal, box.foreground, box.topmost),
              std::tuple(EffectMessageIcon::Error, false, true, true, true));
    EXPECT_EQ(TestFiles::MaskIds(ChunkText(*first)), TestFiles::MaskIds(text));

    // A header whose size runs past the bytes given never reaches the plug-in.
    std::vector<char> lying = Chunk("Corvanel Sound");
    CEffectChunkHeader header = ReadChunkHeader(lying);
    header.size += 1000;
    WriteChunkHeader(lying, header);
    EXPECT_EQ(first->SetChunk(FourCC("cvqx"), lying), kEffectErrBadChunk);

    // Settings that cannot be written (an alarm name the archive cannot hold) fail.
    PluginOf(*second).GetAlarmManager().RegisterAlarm("a<b", QVXAlarmManager::BandLevelAlarmDescriptor());
    std::vector<char> chunk(1 << 20);
    EXPECT_EQ(std::pair(second->GetChunkSize(FourCC("cvqx"), size), second->GetChunk(FourCC("cvqx"), chunk)),
              std::pair(kEffectErrFailed, kEffectErrFailed));
}

TEST_F(ProcessAdaptorTest, DefaultSettingsGoToTheDirectoryTheRegistryNames)
{
    auto process = MakeProcess("StRT");
    PluginCore& plugin = *process->GetPlugin();
    // Without a directory in the registry they are kept in the configuration directory.
    EXPECT_TRUE(plugin.SaveDefaultSettings("QVX Spectrum Analyzer"));
    EXPECT_TRUE(fs::exists(mDir / "quarvix" / "QVX Spectrum Analyzer.default"));

    const fs::path directory = mDir / "Defaults";
    ASSERT_TRUE(Platform::Registry().SetValue(CVLPTProcess::kDefaultSettingsKey, "", directory.string()));
    ASSERT_TRUE(plugin.SaveDefaultSettings("QVX Spectrum Analyzer"));
    std::string saved;
    ASSERT_TRUE(process->LoadDefaultSettings("QVX Spectrum Analyzer", saved));
    EXPECT_TRUE(fs::exists(directory / "QVX Spectrum Analyzer.default"));
    EXPECT_EQ(TestFiles::MaskIds(saved + "\n").substr(0, 200), TestFiles::MaskIds(ChunkText(*process)).substr(0, 200));
}

// The offline variant, registered by a group as the module's would when its
// description supports offline processing.
class OfflineGroup : public CEffectGroup
{
protected:
    void CreateEffectTypes() override
    {
        DefineManufacturerNamesAndID(CVLGroup::kManufacturerNames, CVLGroup::kManufacturerId);
        DefinePlugInNamesAndID("QVX Spectrum Analyzer", FourCC("QvxS"));
        auto type = std::make_unique<CEffectType>(CVLGroup::kMonoOfflineType, FourCC("QvxS"), 1, 1, true);
        type->DefineCreateProcess(&CreateCVLPTProcessAS);
        type->AttachStandardCapabilities();
        AddEffectType(std::move(type));
    }
};

// 1000 frames with 100 of pre-roll in calls the library cuts into blocks of 64: the
// pre-roll ends inside the third call's second block, then every frame is written once, in order.
TEST(OfflineProcessAdaptorTest, APassOverSeveralCallsWritesTheInputAfterThePrerollExactly)
{
    OfflineGroup group;
    ASSERT_EQ(group.Initialize(), 0);
    EffectInstance* instance = group.GetEngine().CreateInstance(CVLGroup::kMonoOfflineType);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->SetBlockSize(64), kEffectOK);
    ASSERT_EQ(instance->BeginOfflinePass(100), kEffectOK);
    std::vector<float> input(1000), output(1000, -1.0f);
    for (int i = 0; i < 1000; ++i)
        input[i] = std::sin(0.01f * static_cast<float>(i * i));
    std::vector<std::int32_t> written;
    std::size_t from = 0, to = 0;
    for (std::int32_t frames : {30, 50, 120, 300, 500})
    {
        const float* inputs[] = {input.data() + from};
        float* outputs[] = {output.data() + to};
        written.push_back(instance->RenderOffline(inputs, outputs, frames));
        from += static_cast<std::size_t>(frames);
        to += static_cast<std::size_t>(std::max(written.back(), 0));
    }
    EXPECT_EQ(written, (std::vector<std::int32_t>{0, 0, 100, 300, 500}));
    std::vector<float> expected(input.begin() + 100, input.end());
    expected.resize(1000, -1.0f);
    EXPECT_EQ(output, expected);
}

} // namespace
