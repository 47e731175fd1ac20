#include "editor/QuarvixSpecFrame.h"

#include "core/PluginCore.h"
#include "core/TimerManager.h"
#include "editor/QVXColorMaps.h"
#include "editor/QVXExportCommand.h"
#include "editor/QVXSpecBandLevelAlarmFrame.h"
#include "editor/QVXSpecPlotFrame.h"
#include "editor/QVXSpectrogramColorFrame.h"
#include "editor/QVXSpectrumColorFrame.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/QVXViewSettingsImport.h"
#include "editor/QVXZoomRangeFrame.h"
#include "editor/SpectrumColorLegendFrame.h"
#include "gui/ControlGroups.h"
#include "gui/PluginUIRoot.h"
#include "gui/TextFrame.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "model/QVXSpecConfigSteps.h"
#include "plugin/Quarvix.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixSpecService.h"
#include "serialization/NumberText.h"

#include <algorithm>
#include <cmath>

namespace
{
using SkinLayout::Element;
using SkinLayout::Kind;
using SkinLayout::Panel;
namespace M = QVXAlarmMessages;
using Steps = QVXSpecConfigSteps::Setting;

constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kCoreSubRef = 2;
constexpr std::int32_t kAlarmSubRef = 1;

// Control ids of the panel's container.
enum ControlId : std::int32_t
{
    kFreqZoom = 0,
    kPeakHoldOn = 1,
    kPeakHoldTimeDown = 2,
    kPeakHoldTimeUp = 3,
    kPeakFallDown = 4,
    kPeakFallUp = 5,
    kRestartPeakHold = 6,
    kLive = 7,
    kLiveDecayDown = 8,
    kLiveDecayUp = 9,
    kAverage = 10,
    kAverageBars = 11,
    kAveragingTimeDown = 12,
    kAveragingTimeUp = 13,
    kSpecGainUp = 14,
    kSpecGainDown = 15,
    kSpecFloorUp = 16,
    kSpecFloorDown = 17,
    kFftSizeUp = 18,
    kFftSizeDown = 19,
    kWindowUp = 20,
    kWindowDown = 21,
    kWeighting = 22,
    kMemory1 = 23,
    kMemory3 = 25,
    kCaptureLiveInto = 26,
    kCapturePeakInto = 27,
    kCaptureAverageInto = 28,
    kCaptureLive = 29,
    kCapturePeak = 30,
    kCaptureAverage = 31,
    kFreeze = 32,
    kMasterAlarm = 33,
    kMemory1Holds = 34,
    kWeightingActive = 37,
    kLogScale = 38,
    kLevelRange = 39,
    kImportMemories = 40,
    kImportColors = 41,
    kImportViewSettings = 42,
    kResetColors = 43,
    kFirstDisplaySwitch = 44,
    kLastDisplaySwitch = 47,
    kExportData = 48,
    kChannelMode = 49,
    kBarView = 50,
    kView = 51,
};

// A number as the value wells show it: up to three significant digits,
// the same in every locale.
std::string Number(double value)
{
    return std::string(Serialization::FormattedNumber::General(value, 3).View());
}

std::string Seconds(double value)
{
    return Number(value) + " s";
}
} // namespace

// ---------------------------------------------------------------- master alarm

QVXMasterAlarmIndicator::QVXMasterAlarmIndicator(Frame* parent, const Element& element,
                                                 DrawContext* picture, QVXAlarmManager* manager)
    : MultiStateButton(parent, element.rect.left, element.rect.top, element.rect.Width(),
                       element.rect.Height(), 0, element.id,
                       SkinButtonImages(element, picture), element.states),
      MessageSubscriber<QVXMasterAlarmIndicator>(parent->GetRoot()->GetPluginServices()),
      mManager(manager)
{
    if (!mManager)
        return;
    mManager->RegisterAlarm(QVXAlarmManager::kMasterAlarm, QVXAlarmManager::MasterAlarmDescriptor());
    Subscribe(mManager->GetMsgClass(M::kStateClass), kAlarmSubRef,
              &QVXMasterAlarmIndicator::OnAlarmMessage);
    SetValueSilently(StateOfMaster());
}

