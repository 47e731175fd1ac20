#include "editor/QVXSpecPlotBars.h"

#include "analysis/MeteringManager.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXAlarmManager.h"
#include "plugin/Quarvix.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace
{
using Plot = QVXSpecPlotFrame;

constexpr std::int32_t kTextFace = 1;
constexpr std::int32_t kFirstIsoBand = 13;
constexpr std::int32_t kLastIsoBand = 43;
constexpr std::int32_t kReadoutBaseline = 16;
constexpr std::int32_t kReadoutMargin = 20;
// Level markers and the alarm markers' threshold line.
constexpr std::int32_t kMarkerHeight = 2;
// The dashes down the sides of a band in alarm: on, then off, 8 pixels a step.
constexpr std::int32_t kDashStep = 8;
constexpr std::int32_t kDashLength = 4;
// The alarm marker reaches this far beyond the band's bar on each side.
constexpr std::int32_t kAlarmOverhang = 2;

// The averaging calibration of the curve views (see QVXSpecPlotCurves).
constexpr double kAverageCalibration = 0.5 * (1.0 - 0.36787944117144233) / 0.95;

// Colour roles of live, average and peak hold for a channel slot, or for the
// mix.
std::int32_t RoleOf(std::int32_t type, std::int32_t slot, bool mix)
{
    switch (type)
    {
    case QVXSpecConfig::kDtAverage:
        return mix ? Plot::clrLRAvg : slot == 0 ? Plot::clrLeftAvg : Plot::clrRightAvg;
    case QVXSpecConfig::kDtPeakHold:
        return mix ? Plot::clrLRPeak : slot == 0 ? Plot::clrLeftPeak : Plot::clrRightPeak;
    default:
        return mix ? Plot::clrLR : slot == 0 ? Plot::clrLeft : Plot::clrRight;
    }
}

bool IsShown(const QVXSpecConfig::SpectrumViewOptions& options, std::int32_t type)
{
    switch (type)
    {
    case QVXSpecConfig::kDtAverage:
        return options.mShowAverage;
    case QVXSpecConfig::kDtPeakHold:
        return options.mPeakHold;
    default:
        return options.mInstantaneous;
    }
}

// The bar style's filled type: 0 live, 1 peak hold, 2 average.
std::int32_t FilledType(std::int32_t barView)
{
    switch (barView)
    {
    case 1:
        return QVXSpecConfig::kDtPeakHold;
    case 2:
        return QVXSpecConfig::kDtAverage;
    default:
        return QVXSpecConfig::kDtInstant;
    }
}

float ValueOf(const QVXSpecPlotBars::BandState& band, std::int32_t type)
{
    switch (type)
    {
    case QVXSpecConfig::kDtAverage:
        return band.average;
    case QVXSpecConfig::kDtPeakHold:
        return band.hold;
    default:
        return band.live;
    }
}

bool BothSlotsDrawn(const Plot& plot)
{
    return Plot::IsSlotDrawn(QVXSpecConfig::kAna3rdOct, plot.GetChannelMode(), 0) &&
           Plot::IsSlotDrawn(QVXSpecConfig::kAna3rdOct, plot.GetChannelMode(), 1);
}

bool IsDrawn(const Plot& plot, std::int32_t slot)
{
    return Plot::IsSlotDrawn(QVXSpecConfig::kAna3rdOct, plot.GetChannelMode(), slot);
}
} // namespace

QVXSpecPlotBars::~QVXSpecPlotBars()
{
    ReleaseReaders();
}

// ---------------------------------------------------------------- geometry

std::int32_t QVXSpecPlotBars::BandLeft(const QVXSpecPlotFrame& plot, std::int32_t bands,
                                       std::int32_t band)
{
    const std::int32_t pitch = plot.GetBarWidth() + plot.GetBarGap();
    const std::int32_t first = (plot.GetWidth() - pitch * bands + plot.GetBarGap()) / 2;
    return first + band * pitch;
}

QVXSpecPlotBars::BarPlace QVXSpecPlotBars::SlotBar(const QVXSpecPlotFrame& plot, std::int32_t bands,
                                                   std::int32_t band, std::int32_t slot,
                                                   bool bothSlots)
{
    const std::int32_t left = BandLeft(plot, bands, band);
    if (!bothSlots)
        return {left, plot.GetBarWidth()};
    const std::int32_t half = plot.GetHalfBarWidth();
    return {left + (slot == 1 ? half : 0), half};
}

