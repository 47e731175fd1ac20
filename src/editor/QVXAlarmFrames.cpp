#include "editor/QVXAlarmFrames.h"

#include "analysis/QVXSpecDbConvertor.h"
#include "editor/QVXValueIncDecFrame.h"
#include "editor/SkinLayout.h"
#include "gui/ControlGroups.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "serialization/NumberText.h"

#include <algorithm>
#include <cmath>

namespace
{
namespace M = QVXAlarmMessages;

// Subscription keys, one per class followed.
constexpr std::int32_t kStateSubRef = 1;
constexpr std::int32_t kValueSubRef = 2;
constexpr std::int32_t kOwnSubRef = 3;

PluginServices* ServicesOf(Frame* parent)
{
    return parent->GetRoot()->GetPluginServices();
}

// The record of the message being delivered, when it is the named alarm's.
template <class Subscriber>
const QVXAlarmManager::AlarmRecord* RecordFor(const Subscriber& subscriber, std::string_view name)
{
    const QVXAlarmManager::AlarmRecord* record =
        QVXAlarmManager::RecordFromMessage(subscriber.GetCurrentP2());
    return record && record->mName == name ? record : nullptr;
}

} // namespace

// ------------------------------------------------------------ value display

QVXAlarmedValueDispFrame::QVXAlarmedValueDispFrame(Frame* parent, const Rect& rect,
                                                   DrawContext* picture, QVXAlarmManager* manager,
                                                   std::string alarmName,
                                                   std::unique_ptr<TextConvertor> convertor,
                                                   std::vector<std::string> furtherNames,
                                                   std::uint32_t flags, std::int32_t id)
    : StaticTextPMFrame(parent, rect.left, rect.top, rect.Width(), rect.Height(), flags, id,
                        picture, SkinLayout::kAlarmValueImage),
      MessageSubscriber<QVXAlarmedValueDispFrame>(ServicesOf(parent)),
      mAlarmName(std::move(alarmName)), mFurtherNames(std::move(furtherNames)),
      mConvertor(std::move(convertor)), mPicture(picture), mManager(manager)
{
    StyleSkinText(*this);
    if (!mManager)
        return;
    if (const QVXAlarmManager::AlarmRecord* alarm = mManager->GetAlarm(mAlarmName))
    {
        ShowState(alarm->mTriggered, alarm->mSeverity);
        // An inactive alarm's value is stale: it shows again with the next one.
        if (alarm->mActive && mConvertor)
            SetText(mConvertor->Convert(alarm->mValue));
    }
    Subscribe(mManager->GetMsgClass(M::kStateClass), kStateSubRef,
              &QVXAlarmedValueDispFrame::OnStateMessage);
    Subscribe(mManager->GetMsgClass(M::kValueClass), kValueSubRef,
              &QVXAlarmedValueDispFrame::OnValueMessage);
}

QVXAlarmedValueDispFrame::~QVXAlarmedValueDispFrame() = default;

Point QVXAlarmedValueDispFrame::GetBackgroundSource() const
{
    const Point base = SkinLayout::kAlarmValueImage;
    const Point step = SkinLayout::kAlarmValueStep;
    return {base.x + step.x * mShownSeverity, base.y + step.y * mShownSeverity};
}

void QVXAlarmedValueDispFrame::ShowState(bool triggered, std::int32_t severity)
{
    // The skin has an image for each severity a user can choose; any other
    // (the manager's special 4, or whatever a settings file held) has no
    // colour of its own, and its place would lie beyond the images.
    const bool known = severity >= 0 && severity < SkinLayout::kAlarmSeverityCount;
    const std::int32_t shown = triggered && known ? severity : 0;
    if (shown == mShownSeverity)
        return;
    mShownSeverity = shown;
    Draw(nullptr, true);
}

void QVXAlarmedValueDispFrame::DrawContent(DrawContext& context, const Rect& rect)
{
    // The text frame's own background is one fixed place of the picture;
    // here it moves with the severity, so the copy is made here and only the
    // text is left to the text frame.
    if (mPicture)
    {
        const Point source = GetBackgroundSource();
        const Rect part = rect.Intersect(GetLocalRect());
        context.CopyBits(*mPicture, part.Offset(source.x, source.y), {part.left, part.top}, false);
    }
    TextFrame::DrawContent(context, rect);
}

const QVXAlarmManager::AlarmRecord* QVXAlarmedValueDispFrame::FollowedRecord() const
{
    return RecordFor(*this, mAlarmName);
}

void QVXAlarmedValueDispFrame::OnStateMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mManager = nullptr;
        return;
    }
    const QVXAlarmManager::AlarmRecord* alarm = FollowedRecord();
    if (!alarm)
        return;
    switch (what)
    {
    case M::kDeactivated:
        SetText({});
        break;
    case M::kSeverityChanged:
    case M::kCleared:
    case M::kTriggered:
        ShowState(alarm->mTriggered, alarm->mSeverity);
        break;
    default:
        break;
    }
}