QVXMasterAlarmIndicator::~QVXMasterAlarmIndicator() = default;

std::int32_t QVXMasterAlarmIndicator::StateOfMaster() const
{
    const auto* master = mManager ? mManager->GetAlarm(QVXAlarmManager::kMasterAlarm) : nullptr;
    if (!master || !master->mTriggered)
        return 0;
    // Lit, in the colour of the worst alarm it watches (1 ... 3).
    return std::clamp(master->mHighestMemberSeverity, 1, mStates);
}

void QVXMasterAlarmIndicator::OnTrackingEnded(bool inside)
{
    if (inside && mManager)
        mManager->ResetAlarm(QVXAlarmManager::kMasterAlarm);
}

void QVXMasterAlarmIndicator::OnAlarmMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mManager = nullptr;
        return;
    }
    // Every state change of any alarm may change the master's; the state is
    // read from the manager, so order does not matter.
    const std::int32_t state = StateOfMaster();
    if (state != GetValue())
    {
        SetValueSilently(state);
    }
}

// ---------------------------------------------------------------- construction

QuarvixSpecFrame::QuarvixSpecFrame(Frame* parent, std::int32_t x, std::int32_t y,
                                   DrawContext* analyzerPicture, DrawContext* headerPicture,
                                   std::uint32_t flags, std::int32_t id)
    : PixMapDrawFrame(parent, x, y, SkinLayout::kEditorWidth, SkinLayout::kAnalyzerHeight, 0, 0,
                      analyzerPicture, flags, id),
      MessageSubscriber<QuarvixSpecFrame>(&GetRoot()->GetCore()),
      QuarvixServiceClient<QVXGeneralSpecService>(nullptr, true),
      TimerClient<QuarvixSpecFrame>(&GetRoot()->GetCore(), this),
      ControlContainer(&GetRoot()->GetCore())
{
    PluginCore& core = GetRoot()->GetCore();
    auto* general = FindQuarvixService<QVXGeneralSpecService>(&core);
    QuarvixServiceClient<QVXGeneralSpecService>::SetService(general);
    mConfig = general ? general->GetSpecConfig() : nullptr;
    mMono = core.GetChannelConfig().inputs < 2;
    BuildControls(analyzerPicture, headerPicture);

    if (mConfig)
        MessageSubscriber<QuarvixSpecFrame>::Subscribe(mConfig->GetMsgClass(QVXSpecConfigMessages::kClass), kConfigSubRef,
                                                       &QuarvixSpecFrame::OnConfigMessage);
    MessageSubscriber<QuarvixSpecFrame>::Subscribe(
        core.GetMsgClass(PluginCoreMessages::kConfigClass), kCoreSubRef,
        &QuarvixSpecFrame::OnCoreMessage);
    // The weighting filters switch on the audio thread: the lamp looks again
    // now and then.
    AddTimer(TimerManager::Periodic, kLampTicks, &QuarvixSpecFrame::UpdateWeightingLamp, kLampTimer);
    SyncControls();
}

QuarvixSpecFrame::~QuarvixSpecFrame() = default;

