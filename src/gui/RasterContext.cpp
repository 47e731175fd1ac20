#include "gui/RasterContext.h"

#include "gui/Pictures.h"
#include "gui/TextLayout.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <limits>

namespace
{

// Products of two 33-bit coordinates need more than 64 bits.
__extension__ typedef __int128 Wide;
__extension__ typedef unsigned __int128 UnsignedWide;

std::int64_t FloorDiv(Wide numerator, std::int64_t denominator) // denominator > 0
{
    Wide quotient = numerator / denominator;
    if (numerator % denominator != 0 && numerator < 0)
        --quotient;
    return static_cast<std::int64_t>(quotient);
}

std::int64_t CeilDiv(Wide numerator, std::int64_t denominator) // denominator > 0
{
    return -FloorDiv(-numerator, denominator);
}

std::uint64_t SquareRootFloor(std::uint64_t value)
{
    auto root = static_cast<std::uint64_t>(std::sqrt(static_cast<long double>(value)));
    while (static_cast<UnsignedWide>(root) * root > value)
        --root;
    while (static_cast<UnsignedWide>(root + 1) * (root + 1) <= value)
        ++root;
    return root;
}

std::int32_t Saturate(std::int64_t value)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::uint32_t Blend(std::uint32_t over, std::uint32_t under, std::uint32_t coverage)
{
    const std::uint32_t rest = 255 - coverage;
    std::uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8)
    {
        const std::uint32_t a = (over >> shift) & 0xFFu;
        const std::uint32_t b = (under >> shift) & 0xFFu;
        result |= ((a * coverage + b * rest + 127) / 255) << shift;
    }
    return result;
}

// The pixels of row y of the oval in the w x h rectangle at (left, top), as
// an inclusive range. Doubling every coordinate keeps the test in integers:
// the ellipse has radii w and h around the rectangle's centre, and the pixel
// at column u has its centre at 2u + 1 - w from it.
struct Span
{
    std::int64_t first;
    std::int64_t last;
};

Span OvalRow(std::int64_t left, std::int64_t top, std::int64_t w, std::int64_t h, std::int64_t y)
{
    const std::int64_t dy = 2 * (y - top) + 1 - h;
    const auto ady = static_cast<std::uint64_t>(dy < 0 ? -dy : dy);
    if (ady <= 1) // the middle row(s)
        return {left, left + w - 1};
    // (2u + 1 - w)^2 h^2 + dy^2 w^2 <= w^2 h^2  <=>  (2u + 1 - w)^2 <= w^2 (h^2 - dy^2) / h^2
    std::uint64_t limit = 0;
    if (w < 65536 && h < 65536) // every product fits 64 bits
    {
        const auto ww = static_cast<std::uint64_t>(w * w);
        const auto hh = static_cast<std::uint64_t>(h * h);
        limit = ww * (hh - ady * ady) / hh;
    }
    else
    {
        const UnsignedWide ww = static_cast<UnsignedWide>(w) * static_cast<std::uint64_t>(w);
        const UnsignedWide hh = static_cast<UnsignedWide>(h) * static_cast<std::uint64_t>(h);
        const UnsignedWide dd = static_cast<UnsignedWide>(ady) * ady;
        limit = static_cast<std::uint64_t>(ww * (hh - dd) / hh);
    }
    auto reach = static_cast<std::int64_t>(SquareRootFloor(limit));
    // An even width has no centre column: keep the two middle pixels.
    reach = std::max<std::int64_t>(reach, (w % 2 == 0) ? 1 : 0);
    return {left + (w - reach) / 2, left + (w - 1 + reach) / 2};
}

} // namespace

// ---- RasterRegion ----

RasterContext::RasterRegion::RasterRegion() : mRegion(new pixman_region32_t)
{
    pixman_region32_init_rect(mRegion, 0, 0, 1, 1);
}

RasterContext::RasterRegion::RasterRegion(const RasterRegion& other)
    : mRegion(new pixman_region32_t)
{
    pixman_region32_init(mRegion);
    pixman_region32_copy(mRegion, other.mRegion);
}

RasterContext::RasterRegion::~RasterRegion()
{
    pixman_region32_fini(mRegion);
    delete mRegion;
}

void RasterContext::RasterRegion::Reset()
{
    SetRect({0, 0, 1, 1});
}

