#pragma once
// The spectrum analysis service: captured audio goes into a stereo ring; every
// half window of new samples the newest window is weighted, windowed and
// transformed on the spot, and the raw transform is deposited in a free slot of
// the frame pool for the spectrum display to pick up on the UI thread.
//
// Level of bin j of a frame of FFT size N (the contract with every display):
// p = re^2 + im^2 at positions 2j, 2j + 1 (for j = 0, re^2 of position 0 only),
// level = 10 log10(p) - 20 log10(N); a full-scale sine centred on a bin reads
// -6.02 dB through any window.
//
// Threads:
// - Capture and the analysis step run on the real-time thread: no allocation,
//   no waiting, no exception. Capture only tries the guard mutex and drops the
//   block when the UI thread holds it.
// - SetCore, SetStreamFormat, Reconfigure and the configuration's messages run
//   on the UI thread. Everything Capture reads that the UI thread can change
//   (FFT size, ring, tables, windows, window type, weighting curve, channel
//   mode) is changed only while the guard mutex is held.

#include "analysis/QVXFFT.h"
#include "analysis/QVXWeightingProcessor.h"
#include "analysis/QVXWindowSet.h"
#include "plugin/QuarvixService.h"
#include "analysis/SpecCaptureAgentDyn.h"
#include "core/MessageSubscriber.h"
#include "platform/PlatformMutex.h"
#include "serialization/Serializable.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class QVXSpecConfig;

class AntiDenormalRun;

class QuarvixSpecService
    : public QuarvixService<QuarvixSpecService, 1, QuarvixServiceClient<QuarvixSpecService>>,
      public Serialization::Serializable,
      public SpecCaptureAgentDyn,
      public QVXWeightingProcessor
{
public:
    // Forwards the configuration's messages to the service.
    class MsgProxy : public MessageSubscriber<MsgProxy>
    {
    public:
        MsgProxy(PluginServices* services, QuarvixSpecService* service);
        void OnConfigMessage(std::int32_t what);

    private:
        QuarvixSpecService* mService;
    };

    // Channel modes: what the two passes of a frame analyse.
    static constexpr std::int32_t kModeLeft = 0;  // A = left spectrum
    static constexpr std::int32_t kModeRight = 1; // A = zeros, B = right spectrum
    static constexpr std::int32_t kModeBoth = 2;  // A = left, B = right spectrum
    static constexpr std::int32_t kModeSum = 3;   // A = zeros, B = spectrum of (L + R) / 2
    static constexpr std::int32_t kSlotCount = 32;
    static constexpr std::int32_t kSlotLength = 8192;

    QuarvixSpecService();
    ~QuarvixSpecService() override;

    // Archive: an object "QuarvixSpecService" holding "One" = 34.
    void Save(Serialization::Archive& archive) override;
    void Load(Serialization::Archive& archive) override;
    std::string_view GetTypeName() const override { return "QuarvixSpecService"; }

    void SetCore(PluginCore* core) override;
    void SetStreamFormat(float sampleRate, std::int32_t maxBlockSize, std::int32_t channels) override;
    void ResetAnalysis() override;
    void Capture(const CaptureChannels& channels, std::int32_t frames) noexcept override;
    std::string GetServiceName() const override { return "QuarvixSpecService"; }

    // Rebuilds ring, tables and windows for the configured FFT size under the
    // guard mutex. Throws AppFrame::BadParameter for a size the transform
    // cannot take.
    void Reconfigure();
    // Switches the slot pool's mode under the guard mutex (the pool's slots
    // are reallocated, which must not overlap a capture).
    void SetCaptureMode(std::int32_t mode);

    std::int32_t GetFftSize() const noexcept { return mFftSize; }
    std::int32_t GetChannelMode() const noexcept { return mChannelMode; }
    std::int32_t GetWindowType() const noexcept { return mWindowType; }
    float GetSampleRate() const noexcept { return mSampleRate; }
    QVXSpecConfig* GetSpecConfig() const noexcept { return mSpecConfig; }

private:
    void ApplyChannelMode();
    void ApplyWindowType();
    void ApplyWeighting();
    bool IsMonoInstance() const;
    // Ring and hop bookkeeping back to empty; guard mutex held.
    void ClearRing() noexcept;
    // count frames into the ring (right: null for silence), with the noise's
    // next value added to each frame when there is noise.
    void WriteSamples(const float* left, const float* right, std::int32_t count,
                      AntiDenormalRun* noise = nullptr) noexcept;
    void AnalyseNewestWindow() noexcept;

    std::unique_ptr<MsgProxy> mMsgProxy;
    QVXSpecConfig* mSpecConfig = nullptr; // not owned
    float mSampleRate = 0.0f;
    std::int32_t mMaxBlockSize = 0;
    std::int32_t mChannelCount = 0;
    bool mStereo = true;
    std::int32_t mChannelMode = kModeSum;
    std::int32_t mWindowType = 1;

    // FFT size N, hop H = N / 2, order m.
    std::int32_t mFftSize = 0;
    std::int32_t mHop = 0;
    std::int32_t mOrder = 0;
    // 2N + 2 records, of which 0 .. 2N - 1 are used; write and read index wrap at 2N.
    std::vector<std::array<float, 2>> mRing;
    std::int32_t mWriteIndex = 0;
    std::int32_t mReadIndex = 0;
    std::int32_t mWrapLimit = 0x7fffffff;
    std::int32_t mFillCount = 0;
    std::int32_t mHopPhase = 0;

    QVXFFTTables mTables;
    std::vector<float> mWork;
    QVXWindowSet mWindows;
    std::array<std::vector<float>, 2> mWeighted;

    PlatformMutex mGuard;
};
