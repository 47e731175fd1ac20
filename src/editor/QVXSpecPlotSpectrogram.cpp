#include "editor/QVXSpecPlotSpectrogram.h"

#include "gui/DrawContext.h"
#include "gui/PixelBuffer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace
{
constexpr CVLCanvas::ColorSpec kBlack{0, 0, 0};
constexpr CVLCanvas::ColorSpec kWhite{255, 255, 255};
// Length of a time tick, at each edge of the image.
constexpr std::int32_t kTickLength = 4;
// Rows the images lose to the strip of frequency labels under them.
constexpr std::int32_t kLabelStrip = 9;
} // namespace

std::int32_t QVXSpecPlotSpectrogram::ColorIndex(float level) noexcept
{
    return ColorIndexOfLevel(level);
}

std::int32_t QVXSpecPlotSpectrogram::ImageHeightFor(std::int32_t plotHeight,
                                                    bool bothChannels) noexcept
{
    // Two images one above the other, 2 pixels apart, over the label strip.
    const std::int32_t height = bothChannels ? (plotHeight - 7) / 2 - 2 : plotHeight - kLabelStrip;
    return std::max<std::int32_t>(height, 0);
}

void QVXSpecPlotSpectrogram::Rebuild(std::int32_t plotWidth, std::int32_t plotHeight,
                                     bool bothChannels, const ImageFactory& make)
{
    mWidth = std::max<std::int32_t>(plotWidth, 0);
    mPlotHeight = std::max<std::int32_t>(plotHeight, 0);
    mImageHeight = ImageHeightFor(mPlotHeight, bothChannels);
    // Each image can hold a whole plot of one channel, whatever the mode.
    const std::int32_t allocated = std::max<std::int32_t>(mPlotHeight - kLabelStrip, 0);
    for (auto& image : mImages)
    {
        if (!image || image->GetBounds().Width() != mWidth ||
            image->GetBounds().Height() != allocated)
            image = make(mWidth, allocated);
    }
    mColumns.assign(static_cast<std::size_t>(mWidth), kNoValue);
    Clear();
}

void QVXSpecPlotSpectrogram::Clear() noexcept
{
    for (auto& image : mImages)
    {
        if (PixelBuffer* pixels = image ? image->GetBuffer() : nullptr)
            std::fill(pixels->pixels.begin(), pixels->pixels.end(), 0u);
    }
}

void QVXSpecPlotSpectrogram::BuildColorTables(const PixelBuffer* picture, std::int32_t map0,
                                              std::int32_t map1)
{
    const std::int32_t maps[2] = {map0, map1};
    for (std::size_t slot = 0; slot < 2; ++slot)
    {
        ColorTable& table = mTables[slot];
        table.fill(0);
        const std::int32_t x = 2 * std::clamp<std::int32_t>(maps[slot], 0, kColorMapCount - 1);
        if (!picture || picture->IsEmpty() || x >= picture->width)
            continue;
        const std::int32_t rows = std::min<std::int32_t>(kColorCount, picture->height);
        for (std::int32_t i = 0; i < rows; ++i)
        {
            const std::uint32_t pixel = picture->At(x, i);
            table[static_cast<std::size_t>(i)] =
                picture->oneBit ? (pixel ? 0xFFFFFFu : 0u) : (pixel & 0xFFFFFFu);
        }
    }
}

void QVXSpecPlotSpectrogram::ComputeColumns(std::span<const float> frame, std::int32_t fftSize,
                                            const RowSettings& settings)
{
    std::fill(mColumns.begin(), mColumns.end(), kNoValue);
    const std::vector<std::int32_t>& binX = *settings.binX;
    const std::size_t bins =
        std::min<std::size_t>(binX.size(), static_cast<std::size_t>(fftSize / 2));
    const bool silent = frame.size() < 2 * bins;
    const float offset = settings.gain - 20.0f * std::log10(fftSize / 2.0f);
    const auto power = [&](std::size_t k)
    {
        if (silent)
            return 0.0f;
        const float re = frame[2 * k];
        const float im = k == 0 ? 0.0f : frame[2 * k + 1];
        return re * re + im * im;
    };
    const auto index = [&](float p)
    {
        const float level = (p == 0.0f ? -200.0f : 10.0f * std::log10(p)) + offset;
        return ColorIndex(std::max(level, settings.floor));
    };

    // Bins are walked a pixel column at a time: every bin of a column counts
    // (the louder wins), and the first bin of a column is the end point of the
    // interpolation from the previous column, as if each bin were taken alone.
    bool havePrevious = false;
    std::int32_t previousX = 0;
    std::int32_t previousIndex = 0;
    std::size_t k = 0;
    while (k < bins)
    {
        const std::int32_t x = binX[k];
        if (x >= mWidth)
            break;
        const float first = power(k);
        float loudest = first;
        float last = first;
        for (++k; k < bins && binX[k] == x; ++k)
        {
            last = power(k);
            loudest = std::max(loudest, last);
        }
        if (x < 0)
        {
            // Left of the view: only the last such bin matters, as the start
            // of the interpolation into column 0.
            havePrevious = true;
            previousX = x;
            previousIndex = index(last);
            continue;
        }
        if (havePrevious && x > previousX + 1)
        {
            const std::int32_t target = index(first);
            const std::int32_t span = x - previousX;
            // Between two indices the value is never negative, so the integer
            // division truncates as the interpolated value would be truncated.
            for (std::int32_t c = std::max(previousX + 1, 0); c < x; ++c)
                mColumns[static_cast<std::size_t>(c)] = static_cast<std::uint8_t>(
                    (previousIndex * (x - c) + target * (c - previousX)) / span);
        }
        std::uint8_t& column = mColumns[static_cast<std::size_t>(x)];
        column = static_cast<std::uint8_t>(std::min<std::int32_t>(column, index(loudest)));
        havePrevious = true;
        previousX = x;
        previousIndex = column;
    }
}

