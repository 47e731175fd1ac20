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

#include <limits>
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
        EXPECT_EQ(
            FT_New_Memory_Face(mLibrary, font.data(), static_cast<FT_Long>(font.size()), 0, &mFace),
            0);
        EXPECT_EQ(FT_Set_Pixel_Sizes(mFace, 0, static_cast<FT_UInt>(pixels)), 0);
    }
    ~IndependentFace()
    {
        FT_Done_Face(mFace);
        FT_Done_FreeType(mLibrary);
    }
    FT_GlyphSlot Load(char c)
    {
        EXPECT_EQ(FT_Load_Char(mFace, static_cast<unsigned char>(c),
                               FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL),
                  0);
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
    std::int32_t left = 1 << 30, top = 1 << 30, right = -1,
                 bottom = -1; // inclusive; right < 0: none
    bool Any() const { return right >= 0; }
};

// The box of pixels darker than mid-grey (dark: ink of black text on white)
// or of any non-white pixel, within rows [top, bottom).
Ink FindInk(const PixelBuffer& pixels, bool darkOnly, std::int32_t top = 0,
            std::int32_t bottom = 1 << 30)
{
    Ink ink;
    for (std::int32_t y = std::max(top, 0); y < std::min(bottom, pixels.height); ++y)
    {
        for (std::int32_t x = 0; x < pixels.width; ++x)
        {
            const std::uint32_t p = pixels.At(x, y);
            if (darkOnly ? (p & 0xFFu) >= 128 : p == kWhite)
                continue;
            ink.left = std::min(ink.left, x);
            ink.right = std::max(ink.right, x);
            ink.top = std::min(ink.top, y);
            ink.bottom = std::max(ink.bottom, y);
        }
    }
    return ink;
}

TEST(RasterText, FacesHaveArialsSizesAndDigitWidths)
{
    OGWorld world(Rect{0, 0, 1, 1});
    // Ascender 1854 and descender 434 of 2048 units at 11 and 9 pixels,
    // rounded outwards: 9.96 -> 10, 2.33 -> 3; 8.15 -> 9, 1.91 -> 2.
    EXPECT_EQ(world.GetTextFace(), 0);
    EXPECT_EQ(world.GetTextMetrics().ascent, 10);
    EXPECT_EQ(world.GetTextMetrics().descent, 3);
    EXPECT_EQ(world.GetTextMetrics().lineHeight, 13);
    // Digits are 1139 units wide (6.12 and 5.01 pixels), space and full stop
    // 569 (3.06 and 2.50).
    EXPECT_EQ(world.TextWidth("0123456789"), 60);
    EXPECT_EQ(world.TextWidth(" ."), 6);
    world.SetTextFace(1, Colour(kRed));
    EXPECT_EQ(world.GetTextMetrics().ascent, 9);
    EXPECT_EQ(world.GetTextMetrics().descent, 2);
    EXPECT_EQ(world.GetTextMetrics().lineHeight, 11);
    EXPECT_EQ(world.TextWidth("0123456789"), 50);
    EXPECT_EQ(world.TextWidth(" ."), 6);
    // Other faces keep the font but take the colour.
    world.SetTextFace(7, Colour(kBlue));
    EXPECT_EQ(world.GetTextFace(), 1);
    EXPECT_EQ(world.GetForeColor(), Colour(kBlue));
    EXPECT_EQ(world.TextWidth(""), 0);
}

TEST(RasterText, WidthIsTheSumOfTheFontsWholePixelAdvances)
{
    const std::string label = "Peak Hold: -12.5 dB @ 1.25 kHz (Left/Right) WMiil";
    OGWorld world(Rect{0, 0, 1, 1});
    IndependentFace eleven(11);
    IndependentFace nine(9);
    EXPECT_EQ(world.TextWidth(label), eleven.Advance(label));
    world.SetTextFace(1, Colour(kBlack));
    EXPECT_EQ(world.TextWidth(label), nine.Advance(label));
}

