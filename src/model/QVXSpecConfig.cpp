#include "model/QVXSpecConfig.h"

#include "analysis/QVXWindowSet.h"
#include "analysis/ThirdOctaveBands.h"

#include "base/Exceptions.h"
#include "core/PluginCore.h"
#include "model/QVXSpecConfigArchive.h"
#include "serialization/ArchiveSequence.h"
#include "serialization/NumberText.h"
#include "serialization/XMLArchive.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace Msg = QVXSpecConfigMessages;

namespace
{

constexpr std::array<std::string_view, QVXSpecConfig::kColorRoleCount> kColorRoleNames{
    "clrLeft",   "clrRight",  "clrLR",     "clrLeftPeak", "clrRightPeak", "clrLRPeak", "clrLeftAvg", "clrRightAvg",
    "clrLRAvg",  "clrMemL1",  "clrMemL2",  "clrMemL3",    "clrMemR1",     "clrMemR2",  "clrMemR3",   "clrMemM1",
    "clrMemM2",  "clrMemM3",  "clrBG",     "clrGrid",     "clrLabels",    "clrReadout"};

constexpr std::string_view kUnknown = "unknown";

// Clamps to [low, high]; a value that is not a number becomes `low`.
float ClampFloat(float value, float low, float high) noexcept
{
    if (!(value >= low))
        return low;
    return value > high ? high : value;
}

// The ranges the setters keep. Values read from settings pass through the
// same ones: a text is no more trusted than a control.
struct FloatRange
{
    float low;
    float high;
    float Clamp(float value) const noexcept { return ClampFloat(value, low, high); }
};
constexpr FloatRange kZoomFrequencyRange{10.0f, 96000.0f};
constexpr FloatRange kPeakHoldTimeRange{-1.0f, 10.0f};
constexpr FloatRange kPeakDecayRange{1.0f, 30.0f};
constexpr FloatRange kInstantaneousDecayTimeRange{0.01f, 10.0f};
constexpr FloatRange kAveragingTimeRange{0.1f, 20.0f};
constexpr FloatRange kSpecGainRange{0.0f, 40.0f};
constexpr FloatRange kSpecFloorRange{-100.0f, -6.0f};

// A stored number as the float a setter takes: beyond the float range it is
// an infinity, which the setter's clamp then brings back; converting it as it
// is would be undefined.
float ReadFloat(Serialization::Archive& archive, std::string_view key, float current)
{
    return Serialization::ToFloatSaturating(archive.ReadDouble(key, current));
}

// For values no setter limits: only a finite float is taken, anything else
// keeps the current value.
float ReadFiniteFloat(Serialization::Archive& archive, std::string_view key, float current)
{
    const float value = ReadFloat(archive, key, current);
    return std::isfinite(value) ? value : current;
}

// The band-level range of the third-octave view selects ISO bands, and the
// third-octave service indexes its bands with it on the audio thread: both
// ends stay within the bands there. The other views have no bands; their
// ranges are only kept in order.
std::pair<std::int32_t, std::int32_t> ValidBandLevelRange(std::int32_t view, std::int32_t first,
                                                          std::int32_t second) noexcept
{
    if (view == QVXSpecConfig::kAna3rdOct)
    {
        first = std::clamp(first, ThirdOctaveBands::kFirstBand, ThirdOctaveBands::kLastBand);
        second = std::clamp(second, ThirdOctaveBands::kFirstBand, ThirdOctaveBands::kLastBand);
    }
    return {std::min(first, second), second};
}

std::int32_t ClampView(std::int32_t view) noexcept
{
    return std::clamp(view, QVXSpecConfig::kAnaFFT, QVXSpecConfig::kAna3rdOct);
}

bool IsIndex(std::int32_t index, std::int32_t count) noexcept
{
    return index >= 0 && index < count;
}

void RequireIndex(std::int32_t index, std::int32_t count)
{
    if (!IsIndex(index, count))
        throw AppFrame::BadParameter();
}

std::size_t At(std::int32_t index) noexcept
{
    return static_cast<std::size_t>(index);
}

// Zoom ranges narrower than 1 Hz, or reversed, are not stored.
bool IsValidZoomRange(float minimum, float maximum) noexcept
{
    return minimum < maximum && maximum - minimum >= 1.0f;
}

std::string Key(std::string_view prefix, std::int32_t view, std::string_view suffix)
{
    return std::string(prefix) + std::string(QVXSpecConfig::ViewName(view)) + std::string(suffix);
}

std::string OptionsName(std::int32_t view)
{
    return Key("", view, ".specOptions");
}

std::string MemSlotsName(std::int32_t view)
{
    return Key("", view, ".memory_slots");
}

std::string ColorsName(std::int32_t view)
{
    return Key("", view, "_colors");
}

std::string ActiveMemoryKey(std::int32_t view)
{
    return Key("mSpecViewActiveMemoryMap[", view, "]");
}

constexpr std::string_view kColorMapKey = "mSpectrogramChannelColorMap";

} // namespace