std::int32_t QVXSpecPlotBars::BarBottom(const QVXSpecPlotFrame& plot)
{
    return plot.GetHeight() - plot.GetLabelStripHeight();
}

std::string_view QVXSpecPlotBars::BandLabel(std::int32_t band, std::int32_t plotWidth)
{
    if (band < 0 || band > kLastIsoBand - kFirstIsoBand)
        return {};
    // A narrow plot keeps 31, 63, 125, ... 16k: every third band from the third.
    if (plotWidth < kFullLabelsWidth && band % 3 != 2)
        return {};
    return Quarvix3rdOctAnalysisService::GetBandLabel(band + kFirstIsoBand);
}

std::int32_t QVXSpecPlotBars::BandAt(const QVXSpecPlotFrame& plot, std::int32_t bands,
                                     std::int32_t x)
{
    for (std::int32_t b = 0; b < bands; ++b)
    {
        const std::int32_t left = BandLeft(plot, bands, b);
        if (x >= left - 1 && x <= left + plot.GetBarWidth() + 1)
            return b;
    }
    return -1;
}

// ---------------------------------------------------------------- readers

void QVXSpecPlotBars::ReleaseReaders()
{
    // Readers of meters that were replaced went with them.
    Quarvix3rdOctAnalysisService* live = mPlot ? mPlot->GetLinked3rdOctService() : nullptr;
    const bool current = live && live == mService && live->GetMeterGeneration() == mGeneration;
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        for (std::int32_t b = 0; b < static_cast<std::int32_t>(mSlots[slot].size()); ++b)
        {
            BandState& band = mSlots[slot][static_cast<std::size_t>(b)];
            if (current)
            {
                if (band.peakReader)
                    live->GetBandPeakMeter(slot, b)->ReleaseMeter(*band.peakReader);
                if (band.rmsReader)
                    live->GetBandRmsMeter(slot, b)->ReleaseMeter(*band.rmsReader);
            }
            band.peakReader = band.rmsReader = nullptr;
        }
    }
    mService = nullptr;
}

void QVXSpecPlotBars::Rebuild(QVXSpecPlotFrame& plot)
{
    ReleaseReaders();
    mPlot = &plot;
    mService = plot.GetLinked3rdOctService();
    mGeneration = mService ? mService->GetMeterGeneration() : 0;
    mBandCount = mService ? mService->GetBandCount() : 0;
    mUpdated = false;
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        std::vector<BandState>& bands = mSlots[static_cast<std::size_t>(slot)];
        bands.assign(static_cast<std::size_t>(mBandCount), BandState{});
        if (plot.GetView() != QVXSpecConfig::kAna3rdOct || !IsDrawn(plot, slot))
            continue;
        for (std::int32_t b = 0; b < mBandCount; ++b)
        {
            MeteringManager* peak = mService->GetBandPeakMeter(slot, b);
            MeteringManager* rms = mService->GetBandRmsMeter(slot, b);
            if (!peak || !rms)
                continue;
            BandState& band = bands[static_cast<std::size_t>(b)];
            band.peakReader = &peak->AddMeter();
            band.rmsReader = &rms->AddMeter();
            for (MeterReader* reader : {band.peakReader, band.rmsReader})
            {
                reader->SetHoldTime(kReaderHoldTicks);
                reader->SetDecayRate(kReaderDecayRate);
            }
        }
    }
}

// ---------------------------------------------------------------- ballistics

void QVXSpecPlotBars::RestartHold(QVXSpecPlotFrame& /*plot*/, std::uint32_t now)
{
    for (auto& bands : mSlots)
        for (BandState& band : bands)
            band.holdTick = now;
}

void QVXSpecPlotBars::ResetHold(QVXSpecPlotFrame& /*plot*/, std::uint32_t now)
{
    for (auto& bands : mSlots)
    {
        for (BandState& band : bands)
        {
            band.hold = band.live;
            band.holdTick = now;
        }
    }
}

