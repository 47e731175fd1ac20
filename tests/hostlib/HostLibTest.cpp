#include "base/FourCC.h"
#include "hostlib/CEffectGroup.h"
#include "hostlib/CEffectProcess.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace
{

using namespace HostLib;

constexpr auto Code = FourCC;

// What the views were asked to do: attaches, detaches, the last window and place.
struct ViewLog
{
    int attached = 0, detached = 0;
    void* window = nullptr;
    std::int32_t x = 0, y = 0;
} gViewLog;

class TestView : public CPlugInView
{
public:
    void AttachToWindow(void* window, std::int32_t x, std::int32_t y) override
    {
        gViewLog = {gViewLog.attached + 1, gViewLog.detached, window, x, y};
    }
    void Detach() override { ++gViewLog.detached; }
};

// A process that copies input to output (null outputs skipped) and records
// what the library hands it.
class TestProcess : public CEffectProcess
{
public:
    // Each piece handed to RenderAudio: frames, position, offset in the host's call, input missing.
    using Call = std::tuple<std::int32_t, std::int64_t, std::int32_t, bool>;
    std::vector<Call> calls;
    std::vector<std::int32_t> updatedControls;
    std::string chunkText = "settings";
    std::string grownText; // what the text becomes after the first size question
    std::string receivedText;
    int sampleRateChanges = 0;
    bool offerView = true;
    bool refuseFormat = false; // as a process that cannot get the memory a format needs

    void EffectInit() override
    {
        DefineMasterBypassControlIndex(AddControl(std::make_unique<CPluginControl_OnOff>(Code("bypa"), "Bypass\nByp", false)));
        AddControl(std::make_unique<CPluginControl_Discrete>(Code("ctaa"), "Mode", 1, 3, 2));
        AddControl(std::make_unique<CPluginControl_Linear>(Code("ctab"), "Gain\nGn", -12.0, 12.0, 0.0));
        DefineChunk(Code("tchk"), "Test Chunk With A Name Longer Than Thirty-Two Bytes");
    }

    EffectStatus GetChunkSize(FourCharCode id, std::int32_t& size) override
    {
        if (id != Code("tchk"))
            return CEffectProcess::GetChunkSize(id, size);
        size = static_cast<std::int32_t>(chunkText.size()) + kChunkHeaderSize;
        if (!grownText.empty())
            chunkText = grownText;
        return kEffectOK;
    }
    EffectStatus GetChunk(FourCharCode id, std::span<char> chunk) override
    {
        if (id != Code("tchk"))
            return CEffectProcess::GetChunk(id, chunk);
        CEffectChunkHeader header = ReadChunkHeader(chunk);
        header.size = static_cast<std::int32_t>(chunkText.size()) + kChunkHeaderSize;
        WriteChunkHeader(chunk, header);
        if (chunk.size() < static_cast<std::size_t>(header.size))
            return kEffectErrChunkTooSmall;
        std::memcpy(chunk.data() + kChunkHeaderSize, chunkText.data(), chunkText.size());
        return kEffectOK;
    }
    EffectStatus SetChunk(FourCharCode id, std::span<const char> chunk) override
    {
        if (id != Code("tchk"))
            return CEffectProcess::SetChunk(id, chunk);
        const CEffectChunkHeader header = ReadChunkHeader(chunk);
        receivedText.assign(chunk.data() + kChunkHeaderSize, static_cast<std::size_t>(header.size - kChunkHeaderSize));
        return kEffectOK;
    }

protected:
    void RenderAudio(const float* const* inputs, float* const* outputs, std::int32_t frames) noexcept override
    {
        calls.emplace_back(frames, GetSamplePosition(), GetRenderCallOffset(), inputs[0] == nullptr);
        for (std::int32_t c = 0; c < GetNumOutputs(); ++c)
            if (inputs[c] && outputs[c])
                std::memcpy(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames));
    }
    void SampleRateChanged() override
    {
        BlockSizeChanged(); // refuses alike
        ++sampleRateChanges;
    }
    void BlockSizeChanged() override
    {
        if (refuseFormat)
            throw std::bad_alloc();
    }
    void UpdateControlValueInAlgorithm(std::int32_t index) override { updatedControls.push_back(index); }
    std::unique_ptr<CPlugInView> CreateCPlugInView() override
    {
        return offerView ? std::make_unique<TestView>() : nullptr;
    }
};