// --- SpectrumViewOptions ---------------------------------------------------

QVXSpecConfig::SpectrumViewOptions QVXSpecConfig::SpectrumViewOptions::ForView(std::int32_t view)
{
    SpectrumViewOptions options;
    switch (view)
    {
    case kAnaSpectrogram:
        options.mLevelRangeMin = -100.0f;
        options.mLevelRangeMax = 10.0f;
        options.mPeakHold = false;
        options.mShowAverage = false;
        break;
    case kAna3rdOct:
        options.mFreqZoomRangeMin = 995.0f;
        options.mFreqZoomRangeMax = 10005.0f;
        options.mShowAverage = false;
        break;
    default:
        break;
    }
    return options;
}

void QVXSpecConfig::SpectrumViewOptions::Save(Serialization::Archive& archive)
{
    archive.WriteInt("analysisChannel", mAnalysisChannel);
    archive.WriteDouble("levelRange.min", mLevelRangeMin);
    archive.WriteDouble("levelRange.max", mLevelRangeMax);
    archive.WriteBool("freqZoom", mFreqZoom);
    archive.WriteDouble("freqZoomRange.min", mFreqZoomRangeMin);
    archive.WriteDouble("freqZoomRange.max", mFreqZoomRangeMax);
    archive.WriteDouble("decayRateDbPerSec", mDecayRateDbPerSec);
    archive.WriteBool("peakHold", mPeakHold);
    archive.WriteDouble("peakHoldTime", mPeakHoldTime);
    archive.WriteBool("instantaneous", mInstantaneous);
    archive.WriteDouble("instantaneousDecayTime", mInstantaneousDecayTime);
    archive.WriteBool("showAverage", mShowAverage);
    archive.WriteDouble("averagingTime", mAveragingTime);
    archive.WriteInt("specWeighting", mSpecWeighting);
    archive.WriteBool("logScale", mLogScale);
    archive.WriteInt("fftSize", mFftSize);
    archive.WriteInt("winType", mWinType);
}

void QVXSpecConfig::SpectrumViewOptions::Load(Serialization::Archive& archive)
{
    mAnalysisChannel = archive.ReadInt("analysisChannel", mAnalysisChannel);
    mLevelRangeMin = ReadFiniteFloat(archive, "levelRange.min", mLevelRangeMin);
    mLevelRangeMax = ReadFiniteFloat(archive, "levelRange.max", mLevelRangeMax);
    mFreqZoom = archive.ReadBool("freqZoom", mFreqZoom);
    const float zoomMin = kZoomFrequencyRange.Clamp(ReadFloat(archive, "freqZoomRange.min", mFreqZoomRangeMin));
    const float zoomMax = kZoomFrequencyRange.Clamp(ReadFloat(archive, "freqZoomRange.max", mFreqZoomRangeMax));
    if (IsValidZoomRange(zoomMin, zoomMax))
    {
        mFreqZoomRangeMin = zoomMin;
        mFreqZoomRangeMax = zoomMax;
    }
    mDecayRateDbPerSec = ReadFiniteFloat(archive, "decayRateDbPerSec", mDecayRateDbPerSec);
    mPeakHold = archive.ReadBool("peakHold", mPeakHold);
    mPeakHoldTime = kPeakHoldTimeRange.Clamp(ReadFloat(archive, "peakHoldTime", mPeakHoldTime));
    mInstantaneous = archive.ReadBool("instantaneous", mInstantaneous);
    mInstantaneousDecayTime =
        kInstantaneousDecayTimeRange.Clamp(ReadFloat(archive, "instantaneousDecayTime", mInstantaneousDecayTime));
    mShowAverage = archive.ReadBool("showAverage", mShowAverage);
    mAveragingTime = kAveragingTimeRange.Clamp(ReadFloat(archive, "averagingTime", mAveragingTime));
    mSpecWeighting = archive.ReadInt("specWeighting", mSpecWeighting);
    mLogScale = archive.ReadBool("logScale", mLogScale);
    // The services build their transform from this size: a stored size they
    // cannot use would fail every reconfiguration.
    mFftSize = ValidFftSize(archive.ReadInt("fftSize", mFftSize));
    mWinType = archive.ReadInt("winType", mWinType);
}

// --- MemSlotData -------------------------------------------------------------

