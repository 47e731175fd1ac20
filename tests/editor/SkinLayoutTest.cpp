// The skin layout table and the pictures the build draws from it: the
// geometry holds together (nothing overlaps, everything inside its panel and
// picture, the fixed places of the plot and colour frames kept), every
// button's states look different, and real buttons placed from the table
// show the images the table names.

#include "ColorFramesTestSupport.h"

#include "base/Exceptions.h"
#include "editor/QVXSpecPlotFrame.h"
#include "editor/QVXSpectrogramColorFrame.h"
#include "editor/QVXSpectrumColorFrame.h"
#include "editor/SkinLayout.h"
#include "editor/SpectrumColorLegendFrame.h"
#include "gui/GraphicControl.h"
#include "skin/SkinPictures.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{

using namespace SkinLayout;

std::string Name(const Element& e)
{
    return std::string(e.name);
}

bool Inside(const Rect& inner, const Rect& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

Rect Whole(Size size)
{
    return {0, 0, size.width, size.height};
}

Rect Background(Panel panel)
{
    return {0, 0, PanelRect(panel).Width(), PanelRect(panel).Height()};
}

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
        for (const bool upper : {false, true})
        {
            const Point at = ZoomHandleImage(upper);
            places.emplace_back(
                upper ? "upperHandle" : "lowerHandle",
                Rect{at.x, at.y, at.x + kZoomHandleSize.width, at.y + kZoomHandleSize.height});
        }
        places.emplace_back("thirdOctavePatch", kThirdOctavePatch);
        places.emplace_back("monoPatch", kMonoPatch);
    }
    if (panel == Panel::Header)
    {
        for (std::int32_t s = 0; s < kAlarmSeverityCount; ++s)
        {
            const Point at{kAlarmValueImage.x + s * kAlarmValueStep.x,
                           kAlarmValueImage.y + s * kAlarmValueStep.y};
            places.emplace_back(
                "alarmValue" + std::to_string(s),
                Rect{at.x, at.y, at.x + kAlarmValueSize.width, at.y + kAlarmValueSize.height});
        }
    }
    return places;
}

// ---------------------------------------------------------------- geometry

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
    EXPECT_EQ(PictureOf(Panel::Header), 1000);
    EXPECT_EQ(PictureOf(Panel::Analyzer), 2000);
    EXPECT_EQ(PictureOf(Panel::Global), 2200);
}

TEST(SkinLayoutGeometry, NothingOverlapsAndEverythingLiesInsideItsPanelOrFrame)
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
        for (std::size_t i = 0; i < elements.size(); ++i)
        {
            for (std::size_t j = i + 1; j < elements.size(); ++j)
            {
                const Element& a = elements[i];
                const Element& b = elements[j];
                // Frames shown in different views may share a place.
                if (a.parent != b.parent || (a.views & b.views) == 0)
                    continue;
                EXPECT_FALSE(a.rect.Intersects(b.rect)) << Name(a) << " overlaps " << Name(b);
            }
        }
        // Labels and groups draw into free panel space, inside the panel.
        for (const Group& g : Groups(panel))
            EXPECT_TRUE(Inside(g.box, Background(panel))) << g.caption;
    }
}

TEST(SkinLayoutGeometry, EveryImageLiesInItsPictureBelowThePanelAndApartFromTheOthers)
{
    for (const Panel panel : kPanels)
    {
        const auto places = ImagePlaces(panel);
        for (const auto& [name, r] : places)
        {
            EXPECT_TRUE(Inside(r, Whole(PictureSize(panel)))) << name;
            EXPECT_FALSE(r.Intersects(Background(panel))) << name << " lies on the panel";
        }
        for (std::size_t i = 0; i < places.size(); ++i)
        {
            for (std::size_t j = i + 1; j < places.size(); ++j)
                EXPECT_FALSE(places[i].second.Intersects(places[j].second))
                    << places[i].first << " overlaps " << places[j].first;
        }
    }
}

