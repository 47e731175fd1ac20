// Text by its metrics and placement, not by exact glyph pixels: the faces'
// sizes and widths against the font's (read here with FreeType on its own,
// and against Arial's published advance widths), where the ink lands for
// DrawString and DrawTextInRect, word wrapping and the ellipsis.

#include "RasterTestSupport.h"

#include "gui/GlyphCache.h"
#include "gui/TextLayout.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include <gtest/gtest.h>

#include <tuple>
#include <string>

namespace
{

using namespace RasterTest;

// The embedded font opened apart from the cache, hinted the same way.
class IndependentFace
{
public:
    explicit IndependentFace(std::int32_t pixels)
    {
        const auto font = Resources::GetFontData();
        EXPECT_EQ(FT_Init_FreeType(&mLibrary), 0);
        EXPECT_EQ(FT_New_Memory_Face(mLibrary, font.data(), static_cast<FT_Long>(font.size()), 0, &mFace), 0);
        EXPECT_EQ(FT_Set_Pixel_Sizes(mFace, 0, static_cast<FT_UInt>(pixels)), 0);
    }
    ~IndependentFace()
    {
        FT_Done_Face(mFace);
        FT_Done_FreeType(mLibrary);
    }
    FT_GlyphSlot Load(char c)
    {
        EXPECT_EQ(FT_Load_Char(mFace, static_cast<unsigned char>(c), FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL), 0);
        EXPECT_EQ(FT_Render_Glyph(mFace->glyph, FT_RENDER_MODE_NORMAL), 0);
        return mFace->glyph;
    }
    std::int32_t Advance(const std::string& text)
    {
        std::int32_t sum = 0;
        for (const char c : text)
            sum += static_cast<std::int32_t>(Load(c)->advance.x >> 6);
        return sum;
    }

private:
    FT_Library mLibrary = nullptr;
    FT_Face mFace = nullptr;
};

struct Ink
{
    std::int32_t left = 1 << 30, top = 1 << 30, right = -1, bottom = -1; // inclusive; right < 0: none
    bool Any() const { return right >= 0; }
};

// The box of pixels darker than mid-grey (dark: ink of black text on white)
// or of any non-white pixel, within rows [top, bottom).
Ink FindInk(const PixelBuffer& pixels, bool darkOnly, std::int32_t top = 0, std::int32_t bottom = 1 << 30)
{
    Ink ink;
    for (std::int32_t y = std::max(top, 0); y < std::min(bottom, pixels.height); ++y)
        for (std::int32_t x = 0; x < pixels.width; ++x)
        {
            const std::uint32_t p = pixels.At(x, y);
            if (darkOnly ? (p & 0xFFu) >= 128 : p == kWhite)
                continue;
            ink = {std::min(ink.left, x), std::min(ink.top, y), std::max(ink.right, x), std::max(ink.bottom, y)};
        }
    return ink;
}

TEST(RasterText, FacesHaveArialsSizesAndWidthsAndDrawStringSitsOnThePensBaseline)
{
    OGWorld world(Rect{0, 0, 1, 1});
    // Ascender 1854 and descender 434 of 2048 units at 11 and 9 pixels,
    // rounded outwards: 9.96 -> 10, 2.33 -> 3; 8.15 -> 9, 1.91 -> 2.
    // Digits are 1139 units wide (6.12 and 5.01 pixels), space and full stop
    // 569 (3.06 and 2.50).
    const auto face = [&world]
    {
        const auto& m = world.GetTextMetrics();
        return std::tuple(world.GetTextFace(), m.ascent, m.descent, m.lineHeight, world.TextWidth("0123456789"),
                          world.TextWidth(" ."));
    };
    EXPECT_EQ(face(), std::tuple(0, 10, 3, 13, 60, 6));
    world.SetTextFace(1, Colour(kRed));
    EXPECT_EQ(face(), std::tuple(1, 9, 2, 11, 50, 6));
    // Other faces keep the font but take the colour.
    world.SetTextFace(7, Colour(kBlue));
    EXPECT_EQ(std::tuple(world.GetTextFace(), world.GetForeColor(), world.TextWidth("")), std::tuple(1, Colour(kBlue), 0));

    // Any text is as wide as the sum of the font's whole-pixel advances.
    const std::string label = "Peak Hold: -12.5 dB @ 1.25 kHz (Left/Right) WMiil";
    IndependentFace eleven(11), nine(9);
    EXPECT_EQ(world.TextWidth(label), nine.Advance(label));
    world.SetTextFace(0, Colour(kBlack));
    EXPECT_EQ(world.TextWidth(label), eleven.Advance(label));

    // DrawString sits on the pen's baseline, starting one pixel left of the pen.
    BlankWorld page(80, 30);
    page.MoveTo({20, 20});
    page.DrawString("HH");
    // The first glyph's first solid column, from the font: its left bearing
    // plus the first column of its bitmap with more than half coverage.
    const FT_GlyphSlot h = eleven.Load('H');
    std::int32_t solid = 0;
    while (solid < static_cast<std::int32_t>(h->bitmap.width) && h->bitmap.buffer[solid] <= 128)
        ++solid;
    const Ink dark = FindInk(page.GetPixels(), true);
    ASSERT_TRUE(dark.Any());
    EXPECT_EQ(dark.left, 20 - 1 + h->bitmap_left + solid);
    // A capital stands on the baseline: its lowest row is just above it, its
    // top where the font puts it.
    EXPECT_EQ(std::pair(dark.top, dark.bottom), std::pair(20 - h->bitmap_top, 19));
    // The pen did not move.
    page.LineTo({20, 20});
    EXPECT_EQ(page.GetPixels().At(20, 20), kBlack);

    // Descenders go below the baseline, within the face's descent; nothing
    // rises above the ascent.
    Blank(page);
    page.MoveTo({20, 20});
    page.DrawString("gjpqy|()");
    const Ink any = FindInk(page.GetPixels(), false);
    EXPECT_TRUE(any.bottom > 20 && any.bottom < 20 + page.GetTextMetrics().descent) << any.bottom;
    EXPECT_GE(any.top, 20 - page.GetTextMetrics().ascent);
}

TEST(RasterText, DrawTextInRectWrapsWordsIntoLinesOfTheShiftedRectangleAndCutsAWordTooWide)
{
    const std::string text = "The settings file could not be read because part of it is damaged";
    BlankWorld world(120, 80);
    world.SetTextFace(1, Colour(kBlack));
    const Rect rect{10, 10, 110, 30}; // 100 wide: drawn in (5, 22, 105, 42)
    world.DrawTextInRect(text, rect);

    const auto measure = [&world](std::string_view piece) { return world.TextWidth(piece); };
    const std::vector<TextLine> lines = WrapText(text, rect.Width(), measure);
    ASSERT_GE(lines.size(), 3u);
    const std::int32_t lineHeight = world.GetTextMetrics().lineHeight, ascent = world.GetTextMetrics().ascent;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        // Line i has its baseline at 22 + i x line height; its ink lies in
        // the line's band, within the shifted rectangle's columns, starting
        // at its left side.
        const std::int32_t baseline = 22 + static_cast<std::int32_t>(i) * lineHeight;
        const Ink ink = FindInk(world.GetPixels(), false, baseline - ascent, baseline - ascent + lineHeight);
        ASSERT_TRUE(ink.Any()) << i;
        EXPECT_TRUE(ink.left == 5 || ink.left == 5 + 1) << i << ": " << ink.left;
        EXPECT_LT(ink.right, 105) << i;
        EXPECT_EQ(FindInk(world.GetPixels(), true, baseline - 3, baseline).bottom, baseline - 1) << i;
    }
    // Lines below the rectangle are drawn all the same; nothing after the last.
    const std::int32_t end = 22 + static_cast<std::int32_t>(lines.size()) * lineHeight - ascent;
    EXPECT_GT(end, 42);
    EXPECT_FALSE(FindInk(world.GetPixels(), false, end).Any());
    EXPECT_FALSE(FindInk(world.GetPixels(), false, 0, 22 - ascent).Any());