PixMapButton* QuarvixSpecFrame::MakeButton(const Element& e, DrawContext* picture)
{
    const PixMapButton::Images images = SkinButtonImages(e, picture);
    const Rect& b = e.rect;
    const std::int32_t id = std::max(e.id, 0);
    switch (e.kind)
    {
    case Kind::MultiState:
    {
        // The capture targets are the configuration's save locations.
        CentralController* location = nullptr;
        if (mConfig && e.id == kCaptureLiveInto)
            location = &mConfig->GetInstantSaveLocation();
        else if (mConfig && e.id == kCapturePeakInto)
            location = &mConfig->GetPeakHoldSaveLocation();
        else if (mConfig && e.id == kCaptureAverageInto)
            location = &mConfig->GetAverageSaveLocation();
        return new MultiStateButton(this, b.left, b.top, b.Width(), b.Height(), 0, id, images,
                                    e.states, 0, location);
    }
    case Kind::Blinking:
        return new BlinkingBooleanButton(this, b.left, b.top, b.Width(), b.Height(), 0, id, images,
                                         false, 0, &mPlot->GetFreezeSwitch());
    case Kind::Toggle:
    case Kind::RadioMember:
        return new BooleanButton(this, b.left, b.top, b.Width(), b.Height(), 0, id, images);
    case Kind::InstantAction:
    case Kind::Increment:
    case Kind::Decrement:
        return new InstantActionButton(this, b.left, b.top, b.Width(), b.Height(), 0, id, images);
    default:
        return new ActionButton(this, b.left, b.top, b.Width(), b.Height(), 0, id, images);
    }
}

void QuarvixSpecFrame::BuildControls(DrawContext* analyzerPicture, DrawContext* headerPicture)
{
    // The plot first: the freeze button drives its switch, the zoom strip
    // follows its axis.
    const Rect p = SkinLayout::kPlot;
    mPlot = new QVXSpecPlotFrame(this, p.left, p.top, p.Width(), p.Height(), 0, 0);
    mElementFrames["plot"] = mPlot;

    for (const Element& e : SkinLayout::Elements(Panel::Analyzer))
    {
        // The band-level panel places its own children.
        if (!e.parent.empty())
            continue;
        const Rect& b = e.rect;
        Frame* frame = nullptr;
        if (e.kind == Kind::Display)
        {
            if (e.name == "plot")
                continue;
            if (e.name == "zoomStrip")
                frame = mZoom = new QVXZoomRangeFrame(this, b.left, b.top, b.Width(), b.Height(),
                                                      b.left, b.top, analyzerPicture, mPlot);
            else if (e.name == "colorMapSelector")
                frame = new QVXSpectrogramColorFrame(this, b.left, b.top, b.Width(), b.Height(),
                                                     b.left, b.top, analyzerPicture);
            else if (e.name == "colorLegend")
                frame = new SpectrumColorLegendFrame(this, b.left, b.top, b.left, b.top,
                                                     analyzerPicture);
            else if (e.name == "curveColors")
                frame = new QVXSpectrumColorFrame(this, b.left, b.top, b.Width(), b.Height(), b.left,
                                                  b.top, analyzerPicture, QVXSpecConfig::kAnaFFT);
            else if (e.name == "curveColorsThirdOctave")
                frame = new QVXSpectrumColorFrame(this, b.left, b.top, b.Width(), b.Height(), b.left,
                                                  b.top, analyzerPicture, QVXSpecConfig::kAna3rdOct);
            else if (e.name == "bandLevelAlarm")
                frame = mBandLevel = new QVXSpecBandLevelAlarmFrame(this, analyzerPicture,
                                                                    headerPicture);
        }
        else if (e.kind == Kind::Text)
        {
            auto* text = new StaticTextPMFrame(this, b.left, b.top, b.Width(), b.Height(), 0, 0,
                                               analyzerPicture, {b.left, b.top});
            StyleSkinText(*text);
            mTexts[e.name] = text;
            frame = text;
        }
        else if (e.id == kMasterAlarm)
        {
            // Its alarms exist once the band-level panel registered them.
            auto* quarvix = dynamic_cast<Quarvix*>(&GetRoot()->GetCore());
            auto* lamp = new QVXMasterAlarmIndicator(
                this, e, analyzerPicture, quarvix ? &quarvix->GetAlarmManager() : nullptr);
            AddControl(lamp, e.id);
            frame = lamp;
        }
        else
        {
            PixMapButton* button = MakeButton(e, analyzerPicture);
            button->SetMouseActive(e.mouseActive);
            if (e.kind == Kind::RadioMember)
            {
                auto& group = mRadios[e.id];
                if (!group)
                {
                    group = std::make_unique<RadioControlGroup>(&GetRoot()->GetCore(), e.id);
                    AddControl(group.get(), e.id);
                }
                group->AddControl(button, e.member);
                // A mono instance analyses its one channel only.
                if (mMono && e.id == kChannelMode && e.member != QVXSpecConfig::kChLeft)
                    button->SetEnabled(false);
            }
            else if (e.id >= 0)
            {
                // Shift-clicks clear a memory slot instead of toggling it.
                if (e.id >= kMemory1 && e.id <= kMemory3)
                    button->SetAcceptsShiftClick(true);
                AddControl(button, e.id);
            }
            frame = button;
        }
        if (frame)
            mElementFrames[e.name] = frame;
    }

    auto* quarvix = dynamic_cast<Quarvix*>(&GetRoot()->GetCore());
    mImport = std::make_unique<QVXViewSettingsImport>(
        *GetRoot(), mConfig, quarvix ? &quarvix->GetAlarmManager() : nullptr);
}

