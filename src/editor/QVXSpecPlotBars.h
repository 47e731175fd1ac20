#pragma once
// The third-octave bars: view 2 of the plot. One bar per ISO band and channel
// slot, read from the third-octave service's peak and RMS meters through meter
// readers, with the display's own ballistics worked out at drawing time:
//   live       follows peaks up at once and falls at 60 dB per fall time;
//   average    an exponential average of the RMS readings at 20 updates a second;
//   peak hold  the highest live value, held for the hold time, then falling
//              at the peak fall rate but never below the live value.
// The configuration's bar style draws one of them as filled bars and the
// other two as 2-pixel level markers. Memory slots of this view with the
// current band count show as markers too; band labels sit in the strip under
// the bars, those of the band-level alarm's range in the readout colour; a
// band whose level set off a band-level alarm is marked by a threshold line
// and dashed sides.
//
// Readers come from the service's meters and go back to them when the bars
// are rebuilt or destroyed, unless the service replaced its meters in the
// meantime (its meter generation moved on), in which case the readers went
// with the old meters.
//
// Threads: UI thread only.

#include "editor/QVXSpecPlotFrame.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

class MeterReader;
class QVXAlarmManager;

class QVXSpecPlotBars : public QVXSpecPlotFrame::ThirdOctaveView
{
public:
    // Meter readers hold a peak for 15 ticks.
    static constexpr std::int32_t kReaderHoldTicks = 15;
    static constexpr float kReaderDecayRate = 60.0f;
    // Where live, average and peak hold start.
    static constexpr float kResetLevel = -100.0f;
    // The averages take the display as running at this many updates a second.
    static constexpr double kDisplayRate = 20.0;
    // Text face, baseline and text of a sample rate without a filter bank.
    static constexpr std::string_view kNotSupportedText = "- Current Sample Rate Not Supported -";
    static constexpr std::int32_t kNotSupportedBaseline = 24;
    // Plots narrower than this label only every third band.
    static constexpr std::int32_t kFullLabelsWidth = 301;

    // Per band of one channel slot, in dB.
    struct BandState
    {
        MeterReader* peakReader = nullptr;
        MeterReader* rmsReader = nullptr;
        float peakReading = kResetLevel;
        float rmsReading = kResetLevel;
        float live = kResetLevel;
        float average = kResetLevel;
        float hold = kResetLevel;
        std::uint32_t holdTick = 0;
    };

    // How one band's bar of a channel slot lies: [left, right) x [top of the
    // level, barBottom).
    struct BarPlace
    {
        std::int32_t left = 0;
        std::int32_t width = 0;
    };

    QVXSpecPlotBars() = default;
    ~QVXSpecPlotBars() override;
    QVXSpecPlotBars(const QVXSpecPlotBars&) = delete;
    QVXSpecPlotBars& operator=(const QVXSpecPlotBars&) = delete;

    void Rebuild(QVXSpecPlotFrame& plot) override;
    void RestartHold(QVXSpecPlotFrame& plot, std::uint32_t now) override;
    void ResetHold(QVXSpecPlotFrame& plot, std::uint32_t now) override;
    void Draw(QVXSpecPlotFrame& plot, DrawContext& context, std::uint32_t now) override;
    void DrawReadout(QVXSpecPlotFrame& plot, DrawContext& context, Point mouse) override;
    bool FillMemSlot(QVXSpecPlotFrame& plot, std::int32_t type,
                     QVXSpecConfig::MemSlotData& data) override;
    std::optional<float> GetBandLevel(std::int32_t slot, std::int32_t band,
                                      std::int32_t type) const override;

    // The ballistics of one draw (the draw does this before drawing).
    void Update(QVXSpecPlotFrame& plot, std::uint32_t now);

    std::int32_t GetBandCount() const noexcept { return mBandCount; }
    const std::vector<BandState>& GetBands(std::int32_t slot) const { return mSlots[slot & 1]; }

    // Geometry of a plot with B bands: the left edge of band b's full bar.
    static std::int32_t BandLeft(const QVXSpecPlotFrame& plot, std::int32_t bands, std::int32_t band);
    // The bar of a channel slot: half width, the second slot half a width to
    // the right, when both slots are drawn.
    static BarPlace SlotBar(const QVXSpecPlotFrame& plot, std::int32_t bands, std::int32_t band,
                            std::int32_t slot, bool bothSlots);
    // The row where the bar area ends.
    static std::int32_t BarBottom(const QVXSpecPlotFrame& plot);
    // The label drawn under band b (empty when this width leaves it out).
    static std::string_view BandLabel(std::int32_t band, std::int32_t plotWidth);
    // The band whose bar [left - 1, left + W + 1] holds x, or -1.
    static std::int32_t BandAt(const QVXSpecPlotFrame& plot, std::int32_t bands, std::int32_t x);

private:
    void ReleaseReaders();
    QVXAlarmManager* FindAlarmManager(const QVXSpecPlotFrame& plot) const;
    void DrawType(QVXSpecPlotFrame& plot, DrawContext& context, std::int32_t slot, bool bothSlots,
                  std::int32_t type, bool filled);
    void DrawMemorySlots(QVXSpecPlotFrame& plot, DrawContext& context, bool bothSlots);
    void DrawLabels(QVXSpecPlotFrame& plot, DrawContext& context);
    void DrawAlarmMarkers(QVXSpecPlotFrame& plot, DrawContext& context, bool bothSlots);
    void DrawLevels(QVXSpecPlotFrame& plot, DrawContext& context, const float* levels,
                    std::size_t count, std::int32_t slot, bool bothSlots, bool filled);

    // The plot the readers were made for, and the service and meter
    // generation they came from.
    QVXSpecPlotFrame* mPlot = nullptr;
    Quarvix3rdOctAnalysisService* mService = nullptr;
    std::uint32_t mGeneration = 0;
    std::int32_t mBandCount = 0;
    std::array<std::vector<BandState>, 2> mSlots;
    std::uint32_t mLastUpdate = 0;
    bool mUpdated = false;
    // Kept between draws so that drawing allocates nothing once warm.
    std::vector<float> mValues;
    std::vector<std::int32_t> mPeakBands;
    std::vector<float> mPeaks;
};
