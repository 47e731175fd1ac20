#pragma once
// The two scales of the spectrum plot, shared by its three views: frequency
// along x (linear or logarithmic, over 10 Hz ... S/2 or over the zoom range)
// and level along y (0 dB at the top, a span chosen per view).
//
// Frequencies are normalised (fractions of the sample rate S), as the analysis
// frames count them: bin i of an FFT of size n sits at i / n. Pixel positions
// are truncated toward zero, so a bin a little left of the view still lands on
// column 0, and only bins a whole pixel or more to the left come out negative.
//
// Threads: UI thread (plain values).

#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

class QVXSpecPlotFreqScale
{
public:
    // The lowest frequency shown without zoom.
    static constexpr double kLowestHz = 10.0;

    struct Settings
    {
        double sampleRate = 44100.0;
        std::int32_t fftSize = 2048;
        std::int32_t width = 0;
        bool logScale = true;
        bool zoom = false;
        double zoomMinHz = 200.0;
        double zoomMaxHz = 5000.0;
    };

    struct GridLine
    {
        std::int32_t x = 0;
        std::string_view label; // empty for the sentinel
    };

    void Build(const Settings& settings);

    // x of a normalised frequency over the current range, unrounded and truncated.
    double MapExact(double f) const noexcept { return MapOver(f, mLow, mHigh); }
    std::int32_t Map(double f) const noexcept { return Truncate(MapExact(f)); }
    // The mapping over the whole band, whatever the zoom (the zoom strip's).
    std::int32_t MapUnzoomed(double f) const noexcept { return Truncate(MapOver(f, mMin, mMax)); }
    // The normalised frequency at x (inverse of MapExact).
    double Inverse(double x) const noexcept { return InverseOver(x, mLow, mHigh); }
    double InverseUnzoomed(double x) const noexcept { return InverseOver(x, mMin, mMax); }

    // The current range [a, b] (normalised): the zoom range when zoomed.
    double GetLow() const noexcept { return mLow; }
    double GetHigh() const noexcept { return mHigh; }
    bool IsZoomed() const noexcept { return mZoom; }
    bool IsLogScale() const noexcept { return mLog; }
    double GetSampleRate() const noexcept { return mSampleRate; }
    std::int32_t GetWidth() const noexcept { return mWidth; }
    std::int32_t GetFftSize() const noexcept { return mFftSize; }

    // x of every bin 0 ... n/2 - 1 of the configured FFT size.
    const std::vector<std::int32_t>& GetBinX() const noexcept { return mBinX; }
    // x of bin 0 ... bins - 1 of a curve of another FFT size and sample rate.
    void BuildBinX(std::int32_t fftSize, double sampleRate, std::int32_t bins,
                   std::vector<std::int32_t>& x) const;

    // Grid lines of the current scale, ending with the sentinel width + 1.
    const std::vector<GridLine>& GetGrid() const noexcept { return mLog ? mLogGrid : mLinearGrid; }
    const std::vector<GridLine>& GetLinearGrid() const noexcept { return mLinearGrid; }
    const std::vector<GridLine>& GetLogGrid() const noexcept { return mLogGrid; }

    // Grid frequencies (Hz) and labels of both scales.
    static const std::vector<std::pair<double, std::string_view>>& LinearGridFrequencies();
    static const std::vector<std::pair<double, std::string_view>>& LogGridFrequencies();

private:
    double MapOver(double f, double a, double b) const noexcept;
    double InverseOver(double x, double a, double b) const noexcept;
    static std::int32_t Truncate(double x) noexcept;
    void BuildGrid(const std::vector<std::pair<double, std::string_view>>& lines,
                   std::vector<GridLine>& grid) const;

    double mSampleRate = 44100.0;
    std::int32_t mFftSize = 0;
    std::int32_t mWidth = 0;
    bool mLog = true;
    bool mZoom = false;
    // fMin, fMax, zMin, zMax and the range in use, normalised.
    double mMin = 0.0;
    double mMax = 0.5;
    double mZoomMin = 0.0;
    double mZoomMax = 0.5;
    double mLow = 0.0;
    double mHigh = 0.5;
    std::vector<std::int32_t> mBinX;
    std::vector<GridLine> mLinearGrid;
    std::vector<GridLine> mLogGrid;
};

class QVXSpecPlotLevelScale
{
public:
    // Span by the level-range selection 0, 1, 2; any other selection draws
    // a fixed number of pixels per dB instead.
    static constexpr double kSpanDb[3] = {60.0, 100.0, 140.0};
    static constexpr double kOtherPixelsPerDb = 2.0;

    void Build(std::int32_t selection, std::int32_t pixelHeight);

    // Row of a level; a little under a whole dB still counts as the dB above,
    // so the 0, -10, ... lines land on the rows their labels name.
    std::int32_t ToY(double level) const noexcept;
    double ToLevel(double y) const noexcept { return mTop - y / mPixelsPerDb; }

    double GetTop() const noexcept { return mTop; }
    double GetBottom() const noexcept { return mBottom; }
    double GetPixelsPerDb() const noexcept { return mPixelsPerDb; }

private:
    double mTop = 0.0;
    double mBottom = -100.0;
    double mPixelsPerDb = 2.0;
};