void RasterContext::RasterRegion::SetRect(const Rect& rect)
{
    if (rect.IsEmpty())
    {
        pixman_region32_clear(mRegion);
        return;
    }
    const pixman_box32_t box{rect.left, rect.top, rect.right, rect.bottom};
    pixman_region32_reset(mRegion, &box);
}

void RasterContext::RasterRegion::Union(const Region& other)
{
    if (const auto* region = dynamic_cast<const RasterRegion*>(&other))
        pixman_region32_union(mRegion, mRegion, region->mRegion);
}

void RasterContext::RasterRegion::Difference(const Region& other)
{
    if (const auto* region = dynamic_cast<const RasterRegion*>(&other))
        pixman_region32_subtract(mRegion, mRegion, region->mRegion);
}

void RasterContext::RasterRegion::Intersect(const Region& other)
{
    if (const auto* region = dynamic_cast<const RasterRegion*>(&other))
        pixman_region32_intersect(mRegion, mRegion, region->mRegion);
}

bool RasterContext::RasterRegion::IsEmpty() const
{
    return !pixman_region32_not_empty(mRegion);
}

bool RasterContext::RasterRegion::Contains(Point pixel) const
{
    return pixman_region32_contains_point(mRegion, pixel.x, pixel.y, nullptr);
}

