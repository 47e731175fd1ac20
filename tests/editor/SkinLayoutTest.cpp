// The skin layout table and the pictures drawn from it: the geometry holds
// together and every button's states look different.

#include "editor/SkinLayout.h"
#include "base/Exceptions.h"
#include "editor/QVXSpectrogramColorFrame.h"
#include "editor/QVXSpectrumColorFrame.h"
#include "editor/SpectrumColorLegendFrame.h"
#include "gui/OGWorld.h"
#include "gui/PngImage.h"
#include "resources/ResourceTable.h"
#include "skin/SkinPictures.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace SkinLayout;

const auto Name = [](const Element& e) { return std::string(e.name); };
const auto At = [](Point p, Size size) -> Rect {
    return {p.x, p.y, p.x + size.width, p.y + size.height};
};
const auto Background = [](Panel panel) {
    return At({0, 0}, {PanelRect(panel).Width(), PanelRect(panel).Height()});
};
// For the non-empty rectangles of the table.
const auto Inside = [](const Rect& inner, const Rect& outer)
{ return inner.Intersect(outer) == inner; };

// Every image place of a panel's picture, named: button strips, the blink
// phase of the freeze button, the zoom handles, the patches, the alarm
// value backgrounds.
std::vector<std::pair<std::string, Rect>> ImagePlaces(Panel panel)
{
    std::vector<std::pair<std::string, Rect>> places;
    for (const Element& e : Elements(panel))
    {
        for (std::int32_t i = 0; i < e.ImageCount(); ++i)
        {
            places.emplace_back(Name(e) + "#" + std::to_string(i), ImageRect(e, i));
            if (e.kind == Kind::Blinking)
                places.emplace_back(Name(e) + "~" + std::to_string(i), BlinkImageRect(e, i));
        }
    }
    if (panel == Panel::Analyzer)
    {
        places.emplace_back("lowerHandle", At(ZoomHandleImage(false), kZoomHandleSize));
        places.emplace_back("upperHandle", At(ZoomHandleImage(true), kZoomHandleSize));
        places.emplace_back("thirdOctavePatch", kThirdOctavePatch);
        places.emplace_back("monoPatch", kMonoPatch);
    }
    for (std::int32_t s = 0; panel == Panel::Header && s < kAlarmSeverityCount; ++s)
        places.emplace_back("alarmValue" + std::to_string(s),
                            At({kAlarmValueImage.x + s * kAlarmValueStep.x,
                                kAlarmValueImage.y + s * kAlarmValueStep.y},
                               kAlarmValueSize));
    return places;
}

TEST(SkinLayoutGeometry, PanelsStackIntoTheEditorAndEachPictureStartsWithItsPanel)
{
    const Size editor = EditorSize(true);
    EXPECT_EQ(editor, EditorSize(false));
    std::int32_t top = 0;
    for (const Panel panel : kPanels)
    {
        const Rect r = PanelRect(panel);
        EXPECT_EQ(r.top, top);
        EXPECT_EQ(r.left, 0);
        EXPECT_EQ(r.Width(), editor.width);
        EXPECT_EQ(PictureSize(panel).width, editor.width);
        EXPECT_GT(PictureSize(panel).height, r.Height()) << "no room for the button images";
        top = r.bottom;
    }
    EXPECT_EQ(top, editor.height);
    EXPECT_EQ(std::make_tuple(PictureOf(Panel::Header), PictureOf(Panel::Analyzer),
                              PictureOf(Panel::Global)),
              std::make_tuple(1000, 2000, 2200));
}

TEST(SkinLayoutGeometry, NothingOverlapsAndEverythingLiesInsideItsPanelFrameOrPicture)
{
    for (const Panel panel : kPanels)
    {
        const auto elements = Elements(panel);
        for (const Element& e : elements)
        {
            EXPECT_FALSE(e.rect.IsEmpty()) << Name(e);
            Rect holder = Background(panel);
            if (!e.parent.empty())
            {
                const Element* parent = Find(panel, e.parent);
                ASSERT_NE(parent, nullptr) << Name(e);
                holder = parent->rect;
            }
            EXPECT_TRUE(Inside(e.rect, holder)) << Name(e) << " outside " << e.parent;
        }
        // Frames shown in different views may share a place.
        for (std::size_t i = 0; i < elements.size(); ++i)
            for (std::size_t j = i + 1; j < elements.size(); ++j)
            {
                const Element& a = elements[i];
                const Element& b = elements[j];
                EXPECT_FALSE(a.parent == b.parent && (a.views & b.views) != 0 &&
                             a.rect.Intersects(b.rect))
                    << Name(a) << " overlaps " << Name(b);
            }
        // Labels and groups draw into free panel space, inside the panel.
        for (const Group& g : Groups(panel))
            EXPECT_TRUE(Inside(g.box, Background(panel))) << g.caption;

        // Every image lies in the picture below the panel, apart from the others.
        const auto places = ImagePlaces(panel);
        for (const auto& [name, r] : places)
        {
            EXPECT_TRUE(Inside(r, At({0, 0}, PictureSize(panel)))) << name;
            EXPECT_FALSE(r.Intersects(Background(panel))) << name << " lies on the panel";
        }
        for (std::size_t i = 0; i < places.size(); ++i)
            for (std::size_t j = i + 1; j < places.size(); ++j)
                EXPECT_FALSE(places[i].second.Intersects(places[j].second))
                    << places[i].first << " overlaps " << places[j].first;
    }
}

