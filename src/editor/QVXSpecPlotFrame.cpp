#include "editor/QVXSpecPlotFrame.h"

#include "editor/QVXSpecPlotBars.h"

#include "core/PluginCore.h"
#include "core/TimerManager.h"
#include "gui/DrawContext.h"
#include "gui/OGWorld.h"
#include "gui/Pictures.h"
#include "gui/PluginUIRoot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace
{
using namespace QVXSpecConfigMessages;

constexpr CVLCanvas::ColorSpec kBlack{0, 0, 0};
constexpr CVLCanvas::ColorSpec kWhite{255, 255, 255};
// The 7-point face: labels and readouts.
constexpr std::int32_t kTextFace = 1;

constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kCoreSubRef = 2;
constexpr std::int32_t kFreezeSubRef = 3;

// Baselines of the readouts.
constexpr std::int32_t kReadoutBaseline = 16;
constexpr std::int32_t kWeightingBaseline = 28;
constexpr std::int32_t kReadoutMargin = 20;

// The lowest level that gets a label, by view (0 or 2) and level-range
// selection 0, 1, 2 or other: the line at the bottom edge stays unlabelled,
// its label would sit on the frequency labels.
double LowestLabelledLevel(std::int32_t view, std::int32_t selection)
{
    static constexpr double kFft[4] = {-55.0, -95.0, -135.0, -99.0};
    static constexpr double kBars[4] = {-65.0, -105.0, -145.0, -99.0};
    const std::size_t i = selection >= 0 && selection < 3 ? static_cast<std::size_t>(selection) : 3;
    return view == QVXSpecConfig::kAna3rdOct ? kBars[i] : kFft[i];
}

// The third-octave service's channel selection for an analysis channel mode.
std::int32_t ThirdOctaveSelection(std::int32_t mode)
{
    switch (mode)
    {
    case QVXSpecConfig::kChLeft:
        return Quarvix3rdOctAnalysisService::kSelectLeft;
    case QVXSpecConfig::kChRight:
        return Quarvix3rdOctAnalysisService::kSelectRight;
    case QVXSpecConfig::kChBoth:
        return Quarvix3rdOctAnalysisService::kSelectBoth;
    default:
        return Quarvix3rdOctAnalysisService::kSelectSum;
    }
}

template <class... Args> std::string Format(const char* format, Args... args)
{
    char text[96];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::span<const float> FramePart(std::span<const float> channel, std::int32_t length)
{
    if (length <= 0 || channel.size() < static_cast<std::size_t>(length))
        return {};
    return channel.first(static_cast<std::size_t>(length));
}
} // namespace

// ---------------------------------------------------------------- construction

QVXSpecPlotFrame::QVXSpecPlotFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                   std::int32_t width, std::int32_t height, std::uint32_t flags,
                                   std::int32_t id)
    : Frame(parent, x, y, width, height, flags | kPlotFlags, id), TimerClient<QVXSpecPlotFrame>(
                                                                      &GetRoot()->GetCore(), this),
      MessageSubscriber<QVXSpecPlotFrame>(&GetRoot()->GetCore()),
      QuarvixServiceClient<QuarvixSpecService>(nullptr, false),
      QuarvixServiceClient<Quarvix3rdOctAnalysisService>(nullptr, false),
      QuarvixServiceClient<QVXGeneralSpecService>(nullptr, true)
{
    PluginCore& core = GetRoot()->GetCore();
    mCore = &core;
    auto* general = FindQuarvixService<QVXGeneralSpecService>(&core);
    mSpecService = FindQuarvixService<QuarvixSpecService>(&core);
    mThirdOctService = FindQuarvixService<Quarvix3rdOctAnalysisService>(&core);
    mConfig = general ? general->GetSpecConfig() : nullptr;
    QuarvixServiceClient<QVXGeneralSpecService>::SetService(general);
    QuarvixServiceClient<QuarvixSpecService>::SetService(mSpecService);
    QuarvixServiceClient<Quarvix3rdOctAnalysisService>::SetService(mThirdOctService);

    mNarrow = GetWidth() < kNarrowWidth;
    mBarWidth = mNarrow ? 5 : 10;
    mHalfBarWidth = mNarrow ? 2 : 5;
    mBarGap = mNarrow ? 3 : 6;
    mLabelStripHeight = mNarrow ? 10 : 20;
    mThirdOctaveView = std::make_unique<QVXSpecPlotBars>();
    mPointsX.reserve(512);
    mPointsY.reserve(512);

    mFreezeSwitch = std::make_unique<BooleanController>(&core, false, kFreezeSwitchId);
    Subscribe(mFreezeSwitch->GetMsgClass(), kFreezeSubRef, &QVXSpecPlotFrame::OnFreezeMessage);
    if (mConfig)
        Subscribe(mConfig->GetMsgClass(kClass), kConfigSubRef, &QVXSpecPlotFrame::OnConfigMessage);
    Subscribe(core.GetMsgClass(PluginCoreMessages::kConfigClass), kCoreSubRef,
              &QVXSpecPlotFrame::OnCoreMessage);
    AddTimer(TimerManager::Periodic, kRefreshTicks, &QVXSpecPlotFrame::Refresh, kRefreshTimer);
    AddTimer(TimerManager::OneShot, kZoomReadoutTicks, &QVXSpecPlotFrame::HideZoomReadout,
             kZoomReadoutTimer);

    if (DrawContext* window = GetRoot()->GetWindowContext())
        MeasureLabels(*window);
    mChannelMode = mConfig ? mConfig->GetAnalysisChannel() : QVXSpecConfig::kChSum;
    if (mThirdOctService)
        mThirdOctService->SetAnalysisChannel(ThirdOctaveSelection(mChannelMode));
    ResizeCurves();
    RebuildFreqScale();
    RebuildLevelScale();
    // Until now the pool stored nothing: no display was there to take frames.
    if (mSpecService)
        mSpecService->SetCaptureMode(SpecCaptureAgentDyn::kModeSlots);
    mColorMapPicture = FindPicture(QVXSpecPlotSpectrogram::kColorMapPicture);
    RebuildColorTables();
    RebuildSpectrogram();
    mThirdOctaveView->Rebuild(*this);
    UpdateClientActivity();

    const std::uint32_t now = CurrentTick();
    mLastRefresh = mLastFinish = mLastCurveUpdate = mLastDraw = mDrawTick = now;
}