    // Line feeds break lines; a word too wide is cut with an ellipsis.
    Blank(world);
    // 50 wide, drawn from column 5; line bands of 11 rows from row 13.
    world.DrawTextInRect("Overloaded\n\nIncomprehensibilities", {10, 10, 60, 20});
    const PixelBuffer& pixels = world.GetPixels();
    const Ink first = FindInk(pixels, false, 13, 24);
    const Ink empty = FindInk(pixels, false, 24, 35);
    const Ink third = FindInk(pixels, false, 35, 46);
    ASSERT_TRUE(first.Any() && third.Any());
    EXPECT_FALSE(empty.Any());
    EXPECT_LT(std::max(first.right, third.right), 55);
    // The cut word ends in three dots: in the columns of the last "...",
    // ink only just above the third baseline (row 44).
    const std::int32_t dots = world.TextWidth("...");
    PixelBuffer tail = pixels;
    for (std::int32_t y = 0; y < tail.height; ++y)
        for (std::int32_t x = 0; x <= third.right - dots; ++x)
            tail.At(x, y) = kWhite;
    const Ink dotInk = FindInk(tail, false, 35, 46);
    EXPECT_GE(dotInk.top, 44 - 3);
    EXPECT_EQ(dotInk.bottom, 43);
}

// Text within a clip region: RasterClipTest.
TEST(RasterText, TextNeverLeavesTheBuffer)
{
    // Far outside in every direction: nothing drawn, nothing broken.
    BlankWorld world(60, 20);
    for (const Point pen : {Point{-2000000000, 10}, Point{2000000000, 10}, Point{10, -2000000000},
                            Point{10, 2000000000}, Point{-3, 3}, Point{58, 25}})
    {
        world.MoveTo(pen);
        world.DrawString("Wj|Wj|Wj");
    }
    world.DrawTextInRect("WWWW WWWW", {kMin, kMin, kMax, kMax});
    world.DrawTextInRect("WWWW WWWW", {kMax, kMax, kMin, kMin});
    world.SetOrigin({kMax, kMin});
    world.DrawTextInRect("WWWW WWWW", {kMin, kMax - 5, kMin + 50, kMax});
    world.SetOrigin({});
    const Ink edges = FindInk(world.GetPixels(), false);
    EXPECT_TRUE(edges.Any()); // the two pens near the edges show part of their text
    // A one-bit world gets only 0 and 1.
    OGWorld mono(Resources::kTestMonoPicture);
    mono.MoveTo({1, 3});
    mono.DrawString("W");
    for (const std::uint32_t pixel : mono.GetPixels().pixels)
        EXPECT_LE(pixel, 1u);
}