std::string_view QVXSpecConfig::MemSlotData::DataTypeName(std::int32_t type) noexcept
{
    switch (type)
    {
    case kDtInstant:
        return "dtInstant";
    case kDtAverage:
        return "dtAverage";
    case kDtPeakHold:
        return "dtPeakHold";
    default:
        return kUnknown;
    }
}

std::string_view QVXSpecConfig::MemSlotData::ViewName(std::int32_t view) noexcept
{
    switch (view)
    {
    case kAnaFFT:
        return "anaFFT";
    case kAnaSpectrogram:
        return "anaSpectrogram";
    case kAna3rdOct:
        return "ana3rdOct";
    default:
        return kUnknown;
    }
}

std::string_view QVXSpecConfig::MemSlotData::ChannelName(std::int32_t channel) noexcept
{
    switch (channel)
    {
    case kChLeft:
        return "chLeft";
    case kChRight:
        return "chRight";
    case kChBoth:
        return "chBoth";
    case kChSum:
        return "chSum";
    default:
        return kUnknown;
    }
}

std::int32_t QVXSpecConfig::MemSlotData::DataTypeFromName(std::string_view name) noexcept
{
    if (name == "dtAverage")
        return kDtAverage;
    if (name == "dtPeakHold")
        return kDtPeakHold;
    return kDtInstant;
}

std::int32_t QVXSpecConfig::MemSlotData::ViewFromName(std::string_view name) noexcept
{
    if (name == "anaSpectrogram")
        return kAnaSpectrogram;
    if (name == "ana3rdOct")
        return kAna3rdOct;
    return kAnaFFT;
}

std::int32_t QVXSpecConfig::MemSlotData::ChannelFromName(std::string_view name) noexcept
{
    if (name == "chLeft")
        return kChLeft;
    if (name == "chRight")
        return kChRight;
    if (name == "chBoth")
        return kChBoth;
    return kChSum;
}

namespace
{
std::string ChannelKey(std::size_t channel)
{
    char name[32];
    std::snprintf(name, sizeof name, "vec[ch%d]", static_cast<int>(channel));
    return name;
}
} // namespace

void QVXSpecConfig::MemSlotData::Save(Serialization::Archive& archive)
{
    archive.WriteBool("visible", mVisible);
    archive.WriteString("type", DataTypeName(mType));
    archive.WriteInt("bands", mBands);
    archive.WriteInt("fs", mFs);
    archive.WriteString("view", ViewName(mView));
    archive.WriteString("analysisChannel", ChannelName(mAnalysisChannel));
    archive.WriteInt("vec.channels", static_cast<std::int32_t>(mChannels.size()));
    for (std::size_t channel = 0; channel < mChannels.size(); ++channel)
        archive.WriteFloatVector(ChannelKey(channel), mChannels[channel]);
}

void QVXSpecConfig::MemSlotData::Load(Serialization::Archive& archive)
{
    mVisible = archive.ReadBool("visible", false);
    mType = DataTypeFromName(archive.ReadString("type", kUnknown));
    mBands = archive.ReadInt("bands", 0);
    mFs = archive.ReadInt("fs", 0);
    mView = ViewFromName(archive.ReadString("view", kUnknown));
    mAnalysisChannel = ChannelFromName(archive.ReadString("analysisChannel", kUnknown));
    const std::int32_t count = std::clamp(archive.ReadInt("vec.channels", 0), 0, kMaxChannels);
    mChannels.assign(static_cast<std::size_t>(count), {});
    for (std::size_t channel = 0; channel < mChannels.size(); ++channel)
    {
        const std::string key = ChannelKey(channel);
        if (!archive.HasNode(key))
            continue;
        archive.ReadFloatVector(key, mChannels[channel]);
        // A stored level that is no number (or beyond every float) is no
        // measurement: it reads as the level that means nothing was measured.
        for (float& level : mChannels[channel])
        {
            if (!std::isfinite(level))
                level = kNoLevelDb;
        }
    }
}

// --- QVXSpecConfig: names --------------------------------------------------

std::string_view QVXSpecConfig::ColorRoleName(std::int32_t role) noexcept
{
    return IsIndex(role, kColorRoleCount) ? kColorRoleNames[At(role)] : std::string_view();
}

std::string_view QVXSpecConfig::WeightingName(std::int32_t weighting) noexcept
{
    switch (weighting)
    {
    case 1:
        return "A-weighted";
    case 2:
        return "B-weighted";
    case 3:
        return "C-weighted";
    default:
        return "NONE";
    }
}

std::string_view QVXSpecConfig::WindowName(std::int32_t window) noexcept
{
    return QVXWindowSet::GetWindowName(window);
}