void QVXSpecPlotBars::Update(QVXSpecPlotFrame& plot, std::uint32_t now)
{
    // The service replaced its meters (a new stream format): new readers.
    Quarvix3rdOctAnalysisService* live = plot.GetLinked3rdOctService();
    if (&plot != mPlot || live != mService ||
        (live && live->GetMeterGeneration() != mGeneration))
        Rebuild(plot);
    const QVXSpecConfig* config = plot.GetSpecConfig();
    if (!config || mBandCount == 0)
        return;
    const double dt = mUpdated ? static_cast<std::int32_t>(now - mLastUpdate) : 0;
    mLastUpdate = now;
    mUpdated = true;
    // A frozen display holds what it shows.
    if (plot.IsFrozen())
        return;

    const auto& options = config->GetViewOptions(QVXSpecConfig::kAna3rdOct);
    const double fall = 60.0 / std::max(options.mInstantaneousDecayTime, 1e-3f) * dt / 60.0;
    const double alpha = 1.0 / (1.0 + kAverageCalibration * options.mAveragingTime * kDisplayRate);
    const double holdFall = dt / std::max(options.mPeakDecay, 1e-3f);
    const bool holdsForever = options.mPeakHoldTime < 0.0f;
    const double holdTicks = static_cast<double>(options.mPeakHoldTime) * 60.0;

    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        if (!IsDrawn(plot, slot))
            continue;
        for (BandState& band : mSlots[static_cast<std::size_t>(slot)])
        {
            if (band.peakReader)
                band.peakReading = band.peakReader->Read();
            if (band.rmsReader)
                band.rmsReading = band.rmsReader->Read();

            if (band.peakReading > band.live)
                band.live = band.peakReading;
            else
                band.live = std::max(band.peakReading, static_cast<float>(band.live - fall));

            band.average += static_cast<float>((band.rmsReading - band.average) * alpha);

            if (band.live > band.hold)
            {
                band.hold = band.live;
                band.holdTick = now;
            }
            else if (!holdsForever && static_cast<double>(static_cast<std::int32_t>(
                                          now - band.holdTick)) > holdTicks)
            {
                band.hold = std::max(static_cast<float>(band.hold - holdFall), band.live);
            }
        }
    }
}

// ---------------------------------------------------------------- drawing

void QVXSpecPlotBars::Draw(QVXSpecPlotFrame& plot, DrawContext& context, std::uint32_t now)
{
    Update(plot, now);
    const QVXSpecConfig* config = plot.GetSpecConfig();
    if (!config)
        return;
    if (mBandCount == 0)
    {
        context.SetTextFace(kTextFace, plot.GetRoleColor(Plot::clrReadout));
        context.MoveTo({(plot.GetWidth() - context.TextWidth(kNotSupportedText)) / 2,
                        kNotSupportedBaseline});
        context.DrawString(kNotSupportedText);
        return;
    }
    const auto& options = config->GetViewOptions(QVXSpecConfig::kAna3rdOct);
    const bool both = BothSlotsDrawn(plot);
    const std::int32_t filled = FilledType(config->GetThirdOctBarView());
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        if (!IsDrawn(plot, slot))
            continue;
        if (IsShown(options, filled))
            DrawType(plot, context, slot, both, filled, true);
        for (std::int32_t type :
             {QVXSpecConfig::kDtInstant, QVXSpecConfig::kDtAverage, QVXSpecConfig::kDtPeakHold})
        {
            if (type != filled && IsShown(options, type))
                DrawType(plot, context, slot, both, type, false);
        }
    }
    DrawMemorySlots(plot, context, both);
    DrawAlarmMarkers(plot, context, both);
    if (options.mDisplaySwitches[Plot::kShowFreqLabels])
        DrawLabels(plot, context);
}

void QVXSpecPlotBars::DrawType(QVXSpecPlotFrame& plot, DrawContext& context, std::int32_t slot,
                               bool bothSlots, std::int32_t type, bool filled)
{
    const std::vector<BandState>& bands = mSlots[static_cast<std::size_t>(slot)];
    mValues.resize(bands.size());
    for (std::size_t b = 0; b < bands.size(); ++b)
        mValues[b] = ValueOf(bands[b], type);
    const bool mix = plot.GetChannelMode() == QVXSpecConfig::kChSum;
    context.SetForeColor(plot.GetRoleColor(RoleOf(type, slot, mix)));
    DrawLevels(plot, context, mValues.data(), mValues.size(), slot, bothSlots, filled);
}