QVXSpecPlotFrame::~QVXSpecPlotFrame()
{
    // The bars draw from this frame; and the freeze switch must not report
    // its end to a frame half gone.
    mThirdOctaveView.reset();
    MessageSubscriber<QVXSpecPlotFrame>::Unsubscribe(kFreezeSubRef);
    ReleasePendingResults();
}

void QVXSpecPlotFrame::SetThirdOctaveView(std::unique_ptr<ThirdOctaveView> view)
{
    mThirdOctaveView = view ? std::move(view) : std::make_unique<ThirdOctaveView>();
    mThirdOctaveView->Rebuild(*this);
    Invalidate();
}

void QVXSpecPlotFrame::SetColorMapPicture(std::shared_ptr<const PixelBuffer> picture)
{
    mColorMapPicture =
        picture ? std::move(picture) : FindPicture(QVXSpecPlotSpectrogram::kColorMapPicture);
    RebuildColorTables();
    Invalidate();
}

// ---------------------------------------------------------------- state

std::uint32_t QVXSpecPlotFrame::CurrentTick()
{
    return mCore->GetTimerManager().GetCurrentTick();
}

const QVXSpecConfig::SpectrumViewOptions* QVXSpecPlotFrame::Options() const
{
    return mConfig ? &mConfig->GetCurrentViewOptions() : nullptr;
}

std::int32_t QVXSpecPlotFrame::GetView() const
{
    return mConfig ? mConfig->GetSpectrumView() : QVXSpecConfig::kAnaFFT;
}

std::int32_t QVXSpecPlotFrame::DisplaySwitch(std::int32_t index) const
{
    return mConfig ? mConfig->GetDisplaySwitch(index) : 1;
}

bool QVXSpecPlotFrame::IsAnalysisEnabled() const
{
    return mConfig && mConfig->GetAnaEnabled();
}

double QVXSpecPlotFrame::GetSampleRate() const
{
    if (mSpecService && mSpecService->GetSampleRate() > 0.0f)
        return mSpecService->GetSampleRate();
    return mCore->GetSampleRate() > 0.0f ? mCore->GetSampleRate() : 44100.0;
}

CVLCanvas::ColorSpec QVXSpecPlotFrame::GetRoleColor(std::int32_t role) const
{
    const std::int32_t view = GetView();
    if (!mConfig || role < 0 || role >= QVXSpecConfig::kColorRoleCount || view < 0 ||
        view >= QVXSpecConfig::kColorSetCount)
        return kBlack;
    return mConfig->GetColor(view, role);
}

bool QVXSpecPlotFrame::IsSlotDrawn(std::int32_t view, std::int32_t channelMode,
                                   std::int32_t slot) noexcept
{
    // The mix travels in the second slot of the FFT frames but in the first
    // channel of the third-octave meters.
    if (view == QVXSpecConfig::kAna3rdOct)
    {
        if (slot == 0)
            return channelMode == QVXSpecConfig::kChLeft || channelMode == QVXSpecConfig::kChBoth ||
                   channelMode == QVXSpecConfig::kChSum;
        return channelMode == QVXSpecConfig::kChRight || channelMode == QVXSpecConfig::kChBoth;
    }
    if (slot == 0)
        return channelMode == QVXSpecConfig::kChLeft || channelMode == QVXSpecConfig::kChBoth;
    return channelMode == QVXSpecConfig::kChRight || channelMode == QVXSpecConfig::kChBoth ||
           channelMode == QVXSpecConfig::kChSum;
}

bool QVXSpecPlotFrame::GetMouseLocal(Point& point) const
{
    if (!IsMouseInside())
        return false;
    DrawContext* window = GetRoot()->GetWindowContext();
    if (!window)
        return false;
    point = GlobalToLocal(window->GetMousePosition());
    return GetLocalRect().ContainsPixel(point);
}