TestProcess* gLastProcess = nullptr;

class TestGroup : public CEffectGroup
{
public:
    bool declareTypes = true;
    bool throwInCreate = false;

protected:
    void CreateEffectTypes() override
    {
        if (throwInCreate)
            throw std::runtime_error("types");
        DefineManufacturerNamesAndID("Maker\nMk", Code("Mkr "));
        DefinePlugInNamesAndID("Product", Code("Prod"));
        if (!declareTypes)
            return;
        auto stereo = std::make_unique<CEffectType>(Code("StRT"), Code("Prod"), 2, 2, false);
        stereo->DefineCreateProcess([]() -> CEffectProcess* { return gLastProcess = new TestProcess(); });
        stereo->AttachStandardCapabilities();
        AddEffectType(std::move(stereo));
        auto broken = std::make_unique<CEffectType>(Code("brkn"), Code("Prod"), 1, 1, false);
        broken->DefineCreateProcess([]() -> CEffectProcess* { return nullptr; });
        AddEffectType(std::move(broken));
    }
};

class HostLibTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(mGroup.Initialize(), 0);
        mInstance = mGroup.GetEngine().CreateInstance(Code("StRT"));
        ASSERT_NE(mInstance, nullptr);
        mProcess = gLastProcess;
    }
    // Renders `frames` of two channels, which must pass through.
    void Render(std::int32_t frames)
    {
        std::vector<float> in(static_cast<std::size_t>(2 * frames)), out(in.size(), -1.0f);
        std::iota(in.begin(), in.end(), 0.0f);
        const float* inputs[] = {in.data(), in.data() + frames};
        float* outputs[] = {out.data(), out.data() + frames};
        mInstance->Render(inputs, outputs, frames);
        EXPECT_EQ(out, in);
    }

    TestGroup mGroup;
    EffectInstance* mInstance = nullptr;
    TestProcess* mProcess = nullptr;
};

TEST_F(HostLibTest, EngineCreatesAndDestroysInstancesEachWithItsHostAndWindow)
{
    EffectEngine& engine = mGroup.GetEngine();
    const EffectGroupInfo info = engine.GetGroupInfo();
    EXPECT_EQ(std::pair(info.manufacturerId, info.productNames), std::pair(Code("Mkr "), std::string("Product")));
    const std::vector<EffectTypeInfo> types = engine.GetTypes();
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(std::tuple(types[0].typeId, types[0].inputs, types[0].offline), std::tuple(Code("StRT"), 2, false));
    EXPECT_EQ(mInstance->BeginOfflinePass(4), kEffectErrNotOffline); // real-time types refuse offline passes

    EXPECT_EQ(engine.CreateInstance(Code("none")), nullptr);
    EXPECT_EQ(engine.CreateInstance(Code("brkn")), nullptr);
    EXPECT_EQ(mGroup.GetInstanceCount(), 1u);
    EXPECT_EQ(std::pair(mInstance->GetSampleRate(), mInstance->GetBlockSize()), std::pair(44100.0, 1024));

    // A window opens once and closes with its view; one still open goes with its instance.
    gViewLog = {};
    int window = 0;
    EXPECT_FALSE(mInstance->IsWindowOpen());
    EXPECT_EQ(mInstance->CloseWindow(), kEffectErrNoView);
    ASSERT_EQ(mInstance->OpenWindow(&window, 5, 6), kEffectOK);
    EXPECT_TRUE(mInstance->IsWindowOpen());
    EXPECT_EQ(std::tuple(gViewLog.window, gViewLog.x, gViewLog.y), std::tuple(static_cast<void*>(&window), 5, 6));
    EXPECT_EQ(mInstance->OpenWindow(&window, 0, 0), kEffectErrWindowOpen);
    EXPECT_EQ(mInstance->CloseWindow(), kEffectOK);
    EXPECT_FALSE(mInstance->IsWindowOpen());
    EXPECT_EQ(std::pair(gViewLog.attached, gViewLog.detached), std::pair(1, 1));
    ASSERT_EQ(mInstance->OpenWindow(nullptr, 0, 0), kEffectOK);
    engine.DestroyInstance(mInstance);
    EXPECT_EQ(std::pair(mGroup.GetInstanceCount(), gViewLog.detached), std::pair(std::size_t{0}, 2));
    EffectInstance* viewless = engine.CreateInstance(Code("StRT"));
    gLastProcess->offerView = false;
    EXPECT_EQ(viewless->OpenWindow(nullptr, 0, 0), kEffectErrNoView);

    // An instance keeps the host it was created for when the group gets another.
    struct CountingHost : EffectHost
    {
        int boxes = 0;
        void ShowMessageBox(const EffectMessageBox&) override { ++boxes; }
    } first, second;
    mGroup.SetHost(&first);
    engine.CreateInstance(Code("StRT"));
    TestProcess* firstProcess = gLastProcess;
    mGroup.SetHost(&second);
    engine.CreateInstance(Code("StRT"));
    firstProcess->ShowMessageBox({});
    gLastProcess->ShowMessageBox({});
    gLastProcess->ShowMessageBox({});
    EXPECT_EQ(std::pair(first.boxes, second.boxes), std::pair(1, 2));

    TestGroup noTypes, throwing;
    noTypes.declareTypes = false;
    throwing.throwInCreate = true;
    EXPECT_EQ(std::pair(noTypes.Initialize(), throwing.Initialize()), std::pair(kGroupErrIncomplete, kGroupErrInitFailed));
}