TEST(RasterText, DrawStringSitsOnThePensBaselineStartingOnePixelLeftOfThePen)
{
    OGWorld world(Rect{0, 0, 80, 30});
    Blank(world);
    world.MoveTo({20, 20});
    world.DrawString("HH");
    // The first glyph's first solid column, from the font: its left bearing
    // plus the first column of its bitmap with more than half coverage.
    IndependentFace face(11);
    const FT_GlyphSlot h = face.Load('H');
    std::int32_t solid = 0;
    while (solid < static_cast<std::int32_t>(h->bitmap.width) && h->bitmap.buffer[solid] <= 128)
        ++solid;
    const Ink dark = FindInk(world.GetPixels(), true);
    ASSERT_TRUE(dark.Any());
    EXPECT_EQ(dark.left, 20 - 1 + h->bitmap_left + solid);
    // A capital stands on the baseline: its lowest row is just above it, its
    // top where the font puts it.
    EXPECT_EQ(dark.bottom, 19);
    EXPECT_EQ(dark.top, 20 - h->bitmap_top);
    // The pen did not move.
    world.LineTo({20, 20});
    EXPECT_EQ(world.GetPixels().At(20, 20), kBlack);

    // Descenders go below the baseline, within the face's descent; nothing
    // rises above the ascent.
    Blank(world);
    world.MoveTo({20, 20});
    world.DrawString("gjpqy|()");
    const Ink any = FindInk(world.GetPixels(), false);
    EXPECT_GT(any.bottom, 20);
    EXPECT_LT(any.bottom, 20 + world.GetTextMetrics().descent);
    EXPECT_GE(any.top, 20 - world.GetTextMetrics().ascent);
}

TEST(RasterText, DrawTextInRectWrapsWordsIntoLinesOfTheShiftedRectangle)
{
    const std::string text = "The settings file could not be read because part of it is damaged";
    OGWorld world(Rect{0, 0, 120, 80});
    Blank(world);
    world.SetTextFace(1, Colour(kBlack));
    const Rect rect{10, 10, 110, 30}; // 100 wide: drawn in (5, 22, 105, 42)
    world.DrawTextInRect(text, rect);

    const auto measure = [&world](std::string_view piece) { return world.TextWidth(piece); };
    const std::vector<TextLine> lines = WrapText(text, rect.Width(), measure);
    ASSERT_GE(lines.size(), 3u);
    const std::int32_t lineHeight = world.GetTextMetrics().lineHeight;
    const std::int32_t ascent = world.GetTextMetrics().ascent;
    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        // Greedy: each line fits, and would not with the next word.
        EXPECT_FALSE(lines[i].ellipsis);
        EXPECT_LE(world.TextWidth(lines[i].text), 100) << lines[i].text;
        if (i > 0)
            joined += ' ';
        joined.append(lines[i].text);
        if (i + 1 < lines.size())
        {
            const std::string_view next = lines[i + 1].text.substr(0, lines[i + 1].text.find(' '));
            std::string longer(lines[i].text);
            longer.append(" ").append(next);
            EXPECT_GT(world.TextWidth(longer), 100);
        }
        // Line i has its baseline at 22 + i x line height; its ink lies in
        // the line's band, within the shifted rectangle's columns, starting
        // at its left side.
        const std::int32_t baseline = 22 + static_cast<std::int32_t>(i) * lineHeight;
        const Ink ink =
            FindInk(world.GetPixels(), false, baseline - ascent, baseline - ascent + lineHeight);
        ASSERT_TRUE(ink.Any()) << i;
        EXPECT_LE(ink.left, 5 + 1) << i;
        EXPECT_GE(ink.left, 5) << i;
        EXPECT_LT(ink.right, 105) << i;
        EXPECT_EQ(FindInk(world.GetPixels(), true, baseline - 3, baseline).bottom, baseline - 1)
            << i;
    }
    EXPECT_EQ(joined, text);
    // Lines below the rectangle are drawn all the same; nothing after the last.
    const std::int32_t end = 22 + static_cast<std::int32_t>(lines.size()) * lineHeight - ascent;
    EXPECT_GT(end, 42);
    EXPECT_FALSE(FindInk(world.GetPixels(), false, end).Any());
    EXPECT_FALSE(FindInk(world.GetPixels(), false, 0, 22 - ascent).Any());
}

TEST(RasterText, LineFeedsBreakLinesAndAWordTooWideIsCutWithAnEllipsis)
{
    OGWorld world(Rect{0, 0, 100, 60});
    Blank(world);
    world.SetTextFace(1, Colour(kBlack));
    // 50 wide, drawn from column 5; line bands of 11 rows from row 13.
    world.DrawTextInRect("Overloaded\n\nIncomprehensibilities", {10, 10, 60, 20});
    const PixelBuffer& pixels = world.GetPixels();
    const Ink first = FindInk(pixels, false, 13, 24);
    const Ink empty = FindInk(pixels, false, 24, 35);
    const Ink third = FindInk(pixels, false, 35, 46);
    ASSERT_TRUE(first.Any());
    EXPECT_FALSE(empty.Any());
    ASSERT_TRUE(third.Any());
    EXPECT_LT(third.right, 55);
    EXPECT_LT(first.right, 55);
    // The cut word ends in three dots: in the columns of the last "...",
    // ink only just above the third baseline (row 44).
    const std::int32_t dots = world.TextWidth("...");
    PixelBuffer tail = pixels;
    for (std::int32_t y = 0; y < tail.height; ++y)
    {
        for (std::int32_t x = 0; x <= third.right - dots; ++x)
            tail.At(x, y) = kWhite;
    }
    const Ink dotInk = FindInk(tail, false, 35, 46);
    ASSERT_TRUE(dotInk.Any());
    EXPECT_GE(dotInk.top, 44 - 3);
    EXPECT_EQ(dotInk.bottom, 43);
    const std::string text = "Incomprehensibilities";
    const std::vector<TextLine> lines =
        WrapText(text, 50, [&world](std::string_view piece) { return world.TextWidth(piece); });
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].ellipsis);
    EXPECT_LE(world.TextWidth(lines[0].text) + dots, 50);
    std::string longer(lines[0].text);
    longer.push_back(text[longer.size()]);
    EXPECT_GT(world.TextWidth(longer) + dots, 50);
}