// ---------------------------------------------------------------- controls to model

void QuarvixSpecFrame::OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam)
{
    if (!mConfig)
        return;
    const auto value = static_cast<std::int32_t>(a);
    const bool on = value != 0;
    QVXSpecConfig& c = *mConfig;
    switch (id)
    {
    case kFreqZoom:
        c.SetFreqZoom(on);
        break;
    case kPeakHoldOn:
        c.SetPeakHold(on);
        break;
    case kPeakHoldTimeDown:
    case kPeakHoldTimeUp:
    case kPeakFallDown:
    case kPeakFallUp:
    case kLiveDecayDown:
    case kLiveDecayUp:
    case kAveragingTimeDown:
    case kAveragingTimeUp:
        if (on)
            StepTime(id, id == kPeakHoldTimeUp || id == kPeakFallUp || id == kLiveDecayUp ||
                                 id == kAveragingTimeUp
                             ? 1
                             : -1);
        break;
    case kRestartPeakHold:
        if (on)
            mPlot->RestartPeakHold();
        break;
    case kLive:
        c.SetInstantaneous(on);
        break;
    case kAverage:
    case kAverageBars:
        c.SetShowAverage(on);
        break;
    case kSpecGainUp:
    case kSpecGainDown:
        if (on)
            c.SetSpecGain(c.GetSpecGain() + (id == kSpecGainUp ? 1.0f : -1.0f));
        break;
    case kSpecFloorUp:
    case kSpecFloorDown:
        if (on)
            c.SetSpecFloor(c.GetSpecFloor() + (id == kSpecFloorUp ? 1.0f : -1.0f));
        break;
    case kFftSizeUp:
    case kFftSizeDown:
        if (on)
        {
            const std::int32_t size = id == kFftSizeUp ? c.GetFftSize() * 2 : c.GetFftSize() / 2;
            c.SetFftSize(std::clamp(size, kMinFftSize, kMaxFftSize));
        }
        break;
    case kWindowUp:
    case kWindowDown:
        if (on)
            c.SetWinType((c.GetWinType() + (id == kWindowUp ? 1 : kWindowCount - 1)) % kWindowCount);
        break;
    case kWeighting:
        c.SetSpecWeighting(value);
        break;
    case kMemory1:
    case kMemory1 + 1:
    case kMemory3:
        ToggleMemory(id - kMemory1, value);
        break;
    case kCaptureLive:
        if (value == 1)
            c.RequestInstantStore();
        break;
    case kCapturePeak:
        if (value == 1)
            c.RequestPeakHoldStore();
        break;
    case kCaptureAverage:
        if (value == 1)
            c.RequestAverageStore();
        break;
    case kLogScale:
        c.SetLogScale(on);
        break;
    case kLevelRange:
        c.SetAmpScale(value);
        break;
    case kImportMemories:
        if (value == 1)
            mImport->ImportMemorySlots();
        break;
    case kImportColors:
        if (value == 1)
            mImport->ImportColors();
        break;
    case kImportViewSettings:
        if (value == 1)
            mImport->ImportViewSettings();
        break;
    case kResetColors:
        if (value == 1)
            mImport->ResetColors();
        break;
    case kExportData:
        if (value == 1)
            Export();
        break;
    case kChannelMode:
        c.SetAnalysisChannel(value);
        break;
    case kBarView:
        c.SetThirdOctBarView(value);
        break;
    case kView:
        c.SetSpectrumView(value);
        break;
    default:
        if (id >= kFirstDisplaySwitch && id <= kLastDisplaySwitch)
            c.SetDisplaySwitch(id - kFirstDisplaySwitch, on);
        break;
    }
}

