#include "plugin/Quarvix3rdOctAnalysisService.h"

#include "analysis/AntiDenormal.h"
#include "plugin/QVXGeneralSpecService.h"
#include "analysis/ThirdOctaveBands.h"
#include "analysis/ThirdOctaveCoefficients.h"
#include "model/QVXSpecConfig.h"
#include "model/QVXSpecConfigArchive.h"
#include "serialization/Archive.h"

#include <algorithm>
#include <array>
#include <bit>
#include <span>

namespace
{
constexpr std::string_view kArchiveName = "Quarvix3rdOctAnalysisService";
// The anti-denormal noise is scaled up here: the bank's float states decay
// through more gain than the spectrum path's.
constexpr float kNoiseScale = 10000.0f;

std::uint64_t PackRange(std::int32_t first, std::int32_t last) noexcept
{
    return (std::uint64_t{static_cast<std::uint32_t>(first)} << 32) | static_cast<std::uint32_t>(last);
}

std::uint64_t PackPeak(float peak, std::int32_t band) noexcept
{
    return (std::uint64_t{std::bit_cast<std::uint32_t>(peak)} << 32) | static_cast<std::uint32_t>(band);
}

float PeakOf(std::uint64_t packed) noexcept
{
    return std::bit_cast<float>(static_cast<std::uint32_t>(packed >> 32));
}

std::int32_t BandOf(std::uint64_t packed) noexcept
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(packed));
}

std::int32_t CurveOf(std::int32_t weighting) noexcept
{
    return weighting >= 1 && weighting <= 3 ? weighting : 0;
}
} // namespace

// --- MsgProxy ----------------------------------------------------------------

Quarvix3rdOctAnalysisService::MsgProxy::MsgProxy(PluginServices* services, Quarvix3rdOctAnalysisService* service)
    : MessageSubscriber<MsgProxy>(services), mService(service)
{
}

void Quarvix3rdOctAnalysisService::MsgProxy::OnConfigMessage(std::int32_t what)
{
    if (what == QVXSpecConfigMessages::kSpecWeighting)
        mService->ApplyConfiguredWeighting();
    else if (what == QVXSpecConfigMessages::kBandLevelRange)
        mService->OnBandLevelRangeChanged();
}

// --- Service -------------------------------------------------------------------

Quarvix3rdOctAnalysisService::Quarvix3rdOctAnalysisService()
    : mBandLevelRange(PackRange(ThirdOctaveBands::kFirstBand, ThirdOctaveBands::kLastBand)),
      mBandLevelPeaks{PackPeak(0.0f, -1), PackPeak(0.0f, -1)}
{
}

// The proxy unsubscribes before the rest goes.
Quarvix3rdOctAnalysisService::~Quarvix3rdOctAnalysisService() { mMsgProxy.reset(); }

void Quarvix3rdOctAnalysisService::Save(Serialization::Archive& archive)
{
    SaveServiceMarker(archive, *this, kArchiveName);
}

void Quarvix3rdOctAnalysisService::Load(Serialization::Archive& archive)
{
    LoadServiceMarker(archive, kArchiveName, GetTypeName());
}

void Quarvix3rdOctAnalysisService::SetCore(PluginCore* core)
{
    QuarvixService::SetCore(core);
    mSpecConfig = ConnectConfigProxy(core, this, mMsgProxy);
}

