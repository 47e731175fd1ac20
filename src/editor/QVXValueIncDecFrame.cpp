#include "editor/QVXValueIncDecFrame.h"

#include "gui/ControlContainer.h"
#include "gui/PixelBuffer.h"
#include "gui/TextFrame.h"

#include <algorithm>

PixMapButton::Images SkinButtonImages(const SkinLayout::Element& element, DrawContext* picture)
{
    const SkinLayout::ButtonImages& im = element.images;
    PixMapButton::Images images;
    images.picture = picture;
    images.source = im.source;
    images.offset = im.offset;
    images.hasPressed = im.hasPressed;
    images.pressedSource = im.pressedSource;
    images.pressedOffset = im.pressedOffset;
    images.disabledSource = im.disabledSource;
    return images;
}

void AddPanelActionButtons(Frame* frame, ControlContainer& container, SkinLayout::Panel panel,
                           DrawContext* picture)
{
    for (const SkinLayout::Element& e : SkinLayout::Elements(panel))
    {
        if (!e.IsButton())
            continue;
        auto* button = new ActionButton(frame, e.rect.left, e.rect.top, e.rect.Width(), e.rect.Height(), 0, e.id,
                                        SkinButtonImages(e, picture));
        button->SetAcceptsShiftClick(true);
        container.AddControl(button, e.id);
    }
}

void StyleSkinText(TextFrame& text)
{
    // The skin's label and dim caption colours; the wells are dark, so the
    // text frame's black default would not show.
    text.SetColors(FromPixel(0xc9ced6), FromPixel(0x7f8791));
    // Digits of the 7-point face stand 7 pixels high; the baseline that
    // centres them keeps value text level with the captions beside the wells.
    constexpr std::int32_t kDigitHeight = 7;
    text.SetTextFace(1);
    text.SetMargins(0, std::max(0, (text.GetHeight() - kDigitHeight) / 2));
}

Rect TextAndPairBounds(const Rect& text, const SkinLayout::Element& decrement,
                       const SkinLayout::Element& increment)
{
    const Rect& a = decrement.rect;
    const Rect& b = increment.rect;
    return {std::min({text.left, a.left, b.left}), std::min({text.top, a.top, b.top}),
            std::max({text.right, a.right, b.right}), std::max({text.bottom, a.bottom, b.bottom})};
}

QVXValueIncDecFrame::QVXValueIncDecFrame(Frame* parent, const Rect& textRect, DrawContext* picture,
                                         const SkinLayout::Element& decrement,
                                         const SkinLayout::Element& increment,
                                         ControlContainer* container, std::int32_t decrementCode,
                                         std::int32_t incrementCode, std::string format,
                                         std::uint32_t flags, std::int32_t id)
    : Frame(parent, TextAndPairBounds(textRect, decrement, increment).left,
            TextAndPairBounds(textRect, decrement, increment).top,
            TextAndPairBounds(textRect, decrement, increment).Width(),
            TextAndPairBounds(textRect, decrement, increment).Height(), flags, id),
      mFormat(std::move(format))
{
    // Children are given in the parent's child coordinates, as the layout
    // table lists them (the position already has the parent's origin added).
    const Rect bounds = TextAndPairBounds(textRect, decrement, increment);
    SetChildOrigin(-bounds.left, -bounds.top);

    mText = new StaticTextPMFrame(this, textRect.left, textRect.top, textRect.Width(),
                                  textRect.Height(), 0, 0, picture, {textRect.left, textRect.top});
    StyleSkinText(*mText);

    const auto addButton = [&](const SkinLayout::Element& e, std::int32_t code)
    {
        const Rect& r = e.rect;
        auto* button = new InstantActionButton(this, r.left, r.top, r.Width(), r.Height(), 0, code,
                                               SkinButtonImages(e, picture));
        if (container)
            container->AddControl(button, code);
        return button;
    };
    mDecrement = addButton(decrement, decrementCode);
    mIncrement = addButton(increment, incrementCode);
}

QVXValueIncDecFrame::~QVXValueIncDecFrame() = default;

std::string QVXValueIncDecFrame::Format(std::string_view format, std::string_view value)
{
    // Only what a format for one string needs; anything else after a '%'
    // is kept as it stands rather than read as a conversion with no argument.
    std::string text;
    for (std::size_t i = 0; i < format.size(); ++i)
    {
        if (format[i] == '%' && i + 1 < format.size())
        {
            if (format[i + 1] == 's')
            {
                text += value;
                ++i;
                continue;
            }
            if (format[i + 1] == '%')
            {
                text += '%';
                ++i;
                continue;
            }
        }
        text += format[i];
    }
    return text;
}

void QVXValueIncDecFrame::SetText(std::string_view value)
{
    mText->SetText(Format(mFormat, value));
}

const std::string& QVXValueIncDecFrame::GetText() const
{
    return mText->GetText();
}