void QuarvixSpecFrame::StepTime(std::int32_t id, std::int32_t direction)
{
    QVXSpecConfig& c = *mConfig;
    switch (id)
    {
    case kPeakHoldTimeDown:
    case kPeakHoldTimeUp:
        c.SetPeakHoldTime(QVXSpecConfigSteps::Step(Steps::PeakHoldTime, c.GetPeakHoldTime(), direction));
        break;
    case kPeakFallDown:
    case kPeakFallUp:
        c.SetPeakDecay(QVXSpecConfigSteps::Step(Steps::PeakDecay, c.GetPeakDecay(), direction));
        break;
    case kLiveDecayDown:
    case kLiveDecayUp:
        c.SetInstantaneousDecayTime(QVXSpecConfigSteps::Step(
            Steps::InstantaneousDecayTime, c.GetInstantaneousDecayTime(), direction));
        break;
    default:
        c.SetAveragingTime(
            QVXSpecConfigSteps::Step(Steps::AveragingTime, c.GetAveragingTime(), direction));
        break;
    }
}

void QuarvixSpecFrame::ToggleMemory(std::int32_t slot, std::int32_t value)
{
    DrawContext* window = GetRoot()->GetWindowContext();
    if (window && window->IsShiftDown())
    {
        // The click clears the slot; the button goes back to the slot's
        // visibility, which clearing keeps.
        mConfig->ClearMemSlot(slot);
        SetControl(kMemory1 + slot, mConfig->GetMemSlotVisible(slot) ? 1 : 0);
        return;
    }
    mConfig->SetMemSlotVisible(slot, value != 0);
}

void QuarvixSpecFrame::Export()
{
    if (DrawContext* window = GetRoot()->GetWindowContext())
        ExportAnalysisData(*mPlot, *window);
}

// ---------------------------------------------------------------- model to controls

void QuarvixSpecFrame::OnConfigMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mConfig = nullptr;
        return;
    }
    SyncControls();
}

void QuarvixSpecFrame::OnCoreMessage(std::int32_t what)
{
    if (what == PluginCoreMessages::kSampleRateChanged)
        UpdateWeightingLamp();
}

void QuarvixSpecFrame::SetControl(std::int32_t id, std::int32_t value)
{
    GenericControl* control = GetControl(id);
    if (!control || control->GetValue() == value)
        return;
    control->SetValueSilently(value);
    // A radio group shows its choice through its members.
    if (auto it = mRadios.find(id); it != mRadios.end())
    {
        for (const auto& [member, button] : it->second->Members())
        {
            button->SetValueSilently(member == value ? 1 : 0);
        }
    }
}

void QuarvixSpecFrame::SetText(std::string_view name, const std::string& text)
{
    if (auto it = mTexts.find(name); it != mTexts.end() && it->second->GetText() != text)
        it->second->SetText(text);
}