std::int32_t QVXSpecConfig::ValidFftSize(std::int32_t size) noexcept
{
    switch (size)
    {
    case 512:
    case 1024:
    case 2048:
    case 4096:
    case 8192:
        return size;
    default:
        return kDefaultFftSize;
    }
}

// --- construction ------------------------------------------------------------

QVXSpecConfig::QVXSpecConfig(PluginCore* core)
    : MessagePublisher(core), MessageSubscriber<QVXSpecConfig>(core), mCore(core)
{
    mInstantSaveLocationController = std::make_unique<CentralController>(core, 0, 2, 0, FourCCValue("svIn"));
    mPeakHoldSaveLocationController = std::make_unique<CentralController>(core, 0, 2, 0, FourCCValue("svPk"));
    mAverageSaveLocationController = std::make_unique<CentralController>(core, 0, 2, 0, FourCCValue("svAv"));
    mAmpScale.fill(1);
    for (std::int32_t view = 0; view < kViewCount; ++view)
    {
        mViewOptions[At(view)] = SpectrumViewOptions::ForView(view);
        mActiveMemory[At(view)] = 0;
        mMemSlots[At(view)] = {};
        mBandLevelRanges[At(view)] = view == kAna3rdOct ? std::pair{13, 43} : std::pair{1, 1};
    }
    mThirdOctBarView = 0;
    LoadDefaultColors(kAnaFFT);
    LoadDefaultColors(kAna3rdOct);
    mSpectrogramChannelColorMap.fill(kDefaultColorMap);
    mSpecGain = 0.0f;
    mSpecFloor = -100.0f;
    mSpectrumView = kAnaFFT;
    Publish(Msg::kClass);
}

QVXSpecConfig::~QVXSpecConfig() = default;

void QVXSpecConfig::LoadDefaultColors(std::int32_t set)
{
    const std::string_view document =
        set == kAna3rdOct ? QVXDefault3rdOctColorDocument() : QVXDefaultFFTColorDocument();
    Serialization::XMLArchive archive(document.data(), document.size());
    archive.BeginReading();
    QVXSpecConfigArchivedColors colors(mColorSets[At(set)]);
    const bool found = QVXReadObjectIfPresent(archive, colors, ColorsName(set));
    CVN_REQUIRE(found, "QVXSpecConfig: the default colour document holds no colours");
}

// --- messages ----------------------------------------------------------------

void QVXSpecConfig::Notify(bool notify, std::int32_t what, std::int32_t p1)
{
    if (notify)
        Send(Msg::kClass, what, p1, 0);
}

void QVXSpecConfig::SendColorMessages()
{
    for (std::int32_t role = 0; role < kColorRoleCount; ++role)
        Send(Msg::kClass, Msg::kColor, role, 0);
}

void QVXSpecConfig::SendColorMapMessages()
{
    for (std::int32_t channel = 0; channel < kColorMapChannelCount; ++channel)
        Send(Msg::kClass, Msg::kColorMap, channel, 0);
}

void QVXSpecConfig::SendViewChangeBurst()
{
    for (const std::int32_t what :
         {Msg::kSpectrumView, Msg::kAnalysisChannel, Msg::kLevelRange, Msg::kFreqZoom, Msg::kPeakHold,
          Msg::kPeakHoldTime, Msg::kInstantaneous, Msg::kInstantaneousDecayTime, Msg::kPeakDecay, Msg::kShowAverage,
          Msg::kAveragingTime, Msg::kLogScale, Msg::kAmpScale, Msg::kSpecWeighting, Msg::kFftSize, Msg::kWinType,
          Msg::kActiveMemory, Msg::kMemSlotData, Msg::kThirdOctBarView, Msg::kSpecGain, Msg::kSpecFloor,
          Msg::kBandLevelRange})
        Send(Msg::kClass, what, 0, 0);
    Send(Msg::kClass, Msg::kDisplaySwitch, -1, 0);
}

void QVXSpecConfig::SendViewStateMessages()
{
    for (const std::int32_t what : {Msg::kAnalysisChannel, Msg::kLevelRange, Msg::kFreqZoom, Msg::kPeakHold,
                                    Msg::kPeakHoldTime, Msg::kInstantaneous, Msg::kInstantaneousDecayTime,
                                    Msg::kShowAverage, Msg::kAveragingTime})
        Send(Msg::kClass, what, 0, 0);
    SendColorMessages();
    if (GetSpectrumView() == kAnaSpectrogram)
        SendColorMapMessages();
    for (const std::int32_t what : {Msg::kLogScale, Msg::kAmpScale, Msg::kSpecWeighting, Msg::kFftSize,
                                    Msg::kWinType, Msg::kActiveMemory})
        Send(Msg::kClass, what, 0, 0);
    for (std::int32_t slot = 0; slot < kMemSlotCount; ++slot)
        Send(Msg::kClass, Msg::kMemSlotData, slot, 0);
    for (const std::int32_t what : {Msg::kThirdOctBarView, Msg::kSpecGain, Msg::kSpecFloor, Msg::kBandLevelRange})
        Send(Msg::kClass, what, 0, 0);
}