TEST(SkinLayoutGeometry, ButtonStripsFollowTheButtonsImageRules)
{
    for (const Panel panel : kPanels)
        for (const Element& e : Elements(panel))
        {
            if (!e.IsButton())
                continue;
            SCOPED_TRACE(Name(e));
            const ButtonImages& im = e.images;
            // One strip: images side by side, each of the button's size; the
            // last one the disabled look, but for lamps, which show their value.
            EXPECT_EQ(im.offset.y, 0);
            EXPECT_GE(im.offset.x, e.rect.Width());
            const std::int32_t last = e.ImageCount() - 1;
            EXPECT_EQ(im.disabledSource,
                      (e.mouseActive ? Point{im.source.x + last * im.offset.x, im.source.y}
                                     : Point{-1, -1}));
            // A multi-state button's value s pressed or not: images 2s and 2s + 1.
            const bool multi = e.kind == Kind::MultiState;
            EXPECT_EQ(im.hasPressed, !multi);
            if (multi)
            {
                EXPECT_EQ(e.ImageCount(), 2 * (e.states + 1) + (e.mouseActive ? 1 : 0));
            }
            else
            {
                EXPECT_EQ(
                    std::tie(im.pressedSource, im.pressedOffset),
                    std::make_tuple(Point{im.source.x + 2 * im.offset.x, im.source.y}, im.offset));
            }
        }
}

TEST(SkinLayoutGeometry, EveryControlIdOfTheAnalyzerPanelHasItsPlace)
{
    std::map<std::int32_t, std::vector<const Element*>> byId;
    for (const Element& e : Elements(Panel::Analyzer))
    {
        if (e.IsButton() && e.parent.empty())
            byId[e.id].push_back(&e);
    }
    // Ids 0 ... 51, each with a place.
    EXPECT_EQ(std::make_tuple(byId.size(), byId.begin()->first, byId.rbegin()->first),
              std::make_tuple(52u, 0, 51));

    for (const auto& [id, controls] : byId)
    {
        const Element& first = *controls.front();
        if (first.kind == Kind::RadioMember)
        {
            // Members 0 ... n - 1, each once: the group's values.
            std::set<std::int32_t> members, want;
            for (const Element* member : controls)
            {
                EXPECT_EQ(member->kind, Kind::RadioMember) << id;
                members.insert(member->member);
                want.insert(static_cast<std::int32_t>(want.size()));
            }
            EXPECT_EQ(members, want) << id;
            continue;
        }
        // One control per id, but for the average switches of the curve
        // and bar views, which never show together.
        for (std::size_t i = 1; i < controls.size(); ++i)
            EXPECT_EQ(controls[0]->views & controls[i]->views, 0) << "id " << id;
        if (first.kind == Kind::Increment || first.kind == Kind::Decrement)
        {
            const Element* other = FindControl(Panel::Analyzer, first.member);
            ASSERT_NE(other, nullptr) << id;
            EXPECT_EQ(other->member, id);
            EXPECT_NE(other->kind, first.kind);
        }
    }
    // The steps of the table: 18 doubles the FFT size, 14 and 16 raise
    // gain and floor, the odd ids of 2 ... 13 step up.
    // The band-level alarm panel's codes: 0/1 the lower end down/up, 2/3 the upper.
    for (const std::int32_t up : {3, 5, 9, 13, 14, 16, 18, 20})
        EXPECT_EQ(FindControl(Panel::Analyzer, up)->kind, Kind::Increment) << up;
    for (const std::int32_t down : {2, 4, 8, 12, 15, 17, 19, 21})
        EXPECT_EQ(FindControl(Panel::Analyzer, down)->kind, Kind::Decrement) << down;
    for (const std::int32_t code : {0, 1, 2, 3})
        EXPECT_EQ(FindControl(Panel::Analyzer, code, -1, "bandLevelAlarm")->kind,
                  code % 2 ? Kind::Increment : Kind::Decrement)
            << code;
}

