// The spectrogram's colour legend, its colour-map selector and the panel of
// curve colours, each on a test skin inside an offscreen editor, driven by
// the configuration and by injected mouse events.

#include "ColorFramesTestSupport.h"

#include "editor/QVXSpectrogramColorFrame.h"
#include "editor/QVXSpectrumColorFrame.h"
#include "editor/SpectrumColorLegendFrame.h"
#include "gui/ColorFrames.h"

#include <vector>

namespace
{

using namespace ColorFramesTest;

class ColorLegend : public ColorFrameFixture
{
protected:
    static constexpr Point kAt{10, 10};

    void OpenLegend(std::int32_t channels)
    {
        Open(channels, 300, 60,
             [this](EditorTest::SolidFrame& page)
             {
                 new SpectrumColorLegendFrame(&page, kAt.x, kAt.y, kLegendSource.x, kLegendSource.y,
                                              mSkin.get());
             });
    }
    // What the skin shows at a point of the legend.
    ColorSpec Background(std::int32_t x, std::int32_t y) const
    {
        return SkinPixel(kLegendSource.x + x, kLegendSource.y + y);
    }
    bool RowDrawn(std::int32_t top) const
    {
        // Column 138 (-50 dB) of the strip differs from the skin's face in
        // every map but the two greys' middle; the tests use other maps.
        return Pixel(kAt.x + 138, kAt.y + top + 2) != Background(138, top + 2);
    }
};

TEST_F(ColorLegend, StripsShowTheMapsRowOfEachHalfDecibelDownToTheFloor)
{
    OpenLegend(2);
    QVXSpecConfig& config = Config();
    config.SetAnalysisChannel(QVXSpecConfig::kChBoth);
    config.SetSpectrogramColorMap(0, 0); // viridis
    config.SetSpectrogramColorMap(1, 7); // turbo
    config.SetSpecFloor(-40.3f);
    mEditor->Paint();

    const PixelBuffer maps = ColorMapPicture();
    ASSERT_EQ(maps.height, 200);
    // Rows 8 and 14 show maps 0 and 7. Column 238 - i shows -i / 2 dB, raised
    // to -40.3 dB: map row trunc(80.6) = 80 from i = 80 on.
    for (const auto& [top, map] : {std::pair{8, 0}, std::pair{14, 7}})
    {
        for (std::int32_t i = 0; i <= 200; ++i)
            for (std::int32_t y = top; y <= top + 4; ++y)
                ASSERT_EQ(Pixel(kAt.x + 238 - i, kAt.y + y),
                          FromPixel(maps.At(2 * map, std::min(i, 80))))
                    << "i " << i << " y " << y;
        // Nothing outside the strip.
        for (const Point p : {Point{239, top}, Point{37, top}, Point{100, top + 5}, Point{100, 7}})
            EXPECT_EQ(Pixel(kAt.x + p.x, kAt.y + p.y), Background(p.x, p.y)) << p.x << ", " << p.y;
    }
}

// A mono instance shows the first row whatever the stored mode.
TEST_F(ColorLegend, ShowsTheRowsOfTheChannelMode)
{
    const struct
    {
        std::int32_t channels, mode;
        bool first, second;
    } cases[] = {{2, QVXSpecConfig::kChLeft, true, false},
                 {2, QVXSpecConfig::kChRight, false, true},
                 {2, QVXSpecConfig::kChBoth, true, true},
                 {2, QVXSpecConfig::kChSum, true, false},
                 {1, QVXSpecConfig::kChRight, true, false}};
    for (const auto& c : cases)
    {
        if (!mPlugin || c.channels == 1)
        {
            mEditor.reset();
            OpenLegend(c.channels);
        }
        Config().SetSpectrogramColorMap(0, 3);
        Config().SetSpectrogramColorMap(1, 9);
        Config().SetAnalysisChannel(c.mode);
        mEditor->Paint();
        EXPECT_EQ(std::pair(RowDrawn(8), RowDrawn(14)), std::pair(c.first, c.second))
            << c.channels << " channels, mode " << c.mode;
    }
}

class MapSelector : public ColorFrameFixture
{
protected:
    static constexpr Point kAt{20, 10};