// ---------------------------------------------------------------- rebuilding

void QVXSpecPlotFrame::ResizeCurves()
{
    mFftSize = mConfig ? mConfig->GetFftSize() : QVXSpecConfig::kDefaultFftSize;
    for (QVXSpecPlotCurves& curves : mCurves)
        curves.Resize(mFftSize);
    mSilentFrame.assign(static_cast<std::size_t>(mFftSize), 0.0f);
}

void QVXSpecPlotFrame::RebuildFreqScale()
{
    QVXSpecPlotFreqScale::Settings settings;
    settings.sampleRate = GetSampleRate();
    settings.fftSize = mFftSize;
    settings.width = GetWidth();
    if (const auto* options = Options())
    {
        settings.logScale = options->mLogScale;
        settings.zoom = options->mFreqZoom;
        settings.zoomMinHz = options->mFreqZoomRangeMin;
        settings.zoomMaxHz = options->mFreqZoomRangeMax;
    }
    mFreqScale.Build(settings);
    // What was held or painted on the old scale means nothing on the new one.
    for (QVXSpecPlotCurves& curves : mCurves)
        curves.RestartHold();
    mSpectrogram.Clear();
    RebuildMemoryTables();
}

void QVXSpecPlotFrame::RebuildLevelScale()
{
    std::int32_t height = GetHeight();
    if (GetView() == QVXSpecConfig::kAna3rdOct && !mNarrow)
        height -= mLabelStripHeight;
    mLevelScale.Build(mConfig ? mConfig->GetAmpScale() : 1, height);
}

void QVXSpecPlotFrame::RebuildMemoryTables()
{
    for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
        RebuildMemoryTable(slot);
}

void QVXSpecPlotFrame::RebuildMemoryTable(std::int32_t slot)
{
    auto& table = mMemoryX[static_cast<std::size_t>(slot)];
    table.clear();
    if (!mConfig)
        return;
    const QVXSpecConfig::MemSlotData& data = mConfig->GetMemSlotData(slot);
    std::size_t values = 0;
    for (const auto& channel : data.mChannels)
        values = std::max(values, channel.size());
    mFreqScale.BuildBinX(data.mBands, data.mFs, static_cast<std::int32_t>(values), table);
}

void QVXSpecPlotFrame::RebuildSpectrogram()
{
    // The images exist from the first time the spectrogram is shown.
    if (GetView() != QVXSpecConfig::kAnaSpectrogram)
        return;
    PluginUIRoot* root = GetRoot();
    mSpectrogram.Rebuild(GetWidth(), GetHeight(), mChannelMode == QVXSpecConfig::kChBoth,
                         [root](std::int32_t width, std::int32_t height)
                         { return root->CreateOffscreen(width, height); });
}

void QVXSpecPlotFrame::RebuildColorTables()
{
    const std::int32_t map0 =
        mConfig ? mConfig->GetSpectrogramColorMap(0) : QVXSpecConfig::kDefaultColorMap;
    const std::int32_t map1 =
        mConfig ? mConfig->GetSpectrogramColorMap(1) : QVXSpecConfig::kDefaultColorMap;
    mSpectrogram.BuildColorTables(mColorMapPicture.get(), map0, map1);
}

void QVXSpecPlotFrame::ApplyChannelMode()
{
    mChannelMode = mConfig ? mConfig->GetAnalysisChannel() : QVXSpecConfig::kChSum;
    if (mThirdOctService)
        mThirdOctService->SetAnalysisChannel(ThirdOctaveSelection(mChannelMode));
    RebuildSpectrogram();
    for (QVXSpecPlotCurves& curves : mCurves)
        curves.RestartHold();
    mThirdOctaveView->Rebuild(*this);
    // Frames already in the pool were analysed for the old mode.
    mChannelModeChanged = true;
}

void QVXSpecPlotFrame::UpdateClientActivity()
{
    const std::int32_t view = GetView();
    const bool frozen = IsFrozen();
    QuarvixServiceClient<QuarvixSpecService>::SetClientActive(
        (view == QVXSpecConfig::kAnaFFT || view == QVXSpecConfig::kAnaSpectrogram) && !frozen);
    QuarvixServiceClient<Quarvix3rdOctAnalysisService>::SetClientActive(
        view == QVXSpecConfig::kAna3rdOct && !frozen);
}

void QVXSpecPlotFrame::RestartPeakHold()
{
    for (QVXSpecPlotCurves& curves : mCurves)
        curves.RestartHold();
    mThirdOctaveView->ResetHold(*this, CurrentTick());
    Invalidate();
}

void QVXSpecPlotFrame::MeasureLabels(DrawContext& context)
{
    context.SetTextFace(kTextFace, kBlack);
    mLinearLabelWidths.clear();
    for (const auto& [hz, label] : QVXSpecPlotFreqScale::LinearGridFrequencies())
        mLinearLabelWidths.push_back(context.TextWidth(label));
    mLogLabelWidths.clear();
    for (const auto& [hz, label] : QVXSpecPlotFreqScale::LogGridFrequencies())
        mLogLabelWidths.push_back(context.TextWidth(label));
    mLabelsMeasured = true;
}