void Quarvix3rdOctAnalysisService::SetStreamFormat(float sampleRate, std::int32_t maxBlockSize, std::int32_t channels)
{
    mChannelCount = std::clamp(channels, 0, 2);
    mMaxBlockSize = std::max(maxBlockSize, 0);
    mSampleRate = sampleRate;

    mChannels.clear();
    ++mMeterGeneration;
    mPlan = ThirdOctaveBankPlan{};
    mPreDecimationFactor = -1;
    mPreDecimationPhase = 0;

    const auto block = static_cast<std::size_t>(mMaxBlockSize);
    mChannels.resize(static_cast<std::size_t>(mChannelCount));
    for (Channel& channel : mChannels)
    {
        channel.mPreBuffer.assign(block, 0.0f);
        channel.mInputCopy.assign(block, 0.0f);
        channel.mScratch.assign(block, 0.0f);
        channel.mWeighted.assign(block, 0.0f);
    }

    const auto rate = static_cast<std::int32_t>(sampleRate);
    std::int32_t baseRate = 0;
    switch (rate)
    {
    case 32000:
    case 44100:
    case 48000:
        baseRate = rate;
        break;
    case 88200:
    case 96000:
        baseRate = rate / 2;
        mPreDecimationFactor = 2;
        break;
    case 176400:
    case 192000:
        baseRate = rate / 4;
        mPreDecimationFactor = 4;
        break;
    default:
        break;
    }

    if (mPreDecimationFactor > 0)
    {
        const ThirdOctavePreDecimationSet* set = FindThirdOctavePreDecimation(rate);
        for (Channel& channel : mChannels)
            channel.mPreFilters.push_back(QVXIIRFilter::Create(set->mB, set->mA, 6));
    }

    if (baseRate != 0 && !mChannels.empty())
    {
        BuildThirdOctaveBank(baseRate, mPlan, mChannels[0].mBank);
        for (std::size_t c = 1; c < mChannels.size(); ++c)
            mChannels[c].mBank = mChannels[0].mBank;
    }

    for (Channel& channel : mChannels)
    {
        for (std::int32_t k = 0; k < mPlan.mBandCount; ++k)
        {
            channel.mPeakMeters.push_back(std::make_unique<MeteringManager>(true));
            channel.mRmsMeters.push_back(std::make_unique<MeteringManager>(true));
        }
    }

    mWeightingAvailable = ThirdOctaveBands::IsSupportedSampleRate(rate);
    if (mWeightingAvailable)
        SetUpWeighting(mChannelCount, baseRate);
    ApplyConfiguredWeighting();
}

void Quarvix3rdOctAnalysisService::ResetAnalysis()
{
    mPreDecimationPhase = 0;
}

void Quarvix3rdOctAnalysisService::ApplyConfiguredWeighting()
{
    if (mSpecConfig)
        SetWeightingType(mSpecConfig->GetSpecWeighting());
}

void Quarvix3rdOctAnalysisService::SetWeightingType(std::int32_t curve) noexcept
{
    mRequestedCurve.store(CurveOf(curve), std::memory_order_relaxed);
}

void Quarvix3rdOctAnalysisService::OnBandLevelRangeChanged()
{
    if (!mSpecConfig || mSpecConfig->GetSpectrumView() != QVXSpecConfig::kAna3rdOct)
        return;
    const auto [first, last] = mSpecConfig->GetBandLevelRange();
    mBandLevelRange.store(PackRange(first, last), std::memory_order_relaxed);
    ResetBandLevelPeaks();
}

std::pair<std::int32_t, std::int32_t> Quarvix3rdOctAnalysisService::GetBandLevelRange() const noexcept
{
    const std::uint64_t packed = mBandLevelRange.load(std::memory_order_relaxed);
    return {static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32)),
            static_cast<std::int32_t>(static_cast<std::uint32_t>(packed))};
}

void Quarvix3rdOctAnalysisService::SetAnalysisChannel(std::int32_t selection) noexcept
{
    mSelection.store(selection, std::memory_order_relaxed);
    PostZeros();
}

void Quarvix3rdOctAnalysisService::PostZeros() noexcept
{
    for (Channel& channel : mChannels)
    {
        for (auto& meter : channel.mPeakMeters)
            meter->Publish(0.0f, true);
        for (auto& meter : channel.mRmsMeters)
            meter->Publish(0.0f, true);
    }
}

MeteringManager* Quarvix3rdOctAnalysisService::GetBandPeakMeter(std::int32_t channel, std::int32_t band) const noexcept
{
    if (channel < 0 || channel >= mChannelCount || band < 0 || band >= mPlan.mBandCount)
        return nullptr;
    return mChannels[static_cast<std::size_t>(channel)].mPeakMeters[static_cast<std::size_t>(band)].get();
}

