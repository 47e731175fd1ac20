#pragma once
// A line of text in a frame, optionally edited in place: a click (or a double
// click) opens the window's text entry over the frame, and the entered text
// comes back through TextEditDialogUser.
//
// Messages on the class 'edit': 0 when an entry opens, 1 when a text was
// entered (GetText holds it unless OnTextEntered decides otherwise), 2 when
// the entry was cancelled.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "base/FourCC.h"
#include "gui/Frame.h"
#include "gui/TextEditDialogUser.h"

#include <cstdint>
#include <string>

class TextFrame : public Frame, public TextEditDialogUser
{
public:
    static constexpr std::int32_t kEditClass = FourCCValue("edit");
    static constexpr std::int32_t kEditOpened = 0;
    static constexpr std::int32_t kEditAccepted = 1;
    static constexpr std::int32_t kEditCancelled = 2;

    enum Alignment : std::int32_t
    {
        kCentred = 0,
        kLeft = 1,
        kRight = 2
    };
    enum EditMode : std::int32_t
    {
        kNoEdit = 0,
        kEditOnClick = 1,
        kEditOnDoubleClick = 2
    };

    TextFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
              std::uint32_t flags, std::int32_t id, std::string text = {}, std::int32_t alignment = kCentred);
    ~TextFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override;
    void OnTextEditAccepted(const std::string& text) override;
    void OnTextEditCancelled() override;

    // Redraws when the text changes.
    void SetText(const std::string& text);
    const std::string& GetText() const { return mText; }
    void SetAlignment(std::int32_t alignment) { mAlignment = alignment; }
    void SetMargins(std::int32_t xMargin, std::int32_t bottomMargin);
    void SetTextFace(std::int32_t face) { mFace = face; }
    void SetColors(const CVLCanvas::ColorSpec& normal, const CVLCanvas::ColorSpec& inactive);
    void SetHideWhenInactive(bool hide) { mHideWhenInactive = hide; }
    void SetEditMode(std::int32_t mode) { mEditMode = mode; }
    MessagingServer::MsgClass* GetEditClass() const { return mEditClass; }

    // Where the text's baseline starts in the frame for a text this wide.
    Point TextOrigin(std::int32_t textWidth) const;

protected:
    // An entered text; the default shows it.
    virtual void OnTextEntered(const std::string& text) { SetText(text); }
    void DeliverEdit(std::int32_t what);

private:
    std::string mText;
    std::int32_t mAlignment = kCentred;
    std::int32_t mXMargin = 0;
    std::int32_t mBottomMargin = 2;
    std::int32_t mFace = 1;
    CVLCanvas::ColorSpec mColor{0, 0, 0};
    CVLCanvas::ColorSpec mInactiveColor{32768, 32768, 32768};
    bool mHideWhenInactive = false;
    std::int32_t mEditMode = kNoEdit;
    MessagingServer::MsgClass* mEditClass = nullptr;
};

// A buffered text frame on a piece of a skin picture.
class StaticTextPMFrame : public TextFrame
{
public:
    StaticTextPMFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                      std::uint32_t flags, std::int32_t id, DrawContext* picture, Point source, std::string text = {},
                      std::int32_t alignment = kCentred);

    void DrawContent(DrawContext& context, const Rect& rect) override;

private:
    DrawContext* mPicture = nullptr; // not owned
    Point mSource;
};
