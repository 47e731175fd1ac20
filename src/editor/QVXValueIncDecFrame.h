#pragma once
// A value display with an increment/decrement pair beside it, as the alarm
// panels use for their band selectors: a line of text on its well of the
// skin, and two buttons that a panel hears through its own control
// container under codes of its choosing (the display itself changes
// nothing; the panel steps its value and shows the result with SetText).
//
// The buttons report 1 as soon as they are pressed (as the threshold
// display's step buttons step on the press) and return to 0 silently, so
// each press reaches the container as one value change.
//
// Positions are in the parent's child coordinates, which for the panels are
// the skin picture's own: the text's background is the picture at the
// text's rectangle, and the buttons draw the strips the layout table gives
// them.
//
// Threads: UI thread only.

#include "editor/SkinLayout.h"
#include "gui/Frame.h"
#include "gui/GraphicControl.h"

#include <cstdint>
#include <string>
#include <string_view>

class ControlContainer;
class StaticTextPMFrame;
class TextFrame;

// The images of a button of the layout table, in the picture it draws from.
PixMapButton::Images SkinButtonImages(const SkinLayout::Element& element, DrawContext* picture);

// Every button the layout table gives a panel, as action buttons of frame
// (which also accept a Shift-click) that report to container under their ids.
void AddPanelActionButtons(Frame* frame, ControlContainer& container, SkinLayout::Panel panel,
                           DrawContext* picture);

// The rectangle that holds a value's text and both halves of its step pair.
Rect TextAndPairBounds(const Rect& text, const SkinLayout::Element& decrement,
                       const SkinLayout::Element& increment);

// Value text on the skin's wells: the small face in the label text colour,
// dimmed while the display is not mouse-active, centred up and down.
void StyleSkinText(TextFrame& text);

class QVXValueIncDecFrame : public Frame
{
public:
    // textRect: where the value shows; decrement and increment: the pair's
    // elements of the layout table (their rectangles and image strips).
    // Both buttons go into `container` (when there is one) under the codes.
    // The frame covers the text and both buttons. format: the text shown for
    // a value, "%s" standing for the value and "%%" for a percent sign.
    QVXValueIncDecFrame(Frame* parent, const Rect& textRect, DrawContext* picture,
                        const SkinLayout::Element& decrement, const SkinLayout::Element& increment,
                        ControlContainer* container, std::int32_t decrementCode,
                        std::int32_t incrementCode, std::string format = "%s",
                        std::uint32_t flags = 0, std::int32_t id = 0);
    ~QVXValueIncDecFrame() override;

    // Shows the value through the format.
    void SetText(std::string_view value);
    const std::string& GetText() const;

    StaticTextPMFrame* GetTextFrame() const { return mText; }
    PixMapButton* GetDecrementButton() const { return mDecrement; }
    PixMapButton* GetIncrementButton() const { return mIncrement; }

    // The format with its "%s" replaced by value, as printf gives it.
    static std::string Format(std::string_view format, std::string_view value);

private:
    std::string mFormat;
    // Children: owned by the frame tree.
    StaticTextPMFrame* mText = nullptr;
    PixMapButton* mDecrement = nullptr;
    PixMapButton* mIncrement = nullptr;
};