// A format outside the type's range, or one the process cannot take on, is
// refused and leaves the old one: render goes on cutting pieces of at most the
// size the process was made for, each knowing where it lies in the host's call
// and on the timeline.
TEST_F(HostLibTest, StreamFormatIsAllOrNothingAndRenderCutsPiecesOfTheBlockSize)
{
    EXPECT_EQ(mInstance->SetSampleRate(96000.0), kEffectOK);
    EXPECT_EQ(mInstance->SetSampleRate(192001.0), kEffectErrBadValue);
    EXPECT_EQ(mInstance->SetSampleRate(7999.0), kEffectErrBadValue);
    EXPECT_EQ(std::pair(mInstance->GetSampleRate(), mProcess->sampleRateChanges), std::pair(96000.0, 1));
    EXPECT_EQ(mInstance->SetBlockSize(0), kEffectErrBadValue);
    EXPECT_EQ(mInstance->SetBlockSize(7), kEffectOK);

    mProcess->refuseFormat = true;
    EXPECT_EQ(mInstance->SetBlockSize(1 << 28), kEffectErrFailed);
    EXPECT_EQ(mInstance->SetSampleRate(48000.0), kEffectErrFailed);
    EXPECT_EQ(std::pair(mInstance->GetBlockSize(), mInstance->GetSampleRate()), std::pair(7, 96000.0));
    Render(10);
    Render(3);
    // Channels the host does not supply arrive as null pointers; no frames, no piece.
    std::vector<float> left(3), right(3);
    float* outputs[] = {left.data(), right.data()};
    mInstance->Render(nullptr, outputs, 3);
    mInstance->Render(nullptr, outputs, 0);
    EXPECT_EQ(mProcess->calls, (std::vector<TestProcess::Call>{{7, 0, 0, false}, {3, 7, 7, false}, {3, 10, 0, false}, {3, 13, 0, true}}));
}

