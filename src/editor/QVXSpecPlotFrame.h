#pragma once
// The analyzer's display area: one frame that shows, by the configuration's
// current view, the FFT spectrum (view 0), the spectrogram (view 1) or the
// third-octave bars (view 2), on one frequency scale and one level scale.
//
// Every 3 ticks its refresh takes the finished analysis frames from the
// spectrum service's slot pool and turns them into display curves (live curve
// with its fall time, exponential average, peak hold; QVXSpecPlotCurves) or
// spectrogram rows (QVXSpecPlotSpectrogram). Drawing only reads what the
// refresh left, so the numbers can be checked without pixels. While audio runs
// and no frame arrives for 13 ticks, the refresh feeds silent frames so the
// curves keep falling; when the host stops, the display simply stays.
//
// The bars of view 2 are drawn by a ThirdOctaveView that the frame calls for
// drawing, readouts, rebuilding and memory captures; until one is installed
// view 2 shows its level grid and labels only.
//
// The frame is buffered (drawn offscreen, copied once) and hears hover moves
// for its readouts. A plot narrower than 300 pixels cycles the views when
// clicked.
//
// Threads: UI thread only (construction, timers, messages, drawing).

#include "base/ColorSpec.h"
#include "core/MessageSubscriber.h"
#include "core/TimerClient.h"
#include "editor/QVXSpecPlotCurves.h"
#include "editor/QVXSpecPlotScales.h"
#include "editor/QVXSpecPlotSpectrogram.h"
#include "gui/Frame.h"
#include "model/CentralController.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixService.h"
#include "plugin/QuarvixSpecService.h"

#include <array>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class DrawContext;
struct PixelBuffer;