void QVXSpecPlotBars::DrawLevels(QVXSpecPlotFrame& plot, DrawContext& context, const float* levels,
                                 std::size_t count, std::int32_t slot, bool bothSlots, bool filled)
{
    // A list of another band count belongs to another sample rate.
    if (count != static_cast<std::size_t>(mBandCount))
        return;
    const std::int32_t bottom = BarBottom(plot);
    for (std::int32_t b = 0; b < mBandCount; ++b)
    {
        const std::int32_t y = plot.GetLevelScale().ToY(levels[b]);
        const BarPlace bar = SlotBar(plot, mBandCount, b, slot, bothSlots);
        if (filled)
        {
            if (y < bottom)
                context.PaintRect({bar.left, y, bar.left + bar.width, bottom});
        }
        else if (y < bottom)
        {
            context.PaintRect({bar.left, y, bar.left + bar.width, y + kMarkerHeight});
        }
    }
}

void QVXSpecPlotBars::DrawMemorySlots(QVXSpecPlotFrame& plot, DrawContext& context, bool bothSlots)
{
    const QVXSpecConfig* config = plot.GetSpecConfig();
    for (std::int32_t m = 0; m < QVXSpecConfig::kMemSlotCount; ++m)
    {
        const QVXSpecConfig::MemSlotData& data = config->GetMemSlotData(m);
        if (data.mView != QVXSpecConfig::kAna3rdOct || !data.mVisible || data.mBands != mBandCount)
            continue;
        for (std::int32_t slot = 0; slot < 2 && slot < static_cast<std::int32_t>(data.mChannels.size());
             ++slot)
        {
            const std::vector<float>& values = data.mChannels[static_cast<std::size_t>(slot)];
            std::int32_t role;
            switch (data.mAnalysisChannel)
            {
            case QVXSpecConfig::kChLeft:
                role = Plot::clrMemL1;
                break;
            case QVXSpecConfig::kChRight:
                role = Plot::clrMemR1;
                break;
            case QVXSpecConfig::kChBoth:
                role = slot == 0 ? Plot::clrMemL1 : Plot::clrMemR1;
                break;
            default:
                role = Plot::clrMemM1;
                break;
            }
            context.SetForeColor(plot.GetRoleColor(role + m));
            DrawLevels(plot, context, values.data(), values.size(), slot, bothSlots, false);
        }
    }
}

void QVXSpecPlotBars::DrawLabels(QVXSpecPlotFrame& plot, DrawContext& context)
{
    const QVXSpecConfig* config = plot.GetSpecConfig();
    // The band-level alarm's range is shown while the alarm is armed and
    // covers less than every band.
    std::int32_t low = 0;
    std::int32_t high = -1;
    if (const QVXAlarmManager* alarms = FindAlarmManager(plot))
    {
        bool armed = false;
        for (std::string_view name : {QVXAlarmManager::kBandLevelAlarmL, QVXAlarmManager::kBandLevelAlarmR})
        {
            const auto* alarm = alarms->GetAlarm(name);
            armed = armed || (alarm && alarm->mActive);
        }
        const auto range = config->GetBandLevelRange();
        if (armed && !(range.first <= kFirstIsoBand && range.second >= kLastIsoBand))
        {
            low = range.first;
            high = range.second;
        }
    }
    const std::int32_t width = plot.GetWidth();
    const std::int32_t height = plot.GetHeight();
    const bool staggered = plot.GetLabelStripHeight() >= 13;
    for (std::int32_t b = 0; b < mBandCount; ++b)
    {
        const std::string_view label = BandLabel(b, width);
        if (label.empty())
            continue;
        const std::int32_t iso = b + kFirstIsoBand;
        const bool inRange = iso >= low && iso <= high;
        context.SetTextFace(kTextFace, plot.GetRoleColor(inRange ? Plot::clrReadout : Plot::clrLabels));
        const std::int32_t x =
            BandLeft(plot, mBandCount, b) - (context.TextWidth(label) - plot.GetBarWidth()) / 2;
        const std::int32_t baseline = staggered && (b % 2) == 1 ? height - 12 : height - 2;
        context.MoveTo({x, baseline});
        context.DrawString(label);
    }
}

