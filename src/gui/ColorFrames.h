#pragma once
// A colour swatch and the picker that takes a colour from a picture of
// colours.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "base/FourCC.h"
#include "gui/Frame.h"

#include <cstdint>

namespace CVLCanvas
{

// Filled with its colour (black while not mouse-active); when selected, a
// border of 4-pixel dashes, black and white by turns.
class ColorFillFrame : public Frame
{
public:
    static constexpr std::int32_t kDash = 4;

    ColorFillFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                   std::uint32_t flags, std::int32_t id, ColorSpec color = {65535, 65535, 65535});

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void SetColor(const ColorSpec& color);
    const ColorSpec& GetColor() const { return mColor; }
    void SetSelected(bool selected);
    bool IsSelected() const { return mSelected; }

private:
    ColorSpec mColor;
    bool mSelected = false;
};

// Picks the colour under the pointer from its picture while the button is
// down and publishes it on 'clrP' (p1: 0xRRGGBB, 8 bits a component). The
// hover image is shown while the pointer is over it.
class ColorPickerFrame : public Frame
{
public:
    static constexpr std::int32_t kPickClass = FourCCValue("clrP");
    // Half the side of the square marker around the pick point.
    static constexpr std::int32_t kMarkerRadius = 3;

    ColorPickerFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     std::uint32_t flags, std::int32_t id, DrawContext* picture, Point normalSource,
                     Point hoverSource);
    ~ColorPickerFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;

    MessagingServer::MsgClass* GetPickClass() const { return mPickClass; }
    const ColorSpec& GetPickedColor() const { return mPicked; }
    bool IsDragging() const { return mDragging; }
    bool IsHovering() const { return mHover; }

private:
    void Pick(std::int32_t x, std::int32_t y);

    DrawContext* mPicture = nullptr; // not owned
    Point mNormalSource;
    Point mHoverSource;
    bool mHover = false;
    bool mDragging = false;
    Point mPickPoint;
    ColorSpec mPicked;
    MessagingServer::MsgClass* mPickClass = nullptr;
};

} // namespace CVLCanvas