class QVXSpecPlotFrame : public Frame,
                         public TimerClient<QVXSpecPlotFrame>,
                         public MessageSubscriber<QVXSpecPlotFrame>,
                         public QuarvixServiceClient<QuarvixSpecService>,
                         public QuarvixServiceClient<Quarvix3rdOctAnalysisService>,
                         public QuarvixServiceClient<QVXGeneralSpecService>
{
public:
    // Colour roles: indices into the current view's colour set.
    enum ColorRole : std::int32_t
    {
        clrLeft = 0,
        clrRight,
        clrLR,
        clrLeftPeak,
        clrRightPeak,
        clrLRPeak,
        clrLeftAvg,
        clrRightAvg,
        clrLRAvg,
        clrMemL1,
        clrMemL2,
        clrMemL3,
        clrMemR1,
        clrMemR2,
        clrMemR3,
        clrMemM1,
        clrMemM2,
        clrMemM3,
        clrBG,
        clrGrid,
        clrLabels,
        clrReadout,
    };

    // The view's display switches.
    static constexpr std::int32_t kShowFreqLabels = 0;
    static constexpr std::int32_t kShowLevelLabels = 1;
    static constexpr std::int32_t kShowGridLines = 2;
    static constexpr std::int32_t kShowReadouts = 3;

    // Hover moves, buffered, kept buffered when the view buffers too.
    static constexpr std::uint32_t kPlotFlags =
        FrameFlags::kHoverMoves | FrameFlags::kBuffered | FrameFlags::kAlwaysBuffered;
    static constexpr std::int32_t kRefreshTimer = 0;
    static constexpr std::int32_t kRefreshTicks = 3;
    static constexpr std::int32_t kZoomReadoutTimer = 1;
    static constexpr std::int32_t kZoomReadoutTicks = 300;
    // Ticks without analysis frames after which silence is fed (while audio runs).
    static constexpr std::int32_t kSilenceAfterTicks = 13;
    static constexpr std::int32_t kNarrowWidth = 300;
    static constexpr std::int32_t kFreezeSwitchId = FourCCValue("frez");

    // The third-octave bars (view 2), drawn by the same frame on its level
    // scale. Every call comes from the UI thread while the frame lives.
    class ThirdOctaveView
    {
    public:
        virtual ~ThirdOctaveView() = default;
        // The sample rate, the view, the channel mode or the layout changed:
        // meter readers and per-band state follow.
        virtual void Rebuild(QVXSpecPlotFrame& /*plot*/) {}
        // Held peaks hold again from now.
        virtual void RestartHold(QVXSpecPlotFrame& /*plot*/, std::uint32_t /*now*/) {}
        // Held peaks start again from the live values (the restart command).
        virtual void ResetHold(QVXSpecPlotFrame& /*plot*/, std::uint32_t /*now*/) {}
        // The bars, after the background and the level grid (ballistics at
        // drawing time, `now` being the draw tick).
        virtual void Draw(QVXSpecPlotFrame& /*plot*/, DrawContext& /*context*/,
                          std::uint32_t /*now*/)
        {
        }
        // The readout for the mouse at a local point.
        virtual void DrawReadout(QVXSpecPlotFrame& /*plot*/, DrawContext& /*context*/,
                                 Point /*mouse*/)
        {
        }
        // A memory curve of data type 0 (live), 1 (average) or 2 (peak hold);
        // false when there is nothing to store.
        virtual bool FillMemSlot(QVXSpecPlotFrame& /*plot*/, std::int32_t /*type*/,
                                 QVXSpecConfig::MemSlotData& /*data*/)
        {
            return false;
        }
        // The level band b of a channel slot shows, of data type 0 (live),
        // 1 (average) or 2 (peak hold), in dB; none when there is no such band.
        virtual std::optional<float> GetBandLevel(std::int32_t /*slot*/, std::int32_t /*band*/,
                                                  std::int32_t /*type*/) const
        {
            return std::nullopt;
        }
    };

    // flags gets kPlotFlags added.
    QVXSpecPlotFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                     std::int32_t height, std::uint32_t flags, std::int32_t id);
    ~QVXSpecPlotFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    // The refresh timer's work: analysis frames into curves or rows.
    void Refresh();
    // What the current view shows, as tab-separated text: a header naming the
    // plug-in and the view, then the real-time curves or band values and every
    // visible memory slot of the view (the spectrogram has the header only).
    // Numbers in the "C" locale's forms whatever the process has set.
    void ExportText(std::ostream& out) const;
    // Every held peak starts again from the live curve (the panel's restart).
    void RestartPeakHold();

    // The freeze switch the panel's blinking button drives.
    BooleanController& GetFreezeSwitch() const { return *mFreezeSwitch; }
    bool IsFrozen() const { return mFreezeSwitch->GetValue() != 0; }

    void SetThirdOctaveView(std::unique_ptr<ThirdOctaveView> view);
    ThirdOctaveView& GetThirdOctaveView() const { return *mThirdOctaveView; }

    // Another colour-map picture than the skin's (null: back to the skin's).
    void SetColorMapPicture(std::shared_ptr<const PixelBuffer> picture);

    // Whether a channel slot is drawn in a view for an analysis channel mode.
    static bool IsSlotDrawn(std::int32_t view, std::int32_t channelMode,
                            std::int32_t slot) noexcept;

    QVXSpecConfig* GetSpecConfig() const { return mConfig; }
    QuarvixSpecService* GetSpecService() const { return mSpecService; }
    Quarvix3rdOctAnalysisService* Get3rdOctService() const { return mThirdOctService; }
    // The service while it lives (a service that goes first clears the link).
    Quarvix3rdOctAnalysisService* GetLinked3rdOctService() const
    {
        return QuarvixServiceClient<Quarvix3rdOctAnalysisService>::GetService();
    }
    std::int32_t GetView() const;
    std::int32_t GetChannelMode() const { return mChannelMode; }
    double GetSampleRate() const;
    // A colour of the current view's set; black when the role is unknown.
    CVLCanvas::ColorSpec GetRoleColor(std::int32_t role) const;

    const QVXSpecPlotFreqScale& GetFreqScale() const { return mFreqScale; }
    const QVXSpecPlotLevelScale& GetLevelScale() const { return mLevelScale; }
    const QVXSpecPlotCurves& GetCurves(std::int32_t slot) const { return mCurves[slot & 1]; }
    const QVXSpecPlotSpectrogram& GetSpectrogram() const { return mSpectrogram; }

    // Layout (normal / narrow): bar width 10 / 5, half bar 5 / 2, gap 6 / 3,
    // band-label strip 20 / 10.
    bool IsNarrow() const { return mNarrow; }
    std::int32_t GetBarWidth() const { return mBarWidth; }
    std::int32_t GetHalfBarWidth() const { return mHalfBarWidth; }
    std::int32_t GetBarGap() const { return mBarGap; }
    std::int32_t GetLabelStripHeight() const { return mLabelStripHeight; }

    bool IsZoomReadoutVisible() const { return mZoomReadout; }
    bool IsFeedingSilence() const { return mFeedingSilence; }
    std::uint32_t GetLastCurveUpdate() const { return mLastCurveUpdate; }
    std::uint32_t GetLastDraw() const { return mLastDraw; }