void QVXAlarmedValueDispFrame::OnValueMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mManager = nullptr;
        return;
    }
    const QVXAlarmManager::AlarmRecord* alarm = FollowedRecord();
    if (what == M::kNewValue && alarm && mConvertor)
        SetText(mConvertor->Convert(alarm->mValue));
}

void QVXAlarmedValueDispFrame::OnMouseEvent(std::int32_t type, std::int32_t /*x*/, std::int32_t /*y*/)
{
    // A display of a missing alarm is inert: it resets nobody's alarms.
    if (type != FrameEvents::kMouseDown || !mManager || !mManager->GetAlarm(mAlarmName))
        return;
    mManager->ResetAlarm(mAlarmName);
    // Shift as the window context reports it: Shift alone, not with Ctrl.
    DrawContext* window = GetRoot()->GetWindowContext();
    if (window && window->IsShiftDown())
        return;
    for (const std::string& name : mFurtherNames)
        mManager->ResetAlarm(name);
}

std::string QVXSpecDbTextConvertor::Convert(float value) const
{
    return QVXSpecDbConvertor().Convert(value);
}

// ------------------------------------------------------------ severity button

QVXAlarmSeverityButton::QVXAlarmSeverityButton(Frame* parent, const SkinLayout::Element& element,
                                               DrawContext* picture, QVXAlarmManager* manager,
                                               std::vector<std::string> names,
                                               std::uint32_t flags, std::int32_t id)
    : MultiStateButton(parent, element.rect.left, element.rect.top, element.rect.Width(),
                       element.rect.Height(), flags, id, SkinButtonImages(element, picture),
                       element.states),
      MessageSubscriber<QVXAlarmSeverityButton>(ServicesOf(parent)), mNames(std::move(names)),
      mManager(manager)
{
    // Sorted, so that the alarm followed does not depend on the order a
    // panel happens to list them in.
    std::sort(mNames.begin(), mNames.end());
    if (!mManager)
        return;
    if (!mNames.empty())
    {
        if (const QVXAlarmManager::AlarmRecord* alarm = mManager->GetAlarm(mNames.front()))
            SetValueSilently(alarm->mSeverity);
    }
    Subscribe(mManager->GetMsgClass(M::kStateClass), kStateSubRef,
              &QVXAlarmSeverityButton::OnStateMessage);
    Subscribe(GetMsgClass(), kOwnSubRef, &QVXAlarmSeverityButton::OnOwnMessage);
}

QVXAlarmSeverityButton::~QVXAlarmSeverityButton() = default;

void QVXAlarmSeverityButton::OnStateMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mManager = nullptr;
        return;
    }
    if (what != M::kSeverityChanged || mNames.empty())
        return;
    // Silently: the state follows the alarm, and announcing it would set
    // the severity of the other alarms of the set as if the user had.
    if (const QVXAlarmManager::AlarmRecord* alarm = RecordFor(*this, mNames.front()))
        SetValueSilently(alarm->mSeverity);
}

void QVXAlarmSeverityButton::OnOwnMessage(std::int32_t what)
{
    if (what != ControlMessages::kValueChanged || !mManager)
        return;
    const std::int32_t severity = GetValue();
    for (const std::string& name : mNames)
        mManager->SetSeverity(name, severity);
}

// ------------------------------------------------------------ threshold display

// The typed text goes to the display instead of being shown: what shows is
// always the manager's threshold, which arrives with its message.
class QVXAlarmTHDispFrame::TextField : public StaticTextPMFrame
{
public:
    TextField(QVXAlarmTHDispFrame* owner, const Rect& rect, DrawContext* picture)
        : StaticTextPMFrame(owner, rect.left, rect.top, rect.Width(), rect.Height(), 0, 0, picture,
                            {rect.left, rect.top}),
          mOwner(owner)
    {
    }

protected:
    void OnTextEntered(const std::string& text) override { mOwner->OnTextEntered(text); }

private:
    QVXAlarmTHDispFrame* mOwner;
};

// The step buttons step at once when pressed and repeat while held, as
// every increment/decrement pair does; each step goes to the display.
class QVXAlarmTHDispFrame::StepGroup : public IncDecControlGroup
{
public:
    StepGroup(QVXAlarmTHDispFrame* owner, PixMapButton* increment, PixMapButton* decrement)
        : IncDecControlGroup(owner->GetRoot()->GetPluginServices(), increment, decrement),
          mOwner(owner)
    {
    }

protected:
    void Step(std::int32_t direction) override { mOwner->Step(direction); }

private:
    QVXAlarmTHDispFrame* mOwner;
};

