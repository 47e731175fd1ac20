// Picture 5901 and the colour tables read from it: geometry, the published
// maps against entries of their published tables, lightness order.

#include "ColorFramesTestSupport.h"

#include <cmath>
#include <set>

namespace
{

using namespace ColorFramesTest;

constexpr int kRows = 200;

struct Entry
{
    int index; // in the published 256-entry table
    double r, g, b;
};

struct PublishedMap
{
    int map; // column pair in picture 5901
    const char* name;
    std::vector<Entry> entries;
};

// Entries copied from the published tables (matplotlib's _cm_listed.py, which
// carries the authors' tables). These indices fall within 0.031 of a picture
// row when 256 entries are spread over 200 rows: entry j = 255 (199 - r) / 199.
const std::vector<PublishedMap>& PublishedMaps()
{
    // clang-format off
    static const std::vector<PublishedMap> maps{
        {0, "viridis", {
            {0, 0.267004, 0.004874, 0.329415}, {41, 0.269308, 0.218818, 0.509577},
            {82, 0.195860, 0.395433, 0.555276}, {123, 0.133743, 0.548535, 0.553541},
            {164, 0.175707, 0.697900, 0.491033}, {205, 0.487026, 0.823929, 0.312321},
            {246, 0.906311, 0.894855, 0.098125}, {255, 0.993248, 0.906157, 0.143936}}},
        {1, "magma", {
            {0, 0.001462, 0.000466, 0.013866}, {41, 0.165308, 0.067911, 0.361816},
            {82, 0.426877, 0.115395, 0.505714}, {123, 0.684224, 0.204286, 0.484219},
            {164, 0.921884, 0.341098, 0.377376}, {205, 0.995122, 0.631696, 0.431951},
            {246, 0.990175, 0.927196, 0.682926}, {255, 0.987053, 0.991438, 0.749504}}},
        {2, "inferno", {
            {0, 0.001462, 0.000466, 0.013866}, {41, 0.190367, 0.039309, 0.361447},
            {82, 0.453651, 0.103848, 0.430498}, {123, 0.706500, 0.200728, 0.347777},
            {164, 0.909390, 0.375856, 0.174563}, {205, 0.987819, 0.652773, 0.045581},
            {246, 0.949545, 0.955063, 0.507860}, {255, 0.988362, 0.998364, 0.644924}}},
        {3, "plasma", {
            {0, 0.050383, 0.029803, 0.527975}, {41, 0.356359, 0.003798, 0.647810},
            {82, 0.595011, 0.077190, 0.627917}, {123, 0.779604, 0.258078, 0.487539},
            {164, 0.912800, 0.444029, 0.346251}, {205, 0.989128, 0.658043, 0.208100},
            {246, 0.961681, 0.914672, 0.150520}, {255, 0.940015, 0.975158, 0.131326}}},
        {4, "cividis", {
            {0, 0.000000, 0.135112, 0.304751}, {41, 0.159733, 0.245221, 0.429528},
            {82, 0.331474, 0.356744, 0.427144}, {123, 0.471501, 0.470960, 0.466357},
            {164, 0.624654, 0.592034, 0.460583}, {205, 0.790116, 0.723810, 0.397423},
            {246, 0.968469, 0.869819, 0.241310}, {255, 0.995737, 0.909344, 0.217772}}},
        {7, "turbo", {
            {0, 0.18995, 0.07176, 0.23217}, {41, 0.27469, 0.51094, 0.97275},
            {82, 0.09451, 0.87844, 0.74265}, {123, 0.58646, 0.99739, 0.26849},
            {164, 0.95560, 0.78005, 0.22836}, {205, 0.93612, 0.34513, 0.06616},
            {246, 0.59550, 0.05399, 0.00453}, {255, 0.47960, 0.01583, 0.01055}}},
    };
    // clang-format on
    return maps;
}

// CIE L* of an 8-bit sRGB colour (D65).
double Lightness(std::uint32_t pixel)
{
    const auto linear = [](std::uint32_t byte)
    {
        const double v = byte / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    const double y = 0.2126 * linear((pixel >> 16) & 0xff) + 0.7152 * linear((pixel >> 8) & 0xff) +
                     0.0722 * linear(pixel & 0xff);
    return y > 216.0 / 24389.0 ? 116.0 * std::cbrt(y) - 16.0 : y * 24389.0 / 27.0;
}

// Sixteen maps of 200 rows, each a pair of equal columns and each its own,
// and the tables read from the picture's first column of a map, the map
// number clamped to the sixteen.
TEST(ColorMapPicture, HoldsSixteenMapsThatTheTablesReadClampedToTheSixteen)
{
    const PixelBuffer picture = ColorMapPicture();
    ASSERT_EQ(picture.width, 32);
    ASSERT_EQ(picture.height, kRows);
    EXPECT_FALSE(picture.oneBit);
    std::set<std::vector<std::uint32_t>> maps;
    for (int map = 0; map < 16; ++map)
    {
        const ColorMapTable table = ColorMapColors(map);
        std::vector<std::uint32_t> column;
        for (int row = 0; row < kRows; ++row)
        {
            column.push_back(picture.At(2 * map, row));
            ASSERT_TRUE(column.back() == picture.At(2 * map + 1, row) &&
                        table[static_cast<std::size_t>(row)] == FromPixel(column.back()))
                << "map " << map << " row " << row;
        }
        maps.insert(column);
    }
    EXPECT_EQ(maps.size(), 16u);
    EXPECT_TRUE(ColorMapColors(-3) == ColorMapColors(0) &&
                ColorMapColors(99) == ColorMapColors(15));
    EXPECT_TRUE(ColorMapName(-1) == ColorMapName(0) && ColorMapName(16) == ColorMapName(15));
    // The configuration's default map is the one we recommend.
    EXPECT_EQ(ColorMapName(QVXSpecConfig::kDefaultColorMap), "inferno");
    std::set<std::string_view> names(kColorMapNames.begin(), kColorMapNames.end());
    EXPECT_EQ(names.size(), 16u);
    EXPECT_EQ(names.count(""), 0u);
}

TEST(ColorMapPicture, PublishedMapsMatchTheirTablesWithTheLoudEndAtTheTop)
{
    const PixelBuffer picture = ColorMapPicture();
    ASSERT_EQ(picture.height, kRows);
    for (const PublishedMap& published : PublishedMaps())
    {
        EXPECT_EQ(ColorMapName(published.map), published.name);
        for (const Entry& entry : published.entries)
        {
            const int row =
                kRows - 1 - static_cast<int>(std::lround(entry.index * (kRows - 1) / 255.0));
            const std::uint32_t pixel = picture.At(2 * published.map, row);
            const double want[] = {entry.r, entry.g, entry.b};
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(static_cast<int>((pixel >> (16 - 8 * c)) & 0xff),
                            std::lround(want[c] * 255.0), 1)
                    << published.name << " entry " << entry.index << " channel " << c;
        }
    }
}

TEST(ColorMapPicture, LightnessRunsOneWayInTheMapsMadeForReadingLevels)
{
    const PixelBuffer picture = ColorMapPicture();
    ASSERT_EQ(picture.height, kRows);
    // Rounding to 8 bits may nudge lightness back by a few hundredths of L*
    // between neighbouring rows; a real fault moves it by far more.
    constexpr double kQuantisation = 0.05;
    // Louder is lighter: viridis, magma, inferno, plasma, cividis, grey,
    // fire, ice, the phosphors, cubehelix, dusk, banded. Inverted grey the
    // other way round. Turbo and the rainbow are not meant to.
    for (const int map : {0, 1, 2, 3, 4, 5, 8, 9, 10, 11, 13, 14, 15, 6})
    {
        const double sign = map == 6 ? -1.0 : 1.0;
        for (int row = 0; row + 1 < kRows; ++row)
            ASSERT_GE(sign * (Lightness(picture.At(2 * map, row)) -
                              Lightness(picture.At(2 * map, row + 1))),
                      -kQuantisation)
                << ColorMapName(map) << " between rows " << row << " and " << row + 1;
        // And not flat: these maps span most of the lightness scale.
        EXPECT_GT(
            sign * (Lightness(picture.At(2 * map, 0)) - Lightness(picture.At(2 * map, kRows - 1))),
            60.0)
            << ColorMapName(map);
    }
}

TEST(ColorMapColors, LevelsTakeTheRowOfTruncatedHalfDecibels)
{
    const std::pair<float, int> cases[] = {
        {0.0f, 0},     {6.0f, 0},      {-0.49f, 0},   {-0.5f, 1},     {-40.3f, 80},
        {-99.0f, 198}, {-99.49f, 198}, {-99.5f, 199}, {-300.0f, 199}, {std::nanf(""), 199}};
    for (const auto& [level, row] : cases)
        EXPECT_EQ(ColorIndexOfLevel(level), row) << level;
}

} // namespace