    void OpenSelector(std::int32_t channels)
    {
        Open(channels, 120, 300,
             [this](EditorTest::SolidFrame& page)
             {
                 mSelector = new QVXSpectrogramColorFrame(&page, kAt.x, kAt.y, kSelectorWidth,
                                                          kSelectorHeight, kSelectorSource.x,
                                                          kSelectorSource.y, mSkin.get());
             });
    }
    using Pair = std::pair<std::int32_t, std::int32_t>;
    // A window point over swatch `map` of a column, `dy` pixels into it.
    static Point Swatch(std::int32_t column, std::int32_t map, std::int32_t dy = 3)
    {
        return {kAt.x + 30, kAt.y + (column == 0 ? 6 : 136) + 7 * map + dy};
    }
    Pair Maps() const
    {
        return {Config().GetSpectrogramColorMap(0), Config().GetSpectrogramColorMap(1)};
    }
    bool White(std::int32_t x, std::int32_t y) const
    {
        return Pixel(kAt.x + x, kAt.y + y) == EditorTest::kWhite;
    }
    // Both markers of a swatch: 3 x 7 white frames at x 3 ... 5 and 57 ... 59.
    bool Marked(std::int32_t column, std::int32_t map) const
    {
        const std::int32_t top = (column == 0 ? 6 : 136) + 7 * map;
        for (const std::int32_t left : {3, 57})
            for (std::int32_t y = top; y < top + 7; ++y)
                if (!White(left, y) || !White(left + 2, y) ||
                    White(left + 1, y) != (y == top || y == top + 6))
                    return false;
        return true;
    }

    QVXSpectrogramColorFrame* mSelector = nullptr;
};

TEST_F(MapSelector,
       DraggingChoosesTheMapUnderTheMouseForBothColumnsOrWithShiftForOneButNotFromOutside)
{
    OpenSelector(2);
    mEditor->MouseDown(Swatch(0, 5));
    EXPECT_EQ(Maps(), (Pair{2, 2})) << "a press alone chooses nothing";
    EXPECT_EQ(mEditor->GetCapture(), mSelector);
    mEditor->MouseMove(Swatch(0, 9));
    EXPECT_EQ(Maps(), (Pair{9, 9}));
    // Swatch edges: the first row of a swatch is its own, the one above the previous one's.
    mEditor->MouseMove(Swatch(0, 12, 0));
    EXPECT_EQ(Maps(), (Pair{12, 12}));
    mEditor->MouseMove(Swatch(0, 12, -1));
    EXPECT_EQ(Maps(), (Pair{11, 11}));
    // Beyond the ends of the column, and sideways out of it: still the end swatches.
    mEditor->MouseMove({kAt.x + 200, kAt.y + 250});
    EXPECT_EQ(Maps(), (Pair{15, 15}));
    mEditor->MouseMove({kAt.x - 10, kAt.y - 10});
    EXPECT_EQ(Maps(), (Pair{0, 0}));
    mEditor->MouseUp(Swatch(0, 4));
    EXPECT_EQ(Maps(), (Pair{4, 4}));
    EXPECT_EQ(mEditor->GetCapture(), nullptr);

    // The second column without Shift changes both channels too.
    mEditor->Click(Swatch(1, 14));
    EXPECT_EQ(Maps(), (Pair{14, 14}));

    // Shift chooses for the pressed column alone.
    Config().SetSpectrogramColorMap(0, 2);
    mEditor->MouseDown(Swatch(1, 7), {.shift = true});
    mEditor->MouseMove(Swatch(1, 8));
    mEditor->MouseUp(Swatch(1, 10));
    EXPECT_EQ(Maps(), (Pair{2, 10}));
    mEditor->Click(Swatch(0, 1), {.shift = true});
    EXPECT_EQ(Maps(), (Pair{1, 10}));
    // Ctrl is not Shift.
    mEditor->Click(Swatch(0, 6), {.ctrl = true});
    EXPECT_EQ(Maps(), (Pair{6, 6}));

    // Presses outside the columns or on their edges are ignored.
    const Point outside[] = {{kAt.x + 6, kAt.y + 50},   {kAt.x + 56, kAt.y + 50},
                             {kAt.x + 30, kAt.y + 6},   {kAt.x + 30, kAt.y + 118},
                             {kAt.x + 30, kAt.y + 127}, {kAt.x + 60, kAt.y + 50}};
    for (const Point p : outside)
    {
        mEditor->MouseDown(p);
        EXPECT_EQ(mEditor->GetCapture(), nullptr) << p.x << ", " << p.y;
        mEditor->MouseMove(Swatch(0, 9));
        mEditor->MouseUp(Swatch(0, 9));
        EXPECT_EQ(Maps(), (Pair{6, 6})) << p.x << ", " << p.y;
    }
    // Just inside the corner of the column.
    mEditor->Click({kAt.x + 7, kAt.y + 7});
    EXPECT_EQ(Maps(), (Pair{0, 0}));
}

TEST_F(MapSelector, MarksTheChosenSwatchOfEachColumnAndFollowsTheConfiguration)
{
    OpenSelector(2);
    Config().SetSpectrogramColorMap(0, 3);
    Config().SetSpectrogramColorMap(1, 12);
    mEditor->Paint();
    for (const std::int32_t map : {0, 2, 3, 4, 11, 12, 13, 15})
        EXPECT_EQ(std::pair(Marked(0, map), Marked(1, map)), std::pair(map == 3, map == 12)) << map;
    // The swatches themselves are the skin's.
    EXPECT_EQ(Pixel(kAt.x + 30, kAt.y + 6 + 7 * 3 + 3),
              SkinPixel(kSelectorSource.x + 30, kSelectorSource.y + 6 + 7 * 3 + 3));

    mEditor->Click(Swatch(0, 8));
    mEditor->Paint();
    EXPECT_TRUE(Marked(0, 8) && Marked(1, 8));
    EXPECT_FALSE(Marked(0, 3) || Marked(1, 12));
}

TEST_F(MapSelector, MonoInstanceCoversTheSecondColumnAndChoosesForTheFirstAlone)
{
    OpenSelector(1);
    mEditor->Click(Swatch(0, 6));
    EXPECT_EQ(Maps(), (Pair{6, 2}));
    mEditor->MouseDown(Swatch(1, 9));
    EXPECT_EQ(mEditor->GetCapture(), nullptr);
    mEditor->MouseUp(Swatch(1, 9));
    EXPECT_EQ(Maps(), (Pair{6, 2}));

    mEditor->Paint();
    EXPECT_TRUE(Marked(0, 6));
    // (5, 120) - (59, 267) in the colour of the skin's pixel (546, 328).
    for (std::int32_t y = 110; y < kSelectorHeight; ++y)
        for (std::int32_t x = 0; x < kSelectorWidth; ++x)
            ASSERT_EQ(Pixel(kAt.x + x, kAt.y + y),
                      x >= 5 && x < 59 && y >= 120 && y < 267
                          ? kSkinCoverColor
                          : SkinPixel(kSelectorSource.x + x, kSelectorSource.y + y))
                << x << ", " << y;
}

class CurveColors : public ColorFrameFixture
{
protected:
    static constexpr Point kAt{8, 8};

