#pragma once
// DrawContext on a PixelBuffer, with the pixel rules of the platform the
// editor was first drawn on, so that every frame lands on the same pixels:
// - colours: the low byte of each 16-bit component;
// - rectangles: right and bottom excluded; an empty one draws nothing;
// - lines: the pixels a one-pixel pen lights by the diamond rule (below),
//   both end points included, so a zero-length line is one pixel;
// - ovals: the pixel rule below, filled or as their outline;
// - text: the two faces of GlyphCache, baseline aligned, in the fore colour;
// - copies: a one-bit source draws 0 in the fore and 1 in the back colour; a
//   colour source drawn into a one-bit buffer gives 1 where it has the back
//   colour and 0 elsewhere;
// - clipping: every pixel written lies in the clip region (when one is set)
//   and in the buffer, whatever the coordinates.
//
// Lines. Of the pixels between the end points, a line lights one per column
// when it is wider than tall (one per row when taller than wide): the pixel
// whose centre is nearest to the line in that column (row). When the line
// passes exactly half-way between two pixels, the upper one is lit (the
// left one for a line taller than wide). Both ends are included, which makes
// the line the same whichever end it is drawn from.
//
// Ovals. The oval of a w x h rectangle is the ellipse inscribed in it, pixel
// i covering [i, i + 1): a pixel is inside when its centre is inside or on the
// ellipse. Each row keeps at least its middle pixel (two for an even width)
// and the middle row (two for an even height) spans the whole width, so the
// oval touches all four sides however thin it is. FrameOval draws the pixels
// of that shape that have a side neighbour outside it.
//
// The pen is kept in device pixels, as the platform's pen is: MoveTo, then a
// new origin, then LineTo draws from where the pen was put.
//
// Threads: UI thread.

#include "gui/DrawContext.h"
#include "gui/GlyphCache.h"
#include "gui/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct pixman_region32;

class RasterContext : public DrawContext
{
public:
    // A region over pixman's; the only kind a RasterContext takes.
    class RasterRegion : public DrawContext::Region
    {
    public:
        // The rectangle (0, 0, 1, 1), as Reset leaves it.
        RasterRegion();
        RasterRegion(const RasterRegion& other);
        RasterRegion& operator=(const RasterRegion&) = delete;
        ~RasterRegion() override;

        void Reset() override;
        void SetRect(const Rect& rect) override;
        // Regions of another kind are ignored.
        void Union(const Region& other) override;
        void Difference(const Region& other) override;
        void Intersect(const Region& other) override;
        bool IsEmpty() const override;
        bool Contains(Point pixel) const override;

        // The rectangles that make up the region, in pixman's order (bands
        // top to bottom, left to right in each).
        std::vector<Rect> GetRects() const;
        Rect GetExtents() const;
        pixman_region32* GetNative() const { return mRegion; }

    private:
        pixman_region32* mRegion;
    };

    // buffer is not owned and may be null (nothing is drawn).
    explicit RasterContext(PixelBuffer* buffer = nullptr, std::intptr_t handle = 0);
    ~RasterContext() override;

    // Another buffer (or a resized one) to draw into; the clip region stays.
    void SetBuffer(PixelBuffer* buffer);
    PixelBuffer* GetBuffer() const { return mBuffer; }

    // The PixelBuffer.
    void* GetNativeHandle() const override { return mBuffer; }
    void BeginDrawing() override;
    void EndDrawing() override;
    void SetOrigin(Point origin) override { mOrigin = origin; }
    Point GetOrigin() const override { return mOrigin; }
    void SetForeColor(const CVLCanvas::ColorSpec& color) override;
    void SetBackColor(const CVLCanvas::ColorSpec& color) override;
    void MoveTo(Point point) override;
    void LineTo(Point point) override;
    void Polyline(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count) override;
    void PaintRect(const Rect& rect) override;
    void PaintOval(const Rect& rect) override;
    void FrameOval(const Rect& rect) override;
    void FrameRect(const Rect& rect) override;
    void SetTextFace(std::int32_t face, const CVLCanvas::ColorSpec& color) override;
    void DrawString(std::string_view text) override;
    void DrawTextInRect(std::string_view text, const Rect& rect) override;
    std::int32_t TextWidth(std::string_view text) override;
    // A picture that is missing draws nothing.
    void DrawPicture(std::int32_t resourceId, const Rect& rect) override;
    void ResetColors() override;
    // Sources that are not RasterContexts draw nothing. Pixels of the source
    // rectangle outside the source's buffer leave the destination as it was.
    void CopyBits(DrawContext& source, const Rect& sourceRect, Point destination,
                  bool resetColors) override;
    void CopyMasked(DrawContext& source, const Rect& sourceRect, DrawContext& mask, Point maskPoint,
                    Point destination) override;
    // A pixel outside the buffer or the clip region reads as the platform's
    // "invalid colour" reads: (255, 255, 255).
    void GetPixel(Point point, CVLCanvas::ColorSpec& color) override;
    void SetClipRect(const Rect& rect) override;
    // Coordinates beyond 32 bits are held at the nearest 32-bit value.
    Rect RectToDevice(const Rect& rect) const override;
    std::unique_ptr<Region> CreateRegion() const override;
    // Regions of another kind remove the clip, as null does.
    void SetClipRegion(std::unique_ptr<Region> region) override;

    std::int32_t GetDrawingDepth() const { return mDrawingDepth; }
    std::int32_t GetTextFace() const { return mFace; }
    CVLCanvas::ColorSpec GetForeColor() const { return FromPixel(mFore); }
    CVLCanvas::ColorSpec GetBackColor() const { return FromPixel(mBack); }
    GlyphCache::Metrics GetTextMetrics() const;
    // Null when there is no clip.
    const RasterRegion* GetClipRegion() const { return mClip.get(); }

private:
    enum class RasterOp
    {
        Copy,
        Xor,
        And,
    };

    std::int64_t DeviceX(std::int32_t x) const { return static_cast<std::int64_t>(x) - mOrigin.x; }
    std::int64_t DeviceY(std::int32_t y) const { return static_cast<std::int64_t>(y) - mOrigin.y; }
    // What a colour becomes in this buffer: itself, or 0/1 in a one-bit one.
    std::uint32_t DeviceValue(std::uint32_t rgb) const;
    void UpdateClip();
    bool InClip(std::int64_t x, std::int64_t y) const;
    void Plot(std::int64_t x, std::int64_t y, std::uint32_t value);
    void Fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
              std::uint32_t value);
    void DrawLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1);
    void DrawOval(const Rect& rect, bool frame);
    std::int64_t DrawText(std::int64_t x, std::int64_t baseline, std::string_view text);
    void Blit(const PixelBuffer& source, std::int64_t sourceX, std::int64_t sourceY,
              std::int64_t width, std::int64_t height, std::int64_t x, std::int64_t y, RasterOp op);

    PixelBuffer* mBuffer = nullptr;
    Point mOrigin;
    std::int64_t mPenX = 0;
    std::int64_t mPenY = 0;
    std::int32_t mDrawingDepth = 0;
    std::uint32_t mFore = 0x000000;
    std::uint32_t mBack = 0xFFFFFF;
    std::int32_t mFace = 0;
    std::unique_ptr<RasterRegion> mClip;
    // The clip region within the buffer (the whole buffer without one).
    std::vector<Rect> mClipRects;
    Rect mClipExtents;
    std::vector<const GlyphCache::Glyph*> mGlyphs;
};