void QVXSpecPlotBars::DrawAlarmMarkers(QVXSpecPlotFrame& plot, DrawContext& context, bool bothSlots)
{
    const QVXAlarmManager* alarms = FindAlarmManager(plot);
    Quarvix3rdOctAnalysisService* service = plot.GetLinked3rdOctService();
    if (!alarms || !service)
        return;
    service->GetBandLevelPeaks(mPeakBands, mPeaks);
    const std::int32_t bottom = BarBottom(plot);
    context.SetForeColor(plot.GetRoleColor(Plot::clrReadout));
    const std::string_view names[2] = {QVXAlarmManager::kBandLevelAlarmL,
                                       QVXAlarmManager::kBandLevelAlarmR};
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        const auto* alarm = alarms->GetAlarm(names[slot]);
        if (!alarm || !alarm->mActive || !alarm->mTriggered || !IsDrawn(plot, slot))
            continue;
        const std::int32_t band = mPeakBands[static_cast<std::size_t>(slot)];
        if (band < 0 || band >= mBandCount)
            continue;
        // The threshold as a line over the band, and dashed sides from it down
        // to the end of the bars, so the band stands out at any level.
        const BarPlace bar = SlotBar(plot, mBandCount, band, slot, bothSlots);
        const std::int32_t left = bar.left - kAlarmOverhang;
        const std::int32_t right = bar.left + bar.width + kAlarmOverhang;
        const std::int32_t y =
            std::min(plot.GetLevelScale().ToY(alarm->mDescriptor.mThreshold), bottom - kMarkerHeight);
        context.PaintRect({left, y, right, y + kMarkerHeight});
        for (std::int32_t top = y + kMarkerHeight + kDashLength; top < bottom; top += kDashStep)
        {
            const std::int32_t end = std::min(top + kDashLength, bottom);
            context.PaintRect({left, top, left + 1, end});
            context.PaintRect({right - 1, top, right, end});
        }
    }
}

void QVXSpecPlotBars::DrawReadout(QVXSpecPlotFrame& plot, DrawContext& context, Point mouse)
{
    if (mBandCount == 0)
        return;
    const std::int32_t band = BandAt(plot, mBandCount, mouse.x);
    if (band < 0)
        return;
    const std::string label(Quarvix3rdOctAnalysisService::GetBandLabel(band + kFirstIsoBand));
    char text[96];
    std::snprintf(text, sizeof text, "%.1f dB   %sHz (%d)", plot.GetLevelScale().ToLevel(mouse.y),
                  label.c_str(), band + kFirstIsoBand);
    context.MoveTo({plot.GetWidth() - context.TextWidth(text) - kReadoutMargin, kReadoutBaseline});
    context.DrawString(text);
}

bool QVXSpecPlotBars::FillMemSlot(QVXSpecPlotFrame& plot, std::int32_t type,
                                  QVXSpecConfig::MemSlotData& data)
{
    const QVXSpecConfig* config = plot.GetSpecConfig();
    if (!config || mBandCount == 0)
        return false;
    const auto& options = config->GetViewOptions(QVXSpecConfig::kAna3rdOct);
    data.mType = type;
    data.mBands = mBandCount;
    data.mFs = static_cast<std::int32_t>(plot.GetSampleRate());
    data.mWindow = options.mWinType;
    data.mWeighting = options.mSpecWeighting;
    data.mView = QVXSpecConfig::kAna3rdOct;
    data.mAnalysisChannel = plot.GetChannelMode();
    data.mChannels.assign(2, {});
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        if (!IsDrawn(plot, slot))
            continue;
        auto& values = data.mChannels[static_cast<std::size_t>(slot)];
        for (const BandState& band : mSlots[static_cast<std::size_t>(slot)])
            values.push_back(ValueOf(band, type));
    }
    return true;
}

std::optional<float> QVXSpecPlotBars::GetBandLevel(std::int32_t slot, std::int32_t band,
                                                   std::int32_t type) const
{
    if (slot < 0 || slot > 1 || band < 0 ||
        band >= static_cast<std::int32_t>(mSlots[static_cast<std::size_t>(slot)].size()))
        return std::nullopt;
    return ValueOf(mSlots[static_cast<std::size_t>(slot)][static_cast<std::size_t>(band)], type);
}

QVXAlarmManager* QVXSpecPlotBars::FindAlarmManager(const QVXSpecPlotFrame& plot) const
{
    auto* quarvix = dynamic_cast<Quarvix*>(&plot.GetRoot()->GetCore());
    return quarvix ? &quarvix->GetAlarmManager() : nullptr;
}