std::vector<Rect> RasterContext::RasterRegion::GetRects() const
{
    int count = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(mRegion, &count);
    std::vector<Rect> rects;
    for (int i = 0; i < count; ++i)
        rects.push_back({boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
    return rects;
}

Rect RasterContext::RasterRegion::GetExtents() const
{
    if (IsEmpty())
        return {};
    const pixman_box32_t* box = pixman_region32_extents(mRegion);
    return {box->x1, box->y1, box->x2, box->y2};
}

// ---- RasterContext: state ----

RasterContext::RasterContext(PixelBuffer* buffer, std::intptr_t handle)
    : DrawContext(handle), mBuffer(buffer)
{
    UpdateClip();
}

RasterContext::~RasterContext() = default;

void RasterContext::SetBuffer(PixelBuffer* buffer)
{
    mBuffer = buffer;
    UpdateClip();
}

void RasterContext::BeginDrawing()
{
    ++mDrawingDepth;
}

void RasterContext::EndDrawing()
{
    if (mDrawingDepth > 0)
        --mDrawingDepth;
}

void RasterContext::SetForeColor(const CVLCanvas::ColorSpec& color)
{
    mFore = ToPixel(color);
}

void RasterContext::SetBackColor(const CVLCanvas::ColorSpec& color)
{
    mBack = ToPixel(color);
}

void RasterContext::ResetColors()
{
    mFore = 0x000000;
    mBack = 0xFFFFFF;
}

void RasterContext::SetTextFace(std::int32_t face, const CVLCanvas::ColorSpec& color)
{
    if (face == 0 || face == 1)
        mFace = face;
    SetForeColor(color);
}

GlyphCache::Metrics RasterContext::GetTextMetrics() const
{
    return GlyphCache::Shared().GetMetrics(mFace);
}

std::uint32_t RasterContext::DeviceValue(std::uint32_t rgb) const
{
    if (!mBuffer || !mBuffer->oneBit)
        return rgb;
    // The nearer of black and white.
    const std::uint32_t sum = ((rgb >> 16) & 0xFFu) + ((rgb >> 8) & 0xFFu) + (rgb & 0xFFu);
    return sum > 382 ? 1u : 0u;
}

// ---- clipping ----

Rect RasterContext::RectToDevice(const Rect& rect) const
{
    return {Saturate(DeviceX(rect.left)), Saturate(DeviceY(rect.top)),
            Saturate(DeviceX(rect.right)), Saturate(DeviceY(rect.bottom))};
}

std::unique_ptr<DrawContext::Region> RasterContext::CreateRegion() const
{
    return std::make_unique<RasterRegion>();
}

void RasterContext::SetClipRect(const Rect& rect)
{
    auto region = std::make_unique<RasterRegion>();
    region->SetRect(RectToDevice(rect));
    SetClipRegion(std::move(region));
}

void RasterContext::SetClipRegion(std::unique_ptr<Region> region)
{
    mClip.reset();
    if (auto* raster = dynamic_cast<RasterRegion*>(region.get()))
    {
        region.release();
        mClip.reset(raster);
    }
    UpdateClip();
}

void RasterContext::UpdateClip()
{
    mClipRects.clear();
    mClipExtents = {};
    if (!mBuffer || mBuffer->IsEmpty())
        return;
    const Rect whole{0, 0, mBuffer->width, mBuffer->height};
    if (!mClip)
    {
        mClipRects.push_back(whole);
        mClipExtents = whole;
        return;
    }
    RasterRegion inside(*mClip);
    RasterRegion bounds;
    bounds.SetRect(whole);
    inside.Intersect(bounds);
    mClipRects = inside.GetRects();
    mClipExtents = inside.GetExtents();
}

bool RasterContext::InClip(std::int64_t x, std::int64_t y) const
{
    if (x < mClipExtents.left || x >= mClipExtents.right || y < mClipExtents.top ||
        y >= mClipExtents.bottom)
        return false;
    for (const Rect& rect : mClipRects)
    {
        if (x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom)
            return true;
    }
    return false;
}

void RasterContext::Plot(std::int64_t x, std::int64_t y, std::uint32_t value)
{
    if (InClip(x, y))
        mBuffer->At(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)) = value;
}

void RasterContext::Fill(std::int64_t left, std::int64_t top, std::int64_t right,
                         std::int64_t bottom, std::uint32_t value)
{
    for (const Rect& rect : mClipRects)
    {
        const std::int64_t l = std::max<std::int64_t>(left, rect.left);
        const std::int64_t r = std::min<std::int64_t>(right, rect.right);
        const std::int64_t t = std::max<std::int64_t>(top, rect.top);
        const std::int64_t b = std::min<std::int64_t>(bottom, rect.bottom);
        if (l >= r || t >= b)
            continue;
        for (std::int64_t y = t; y < b; ++y)
        {
            std::uint32_t* row = mBuffer->Row(static_cast<std::int32_t>(y));
            std::fill(row + l, row + r, value);
        }
    }
}

// ---- lines, rectangles, ovals ----

void RasterContext::MoveTo(Point point)
{
    mPenX = DeviceX(point.x);
    mPenY = DeviceY(point.y);
}

void RasterContext::LineTo(Point point)
{
    const std::int64_t x = DeviceX(point.x);
    const std::int64_t y = DeviceY(point.y);
    DrawLine(mPenX, mPenY, x, y);
    mPenX = x;
    mPenY = y;
}

void RasterContext::Polyline(const std::int32_t* xs, const std::int32_t* ys, std::int32_t count)
{
    if (!xs || !ys || count <= 0)
        return;
    MoveTo({xs[0], ys[0]});
    for (std::int32_t i = 1; i < count; ++i)
        LineTo({xs[i], ys[i]});
}

void RasterContext::DrawLine(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1)
{
    if (mClipRects.empty())
        return;
    const std::uint32_t value = DeviceValue(mFore);
    const std::int64_t adx = x1 >= x0 ? x1 - x0 : x0 - x1;
    const std::int64_t ady = y1 >= y0 ? y1 - y0 : y0 - y1;
    const bool wide = adx >= ady;
    // Walk along the major axis (u) from the lesser end; v is the minor axis.
    std::int64_t u0 = wide ? x0 : y0, v0 = wide ? y0 : x0, u1 = wide ? x1 : y1, v1 = wide ? y1 : x1;
    if (u1 < u0)
    {
        std::swap(u0, u1);
        std::swap(v0, v1);
    }
    const std::int64_t du = u1 - u0;
    const std::int64_t dv = v1 - v0;
    if (du == 0)
    {
        Plot(x0, y0, value);
        return;
    }
    // Only the steps inside the clip's extent along u can light a pixel.
    const std::int64_t clipFirst = wide ? mClipExtents.left : mClipExtents.top;
    const std::int64_t clipEnd = wide ? mClipExtents.right : mClipExtents.bottom;
    const std::int64_t first = std::max(u0, clipFirst);
    const std::int64_t last = std::min(u1, clipEnd - 1);
    if (first > last)
        return;
    // v(u) = v0 + ceil((2 (u - u0) dv - du) / (2 du)): the nearest pixel,
    // the lesser one at a tie. remainder = step * 2du - numerator, in [0, 2du).
    const std::int64_t twoDu = 2 * du;
    const std::int64_t twoDv = 2 * dv;
    const Wide numerator = static_cast<Wide>(first - u0) * twoDv - du;
    std::int64_t step = CeilDiv(numerator, twoDu);
    std::int64_t remainder = static_cast<std::int64_t>(static_cast<Wide>(step) * twoDu - numerator);
    for (std::int64_t u = first; u <= last; ++u)
    {
        const std::int64_t v = v0 + step;
        if (wide)
            Plot(u, v, value);
        else
            Plot(v, u, value);
        remainder -= twoDv;
        if (remainder < 0)
        {
            ++step;
            remainder += twoDu;
        }
        else if (remainder >= twoDu)
        {
            --step;
            remainder -= twoDu;
        }
    }
}

void RasterContext::PaintRect(const Rect& rect)
{
    if (rect.IsEmpty())
        return;
    Fill(DeviceX(rect.left), DeviceY(rect.top), DeviceX(rect.right), DeviceY(rect.bottom),
         DeviceValue(mFore));
}

void RasterContext::FrameRect(const Rect& rect)
{
    if (rect.IsEmpty())
        return;
    const std::int64_t l = DeviceX(rect.left), t = DeviceY(rect.top), r = DeviceX(rect.right),
                       b = DeviceY(rect.bottom);
    const std::uint32_t value = DeviceValue(mFore);
    Fill(l, t, r, t + 1, value);
    Fill(l, b - 1, r, b, value);
    Fill(l, t, l + 1, b, value);
    Fill(r - 1, t, r, b, value);
}

void RasterContext::PaintOval(const Rect& rect)
{
    DrawOval(rect, false);
}

void RasterContext::FrameOval(const Rect& rect)
{
    DrawOval(rect, true);
}

void RasterContext::DrawOval(const Rect& rect, bool frame)
{
    if (rect.IsEmpty() || mClipRects.empty())
        return;
    const std::uint32_t value = DeviceValue(mFore);
    const std::int64_t left = DeviceX(rect.left), top = DeviceY(rect.top);
    const std::int64_t w = static_cast<std::int64_t>(rect.right) - rect.left;
    const std::int64_t h = static_cast<std::int64_t>(rect.bottom) - rect.top;
    const std::int64_t first = std::max<std::int64_t>(top, mClipExtents.top);
    const std::int64_t end = std::min<std::int64_t>(top + h, mClipExtents.bottom);
    for (std::int64_t y = first; y < end; ++y)
    {
        const Span row = OvalRow(left, top, w, h, y);
        if (!frame || y == top || y == top + h - 1)
        {
            Fill(row.first, y, row.last + 1, y + 1, value);
            continue;
        }
        // Inside: every side neighbour is in the oval too.
        const Span above = OvalRow(left, top, w, h, y - 1);
        const Span below = OvalRow(left, top, w, h, y + 1);
        const std::int64_t insideFirst = std::max({row.first + 1, above.first, below.first});
        const std::int64_t insideLast = std::min({row.last - 1, above.last, below.last});
        if (insideFirst > insideLast)
        {
            Fill(row.first, y, row.last + 1, y + 1, value);
            continue;
        }
        Fill(row.first, y, insideFirst, y + 1, value);
        Fill(insideLast + 1, y, row.last + 1, y + 1, value);
    }
}

// ---- text ----

std::int64_t RasterContext::DrawText(std::int64_t x, std::int64_t baseline, std::string_view text)
{
    GlyphCache::Shared().Lookup(mFace, text, mGlyphs);
    if (mClipRects.empty())
        return x;
    const std::uint32_t color = DeviceValue(mFore);
    const bool oneBit = mBuffer->oneBit;
    for (const GlyphCache::Glyph* glyph : mGlyphs)
    {
        const std::int64_t glyphLeft = x + glyph->left;
        const std::int64_t glyphTop = baseline - glyph->top;
        x += glyph->advance;
        if (glyph->width == 0 || glyphLeft >= mClipExtents.right ||
            glyphLeft + glyph->width <= mClipExtents.left || glyphTop >= mClipExtents.bottom ||
            glyphTop + glyph->height <= mClipExtents.top)
            continue;
        for (const Rect& rect : mClipRects)
        {
            const std::int64_t l = std::max<std::int64_t>(glyphLeft, rect.left);
            const std::int64_t r = std::min<std::int64_t>(glyphLeft + glyph->width, rect.right);
            const std::int64_t t = std::max<std::int64_t>(glyphTop, rect.top);
            const std::int64_t b = std::min<std::int64_t>(glyphTop + glyph->height, rect.bottom);
            for (std::int64_t py = t; py < b; ++py)
            {
                std::uint32_t* row = mBuffer->Row(static_cast<std::int32_t>(py));
                const std::uint8_t* coverage =
                    glyph->coverage.data() + static_cast<std::size_t>(py - glyphTop) *
                                                 static_cast<std::size_t>(glyph->width);
                for (std::int64_t px = l; px < r; ++px)
                {
                    const std::uint32_t alpha = coverage[px - glyphLeft];
                    if (alpha == 0)
                        continue;
                    std::uint32_t& pixel = row[px];
                    if (oneBit)
                    {
                        if (alpha >= 128)
                            pixel = color;
                    }
                    else
                    {
                        pixel = alpha == 255 ? color : Blend(color, pixel, alpha);
                    }
                }
            }
        }
    }
    return x;
}

void RasterContext::DrawString(std::string_view text)
{
    DrawText(mPenX - 1, mPenY, text);
}

void RasterContext::DrawTextInRect(std::string_view text, const Rect& rect)
{
    // The text box draws with the context's baseline alignment: each line
    // has its baseline where the box's line would have its top, which the
    // frames' rectangles were laid out for together with this shift.
    const std::int64_t left = DeviceX(rect.left) - 5;
    const std::int32_t width = Saturate(static_cast<std::int64_t>(rect.right) - rect.left);
    GlyphCache& glyphs = GlyphCache::Shared();
    const std::int32_t face = mFace;
    const auto measure = [&glyphs, face](std::string_view piece)
    { return glyphs.Measure(face, piece); };
    const std::int64_t lineHeight = glyphs.GetMetrics(face).lineHeight;
    std::int64_t baseline = DeviceY(rect.top) + 12;
    for (const TextLine& line : WrapText(text, width, measure))
    {
        const std::int64_t end = DrawText(left, baseline, line.text);
        if (line.ellipsis)
            DrawText(end, baseline, kEllipsis);
        baseline += lineHeight;
    }
}

std::int32_t RasterContext::TextWidth(std::string_view text)
{
    return GlyphCache::Shared().Measure(mFace, text);
}

// ---- copies and pixels ----

void RasterContext::Blit(const PixelBuffer& source, std::int64_t sourceX, std::int64_t sourceY,
                         std::int64_t width, std::int64_t height, std::int64_t x, std::int64_t y,
                         RasterOp op)
{
    if (mClipRects.empty() || width <= 0 || height <= 0)
        return;
    // Only the part of the source rectangle inside the source buffer.
    if (sourceX < 0)
    {
        x -= sourceX;
        width += sourceX;
        sourceX = 0;
    }
    if (sourceY < 0)
    {
        y -= sourceY;
        height += sourceY;
        sourceY = 0;
    }
    width = std::min<std::int64_t>(width, source.width - sourceX);
    height = std::min<std::int64_t>(height, source.height - sourceY);
    if (width <= 0 || height <= 0)
        return;

    // A copy within one buffer reads the source as it was before the copy.
    const PixelBuffer* from = &source;
    PixelBuffer before;
    if (&source == mBuffer)
    {
        if (!before.Allocate(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height),
                             source.oneBit))
            return;
        for (std::int32_t row = 0; row < before.height; ++row)
            std::copy_n(source.Row(static_cast<std::int32_t>(sourceY + row)) + sourceX,
                        before.width, before.Row(row));
        from = &before;
        sourceX = 0;
        sourceY = 0;
    }

    const bool convertFromOneBit = from->oneBit && !mBuffer->oneBit;
    const bool convertToOneBit = !from->oneBit && mBuffer->oneBit;
    const std::uint32_t back = mBack;
    const std::uint32_t fore = mFore;
    for (const Rect& rect : mClipRects)
    {
        const std::int64_t l = std::max<std::int64_t>(x, rect.left);
        const std::int64_t r = std::min<std::int64_t>(x + width, rect.right);
        const std::int64_t t = std::max<std::int64_t>(y, rect.top);
        const std::int64_t b = std::min<std::int64_t>(y + height, rect.bottom);
        for (std::int64_t py = t; py < b; ++py)
        {
            std::uint32_t* target = mBuffer->Row(static_cast<std::int32_t>(py));
            const std::uint32_t* read = from->Row(static_cast<std::int32_t>(sourceY + (py - y)));
            if (op == RasterOp::Copy && !convertFromOneBit && !convertToOneBit)
            {
                if (l < r)
                    std::copy_n(read + (sourceX + (l - x)), r - l, target + l);
                continue;
            }
            for (std::int64_t px = l; px < r; ++px)
            {
                std::uint32_t value = read[sourceX + (px - x)];
                if (convertFromOneBit)
                    value = value ? back : fore;
                else if (convertToOneBit)
                    value = value == back ? 1u : 0u;
                switch (op)
                {
                case RasterOp::Copy:
                    target[px] = value;
                    break;
                case RasterOp::Xor:
                    target[px] ^= value;
                    break;
                case RasterOp::And:
                    target[px] &= value;
                    break;
                }
            }
        }
    }
}

