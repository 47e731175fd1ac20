#include "editor/QVXSpecBandLevelAlarmFrame.h"

#include "analysis/QVXSpecDbConvertor.h"
#include "core/PluginCore.h"
#include "core/TimerManager.h"
#include "editor/QVXAlarmFrames.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"

#include <algorithm>
#include <memory>
#include <string>

namespace
{
using namespace QVXSpecConfigMessages;
namespace M = QVXAlarmMessages;

constexpr std::int32_t kConfigSubRef = 1;
constexpr std::int32_t kAlarmSubRef = 2;
constexpr std::string_view kPanel = "bandLevelAlarm";
constexpr std::string_view kNames[2] = {QVXAlarmManager::kBandLevelAlarmL,
                                        QVXAlarmManager::kBandLevelAlarmR};
constexpr std::int32_t kFirstIsoBand = 13;
constexpr std::int32_t kLastIsoBand = 43;

const SkinLayout::Element& Part(std::string_view name)
{
    const SkinLayout::Element* element = SkinLayout::Find(SkinLayout::Panel::Analyzer, name);
    if (!element)
        throw AppFrame::BadParameter();
    return *element;
}

QVXAlarmManager* AlarmManagerOf(PluginCore& core)
{
    auto* quarvix = dynamic_cast<Quarvix*>(&core);
    return quarvix ? &quarvix->GetAlarmManager() : nullptr;
}

// Only the third-octave view has band ranges; the others show a dash.
std::string BandLabel(std::int32_t isoBand)
{
    if (isoBand < kFirstIsoBand || isoBand > kLastIsoBand)
        return "-";
    return std::string(Quarvix3rdOctAnalysisService::GetBandLabel(isoBand));
}
} // namespace

QVXSpecBandLevelAlarmFrame::QVXSpecBandLevelAlarmFrame(Frame* parent, DrawContext* analyzerPicture,
                                                       DrawContext* headerPicture,
                                                       std::uint32_t flags, std::int32_t id)
    : PixMapDrawFrame(parent, SkinLayout::kBandLevelAlarm.left, SkinLayout::kBandLevelAlarm.top,
                      SkinLayout::kBandLevelAlarm.right - SkinLayout::kBandLevelAlarm.left,
                      SkinLayout::kBandLevelAlarm.bottom - SkinLayout::kBandLevelAlarm.top,
                      SkinLayout::kBandLevelAlarm.left, SkinLayout::kBandLevelAlarm.top,
                      analyzerPicture, flags, id),
      MessageSubscriber<QVXSpecBandLevelAlarmFrame>(&GetRoot()->GetCore()),
      TimerClient<QVXSpecBandLevelAlarmFrame>(&GetRoot()->GetCore(), this),
      ControlContainer(&GetRoot()->GetCore()),
      QuarvixServiceClient<Quarvix3rdOctAnalysisService>(nullptr, false)
{
    PluginCore& core = GetRoot()->GetCore();
    SetChildOrigin(-SkinLayout::kBandLevelAlarm.left, -SkinLayout::kBandLevelAlarm.top);
    if (auto* general = FindQuarvixService<QVXGeneralSpecService>(&core))
        mConfig = general->GetSpecConfig();
    QuarvixServiceClient<Quarvix3rdOctAnalysisService>::SetService(
        FindQuarvixService<Quarvix3rdOctAnalysisService>(&core));
    mAlarms = AlarmManagerOf(core);
    if (mAlarms)
    {
        for (std::string_view name : kNames)
            mAlarms->RegisterAlarm(name, QVXAlarmManager::BandLevelAlarmDescriptor());
    }

    const std::vector<std::string> names(std::begin(kNames), std::end(kNames));
    mSeverity = new QVXAlarmSeverityButton(this, Part("alarmSeverity"), analyzerPicture, mAlarms,
                                           names);
    mLowerBand = new QVXValueIncDecFrame(this, Part("lowerBand").rect, analyzerPicture,
                                         Part("lowerBandDown"), Part("lowerBandUp"), this,
                                         kLowerBandDown, kLowerBandUp, "%s");
    mUpperBand = new QVXValueIncDecFrame(this, Part("upperBand").rect, analyzerPicture,
                                         Part("upperBandDown"), Part("upperBandUp"), this,
                                         kUpperBandDown, kUpperBandUp, "%s");
    mThreshold = new QVXAlarmTHDispFrame(this, Part("threshold").rect, analyzerPicture,
                                         Part("thresholdDown"), Part("thresholdUp"), mAlarms, names,
                                         0, 1.0f);
    const std::string_view displays[2] = {"bandLevelLeft", "bandLevelRight"};
    for (std::size_t c = 0; c < 2; ++c)
    {
        // A click clears both channels, a Shift-click only its own.
        mValues[c] = new QVXAlarmedValueDispFrame(
            this, Part(displays[c]).rect, headerPicture, mAlarms, std::string(kNames[c]),
            std::make_unique<QVXSpecDbTextConvertor>(), {std::string(kNames[1 - c])});
    }

    if (mConfig)
        Subscriber::Subscribe(mConfig->GetMsgClass(kClass), kConfigSubRef,
                  &QVXSpecBandLevelAlarmFrame::OnConfigMessage);
    if (mAlarms)
        Subscriber::Subscribe(mAlarms->GetMsgClass(M::kStateClass), kAlarmSubRef,
                  &QVXSpecBandLevelAlarmFrame::OnAlarmMessage);
    AddTimer(TimerManager::Periodic, kFeedTicks, &QVXSpecBandLevelAlarmFrame::FeedAlarms,
             kFeedTimer);
    ShowBandRange();
    UpdateArming();
}

