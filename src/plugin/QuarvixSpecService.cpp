#include "plugin/QuarvixSpecService.h"

#include "analysis/AntiDenormal.h"
#include "plugin/QVXGeneralSpecService.h"
#include "core/PluginCore.h"
#include "model/QVXSpecConfig.h"
#include "model/QVXSpecConfigArchive.h"

#include <algorithm>

namespace
{
constexpr std::string_view kArchiveName = "QuarvixSpecService";
// Where an FFT size the transform refuses is reported from.
constexpr AppFrame::FixedErrorLocation kBadFftSizeLocation{"QuarvixSpecService", 238};
} // namespace

// --- MsgProxy ----------------------------------------------------------------

QuarvixSpecService::MsgProxy::MsgProxy(PluginServices* services, QuarvixSpecService* service)
    : MessageSubscriber<MsgProxy>(services), mService(service)
{
}

void QuarvixSpecService::MsgProxy::OnConfigMessage(std::int32_t what)
{
    using namespace QVXSpecConfigMessages;
    if (what == kAnalysisChannel)
        mService->ApplyChannelMode();
    else if (what == kFftSize)
        mService->Reconfigure();
    else if (what == kSpecWeighting)
        mService->ApplyWeighting();
    else if (what == kWinType)
        mService->ApplyWindowType();
}

// --- Service -----------------------------------------------------------------

QuarvixSpecService::QuarvixSpecService() : SpecCaptureAgentDyn(kSlotCount) {}

QuarvixSpecService::~QuarvixSpecService()
{
    // No configuration message may reach a half-destroyed service.
    mMsgProxy.reset();
}

void QuarvixSpecService::Save(Serialization::Archive& archive)
{
    SaveServiceMarker(archive, *this, kArchiveName);
}

void QuarvixSpecService::Load(Serialization::Archive& archive)
{
    LoadServiceMarker(archive, kArchiveName, GetTypeName());
}

void QuarvixSpecService::SetCore(PluginCore* core)
{
    QuarvixService::SetCore(core);
    mSpecConfig = ConnectConfigProxy(core, this, mMsgProxy);
}

bool QuarvixSpecService::IsMonoInstance() const
{
    PluginCore* core = GetCore();
    return core->GetChannelConfig().inputs < 2;
}

void QuarvixSpecService::SetStreamFormat(float sampleRate, std::int32_t maxBlockSize,
                                         std::int32_t channels)
{
    mSampleRate = sampleRate;
    mMaxBlockSize = std::max(maxBlockSize, 1);
    mChannelCount = std::clamp(channels, 1, 2);
    mStereo = !IsMonoInstance();
    ApplyChannelMode();

    // No half-configured frame may be handed over while everything changes.
    const bool wasEnabled = IsEnabled();
    if (wasEnabled)
        SetEnabled(false);
    Reconfigure();
    {
        PlatformMutexLock lock(mGuard);
        for (auto& buffer : mWeighted)
            buffer.assign(static_cast<std::size_t>(mMaxBlockSize), 0.0f);
        SetUpWeighting(mChannelCount, static_cast<int>(sampleRate));
    }
    if (wasEnabled)
        SetEnabled(true);
    ApplyWeighting();
}

void QuarvixSpecService::Reconfigure()
{
    if (!mSpecConfig)
        return;
    // Everything of the new size is built before anything is replaced, so a
    // failure (out of memory) leaves the service analysing at its old size
    // instead of with half-built tables.
    const std::int32_t size = mSpecConfig->GetFftSize();
    int order = 0;
    QVXFFTTables tables;
    if (InitFFT(size, order, tables) != 0)
        throw AppFrame::BadParameter(kBadFftSizeLocation);
    std::vector<std::array<float, 2>> ring(static_cast<std::size_t>(2 * size + 2), {0.0f, 0.0f});
    std::vector<float> work(static_cast<std::size_t>(size), 0.0f);
    QVXWindowSet windows;
    windows.BuildWindows(size);

    PlatformMutexLock lock(mGuard);
    swap(mTables, tables);
    mRing.swap(ring);
    mWork.swap(work);
    std::swap(mWindows, windows);
    mFftSize = size;
    mHop = size / 2;
    mOrder = order;
    mWrapLimit = 2 * size - 1;
    mWindowType = mSpecConfig->GetWinType();
    ClearRing();
    Configure(mMaxBlockSize, kSlotLength, mChannelCount);
}