void QVXSpecPlotFrame::StoreMemory(std::int32_t type)
{
    const std::int32_t view = GetView();
    if (!mConfig || view == QVXSpecConfig::kAnaSpectrogram)
        return;
    QVXSpecConfig::MemSlotData data;
    if (view == QVXSpecConfig::kAna3rdOct)
    {
        if (!mThirdOctaveView->FillMemSlot(*this, type, data))
            return;
    }
    else
    {
        const auto* options = Options();
        data.mType = type;
        data.mBands = mFftSize;
        data.mFs = static_cast<std::int32_t>(GetSampleRate());
        data.mWindow = options->mWinType;
        data.mWeighting = options->mSpecWeighting;
        data.mView = QVXSpecConfig::kAnaFFT;
        data.mAnalysisChannel = mChannelMode;
        // One vector per channel slot; a slot this mode does not show stays empty.
        data.mChannels.resize(2);
        for (std::int32_t slot = 0; slot < 2; ++slot)
        {
            if (!IsSlotDrawn(QVXSpecConfig::kAnaFFT, mChannelMode, slot))
                continue;
            const QVXSpecPlotCurves& curves = mCurves[static_cast<std::size_t>(slot)];
            data.mChannels[static_cast<std::size_t>(slot)] =
                type == QVXSpecConfig::kDtAverage    ? curves.GetAverage()
                : type == QVXSpecConfig::kDtPeakHold ? curves.GetPeakHold()
                                                     : curves.GetLive();
        }
    }
    const CentralController& location =
        type == QVXSpecConfig::kDtAverage    ? mConfig->GetAverageSaveLocation()
        : type == QVXSpecConfig::kDtPeakHold ? mConfig->GetPeakHoldSaveLocation()
                                             : mConfig->GetInstantSaveLocation();
    mConfig->SetMemSlotData(location.GetValue(), data, true);
}

// ---------------------------------------------------------------- messages

void QVXSpecPlotFrame::OnConfigMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        // The configuration goes before the editor only when the plug-in does.
        mConfig = nullptr;
        return;
    }
    switch (what)
    {
    case kLogScale:
        RebuildFreqScale();
        break;
    case kAmpScale:
        RebuildLevelScale();
        break;
    case kFftSize:
        ResizeCurves();
        RebuildFreqScale();
        RebuildSpectrogram();
        break;
    case kFreqZoom:
        RebuildFreqScale();
        mZoomReadout = true;
        ResetTimer(kZoomReadoutTimer, kZoomReadoutTicks);
        break;
    case kSpectrumView:
        RebuildLevelScale();
        RebuildSpectrogram();
        mThirdOctaveView->Rebuild(*this);
        UpdateClientActivity();
        break;
    case kAnalysisChannel:
        ApplyChannelMode();
        break;
    case kColorMap:
        RebuildColorTables();
        RebuildSpectrogram();
        break;
    case kMemSlotData:
        RebuildMemoryTables();
        break;
    case kRequestInstantStore:
        StoreMemory(QVXSpecConfig::kDtInstant);
        break;
    case kRequestAverageStore:
        StoreMemory(QVXSpecConfig::kDtAverage);
        break;
    case kRequestPeakHoldStore:
        StoreMemory(QVXSpecConfig::kDtPeakHold);
        break;
    case kPeakHold:
        if (mConfig->GetPeakHold())
        {
            const std::uint32_t now = CurrentTick();
            for (QVXSpecPlotCurves& curves : mCurves)
                curves.RestartHoldTimers(now);
            mThirdOctaveView->RestartHold(*this, now);
        }
        break;
    default:
        break;
    }
    // Colours, switches, memory visibility and the enable flag show at once.
    Invalidate();
}

void QVXSpecPlotFrame::OnCoreMessage(std::int32_t what)
{
    if (what != PluginCoreMessages::kSampleRateChanged)
        return;
    RebuildFreqScale();
    RebuildSpectrogram();
    mThirdOctaveView->Rebuild(*this);
    Invalidate();
}

void QVXSpecPlotFrame::OnFreezeMessage(std::int32_t what)
{
    if (what != ControlMessages::kValueChanged)
        return;
    UpdateClientActivity();
    if (!IsFrozen())
    {
        // A frozen display held its peaks; they hold their full time again.
        const std::uint32_t now = CurrentTick();
        for (QVXSpecPlotCurves& curves : mCurves)
            curves.RestartHoldTimers(now);
        mThirdOctaveView->RestartHold(*this, now);
    }
    Invalidate();
}

void QVXSpecPlotFrame::HideZoomReadout()
{
    if (!mZoomReadout)
        return;
    mZoomReadout = false;
    Invalidate();
}

void QVXSpecPlotFrame::OnMouseEvent(std::int32_t type, std::int32_t /*x*/, std::int32_t /*y*/)
{
    // A narrow plot has no room for the view buttons: a click shows the next view.
    if (type == FrameEvents::kMouseDown && mNarrow && mConfig)
        mConfig->SetSpectrumView((GetView() + 1) % QVXSpecConfig::kViewCount, true);
}

// ---------------------------------------------------------------- refresh