TEST(SkinLayoutGeometry, ButtonStripsFollowTheButtonsImageRules)
{
    for (const Panel panel : kPanels)
    {
        for (const Element& e : Elements(panel))
        {
            if (!e.IsButton())
                continue;
            const ButtonImages& im = e.images;
            // One strip: images side by side, each of the button's size.
            EXPECT_EQ(im.offset.y, 0) << Name(e);
            EXPECT_GE(im.offset.x, e.rect.Width()) << Name(e);
            const std::int32_t last = e.ImageCount() - 1;
            if (e.mouseActive)
            {
                EXPECT_EQ(im.disabledSource, (Point{im.source.x + last * im.offset.x, im.source.y}))
                    << Name(e);
            }
            else
            {
                EXPECT_LT(im.disabledSource.x, 0) << Name(e) << ": a lamp shows its value";
            }
            if (e.kind == Kind::MultiState)
            {
                // Value s pressed or not: images 2s and 2s + 1, in the one strip.
                EXPECT_FALSE(im.hasPressed) << Name(e);
                EXPECT_EQ(e.ImageCount(), 2 * (e.states + 1) + (e.mouseActive ? 1 : 0));
            }
            else
            {
                EXPECT_TRUE(im.hasPressed) << Name(e);
                EXPECT_EQ(im.pressedSource, (Point{im.source.x + 2 * im.offset.x, im.source.y}));
                EXPECT_EQ(im.pressedOffset, im.offset);
            }
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
    for (std::int32_t id = 0; id <= 51; ++id)
        EXPECT_TRUE(byId.count(id)) << "control id " << id << " has no place";
    EXPECT_EQ(byId.begin()->first, 0);
    EXPECT_EQ(byId.rbegin()->first, 51);

    for (const auto& [id, controls] : byId)
    {
        const Element& first = *controls.front();
        if (first.kind == Kind::RadioMember)
        {
            std::set<std::int32_t> members;
            for (const Element* member : controls)
            {
                EXPECT_EQ(member->kind, Kind::RadioMember) << id;
                members.insert(member->member);
            }
            // Members 0 ... n - 1, each once: the group's values.
            EXPECT_EQ(members.size(), controls.size()) << id;
            EXPECT_EQ(*members.begin(), 0) << id;
            EXPECT_EQ(*members.rbegin(), static_cast<std::int32_t>(controls.size()) - 1) << id;
            continue;
        }
        // One control per id, but for the average switches of the curve
        // and bar views, which never show together.
        if (controls.size() > 1)
        {
            for (std::size_t i = 1; i < controls.size(); ++i)
                EXPECT_EQ(controls[0]->views & controls[i]->views, 0) << "id " << id;
        }
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
    for (const std::int32_t up : {3, 5, 9, 13, 14, 16, 18, 20})
        EXPECT_EQ(FindControl(Panel::Analyzer, up)->kind, Kind::Increment) << up;
    for (const std::int32_t down : {2, 4, 8, 12, 15, 17, 19, 21})
        EXPECT_EQ(FindControl(Panel::Analyzer, down)->kind, Kind::Decrement) << down;
    // The band-level alarm panel's codes: 0/1 the lower end down/up, 2/3 the upper.
    const std::string_view band = "bandLevelAlarm";
    EXPECT_EQ(FindControl(Panel::Analyzer, 0, -1, band)->kind, Kind::Decrement);
    EXPECT_EQ(FindControl(Panel::Analyzer, 1, -1, band)->kind, Kind::Increment);
    EXPECT_EQ(FindControl(Panel::Analyzer, 2, -1, band)->kind, Kind::Decrement);
    EXPECT_EQ(FindControl(Panel::Analyzer, 3, -1, band)->kind, Kind::Increment);
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
    EXPECT_EQ(rectOf("colorLegend").Width(), SpectrumColorLegendFrame::kWidth);
    EXPECT_EQ(rectOf("colorLegend").Height(), SpectrumColorLegendFrame::kHeight);
    // The zoom strip shares the plot's frequency axis.
    EXPECT_EQ(rectOf("zoomStrip").left, kPlot.left);
    EXPECT_EQ(rectOf("zoomStrip").right, kPlot.right);
    EXPECT_EQ(kZoomHandleSize.width, 8);
    const Element* lower = Find(Panel::Analyzer, "lowerBand");
    const Element* upper = Find(Panel::Analyzer, "upperBand");
    ASSERT_TRUE(lower && upper);
    EXPECT_EQ((Point{lower->rect.left, lower->rect.top}), (Point{176, 348}));
    EXPECT_EQ((Point{upper->rect.left, upper->rect.top}), (Point{243, 348}));

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
    EXPECT_TRUE(Inside(layout.picker, colors));
    EXPECT_TRUE(Inside(layout.current, colors));
    EXPECT_TRUE(Inside(layout.original, colors));
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

// ---------------------------------------------------------------- pictures

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
    {
        for (std::int32_t x = r.left; x < r.right; ++x)
            pixels.push_back(picture.Contains(x, y) ? picture.At(x, y) & 0xffffff : 0xff000000);
    }
    return pixels;
}

TEST(SkinPictures, EachPanelPictureIsEmbeddedWithTheSizeTheTableGives)
{
    EXPECT_EQ(Skin::GetPictureIds(), (std::vector<std::int32_t>{1000, 2000, 2200}));
    for (const Panel panel : kPanels)
    {
        const PixelBuffer picture = Decoded(panel);
        EXPECT_EQ((Size{picture.width, picture.height}), PictureSize(panel)) << PictureOf(panel);
        EXPECT_FALSE(picture.oneBit);
        auto world = Skin::MakeWorld(PictureOf(panel));
        EXPECT_EQ(world->GetBounds(), Whole(PictureSize(panel)));
    }
    EXPECT_TRUE(Skin::FindPictureData(5901).empty());
    EXPECT_EQ(Skin::FindPicture(1234), nullptr);
    EXPECT_THROW(Skin::MakeWorld(1234), AppFrame::ResAlloc);
}

TEST(SkinPictures, EveryStateOfEveryButtonLooksDifferent)
{
    for (const Panel panel : kPanels)
    {
        const PixelBuffer picture = Decoded(panel);
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
            {
                for (std::size_t j = i + 1; j < images.size(); ++j)
                    EXPECT_TRUE(images[i].second != images[j].second)
                        << Name(e) << ": image " << images[i].first << " = " << images[j].first;
            }
            // A button in its place shows its first image in the background too.
            if (e.IsButton())
            {
                EXPECT_EQ(Pixels(picture, e.rect), images.front().second) << Name(e);
            }
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
    for (std::int32_t x = c.left - 1; x <= c.right; ++x)
    {
        EXPECT_EQ(skin.At(x, c.top - 1) & 0xffffff, cover) << x;
        EXPECT_EQ(skin.At(x, c.bottom) & 0xffffff, cover) << x;
    }
    for (std::int32_t y = c.top; y < c.bottom; ++y)
    {
        EXPECT_EQ(skin.At(c.left - 1, y) & 0xffffff, cover) << y;
        EXPECT_EQ(skin.At(c.right, y) & 0xffffff, cover) << y;
    }

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
    const Rect averageLabel{kCurveColors.left + at.x, kCurveColors.top + at.y,
                            kCurveColors.left + at.x + kThirdOctavePatch.Width(),
                            kCurveColors.top + at.y + kThirdOctavePatch.Height()};
    EXPECT_NE(Pixels(skin, kThirdOctavePatch), Pixels(skin, averageLabel));
    const auto monoPixels = Pixels(skin, kMonoPatch);
    EXPECT_EQ(std::set<std::uint32_t>(monoPixels.begin(), monoPixels.end()).size(), 1u);

    // The alarmed value displays' backgrounds, one per severity, all different.
    const PixelBuffer header = Decoded(Panel::Header);
    std::set<std::vector<std::uint32_t>> severities;
    for (std::int32_t s = 0; s < kAlarmSeverityCount; ++s)
        severities.insert(
            Pixels(header, Rect{kAlarmValueImage.x, kAlarmValueImage.y + 12 * s,
                                kAlarmValueImage.x + kAlarmValueSize.width,
                                kAlarmValueImage.y + 12 * s + kAlarmValueSize.height}));
    EXPECT_EQ(severities.size(), static_cast<std::size_t>(kAlarmSeverityCount));
}

// ---------------------------------------------------------------- in an editor

// The three panels stacked as the editor shows them, with the frames of the
// FFT view and every button placed from the table on the real skin.
class SkinInEditor : public ColorFramesTest::ColorFrameFixture
{
protected:
    ~SkinInEditor() override { mEditor.reset(); }

    void OpenEditor(std::int32_t channels)
    {
        for (const Panel panel : kPanels)
            mWorlds.push_back(Skin::MakeWorld(PictureOf(panel)));
        const Size size = EditorSize(channels > 1);
        Open(channels, size.width, size.height,
             [this](EditorTest::SolidFrame& page)
             {
                 for (std::size_t i = 0; i < std::size(kPanels); ++i)
                     Place(page, kPanels[i], mWorlds[i].get());
             });
    }

    void Place(Frame& page, Panel panel, OGWorld* skin)
    {
        const Rect r = PanelRect(panel);
        auto* frame =
            new PixMapDrawFrame(&page, r.left, r.top, r.Width(), r.Height(), 0, 0, skin, 0, 0);
        for (const Element& e : Elements(panel))
        {
            if ((e.views & kViewFFT) == 0)
                continue;
            const Rect& b = e.rect;
            if (e.IsButton())
            {
                mButtons[Name(e)] = MakeButton(frame, e, skin);
                continue;
            }
            if (e.name == "plot")
                new QVXSpecPlotFrame(frame, b.left, b.top, b.Width(), b.Height(), 0, 0);
            else if (e.name == "colorMapSelector")
                new QVXSpectrogramColorFrame(frame, b.left, b.top, b.Width(), b.Height(), b.left,
                                             b.top, skin);
            else if (e.name == "colorLegend")
                new SpectrumColorLegendFrame(frame, b.left, b.top, b.left, b.top, skin);
            else if (e.name == "curveColors")
                new QVXSpectrumColorFrame(frame, b.left, b.top, b.Width(), b.Height(), b.left,
                                          b.top, skin, 0);
            else
                new PixMapDrawFrame(frame, b.left, b.top, b.Width(), b.Height(), b.left, b.top,
                                    skin, 0, 0);
        }
    }

    static PixMapButton* MakeButton(Frame* parent, const Element& e, DrawContext* skin)
    {
        PixMapButton::Images images;
        images.picture = skin;
        images.source = e.images.source;
        images.offset = e.images.offset;
        images.hasPressed = e.images.hasPressed;
        images.pressedSource = e.images.pressedSource;
        images.pressedOffset = e.images.pressedOffset;
        images.disabledSource = e.images.disabledSource;
        const Rect& b = e.rect;
        const std::int32_t id = e.id < 0 ? 0 : e.id;
        switch (e.kind)
        {
        case Kind::MultiState:
            return new MultiStateButton(parent, b.left, b.top, b.Width(), b.Height(), 0, id, images,
                                        e.states);
        case Kind::Blinking:
            return new BlinkingBooleanButton(parent, b.left, b.top, b.Width(), b.Height(), 0, id,
                                             images);
        case Kind::Toggle:
        case Kind::RadioMember:
            return new BooleanButton(parent, b.left, b.top, b.Width(), b.Height(), 0, id, images);
        case Kind::InstantAction:
            return new InstantActionButton(parent, b.left, b.top, b.Width(), b.Height(), 0, id,
                                           images);
        default:
            return new ActionButton(parent, b.left, b.top, b.Width(), b.Height(), 0, id, images);
        }
    }

    // Whether the window shows image `index` of the named button.
    ::testing::AssertionResult Shows(Panel panel, std::string_view name, std::int32_t index,
                                     bool blink = false)
    {
        const Element* e = Find(panel, name);
        const PixelBuffer& skin = mWorlds[static_cast<std::size_t>(panel)]->GetPixels();
        const Rect image = blink ? BlinkImageRect(*e, index) : ImageRect(*e, index);
        const Rect place = e->rect.Offset(0, PanelRect(panel).top);
        for (std::int32_t y = 0; y < place.Height(); ++y)
        {
            for (std::int32_t x = 0; x < place.Width(); ++x)
            {
                const std::uint32_t want = skin.At(image.left + x, image.top + y) & 0xffffff;
                const std::uint32_t got = ToPixel(Pixel(place.left + x, place.top + y));
                if (want != got)
                    return ::testing::AssertionFailure() << name << " differs from image " << index
                                                         << " at (" << x << ", " << y << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }

    Point Centre(Panel panel, std::string_view name) const
    {
        const Rect r = Find(panel, name)->rect.Offset(0, PanelRect(panel).top);
        return {r.left + r.Width() / 2, r.top + r.Height() / 2};
    }

    std::vector<std::unique_ptr<OGWorld>> mWorlds;
    std::map<std::string, PixMapButton*> mButtons;
};

TEST_F(SkinInEditor, ButtonsShowTheImagesTheTableNamesForEachState)
{
    OpenEditor(2);
    Snapshot("skin-editor");
    const Panel a = Panel::Analyzer;

    // A toggle: off, pressed (showing what a release gives), on, disabled.
    EXPECT_TRUE(Shows(a, "logScale", 0));
    mEditor->MouseDown(Centre(a, "logScale"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "logScale", 3));
    mEditor->MouseUp(Centre(a, "logScale"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "logScale", 1));
    mButtons["logScale"]->SetMouseActive(false);
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "logScale", 4));

    // A multi-state button steps through its states.
    mEditor->Click(Centre(a, "view"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "view", 2));

    // An action button of the header lights while held.
    mEditor->MouseDown(Centre(Panel::Header, "saveDefaults"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(Panel::Header, "saveDefaults", 3));
    mEditor->MouseUp(Centre(Panel::Header, "saveDefaults"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(Panel::Header, "saveDefaults", 0));

    // Freeze, switched on, blinks into its second strip.
    mEditor->Click(Centre(a, "freeze"));
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "freeze", 1));
    // Timer ticks are 1/60 s: 17 ms of the clock each.
    for (std::int32_t t = 0; t < BlinkingBooleanButton::kBlinkTicks + 1; ++t)
    {
        FakeClock::ms += 17;
        mEditor->Tick();
    }
    mEditor->Paint();
    EXPECT_TRUE(Shows(a, "freeze", 1, true));

    // The skin pixel the mono selector reads is the one the editor shows there.
    const PixelBuffer& skin = mWorlds[1]->GetPixels();
    EXPECT_EQ(ToPixel(Pixel(kSelectorPanelPixel.x, kSelectorPanelPixel.y + PanelRect(a).top)),
              skin.At(kSelectorPanelPixel.x, kSelectorPanelPixel.y) & 0xffffff);
}

TEST_F(SkinInEditor, MonoCoversTheSecondChannelWithThePanelItself)
{
    OpenEditor(1);
    Snapshot("skin-editor-mono");
    const Rect c = QVXSpectrogramColorFrame::kMonoCover.Offset(
        kColorMapSelector.left, kColorMapSelector.top + PanelRect(Panel::Analyzer).top);
    const std::uint32_t panel = ToPixel(Pixel(c.left - 1, c.top - 1));
    for (std::int32_t y = c.top; y < c.bottom; y += 7)
    {
        for (std::int32_t x = c.left; x < c.right; x += 5)
            EXPECT_EQ(ToPixel(Pixel(x, y)), panel) << x << ", " << y;
    }
}

} // namespace