TEST(RasterText, TextHonoursTheClipRegionAndNeverLeavesTheBuffer)
{
    OGWorld world(Rect{0, 0, 60, 20});
    Blank(world);
    world.SetClipRect({0, 0, 10, 20});
    world.MoveTo({1, 15});
    world.DrawString("WWWWWWWW");
    world.DrawTextInRect("WWWW WWWW WWWW", {5, -10, 60, 0});
    const Ink ink = FindInk(world.GetPixels(), false);
    ASSERT_TRUE(ink.Any());
    EXPECT_LT(ink.right, 10);
    world.SetClipRegion(nullptr);
    // Far outside in every direction: nothing drawn, nothing broken.
    Blank(world);
    for (const Point pen : {Point{-2000000000, 10}, Point{2000000000, 10}, Point{10, -2000000000},
                            Point{10, 2000000000}, Point{-3, 3}, Point{58, 25}})
    {
        world.MoveTo(pen);
        world.DrawString("Wj|Wj|Wj");
    }
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
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
    {
        std::string shown(line.text);
        if (line.ellipsis)
            shown.append("...");
        lines.push_back(shown);
    }
    return lines;
}

using Lines = std::vector<std::string>;

TEST(TextLayout, BreaksAtTheLastWordThatFitsAndDropsTheSpacesThere)
{
    EXPECT_EQ(Wrap("aa bb cc", 5), (Lines{"aa bb", "cc"}));
    EXPECT_EQ(Wrap("aa bb cc", 4), (Lines{"aa", "bb", "cc"}));
    EXPECT_EQ(Wrap("aa bb cc", 8), (Lines{"aa bb cc"}));
    EXPECT_EQ(Wrap("aa   bb  cc", 7), (Lines{"aa   bb", "cc"}));
    EXPECT_EQ(Wrap("  aa bb", 5), (Lines{"  aa", "bb"}));
    EXPECT_EQ(Wrap("aa\r\n\nbb cc\n", 10), (Lines{"aa", "", "bb cc", ""}));
    EXPECT_EQ(Wrap("", 10), (Lines{""}));
}

TEST(TextLayout, CutsAWordWiderThanTheLineWithAnEllipsis)
{
    EXPECT_EQ(Wrap("abcdefgh", 6), (Lines{"abc..."}));
    EXPECT_EQ(Wrap("ab abcdefgh cd", 6), (Lines{"ab", "abc...", "cd"}));
    EXPECT_EQ(Wrap("abcdefgh", 2), (Lines{"..."}));
    // Never inside a character: "\xC3\xA9" is one.
    const auto characters = [](std::string_view text)
    {
        std::int32_t count = 0;
        for (std::size_t at = 0; at < text.size();)
        {
            GlyphCache::NextCharacter(text, at);
            ++count;
        }
        return count;
    };
    EXPECT_EQ(Wrap("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 5, characters),
              (Lines{"\xC3\xA9\xC3\xA9..."}));
}

TEST(TextLayout, ReadsUtf8AndTakesStrayBytesAsLatin1)
{
    const auto decode = [](std::string_view text)
    {
        std::u32string out;
        for (std::size_t at = 0; at < text.size();)
            out += GlyphCache::NextCharacter(text, at);
        return out;
    };
    EXPECT_EQ(decode("A\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"),
              (std::u32string{U'A', 0xE9, 0x20AC, 0x1F600}));
    EXPECT_EQ(decode("\xE9t\xE9"), (std::u32string{0xE9, U't', 0xE9}));    // Latin-1
    EXPECT_EQ(decode("\xC0\xAF"), (std::u32string{0xC0, 0xAF}));           // overlong
    EXPECT_EQ(decode("\xED\xA0\x80"), (std::u32string{0xED, 0xA0, 0x80})); // surrogate
    EXPECT_EQ(decode("\xE2\x82"), (std::u32string{0xE2, 0x82}));           // cut short
    EXPECT_EQ(decode("\xF4\x90\x80\x80"),
              (std::u32string{0xF4, 0x90, 0x80, 0x80})); // past U+10FFFF
}

} // namespace