void QVXSpecPlotFrame::TakePendingResults()
{
    mPending.clear();
    if (mSpecService)
        mSpecService->TakeFullSlots(mPending);
}

void QVXSpecPlotFrame::ReleasePendingResults()
{
    // Through the client link, which a service that goes first clears.
    if (QuarvixSpecService* service = QuarvixServiceClient<QuarvixSpecService>::GetService())
    {
        for (SpecCaptureAgentDyn::Slot* slot : mPending)
            service->ReleaseSlot(*slot);
    }
    mPending.clear();
}

void QVXSpecPlotFrame::DiscardPendingResults()
{
    TakePendingResults();
    ReleasePendingResults();
}

void QVXSpecPlotFrame::RedrawIfDue(std::uint32_t now)
{
    if (static_cast<std::int32_t>(now - mLastDraw) >= kRefreshTicks)
        Invalidate();
}

void QVXSpecPlotFrame::Refresh()
{
    const std::uint32_t now = CurrentTick();
    mLastRefresh = now;
    if (!IsAnalysisEnabled() || IsFrozen())
    {
        DiscardPendingResults();
        if (IsFrozen())
            RedrawIfDue(now);
        return;
    }
    const std::int32_t view = GetView();
    bool force = false;
    if (view == QVXSpecConfig::kAnaFFT || view == QVXSpecConfig::kAnaSpectrogram)
    {
        force = mFeedingSilence ||
                static_cast<std::int32_t>(now - mLastCurveUpdate) >= kSilenceAfterTicks;
        TakePendingResults();
        // Audio runs but its frames are still on their way: wait for them.
        // With the host stopped the display keeps what it shows.
        if (mPending.empty() && mCore->IsAudioRunning() && !force)
            return;
    }
    mElapsed = static_cast<std::int32_t>(now - mLastCurveUpdate) / 60.0;
    if (view == QVXSpecConfig::kAnaSpectrogram)
        RefreshSpectrogram();
    else if (view == QVXSpecConfig::kAnaFFT)
        RefreshCurves(now, force);
    ReleasePendingResults();
    mLastCurveUpdate = now;
    mLastFinish = now;
    RedrawIfDue(now);
}

void QVXSpecPlotFrame::RefreshCurves(std::uint32_t now, bool force)
{
    const auto* options = Options();
    if (!options || (mPending.empty() && !force))
        return;
    const double sampleRate = GetSampleRate();
    const auto alpha = static_cast<float>(
        QVXSpecPlotCurves::AverageAlpha(options->mAveragingTime, sampleRate, mFftSize));
    const bool drawn[2] = {IsSlotDrawn(0), IsSlotDrawn(1)};
    const std::span<const float> silence(mSilentFrame);

    for (QVXSpecPlotCurves& curves : mCurves)
        curves.Begin();
    if (!mPending.empty())
    {
        mFeedingSilence = false;
        const bool skip = mChannelModeChanged;
        mChannelModeChanged = false;
        for (const SpecCaptureAgentDyn::Slot* slot : mPending)
        {
            // Frames of another size were analysed before a size change.
            if (skip || slot->GetLength() != mFftSize)
                continue;
            const std::span<const float> channels[2] = {FramePart(slot->GetChannelA(), mFftSize),
                                                        FramePart(slot->GetChannelB(), mFftSize)};
            for (std::size_t c = 0; c < 2; ++c)
            {
                if (drawn[c])
                    mCurves[c].AddFrame(channels[c].empty() ? silence : channels[c], alpha);
            }
        }
    }
    else
    {
        // No frames for a while: as many silent frames as the time would
        // have brought, at most one second's worth per refresh.
        mFeedingSilence = true;
        const double framesPerSecond = mFftSize > 0 ? sampleRate / (mFftSize / 2.0) : 0.0;
        const auto count = static_cast<std::int64_t>(
            std::min(std::trunc(mElapsed * framesPerSecond + 0.1), std::trunc(framesPerSecond)));
        for (std::int64_t i = 0; i < count; ++i)
        {
            for (std::size_t c = 0; c < 2; ++c)
            {
                if (drawn[c])
                    mCurves[c].AddFrame(silence, alpha);
            }
        }
    }
    const QVXSpecPlotCurves::Ballistics ballistics{options->mInstantaneousDecayTime,
                                                   options->mPeakHoldTime, options->mPeakDecay};
    const double dt = static_cast<std::int32_t>(now - mLastFinish) / 60.0;
    for (QVXSpecPlotCurves& curves : mCurves)
        curves.Finish(now, dt, mElapsed, ballistics);
}

void QVXSpecPlotFrame::RefreshSpectrogram()
{
    if (mPending.empty() || !mConfig)
        return;
    if (mChannelModeChanged)
    {
        mChannelModeChanged = false;
        return;
    }
    mRows.clear();
    for (const SpecCaptureAgentDyn::Slot* slot : mPending)
    {
        QVXSpecPlotSpectrogram::Result row;
        row.fftSize = slot->GetLength();
        row.channels[0] = FramePart(slot->GetChannelA(), row.fftSize);
        row.channels[1] = FramePart(slot->GetChannelB(), row.fftSize);
        mRows.push_back(row);
    }
    QVXSpecPlotSpectrogram::RowSettings settings;
    settings.fftSize = mFftSize;
    settings.drawn = {IsSlotDrawn(0), IsSlotDrawn(1)};
    settings.binX = &mFreqScale.GetBinX();
    settings.gain = mConfig->GetSpecGain();
    settings.floor = mConfig->GetSpecFloor();
    mSpectrogram.AddFrames(mRows, settings);
}

