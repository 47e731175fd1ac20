#pragma once
// The two text faces of every drawing context, made once per process from
// the embedded Liberation Sans (metric-compatible with Arial): face 0 at 8
// points and face 1 at 7 points, at 96 dots per inch, so pixel em sizes of 11
// and 9 (the platform's font height -MulDiv(points, 96, 72)).
//
// Glyphs are hinted by FreeType's auto-hinter for their pixel size and
// rendered as 8-bit coverage once, when first used; the cache keeps them for
// the life of the process, so a glyph pointer stays valid. Advances are whole
// pixels (the hinted ones) and there is no kerning, so the width of a text is
// the sum of its glyphs' advances.
//
// Text is UTF-8; a byte that does not start a valid sequence is taken as the
// Latin-1 character of that value.
//
// Threads: any; one lock guards the faces and the cache.

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

class GlyphCache
{
public:
    static constexpr std::int32_t kFaceCount = 2;
    static constexpr std::array<std::int32_t, kFaceCount> kFacePoints = {8, 7};

    // The platform's MulDiv(points, 96, 72): rounded to the nearest pixel.
    static constexpr std::int32_t PixelEmSize(std::int32_t points)
    {
        return (points * 96 + 36) / 72;
    }

    struct Glyph
    {
        std::int32_t advance = 0; // pixels to the next glyph's origin
        std::int32_t left = 0;    // first coverage column, from the origin
        std::int32_t top = 0;     // first coverage row, upwards from the baseline
        std::int32_t width = 0;
        std::int32_t height = 0;
        std::vector<std::uint8_t> coverage; // width x height, rows top to bottom
    };

    struct Metrics
    {
        std::int32_t ascent = 0;     // pixels above the baseline
        std::int32_t descent = 0;    // pixels below it
        std::int32_t lineHeight = 0; // ascent + descent
    };

    // The process-wide cache, made on first use.
    static GlyphCache& Shared();

    GlyphCache();
    ~GlyphCache();
    GlyphCache(const GlyphCache&) = delete;
    GlyphCache& operator=(const GlyphCache&) = delete;

    // False when the font could not be opened: text then draws nothing and measures 0.
    bool IsReady() const { return mReady; }

    // Faces outside 0..1 are taken as face 0.
    Metrics GetMetrics(std::int32_t face) const;

    // Replaces glyphs with the glyphs of text, one per character.
    void Lookup(std::int32_t face, std::string_view text, std::vector<const Glyph*>& glyphs);

    std::int32_t Measure(std::int32_t face, std::string_view text);

    // The next character of UTF-8 text from at (moved past it).
    static char32_t NextCharacter(std::string_view text, std::size_t& at);

private:
    struct Face;

    const Glyph* GetGlyph(Face& face, char32_t character);
    Face* FaceFor(std::int32_t face) const;

    std::mutex mLock;
    void* mLibrary = nullptr; // FT_Library
    std::array<std::unique_ptr<Face>, kFaceCount> mFaces;
    bool mReady = false;
};