MeteringManager* Quarvix3rdOctAnalysisService::GetBandRmsMeter(std::int32_t channel, std::int32_t band) const noexcept
{
    if (channel < 0 || channel >= mChannelCount || band < 0 || band >= mPlan.mBandCount)
        return nullptr;
    return mChannels[static_cast<std::size_t>(channel)].mRmsMeters[static_cast<std::size_t>(band)].get();
}

std::string_view Quarvix3rdOctAnalysisService::GetBandLabel(std::int32_t bandNumber) noexcept
{
    return ThirdOctaveBands::GetBandLabel(bandNumber);
}

std::int32_t Quarvix3rdOctAnalysisService::GetNearestBand(float frequency) noexcept
{
    return ThirdOctaveBands::GetNearestBand(frequency);
}

bool Quarvix3rdOctAnalysisService::IsSupportedSampleRate(std::int32_t sampleRate) noexcept
{
    return ThirdOctaveBands::IsSupportedSampleRate(sampleRate);
}

void Quarvix3rdOctAnalysisService::GetBandLevelPeaks(std::vector<std::int32_t>& bands, std::vector<float>& peaks) const
{
    bands.resize(2);
    peaks.resize(2);
    for (std::size_t c = 0; c < 2; ++c)
    {
        const std::uint64_t packed = mBandLevelPeaks[c].load(std::memory_order_relaxed);
        bands[c] = BandOf(packed);
        peaks[c] = PeakOf(packed);
    }
}

void Quarvix3rdOctAnalysisService::ResetBandLevelPeaks() noexcept
{
    for (auto& peak : mBandLevelPeaks)
        peak.store(PackPeak(0.0f, -1), std::memory_order_relaxed);
}

void Quarvix3rdOctAnalysisService::RaiseBandLevelPeak(std::size_t channel, float peak, std::int32_t band) noexcept
{
    std::uint64_t stored = mBandLevelPeaks[channel].load(std::memory_order_relaxed);
    // Only rises; a reset from the UI thread in between simply wins the race
    // or is followed by this block's value.
    while (PeakOf(stored) < peak &&
           !mBandLevelPeaks[channel].compare_exchange_weak(stored, PackPeak(peak, band), std::memory_order_relaxed))
    {
    }
}