// ---------------------------------------------------------------- drawing

void QVXSpecPlotFrame::DrawContent(DrawContext& context, const Rect& /*rect*/)
{
    const std::uint32_t now = CurrentTick();
    mDrawTick = now;
    if (!mLabelsMeasured)
        MeasureLabels(context);
    const std::int32_t view = GetView();
    context.SetForeColor(view == QVXSpecConfig::kAnaSpectrogram ? kBlack : GetRoleColor(clrBG));
    context.PaintRect(GetLocalRect());
    const bool enabled = IsAnalysisEnabled();
    if (enabled)
    {
        if (view != QVXSpecConfig::kAna3rdOct)
            DrawFrequencyGrid(context, view);
        // A sample rate without a filter bank shows its note alone.
        const bool noBars = view == QVXSpecConfig::kAna3rdOct &&
                            (!mThirdOctService || mThirdOctService->GetBandCount() == 0);
        if (view != QVXSpecConfig::kAnaSpectrogram && !noBars)
            DrawLevelGrid(context, view);
        if (view == QVXSpecConfig::kAnaFFT)
        {
            if (DisplaySwitch(kShowFreqLabels))
                DrawFrequencyLabels(context, GetRoleColor(clrLabels));
            DrawMemorySlots(context);
            DrawLiveCurves(context);
        }
        else if (view == QVXSpecConfig::kAnaSpectrogram)
        {
            const std::array<bool, 2> drawn{IsSlotDrawn(0), IsSlotDrawn(1)};
            mSpectrogram.DrawImages(context, drawn);
            if (DisplaySwitch(kShowFreqLabels))
                DrawFrequencyLabels(context, kWhite);
            if (DisplaySwitch(kShowGridLines) && mFftSize > 0)
                mSpectrogram.DrawTimeTicks(context, drawn, GetSampleRate() / (mFftSize / 2.0));
        }
        else
        {
            mThirdOctaveView->Draw(*this, context, now);
        }
    }
    DrawReadouts(context, view, enabled);
    mLastDraw = now;
}

void QVXSpecPlotFrame::DrawFrequencyGrid(DrawContext& context, std::int32_t view)
{
    const bool spectrogram = view == QVXSpecConfig::kAnaSpectrogram;
    if (!spectrogram && !DisplaySwitch(kShowGridLines))
        return;
    context.SetForeColor(spectrogram ? kWhite : GetRoleColor(clrGrid));
    const auto& grid = mFreqScale.GetGrid();
    const std::int32_t width = GetWidth();
    const std::int32_t height = GetHeight();
    for (std::size_t i = 0; i + 1 < grid.size(); ++i)
    {
        const std::int32_t x = grid[i].x;
        if (x < 0 || x >= width)
            continue;
        context.MoveTo({x, 0});
        context.LineTo({x, height});
    }
}

void QVXSpecPlotFrame::DrawLevelGrid(DrawContext& context, std::int32_t view)
{
    const bool lines = DisplaySwitch(kShowGridLines) != 0;
    const bool labels = DisplaySwitch(kShowLevelLabels) != 0;
    if (!lines && !labels)
        return;
    const std::int32_t width = GetWidth();
    const std::int32_t bottom =
        view == QVXSpecConfig::kAna3rdOct ? GetHeight() + 1 - mLabelStripHeight : GetHeight();
    const double lowest = LowestLabelledLevel(view, mConfig ? mConfig->GetAmpScale() : 1);
    const CVLCanvas::ColorSpec gridColor = GetRoleColor(clrGrid);
    const CVLCanvas::ColorSpec labelColor = GetRoleColor(clrLabels);
    for (int step = 0; step < 1000; ++step)
    {
        const double level = -10.0 * step;
        const std::int32_t y = mLevelScale.ToY(level);
        if (y > bottom)
            break;
        if (lines)
        {
            context.SetForeColor(gridColor);
            context.MoveTo({0, y});
            context.LineTo({width - 1, y});
        }
        if (labels && level > lowest)
        {
            const std::string text = Format("%0.f", std::fabs(level));
            context.SetTextFace(kTextFace, labelColor);
            context.MoveTo({2, y - 1});
            context.DrawString(text);
            context.MoveTo({width - context.TextWidth(text) - 2, y - 1});
            context.DrawString(text);
        }
    }
}