void RasterContext::CopyBits(DrawContext& source, const Rect& sourceRect, Point destination,
                             bool resetColors)
{
    if (resetColors)
        ResetColors();
    const auto* raster = dynamic_cast<const RasterContext*>(&source);
    if (!raster || !raster->mBuffer || !mBuffer)
        return;
    Blit(*raster->mBuffer, raster->DeviceX(sourceRect.left), raster->DeviceY(sourceRect.top),
         static_cast<std::int64_t>(sourceRect.right) - sourceRect.left,
         static_cast<std::int64_t>(sourceRect.bottom) - sourceRect.top, DeviceX(destination.x),
         DeviceY(destination.y), RasterOp::Copy);
}

void RasterContext::CopyMasked(DrawContext& source, const Rect& sourceRect, DrawContext& mask,
                               Point maskPoint, Point destination)
{
    const auto* raster = dynamic_cast<const RasterContext*>(&source);
    const auto* maskRaster = dynamic_cast<const RasterContext*>(&mask);
    if (!raster || !raster->mBuffer || !maskRaster || !maskRaster->mBuffer || !mBuffer)
        return;
    const std::int64_t width = static_cast<std::int64_t>(sourceRect.right) - sourceRect.left;
    const std::int64_t height = static_cast<std::int64_t>(sourceRect.bottom) - sourceRect.top;
    const std::int64_t x = DeviceX(destination.x);
    const std::int64_t y = DeviceY(destination.y);
    const std::int64_t sourceX = raster->DeviceX(sourceRect.left);
    const std::int64_t sourceY = raster->DeviceY(sourceRect.top);
    // XOR the source in, AND with the mask (black clears), XOR the source
    // again: where the mask was white the destination comes back unchanged,
    // where it was black the source is left.
    Blit(*raster->mBuffer, sourceX, sourceY, width, height, x, y, RasterOp::Xor);
    Blit(*maskRaster->mBuffer, maskRaster->DeviceX(maskPoint.x), maskRaster->DeviceY(maskPoint.y),
         width, height, x, y, RasterOp::And);
    Blit(*raster->mBuffer, sourceX, sourceY, width, height, x, y, RasterOp::Xor);
}

void RasterContext::DrawPicture(std::int32_t resourceId, const Rect& rect)
{
    const std::shared_ptr<const PixelBuffer> picture = FindPicture(resourceId);
    if (!picture || !mBuffer)
        return;
    Blit(*picture, 0, 0, static_cast<std::int64_t>(rect.right) - rect.left,
         static_cast<std::int64_t>(rect.bottom) - rect.top, DeviceX(rect.left), DeviceY(rect.top),
         RasterOp::Copy);
}

void RasterContext::GetPixel(Point point, CVLCanvas::ColorSpec& color)
{
    const std::int64_t x = DeviceX(point.x);
    const std::int64_t y = DeviceY(point.y);
    if (!InClip(x, y))
    {
        color = {255, 255, 255};
        return;
    }
    const std::uint32_t pixel =
        mBuffer->At(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y));
    color = FromPixel(mBuffer->oneBit ? (pixel ? 0xFFFFFFu : 0u) : pixel);
}
