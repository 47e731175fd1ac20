#pragma once
// The editor's skin layout: where every panel, control and display of the
// editor sits, what kind of control it is, and where its images lie in the
// skin picture it draws from. The panels place their children from this
// table and tools/PanelArtwork.cpp draws the skin pictures from it, so the
// artwork and the panels cannot drift apart.
//
// Pictures: 1000 holds the header strip, 2000 the analyzer panel (with the
// frames it places: plot bezel, zoom strip, colour-map selector, legend,
// curve-colour panel, band-level alarm panel), 2200 the global strip at the
// bottom. Each picture starts with its panel's background at (0, 0), the
// panel's own coordinates, so a child drawing its background from the
// picture uses its own position as source point; below the background lie
// the state images of the panel's buttons and the patches its frames copy.
//
// Every button has one strip of images, `offset` apart, starting at `source`:
//   toggle, radio member, action, instant action, increment, decrement:
//     off, on, pressed off, pressed on, disabled
//     (the pressed set starts at the third image; a pressed button shows the
//     pressed image of the state a release would give)
//   multi-state with N: state 0, state 0 pressed, ..., state N, state N
//     pressed, disabled
//   the blinking freeze button: the same strip as a toggle, and a second one
//     (its blink phase) at twice its source point, as the button expects.
// Display-only buttons (lamps) have no disabled image.
//
// The table is plain data, built on first use; threads: any (read-only).

#include "base/Geometry.h"

#include <cstdint>
#include <span>
#include <string_view>

namespace SkinLayout
{

struct Size
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

enum class Panel : std::uint8_t
{
    Header,   // QVXHeaderFrame, picture 1000
    Analyzer, // QuarvixSpecFrame, picture 2000
    Global,   // QVXGlobalFrame, picture 2200
};
inline constexpr Panel kPanels[] = {Panel::Header, Panel::Analyzer, Panel::Global};

enum class Kind : std::uint8_t
{
    Toggle,        // BooleanButton
    Blinking,      // BlinkingBooleanButton
    MultiState,    // MultiStateButton, values 0 ... states
    Action,        // ActionButton: reports 1 when released over it
    InstantAction, // InstantActionButton: reports 1 when pressed
    Increment,     // upper (or right) half of an increment/decrement pair
    Decrement,     // lower (or left) half
    RadioMember,   // BooleanButton of the radio group `id`; selecting it gives `member`
    Text,          // a value display: a text frame on an inset well of the skin
    Display,       // a frame that draws itself (plot, colour frames, ...)
};

// Views (QVXSpecConfig): bit v set when the element is shown in view v.
inline constexpr std::uint8_t kViewFFT = 1;
inline constexpr std::uint8_t kViewSpectrogram = 2;
inline constexpr std::uint8_t kViewThirdOctave = 4;
inline constexpr std::uint8_t kAllViews = 7;

// PixMapButton::Images without the picture (the panel's, see PictureOf).
struct ButtonImages
{
    Point source;
    Point offset;
    bool hasPressed = false;
    Point pressedSource;
    Point pressedOffset;
    Point disabledSource{-1, -1};
};

struct Element
{
    std::string_view name;
    Kind kind = Kind::Display;
    // Id in the panel's control container (for the band-level alarm
    // panel's children, in that panel's container); -1 when none.
    std::int32_t id = -1;
    // Radio members: the group's value when this one is selected. Halves of
    // an increment/decrement pair: the id of the other half.
    std::int32_t member = -1;
    Rect rect;                 // in panel (= skin picture) coordinates
    std::int32_t states = 1;   // N of a multi-state button: values 0 ... N
    std::string_view captions; // one face text per state, '|' between them
    std::uint8_t views = kAllViews;
    bool mouseActive = true; // false: a lamp that only shows a value
    std::string_view parent; // the frame that holds it; empty: the panel
    ButtonImages images;     // buttons only

    bool IsButton() const { return kind != Kind::Text && kind != Kind::Display; }
    // Images in the strip: see the top of this file.
    std::int32_t ImageCount() const;
};

// A labelled group box or a free label, drawn into the background only.
struct Group
{
    Rect box;
    std::string_view caption;
    // The caption sits left of the controls instead of above them.
    bool captionAtLeft = false;
};
struct Label
{
    Point baseline;
    std::string_view text;
    bool dim = true; // 7 pt dim caption; false: 8 pt label text
};

// --- editor and panels ---

inline constexpr std::int32_t kEditorWidth = 912;
inline constexpr std::int32_t kHeaderHeight = 28;
inline constexpr std::int32_t kAnalyzerHeight = 372;
inline constexpr std::int32_t kGlobalHeight = 24;

// The editor window (GetEditorSize). A mono instance keeps the stereo size:
// its second-channel controls are covered by skin patches or disabled, not
// taken out, so both layouts share one set of pictures.
Size EditorSize(bool stereo);

std::int32_t PictureOf(Panel panel);
// The panel's rectangle in the editor window.
Rect PanelRect(Panel panel);
// The whole skin picture of the panel; its background is (0, 0, panel size).
Size PictureSize(Panel panel);

std::span<const Element> Elements(Panel panel);
std::span<const Group> Groups(Panel panel);
std::span<const Label> Labels(Panel panel);

// Null when there is none.
const Element* Find(Panel panel, std::string_view name);
// The control of a container id (member >= 0: that radio member); parent
// names the container's frame, empty for the panel's own container.
const Element* FindControl(Panel panel, std::int32_t id, std::int32_t member = -1,
                           std::string_view parent = {});

// Image i of a button's strip, with its size.
Rect ImageRect(const Element& element, std::int32_t index);
// The blink phase of the freeze button: the strip at twice its source.
Rect BlinkImageRect(const Element& element, std::int32_t index);

// --- fixed places of the analyzer panel and its frames ---

inline constexpr Rect kPlot{9, 33, 510, 233};
inline constexpr Rect kBandLevelAlarm{34, 343, 511, 364};
inline constexpr Point kLowerBandSelector{176, 348};
inline constexpr Point kUpperBandSelector{243, 348};
inline constexpr Rect kColorMapSelector{540, 61, 604, 333};
// Mono: the selector paints its second column in the colour of this pixel,
// which the artwork keeps the selector's own background colour.
inline constexpr Point kSelectorPanelPixel{546, 328};
inline constexpr Rect kColorLegend{624, 100, 902, 140};
inline constexpr Rect kCurveColors{624, 164, 848, 244};
// Patches the curve-colour panel copies over itself: the third-octave name
// of its average row, and the cover of the second channel's swatches.
inline constexpr Rect kThirdOctavePatch{663, 452, 689, 462};
inline constexpr Rect kMonoPatch{666, 372, 687, 404};
inline constexpr Rect kZoomStrip{9, 236, 510, 246};
// The zoom strip's two handle images (lower, upper), 8 pixels wide.
inline constexpr Size kZoomHandleSize{8, 10};
Point ZoomHandleImage(bool upper);

// The alarmed value displays' backgrounds in picture 1000: severity s at
// kAlarmValueImage + s x kAlarmValueStep, each kAlarmValueSize.
inline constexpr Point kAlarmValueImage{1, 47};
inline constexpr Point kAlarmValueStep{0, 12};
inline constexpr Size kAlarmValueSize{40, 12};
inline constexpr std::int32_t kAlarmSeverityCount = 4;

} // namespace SkinLayout