TEST_F(HostLibTest, ControlsAreConstrainedDescribedAndReachTheProcess)
{
    ASSERT_EQ(std::pair(mInstance->GetControlCount(), mInstance->GetMasterBypassIndex()), std::pair(3, 1));
    EffectControlInfo info;
    ASSERT_EQ(mInstance->GetControlInfo(2, info), kEffectOK);
    EXPECT_EQ(std::tuple(info.id, info.kind, info.steps, info.defaultValue),
              std::tuple(Code("ctaa"), EffectControlKind::Discrete, 3, 2.0));
    EXPECT_EQ(std::pair(mInstance->GetControlInfo(0, info), mInstance->GetControlInfo(4, info)),
              std::pair(kEffectErrBadIndex, kEffectErrBadIndex));

    // Each value is constrained to its control: rounded, clamped, NaN to the default.
    const auto set = [this](std::int32_t index, double value) {
        EXPECT_EQ(mInstance->SetControlValue(index, value), kEffectOK);
        return mInstance->GetControlValue(index);
    };
    EXPECT_EQ((std::vector<double>{set(2, 2.6), set(2, -40.0), set(2, std::nan("")), set(3, 20.0), set(3, std::nan(""))}),
              (std::vector<double>{3.0, 1.0, 2.0, 12.0, 0.0})); // a braced list runs the calls in order
    EXPECT_EQ(mInstance->SetControlValue(9, 1.0), kEffectErrBadIndex);
    EXPECT_EQ(mProcess->updatedControls, (std::vector<std::int32_t>{2, 2, 2, 3, 3}));

    EXPECT_EQ((std::vector<std::string>{mInstance->GetControlValueText(1, 1.0, -1), mInstance->GetControlValueText(1, 0.0, 2),
                                        mInstance->GetControlValueText(2, 2.4, -1), mInstance->GetControlValueText(3, -3.14159, -1),
                                        mInstance->GetControlValueText(3, -3.14159, 3), mInstance->GetControlValueText(7, 0.0, -1)}),
              (std::vector<std::string>{"on", "of", "2", "-3.14", "-3.", ""}));
}

TEST_F(HostLibTest, ChunkCountsTheFiftySixByteHeaderWhichIsFilledInOnGetAndCheckedOnSet)
{
    EXPECT_EQ(mInstance->GetChunkSize(Code("tchk")), 56 + 8);
    EXPECT_EQ(mInstance->GetChunkSize(Code("othr")), kEffectErrUnknownChunk);
    std::vector<char> chunk;
    ASSERT_EQ(mInstance->GetChunk(Code("tchk"), chunk), kEffectOK);
    ASSERT_EQ(chunk.size(), 64u);
    const CEffectChunkHeader header = ReadChunkHeader(chunk);
    EXPECT_EQ(std::tuple(header.size, header.version, header.manufacturerId, header.productId, header.typeId, header.chunkId),
              std::tuple(64, kChunkVersion, Code("Mkr "), Code("Prod"), Code("StRT"), Code("tchk")));
    EXPECT_EQ(std::string(header.name, 32), std::string("Test Chunk With A Name Longer Than Thirty-Two Bytes", 32));
    EXPECT_EQ(std::string(chunk.begin() + 56, chunk.end()), "settings");
    EXPECT_EQ(mInstance->GetChunk(Code("othr"), chunk), kEffectErrUnknownChunk);

    // A chunk that grows after the size question is still fetched whole.
    mProcess->grownText = "settings that grew longer";
    ASSERT_EQ(mInstance->GetChunk(Code("tchk"), chunk), kEffectOK);
    EXPECT_EQ(ReadChunkHeader(chunk).size, 56 + 25);
    EXPECT_EQ(std::string(chunk.begin() + 56, chunk.end()), "settings that grew longer");

    // Set takes the header's size less the header, and refuses sizes that do not fit.
    chunk.assign(56 + 10, 'z');
    const auto set = [&](std::int32_t size, FourCharCode id, std::span<const char> bytes) {
        CEffectChunkHeader header;
        header.size = size;
        WriteChunkHeader(chunk, header);
        return mInstance->SetChunk(id, bytes);
    };
    std::memcpy(chunk.data() + 56, "abcdef", 6);
    ASSERT_EQ(set(56 + 6, Code("tchk"), chunk), kEffectOK); // the bytes beyond the size are not the chunk's
    EXPECT_EQ(mProcess->receivedText, "abcdef");

    mProcess->receivedText = "unchanged";
    EXPECT_EQ(set(56 + 11, Code("tchk"), chunk), kEffectErrBadChunk); // beyond the buffer
    EXPECT_EQ(set(55, Code("tchk"), chunk), kEffectErrBadChunk);      // shorter than its own header
    EXPECT_EQ(set(56, Code("tchk"), std::span<const char>(chunk.data(), 20)), kEffectErrBadChunk);
    EXPECT_EQ(mProcess->receivedText, "unchanged");
    EXPECT_EQ(set(56, Code("othr"), chunk), kEffectErrUnknownChunk);
}

} // namespace