void QVXSpecConfig::SendAfterReadBurst()
{
    Send(Msg::kClass, Msg::kAnaEnabled, 0, 0);
    Send(Msg::kClass, Msg::kSpectrumView, 0, 0);
    SendViewStateMessages();
}

void QVXSpecConfig::SendViewImportBurst()
{
    SendViewStateMessages();
}

// --- view and options ----------------------------------------------------------

void QVXSpecConfig::SetSpectrumView(std::int32_t view, bool notify)
{
    // The view indexes every per-view table, and the third-octave service
    // reads it on the audio thread: only the three views are ever stored.
    mSpectrumView.store(ClampView(view), std::memory_order_relaxed);
    if (notify)
        SendViewChangeBurst();
}

const QVXSpecConfig::SpectrumViewOptions& QVXSpecConfig::GetViewOptions(std::int32_t view) const
{
    RequireIndex(view, kViewCount);
    return mViewOptions[At(view)];
}

QVXSpecConfig::SpectrumViewOptions& QVXSpecConfig::CurrentOptions()
{
    return mViewOptions[At(GetSpectrumView())];
}

std::int32_t QVXSpecConfig::GetAnalysisChannel() const
{
    // A mono instance has only the left channel to show.
    if (mCore && mCore->GetChannelConfig().inputs < 2)
        return kChLeft;
    return GetCurrentViewOptions().mAnalysisChannel;
}

void QVXSpecConfig::SetAnalysisChannel(std::int32_t channel, bool notify)
{
    CurrentOptions().mAnalysisChannel = channel;
    Notify(notify, Msg::kAnalysisChannel);
}

void QVXSpecConfig::SetFreqZoom(bool on, bool notify)
{
    CurrentOptions().mFreqZoom = on;
    Notify(notify, Msg::kFreqZoom);
}

std::pair<float, float> QVXSpecConfig::GetFreqZoomRange() const
{
    const SpectrumViewOptions& options = GetCurrentViewOptions();
    return {options.mFreqZoomRangeMin, options.mFreqZoomRangeMax};
}

void QVXSpecConfig::SetFreqZoomRange(float minimum, float maximum, bool notify)
{
    minimum = kZoomFrequencyRange.Clamp(minimum);
    maximum = kZoomFrequencyRange.Clamp(maximum);
    if (IsValidZoomRange(minimum, maximum))
    {
        CurrentOptions().mFreqZoomRangeMin = minimum;
        CurrentOptions().mFreqZoomRangeMax = maximum;
    }
    Notify(notify, Msg::kFreqZoom);
}

void QVXSpecConfig::SetPeakHold(bool on, bool notify)
{
    CurrentOptions().mPeakHold = on;
    Notify(notify, Msg::kPeakHold);
}

void QVXSpecConfig::SetPeakHoldTime(float seconds, bool notify)
{
    CurrentOptions().mPeakHoldTime = kPeakHoldTimeRange.Clamp(seconds);
    Notify(notify, Msg::kPeakHoldTime);
}

void QVXSpecConfig::SetPeakDecay(float decay, bool notify)
{
    CurrentOptions().mPeakDecay = kPeakDecayRange.Clamp(decay);
    Notify(notify, Msg::kPeakDecay);
}

void QVXSpecConfig::SetInstantaneous(bool on, bool notify)
{
    CurrentOptions().mInstantaneous = on;
    Notify(notify, Msg::kInstantaneous);
}

void QVXSpecConfig::SetInstantaneousDecayTime(float seconds, bool notify)
{
    CurrentOptions().mInstantaneousDecayTime = kInstantaneousDecayTimeRange.Clamp(seconds);
    Notify(notify, Msg::kInstantaneousDecayTime);
}

void QVXSpecConfig::SetShowAverage(bool on, bool notify)
{
    CurrentOptions().mShowAverage = on;
    Notify(notify, Msg::kShowAverage);
}

void QVXSpecConfig::SetAveragingTime(float seconds, bool notify)
{
    CurrentOptions().mAveragingTime = kAveragingTimeRange.Clamp(seconds);
    Notify(notify, Msg::kAveragingTime);
}

void QVXSpecConfig::SetLogScale(bool on, bool notify)
{
    CurrentOptions().mLogScale = on;
    Notify(notify, Msg::kLogScale);
}