void Quarvix3rdOctAnalysisService::Capture(const CaptureChannels& channels, std::int32_t frames) noexcept
{
    if (!IsActive() || !mSpecConfig || mPlan.mBandCount == 0 || mChannels.empty())
        return;
    if (mSpecConfig->GetSpectrumView() != QVXSpecConfig::kAna3rdOct)
        return;
    if (!mSpecConfig->GetAnaEnabled())
    {
        PostZeros();
        return;
    }
    // Every buffer holds the maximum block size.
    std::int32_t n = std::clamp(frames, 0, mMaxBlockSize);
    const std::size_t channelCount = mChannels.size();

    // Input copy with the same noise value on both channels.
    AntiDenormalRun noise(static_cast<std::uint32_t>(n));
    for (std::int32_t i = 0; i < n; ++i)
    {
        const float r = noise.Next() * kNoiseScale;
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            const float* in = channels[c];
            mChannels[c].mInputCopy[static_cast<std::size_t>(i)] = (in ? in[i] : 0.0f) + r;
        }
    }

    std::array<float*, 2> signal{};
    for (std::size_t c = 0; c < channelCount; ++c)
        signal[c] = mChannels[c].mInputCopy.data();

    if (mPreDecimationFactor > 0)
    {
        std::int32_t phase = mPreDecimationPhase;
        std::int32_t kept = 0;
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            Channel& channel = mChannels[c];
            const std::span<const float> in(channel.mInputCopy.data(), static_cast<std::size_t>(n));
            const std::span<float> out(channel.mPreBuffer.data(), static_cast<std::size_t>(n));
            bool first = true;
            for (auto& filter : channel.mPreFilters)
            {
                if (!filter)
                    continue;
                filter->Process(first ? in : std::span<const float>(out), out);
                first = false;
            }
            if (first)
                std::copy(in.begin(), in.end(), out.begin());
            // Every channel keeps the same samples.
            phase = mPreDecimationPhase;
            kept = CompactByFactor(channel.mPreBuffer.data(), n, mPreDecimationFactor, phase);
            signal[c] = channel.mPreBuffer.data();
        }
        mPreDecimationPhase = phase;
        n = kept;
    }

    // A new curve requested from the UI thread takes effect here, at a block
    // boundary, so the filters are only ever touched by this thread.
    const std::int32_t curve = mRequestedCurve.load(std::memory_order_relaxed);
    if (curve != GetWeightingCurve())
        SelectWeighting(curve);
    if (IsWeightingActive())
    {
        std::array<const float*, 2> inputs{signal[0], signal[1]};
        std::array<float*, 2> outputs{};
        for (std::size_t c = 0; c < channelCount; ++c)
            outputs[c] = mChannels[c].mWeighted.data();
        ApplyWeighting(std::span(inputs.data(), channelCount), std::span(outputs.data(), channelCount), n);
        for (std::size_t c = 0; c < channelCount; ++c)
            signal[c] = outputs[c];
    }

    const std::int32_t selection = mSelection.load(std::memory_order_relaxed);
    if (selection == kSelectSum)
    {
        float* sum = mChannels[0].mScratch.data();
        const float scale = channelCount > 1 ? 1.0f / static_cast<float>(channelCount) : 1.0f;
        for (std::int32_t i = 0; i < n; ++i)
        {
            float v = 0.0f;
            for (std::size_t c = 0; c < channelCount; ++c)
                v += signal[c][i];
            sum[i] = v * scale;
        }
        signal[0] = sum;
    }

    const auto [first, last] = GetBandLevelRange();
    const std::int32_t lowBand = first - ThirdOctaveBands::kFirstBand;
    const std::int32_t highBand = last < first ? lowBand - 1 : last - ThirdOctaveBands::kFirstBand;

    float blockMax[2] = {0.0f, 0.0f};
    std::int32_t blockBand[2] = {-1, -1};
    const auto publish = [&](std::size_t c, std::int32_t k, float peak, const BandFilter& filter) noexcept {
        Channel& channel = mChannels[c];
        const auto band = static_cast<std::size_t>(k);
        channel.mPeakMeters[band]->Publish(peak, true);
        channel.mRmsMeters[band]->Publish(filter.mRms, true);
        if (k >= lowBand && k <= highBand && peak > blockMax[c])
        {
            blockMax[c] = peak;
            blockBand[c] = k;
        }
    };
    const auto block = [&](std::size_t c) { return std::span<const float>(signal[c], static_cast<std::size_t>(n)); };
    if (selection == kSelectBoth && channelCount == 2)
    {
        // Both channels at once: each one's filters hide the other's latency.
        RunThirdOctaveBankPair(mPlan, mChannels[0].mBank, mChannels[1].mBank, block(0), block(1),
                               mChannels[0].mScratch.data(), mChannels[1].mScratch.data(),
                               [&](std::int32_t c, std::int32_t k, float peak, const BandFilter& filter) {
                                   publish(static_cast<std::size_t>(c), k, peak, filter);
                               });
    }
    else
    {
        for (std::size_t c = 0; c < channelCount; ++c)
        {
            const auto index = static_cast<std::int32_t>(c);
            const bool takesPart =
                selection == index || selection == kSelectBoth || (selection == kSelectSum && c == 0);
            if (!takesPart)
                continue;
            RunThirdOctaveBank(mPlan, mChannels[c].mBank, block(c), mChannels[c].mScratch.data(),
                               [&](std::int32_t k, float peak, const BandFilter& filter) {
                                   publish(c, k, peak, filter);
                               });
        }
    }
    for (std::size_t c = 0; c < channelCount; ++c)
        if (blockBand[c] >= 0)
            RaiseBandLevelPeak(c, blockMax[c], blockBand[c]);
}