void QuarvixSpecService::ResetAnalysis()
{
    PlatformMutexLock lock(mGuard);
    ClearRing();
}

void QuarvixSpecService::ClearRing() noexcept
{
    std::fill(mRing.begin(), mRing.end(), std::array<float, 2>{0.0f, 0.0f});
    mReadIndex = 0;
    mWriteIndex = 0;
    mFillCount = 0;
    mHopPhase = 0;
}

void QuarvixSpecService::SetCaptureMode(std::int32_t mode)
{
    PlatformMutexLock lock(mGuard);
    SetMode(mode);
}

void QuarvixSpecService::ApplyChannelMode()
{
    std::int32_t mode = kModeLeft;
    if (mSpecConfig && !IsMonoInstance())
    {
        mode = mSpecConfig->GetAnalysisChannel();
        if (mode < kModeLeft || mode > kModeSum)
            mode = kModeSum;
    }
    PlatformMutexLock lock(mGuard);
    mChannelMode = mode;
}

void QuarvixSpecService::ApplyWindowType()
{
    if (!mSpecConfig)
        return;
    PlatformMutexLock lock(mGuard);
    mWindowType = mSpecConfig->GetWinType();
}

void QuarvixSpecService::ApplyWeighting()
{
    if (!mSpecConfig)
        return;
    const std::int32_t curve = mSpecConfig->GetSpecWeighting();
    PlatformMutexLock lock(mGuard);
    SelectWeighting(curve >= 1 && curve <= 3 ? curve : 0);
}

// --- Real-time path --------------------------------------------------------------

void QuarvixSpecService::Capture(const CaptureChannels& channels, std::int32_t frames) noexcept
{
    if (!IsActive() || !mSpecConfig || frames <= 0)
        return;
    const std::int32_t view = mSpecConfig->GetSpectrumView();
    if ((view != QVXSpecConfig::kAnaFFT && view != QVXSpecConfig::kAnaSpectrogram) ||
        !mSpecConfig->GetAnaEnabled())
        return;
    if (!mGuard.Lock(true))
        return; // the UI thread is reconfiguring: this block is not analysed
    if (mFftSize == 0 || frames > mMaxBlockSize)
    {
        mGuard.Unlock();
        return;
    }

    const float* left = channels[0];
    const float* right = mChannelCount == 2 ? channels[1] : nullptr;
    if (IsWeightingActive())
    {
        const float* inputs[2] = {left, mStereo ? right : nullptr};
        float* outputs[2] = {mWeighted[0].data(), mWeighted[1].data()};
        QVXWeightingProcessor::ApplyWeighting(inputs, outputs, frames);
        left = outputs[0];
        right = mStereo && right ? outputs[1] : nullptr;
    }
    if (!mStereo)
        right = nullptr;

    std::int32_t done = 0;
    // Finish the hop an earlier block started; a window it completes is
    // analysed now, so windows lie on the hop grid of the stream whatever
    // blocks the host cuts it into.
    if (mHopPhase != 0)
    {
        const std::int32_t count = std::min(mHop - mHopPhase, frames);
        AntiDenormalRun noise(static_cast<std::uint32_t>(count));
        WriteSamples(left, right, count, &noise);
        done = count;
        mFillCount += count;
        if (mFillCount >= mFftSize)
        {
            AnalyseNewestWindow();
            mReadIndex = (mReadIndex + mHop) % (2 * mFftSize);
            mFillCount -= mHop;
        }
    }
    mHopPhase = (mHopPhase + frames) % mHop;

    while (done < frames)
    {
        const std::int32_t count = std::min(mHop, frames - done);
        WriteSamples(left + done, right ? right + done : nullptr, count);
        done += count;
        mFillCount += count;
        if (mFillCount >= mFftSize)
        {
            AnalyseNewestWindow();
            mReadIndex = (mReadIndex + mHop) % (2 * mFftSize);
            mFillCount -= mHop;
        }
    }
    mGuard.Unlock();
}