void QVXSpecConfig::SetSpecWeighting(std::int32_t weighting, bool notify)
{
    CurrentOptions().mSpecWeighting = weighting;
    Notify(notify, Msg::kSpecWeighting);
}

void QVXSpecConfig::SetFftSize(std::int32_t size, bool notify)
{
    if (size == CurrentOptions().mFftSize)
        return;
    CurrentOptions().mFftSize = ValidFftSize(size);
    Notify(notify, Msg::kFftSize);
}

void QVXSpecConfig::SetWinType(std::int32_t window, bool notify)
{
    CurrentOptions().mWinType = window;
    Notify(notify, Msg::kWinType);
}

std::int32_t QVXSpecConfig::GetDisplaySwitch(std::int32_t index) const
{
    return IsIndex(index, kDisplaySwitchCount) ? GetCurrentViewOptions().mDisplaySwitches[At(index)] : 0;
}

void QVXSpecConfig::SetDisplaySwitch(std::int32_t index, bool on, bool notify)
{
    if (!IsIndex(index, kDisplaySwitchCount))
        return;
    CurrentOptions().mDisplaySwitches[At(index)] = on ? 1 : 0;
    Notify(notify, Msg::kDisplaySwitch, index);
}

// --- per-view values -------------------------------------------------------------

std::int32_t QVXSpecConfig::GetAmpScale() const
{
    return mAmpScale[At(GetSpectrumView())];
}

void QVXSpecConfig::SetAmpScale(std::int32_t scale, bool notify)
{
    mAmpScale[At(GetSpectrumView())] = std::clamp(scale, 0, 2);
    Notify(notify, Msg::kAmpScale);
}

std::pair<std::int32_t, std::int32_t> QVXSpecConfig::GetBandLevelRange() const
{
    return mBandLevelRanges[At(GetSpectrumView())];
}

void QVXSpecConfig::SetBandLevelRange(std::int32_t first, std::int32_t second, bool notify)
{
    const std::int32_t view = GetSpectrumView();
    mBandLevelRanges[At(view)] = ValidBandLevelRange(view, first, second);
    Notify(notify, Msg::kBandLevelRange);
}

std::int32_t QVXSpecConfig::GetActiveMemory() const
{
    return mActiveMemory[At(GetSpectrumView())];
}

// --- memory slots ----------------------------------------------------------------

const QVXSpecConfig::MemSlotData& QVXSpecConfig::GetMemSlotData(std::int32_t slot) const
{
    RequireIndex(slot, kMemSlotCount);
    return mMemSlots[At(GetSpectrumView())][At(slot)];
}

void QVXSpecConfig::SetMemSlotVisible(std::int32_t slot, bool visible, bool notify)
{
    if (!IsIndex(slot, kMemSlotCount))
        return;
    mMemSlots[At(GetSpectrumView())][At(slot)].mVisible = visible;
    Notify(notify, Msg::kMemSlotVisible, slot);
}

void QVXSpecConfig::SetMemSlotData(std::int32_t slot, const MemSlotData& data, bool notify)
{
    if (!IsIndex(slot, kMemSlotCount))
        return;
    MemSlotData& stored = mMemSlots[At(GetSpectrumView())][At(slot)];
    const bool visible = stored.mVisible;
    stored = data;
    stored.mVisible = visible;
    Notify(notify, Msg::kMemSlotData, slot);
}

void QVXSpecConfig::ClearMemSlot(std::int32_t slot, bool notify)
{
    if (!IsIndex(slot, kMemSlotCount))
        return;
    mMemSlots[At(GetSpectrumView())][At(slot)] = MemSlotData();
    Notify(notify, Msg::kMemSlotData, slot);
}

void QVXSpecConfig::RequestInstantStore()
{
    if (GetActiveMemory() != -1)
        Send(Msg::kClass, Msg::kRequestInstantStore, 0, 0);
}

void QVXSpecConfig::RequestAverageStore()
{
    if (GetActiveMemory() != -1)
        Send(Msg::kClass, Msg::kRequestAverageStore, 0, 0);
}

void QVXSpecConfig::RequestPeakHoldStore()
{
    if (GetActiveMemory() != -1)
        Send(Msg::kClass, Msg::kRequestPeakHoldStore, 0, 0);
}

// --- colours ---------------------------------------------------------------------

const CVLCanvas::ColorSpec& QVXSpecConfig::GetColor(std::int32_t set, std::int32_t role) const
{
    RequireIndex(role, kColorRoleCount);
    return GetColorSet(set)[At(role)];
}

const QVXSpecConfig::ColorSet& QVXSpecConfig::GetColorSet(std::int32_t set) const
{
    RequireIndex(set, kColorSetCount);
    return mColorSets[At(set)];
}