    void OpenPanel(std::int32_t channels, std::int32_t mode = QVXSpecConfig::kAnaFFT)
    {
        Open(channels, 240, 96,
             [this, mode](EditorTest::SolidFrame& page)
             {
                 mPanel =
                     new QVXSpectrumColorFrame(&page, kAt.x, kAt.y, kPanelWidth, kPanelHeight,
                                               kPanelSource.x, kPanelSource.y, mSkin.get(), mode);
             });
    }
    // The window point at the centre of a role's swatch, from the panel's
    // arrangement: rows of three from (26, 12), the side column at (66, 12),
    // 11 pixels apart, 8 x 8.
    static Point SwatchCentre(std::int32_t role)
    {
        static const std::int32_t grid[6][3] = {{0, 1, 2},   {3, 4, 5},    {6, 7, 8},
                                                {9, 12, 15}, {10, 13, 16}, {11, 14, 17}};
        for (std::int32_t row = 0; row < 6; ++row)
            for (std::int32_t column = 0; column < 3; ++column)
                if (grid[row][column] == role)
                    return {kAt.x + 26 + 11 * column + 4, kAt.y + 12 + 11 * row + 4};
        return {kAt.x + 66 + 4, kAt.y + 12 + 11 * (role - 18) + 4};
    }
    // A point (40, 20) in the picker and the colour the skin's palette has
    // there, as the configuration keeps it (16 bits, the byte twice).
    static constexpr Point kPickPoint{kAt.x + 132 + 40, kAt.y + 6 + 20};
    ColorSpec PaletteAtPickPoint() const
    {
        const ColorSpec c = SkinPixel(kPanelSource.x + 132 + 40, kPanelSource.y + 6 + 20);
        return {static_cast<std::uint16_t>(c.red * 257), static_cast<std::uint16_t>(c.green * 257),
                static_cast<std::uint16_t>(c.blue * 257)};
    }
    static ColorSpec Low(const ColorSpec& c) { return FromPixel(ToPixel(c)); }
    ColorSpec At(Point p) const { return Pixel(p.x, p.y); }