QVXSpecBandLevelAlarmFrame::~QVXSpecBandLevelAlarmFrame() = default;

void QVXSpecBandLevelAlarmFrame::OnControlValueChanged(std::int32_t id, MessageParam, MessageParam)
{
    switch (id)
    {
    case kLowerBandDown:
        StepBand(false, -1);
        break;
    case kLowerBandUp:
        StepBand(false, 1);
        break;
    case kUpperBandDown:
        StepBand(true, -1);
        break;
    case kUpperBandUp:
        StepBand(true, 1);
        break;
    default:
        break;
    }
}

void QVXSpecBandLevelAlarmFrame::StepBand(bool upper, std::int32_t direction)
{
    if (!mConfig || mConfig->GetSpectrumView() != QVXSpecConfig::kAna3rdOct)
        return;
    auto [first, last] = mConfig->GetBandLevelRange();
    if (upper)
        last = std::clamp(last + direction, kFirstIsoBand, kLastIsoBand);
    else
        first = std::clamp(first + direction, kFirstIsoBand, kLastIsoBand);
    // The configuration keeps first <= last; the upper end stepping below the
    // lower one takes it along.
    mConfig->SetBandLevelRange(first, last, true);
}

void QVXSpecBandLevelAlarmFrame::FeedAlarms()
{
    Quarvix3rdOctAnalysisService* service =
        QuarvixServiceClient<Quarvix3rdOctAnalysisService>::GetService();
    if (!service || !mAlarms)
        return;
    service->GetBandLevelPeaks(mPeakBands, mPeaks);
    for (std::size_t c = 0; c < 2 && c < mPeaks.size(); ++c)
    {
        const auto level = static_cast<float>(QVXLinearToDb(mPeaks[c], kPeakFloor));
        mAlarms->PostValue(kNames[c], level, false, false);
    }
}

void QVXSpecBandLevelAlarmFrame::OnConfigMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mConfig = nullptr;
        return;
    }
    switch (what)
    {
    case kSpectrumView:
        UpdateArming();
        ShowBandRange();
        break;
    case kAnalysisChannel:
        UpdateArming();
        break;
    case kBandLevelRange:
        if (mAlarms)
        {
            for (std::string_view name : kNames)
                mAlarms->ResetAlarm(name);
        }
        ShowBandRange();
        break;
    default:
        break;
    }
}

void QVXSpecBandLevelAlarmFrame::OnAlarmMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mAlarms = nullptr;
        return;
    }
    if (what != M::kActivated && what != M::kCleared)
        return;
    const auto* alarm = QVXAlarmManager::RecordFromMessage(Subscriber::GetCurrentP2());
    if (!alarm || (alarm->mName != kNames[0] && alarm->mName != kNames[1]))
        return;
    if (Quarvix3rdOctAnalysisService* service =
            QuarvixServiceClient<Quarvix3rdOctAnalysisService>::GetService())
        service->ResetBandLevelPeaks();
}

void QVXSpecBandLevelAlarmFrame::UpdateArming()
{
    if (!mAlarms || !mConfig)
        return;
    const bool bars = mConfig->GetSpectrumView() == QVXSpecConfig::kAna3rdOct;
    const std::int32_t mode = mConfig->GetAnalysisChannel();
    // The mix is measured in the left channel's meters.
    const bool left = mode == QVXSpecConfig::kChLeft || mode == QVXSpecConfig::kChBoth ||
                      mode == QVXSpecConfig::kChSum;
    const bool right = mode == QVXSpecConfig::kChRight || mode == QVXSpecConfig::kChBoth;
    mAlarms->SetActive(kNames[0], bars && left);
    mAlarms->SetActive(kNames[1], bars && right);
}

void QVXSpecBandLevelAlarmFrame::ShowBandRange()
{
    if (!mConfig)
        return;
    const auto [first, last] = mConfig->GetBandLevelRange();
    mLowerBand->SetText(BandLabel(first));
    mUpperBand->SetText(BandLabel(last));
}