// Wrapping with every byte one pixel wide and "..." three.
std::int32_t Bytes(std::string_view text)
{
    return static_cast<std::int32_t>(text.size());
}

std::vector<std::string> Wrap(std::string_view text, std::int32_t width,
                              std::int32_t (*measure)(std::string_view) = Bytes)
{
    std::vector<std::string> lines;
    for (const TextLine& line : WrapText(text, width, measure))
        lines.push_back(std::string(line.text) + (line.ellipsis ? "..." : ""));
    return lines;
}

std::u32string Decode(std::string_view text)
{
    std::u32string out;
    for (std::size_t at = 0; at < text.size();)
        out += GlyphCache::NextCharacter(text, at);
    return out;
}

using Lines = std::vector<std::string>;

TEST(TextLayout, BreaksAtTheLastWordThatFitsDropsTheSpacesThereAndCutsAWordTooWideWithAnEllipsis)
{
    EXPECT_EQ(Wrap("aa bb cc", 5), (Lines{"aa bb", "cc"}));
    EXPECT_EQ(Wrap("aa bb cc", 4), (Lines{"aa", "bb", "cc"}));
    EXPECT_EQ(Wrap("aa bb cc", 8), (Lines{"aa bb cc"}));
    EXPECT_EQ(Wrap("aa   bb  cc", 7), (Lines{"aa   bb", "cc"}));
    EXPECT_EQ(Wrap("  aa bb", 5), (Lines{"  aa", "bb"}));
    EXPECT_EQ(Wrap("aa\r\n\nbb cc\n", 10), (Lines{"aa", "", "bb cc", ""}));
    EXPECT_EQ(Wrap("", 10), (Lines{""}));
    // A word wider than the line is cut with an ellipsis.
    EXPECT_EQ(Wrap("abcdefgh", 6), (Lines{"abc..."}));
    EXPECT_EQ(Wrap("ab abcdefgh cd", 6), (Lines{"ab", "abc...", "cd"}));
    EXPECT_EQ(Wrap("abcdefgh", 2), (Lines{"..."}));
    // Never inside a character: "\xC3\xA9" is one.
    const auto characters = [](std::string_view text) { return static_cast<std::int32_t>(Decode(text).size()); };
    EXPECT_EQ(Wrap("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 5, characters),
              (Lines{"\xC3\xA9\xC3\xA9..."}));
}

TEST(TextLayout, ReadsUtf8AndTakesStrayBytesAsLatin1)
{
    EXPECT_EQ(Decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(Decode("\xE9t\xE9"), (std::u32string{0xE9, U't', 0xE9}));    // Latin-1
    EXPECT_EQ(Decode("\xC0\xAF"), (std::u32string{0xC0, 0xAF}));           // overlong
    EXPECT_EQ(Decode("\xED\xA0\x80"), (std::u32string{0xED, 0xA0, 0x80})); // surrogate
    EXPECT_EQ(Decode("\xE2\x82"), (std::u32string{0xE2, 0x82}));           // cut short
    EXPECT_EQ(Decode("\xF4\x90\x80\x80"), (std::u32string{0xF4, 0x90, 0x80, 0x80})); // past U+10FFFF
}

} // namespace
