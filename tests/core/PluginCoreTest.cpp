#include "core/MessageSubscriber.h"
#include "plugin/CVLQuarvixMetaClass.h"
#include "plugin/Quarvix.h"
#include "plugin/QuarvixSpecService.h"
#include "support/MessageLog.h"
#include "support/RecordingPlatform.h"
#include "support/TestCaptureAgent.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <tuple>

namespace
{

const FourCharCode kRest = FourCC("rest");

// A core that records what reaches its hooks.
struct RecordingCore : PluginCore
{
    using PluginCore::PluginCore;
    void OnParameterChanged(const ParameterDescriptor& descriptor, float value) override
    {
        delivered.push_back(value);
        PluginCore::OnParameterChanged(descriptor, value);
    }
    bool AcceptHostParameterChange(const ParameterDescriptor&, float) override { return accept; }
    std::vector<float> delivered;
    bool accept = true;
};

// Ramps on every channel (channel c starts at 1 + 1000 c), outputs zeroed.
struct Audio
{
    Audio(int channels, int frames) : in(channels, std::vector<float>(frames)), out(channels, std::vector<float>(frames))
    {
        for (int c = 0; c < channels; ++c)
        {
            std::iota(in[c].begin(), in[c].end(), 1.0f + 1000.0f * static_cast<float>(c));
            inPtr.push_back(in[c].data());
            outPtr.push_back(out[c].data());
        }
    }
    std::vector<std::vector<float>> in, out;
    std::vector<const float*> inPtr;
    std::vector<float*> outPtr;
};

class QuarvixProcessTest : public ::testing::Test
{
protected:
    TestCaptureAgent& Attach(Quarvix& plugin, bool receivesAudio = true)
    {
        return static_cast<TestCaptureAgent&>(plugin.AttachService(std::make_unique<TestCaptureAgent>(receivesAudio)));
    }
    RecordingPlatform mPlatform;
};

// Hosts may ask for blocks well above the usual 1024 frames: every service is
// told the new size (and always two channels), a mono instance's silence grows
// with it, a call of the maximum reaches the agents whole, a longer one in
// pieces of the maximum, and every sample is analysed. From an empty ring,
// windows of 2048 (the default FFT size) hopping by 1024 complete at every
// 1024th sample from 2048 on: 3 in the first 4096, (14336 - 2048) / 1024 + 1 = 13 in 14336.
TEST_F(QuarvixProcessTest, BlocksAboveTheUsualSizeAreAnalysedEverySample)
{
    for (const ChannelConfig channels : {ChannelConfig{1, 1}, ChannelConfig{2, 2}})
    {
        Quarvix plugin(mPlatform, channels);
        TestCaptureAgent& agent = Attach(plugin);
        TestCaptureAgent& quiet = Attach(plugin, false);
        MessageLog config(&plugin, plugin.GetMsgClass(PluginCoreMessages::kConfigClass));
        plugin.SetSampleRate(48000.0f);
        plugin.SetMaxBlockSize(4096);
        EXPECT_EQ(config.messages, (std::vector<LoggedMessage>{M("srte"), M("blok")}));
        ASSERT_EQ(quiet.formats.size(), 2u);
        const TestCaptureAgent::StreamFormat &rate = quiet.formats[0], &size = quiet.formats[1];
        EXPECT_EQ(std::tuple(rate.rate, rate.maxBlockSize, size.rate, size.maxBlockSize, size.channels),
                  std::tuple(48000.0f, 1024, 48000.0f, 4096, 2));
        EXPECT_EQ(plugin.GetBusyCount(), 0);
        EXPECT_EQ(plugin.GetSilenceBuffer(), std::vector<float>(4096, 0.0f));
        const QuarvixSpecService& spectrum = plugin.GetSpecService();
        const std::uint32_t first = spectrum.GetFrameSequence();
        Audio audio(channels.inputs, 4096 + 10240);
        const std::tuple<std::size_t, std::int32_t, std::uint32_t> calls[] = {{0, 4096, 3}, {4096, 10240, 13}};
        for (const auto& [from, frames, analysed] : calls)
        {
            const float* in[] = {audio.in[0].data() + from, audio.in.back().data() + from};
            float* out[] = {audio.out[0].data() + from, audio.out.back().data() + from};
            plugin.Process(in, out, frames, false, 0);
            EXPECT_EQ(spectrum.GetFrameSequence() - first, analysed);
        }
        EXPECT_EQ(agent.captures, (std::vector<std::int32_t>{4096, 4096, 4096, 2048}));
        EXPECT_EQ(agent.samples, audio.in[0]);
        // The right channel of the last piece, or the silence of a mono instance.
        EXPECT_EQ(agent.lastChannels[1],
                  channels.inputs == 1 ? plugin.GetSilenceBuffer().data() : audio.in.back().data() + 12288);
        EXPECT_EQ(quiet.captureCount, 0);
        EXPECT_EQ(audio.out, audio.in);
    }
}

// An offline pass over several blocks: the pre-roll's frames are analysed and
// never written out, the real output is the input from the first frame after
// them on, exactly and without a gap between blocks, and every input frame is
// analysed once, in order. The pass runs in mode 0 without accumulating,
// whatever it is asked.
TEST_F(QuarvixProcessTest, OfflinePassWritesEveryFrameAfterThePrerollAcrossBlocks)
{
    struct Pass { std::int32_t platformPreroll, preroll; std::vector<std::int32_t> blocks, written; };
    const Pass passes[] = {{0, 16, {10, 100, 40}, {0, 94, 40}}, // 16 when the platform names none
                           {64, 64, {25, 25, 25, 300}, {0, 0, 11, 300}},
                           {5, 5, {5, 1, 7}, {0, 1, 7}}};
    Quarvix plugin(mPlatform, {1, 1});
    TestCaptureAgent& agent = Attach(plugin);
    plugin.SetMaxBlockSize(100); // the block of 300 is processed in pieces
    for (const Pass& pass : passes)
    {
        SCOPED_TRACE("pre-roll " + std::to_string(pass.preroll));
        mPlatform.prerollLength = pass.platformPreroll;
        plugin.PrepareProcessing();
        agent.samples.clear();
        const std::vector<float> input = Audio(1, std::accumulate(pass.blocks.begin(), pass.blocks.end(), 0)).in[0];
        std::vector<float> output(input.size(), -7.0f);
        std::vector<std::int32_t> written;
        std::size_t fed = 0, done = 0;
        for (std::int32_t block : pass.blocks)
        {
            const float* in[] = {input.data() + fed};
            float* out[] = {output.data() + done};
            written.push_back(plugin.ProcessWithPreroll(in, out, block, true, 1));
            fed += static_cast<std::size_t>(block);
            done += static_cast<std::size_t>(written.back());
        }
        EXPECT_EQ(written, pass.written);
        std::vector<float> expected(input.begin() + pass.preroll, input.end());
        expected.resize(input.size(), -7.0f);
        EXPECT_EQ(output, expected);
        EXPECT_EQ(agent.samples, input);
    }
}

// Every transition of the bypass state machine. Capture stops only once bypass
// is complete, and the state advances once per host call however the call is
// cut; the pass-through-only mode neither analyses nor moves the state. The
// audio always passes through.
TEST_F(QuarvixProcessTest, BypassAdvancesOncePerCallAndStopsCaptureOnlyWhenComplete)
{
    Quarvix plugin(mPlatform, {2, 2});
    TestCaptureAgent& agent = Attach(plugin);
    plugin.SetMaxBlockSize(100);
    Audio audio(2, 250);
    // Mode, more frames of the same host call or not, the state after, captured (in pieces of the maximum) or not.
    struct Step { std::int32_t mode; bool continued; BypassState state; bool captured; };
    using enum BypassState;
    const Step steps[] = {{0, false, Active, true},        {1, false, EnteringBypass, true},
                          {1, true, EnteringBypass, true}, {0, false, LeavingBypass, true},
                          {1, false, EnteringBypass, true}, {1, false, Bypassed, false},
                          {1, false, Bypassed, false},      {0, false, LeavingBypass, true},
                          {0, true, LeavingBypass, true},   {2, false, LeavingBypass, false},
                          {2, true, LeavingBypass, false},  {0, false, Active, true}};
    for (const Step& step : steps)
    {
        SCOPED_TRACE("mode " + std::to_string(step.mode) + (step.continued ? " continued" : ""));
        agent.captures.clear();
        for (auto& channel : audio.out)
            std::fill(channel.begin(), channel.end(), 0.0f);
        if (step.continued)
            plugin.ContinueProcess(audio.inPtr.data(), audio.outPtr.data(), 250, false);
        else
            plugin.Process(audio.inPtr.data(), audio.outPtr.data(), 250, false, step.mode);
        EXPECT_EQ(plugin.GetBypassState(), step.state);
        EXPECT_EQ(agent.captures, (step.captured ? std::vector<std::int32_t>{100, 100, 50} : std::vector<std::int32_t>{}));
        EXPECT_EQ(audio.out, audio.in);
    }
}

// Stream format changes are all or nothing, however they fail.
TEST_F(QuarvixProcessTest, RefusedStreamFormatIsPutBackEverywhereAndAccumulationStillWorks)
{
    Quarvix plugin(mPlatform, {2, 2});
    TestCaptureAgent& agent = Attach(plugin);
    plugin.AttachService(std::make_unique<RefusingCaptureAgent>());
    MessageLog config(&plugin, plugin.GetMsgClass(PluginCoreMessages::kConfigClass));

    EXPECT_THROW(plugin.SetMaxBlockSize(4096), std::bad_alloc);
    EXPECT_THROW(plugin.SetSampleRate(96000.0f), std::bad_alloc);
    ASSERT_EQ(std::tuple(plugin.GetMaxBlockSize(), plugin.GetSampleRate(), plugin.GetBusyCount()),
              std::tuple(1024, 44100.0f, 0));
    // The services that took the new format were given the old one back;
    // nobody was told of a change that did not happen.
    ASSERT_FALSE(agent.formats.empty());
    EXPECT_EQ(std::tuple(agent.formats.back().rate, agent.formats.back().maxBlockSize), std::tuple(44100.0f, 1024));
    EXPECT_EQ(plugin.GetSilenceBuffer().size(), 1024u);
    EXPECT_TRUE(config.messages.empty());

    // Accumulating adds to the previous output, in scratch buffers of the old
    // size; processing in place leaves the samples as they are.
    Audio audio(2, 1024);
    std::ranges::fill(audio.out[0], 0.5f);
    std::ranges::fill(audio.out[1], -2.0f);
    plugin.Process(audio.inPtr.data(), audio.outPtr.data(), 1024, true, 0);
    for (std::size_t i = 0; i < 1024; ++i)
        ASSERT_EQ(std::pair(audio.out[0][i], audio.out[1][i]), std::pair(audio.in[0][i] + 0.5f, audio.in[1][i] - 2.0f));
    std::vector<float> inPlace = audio.in[0];
    float* both[] = {inPlace.data(), audio.in[1].data()};
    plugin.Process(both, both, 1024, false, 0);
    EXPECT_EQ(inPlace, audio.in[0]);

    // A listener that fails to follow a change undoes it too, and hears of
    // the old format again.
    int heard = 0;
    MessageHook failing(&plugin, plugin.GetMsgClass(PluginCoreMessages::kConfigClass), [&](std::int32_t) {
        if (++heard == 1)
            throw std::bad_alloc();
    });
    EXPECT_THROW(plugin.SetMaxBlockSize(2048), std::bad_alloc);
    EXPECT_EQ(std::tuple(plugin.GetMaxBlockSize(), agent.formats.back().maxBlockSize, heard, plugin.GetBusyCount()),
              std::tuple(1024, 1024, 2, 0));
}

TEST_F(QuarvixProcessTest, DestroysServicesInReverseOrderOfAttachment)
{
    std::vector<std::string> log;
    {
        Quarvix plugin(mPlatform, {2, 2});
        for (const char* name : {"general", "spectrum", "bands"})
        {
            auto service = std::make_unique<TestCaptureAgent>(false, &log); // those that take no audio too
            service->name = name;
            plugin.AttachService(std::move(service));
        }
        plugin.ResetAnalysis();
    }
    EXPECT_EQ(log, (std::vector<std::string>{"reset general", "reset spectrum", "reset bands", "destroyed bands",
                                             "destroyed spectrum", "destroyed general"}));
}

class ParameterTest : public ::testing::Test
{
protected:
    std::vector<float> Reported() const // the values reported for parameter 0
    {
        std::vector<float> values;
        for (const auto& report : mPlatform.parameterReports)
            values.push_back(report.index == 0 ? report.value : -99.0f);
        return values;
    }
    RecordingPlatform mPlatform;
    RecordingCore mCore{mPlatform, {2, 2}};
    const ParameterDescriptor& mReset = *mCore.GetDescription().FindParameterById(kRest);
};

TEST_F(ParameterTest, PlugInSideChangesAreClampedAndStoredOnlyWhenNeededOrForced)
{
    mCore.SetParameter(kRest, 5.0f);
    EXPECT_EQ(mCore.GetParameterById(kRest), 1.0f);
    mCore.SetParameter(kRest, 1.0f); // unchanged: not passed on
    mCore.SetParameter(kRest, 1.0f, true); // forced
    mCore.SetForcedUpdate(true);
    mCore.SetParameter(kRest, 1.0f);
    mCore.SetForcedUpdate(false);
    mCore.SetForcedUpdate(false); // never below 0
    EXPECT_EQ(mCore.GetForcedUpdateCount(), 0);
    mCore.SetParameter(kRest, -3.0f);
    mCore.SetParameter(FourCC("none"), 1.0f); // unknown ids change nothing
    EXPECT_EQ(Reported(), (std::vector<float>{1.0f, 1.0f, 1.0f, 0.0f}));

    // While busy only forced updates are stored: a sample-rate change makes the
    // core busy, and a control reacting to it must not push values back to the host.
    mPlatform.parameterReports.clear();
    for (const bool forced : {false, true})
    {
        MessageHook reacting(&mCore, mCore.GetMsgClass(PluginCoreMessages::kConfigClass), [&](std::int32_t what) {
            ASSERT_EQ(what, FourCCValue("srte"));
            mCore.SetForcedUpdate(forced);
            mCore.SetParameter(kRest, 1.0f, true);
            mCore.SetForcedUpdate(false);
        });
        mCore.SetSampleRate(forced ? 44100.0f : 48000.0f);
        EXPECT_EQ(mPlatform.parameterReports.size(), forced ? 1u : 0u);
    }
}

TEST_F(ParameterTest, HostChangesAreQueuedAndDeliveredOnFlushButNotTheirEcho)
{
    mCore.OnHostParameterChange(mReset, 1.0f);
    EXPECT_TRUE(mCore.delivered.empty()) << "nothing before the UI thread flushes";
    mCore.FlushHostParameterChanges();
    mCore.FlushHostParameterChanges();
    EXPECT_EQ(mCore.delivered, std::vector<float>{1.0f}) << "delivered once";
    mCore.OnHostParameterChange(mReset, 1.0f); // the same value again is a new press of the switch
    mCore.FlushHostParameterChanges();
    mCore.SetParameterById(kRest, 0.0f);
    mCore.SetParameterById(FourCC("none"), 1.0f);
    mCore.FlushHostParameterChanges();
    EXPECT_EQ(mCore.delivered, (std::vector<float>{1.0f, 1.0f, 0.0f}));
    EXPECT_EQ(mCore.GetBusyCount(), 0);

    // A change the plug-in refuses is not queued.
    mCore.accept = false;
    mCore.OnHostParameterChange(mReset, 1.0f);
    mCore.FlushHostParameterChanges();
    EXPECT_EQ(mCore.delivered.size(), 3u);

    // The host echoing the plug-in's own change is dropped; outside
    // SetParameter the same host call is a real change.
    mCore.accept = true;
    mPlatform.onParameterChanged = [this](std::int32_t, float value) { mCore.OnHostParameterChange(mReset, value); };
    mCore.SetParameter(kRest, 1.0f);
    mCore.FlushHostParameterChanges();
    EXPECT_EQ(mCore.delivered.size(), 3u);
    mPlatform.onParameterChanged = nullptr;
    mCore.OnHostParameterChange(mReset, 1.0f);
    mCore.FlushHostParameterChanges();
    EXPECT_EQ(mCore.delivered.size(), 4u);

    // The analyzer keeps no state in its host parameter: the switch springs back.
    RecordingPlatform platform;
    Quarvix plugin(platform, {1, 1});
    plugin.SetParameter(kRest, 1.0f);
    EXPECT_EQ(std::pair(plugin.GetParameterById(kRest), platform.parameterReports.size()), std::pair(0.0f, 1ul));
}

// Errors go to the editor when it can show them, else to the host; programs
// are named from the factory programs; clearing the clip indicators is announced.
TEST(Instance, ErrorReportsProgramsAndClipClearing)
{
    struct Root : PluginUIRootLink
    {
        bool CanShowError() const override { return canShow; }
        void ShowErrorFrame(const std::string& title, const std::string&, std::int32_t, std::int32_t) override
        {
            shown.push_back(title);
        }
        bool canShow = true;
        std::vector<std::string> shown;
    };
    RecordingPlatform platform;
    Quarvix plugin(platform, {2, 2});
    plugin.ReportError("no editor", "text", 7, 2);
    Root root;
    plugin.SetCurrentUIRoot(&root);
    plugin.ReportError("in editor", "", 0, 2);
    root.canShow = false;
    plugin.ReportError("editor busy", "", 0, 1);
    plugin.SetCurrentUIRoot(nullptr);
    EXPECT_EQ(root.shown, std::vector<std::string>{"in editor"});
    std::vector<std::tuple<std::string, std::string, std::int32_t, std::int32_t>> reported;
    for (const auto& [title, message, code, severity] : platform.errors)
        reported.emplace_back(title, message, code, severity);
    EXPECT_EQ(reported, (decltype(reported){{"no editor", "text", 7, 2}, {"editor busy", "", 0, 1}}));

    MessageLog clip(&plugin, plugin.GetMsgClass(PluginCoreMessages::kClipClass));
    plugin.ClearClipIndicators();
    EXPECT_EQ(clip.messages, std::vector<LoggedMessage>{M("clcl")}) << "clearing the clip indicators is announced";
    EXPECT_EQ(std::tuple(plugin.GetProgramCount(), plugin.GetCurrentProgram(), plugin.GetCurrentProgramName()),
              std::tuple(1, 0, "QVX Spectrum Analyzer"));
    plugin.SetProgramName("Mix bus");
    EXPECT_EQ(plugin.GetProgramName(0), "Mix bus");
    plugin.SetCurrentProgram(3); // no such program
    EXPECT_EQ(std::pair(plugin.GetCurrentProgram(), plugin.GetProgramName(3)), std::pair(0, std::string()));

    // Each instance has its own services; channel layouts are checked.
    Quarvix mono(platform, {1, 1});
    EXPECT_NE(&plugin.GetMessagingServer(), &mono.GetMessagingServer());
    EXPECT_NE(&plugin.GetTimerManager(), &mono.GetTimerManager());
    EXPECT_THROW(PluginCore(platform, {3, 9}), AppFrame::BadParameter);
}

} // namespace