QVXAlarmTHDispFrame::QVXAlarmTHDispFrame(Frame* parent, const Rect& textRect, DrawContext* picture,
                                         const SkinLayout::Element& decrement,
                                         const SkinLayout::Element& increment,
                                         QVXAlarmManager* manager, std::vector<std::string> names,
                                         std::int32_t decimals, float step, std::uint32_t flags,
                                         std::int32_t id)
    : Frame(parent, TextAndPairBounds(textRect, decrement, increment).left,
            TextAndPairBounds(textRect, decrement, increment).top,
            TextAndPairBounds(textRect, decrement, increment).Width(),
            TextAndPairBounds(textRect, decrement, increment).Height(), flags, id),
      MessageSubscriber<QVXAlarmTHDispFrame>(ServicesOf(parent)), mNames(std::move(names)),
      mDecimals(decimals), mStep(step), mManager(manager)
{
    // Children are given in the parent's child coordinates, as the layout
    // table lists them (the position already has the parent's origin added).
    const Rect bounds = TextAndPairBounds(textRect, decrement, increment);
    SetChildOrigin(-bounds.left, -bounds.top);

    mText = new TextField(this, textRect, picture);
    StyleSkinText(*mText);
    mText->SetEditMode(TextFrame::kEditOnClick);

    const auto addButton = [&](const SkinLayout::Element& e, std::int32_t buttonId)
    {
        const Rect& r = e.rect;
        return new InstantActionButton(this, r.left, r.top, r.Width(), r.Height(), 0, buttonId,
                                       SkinButtonImages(e, picture));
    };
    mDecrement = addButton(decrement, IncDecControlGroup::kDecrementId);
    mIncrement = addButton(increment, IncDecControlGroup::kIncrementId);
    mStepGroup = std::make_unique<StepGroup>(this, mIncrement, mDecrement);

    if (!mManager)
        return;
    ShowThreshold();
    Subscribe(mManager->GetMsgClass(M::kStateClass), kStateSubRef,
              &QVXAlarmTHDispFrame::OnStateMessage);
}

QVXAlarmTHDispFrame::~QVXAlarmTHDispFrame() = default;

TextFrame* QVXAlarmTHDispFrame::GetTextField() const
{
    return mText;
}

std::string QVXAlarmTHDispFrame::FormatThreshold(float threshold, std::int32_t decimals)
{
    const int places = decimals == 1 || decimals == 2 ? decimals : 0;
    return std::string(
        Serialization::FormattedNumber::Fixed(static_cast<double>(threshold), places).View());
}

bool QVXAlarmTHDispFrame::ParseThreshold(std::string_view text, float& threshold)
{
    // Users of a decimal comma type one; the number reader knows only points.
    std::string typed(text);
    std::replace(typed.begin(), typed.end(), ',', '.');
    const char* first = typed.data();
    const char* last = first + typed.size();
    const char* end = first;
    const double value = Serialization::ParseRealText(first, last, &end);
    if (end == first)
        return false;
    // A number followed by anything but white space is a typing error, not a
    // threshold: a measuring tool must not act on half of what was typed.
    if (!std::all_of(end, last, [](char c) { return c == ' ' || c == '\t'; }))
        return false;
    const float parsed = Serialization::ToFloatSaturating(value);
    if (!std::isfinite(parsed))
        return false;
    threshold = parsed;
    return true;
}

void QVXAlarmTHDispFrame::ShowThreshold()
{
    const QVXAlarmManager::AlarmRecord* alarm =
        mManager && !mNames.empty() ? mManager->GetAlarm(mNames.front()) : nullptr;
    mText->SetText(alarm ? FormatThreshold(alarm->mDescriptor.mThreshold, mDecimals) : std::string());
}

void QVXAlarmTHDispFrame::OnStateMessage(std::int32_t what)
{
    if (what == MsgClassDestroyed)
    {
        mManager = nullptr;
        return;
    }
    if (what != M::kThresholdChanged || mNames.empty())
        return;
    if (const QVXAlarmManager::AlarmRecord* alarm = RecordFor(*this, mNames.front()))
        mText->SetText(FormatThreshold(alarm->mDescriptor.mThreshold, mDecimals));
}

void QVXAlarmTHDispFrame::SetThresholds(float threshold)
{
    if (!mManager)
        return;
    for (const std::string& name : mNames)
        mManager->SetThreshold(name, threshold);
}

void QVXAlarmTHDispFrame::OnTextEntered(const std::string& text)
{
    float threshold = 0.0f;
    if (ParseThreshold(text, threshold))
        SetThresholds(threshold);
}

void QVXAlarmTHDispFrame::Step(std::int32_t direction)
{
    if (!mManager || mNames.empty())
        return;
    const QVXAlarmManager::AlarmRecord* alarm = mManager->GetAlarm(mNames.front());
    if (!alarm)
        return;
    const float threshold = alarm->mDescriptor.mThreshold;
    SetThresholds(direction > 0 ? threshold + mStep : threshold - mStep);
}