void QVXSpecConfig::SetColor(std::int32_t set, std::int32_t role, const CVLCanvas::ColorSpec& color, bool notify)
{
    if (!IsIndex(set, kColorSetCount) || !IsIndex(role, kColorRoleCount))
        return;
    mColorSets[At(set)][At(role)] = color;
    Notify(notify, Msg::kColor, role);
}

void QVXSpecConfig::ResetColors(bool notify)
{
    const std::int32_t view = GetSpectrumView();
    if (view == kAnaSpectrogram)
    {
        mSpectrogramChannelColorMap.fill(kDefaultColorMap);
        if (notify)
            SendColorMapMessages();
        return;
    }
    LoadDefaultColors(view);
    if (notify)
        SendColorMessages();
}

std::int32_t QVXSpecConfig::GetSpectrogramColorMap(std::int32_t channel) const
{
    RequireIndex(channel, kColorMapChannelCount);
    return mSpectrogramChannelColorMap[At(channel)];
}

void QVXSpecConfig::SetSpectrogramColorMap(std::int32_t channel, std::int32_t index, bool notify)
{
    if (!IsIndex(channel, kColorMapChannelCount))
        return;
    index = std::clamp(index, 0, kColorMapCount - 1);
    if (index == mSpectrogramChannelColorMap[At(channel)])
        return;
    mSpectrogramChannelColorMap[At(channel)] = index;
    Notify(notify, Msg::kColorMap, channel);
}

// --- global values ---------------------------------------------------------------

void QVXSpecConfig::SetThirdOctBarView(std::int32_t mode, bool notify)
{
    mThirdOctBarView = mode;
    Notify(notify, Msg::kThirdOctBarView);
}

void QVXSpecConfig::SetSpecGain(float gain, bool notify)
{
    mSpecGain = kSpecGainRange.Clamp(gain);
    Notify(notify, Msg::kSpecGain);
}

void QVXSpecConfig::SetSpecFloor(float floor, bool notify)
{
    mSpecFloor = kSpecFloorRange.Clamp(floor);
    Notify(notify, Msg::kSpecFloor);
}

// --- archive ---------------------------------------------------------------------

void QVXSpecConfig::Save(Serialization::Archive& archive)
{
    archive.WriteBool("mAnaEnabled", GetAnaEnabled());
    archive.WriteInt("mSpectrumView", GetSpectrumView());
    for (std::int32_t view = 0; view < kViewCount; ++view)
        QVXWriteObject(archive, mViewOptions[At(view)], OptionsName(view));
    // The spectrogram keeps no curves worth storing, and its colours are
    // the colour maps.
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
    {
        QVXSpecConfigArchivedMemSlots slots(mMemSlots[At(view)]);
        QVXWriteObject(archive, slots, MemSlotsName(view));
    }
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
        archive.WriteInt(ActiveMemoryKey(view), mActiveMemory[At(view)]);
    {
        Serialization::ArchiveSequence sequence(archive, kColorMapKey, kColorMapChannelCount);
        for (const std::int32_t index : mSpectrogramChannelColorMap)
            sequence.Add(index);
    }
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
    {
        QVXSpecConfigArchivedColors colors(mColorSets[At(view)]);
        QVXWriteObject(archive, colors, ColorsName(view));
    }
    archive.WriteInt("mThirdOctBarView", mThirdOctBarView);
    archive.WriteDouble("mSpecGain", mSpecGain);
    archive.WriteDouble("mSpecFloor", mSpecFloor);
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct, kAnaSpectrogram})
    {
        archive.WriteInt(Key("mBandLevelRangesMap[", view, "].first"), mBandLevelRanges[At(view)].first);
        archive.WriteInt(Key("mBandLevelRangesMap[", view, "].second"), mBandLevelRanges[At(view)].second);
    }
    archive.WriteInt("mInstantSaveLocationController", mInstantSaveLocationController->GetValue());
    archive.WriteInt("mPeakHoldSaveLocationController", mPeakHoldSaveLocationController->GetValue());
    archive.WriteInt("mAverageSaveLocationController", mAverageSaveLocationController->GetValue());
}

void QVXSpecConfig::ReadMemSlots(Serialization::Archive& archive, std::int32_t view)
{
    QVXSpecConfigArchivedMemSlots slots(mMemSlots[At(view)]);
    QVXReadObjectIfPresent(archive, slots, MemSlotsName(view));
}

void QVXSpecConfig::ReadColorSet(Serialization::Archive& archive, std::int32_t set)
{
    QVXSpecConfigArchivedColors colors(mColorSets[At(set)]);
    QVXReadObjectIfPresent(archive, colors, ColorsName(set));
}

