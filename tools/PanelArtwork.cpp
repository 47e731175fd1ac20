// Draws the skin pictures of the editor's panels from the layout table
// (src/editor/SkinLayout.h), with the editor's own raster and font:
//   1000  the header strip, its buttons, and the backgrounds of the alarmed
//         value displays (one per severity)
//   2000  the analyzer panel: group boxes and labels, the plot's bezel, the
//         zoom strip and its handles, the colour-map selector's swatches
//         (from picture 5901), the legend's scale, the curve-colour panel
//         with its picker palette and patches, the band-level alarm panel,
//         and the images of every button
//   2200  the global strip
// Every position, size and image place comes from the table; this program
// only decides how things look (the palette and shapes of SKIN.md's dark
// studio instrument).
//
// The build runs it and compiles its output into the skin library:
//   quarvix-panel-artwork --source FILE.cpp   the pictures as PNG bytes in C++
//   quarvix-panel-artwork --png DIR           the pictures as PNG files, each
//                                             panel alone (skin-*.png), and
//                                             editor.png: the three panels
//                                             stacked, with the plot's place
// A caption wider than its button fails the run (and so the build).

#include "editor/SkinLayout.h"
#include "gui/OGWorld.h"
#include "gui/PngImage.h"
#include "platform/SafeFile.h"
#include "resources/ResourceTable.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace
{

using namespace SkinLayout;

// ------------------------------------------------------------ palette

constexpr std::uint32_t kWindow = 0x16181b;
constexpr std::uint32_t kPanelColor = 0x1f2226;
constexpr std::uint32_t kGroupFill = 0x24282d;
constexpr std::uint32_t kFace = 0x2a2e34;
constexpr std::uint32_t kBorder = 0x3a3f47;
constexpr std::uint32_t kBevelLight = 0x454b54;
constexpr std::uint32_t kBevelDark = 0x0f1113;
constexpr std::uint32_t kLabelText = 0xc9ced6;
constexpr std::uint32_t kDimText = 0x7f8791;
constexpr std::uint32_t kAccent = 0xe8a33d;
constexpr std::uint32_t kAccentBright = 0xffd68c;
constexpr std::uint32_t kAccentPressed = 0xb97c24;
constexpr std::uint32_t kAccentShadow = 0x6e4a14;
constexpr std::uint32_t kDarkText = 0x16181b;
constexpr std::uint32_t kPressedFace = 0x1b1e22;
constexpr std::uint32_t kWell = 0x111316;
// Disabled: face and text at about 40 % of their usual contrast to the panel.
constexpr std::uint32_t kDisabledFace = 0x23262a;
constexpr std::uint32_t kDisabledEdge = 0x2b2f35;
constexpr std::uint32_t kDisabledText = 0x555b64;
constexpr std::uint32_t kSeverity[kAlarmSeverityCount] = {0x2e3238, 0x3fae5a, 0xe8a33d, 0xe0453a};
// Dark tints of the severities, under light text.
constexpr std::uint32_t kSeverityTint[kAlarmSeverityCount] = {0x111316, 0x17301e, 0x3a2a10,
                                                              0x3d1512};

constexpr std::int32_t kCaptionFace = 1; // 7 pt
constexpr std::int32_t kLabelFace = 0;   // 8 pt

// ------------------------------------------------------------ drawing helpers

class Painter
{
public:
    explicit Painter(OGWorld& world) : mWorld(world) {}

    void Fill(const Rect& r, std::uint32_t rgb)
    {
        mWorld.SetForeColor(FromPixel(rgb));
        mWorld.PaintRect(r);
    }
    void Frame(const Rect& r, std::uint32_t rgb)
    {
        mWorld.SetForeColor(FromPixel(rgb));
        mWorld.FrameRect(r);
    }
    // A one-pixel edge: top and left in one colour, bottom and right in another.
    void Bevel(const Rect& r, std::uint32_t topLeft, std::uint32_t bottomRight)
    {
        Fill({r.left, r.top, r.right, r.top + 1}, topLeft);
        Fill({r.left, r.top, r.left + 1, r.bottom}, topLeft);
        Fill({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
        Fill({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
    }
    std::int32_t Width(std::int32_t face, std::string_view text)
    {
        mWorld.SetTextFace(face, FromPixel(kLabelText));
        return mWorld.TextWidth(text);
    }
    void Text(Point baseline, std::string_view text, std::int32_t face, std::uint32_t rgb)
    {
        mWorld.SetTextFace(face, FromPixel(rgb));
        mWorld.MoveTo(baseline);
        mWorld.DrawString(text);
    }
    // Centred in r, the baseline placed so that capitals sit in the middle.
    void CentredText(const Rect& r, std::string_view text, std::int32_t face, std::uint32_t rgb,
                     std::int32_t shift = 0)
    {
        const std::int32_t width = Width(face, text);
        const std::int32_t capHeight = face == kCaptionFace ? 7 : 8;
        const std::int32_t x = r.left + (r.Width() - width + 1) / 2 + shift;
        const std::int32_t y = r.top + (r.Height() + capHeight) / 2 + shift;
        Text({x, y}, text, face, rgb);
    }
    OGWorld& World() { return mWorld; }

private:
    OGWorld& mWorld;
};

std::string_view Caption(std::string_view captions, std::int32_t index)
{
    for (std::int32_t i = 0; i < index; ++i)
    {
        const std::size_t bar = captions.find('|');
        if (bar == std::string_view::npos)
            return captions;
        captions.remove_prefix(bar + 1);
    }
    return captions.substr(0, captions.find('|'));
}

enum class Look
{
    Off,
    On,
    PressedOff,
    PressedOn,
    Disabled,
};

// A triangle pointing up, down, left or right, centred in r.
void Triangle(Painter& p, const Rect& r, Kind kind, std::uint32_t rgb, std::int32_t shift)
{
    const bool across = r.Width() > r.Height();
    const bool forward = kind == Kind::Increment;
    if (across)
    {
        // 7 wide, 4 high.
        const std::int32_t cx = r.left + r.Width() / 2 + shift;
        const std::int32_t top = r.top + (r.Height() - 4) / 2 + shift;
        for (std::int32_t row = 0; row < 4; ++row)
        {
            const std::int32_t half = forward ? row : 3 - row;
            p.Fill({cx - half, top + row, cx + half + 1, top + row + 1}, rgb);
        }
    }
    else
    {
        // 4 wide, 7 high.
        const std::int32_t cy = r.top + r.Height() / 2 + shift;
        const std::int32_t left = r.left + (r.Width() - 4) / 2 + shift;
        for (std::int32_t col = 0; col < 4; ++col)
        {
            const std::int32_t half = forward ? 3 - col : col;
            p.Fill({left + col, cy - half, left + col + 1, cy + half + 1}, rgb);
        }
    }
}

// One image of a button in r.
void DrawButton(Painter& p, const Rect& r, const Element& e, Look look, std::string_view caption,
                std::uint32_t onFace = kAccent)
{
    std::uint32_t text = kLabelText;
    std::int32_t shift = 0;
    switch (look)
    {
    case Look::Off:
        p.Fill(r, kFace);
        p.Bevel(r, kBevelLight, kBevelDark);
        break;
    case Look::On:
        p.Fill(r, onFace);
        p.Frame(r, kAccentBright);
        text = kDarkText;
        break;
    case Look::PressedOff:
        p.Fill(r, kPressedFace);
        p.Bevel(r, kBevelDark, kBevelLight);
        shift = 1;
        break;
    case Look::PressedOn:
        p.Fill(r, kAccentPressed);
        p.Bevel(r, kAccentShadow, kAccentBright);
        text = kDarkText;
        shift = 1;
        break;
    case Look::Disabled:
        p.Fill(r, kDisabledFace);
        p.Frame(r, kDisabledEdge);
        text = kDisabledText;
        break;
    }
    if (e.kind == Kind::Increment || e.kind == Kind::Decrement)
        Triangle(p, r, e.kind, text, shift);
    else if (!caption.empty())
        p.CentredText(r, caption, kCaptionFace, text, shift);
}

// A severity state: its colour as the face, a brighter border once it is
// above "none", and its name, so that it does not rest on colour alone.
void DrawSeverity(Painter& p, const Rect& r, std::int32_t severity, bool pressed,
                  std::string_view caption)
{
    const std::uint32_t face = kSeverity[severity];
    p.Fill(r, face);
    if (pressed)
        p.Bevel(r, kBevelDark, kBevelLight);
    else if (severity == 0)
        p.Bevel(r, kBevelLight, kBevelDark);
    else
        p.Frame(r, 0xf2f2f2);
    p.CentredText(r, caption, kCaptionFace, severity == 0 ? kLabelText : kDarkText,
                  pressed ? 1 : 0);
}

bool IsSeverityButton(const Element& e)
{
    return e.name == "masterAlarm" || e.name == "alarmSeverity";
}

// The look of state s of a multi-state button: severities in their colours;
// what a memory slot holds lit once it holds something; selectors raised.
void DrawMultiState(Painter& p, const Rect& r, const Element& e, std::int32_t state, bool pressed)
{
    const std::string_view caption = Caption(e.captions, state);
    if (IsSeverityButton(e))
        DrawSeverity(p, r, state, pressed, caption);
    else if (!e.mouseActive)
        DrawButton(p, r, e,
                   state == 0 ? (pressed ? Look::PressedOff : Look::Off)
                              : (pressed ? Look::PressedOn : Look::On),
                   caption);
    else
        DrawButton(p, r, e, pressed ? Look::PressedOff : Look::Off, caption);
}

// Draws image i of the strip, as the button shows it.
void DrawImage(Painter& p, const Rect& r, const Element& e, std::int32_t index)
{
    if (e.kind == Kind::MultiState)
    {
        const std::int32_t stateImages = 2 * (e.states + 1);
        if (index >= stateImages)
            DrawButton(p, r, e, Look::Disabled, Caption(e.captions, 0));
        else
            DrawMultiState(p, r, e, index / 2, index % 2 == 1);
        return;
    }
    static constexpr Look kLooks[] = {Look::Off, Look::On, Look::PressedOff, Look::PressedOn,
                                      Look::Disabled};
    DrawButton(p, r, e, kLooks[index], e.captions);
}

// The blink phase of the freeze button: lit, but with the face dimmed and
// the border kept, so the button pulses without moving.
void DrawBlinkImage(Painter& p, const Rect& r, const Element& e, std::int32_t index)
{
    if (index == 1 || index == 3)
    {
        p.Fill(r, kAccentShadow);
        p.Frame(r, kAccentBright);
        p.CentredText(r, e.captions, kCaptionFace, kLabelText, index == 3 ? 1 : 0);
        return;
    }
    DrawImage(p, r, e, index);
}

void DrawWell(Painter& p, const Rect& r)
{
    p.Fill(r, kWell);
    p.Bevel(r, kBevelDark, kBorder);
}

void DrawGroup(Painter& p, const Group& g)
{
    p.Fill(g.box, kGroupFill);
    p.Frame(g.box, kBorder);
    if (g.caption.empty())
        return;
    if (g.captionAtLeft)
        p.Text({g.box.left + 6, g.box.top + (g.box.Height() + 7) / 2}, g.caption, kCaptionFace,
               kDimText);
    else
        p.Text({g.box.left + 6, g.box.top + 10}, g.caption, kCaptionFace, kDimText);
}

// ------------------------------------------------------------ frames of the analyzer panel

void DrawPlotBezel(Painter& p)
{
    const Rect bezel{kPlot.left - 1, kPlot.top - 1, kPlot.right + 1, kPlot.bottom + 1};
    p.Frame(bezel, kBorder);
    p.Fill(kPlot, 0x000000);
}

void DrawZoomStrip(Painter& p)
{
    p.Fill(kZoomStrip, kWindow);
    const std::int32_t mid = kZoomStrip.top + kZoomStrip.Height() / 2;
    p.Fill({kZoomStrip.left, mid, kZoomStrip.right, mid + 1}, kBorder);
}

// The handles: an amber bracket opening toward the range it bounds.
void DrawZoomHandle(Painter& p, Point at, bool upper)
{
    const Rect r{at.x, at.y, at.x + kZoomHandleSize.width, at.y + kZoomHandleSize.height};
    p.Fill(r, kWindow);
    const std::int32_t spine = upper ? r.right - 3 : r.left;
    p.Fill({spine, r.top, spine + 3, r.bottom}, kAccent);
    const std::int32_t armLeft = upper ? r.left + 1 : r.left;
    const std::int32_t armRight = upper ? r.right : r.right - 1;
    p.Fill({armLeft, r.top, armRight, r.top + 2}, kAccent);
    p.Fill({armLeft, r.bottom - 2, armRight, r.bottom}, kAccent);
    p.Fill({spine + 1, r.top + 2, spine + 2, r.bottom - 2}, kAccentBright);
}

// Map k of picture 5901 across a swatch: quiet at the left, loud at the right.
void DrawSelector(Painter& p, const PixelBuffer& maps)
{
    const Rect& s = kColorMapSelector;
    for (const Rect& local : {Rect{6, 6, 56, 118}, Rect{6, 136, 56, 248}})
    {
        const Rect column = local.Offset(s.left, s.top);
        p.Frame({column.left - 1, column.top - 1, column.right + 1, column.bottom + 1}, kBevelDark);
        for (std::int32_t map = 0; map < 16; ++map)
        {
            for (std::int32_t x = column.left; x < column.right; ++x)
            {
                const std::int32_t row = 199 - (x - column.left) * 199 / (column.Width() - 1);
                const std::int32_t mapX = std::min(2 * map, maps.width - 1);
                const std::uint32_t rgb =
                    maps.Contains(mapX, row) ? maps.At(mapX, row) & 0xffffff : 0;
                p.Fill({x, column.top + 7 * map, x + 1, column.top + 7 * map + 7}, rgb);
            }
        }
    }
    const std::int32_t centre = s.left + 31;
    p.Text({centre - p.Width(kCaptionFace, "R") / 2, s.top + 131}, "R", kCaptionFace, kLabelText);
}

void DrawLegend(Painter& p)
{
    const Rect& l = kColorLegend;
    p.Fill(l, kWindow);
    p.Frame(l, kBorder);
    for (std::int32_t row : {8, 14})
        p.Fill({l.left + 38, l.top + row, l.left + 239, l.top + row + 5}, kWell);
    for (std::int32_t db = 0; db <= 100; db += 10)
    {
        const std::int32_t x = l.left + 238 - 2 * db;
        p.Fill({x, l.top + 21, x + 1, l.top + (db % 50 == 0 ? 25 : 23)}, kDimText);
    }
    for (const auto& [db, text] : {std::pair{100, "-100"}, std::pair{50, "-50"}, std::pair{0, "0"}})
    {
        const std::int32_t x = l.left + 238 - 2 * db;
        p.Text({x - p.Width(kCaptionFace, text) / 2, l.top + 34}, text, kCaptionFace, kDimText);
    }
    p.Text({l.left + 248, l.top + 19}, "dB", kCaptionFace, kDimText);
}

// The curve-colour panel; its children's places follow the colour frame's
// own layout (swatches from (26, 12), 11 apart; side column at 66; the
// large swatches at 106; the picker from (132, 6) to (218, 74)).
void DrawCurveColors(Painter& p)
{
    const Rect& c = kCurveColors;
    const auto at = [&](std::int32_t x, std::int32_t y) { return Point{c.left + x, c.top + y}; };
    p.Fill(c, kGroupFill);
    const char* rows[] = {"LIVE", "PEAK", "AVG", "M1", "M2", "M3"};
    for (std::int32_t row = 0; row < 6; ++row)
    {
        p.Text(at(2, 19 + 11 * row), rows[row], kCaptionFace, kDimText);
        for (std::int32_t column = 0; column < 3; ++column)
        {
            const Point s = at(26 + 11 * column, 12 + 11 * row);
            p.Frame({s.x - 1, s.y - 1, s.x + 9, s.y + 9}, kBevelDark);
        }
    }
    const char* heads[] = {"L", "R", "M"};
    for (std::int32_t column = 0; column < 3; ++column)
        p.Text(at(28 + 11 * column, 9), heads[column], kCaptionFace, kDimText);
    const char* side[] = {"BG", "GRID", "TEXT", "INFO"};
    for (std::int32_t row = 0; row < 4; ++row)
    {
        const Point s = at(66, 12 + 11 * row);
        p.Frame({s.x - 1, s.y - 1, s.x + 9, s.y + 9}, kBevelDark);
        p.Text(at(77, 19 + 11 * row), side[row], kCaptionFace, kDimText);
    }
    p.Frame({c.left + 105, c.top + 11, c.left + 127, c.top + 33}, kBevelDark);
    p.Frame({c.left + 105, c.top + 33, c.left + 127, c.top + 55}, kBevelDark);
    p.Text(at(104, 64), "NOW", kCaptionFace, kDimText);
    p.Text(at(104, 73), "UNDO", kCaptionFace, kDimText);

    // The picker's palette: hues across, from white at the top through the
    // full colour to black at the bottom; a grey ramp at the right end.
    const Rect pick{c.left + 132, c.top + 6, c.left + 218, c.top + 74};
    const std::int32_t hueWidth = pick.Width() - 8;
    for (std::int32_t y = pick.top; y < pick.bottom; ++y)
    {
        const double t = static_cast<double>(y - pick.top) / (pick.Height() - 1);
        for (std::int32_t x = pick.left; x < pick.right; ++x)
        {
            double rgb[3];
            if (x - pick.left >= hueWidth)
            {
                rgb[0] = rgb[1] = rgb[2] = 1.0 - t;
            }
            else
            {
                const double h = 6.0 * (x - pick.left) / hueWidth;
                const double hue[3] = {std::clamp(std::abs(h - 3.0) - 1.0, 0.0, 1.0),
                                       std::clamp(2.0 - std::abs(h - 2.0), 0.0, 1.0),
                                       std::clamp(2.0 - std::abs(h - 4.0), 0.0, 1.0)};
                for (int i = 0; i < 3; ++i)
                    rgb[i] = t < 0.5 ? 1.0 + (hue[i] - 1.0) * t * 2.0 : hue[i] * (2.0 - t * 2.0);
            }
            const auto byte = [](double v)
            { return static_cast<std::uint32_t>(std::clamp(v, 0.0, 1.0) * 255.0 + 0.5); };
            p.Fill({x, y, x + 1, y + 1}, byte(rgb[0]) << 16 | byte(rgb[1]) << 8 | byte(rgb[2]));
        }
    }
    p.Frame({pick.left - 1, pick.top - 1, pick.right + 1, pick.bottom + 1}, kBevelDark);

    // Patches: the third-octave view's name for the average row (the bars'
    // average is of RMS readings), and the cover of the second channel's
    // swatches for a mono instance.
    p.Fill(kThirdOctavePatch, kGroupFill);
    p.Text({kThirdOctavePatch.left + 2, kThirdOctavePatch.top + 7}, "RMS", kCaptionFace, kDimText);
    p.Fill(kMonoPatch, kGroupFill);
}

void DrawBandPanel(Painter& p)
{
    p.Fill(kBandLevelAlarm, kGroupFill);
    p.Frame(kBandLevelAlarm, kBorder);
}

// The value displays' backgrounds in picture 1000: a well tinted by the
// severity, its border in the severity's colour.
void DrawAlarmValueImages(Painter& p)
{
    for (std::int32_t s = 0; s < kAlarmSeverityCount; ++s)
    {
        const Rect r{kAlarmValueImage.x + s * kAlarmValueStep.x,
                     kAlarmValueImage.y + s * kAlarmValueStep.y,
                     kAlarmValueImage.x + s * kAlarmValueStep.x + kAlarmValueSize.width,
                     kAlarmValueImage.y + s * kAlarmValueStep.y + kAlarmValueSize.height};
        p.Fill(r, kSeverityTint[s]);
        if (s == 0)
            p.Bevel(r, kBevelDark, kBorder);
        else
            p.Frame(r, kSeverity[s]);
    }
}

// ------------------------------------------------------------ pictures

bool CheckCaptions(Painter& p, Panel panel)
{
    bool ok = true;
    for (const Element& e : Elements(panel))
    {
        if (!e.IsButton())
            continue;
        for (std::int32_t s = 0; s <= (e.kind == Kind::MultiState ? e.states : 0); ++s)
        {
            const std::string_view caption = Caption(e.captions, s);
            if (p.Width(kCaptionFace, caption) > e.rect.Width() - 4)
            {
                std::fprintf(stderr, "quarvix-panel-artwork: \"%.*s\" is too wide for %.*s\n",
                             static_cast<int>(caption.size()), caption.data(),
                             static_cast<int>(e.name.size()), e.name.data());
                ok = false;
            }
        }
    }
    return ok;
}

PixelBuffer DrawPicture(Panel panel, const PixelBuffer& maps, bool& ok)
{
    const Size size = PictureSize(panel);
    OGWorld world(Rect{0, 0, size.width, size.height});
    Painter p(world);
    const Rect background{0, 0, kEditorWidth, PanelRect(panel).Height()};
    p.Fill({0, 0, size.width, size.height}, kWindow);
    p.Fill(background, panel == Panel::Analyzer ? kPanelColor : kWindow);
    if (panel == Panel::Header)
        p.Fill({0, background.bottom - 1, background.right, background.bottom}, kBorder);
    if (panel == Panel::Global)
        p.Fill({0, 0, background.right, 1}, kBorder);

    for (const Group& g : Groups(panel))
        DrawGroup(p, g);
    if (panel == Panel::Analyzer)
    {
        DrawPlotBezel(p);
        DrawZoomStrip(p);
        DrawSelector(p, maps);
        DrawLegend(p);
        DrawCurveColors(p);
        DrawBandPanel(p);
        DrawZoomHandle(p, ZoomHandleImage(false), false);
        DrawZoomHandle(p, ZoomHandleImage(true), true);
    }
    if (panel == Panel::Header)
        DrawAlarmValueImages(p);
    for (const Label& l : Labels(panel))
        p.Text(l.baseline, l.text, l.dim ? kCaptionFace : kLabelFace,
               l.dim ? kDimText : kLabelText);

    for (const Element& e : Elements(panel))
    {
        if (e.kind == Kind::Text)
            DrawWell(p, e.rect);
        if (!e.IsButton())
            continue;
        // The button as it first shows, in its place, so the background
        // alone already reads as the panel.
        DrawImage(p, e.rect, e, 0);
        for (std::int32_t i = 0; i < e.ImageCount(); ++i)
            DrawImage(p, ImageRect(e, i), e, i);
        if (e.kind == Kind::Blinking)
        {
            for (std::int32_t i = 0; i < e.ImageCount(); ++i)
                DrawBlinkImage(p, BlinkImageRect(e, i), e, i);
        }
    }
    ok = CheckCaptions(p, panel) && ok;
    return world.GetPixels();
}

std::string PictureName(Panel panel)
{
    switch (panel)
    {
    case Panel::Header:
        return "1000-header";
    case Panel::Analyzer:
        return "2000-analyzer-panel";
    case Panel::Global:
        break;
    }
    return "2200-global";
}

// The panel's background alone, as the editor shows it.
PixelBuffer Crop(const PixelBuffer& picture, Panel panel)
{
    const Rect place = PanelRect(panel);
    PixelBuffer panelPixels;
    panelPixels.Allocate(place.Width(), place.Height());
    for (std::int32_t y = 0; y < place.Height(); ++y)
        std::copy_n(picture.Row(y), place.Width(), panelPixels.Row(y));
    return panelPixels;
}

std::string PanelName(Panel panel)
{
    switch (panel)
    {
    case Panel::Header:
        return "skin-header";
    case Panel::Analyzer:
        return "skin-analyzer-panel";
    case Panel::Global:
        break;
    }
    return "skin-global";
}

// The three panels stacked as the editor shows them.
PixelBuffer Compose(const std::vector<PixelBuffer>& pictures)
{
    const Size size = EditorSize(true);
    PixelBuffer editor;
    editor.Allocate(size.width, size.height);
    for (std::size_t i = 0; i < pictures.size(); ++i)
    {
        const Rect place = PanelRect(kPanels[i]);
        for (std::int32_t y = 0; y < place.Height(); ++y)
            std::copy_n(pictures[i].Row(y), place.Width(), editor.Row(place.top + y) + place.left);
    }
    return editor;
}

bool WriteSource(const std::filesystem::path& file, const std::vector<std::string>& pngs)
{
    std::ostringstream out;
    out << "// Generated by tools/PanelArtwork.cpp from src/editor/SkinLayout.cpp; edit\n"
           "// those, not this file.\n\n#include \"skin/SkinPictureData.h\"\n\n"
           "namespace Skin::Generated\n{\n\nnamespace\n{\n";
    char hex[8];
    for (std::size_t i = 0; i < pngs.size(); ++i)
    {
        out << "// " << PictureName(kPanels[i]) << ".png\nconst std::uint8_t kPicture"
            << PictureOf(kPanels[i]) << "[" << pngs[i].size() << "] = {";
        for (std::size_t b = 0; b < pngs[i].size(); ++b)
        {
            std::snprintf(hex, sizeof hex, "0x%02x,", static_cast<unsigned char>(pngs[i][b]));
            out << (b % 24 == 0 ? "\n" : "") << hex;
        }
        out << "\n};\n\n";
    }
    out << "} // namespace\n\nconst Picture kPictures[] = {\n";
    for (const Panel panel : kPanels)
    {
        const std::int32_t id = PictureOf(panel);
        out << "    {" << id << ", kPicture" << id << ", sizeof(kPicture" << id << ")},\n";
    }
    out << "};\nconst std::size_t kPictureCount = " << pngs.size()
        << ";\n\n} // namespace Skin::Generated\n";

    // Rewritten only when it changes, so an unchanged skin recompiles nothing.
    const std::string text = out.str();
    std::ifstream old(file, std::ios::binary);
    if (old)
    {
        std::ostringstream existing;
        existing << old.rdbuf();
        if (existing.str() == text)
            return true;
    }
    return Platform::SafeWriteFile(file, text);
}

int Usage()
{
    std::fprintf(stderr, "usage: quarvix-panel-artwork --source FILE.cpp | --png DIR\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return Usage();
    const std::string mode = argv[1];
    const std::filesystem::path target = argv[2];
    if (mode != "--source" && mode != "--png")
        return Usage();

    PixelBuffer maps;
    std::string error;
    if (!PngImage::DecodeResource(Resources::kColorMapPicture, maps, &error))
    {
        std::fprintf(stderr, "quarvix-panel-artwork: picture 5901: %s\n", error.c_str());
        return 1;
    }

    bool ok = true;
    std::vector<PixelBuffer> pictures;
    std::vector<std::string> pngs;
    for (const Panel panel : kPanels)
    {
        pictures.push_back(DrawPicture(panel, maps, ok));
        std::string bytes;
        if (!PngImage::Encode(pictures.back(), bytes, &error))
        {
            std::fprintf(stderr, "quarvix-panel-artwork: %s\n", error.c_str());
            return 1;
        }
        pngs.push_back(std::move(bytes));
    }
    if (!ok)
        return 1;

    if (mode == "--source")
    {
        if (!WriteSource(target, pngs))
        {
            std::fprintf(stderr, "quarvix-panel-artwork: cannot write %s\n", target.c_str());
            return 1;
        }
        return 0;
    }
    const auto write = [&](const std::string& name, const PixelBuffer& pixels)
    {
        const std::filesystem::path file = target / (name + ".png");
        if (!PngImage::Write(file, pixels, &error))
        {
            std::fprintf(stderr, "quarvix-panel-artwork: %s\n", error.c_str());
            return false;
        }
        std::printf("%s\n", file.c_str());
        return true;
    };
    for (std::size_t i = 0; i < pictures.size(); ++i)
    {
        if (!write(PictureName(kPanels[i]), pictures[i]) ||
            !write(PanelName(kPanels[i]), Crop(pictures[i], kPanels[i])))
            return 1;
    }
    return write("editor", Compose(pictures)) ? 0 : 1;
}