private:
    void OnConfigMessage(std::int32_t what);
    void OnCoreMessage(std::int32_t what);
    void OnFreezeMessage(std::int32_t what);
    void HideZoomReadout();

    std::uint32_t CurrentTick();
    const QVXSpecConfig::SpectrumViewOptions* Options() const;
    std::int32_t DisplaySwitch(std::int32_t index) const;
    bool IsAnalysisEnabled() const;
    bool IsSlotDrawn(std::int32_t slot) const { return IsSlotDrawn(GetView(), mChannelMode, slot); }
    bool GetMouseLocal(Point& point) const;

    // Rebuilding.
    void RebuildFreqScale();
    void RebuildLevelScale();
    void RebuildMemoryTables();
    void RebuildMemoryTable(std::int32_t slot);
    void RebuildSpectrogram();
    void RebuildColorTables();
    void ResizeCurves();
    void ApplyChannelMode();
    void UpdateClientActivity();
    void StoreMemory(std::int32_t type);
    void MeasureLabels(DrawContext& context);

    // Refreshing.
    void DiscardPendingResults();
    void TakePendingResults();
    void ReleasePendingResults();
    void RefreshCurves(std::uint32_t now, bool force);
    void RefreshSpectrogram();
    void RedrawIfDue(std::uint32_t now);

    // Drawing.
    void DrawFrequencyGrid(DrawContext& context, std::int32_t view);
    void DrawLevelGrid(DrawContext& context, std::int32_t view);
    void DrawFrequencyLabels(DrawContext& context, const CVLCanvas::ColorSpec& color);
    void DrawMemorySlots(DrawContext& context);
    void DrawLiveCurves(DrawContext& context);
    void DrawCurve(DrawContext& context, const float* levels, std::int32_t first, std::int32_t last,
                   const std::int32_t* x);
    void DrawReadouts(DrawContext& context, std::int32_t view, bool enabled);
    void DrawBoxedText(DrawContext& context, std::string_view text, std::int32_t x,
                       std::int32_t baseline);

    PluginCore* mCore = nullptr;
    QVXSpecConfig* mConfig = nullptr; // not owned
    QuarvixSpecService* mSpecService = nullptr;
    Quarvix3rdOctAnalysisService* mThirdOctService = nullptr;
    std::unique_ptr<BooleanController> mFreezeSwitch;
    std::unique_ptr<ThirdOctaveView> mThirdOctaveView;
    std::shared_ptr<const PixelBuffer> mColorMapPicture;

    // Layout.
    bool mNarrow = false;
    std::int32_t mBarWidth = 10;
    std::int32_t mHalfBarWidth = 5;
    std::int32_t mBarGap = 6;
    std::int32_t mLabelStripHeight = 20;

    // Scales and the tables drawn from them.
    QVXSpecPlotFreqScale mFreqScale;
    QVXSpecPlotLevelScale mLevelScale;
    std::array<std::vector<std::int32_t>, QVXSpecConfig::kMemSlotCount> mMemoryX;
    std::vector<std::int32_t> mLinearLabelWidths;
    std::vector<std::int32_t> mLogLabelWidths;
    bool mLabelsMeasured = false;

    // Curves and spectrogram.
    std::int32_t mFftSize = 0;
    std::int32_t mChannelMode = QVXSpecConfig::kChSum;
    std::array<QVXSpecPlotCurves, 2> mCurves;
    std::vector<float> mSilentFrame;
    QVXSpecPlotSpectrogram mSpectrogram;
    std::vector<SpecCaptureAgentDyn::Slot*> mPending;
    std::vector<QVXSpecPlotSpectrogram::Result> mRows;

    // Ticks.
    std::uint32_t mLastRefresh = 0;
    std::uint32_t mLastFinish = 0;
    std::uint32_t mLastCurveUpdate = 0;
    std::uint32_t mLastDraw = 0;
    std::uint32_t mDrawTick = 0;
    double mElapsed = 0.0;

    bool mZoomReadout = false;
    bool mFeedingSilence = false;
    bool mChannelModeChanged = false;

    // Polyline points, grown on demand.
    std::vector<std::int32_t> mPointsX;
    std::vector<std::int32_t> mPointsY;
};
