#include "editor/SkinLayout.h"

#include "resources/ResourceTable.h"

#include <algorithm>
#include <array>
#include <vector>

namespace SkinLayout
{

namespace
{

constexpr Rect R(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height)
{
    return {x, y, x + width, y + height};
}

// Labelled buttons are 16 high; the halves of an increment/decrement pair
// beside a value display are 12 x 8, one above the other; in the band-level
// alarm panel, whose row is 21 high, they are 10 x 14, side by side.
constexpr std::int32_t kButtonHeight = 16;

Element Button(Kind kind, std::string_view name, std::int32_t id, Rect rect,
               std::string_view captions, std::uint8_t views = kAllViews)
{
    Element e;
    e.name = name;
    e.kind = kind;
    e.id = id;
    e.rect = rect;
    e.captions = captions;
    e.views = views;
    return e;
}

Element Toggle(std::string_view name, std::int32_t id, Rect rect, std::string_view caption,
               std::uint8_t views = kAllViews)
{
    return Button(Kind::Toggle, name, id, rect, caption, views);
}

Element Action(std::string_view name, std::int32_t id, Rect rect, std::string_view caption)
{
    return Button(Kind::Action, name, id, rect, caption);
}

Element Multi(std::string_view name, std::int32_t id, Rect rect, std::int32_t states,
              std::string_view captions)
{
    Element e = Button(Kind::MultiState, name, id, rect, captions);
    e.states = states;
    return e;
}

Element Lamp(Element e)
{
    e.mouseActive = false;
    return e;
}

Element Radio(std::string_view name, std::int32_t id, std::int32_t member, Rect rect,
              std::string_view caption)
{
    Element e = Button(Kind::RadioMember, name, id, rect, caption);
    e.member = member;
    return e;
}

// A pair stacked at (x, y): increment above, decrement below.
void Pair(std::vector<Element>& out, std::string_view up, std::int32_t upId, std::string_view down,
          std::int32_t downId, std::int32_t x, std::int32_t y)
{
    Element inc = Button(Kind::Increment, up, upId, R(x, y, 12, 8), {});
    inc.member = downId;
    Element dec = Button(Kind::Decrement, down, downId, R(x, y + 8, 12, 8), {});
    dec.member = upId;
    out.push_back(inc);
    out.push_back(dec);
}

// A pair side by side at (x, y): decrement left, increment right.
void SidePair(std::vector<Element>& out, std::string_view down, std::int32_t downId,
              std::string_view up, std::int32_t upId, std::int32_t x, std::int32_t y,
              std::string_view parent)
{
    Element dec = Button(Kind::Decrement, down, downId, R(x, y, 10, 14), {});
    dec.member = upId;
    dec.parent = parent;
    Element inc = Button(Kind::Increment, up, upId, R(x + 10, y, 10, 14), {});
    inc.member = downId;
    inc.parent = parent;
    out.push_back(dec);
    out.push_back(inc);
}

Element Text(std::string_view name, Rect rect, std::string_view parent = {})
{
    Element e;
    e.name = name;
    e.kind = Kind::Text;
    e.rect = rect;
    e.parent = parent;
    return e;
}

Element Display(std::string_view name, Rect rect, std::uint8_t views = kAllViews)
{
    Element e;
    e.name = name;
    e.kind = Kind::Display;
    e.rect = rect;
    e.views = views;
    return e;
}

Element Child(Element e, std::string_view parent)
{
    e.parent = parent;
    return e;
}

constexpr std::string_view kBandPanel = "bandLevelAlarm";

// ------------------------------------------------------------ analyzer panel

std::vector<Element> AnalyzerControls()
{
    std::vector<Element> e;
    const std::int32_t h = kButtonHeight;

    // Top strip: the view and what it shows; freeze, the master alarm, zoom.
    e.push_back(Multi("view", 51, R(40, 8, 76, h), 2, "FFT|SPECTROGRAM|1/3 OCTAVE"));
    e.push_back(Toggle("showFreqLabels", 44, R(156, 8, 40, h), "FREQ"));
    e.push_back(Toggle("showLevelLabels", 45, R(200, 8, 40, h), "LEVEL"));
    e.push_back(Toggle("showGrid", 46, R(244, 8, 40, h), "GRID"));
    e.push_back(Toggle("showReadouts", 47, R(288, 8, 52, h), "READOUT"));
    e.push_back(Button(Kind::Blinking, "freeze", 32, R(356, 8, 52, h), "FREEZE"));
    e.push_back(Multi("masterAlarm", 33, R(412, 8, 56, h), 3, "NO ALARM|OK|WARNING|ALARM"));
    e.push_back(Toggle("freqZoom", 0, R(472, 8, 36, h), "ZOOM", kViewFFT | kViewSpectrogram));

    e.push_back(Display("plot", kPlot));
    e.push_back(Display("zoomStrip", kZoomStrip, kViewFFT | kViewSpectrogram));
    e.push_back(Display("colorMapSelector", kColorMapSelector));

    // FFT.
    e.push_back(Text("fftSize", R(652, 16, 40, h)));
    Pair(e, "fftSizeUp", 18, "fftSizeDown", 19, 692, 16);
    e.push_back(Text("window", R(756, 16, 128, h)));
    Pair(e, "windowUp", 20, "windowDown", 21, 884, 16);
    e.push_back(Radio("weightingNone", 22, 0, R(668, 36, 36, h), "NONE"));
    e.push_back(Radio("weightingA", 22, 1, R(708, 36, 24, h), "A"));
    e.push_back(Radio("weightingB", 22, 2, R(736, 36, 24, h), "B"));
    e.push_back(Radio("weightingC", 22, 3, R(764, 36, 24, h), "C"));
    // Lit while the chosen weighting is really applied (the sample rate has
    // a filter for it).
    e.push_back(Lamp(Toggle("weightingActive", 37, R(796, 36, 44, h), "ACTIVE")));

    // Spectrogram.
    e.push_back(Text("specGain", R(652, 76, 40, h)));
    Pair(e, "specGainUp", 14, "specGainDown", 15, 692, 76);
    e.push_back(Text("specFloor", R(748, 76, 40, h)));
    Pair(e, "specFloorUp", 16, "specFloorDown", 17, 788, 76);
    e.push_back(Display("colorLegend", kColorLegend));

    // Curve colours: one panel per kind of view, in the same place.
    e.push_back(Display("curveColors", kCurveColors, kViewFFT | kViewSpectrogram));
    e.push_back(Display("curveColorsThirdOctave", kCurveColors, kViewThirdOctave));
    e.push_back(Action("importColors", 41, R(852, 164, 52, h), "IMPORT"));
    e.push_back(Action("resetColors", 43, R(852, 184, 52, h), "RESET"));

    // Channel, third-octave bars, levels.
    e.push_back(Radio("channelLeft", 49, 0, R(672, 260, 48, h), "LEFT"));
    e.push_back(Radio("channelRight", 49, 1, R(724, 260, 48, h), "RIGHT"));
    e.push_back(Radio("channelBoth", 49, 2, R(776, 260, 48, h), "BOTH"));
    e.push_back(Radio("channelMix", 49, 3, R(828, 260, 48, h), "MIX"));
    e.push_back(Radio("barsLive", 50, 0, R(700, 292, 44, h), "LIVE"));
    e.push_back(Radio("barsPeak", 50, 1, R(748, 292, 44, h), "PEAK"));
    e.push_back(Radio("barsAverage", 50, 2, R(796, 292, 44, h), "AVG"));
    e.push_back(Radio("range60", 39, 0, R(672, 324, 44, h), "60 dB"));
    e.push_back(Radio("range100", 39, 1, R(720, 324, 44, h), "100 dB"));
    e.push_back(Radio("range140", 39, 2, R(768, 324, 44, h), "140 dB"));
    e.push_back(Toggle("logScale", 38, R(828, 324, 40, h), "LOG"));

    // Curves: a row per curve, its time and, for the peak hold, its fall.
    e.push_back(Toggle("live", 7, R(8, 260, 40, h), "LIVE"));
    e.push_back(Text("liveDecayTime", R(52, 260, 40, h)));
    Pair(e, "liveDecayUp", 9, "liveDecayDown", 8, 92, 260);
    e.push_back(Toggle("peakHold", 1, R(8, 280, 40, h), "PEAK"));
    e.push_back(Text("peakHoldTime", R(52, 280, 40, h)));
    Pair(e, "peakHoldTimeUp", 3, "peakHoldTimeDown", 2, 92, 280);
    e.push_back(Text("peakFall", R(112, 280, 40, h)));
    Pair(e, "peakFallUp", 5, "peakFallDown", 4, 152, 280);
    e.push_back(Button(Kind::InstantAction, "restartPeakHold", 6, R(168, 280, 52, h), "RESTART"));
    // The average switch of the curve views and the one of the bar view:
    // both follow the current view's average, one at a time in one place.
    e.push_back(Toggle("average", 10, R(8, 300, 40, h), "AVG", kViewFFT | kViewSpectrogram));
    e.push_back(Toggle("averageBars", 11, R(8, 300, 40, h), "AVG", kViewThirdOctave));
    e.push_back(Text("averagingTime", R(52, 300, 40, h)));
    Pair(e, "averagingTimeUp", 13, "averagingTimeDown", 12, 92, 300);

    // Memories: a column per slot; the capture buttons and their target
    // slots (bound to the configuration's save locations) below.
    const std::int32_t col[] = {276, 316, 356};
    e.push_back(Toggle("memory1", 23, R(col[0], 260, 36, h), "M1"));
    e.push_back(Toggle("memory2", 24, R(col[1], 260, 36, h), "M2"));
    e.push_back(Toggle("memory3", 25, R(col[2], 260, 36, h), "M3"));
    // What each slot holds: 0 nothing, 1 a live curve, 2 an average, 3 a peak hold.
    e.push_back(Lamp(Multi("memory1Holds", 34, R(col[0], 280, 36, h), 3, "EMPTY|LIVE|AVG|PEAK")));
    e.push_back(Lamp(Multi("memory2Holds", 35, R(col[1], 280, 36, h), 3, "EMPTY|LIVE|AVG|PEAK")));
    e.push_back(Lamp(Multi("memory3Holds", 36, R(col[2], 280, 36, h), 3, "EMPTY|LIVE|AVG|PEAK")));
    e.push_back(Action("captureLive", 29, R(col[0], 300, 36, h), "LIVE"));
    e.push_back(Action("capturePeak", 30, R(col[1], 300, 36, h), "PEAK"));
    e.push_back(Action("captureAverage", 31, R(col[2], 300, 36, h), "AVG"));
    e.push_back(Multi("captureLiveInto", 26, R(col[0], 320, 36, h), 2, "M1|M2|M3"));
    e.push_back(Multi("capturePeakInto", 27, R(col[1], 320, 36, h), 2, "M1|M2|M3"));
    e.push_back(Multi("captureAverageInto", 28, R(col[2], 320, 36, h), 2, "M1|M2|M3"));

    // Files.
    e.push_back(Action("importMemories", 40, R(408, 260, 100, h), "IMPORT MEMORIES"));
    e.push_back(Action("importViewSettings", 42, R(408, 280, 100, h), "IMPORT VIEW"));
    e.push_back(Action("exportData", 48, R(408, 300, 100, h), "EXPORT DATA"));

    // The band-level alarm panel and what it holds (skin coordinates).
    e.push_back(Display(kBandPanel, kBandLevelAlarm));
    const std::string_view p = kBandPanel;
    e.push_back(Child(Multi("alarmSeverity", -1, R(100, 347, 40, 14), 3, "NONE|OK|WARN|ALARM"), p));
    e.push_back(Text("lowerBand", R(kLowerBandSelector.x, kLowerBandSelector.y, 32, 14), p));
    SidePair(e, "lowerBandDown", 0, "lowerBandUp", 1, 208, 348, p);
    e.push_back(Text("upperBand", R(kUpperBandSelector.x, kUpperBandSelector.y, 32, 14), p));
    SidePair(e, "upperBandDown", 2, "upperBandUp", 3, 275, 348, p);
    e.push_back(Text("threshold", R(332, 348, 36, 14), p));
    SidePair(e, "thresholdDown", -1, "thresholdUp", -1, 368, 348, p);
    e.push_back(
        Text("bandLevelLeft", R(404, 349, kAlarmValueSize.width, kAlarmValueSize.height), p));
    e.push_back(
        Text("bandLevelRight", R(458, 349, kAlarmValueSize.width, kAlarmValueSize.height), p));
    return e;
}

std::vector<Group> AnalyzerGroups()
{
    return {
        {{4, 4, 344, 28}, "VIEW", true},
        {{352, 4, 512, 28}, {}, true},
        {{520, 4, 612, 340}, "COLOUR MAP", false},
        {{620, 4, 908, 56}, "FFT", false},
        {{620, 64, 908, 144}, "SPECTROGRAM", false},
        {{620, 152, 908, 248}, "CURVE COLOURS", false},
        {{620, 256, 908, 280}, "CHANNEL", true},
        {{620, 288, 908, 312}, "1/3 OCT BARS", true},
        {{620, 320, 908, 344}, "LEVELS", true},
        {{4, 248, 224, 340}, "CURVES", false},
        {{228, 248, 396, 340}, "MEMORIES", false},
        {{404, 248, 512, 340}, "FILES", false},
    };
}

std::vector<Label> AnalyzerLabels()
{
    return {
        {{128, 20}, "SHOW"},
        // Colour map selector.
        {{526, 28}, "SHIFT-DRAG:"},
        {{526, 38}, "ONE CHANNEL"},
        {{568, 59}, "L"},
        // FFT.
        {{626, 28}, "SIZE"},
        {{716, 28}, "WINDOW"},
        {{626, 48}, "WEIGHT"},
        // Spectrogram.
        {{626, 88}, "GAIN"},
        {{716, 88}, "FLOOR"},
        // Curves: the column heads.
        {{58, 257}, "TIME"},
        {{118, 257}, "FALL"},
        // Memories: the row heads.
        {{234, 272}, "SHOW"},
        {{234, 292}, "HOLDS"},
        {{234, 312}, "CAPTURE"},
        {{234, 332}, "INTO"},
        // Band-level alarm panel.
        {{38, 358}, "BAND ALARM"},
        {{146, 358}, "FROM"},
        {{230, 358}, "TO"},
        {{302, 358}, "LIMIT"},
        {{394, 358}, "L"},
        {{448, 358}, "R"},
    };
}

// ------------------------------------------------------------ header, global strip

std::vector<Element> HeaderControls()
{
    return {
        Action("saveDefaults", 0, R(696, 6, 100, kButtonHeight), "SAVE AS DEFAULT"),
        Action("loadDefaults", 1, R(804, 6, 100, kButtonHeight), "LOAD DEFAULT"),
        Action("about", 2, R(640, 6, 48, kButtonHeight), "ABOUT"),
    };
}

std::vector<Label> HeaderLabels()
{
    return {{{10, 18}, "QUARVIX", false}, {{64, 18}, "SPECTRUM ANALYZER"}};
}

std::vector<Element> GlobalControls()
{
    return {
        Action("loadSettings", 0, R(64, 4, 84, kButtonHeight), "LOAD SETTINGS"),
        Action("saveSettings", 1, R(152, 4, 84, kButtonHeight), "SAVE SETTINGS"),
    };
}

std::vector<Label> GlobalLabels()
{
    return {{{10, 16}, "SETTINGS"}, {{244, 16}, "FILES OF TYPE .QUARVIX"}};
}

// ------------------------------------------------------------ image packing

constexpr std::int32_t kGap = 2;

// Button strips go below the panel's background, in rows, left to right,
// around places other things of the picture hold.
class Packer
{
public:
    Packer(std::int32_t width, std::int32_t top, std::vector<Rect> reserved)
        : mWidth(width), mX(kGap), mY(top), mReserved(std::move(reserved))
    {
    }