void QuarvixSpecService::WriteSamples(const float* left, const float* right, std::int32_t count,
                                      AntiDenormalRun* noise) noexcept
{
    // In runs up to the ring's end, so that the copy itself tests nothing.
    while (count > 0)
    {
        const auto room = static_cast<std::int64_t>(mWrapLimit) - mWriteIndex + 1;
        const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(count, room));
        std::array<float, 2>* record = mRing.data() + mWriteIndex;
        if (noise)
        {
            // The same value on both channels of a frame.
            for (std::int32_t i = 0; i < run; ++i)
            {
                const float d = noise->Next();
                record[i][0] = left[i] + d;
                if (mStereo)
                    record[i][1] = right ? right[i] + d : 0.0f;
            }
        }
        else if (!mStereo)
        {
            for (std::int32_t i = 0; i < run; ++i)
                record[i][0] = left[i];
        }
        else if (right)
        {
            for (std::int32_t i = 0; i < run; ++i)
                record[i] = {left[i], right[i]};
        }
        else
        {
            for (std::int32_t i = 0; i < run; ++i)
                record[i] = {left[i], 0.0f};
        }
        mWriteIndex = run == room ? 0 : mWriteIndex + run;
        left += run;
        if (right)
            right += run;
        count -= run;
    }
}

namespace
{
// Hands combine(i, windowed sample i) the channel's samples of a window that
// starts at `start` of the ring, in two runs (to the ring's end, then from
// its start) so that each loop is plain vector code.
template <class Combine>
void ForWindowSamples(const std::array<float, 2>* ring, std::int32_t span, std::int32_t start, std::int32_t n,
                      std::size_t channel, const float* window, Combine&& combine) noexcept
{
    const std::int32_t first = std::min(n, span - start);
    const std::array<float, 2>* from = ring + start;
    for (std::int32_t i = 0; i < first; ++i)
        combine(i, from[i][channel] * window[i]);
    for (std::int32_t i = first; i < n; ++i)
        combine(i, ring[i - first][channel] * window[i]);
}
} // namespace

void QuarvixSpecService::AnalyseNewestWindow() noexcept
{
    const std::int32_t n = mFftSize;
    const std::int32_t span = 2 * n;
    const std::int32_t start = (mWriteIndex - n + span) % span;
    const std::span<const float> window = mWindows.GetWindow(mWindowType);
    float* work = mWork.data();
    const bool enabled = IsEnabled();

    // Pass 1: the left samples, oldest first.
    const std::array<float, 2>* ring = mRing.data();
    ForWindowSamples(ring, span, start, n, 0, window.data(), [work](std::int32_t i, float v) { work[i] = v; });
    const bool transformLeft = mChannelMode == kModeLeft || mChannelMode == kModeBoth;
    if (transformLeft)
        RealFFT(mWork, mOrder, 1, mTables);
    if (enabled)
        StoreFrame(0, n, work, !transformLeft);

    // Pass 2: the right samples again from the start of the window; in sum
    // mode averaged with the windowed left samples still in the work buffer.
    if (mChannelMode == kModeSum)
    {
        ForWindowSamples(ring, span, start, n, 1, window.data(),
                         [work](std::int32_t i, float v) { work[i] = (v + work[i]) * 0.5f; });
    }
    else
    {
        ForWindowSamples(ring, span, start, n, 1, window.data(), [work](std::int32_t i, float v) { work[i] = v; });
    }
    if (mChannelMode != kModeLeft)
        RealFFT(mWork, mOrder, 1, mTables);
    if (enabled)
        StoreFrame(1, n, work, false);
}
