#include "gui/GlyphCache.h"

#include "resources/ResourceTable.h"

#include <ft2build.h>
#include FT_FREETYPE_H

struct GlyphCache::Face
{
    FT_Face face = nullptr;
    Metrics metrics;
    // Characters below 256 resolved once; the rest through the character map.
    std::array<FT_UInt, 256> latinIndex{};
    // By glyph index; null until the glyph is first drawn or measured.
    std::vector<std::unique_ptr<Glyph>> glyphs;
};

namespace
{
// The auto-hinter snaps stems and heights to whole pixels in both
// directions, which keeps 9- and 11-pixel text crisp; the font's own
// instructions only hint vertically and leave stems grey.
constexpr FT_Int32 kLoadFlags = FT_LOAD_FORCE_AUTOHINT | FT_LOAD_TARGET_NORMAL;

// Hinted stems come out a little over a pixel wide, a full column with a
// faint fringe (coverage around 24) beside it; stretching coverage so that
// the faintest and the strongest tenth become 0 and 255 keeps such stems one
// sharp pixel while curves and diagonals keep their grey steps.
std::uint8_t Sharpen(std::uint8_t coverage)
{
    constexpr int kLow = 26;
    constexpr int kHigh = 230;
    const int stretched = (static_cast<int>(coverage) - kLow) * 255 / (kHigh - kLow);
    return static_cast<std::uint8_t>(stretched < 0 ? 0 : stretched > 255 ? 255 : stretched);
}
} // namespace

GlyphCache& GlyphCache::Shared()
{
    static GlyphCache cache;
    return cache;
}

GlyphCache::GlyphCache()
{
    const auto font = Resources::GetFontData();
    FT_Library library = nullptr;
    if (font.empty() || FT_Init_FreeType(&library) != 0)
        return;
    mLibrary = library;
    for (std::int32_t index = 0; index < kFaceCount; ++index)
    {
        auto face = std::make_unique<Face>();
        if (FT_New_Memory_Face(library, font.data(), static_cast<FT_Long>(font.size()), 0,
                               &face->face) != 0)
            return;
        // Before the check, so that the destructor releases it either way.
        mFaces[static_cast<std::size_t>(index)] = std::move(face);
        Face& made = *mFaces[static_cast<std::size_t>(index)];
        const auto pixels =
            static_cast<FT_UInt>(PixelEmSize(kFacePoints[static_cast<std::size_t>(index)]));
        if (FT_Set_Pixel_Sizes(made.face, 0, pixels) != 0)
            return;
        // FreeType rounds the scaled ascender up and the descender down.
        const FT_Size_Metrics& size = made.face->size->metrics;
        made.metrics.ascent = static_cast<std::int32_t>(size.ascender >> 6);
        made.metrics.descent = static_cast<std::int32_t>(-(size.descender >> 6));
        made.metrics.lineHeight = made.metrics.ascent + made.metrics.descent;
        for (FT_ULong code = 0; code < made.latinIndex.size(); ++code)
            made.latinIndex[code] = FT_Get_Char_Index(made.face, code);
        made.glyphs.resize(static_cast<std::size_t>(made.face->num_glyphs));
    }
    mReady = true;
}

GlyphCache::~GlyphCache()
{
    for (auto& face : mFaces)
    {
        if (face && face->face)
            FT_Done_Face(face->face);
    }
    if (mLibrary)
        FT_Done_FreeType(static_cast<FT_Library>(mLibrary));
}

GlyphCache::Face* GlyphCache::FaceFor(std::int32_t face) const
{
    if (!mReady)
        return nullptr;
    return mFaces[(face == 1) ? 1 : 0].get();
}

GlyphCache::Metrics GlyphCache::GetMetrics(std::int32_t face) const
{
    const Face* made = FaceFor(face);
    return made ? made->metrics : Metrics{};
}

char32_t GlyphCache::NextCharacter(std::string_view text, std::size_t& at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    char32_t value = 0;
    if (lead < 0x80)
    {
        ++at;
        return lead;
    }
    if (lead >= 0xC2 && lead <= 0xDF)
    {
        length = 2;
        value = lead & 0x1Fu;
    }
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        value = lead & 0x0Fu;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        value = lead & 0x07u;
    }
    if (length == 0 || at + length > text.size())
    {
        ++at;
        return lead;
    }
    for (std::size_t i = 1; i < length; ++i)
    {
        if ((byte(at + i) & 0xC0u) != 0x80u)
        {
            ++at;
            return lead;
        }
        value = (value << 6) | (byte(at + i) & 0x3Fu);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
    {
        ++at;
        return lead;
    }
    at += length;
    return value;
}

const GlyphCache::Glyph* GlyphCache::GetGlyph(Face& face, char32_t character)
{
    FT_UInt index = character < face.latinIndex.size() ? face.latinIndex[character]
                                                       : FT_Get_Char_Index(face.face, character);
    if (index >= face.glyphs.size())
        index = 0;
    std::unique_ptr<Glyph>& slot = face.glyphs[index];
    if (slot)
        return slot.get();
    auto glyph = std::make_unique<Glyph>();
    if (FT_Load_Glyph(face.face, index, kLoadFlags) == 0 &&
        FT_Render_Glyph(face.face->glyph, FT_RENDER_MODE_NORMAL) == 0)
    {
        const FT_GlyphSlot rendered = face.face->glyph;
        const FT_Bitmap& bitmap = rendered->bitmap;
        glyph->advance = static_cast<std::int32_t>((rendered->advance.x + 32) >> 6);
        glyph->left = rendered->bitmap_left;
        glyph->top = rendered->bitmap_top;
        if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && bitmap.buffer)
        {
            glyph->width = static_cast<std::int32_t>(bitmap.width);
            glyph->height = static_cast<std::int32_t>(bitmap.rows);
            glyph->coverage.resize(static_cast<std::size_t>(bitmap.width) * bitmap.rows);
            for (unsigned row = 0; row < bitmap.rows; ++row)
            {
                // A negative pitch means the rows are stored bottom up.
                const std::ptrdiff_t pitch = bitmap.pitch;
                const unsigned char* source =
                    pitch >= 0 ? bitmap.buffer + row * pitch
                               : bitmap.buffer +
                                     static_cast<std::ptrdiff_t>(bitmap.rows - 1 - row) * -pitch;
                std::uint8_t* target =
                    glyph->coverage.data() + static_cast<std::size_t>(row) * bitmap.width;
                for (unsigned column = 0; column < bitmap.width; ++column)
                    target[column] = Sharpen(source[column]);
            }
        }
    }
    slot = std::move(glyph);
    return slot.get();
}

void GlyphCache::Lookup(std::int32_t face, std::string_view text, std::vector<const Glyph*>& glyphs)
{
    glyphs.clear();
    Face* made = FaceFor(face);
    if (!made)
        return;
    std::lock_guard<std::mutex> hold(mLock);
    for (std::size_t at = 0; at < text.size();)
        glyphs.push_back(GetGlyph(*made, NextCharacter(text, at)));
}

std::int32_t GlyphCache::Measure(std::int32_t face, std::string_view text)
{
    Face* made = FaceFor(face);
    if (!made)
        return 0;
    std::lock_guard<std::mutex> hold(mLock);
    std::int32_t width = 0;
    for (std::size_t at = 0; at < text.size();)
        width += GetGlyph(*made, NextCharacter(text, at))->advance;
    return width;
}