void QVXSpecPlotSpectrogram::AddFrames(std::span<const Result> results, const RowSettings& settings)
{
    if (mImageHeight <= 0 || mWidth <= 0 || !settings.binX || results.empty())
        return;
    const auto rows =
        static_cast<std::int32_t>(std::min<std::size_t>(results.size(), mImageHeight));
    // Only the newest rows fit; older results are dropped unseen.
    const std::span<const Result> shown =
        results.subspan(results.size() - static_cast<std::size_t>(rows));
    const auto width = static_cast<std::size_t>(mWidth);

    for (std::size_t slot = 0; slot < 2; ++slot)
    {
        PixelBuffer* pixels = mImages[slot] ? mImages[slot]->GetBuffer() : nullptr;
        if (!pixels || pixels->width != mWidth || pixels->height < mImageHeight)
            continue;
        mImages[slot]->BeginDrawing();
        if (rows < mImageHeight)
            std::memmove(pixels->Row(0), pixels->Row(rows),
                         width * static_cast<std::size_t>(mImageHeight - rows) *
                             sizeof(std::uint32_t));
        for (std::int32_t i = 0; i < rows; ++i)
        {
            const Result& result = shown[static_cast<std::size_t>(i)];
            std::uint32_t* row = pixels->Row(mImageHeight - rows + i);
            if (result.fftSize != settings.fftSize || !settings.drawn[slot])
            {
                // A frame of an older FFT size (or a slot not shown) leaves a
                // black row rather than the copy scrolling left behind.
                std::fill(row, row + width, 0u);
                continue;
            }
            ComputeColumns(result.channels[slot], result.fftSize, settings);
            const ColorTable& table = mTables[slot];
            for (std::size_t x = 0; x < width; ++x)
                row[x] = table[std::min<std::size_t>(mColumns[x], kColorCount - 1)];
        }
        mImages[slot]->EndDrawing();
    }
}

std::int32_t QVXSpecPlotSpectrogram::GetImageTop(std::int32_t slot,
                                                 const std::array<bool, 2>& drawn) const noexcept
{
    return slot == 1 && drawn[0] ? mImageHeight + 2 : 0;
}

void QVXSpecPlotSpectrogram::DrawImages(DrawContext& context,
                                        const std::array<bool, 2>& drawn) const
{
    for (std::size_t slot = 0; slot < 2; ++slot)
    {
        if (!drawn[slot] || !mImages[slot])
            continue;
        // The whole image, the newest row included.
        context.CopyBits(*mImages[slot], {0, 0, mWidth, mImageHeight},
                         {0, GetImageTop(static_cast<std::int32_t>(slot), drawn)}, false);
    }
}

void QVXSpecPlotSpectrogram::DrawTimeTicks(DrawContext& context, const std::array<bool, 2>& drawn,
                                           double rowsPerSecond) const
{
    if (!(rowsPerSecond > 0.0))
        return;
    for (std::size_t slot = 0; slot < 2; ++slot)
    {
        if (!drawn[slot] || !mImages[slot])
            continue;
        const std::int32_t top = GetImageTop(static_cast<std::int32_t>(slot), drawn);
        for (int half = 0;; ++half)
        {
            const double age = 0.5 * half * rowsPerSecond;
            if (age >= mImageHeight)
                break;
            const std::int32_t y = top + mImageHeight - 1 - static_cast<std::int32_t>(age);
            // Black on light maps, white on dark ones: one of them always shows.
            context.SetForeColor(kBlack);
            context.MoveTo({0, y});
            context.LineTo({kTickLength - 1, y});
            context.MoveTo({mWidth - kTickLength, y});
            context.LineTo({mWidth - 1, y});
            context.SetForeColor(kWhite);
            context.MoveTo({0, y + 1});
            context.LineTo({kTickLength - 1, y + 1});
            context.MoveTo({mWidth - kTickLength, y + 1});
            context.LineTo({mWidth - 1, y + 1});
        }
    }
}