void QuarvixSpecFrame::SyncControls()
{
    if (!mConfig)
        return;
    const QVXSpecConfig& c = *mConfig;
    const auto& options = c.GetCurrentViewOptions();
    SetControl(kView, c.GetSpectrumView());
    SetControl(kFreqZoom, options.mFreqZoom ? 1 : 0);
    SetControl(kPeakHoldOn, options.mPeakHold ? 1 : 0);
    SetControl(kLive, options.mInstantaneous ? 1 : 0);
    SetControl(kAverage, options.mShowAverage ? 1 : 0);
    SetControl(kAverageBars, options.mShowAverage ? 1 : 0);
    SetControl(kWeighting, options.mSpecWeighting);
    SetControl(kLogScale, options.mLogScale ? 1 : 0);
    SetControl(kLevelRange, c.GetAmpScale());
    for (std::int32_t s = 0; s < QVXSpecConfig::kDisplaySwitchCount; ++s)
        SetControl(kFirstDisplaySwitch + s, c.GetDisplaySwitch(s));
    SetControl(kChannelMode, c.GetAnalysisChannel());
    SetControl(kBarView, c.GetThirdOctBarView());
    for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
    {
        const QVXSpecConfig::MemSlotData& data = c.GetMemSlotData(slot);
        SetControl(kMemory1 + slot, data.mVisible ? 1 : 0);
        // What the slot holds: 0 nothing, else its data type + 1.
        SetControl(kMemory1Holds + slot, data.HasData() ? std::clamp(data.mType, 0, 2) + 1 : 0);
    }

    SetText("fftSize", std::to_string(options.mFftSize));
    SetText("window", std::string(QVXSpecConfig::WindowName(options.mWinType)));
    SetText("specGain", Number(c.GetSpecGain()) + " dB");
    SetText("specFloor", Number(c.GetSpecFloor()) + " dB");
    SetText("liveDecayTime", Seconds(options.mInstantaneousDecayTime));
    SetText("peakHoldTime", options.mPeakHoldTime < 0.0f ? "INF" : Seconds(options.mPeakHoldTime));
    SetText("peakFall", Seconds(options.mPeakDecay));
    SetText("averagingTime", Seconds(options.mAveragingTime));
    UpdateWeightingLamp();
    UpdateVisibility();
}

void QuarvixSpecFrame::UpdateWeightingLamp()
{
    if (!mConfig)
        return;
    PluginCore& core = GetRoot()->GetCore();
    bool applied = false;
    if (mConfig->GetSpecWeighting() != 0)
    {
        if (mConfig->GetSpectrumView() == QVXSpecConfig::kAna3rdOct)
        {
            auto* service = FindQuarvixService<Quarvix3rdOctAnalysisService>(&core);
            applied = service && service->IsWeightingAvailable();
        }
        else
        {
            auto* service = FindQuarvixService<QuarvixSpecService>(&core);
            applied = service && service->IsWeightingSupported();
        }
    }
    SetControl(kWeightingActive, applied ? 1 : 0);
}

void QuarvixSpecFrame::UpdateVisibility()
{
    const std::int32_t view = mConfig->GetSpectrumView();
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << std::clamp(view, 0, 2));
    for (const Element& e : SkinLayout::Elements(Panel::Analyzer))
    {
        auto it = mElementFrames.find(e.name);
        if (it == mElementFrames.end())
            continue;
        const bool shown = (e.views & bit) != 0;
        if (it->second->IsVisible() != shown)
            it->second->SetVisible(shown, false);
    }
}

Frame* QuarvixSpecFrame::GetElementFrame(std::string_view name) const
{
    auto it = mElementFrames.find(name);
    return it == mElementFrames.end() ? nullptr : it->second;
}

std::string QuarvixSpecFrame::GetValueText(std::string_view name) const
{
    auto it = mTexts.find(name);
    return it == mTexts.end() ? std::string() : it->second->GetText();
}
