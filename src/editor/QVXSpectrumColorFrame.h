#pragma once
// The panel of curve colours of the current view: one 8 x 8 swatch per colour
// role, 11 pixels apart, and a colour picker. Clicking a swatch chooses the
// role it shows (marked by a dashed border); picking a colour then sets that
// role's colour of the current view in the configuration, and every swatch
// follows the configuration's colours. Two larger swatches beside the picker
// show the chosen role's colour now and as it was when the role was chosen;
// a click on the second puts that colour back.
//
// The swatches of the curves sit in rows of three (left, right, mix): live,
// peak hold, average, then memories 1, 2 and 3; background, grid, labels and
// readout form a column of their own. Children are placed in skin
// coordinates (the frame's child origin undoes its source point), so the
// layout reads straight off the skin artwork.
//
// Mode 2 serves the third-octave view: a patch of the skin relabels the
// average row. A mono instance covers the right and mix swatches of the
// curve rows with another patch of the skin.
//
// Threads: UI thread only.

#include "base/ColorSpec.h"
#include "core/MessageSubscriber.h"
#include "gui/Frame.h"

#include <array>
#include <cstdint>

class QVXSpecConfig;

namespace CVLCanvas
{
class ColorFillFrame;
class ColorPickerFrame;
} // namespace CVLCanvas

class QVXSpectrumColorFrame : public PixMapDrawFrame,
                              public MessageSubscriber<QVXSpectrumColorFrame>
{
public:
    // Where the children go, in skin coordinates.
    struct Layout
    {
        Point swatches;    // top-left of role 0's swatch; the grid of kGridRoles
        Point sideColumn;  // top-left of role 18's swatch; kSideRoles below it
        Rect current;      // a larger swatch: the chosen role's colour now
        Rect original;     // and as it was when the role was chosen; a click restores it
        Rect picker;       // the picker; its picture is the skin there
        Point pickerHover; // top-left of the picker's hover image in the skin
    };
    // A layout for a frame whose background starts at source in the skin.
    static Layout DefaultLayout(Point source);

    static constexpr std::int32_t kSwatchSize = 8;
    static constexpr std::int32_t kSwatchPitch = 11;
    static constexpr std::int32_t kGridColumns = 3;
    // Row by row: live, peak hold, average, memory 1, 2, 3; each left, right, mix.
    static constexpr std::array<std::int32_t, 18> kGridRoles{0, 1,  2,  3,  4,  5,  6,  7,  8,
                                                             9, 12, 15, 10, 13, 16, 11, 14, 17};
    static constexpr std::array<std::int32_t, 4> kSideRoles{18, 19, 20, 21};
    static constexpr std::int32_t kRoleCount = 22;

    // Skin patches: source rectangle in the skin, destination in the frame.
    static constexpr Rect kThirdOctavePatch{663, 452, 689, 462};
    static constexpr Point kThirdOctavePatchAt{0, 34};
    static constexpr Rect kMonoPatch{666, 372, 687, 404};
    static constexpr Point kMonoPatchAt{37, 12};

    // The background is the skin picture's rectangle of the frame's size at
    // (sourceX, sourceY). Mode: the view the panel serves (0 FFT, 2 third
    // octave). The configuration is the one of the root's core.
    QVXSpectrumColorFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, std::int32_t sourceX, std::int32_t sourceY,
                          DrawContext* skin, std::int32_t mode, const Layout& layout,
                          std::uint32_t flags = 0, std::int32_t id = 0);
    QVXSpectrumColorFrame(Frame* parent, std::int32_t x, std::int32_t y, std::int32_t width,
                          std::int32_t height, std::int32_t sourceX, std::int32_t sourceY,
                          DrawContext* skin, std::int32_t mode, std::uint32_t flags = 0,
                          std::int32_t id = 0);
    ~QVXSpectrumColorFrame() override;

    void DrawContent(DrawContext& context, const Rect& rect) override;

    // Chooses the role the picker edits (0 ... 21; others ignored).
    void SelectRole(std::int32_t role);
    std::int32_t GetSelectedRole() const { return mSelectedRole; }
    CVLCanvas::ColorFillFrame* GetSwatch(std::int32_t role) const;
    CVLCanvas::ColorPickerFrame* GetPicker() const { return mPicker; }
    CVLCanvas::ColorFillFrame* GetCurrentSwatch() const { return mCurrent; }
    CVLCanvas::ColorFillFrame* GetOriginalSwatch() const { return mOriginal; }
    std::int32_t GetMode() const { return mMode; }
    bool IsMono() const;

private:
    void OnConfigMessage(std::int32_t what);
    void OnSwatchMessage(std::int32_t what);
    void OnPick(std::int32_t what);
    void OnOriginalMessage(std::int32_t what);
    // Every swatch to the current view's colours; with restart, the chosen
    // role's colour now also becomes the one a click on the original restores.
    void ShowColors(bool restart);

    QVXSpecConfig* mConfig = nullptr; // not owned; null once it is gone
    std::int32_t mMode = 0;
    std::int32_t mSelectedRole = 0;
    // Children: owned by the frame tree.
    std::array<CVLCanvas::ColorFillFrame*, kRoleCount> mSwatches{};
    CVLCanvas::ColorFillFrame* mCurrent = nullptr;
    CVLCanvas::ColorFillFrame* mOriginal = nullptr;
    CVLCanvas::ColorPickerFrame* mPicker = nullptr;
};
