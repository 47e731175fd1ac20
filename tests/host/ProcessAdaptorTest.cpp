#include "core/PluginCore.h"
#include "host/CVLGroup.h"
#include "host/CVLPTProcess.h"
#include "host/ControlIds.h"
#include "model/QVXAlarmManager.h"
#include "platform/Registry.h"
#include "plugin/Quarvix.h"
#include "support/ProductIdentity.h"
#include "support/TestCaptureAgent.h"
#include "support/FakeClock.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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
    EXPECT_EQ(ControlIdForIndex(0), 0x63746161u); // 'ctaa'
    EXPECT_EQ(ControlIdForIndex(1), FourCC("ctab"));
    EXPECT_EQ(ControlIdForIndex(26), FourCC("ctba"));
    EXPECT_EQ(ControlIdForIndex(27), FourCC("ctbb"));
    EXPECT_EQ(ControlIdForIndex(675), FourCC("ctzz"));
    EXPECT_EQ(ControlIdForIndex(0, false), 0x61617463u); // the other byte order
    EXPECT_EQ(ControlIdForIndex(27, false), 0x62627463u);
    EXPECT_EQ(ControlIdForIndex(676), 0u);
    EXPECT_EQ(ControlIdForIndex(-1), 0u);

    for (std::int32_t index = 0; index < kControlIdIndexCount; ++index)
    {
        ASSERT_EQ(IndexForControlId(ControlIdForIndex(index)), index);
        ASSERT_EQ(IndexForControlId(ControlIdForIndex(index, false), false), index);
    }
    EXPECT_EQ(IndexForControlId(FourCC("bypa")), -1);
    EXPECT_EQ(IndexForControlId(FourCC("ctA{")), -1);
    EXPECT_EQ(IndexForControlId(FourCC("ctz{")), -1);
    EXPECT_EQ(IndexForControlId(FourCC("ctaa"), false), -1);
}

