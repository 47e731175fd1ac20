#pragma once
// The band-level alarm panel under the plot: the severity and threshold of
// both channels' band-level alarms, the band range they watch, and each
// channel's latched level.
//
// The panel owns the alarms' feed: every 30 ticks it takes the highest band
// peak of each channel within the configured range from the third-octave
// service and posts it, in dB, to "spectrum.band_level.L" and "...R". The
// alarms are armed only in the third-octave view, and only for the channels
// the channel mode analyses (the mix is measured in the left channel's
// meters). When an alarm is activated or cleared, the service's band peaks
// start again, so a cleared alarm is not set off again by an old peak; when
// the band range changes, both alarms are reset.
//
// Its children are placed in skin coordinates: the panel's child origin is
// its own position in the analyzer panel, negated.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "core/TimerClient.h"
#include "gui/ControlContainer.h"
#include "gui/Frame.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixService.h"

#include <cstdint>
#include <string_view>
#include <vector>

class QVXAlarmManager;
class QVXAlarmedValueDispFrame;
class QVXAlarmSeverityButton;
class QVXAlarmTHDispFrame;
class QVXSpecConfig;
class QVXValueIncDecFrame;

class QVXSpecBandLevelAlarmFrame : public PixMapDrawFrame,
                                   public MessageSubscriber<QVXSpecBandLevelAlarmFrame>,
                                   public TimerClient<QVXSpecBandLevelAlarmFrame>,
                                   public ControlContainer,
                                   public QuarvixServiceClient<Quarvix3rdOctAnalysisService>
{
public:
    // Control codes of the band selectors' buttons.
    static constexpr std::int32_t kLowerBandDown = 0;
    static constexpr std::int32_t kLowerBandUp = 1;
    static constexpr std::int32_t kUpperBandDown = 2;
    static constexpr std::int32_t kUpperBandUp = 3;
    static constexpr std::int32_t kFeedTimer = 0;
    static constexpr std::int32_t kFeedTicks = 30;
    // Peaks below this amplitude post as -1000 dB.
    static constexpr double kPeakFloor = 1e-6;

    // analyzerPicture: the analyzer panel's skin (the panel's background and
    // its buttons' images); headerPicture: the skin with the value displays'
    // severity backgrounds. Placed at the layout's band-level alarm rectangle.
    QVXSpecBandLevelAlarmFrame(Frame* parent, DrawContext* analyzerPicture,
                               DrawContext* headerPicture, std::uint32_t flags = 0,
                               std::int32_t id = 0);
    ~QVXSpecBandLevelAlarmFrame() override;

    void OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam b) override;

    // The timer's work: both channels' band peaks to their alarms.
    void FeedAlarms();

    QVXValueIncDecFrame* GetLowerBandSelector() const { return mLowerBand; }
    QVXValueIncDecFrame* GetUpperBandSelector() const { return mUpperBand; }
    QVXAlarmSeverityButton* GetSeverityButton() const { return mSeverity; }
    QVXAlarmTHDispFrame* GetThresholdDisplay() const { return mThreshold; }
    QVXAlarmedValueDispFrame* GetValueDisplay(std::int32_t channel) const
    {
        return mValues[channel & 1];
    }

private:
    using Subscriber = MessageSubscriber<QVXSpecBandLevelAlarmFrame>;

    void OnConfigMessage(std::int32_t what);
    void OnAlarmMessage(std::int32_t what);
    void UpdateArming();
    void ShowBandRange();
    void StepBand(bool upper, std::int32_t direction);

    QVXSpecConfig* mConfig = nullptr;     // not owned
    QVXAlarmManager* mAlarms = nullptr;   // not owned; null once it is gone
    // Children: owned by the frame tree.
    QVXValueIncDecFrame* mLowerBand = nullptr;
    QVXValueIncDecFrame* mUpperBand = nullptr;
    QVXAlarmSeverityButton* mSeverity = nullptr;
    QVXAlarmTHDispFrame* mThreshold = nullptr;
    QVXAlarmedValueDispFrame* mValues[2] = {nullptr, nullptr};
    std::vector<std::int32_t> mPeakBands;
    std::vector<float> mPeaks;
};