void QVXSpecConfig::ReadColorMaps(Serialization::Archive& archive)
{
    if (!archive.HasNode(kColorMapKey))
        return;
    Serialization::ArchiveSequence sequence(archive, kColorMapKey);
    // Always two channels: the displays index both. Elements the sequence does
    // not hold read as the default map; stored values keep the setter's range.
    for (std::int32_t channel = 0; channel < kColorMapChannelCount; ++channel)
    {
        const std::int32_t index = channel < sequence.GetSize() ? sequence.Get(channel, kDefaultColorMap)
                                                                 : kDefaultColorMap;
        mSpectrogramChannelColorMap[At(channel)] = std::clamp(index, 0, kColorMapCount - 1);
    }
}

void QVXSpecConfig::ReadBandLevelRange(Serialization::Archive& archive, std::int32_t view)
{
    auto& range = mBandLevelRanges[At(view)];
    const std::int32_t first = archive.ReadInt(Key("mBandLevelRangesMap[", view, "].first"), range.first);
    const std::int32_t second = archive.ReadInt(Key("mBandLevelRangesMap[", view, "].second"), range.second);
    range = ValidBandLevelRange(view, first, second);
}

void QVXSpecConfig::ReadSpectrogramLevels(Serialization::Archive& archive)
{
    mSpecGain = kSpecGainRange.Clamp(ReadFloat(archive, "mSpecGain", mSpecGain));
    mSpecFloor = kSpecFloorRange.Clamp(ReadFloat(archive, "mSpecFloor", mSpecFloor));
}

void QVXSpecConfig::Load(Serialization::Archive& archive)
{
    mAnaEnabled.store(archive.ReadBool("mAnaEnabled", GetAnaEnabled()), std::memory_order_relaxed);
    mSpectrumView.store(ClampView(archive.ReadInt("mSpectrumView", GetSpectrumView())), std::memory_order_relaxed);
    for (std::int32_t view = 0; view < kViewCount; ++view)
        QVXReadObjectIfPresent(archive, mViewOptions[At(view)], OptionsName(view));
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
        ReadMemSlots(archive, view);
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
        mActiveMemory[At(view)] = archive.ReadInt(ActiveMemoryKey(view), mActiveMemory[At(view)]);
    ReadColorMaps(archive);
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct})
        ReadColorSet(archive, view);
    mThirdOctBarView = archive.ReadInt("mThirdOctBarView", mThirdOctBarView);
    ReadSpectrogramLevels(archive);
    for (const std::int32_t view : {kAnaFFT, kAna3rdOct, kAnaSpectrogram})
        ReadBandLevelRange(archive, view);
    for (const auto& [key, controller] :
         {std::pair{"mInstantSaveLocationController", mInstantSaveLocationController.get()},
          std::pair{"mPeakHoldSaveLocationController", mPeakHoldSaveLocationController.get()},
          std::pair{"mAverageSaveLocationController", mAverageSaveLocationController.get()}})
        controller->SetValue(archive.ReadInt(key, controller->GetValue()));
    SendAfterReadBurst();
}

void QVXSpecConfig::ReadViewSettings(Serialization::Archive& archive)
{
    const std::int32_t view = GetSpectrumView();
    QVXReadObjectIfPresent(archive, mViewOptions[At(view)], OptionsName(view));
    if (view != kAnaSpectrogram)
    {
        ReadMemSlots(archive, view);
        mActiveMemory[At(view)] = archive.ReadInt(ActiveMemoryKey(view), mActiveMemory[At(view)]);
    }
    else
    {
        ReadColorMaps(archive);
    }
    if (view != kAnaSpectrogram)
        ReadColorSet(archive, view);
    if (view == kAna3rdOct)
        mThirdOctBarView = archive.ReadInt("mThirdOctBarView", mThirdOctBarView);
    if (view == kAnaSpectrogram)
    {
        ReadSpectrogramLevels(archive);
    }
    ReadBandLevelRange(archive, view);
    SendViewImportBurst();
}

void QVXSpecConfig::ImportColors(Serialization::Archive& archive)
{
    const std::int32_t view = GetSpectrumView();
    if (view != kAnaSpectrogram)
    {
        if (!archive.HasNode(ColorsName(view)))
            return;
        ReadColorSet(archive, view);
        SendColorMessages();
        return;
    }
    if (!archive.HasNode(kColorMapKey))
        return;
    try
    {
        ReadColorMaps(archive);
    }
    catch (...)
    {
        // What was read stays; the displays must still show it.
        SendColorMapMessages();
        throw;
    }
    SendColorMapMessages();
}
