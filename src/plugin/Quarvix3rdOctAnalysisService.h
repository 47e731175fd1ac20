#pragma once
// The third-octave analysis service: splits the analysed signal into the ISO
// third-octave bands (20 Hz to 20 kHz) with a multirate IIR bank and publishes,
// per channel and band, a peak and an RMS level to meter values that the bars
// and readouts read. It also tracks, for the band-level alarms, the highest
// band peak per channel within the configured band range.
//
// Threads:
// - Capture runs on the real-time thread: no allocation, no lock, no throw.
// - SetCore, SetStreamFormat, the archive operations and the message proxy run
//   on the UI thread. SetStreamFormat rebuilds the bank and must not overlap
//   Capture (the plug-in object calls it with processing stopped).
// - SetAnalysisChannel, SetWeightingType, ResetBandLevelPeaks,
//   GetBandLevelPeaks may run on the UI thread while Capture runs: the channel
//   selection, the requested weighting curve, the band-level range and the
//   band-level peaks are single atomic words. Capture reads the requested
//   curve once per block and, when it changed, switches the weighting filters
//   itself (clearing the new curve's history), so the filters are only ever
//   touched by the audio thread between stream-format changes.
// - The meters are read on the UI thread through MeterReader (lock-free).

#include "analysis/MeteringManager.h"
#include "analysis/QVXIIRFilter.h"
#include "analysis/QVXWeightingProcessor.h"
#include "plugin/QuarvixService.h"
#include "analysis/ThirdOctaveBank.h"
#include "core/MessageSubscriber.h"
#include "serialization/Serializable.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QVXSpecConfig;

class Quarvix3rdOctAnalysisService
    : public QuarvixService<Quarvix3rdOctAnalysisService, 1, QuarvixServiceClient<Quarvix3rdOctAnalysisService>>,
      public Serialization::Serializable,
      public QVXWeightingProcessor
{
public:
    // Forwards the configuration's messages ('swgt', 'brng') to the service.
    class MsgProxy : public MessageSubscriber<MsgProxy>
    {
    public:
        MsgProxy(PluginServices* services, Quarvix3rdOctAnalysisService* service);
        void OnConfigMessage(std::int32_t what);

    private:
        Quarvix3rdOctAnalysisService* mService;
    };

    static constexpr std::int32_t kSelectLeft = 0;
    static constexpr std::int32_t kSelectRight = 1;
    static constexpr std::int32_t kSelectBoth = -1;
    static constexpr std::int32_t kSelectSum = -2;

    Quarvix3rdOctAnalysisService();
    ~Quarvix3rdOctAnalysisService() override;

    // Archive: an object "Quarvix3rdOctAnalysisService" holding "One" = 34.
    void Save(Serialization::Archive& archive) override;
    void Load(Serialization::Archive& archive) override;
    std::string_view GetTypeName() const override { return "Quarvix3rdOctAnalysisService"; }

    void SetCore(PluginCore* core) override;
    void SetStreamFormat(float sampleRate, std::int32_t maxBlockSize, std::int32_t channels) override;
    void ResetAnalysis() override;
    void Capture(const CaptureChannels& channels, std::int32_t frames) noexcept override;
    std::string GetServiceName() const override { return "Quarvix3rdOctAnalysisService"; }

    // 31, 30 (at 32000 Hz and its multiples) or 0 (unsupported rate).
    std::int32_t GetBandCount() const noexcept { return mPlan.mBandCount; }
    bool IsWeightingAvailable() const noexcept { return mWeightingAvailable; }
    std::int32_t GetPreDecimationFactor() const noexcept { return mPreDecimationFactor; }

    // 0 left, 1 right, -1 both, -2 sum; posts 0 to every meter.
    void SetAnalysisChannel(std::int32_t selection) noexcept;
    std::int32_t GetAnalysisChannel() const noexcept { return mSelection.load(std::memory_order_relaxed); }

    // Curve 0 none, 1 A, 2 B, 3 C (anything else none); takes effect at the
    // next block.
    void SetWeightingType(std::int32_t curve) noexcept;
    std::int32_t GetWeightingType() const noexcept { return mRequestedCurve.load(std::memory_order_relaxed); }

    // The meter values readers attach to (linear amplitudes); null outside the
    // bank or the channels. Every SetStreamFormat replaces them, and with them
    // the readers attached so far; the generation counts those replacements,
    // so a display knows when its readers are gone.
    MeteringManager* GetBandPeakMeter(std::int32_t channel, std::int32_t band) const noexcept;
    MeteringManager* GetBandRmsMeter(std::int32_t channel, std::int32_t band) const noexcept;

    std::uint32_t GetMeterGeneration() const noexcept { return mMeterGeneration; }

    static std::string_view GetBandLabel(std::int32_t bandNumber) noexcept;
    static std::int32_t GetNearestBand(float frequency) noexcept;
    static bool IsSupportedSampleRate(std::int32_t sampleRate) noexcept;

    // Band indices and peaks (linear) of channels 0 and 1; nothing is reset.
    void GetBandLevelPeaks(std::vector<std::int32_t>& bands, std::vector<float>& peaks) const;
    void ResetBandLevelPeaks() noexcept;
    // First and last ISO band number taken into account.
    std::pair<std::int32_t, std::int32_t> GetBandLevelRange() const noexcept;

private:
    struct Channel
    {
        std::vector<std::unique_ptr<QVXIIRFilter>> mPreFilters;
        std::vector<float> mPreBuffer;
        std::vector<float> mInputCopy;
        std::vector<float> mScratch;
        std::vector<float> mWeighted;
        ThirdOctaveChannelBank mBank;
        std::vector<std::unique_ptr<MeteringManager>> mPeakMeters;
        std::vector<std::unique_ptr<MeteringManager>> mRmsMeters;
    };

    void ApplyConfiguredWeighting();
    void OnBandLevelRangeChanged();
    void PostZeros() noexcept;
    void RaiseBandLevelPeak(std::size_t channel, float peak, std::int32_t band) noexcept;

    std::unique_ptr<MsgProxy> mMsgProxy;
    QVXSpecConfig* mSpecConfig = nullptr;

    std::int32_t mChannelCount = 0;
    std::int32_t mMaxBlockSize = 0;
    float mSampleRate = 0.0f;
    std::int32_t mPreDecimationFactor = -1;
    std::int32_t mPreDecimationPhase = 0;
    std::vector<Channel> mChannels;
    ThirdOctaveBankPlan mPlan;
    bool mWeightingAvailable = false;
    std::uint32_t mMeterGeneration = 0;

    std::atomic<std::int32_t> mSelection{kSelectBoth};
    std::atomic<std::int32_t> mRequestedCurve{0};
    // (first << 32) | last, ISO band numbers.
    std::atomic<std::uint64_t> mBandLevelRange;
    // Per channel (peak bits << 32) | band index.
    std::atomic<std::uint64_t> mBandLevelPeaks[2];
};