    Point Place(std::int32_t width, std::int32_t height)
    {
        for (;;)
        {
            if (mX + width + kGap > mWidth)
                NextRow();
            const Rect at{mX, mY, mX + width, mY + height};
            const Rect padded{at.left - kGap, at.top - kGap, at.right + kGap, at.bottom + kGap};
            const auto blocking = std::find_if(mReserved.begin(), mReserved.end(),
                                               [&](const Rect& r) { return r.Intersects(padded); });
            if (blocking == mReserved.end())
            {
                mX = at.right + kGap;
                mRowHeight = std::max(mRowHeight, height);
                mBottom = std::max(mBottom, at.bottom);
                return {at.left, at.top};
            }
            mX = blocking->right + kGap;
        }
    }

    std::int32_t Bottom() const { return mBottom; }

private:
    void NextRow()
    {
        mX = kGap;
        mY += mRowHeight + kGap;
        mRowHeight = 0;
    }

    std::int32_t mWidth;
    std::int32_t mX;
    std::int32_t mY;
    std::int32_t mRowHeight = 0;
    std::int32_t mBottom = 0;
    std::vector<Rect> mReserved;
};

void PlaceStrip(Element& e, Point source)
{
    const Point offset{e.rect.Width() + kGap, 0};
    ButtonImages& im = e.images;
    im.source = source;
    im.offset = offset;
    const std::int32_t count = e.ImageCount();
    if (e.kind != Kind::MultiState)
    {
        im.hasPressed = true;
        im.pressedSource = {source.x + 2 * offset.x, source.y};
        im.pressedOffset = offset;
    }
    if (e.mouseActive)
        im.disabledSource = {source.x + (count - 1) * offset.x, source.y};
}

Rect StripRect(const Element& e, Point source)
{
    const std::int32_t count = e.ImageCount();
    return {source.x, source.y, source.x + count * (e.rect.Width() + kGap) - kGap,
            source.y + e.rect.Height()};
}

struct PanelData
{
    Panel panel;
    std::vector<Element> elements;
    std::vector<Group> groups;
    std::vector<Label> labels;
    Size background;
    Size picture;
    Point zoomHandles[2];
};

PanelData Build(Panel panel)
{
    PanelData d;
    d.panel = panel;
    std::vector<Rect> reserved;
    switch (panel)
    {
    case Panel::Header:
        d.elements = HeaderControls();
        d.labels = HeaderLabels();
        d.background = {kEditorWidth, kHeaderHeight};
        reserved.push_back({0, kAlarmValueImage.y - 3,
                            kAlarmValueImage.x + kAlarmValueSize.width + 3,
                            kAlarmValueImage.y + kAlarmSeverityCount * kAlarmValueStep.y + 3});
        break;
    case Panel::Analyzer:
        d.elements = AnalyzerControls();
        d.groups = AnalyzerGroups();
        d.labels = AnalyzerLabels();
        d.background = {kEditorWidth, kAnalyzerHeight};
        reserved.push_back(kMonoPatch);
        reserved.push_back(kThirdOctavePatch);
        break;
    case Panel::Global:
        d.elements = GlobalControls();
        d.labels = GlobalLabels();
        d.background = {kEditorWidth, kGlobalHeight};
        break;
    }
    reserved.push_back({0, 0, d.background.width, d.background.height});

    const std::int32_t top = d.background.height + 4;
    std::int32_t bottom = top;
    // The blinking button finds its blink phase at twice its source point:
    // its strip goes first, at the left, and both places are kept free.
    for (Element& e : d.elements)
    {
        if (e.kind != Kind::Blinking)
            continue;
        const Point source{kGap, top};
        PlaceStrip(e, source);
        reserved.push_back(StripRect(e, source));
        const Rect twin = StripRect(e, {2 * source.x, 2 * source.y});
        reserved.push_back(twin);
        bottom = std::max(bottom, twin.bottom);
    }
    Packer packer(d.background.width, top, reserved);
    for (Element& e : d.elements)
    {
        if (e.IsButton() && e.kind != Kind::Blinking)
            PlaceStrip(e, packer.Place(StripRect(e, {}).Width(), e.rect.Height()));
    }
    if (panel == Panel::Analyzer)
    {
        for (Point& handle : d.zoomHandles)
            handle = packer.Place(kZoomHandleSize.width, kZoomHandleSize.height);
        bottom = std::max(bottom, kThirdOctavePatch.bottom);
    }
    if (panel == Panel::Header)
        bottom = std::max(bottom, kAlarmValueImage.y + kAlarmSeverityCount * kAlarmValueStep.y);
    bottom = std::max(bottom, packer.Bottom());
    d.picture = {d.background.width, bottom + 4};
    return d;
}

const PanelData& Data(Panel panel)
{
    static const std::array<PanelData, 3> data{Build(Panel::Header), Build(Panel::Analyzer),
                                               Build(Panel::Global)};
    return data[static_cast<std::size_t>(panel)];
}

} // namespace

std::int32_t Element::ImageCount() const
{
    const std::int32_t disabled = mouseActive ? 1 : 0;
    switch (kind)
    {
    case Kind::MultiState:
        return 2 * (states + 1) + disabled;
    case Kind::Text:
    case Kind::Display:
        return 0;
    default:
        return 4 + disabled;
    }
}

Size EditorSize(bool /*stereo*/)
{
    return {kEditorWidth, kHeaderHeight + kAnalyzerHeight + kGlobalHeight};
}

std::int32_t PictureOf(Panel panel)
{
    switch (panel)
    {
    case Panel::Header:
        return Resources::kHeaderPicture;
    case Panel::Analyzer:
        return Resources::kAnalyzerPanelPicture;
    case Panel::Global:
        break;
    }
    return Resources::kGlobalStripPicture;
}

Rect PanelRect(Panel panel)
{
    switch (panel)
    {
    case Panel::Header:
        return R(0, 0, kEditorWidth, kHeaderHeight);
    case Panel::Analyzer:
        return R(0, kHeaderHeight, kEditorWidth, kAnalyzerHeight);
    case Panel::Global:
        break;
    }
    return R(0, kHeaderHeight + kAnalyzerHeight, kEditorWidth, kGlobalHeight);
}

Size PictureSize(Panel panel)
{
    return Data(panel).picture;
}

std::span<const Element> Elements(Panel panel)
{
    return Data(panel).elements;
}

std::span<const Group> Groups(Panel panel)
{
    return Data(panel).groups;
}

std::span<const Label> Labels(Panel panel)
{
    return Data(panel).labels;
}

const Element* Find(Panel panel, std::string_view name)
{
    for (const Element& e : Elements(panel))
    {
        if (e.name == name)
            return &e;
    }
    return nullptr;
}

const Element* FindControl(Panel panel, std::int32_t id, std::int32_t member,
                           std::string_view parent)
{
    for (const Element& e : Elements(panel))
    {
        if (e.IsButton() && e.id == id && e.parent == parent &&
            (member < 0 || (e.kind == Kind::RadioMember && e.member == member)))
            return &e;
    }
    return nullptr;
}

Rect ImageRect(const Element& element, std::int32_t index)
{
    const ButtonImages& im = element.images;
    return R(im.source.x + index * im.offset.x, im.source.y + index * im.offset.y,
             element.rect.Width(), element.rect.Height());
}

Rect BlinkImageRect(const Element& element, std::int32_t index)
{
    return ImageRect(element, index).Offset(element.images.source.x, element.images.source.y);
}

Point ZoomHandleImage(bool upper)
{
    return Data(Panel::Analyzer).zoomHandles[upper ? 1 : 0];
}

} // namespace SkinLayout