TEST(SkinLayoutGeometry, FixedPlacesOfThePlotAndTheColourFramesHold)
{
    const auto rectOf = [](std::string_view name)
    {
        const Element* e = Find(Panel::Analyzer, name);
        return e ? e->rect : Rect{};
    };
    EXPECT_EQ(rectOf("plot"), (Rect{9, 33, 510, 233}));
    EXPECT_EQ(rectOf("bandLevelAlarm"), (Rect{34, 343, 511, 364}));
    EXPECT_EQ((Size{rectOf("colorLegend").Width(), rectOf("colorLegend").Height()}),
              (Size{SpectrumColorLegendFrame::kWidth, SpectrumColorLegendFrame::kHeight}));
    // The zoom strip shares the plot's frequency axis.
    EXPECT_EQ(std::make_pair(rectOf("zoomStrip").left, rectOf("zoomStrip").right),
              std::make_pair(kPlot.left, kPlot.right));
    EXPECT_EQ(kZoomHandleSize.width, 8);
    for (const auto& [name, x] : {std::pair{"lowerBand", 176}, {"upperBand", 243}})
        EXPECT_EQ((Point{rectOf(name).left, rectOf(name).top}), (Point{x, 348})) << name;

    // The selector: its columns, markers and mono cover inside it, and the
    // skin pixel whose colour covers in mono inside it too.
    const Rect selector = rectOf("colorMapSelector");
    for (const Rect& column : QVXSpectrogramColorFrame::kColumns)
    {
        const Rect markers{column.left - 3, column.top, column.right + 3, column.bottom};
        EXPECT_TRUE(Inside(markers.Offset(selector.left, selector.top), selector));
    }
    EXPECT_TRUE(
        Inside(QVXSpectrogramColorFrame::kMonoCover.Offset(selector.left, selector.top), selector));
    EXPECT_EQ(kSelectorPanelPixel, QVXSpectrogramColorFrame::kPanelColorPixel);
    EXPECT_TRUE(selector.ContainsPixel(kSelectorPanelPixel));

    // The curve-colour panel: its children and patches as the frame has them.
    const Rect colors = rectOf("curveColors");
    EXPECT_EQ(rectOf("curveColorsThirdOctave"), colors);
    EXPECT_EQ(kThirdOctavePatch, QVXSpectrumColorFrame::kThirdOctavePatch);
    EXPECT_EQ(kMonoPatch, QVXSpectrumColorFrame::kMonoPatch);
    const auto layout = QVXSpectrumColorFrame::DefaultLayout({colors.left, colors.top});
    for (const Rect& part : {layout.picker, layout.current, layout.original})
        EXPECT_TRUE(Inside(part, colors));
    const std::int32_t rows = static_cast<std::int32_t>(QVXSpectrumColorFrame::kGridRoles.size()) /
                              QVXSpectrumColorFrame::kGridColumns;
    const Rect swatches{layout.swatches.x, layout.swatches.y,
                        layout.swatches.x + 2 * QVXSpectrumColorFrame::kSwatchPitch + 8,
                        layout.swatches.y + (rows - 1) * QVXSpectrumColorFrame::kSwatchPitch + 8};
    EXPECT_TRUE(Inside(swatches, colors));
    const Point mono = QVXSpectrumColorFrame::kMonoPatchAt;
    EXPECT_TRUE(Inside(kMonoPatch.Offset(mono.x - kMonoPatch.left + colors.left,
                                         mono.y - kMonoPatch.top + colors.top),
                       colors));
}

PixelBuffer Decoded(Panel panel)
{
    PixelBuffer picture;
    std::string error;
    const auto bytes = Skin::FindPictureData(PictureOf(panel));
    EXPECT_FALSE(bytes.empty()) << PictureOf(panel);
    EXPECT_TRUE(PngImage::Decode(bytes, picture, &error)) << error;
    return picture;
}

std::vector<std::uint32_t> Pixels(const PixelBuffer& picture, const Rect& r)
{
    std::vector<std::uint32_t> pixels;
    for (std::int32_t y = r.top; y < r.bottom; ++y)
        for (std::int32_t x = r.left; x < r.right; ++x)
            pixels.push_back(picture.Contains(x, y) ? picture.At(x, y) & 0xffffff : 0xff000000);
    return pixels;
}