void QVXSpecPlotFrame::DrawFrequencyLabels(DrawContext& context, const CVLCanvas::ColorSpec& color)
{
    context.SetTextFace(kTextFace, color);
    const auto& grid = mFreqScale.GetGrid();
    const auto& widths = mFreqScale.IsLogScale() ? mLogLabelWidths : mLinearLabelWidths;
    const std::int32_t width = GetWidth();
    const std::int32_t baseline = GetHeight() - 2;
    std::int32_t end = std::numeric_limits<std::int32_t>::min();
    for (std::size_t i = 0; i + 1 < grid.size() && i < widths.size(); ++i)
    {
        const std::int32_t x = grid[i].x;
        if (x < 0 || x >= width || grid[i].label.empty())
            continue;
        // A label that would overlap the last one drawn is left out.
        if (x + 2 <= end)
            continue;
        context.MoveTo({x + 2, baseline});
        context.DrawString(grid[i].label);
        end = x + 2 + widths[i];
    }
}

void QVXSpecPlotFrame::DrawMemorySlots(DrawContext& context)
{
    if (!mConfig)
        return;
    const double sampleRate = GetSampleRate();
    for (std::int32_t channel = 0; channel < 2; ++channel)
    {
        for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
        {
            const QVXSpecConfig::MemSlotData& data = mConfig->GetMemSlotData(slot);
            if (data.mView != QVXSpecConfig::kAnaFFT || !data.mVisible || data.mBands <= 0 ||
                data.mFs <= 0 || data.mChannels.size() <= static_cast<std::size_t>(channel))
                continue;
            const std::vector<float>& values = data.mChannels[static_cast<std::size_t>(channel)];
            if (values.empty())
                continue;
            auto& table = mMemoryX[static_cast<std::size_t>(slot)];
            if (table.size() < values.size())
                RebuildMemoryTable(slot);
            if (table.size() < values.size())
                continue;
            // The slot's own bins over our range: m * f * S / s, one bin beyond
            // each end so the curve runs to the edges.
            const double m = data.mBands;
            const double scale = m * sampleRate / data.mFs;
            const auto first = std::max<std::int64_t>(
                static_cast<std::int64_t>(scale * mFreqScale.GetLow()) - 1, 0);
            const auto last = std::min<std::int64_t>(
                {static_cast<std::int64_t>(scale * mFreqScale.GetHigh()) + 1, data.mBands - 1,
                 static_cast<std::int64_t>(values.size()) - 1});
            std::int32_t role;
            switch (data.mAnalysisChannel)
            {
            case QVXSpecConfig::kChLeft:
                role = clrMemL1;
                break;
            case QVXSpecConfig::kChRight:
                role = clrMemR1;
                break;
            case QVXSpecConfig::kChBoth:
                role = channel == 0 ? clrMemL1 : clrMemR1;
                break;
            default:
                role = clrMemM1;
                break;
            }
            context.SetForeColor(GetRoleColor(role + slot));
            DrawCurve(context, values.data(), static_cast<std::int32_t>(first),
                      static_cast<std::int32_t>(last), table.data());
        }
    }
}

void QVXSpecPlotFrame::DrawLiveCurves(DrawContext& context)
{
    const auto* options = Options();
    if (!options || mFftSize <= 0)
        return;
    const std::int32_t bins = mFftSize / 2;
    const auto first =
        std::max<std::int32_t>(static_cast<std::int32_t>(mFreqScale.GetLow() * mFftSize) - 1, 0);
    const auto last = std::min<std::int32_t>(
        static_cast<std::int32_t>(mFreqScale.GetHigh() * mFftSize), bins - 1);
    const std::int32_t* x = mFreqScale.GetBinX().data();
    const bool mix = mChannelMode == QVXSpecConfig::kChSum;
    for (std::int32_t slot = 0; slot < 2; ++slot)
    {
        if (!IsSlotDrawn(slot))
            continue;
        const QVXSpecPlotCurves& curves = mCurves[static_cast<std::size_t>(slot)];
        if (curves.GetBinCount() != bins)
            continue;
        if (options->mInstantaneous)
        {
            context.SetForeColor(GetRoleColor(mix ? clrLR : slot == 0 ? clrLeft : clrRight));
            DrawCurve(context, curves.GetLive().data(), first, last, x);
        }
        if (options->mShowAverage)
        {
            context.SetForeColor(GetRoleColor(mix         ? clrLRAvg
                                              : slot == 0 ? clrLeftAvg
                                                          : clrRightAvg));
            DrawCurve(context, curves.GetAverage().data(), first, last, x);
        }
        if (options->mPeakHold)
        {
            context.SetForeColor(GetRoleColor(mix         ? clrLRPeak
                                              : slot == 0 ? clrLeftPeak
                                                          : clrRightPeak));
            DrawCurve(context, curves.GetPeakHold().data(), first, last, x);
        }
    }
}

void QVXSpecPlotFrame::DrawCurve(DrawContext& context, const float* levels, std::int32_t first,
                                 std::int32_t last, const std::int32_t* x)
{
    if (last < first || first < 0)
        return;
    mPointsX.clear();
    mPointsY.clear();
    const auto add = [this](std::int32_t px, float level)
    {
        mPointsX.push_back(px);
        mPointsY.push_back(mLevelScale.ToY(level));
    };
    add(x[first], levels[first]);
    // One point per pixel column, at the loudest bin of the column.
    std::int32_t column = x[first];
    float loudest = levels[first];
    bool pending = false;
    for (std::int32_t i = first + 1; i <= last; ++i)
    {
        if (pending && x[i] == column)
        {
            loudest = std::max(loudest, levels[i]);
            continue;
        }
        if (pending)
            add(column, loudest);
        column = x[i];
        loudest = levels[i];
        pending = true;
    }
    if (pending)
        add(column, loudest);
    context.Polyline(mPointsX.data(), mPointsY.data(), static_cast<std::int32_t>(mPointsX.size()));
}