    QVXSpectrumColorFrame* mPanel = nullptr;
};

TEST_F(CurveColors, SwatchesShowEachRolesColourInThePanelsArrangement)
{
    OpenPanel(2);
    const auto color = [](std::int32_t role) -> ColorSpec
    {
        return {static_cast<std::uint16_t>(10 * role + 5),
                static_cast<std::uint16_t>(200 - 3 * role), 77};
    };
    for (std::int32_t role = 0; role < 22; ++role)
        Config().SetColor(QVXSpecConfig::kAnaFFT, role, color(role));
    mEditor->Paint();
    for (std::int32_t role = 0; role < 22; ++role)
    {
        // A stereo FFT panel shows its skin unpatched: the average row's label.
        ASSERT_EQ(Pixel(kAt.x + role, kAt.y + 38),
                  SkinPixel(kPanelSource.x + role, kPanelSource.y + 38));
        const Point c = SwatchCentre(role);
        EXPECT_EQ(Pixel(c.x, c.y), color(role)) << "role " << role;
        // 8 x 8: the swatch's far corner is in (but for the chosen role's,
        // which has its dashed border there), the next pixel is the skin's.
        EXPECT_TRUE(role == mPanel->GetSelectedRole() || Pixel(c.x + 3, c.y + 3) == color(role))
            << "role " << role;
        EXPECT_EQ(Pixel(c.x + 4, c.y + 3),
                  SkinPixel(kPanelSource.x + c.x + 4 - kAt.x, kPanelSource.y + c.y + 3 - kAt.y))
            << "role " << role;
    }
}

TEST_F(CurveColors, ClickingASwatchThenPickingSetsThatRolesColourOfTheCurrentView)
{
    OpenPanel(2);
    QVXSpecConfig& config = Config();
    const auto fftBefore = config.GetColorSet(QVXSpecConfig::kAnaFFT);
    const auto thirdBefore = config.GetColorSet(QVXSpecConfig::kAna3rdOct);
    const ColorSpec picked = PaletteAtPickPoint();
    ASSERT_NE(picked, fftBefore[4]);

    mEditor->Click(SwatchCentre(4));
    EXPECT_EQ(mPanel->GetSelectedRole(), 4);
    mEditor->Click(kPickPoint);
    QVXSpecConfig::ColorSet expected = fftBefore;
    expected[4] = picked;
    EXPECT_EQ(config.GetColorSet(QVXSpecConfig::kAnaFFT), expected);
    EXPECT_EQ(config.GetColorSet(QVXSpecConfig::kAna3rdOct), thirdBefore);
    // The swatch and the large one beside the picker show it.
    mEditor->Paint();
    EXPECT_EQ(At(SwatchCentre(4)), Low(picked));
    EXPECT_EQ(Pixel(kAt.x + 116, kAt.y + 22), Low(picked));
    // The chosen swatch has the dashed border, the others none.
    EXPECT_TRUE(mPanel->GetSwatch(4)->IsSelected() && !mPanel->GetSwatch(0)->IsSelected());
    // The colour from before the pick is kept below; a click restores it.
    EXPECT_EQ(Pixel(kAt.x + 116, kAt.y + 44), Low(fftBefore[4]));
    mEditor->Click({kAt.x + 116, kAt.y + 44});
    EXPECT_EQ(config.GetColor(QVXSpecConfig::kAnaFFT, 4), fftBefore[4]);
    mEditor->Click(kPickPoint);

    // In the third-octave view the same gesture edits that view's colours.
    config.SetSpectrumView(QVXSpecConfig::kAna3rdOct);
    mEditor->Click(SwatchCentre(19));
    mEditor->MouseDown(kPickPoint);
    mEditor->MouseUp(kPickPoint);
    EXPECT_EQ(config.GetColor(QVXSpecConfig::kAna3rdOct, 19), picked);
    EXPECT_EQ(config.GetColor(QVXSpecConfig::kAnaFFT, 19), fftBefore[19]);
    mEditor->Paint();
    EXPECT_EQ(At(SwatchCentre(19)), Low(picked));
    // The view's other swatches show its own colours.
    EXPECT_EQ(At(SwatchCentre(2)), Low(thirdBefore[2]));
}

TEST_F(CurveColors, ThirdOctaveAndMonoPanelsCarryTheirSkinPatches)
{
    OpenPanel(1, QVXSpecConfig::kAna3rdOct);
    mEditor->Paint();
    // (663, 452) - (689, 462) of the skin at (0, 34); (666, 372) - (687, 404) at (37, 12).
    for (std::int32_t y = 0; y < 32; ++y)
        for (std::int32_t x = 0; x < 26; ++x)
        {
            ASSERT_TRUE(y >= 10 || Pixel(kAt.x + x, kAt.y + 34 + y) == SkinPixel(663 + x, 452 + y))
                << x << ", " << y;
            ASSERT_TRUE(x >= 21 || Pixel(kAt.x + 37 + x, kAt.y + 12 + y) == kMonoPatchColor)
                << x << ", " << y;
        }
    // The left swatches still show and react; a click on the patch does nothing.
    const QVXSpecConfig::ColorSet colors = Config().GetColorSet(QVXSpecConfig::kAnaFFT);
    EXPECT_EQ(At(SwatchCentre(3)), Low(colors[3]));
    mEditor->Click(SwatchCentre(4));
    EXPECT_EQ(mPanel->GetSelectedRole(), 0);
    mEditor->Click(SwatchCentre(3));
    EXPECT_EQ(mPanel->GetSelectedRole(), 3);
}

} // namespace