TEST(ErrorTextTest, TitleMessageAndCodeLayout)
{
    EXPECT_EQ(CVLPTProcess::ErrorText("Title", "Message", 0), "Title\nMessage");
    EXPECT_EQ(CVLPTProcess::ErrorText("Title", "", 0), "Title");
    EXPECT_EQ(CVLPTProcess::ErrorText("Title", "", -42), "Title (-42)");
    EXPECT_EQ(CVLPTProcess::ErrorText("Title", "Message", 7), "Title\nMessage : 7");
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
    std::unique_ptr<CVLPTProcess> MakeProcess(FourCharCode type)
    {
        auto process = std::make_unique<CVLPTProcess>();
        process->SetupProcess(*mGroup.FindType(type), mGroup);
        process->EffectInit();
        return process;
    }

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

TEST_F(ProcessAdaptorTest, GroupTypesControlsAndChunkAsTheHostSeesThem)
{
    using namespace ProductIdentity;
    const EffectGroupInfo& info = mGroup.GetInfo();
    EXPECT_EQ(info.manufacturerNames, kManufacturerNames);
    EXPECT_EQ(std::tuple(info.manufacturerId, info.productId), std::tuple(FourCC(kManufacturerId), FourCC(kProductId)));
    EXPECT_EQ(info.productNames, kPluginNames);
    EXPECT_EQ(info.capabilities, std::vector<std::int32_t>{14});
    EXPECT_EQ(info.descriptionText.rfind(kDescriptionText, 0), 0u);
    const std::vector<EffectTypeInfo> types = mGroup.GetEngine().GetTypes();
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(std::tuple(types[0].typeId, types[0].inputs, types[0].outputs), std::tuple(FourCC(kStereoType), 2, 2));
    EXPECT_EQ(std::tuple(types[1].typeId, types[1].inputs, types[1].outputs), std::tuple(FourCC(kMonoType), 1, 1));
    for (const EffectTypeInfo& type : types)
        EXPECT_TRUE(!type.offline && type.names == info.productNames && type.pageTables == "MonoPageTables");

    EffectInstance* instance = mGroup.GetEngine().CreateInstance(FourCC(kMonoType));
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(instance->GetControlCount(), 2);
    EXPECT_EQ(instance->GetMasterBypassIndex(), 1);
    EffectControlInfo bypass, reset;
    ASSERT_EQ(instance->GetControlInfo(1, bypass), kEffectOK);
    ASSERT_EQ(instance->GetControlInfo(2, reset), kEffectOK);
    EXPECT_EQ(std::tuple(bypass.id, bypass.names, bypass.kind),
              std::tuple(FourCC(kBypassId), kBypassNames, EffectControlKind::OnOff));
    EXPECT_EQ(std::tuple(reset.id, reset.names, reset.kind, reset.minimum, reset.maximum, reset.displayKind),
              std::tuple(FourCC(kResetControlId), kResetNames, EffectControlKind::Discrete, 0.0, 1.0, 0));
    EXPECT_EQ(instance->GetControlValueText(2, 1.0, -1), "On");
    EXPECT_EQ(instance->GetControlValueText(2, 0.0, 1), "O"); // the label cut to one character
    ASSERT_EQ(instance->GetChunks().size(), 1u);
    EXPECT_EQ(std::tuple(instance->GetChunks()[0].id, instance->GetChunks()[0].name),
              std::tuple(FourCC(kChunkId), kChunkName));
}

TEST_F(ProcessAdaptorTest, RenderPassesAudioAndSubstitutesMissingChannels)
{
    auto process = MakeProcess(FourCC("StRT"));
    EXPECT_EQ(process->GetHostName(), "Pro Tools");
    ASSERT_EQ(process->SetBlockSize(64), kEffectOK);
    std::vector<float> left(100), outLeft(100, 9.0f);
    for (int i = 0; i < 100; ++i)
        left[i] = std::sin(0.1f * static_cast<float>(i));
    const float* inputs[] = {left.data(), nullptr};
    float* outputs[] = {outLeft.data(), nullptr}; // the right output goes to the process's scratch
    process->Render(inputs, outputs, 100);
    EXPECT_EQ(outLeft, left);
    EXPECT_EQ(process->GetPlugin()->GetSamplePosition(), 64); // the second piece starts at frame 64
    EXPECT_EQ(process->GetPlugin()->GetBypassState(), BypassState::Active);
}

TEST_F(ProcessAdaptorTest, AudioCountsAsRunningWhileRenderCallsArrive)
{
    FakeClock clock;
    FakeClock::ms = 5000;
    auto process = MakeProcess(FourCC("mnRT"));
    EXPECT_FALSE(process->GetPlugin()->IsAudioRunning()) << "no call yet";
    std::vector<float> samples(64);
    const float* inputs[] = {samples.data()};
    float* outputs[] = {samples.data()};
    process->Render(inputs, outputs, 64);
    FakeClock::ms += 249;
    EXPECT_TRUE(process->GetPlugin()->IsAudioRunning());
    FakeClock::ms += 1;
    EXPECT_FALSE(process->GetPlugin()->IsAudioRunning()) << "a quarter of a second without a call";
}

// The bypass switch takes effect once per host call, however many pieces the
// call is cut into (by the library's block size or the plug-in's maximum).
TEST_F(ProcessAdaptorTest, BypassAdvancesOncePerHostCallHoweverTheCallIsCut)
{
    auto process = MakeProcess(FourCC("StRT"));
    ASSERT_EQ(process->SetBlockSize(256), kEffectOK);
    auto& plugin = dynamic_cast<Quarvix&>(*process->GetPlugin());
    auto& agent = static_cast<TestCaptureAgent&>(plugin.AttachService(std::make_unique<TestCaptureAgent>()));
    std::vector<float> left(1024, 0.5f), right(1024, -0.5f), outLeft(1024), outRight(1024);
    const float* inputs[] = {left.data(), right.data()};
    float* outputs[] = {outLeft.data(), outRight.data()};

    struct Step
    {
        double bypass;
        BypassState state;
        std::int32_t captured;
    };
    const Step steps[] = {{1.0, BypassState::EnteringBypass, 1024},
                          {1.0, BypassState::Bypassed, 0},
                          {0.0, BypassState::LeavingBypass, 1024},
                          {0.0, BypassState::Active, 1024}};
    for (const Step& step : steps)
    {
        ASSERT_EQ(process->SetControlValue(CVLPTProcess::kMasterBypassControlIndex, step.bypass), kEffectOK);
        agent.captures.clear();
        process->Render(inputs, outputs, 1024);
        EXPECT_EQ(plugin.GetBypassState(), step.state) << "bypass " << step.bypass;
        EXPECT_EQ(std::accumulate(agent.captures.begin(), agent.captures.end(), 0), step.captured)
            << "bypass " << step.bypass;
        EXPECT_EQ(outRight, right);
    }
}

TEST_F(ProcessAdaptorTest, RefusedStreamFormatIsReportedAndChangesNothing)
{
    auto process = MakeProcess(FourCC("StRT"));
    auto& plugin = dynamic_cast<Quarvix&>(*process->GetPlugin());
    plugin.AttachService(std::make_unique<RefusingCaptureAgent>());
    EXPECT_EQ(process->SetBlockSize(4096), kEffectErrFailed);
    EXPECT_EQ(process->SetSampleRate(96000.0), kEffectErrFailed);
    EXPECT_EQ(std::tuple(process->GetBlockSize(), plugin.GetMaxBlockSize(), plugin.GetSilenceBuffer().size()),
              std::tuple(1024, 1024, std::size_t{1024}));
    EXPECT_EQ(std::tuple(process->GetSampleRate(), plugin.GetSampleRate(), plugin.GetBusyCount()),
              std::tuple(44100.0, 44100.0f, 0));

    // Not left busy: the plug-in's own parameter changes still reach the host.
    plugin.SetParameter(FourCC("rest"), 1.0f);
    EXPECT_EQ(process->GetControlValue(2), 1.0);

    // Pieces and substitute channels still agree on the size.
    std::vector<float> left(3000, 0.25f), outLeft(3000);
    const float* inputs[] = {left.data(), nullptr};
    float* outputs[] = {outLeft.data(), nullptr};
    process->Render(inputs, outputs, 3000);
    EXPECT_EQ(outLeft, left);

    ASSERT_EQ(process->SetBlockSize(2048), kEffectOK);
    EXPECT_EQ(plugin.GetMaxBlockSize(), 2048);
}

TEST_F(ProcessAdaptorTest, PluginSideParameterChangesReachTheHostControl)
{
    auto process = MakeProcess(FourCC("mnRT"));
    EXPECT_EQ(process->GetControlValue(2), 0.0);
    process->GetPlugin()->SetParameter(FourCC("rest"), 1.0f);
    EXPECT_EQ(process->GetControlValue(2), 1.0);
    process->GetPlugin()->SetParameter(FourCC("rest"), 5.0f); // clamped by the descriptor
    EXPECT_EQ(process->GetControlValue(2), 1.0);
    process->OnPluginParameterChanged(7, 1.0f); // no such control: ignored
    EXPECT_EQ(process->GetNumControls(), 2);
}

// Only the framing is the adaptor's: what the settings text holds and how it
// restores an instance is checked with the plug-in's own settings.
TEST_F(ProcessAdaptorTest, ChunkIsTheSettingsTextAfterTheHeader)
{
    auto first = MakeProcess(FourCC("StRT"));
    const std::string text = ChunkText(*first); // checks the header's size against the size asked
    EXPECT_EQ(TestFiles::MaskIds(text), TestFiles::MaskIds(first->GetPlugin()->GetChunk(true)));
    std::int32_t size = 0;

    // Too small a buffer is refused with the size needed, never cut short.
    std::vector<char> small(100);
    EXPECT_EQ(first->GetChunk(FourCC("cvqx"), small), kEffectErrChunkTooSmall);
    EXPECT_EQ(static_cast<std::size_t>(ReadChunkHeader(small).size), text.size() + 56);
    EXPECT_EQ(first->GetChunkSize(FourCC("othr"), size), kEffectErrUnknownChunk);

    // The bytes after the header, as many as its size counts, are the current program's settings.
    auto second = MakeProcess(FourCC("StRT"));
    ASSERT_EQ(second->SetChunk(FourCC("cvqx"), Chunk(text)), kEffectOK);
    EXPECT_EQ(second->GetPlugin()->GetCurrentText(), text);
    EXPECT_TRUE(mHost.boxes.empty());
}

TEST_F(ProcessAdaptorTest, RefusedChunkIsReportedOnceInASystemModalBox)
{
    auto process = MakeProcess(FourCC("mnRT"));
    const std::string before = TestFiles::MaskIds(ChunkText(*process));
    ASSERT_EQ(process->SetChunk(FourCC("cvqx"), Chunk("<obj_archive>no maker's name</obj_archive>")), kEffectOK);
    ASSERT_EQ(mHost.boxes.size(), 1u);
    const EffectMessageBox& box = mHost.boxes[0];
    EXPECT_EQ(box.caption, ProductIdentity::kErrorCaption);
    EXPECT_EQ(box.text, "Unable to load settings.\nThese are not valid settings or the settings have been corrupted.  ");
    EXPECT_EQ(std::tuple(box.icon, box.hasOwnerWindow, box.systemModal, box.foreground, box.topmost),
              std::tuple(EffectMessageIcon::Error, false, true, true, true));
    EXPECT_EQ(TestFiles::MaskIds(ChunkText(*process)), before);

    ASSERT_EQ(process->SetChunk(FourCC("cvqx"), Chunk("still not ours")), kEffectOK);
    EXPECT_EQ(mHost.boxes.size(), 1u);

    // A header whose size runs past the bytes given never reaches the plug-in.
    std::vector<char> lying = Chunk("Corvanel Sound");
    CEffectChunkHeader header = ReadChunkHeader(lying);
    header.size += 1000;
    WriteChunkHeader(lying, header);
    EXPECT_EQ(process->SetChunk(FourCC("cvqx"), lying), kEffectErrBadChunk);
}

TEST_F(ProcessAdaptorTest, DefaultSettingsGoToTheDirectoryTheRegistryNames)
{
    auto process = MakeProcess(FourCC("StRT"));
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

// Settings that cannot be written (an alarm whose name the archive cannot
// hold) are a failure at the host, never an empty chunk.
TEST_F(ProcessAdaptorTest, AFailedSaveIsAnErrorNeverAnEmptyChunk)
{
    auto process = MakeProcess(FourCC("StRT"));
    dynamic_cast<Quarvix&>(*process->GetPlugin())
        .GetAlarmManager()
        .RegisterAlarm("a<b", QVXAlarmManager::BandLevelAlarmDescriptor());
    std::int32_t size = 0;
    EXPECT_EQ(process->GetChunkSize(FourCC("cvqx"), size), kEffectErrFailed);
    std::vector<char> chunk(1 << 20);
    EXPECT_EQ(process->GetChunk(FourCC("cvqx"), chunk), kEffectErrFailed);
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

// A pass of 1000 frames with 100 of pre-roll, handed over in calls of several
// sizes that the library cuts into blocks of 64: the pre-roll ends inside the
// third call's second block, and from there every frame is written once, in order.
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
    EXPECT_EQ(std::vector<float>(output.begin(), output.begin() + 900),
              std::vector<float>(input.begin() + 100, input.end()));
    EXPECT_EQ(std::vector<float>(output.begin() + 900, output.end()), std::vector<float>(100, -1.0f));
}

} // namespace
