#pragma once
// The spectrogram view of the spectrum plot: one scrolling image per channel
// slot, frequency along x on the plot's frequency scale, time upward, the
// newest analysis frame on the bottom row. Each pixel is an entry of a
// 200-colour table chosen per channel from the 16 colour maps of the
// colour-map picture (map k is its pixel column 2k, rows 0 ... 199, row 0 the
// loudest).
//
// Levels: bin power p reads 10 log10(p) - 20 log10(n / 2) + gain, raised to
// the floor when below it (6.02 dB above the FFT curves, which normalise by
// n); colour index trunc(-2 L) clamped to 0 ... 199, so 0 dB is index 0 and
// -99.5 dB and below index 199.
//
// Rows are written straight into the images' pixels, one 32-bit word per
// column: a refresh may add several rows of 8192-point frames, and a line
// drawn per column would cost more than the whole row's arithmetic.
//
// Threads: UI thread.

#include "editor/QVXColorMaps.h"
#include "gui/OGWorld.h"
#include "resources/ResourceTable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

class DrawContext;
struct PixelBuffer;

class QVXSpecPlotSpectrogram
{
public:
    static constexpr std::int32_t kColorCount = kColorMapRowCount;
    // A column no bin has reached yet.
    static constexpr std::uint8_t kNoValue = 200;
    static constexpr std::int32_t kColorMapCount = ::kColorMapCount;
    static constexpr std::int32_t kColorMapPicture = Resources::kColorMapPicture;
    // Pixel values (0x00RRGGBB) of one colour map.
    using ColorTable = std::array<std::uint32_t, kColorCount>;
    using ImageFactory =
        std::function<std::unique_ptr<OGWorld>(std::int32_t width, std::int32_t height)>;

    // One analysis frame: its FFT size and the packed real FFT of each
    // channel slot (empty: the channel is missing and reads as silence).
    struct Result
    {
        std::int32_t fftSize = 0;
        std::array<std::span<const float>, 2> channels;
    };

    struct RowSettings
    {
        std::int32_t fftSize = 0;    // the configured size; other results are skipped
        std::array<bool, 2> drawn{}; // channel slots shown
        const std::vector<std::int32_t>* binX = nullptr; // x of each bin
        float gain = 0.0f;
        float floor = -100.0f;
    };

    static std::int32_t ColorIndex(float level) noexcept;
    // Rows used of each image: two images share the plot in channel mode 2.
    static std::int32_t ImageHeightFor(std::int32_t plotHeight, bool bothChannels) noexcept;

    // New images for the plot (every pixel black), made by `make` when there
    // are none or their size changed.
    void Rebuild(std::int32_t plotWidth, std::int32_t plotHeight, bool bothChannels,
                 const ImageFactory& make);
    // Every pixel of both images black.
    void Clear() noexcept;
    // Colour tables of channel slots 0 and 1 from maps (clamped 0 ... 15) of
    // the picture; black where the picture is missing or too small.
    void BuildColorTables(const PixelBuffer* picture, std::int32_t map0, std::int32_t map1);

    // Scrolls both images up by the number of results (at most the image
    // height) and writes the newest of them into the rows that come free,
    // the last one on the bottom row.
    void AddFrames(std::span<const Result> results, const RowSettings& settings);

    // The images of the drawn slots, copied to their places in the plot.
    void DrawImages(DrawContext& context, const std::array<bool, 2>& drawn) const;
    // A tick at each edge of each drawn image every half second back from
    // the newest row, at rowsPerSecond rows per second.
    void DrawTimeTicks(DrawContext& context, const std::array<bool, 2>& drawn,
                       double rowsPerSecond) const;
    // Top of the image of a channel slot in the plot.
    std::int32_t GetImageTop(std::int32_t slot, const std::array<bool, 2>& drawn) const noexcept;

    std::int32_t GetImageWidth() const noexcept { return mWidth; }
    std::int32_t GetImageHeight() const noexcept { return mImageHeight; }
    const OGWorld* GetImage(std::int32_t slot) const noexcept { return mImages[slot & 1].get(); }
    const ColorTable& GetColorTable(std::int32_t slot) const noexcept { return mTables[slot & 1]; }
    // The colour indices the last row computed for a slot (kNoValue where
    // no bin reached the column).
    const std::vector<std::uint8_t>& GetLastColumns() const noexcept { return mColumns; }

private:
    void ComputeColumns(std::span<const float> frame, std::int32_t fftSize,
                        const RowSettings& settings);

    std::int32_t mWidth = 0;
    std::int32_t mPlotHeight = 0;
    std::int32_t mImageHeight = 0;
    std::array<std::unique_ptr<OGWorld>, 2> mImages;
    std::vector<std::uint8_t> mColumns;
    std::array<ColorTable, 2> mTables{};
};