void QVXSpecPlotFrame::DrawBoxedText(DrawContext& context, std::string_view text, std::int32_t x,
                                     std::int32_t baseline)
{
    context.SetForeColor(kBlack);
    context.PaintRect({x - 4, baseline - 9, x + context.TextWidth(text), baseline + 2});
    context.SetTextFace(kTextFace, kWhite);
    context.MoveTo({x, baseline});
    context.DrawString(text);
}

void QVXSpecPlotFrame::DrawReadouts(DrawContext& context, std::int32_t view, bool enabled)
{
    const bool spectrogram = view == QVXSpecConfig::kAnaSpectrogram;
    // The spectrogram's colour set is black throughout: its texts are white.
    const CVLCanvas::ColorSpec color = spectrogram ? kWhite : GetRoleColor(clrReadout);
    const std::int32_t width = GetWidth();
    const std::int32_t height = GetHeight();
    context.SetTextFace(kTextFace, color);
    if (!enabled)
    {
        constexpr std::string_view kOff = "- OFF -";
        context.MoveTo({(width - context.TextWidth(kOff)) / 2, kReadoutBaseline});
        context.DrawString(kOff);
        return;
    }
    if (!DisplaySwitch(kShowReadouts))
        return;

    if (const auto* options = Options();
        options && options->mSpecWeighting >= 1 && options->mSpecWeighting <= 3)
    {
        bool active = true;
        if (view == QVXSpecConfig::kAna3rdOct)
            active = mThirdOctService && mThirdOctService->IsWeightingAvailable();
        else
            active = mSpecService && mSpecService->IsWeightingSupported() &&
                     mSpecService->IsWeightingActive();
        if (!active)
        {
            constexpr std::string_view kDisabled = "Weighting disabled";
            context.SetTextFace(kTextFace, color);
            context.MoveTo(
                {width - context.TextWidth(kDisabled) - kReadoutMargin, kWeightingBaseline});
            context.DrawString(kDisabled);
        }
    }

    Point mouse;
    const bool inside = GetMouseLocal(mouse);
    const double sampleRate = GetSampleRate();
    if (inside)
    {
        if (view == QVXSpecConfig::kAnaFFT)
        {
            const std::string text = Format("%.1f dB   %.0f Hz", mLevelScale.ToLevel(mouse.y),
                                            mFreqScale.Inverse(mouse.x) * sampleRate);
            context.SetTextFace(kTextFace, color);
            context.MoveTo({width - context.TextWidth(text) - kReadoutMargin, kReadoutBaseline});
            context.DrawString(text);
        }
        else if (spectrogram)
        {
            const std::array<bool, 2> drawn{IsSlotDrawn(0), IsSlotDrawn(1)};
            const std::int32_t imageHeight = mSpectrogram.GetImageHeight();
            std::int32_t row = mouse.y;
            if (drawn[0] && drawn[1] && mouse.y >= mSpectrogram.GetImageTop(1, drawn))
                row -= mSpectrogram.GetImageTop(1, drawn);
            row = std::clamp(row, 0, std::max(imageHeight - 1, 0));
            const double rows = imageHeight - 1 - row;
            const double milliseconds =
                mFftSize > 0 ? rows * (mFftSize / 2.0) / sampleRate * 1000.0 : 0.0;
            const std::string text = Format("%.0f Hz, %.0f msec",
                                            mFreqScale.Inverse(mouse.x) * sampleRate, milliseconds);
            const std::int32_t textWidth = context.TextWidth(text);
            std::int32_t x = width - textWidth - kReadoutMargin;
            // Out of the pointer's way when it is under the box.
            if (mouse.y < 20 && mouse.x >= x - 4 && mouse.x <= x + textWidth)
                x = kReadoutMargin;
            DrawBoxedText(context, text, x, kReadoutBaseline);
        }
        else
        {
            mThirdOctaveView->DrawReadout(*this, context, mouse);
        }
    }

    if (mZoomReadout && view != QVXSpecConfig::kAna3rdOct && mConfig)
    {
        const auto [low, high] = mConfig->GetFreqZoomRange();
        const std::string text =
            Format("Zoom [%.0fHz -> %.0fHz]", static_cast<double>(low), static_cast<double>(high));
        context.SetTextFace(kTextFace, color);
        const std::int32_t x = (width - context.TextWidth(text)) / 2;
        const std::int32_t baseline = inside && mouse.y < 24 ? height - 30 : kReadoutBaseline;
        if (spectrogram)
            DrawBoxedText(context, text, x, baseline);
        else
        {
            context.MoveTo({x, baseline});
            context.DrawString(text);
        }
    }
}