// Each panel's picture is embedded with the size the table gives, and in
// it every state of every button looks different.
TEST(SkinPictures, EachPictureHasTheTablesSizeAndEveryButtonStateLooksDifferent)
{
    EXPECT_EQ(Skin::GetPictureIds(), (std::vector<std::int32_t>{1000, 2000, 2200}));
    EXPECT_TRUE(Skin::FindPictureData(5901).empty());
    EXPECT_EQ(Skin::FindPicture(1234), nullptr);
    EXPECT_THROW(Skin::MakeWorld(1234), AppFrame::ResAlloc);
    for (const Panel panel : kPanels)
    {
        const PixelBuffer picture = Decoded(panel);
        EXPECT_EQ((Size{picture.width, picture.height}), PictureSize(panel)) << PictureOf(panel);
        EXPECT_FALSE(picture.oneBit);
        EXPECT_EQ(Skin::MakeWorld(PictureOf(panel))->GetBounds(), At({0, 0}, PictureSize(panel)));
        for (const Element& e : Elements(panel))
        {
            std::vector<std::pair<std::string, std::vector<std::uint32_t>>> images;
            for (std::int32_t i = 0; i < e.ImageCount(); ++i)
                images.emplace_back(std::to_string(i), Pixels(picture, ImageRect(e, i)));
            if (e.kind == Kind::Blinking)
            {
                // The blink phase of "on" differs from "on" itself; its "off" need not.
                images.emplace_back("blink on", Pixels(picture, BlinkImageRect(e, 1)));
                images.emplace_back("blink pressed on", Pixels(picture, BlinkImageRect(e, 3)));
            }
            for (std::size_t i = 0; i < images.size(); ++i)
                for (std::size_t j = i + 1; j < images.size(); ++j)
                    EXPECT_TRUE(images[i].second != images[j].second)
                        << Name(e) << ": image " << images[i].first << " = " << images[j].first;
            // A button in its place shows its first image in the background too.
            EXPECT_TRUE(!e.IsButton() || Pixels(picture, e.rect) == images.front().second)
                << Name(e);
        }
    }
}

TEST(SkinPictures, ColourFramesFindWhatTheyReadInTheSkin)
{
    const PixelBuffer skin = Decoded(Panel::Analyzer);
    PixelBuffer maps;
    ASSERT_TRUE(PngImage::DecodeResource(Resources::kColorMapPicture, maps));

    // Mono: the cover painted in the colour of (546, 328) meets the
    // selector's own background seamlessly all around.
    const std::uint32_t cover = skin.At(kSelectorPanelPixel.x, kSelectorPanelPixel.y) & 0xffffff;
    const Rect c =
        QVXSpectrogramColorFrame::kMonoCover.Offset(kColorMapSelector.left, kColorMapSelector.top);
    const Rect ring{c.left - 1, c.top - 1, c.right + 1, c.bottom + 1};
    for (std::int32_t y = ring.top; y < ring.bottom; ++y)
        for (std::int32_t x = ring.left; x < ring.right; ++x)
            EXPECT_TRUE(c.ContainsPixel({x, y}) || (skin.At(x, y) & 0xffffff) == cover)
                << x << ", " << y;

    // Swatch k of each column runs from map k's quietest colour (left) to
    // its loudest (right).
    for (const Rect& local : QVXSpectrogramColorFrame::kColumns)
    {
        const Rect column = local.Offset(kColorMapSelector.left, kColorMapSelector.top);
        for (std::int32_t k = 0; k < 16; ++k)
        {
            const std::int32_t y = column.top + 7 * k + 3;
            EXPECT_EQ(skin.At(column.right - 1, y) & 0xffffff, maps.At(2 * k, 0) & 0xffffff) << k;
            EXPECT_EQ(skin.At(column.left, y) & 0xffffff, maps.At(2 * k, 199) & 0xffffff) << k;
        }
    }

    // The picker picks from a palette: many colours, black and white among them.
    const auto layout = QVXSpectrumColorFrame::DefaultLayout({kCurveColors.left, kCurveColors.top});
    const auto palette = Pixels(skin, layout.picker);
    const std::set<std::uint32_t> colours(palette.begin(), palette.end());
    EXPECT_GT(colours.size(), 2000u);
    EXPECT_TRUE(colours.count(0x000000));
    EXPECT_TRUE(colours.count(0xffffff));

    // The third-octave patch relabels the average row; the mono patch is
    // plain panel where swatches were.
    const Point at = QVXSpectrumColorFrame::kThirdOctavePatchAt;
    const Rect averageLabel = At({kCurveColors.left + at.x, kCurveColors.top + at.y},
                                 {kThirdOctavePatch.Width(), kThirdOctavePatch.Height()});
    EXPECT_NE(Pixels(skin, kThirdOctavePatch), Pixels(skin, averageLabel));
    const auto monoPixels = Pixels(skin, kMonoPatch);
    EXPECT_EQ(std::set<std::uint32_t>(monoPixels.begin(), monoPixels.end()).size(), 1u);

    // The alarmed value displays' backgrounds, one per severity, all different.
    const PixelBuffer header = Decoded(Panel::Header);
    std::set<std::vector<std::uint32_t>> severities;
    for (std::int32_t s = 0; s < kAlarmSeverityCount; ++s)
        severities.insert(
            Pixels(header, At({kAlarmValueImage.x, kAlarmValueImage.y + 12 * s}, kAlarmValueSize)));
    EXPECT_EQ(severities.size(), static_cast<std::size_t>(kAlarmSeverityCount));
}

} // namespace
