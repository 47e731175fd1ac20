#pragma once
// The small displays that show and edit alarms of the alarm manager: the
// latched value of one alarm on a background of its state, a severity
// button for a set of alarms, and a threshold display with step buttons.
//
// Each is bound to alarms by name and keeps no alarm state of its own: it
// shows what the manager's 'almM' and 'aEvl' messages carry and does what
// the user asks through the manager's operations. Every handler first
// compares the name in the message's alarm record with the name it follows,
// since the manager announces all alarms on the same two classes. A name
// the manager does not know (yet) leaves a display neutral: no message ever
// carries it, and the manager ignores operations on it. The displays do not
// register alarms; the panels that place them do.
//
// The manager is not owned. When it goes before a display (it unpublishes
// its classes), the display forgets it and stays as it is.
//
// Threads: UI thread only.

#include "core/MessageSubscriber.h"
#include "gui/Frame.h"
#include "gui/GraphicControl.h"
#include "gui/TextFrame.h"
#include "model/QVXAlarmManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace SkinLayout
{
struct Element;
}

// An alarm's latched value as text, on the skin image of the alarm's
// severity while it is triggered and on the neutral image (severity 0)
// otherwise. A click resets the alarm and, unless Shift is held, the further
// alarms it names (the left and right band-level displays reset each other,
// so one click clears both channels and a Shift-click only one).
class QVXAlarmedValueDispFrame : public StaticTextPMFrame,
                                 public MessageSubscriber<QVXAlarmedValueDispFrame>
{
public:
    // Value to text.
    class TextConvertor
    {
    public:
        virtual ~TextConvertor() = default;
        virtual std::string Convert(float value) const = 0;
    };

    // picture: the header's skin (picture 1000), which holds one background
    // per severity (SkinLayout::kAlarmValueImage and the images below it).
    // rect: in the parent's child coordinates.
    QVXAlarmedValueDispFrame(Frame* parent, const Rect& rect, DrawContext* picture,
                             QVXAlarmManager* manager, std::string alarmName,
                             std::unique_ptr<TextConvertor> convertor,
                             std::vector<std::string> furtherNames = {}, std::uint32_t flags = 0,
                             std::int32_t id = 0);
    ~QVXAlarmedValueDispFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    const std::string& GetAlarmName() const { return mAlarmName; }
    const std::vector<std::string>& GetFurtherNames() const { return mFurtherNames; }
    // The severity whose background shows (0 while not triggered).
    std::int32_t GetShownSeverity() const { return mShownSeverity; }
    // Where that background starts in the picture.
    Point GetBackgroundSource() const;

private:
    void OnStateMessage(std::int32_t what);
    void OnValueMessage(std::int32_t what);
    // The record a message carries when it is the followed alarm's, else null.
    const QVXAlarmManager::AlarmRecord* FollowedRecord() const;
    void ShowState(bool triggered, std::int32_t severity);

    std::string mAlarmName;
    std::vector<std::string> mFurtherNames;
    std::unique_ptr<TextConvertor> mConvertor;
    DrawContext* mPicture = nullptr;      // not owned
    QVXAlarmManager* mManager = nullptr; // not owned; null once it is gone
    std::int32_t mShownSeverity = 0;
};

// Levels in dB as the band-level alarms' value displays print them.
class QVXSpecDbTextConvertor : public QVXAlarmedValueDispFrame::TextConvertor
{
public:
    std::string Convert(float value) const override;
};

// A multi-state button whose state is the severity of a set of alarms: it
// follows the first of its names (kept sorted) and sets the severity the
// user chooses on all of them.
class QVXAlarmSeverityButton : public MultiStateButton,
                               public MessageSubscriber<QVXAlarmSeverityButton>
{
public:
    // element: a multi-state button of the layout table (rectangle, states,
    // image strip in `picture`).
    QVXAlarmSeverityButton(Frame* parent, const SkinLayout::Element& element, DrawContext* picture,
                           QVXAlarmManager* manager, std::vector<std::string> names,
                           std::uint32_t flags = 0, std::int32_t id = 0);
    ~QVXAlarmSeverityButton() override;

    const std::vector<std::string>& GetNames() const { return mNames; }

private:
    void OnStateMessage(std::int32_t what);
    void OnOwnMessage(std::int32_t what);

    std::vector<std::string> mNames;
    QVXAlarmManager* mManager = nullptr; // not owned; null once it is gone
};

// The threshold of a set of alarms: the first one's, as text with 0, 1 or 2
// decimals, editable by typing (a click opens the window's text entry) and
// by two step buttons that move it by a fixed step. Every change goes to all
// alarms of the set, each clamped by the manager to its own limits.
class QVXAlarmTHDispFrame : public Frame, public MessageSubscriber<QVXAlarmTHDispFrame>
{
public:
    // textRect: where the threshold shows, its background the picture at
    // that rectangle; decrement and increment: the step buttons' elements of
    // the layout table. All in the parent's child coordinates, which for the
    // panels are the skin picture's. The frame covers the text and both
    // buttons.
    QVXAlarmTHDispFrame(Frame* parent, const Rect& textRect, DrawContext* picture,
                        const SkinLayout::Element& decrement, const SkinLayout::Element& increment,
                        QVXAlarmManager* manager, std::vector<std::string> names,
                        std::int32_t decimals, float step, std::uint32_t flags = 0,
                        std::int32_t id = 0);
    ~QVXAlarmTHDispFrame() override;

    const std::vector<std::string>& GetNames() const { return mNames; }
    std::int32_t GetDecimals() const { return mDecimals; }
    float GetStep() const { return mStep; }
    TextFrame* GetTextField() const;
    PixMapButton* GetDecrementButton() const { return mDecrement; }
    PixMapButton* GetIncrementButton() const { return mIncrement; }

    // A threshold as the display prints it: "%.1f" for 1 decimal, "%.2f" for
    // 2, "%.0f" for any other count; the same in every locale.
    static std::string FormatThreshold(float threshold, std::int32_t decimals);
    // A typed threshold: ',' counts as the decimal point, white space around
    // the number is allowed. False (and nothing set) when the text is not one
    // finite number.
    static bool ParseThreshold(std::string_view text, float& threshold);

private:
    class TextField;
    class StepGroup;

    void OnStateMessage(std::int32_t what);
    void OnTextEntered(const std::string& text);
    void Step(std::int32_t direction);
    void SetThresholds(float threshold);
    void ShowThreshold();

    std::vector<std::string> mNames;
    std::int32_t mDecimals = 0;
    float mStep = 1.0f;
    QVXAlarmManager* mManager = nullptr; // not owned; null once it is gone
    // Children: owned by the frame tree.
    TextField* mText = nullptr;
    PixMapButton* mDecrement = nullptr;
    PixMapButton* mIncrement = nullptr;
    // Repeats a held step button; subscribed to both buttons.
    std::unique_ptr<StepGroup> mStepGroup;
};
