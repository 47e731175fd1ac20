#include "editor/QVXSpecPlotScales.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace
{
// Far outside any plot, yet safe to turn into a 32-bit pixel position.
constexpr double kPixelLimit = 1.0e9;
} // namespace

const std::vector<std::pair<double, std::string_view>>&
QVXSpecPlotFreqScale::LinearGridFrequencies()
{
    // Every kilohertz up to 95 kHz, the highest band edge of a 192 kHz stream.
    static const std::vector<std::string> labels = []
    {
        std::vector<std::string> result;
        for (int k = 1; k <= 95; ++k)
            result.push_back(std::to_string(k) + "k");
        return result;
    }();
    static const std::vector<std::pair<double, std::string_view>> lines = []
    {
        std::vector<std::pair<double, std::string_view>> result;
        for (std::size_t k = 0; k < labels.size(); ++k)
            result.emplace_back(1000.0 * static_cast<double>(k + 1), labels[k]);
        return result;
    }();
    return lines;
}

const std::vector<std::pair<double, std::string_view>>& QVXSpecPlotFreqScale::LogGridFrequencies()
{
    // Octaves of 1 kHz; the labels are the rounded names musicians use.
    static const std::vector<std::pair<double, std::string_view>> lines = {
        {15.625, "15"},   {31.25, "31"},    {62.5, "63"},     {125.0, "125"}, {250.0, "250"},
        {500.0, "500"},   {1000.0, "1k"},   {2000.0, "2k"},   {4000.0, "4k"}, {8000.0, "8k"},
        {16000.0, "16k"}, {32000.0, "32k"}, {64000.0, "64k"},
    };
    return lines;
}

void QVXSpecPlotFreqScale::Build(const Settings& settings)
{
    mSampleRate = settings.sampleRate > 0.0 ? settings.sampleRate : 44100.0;
    mFftSize = std::max<std::int32_t>(settings.fftSize, 0);
    mWidth = std::max<std::int32_t>(settings.width, 0);
    mLog = settings.logScale;
    mZoom = settings.zoom;
    mMin = kLowestHz / mSampleRate;
    mMax = 0.5;
    mZoomMin = settings.zoomMinHz / mSampleRate;
    mZoomMax = settings.zoomMaxHz / mSampleRate;
    mLow = mZoom ? mZoomMin : mMin;
    mHigh = mZoom ? mZoomMax : mMax;

    mBinX.resize(static_cast<std::size_t>(mFftSize / 2));
    for (std::size_t i = 0; i < mBinX.size(); ++i)
        mBinX[i] = Map(static_cast<double>(i) / mFftSize);
    BuildGrid(LinearGridFrequencies(), mLinearGrid);
    BuildGrid(LogGridFrequencies(), mLogGrid);
}

void QVXSpecPlotFreqScale::BuildBinX(std::int32_t fftSize, double sampleRate, std::int32_t bins,
                                     std::vector<std::int32_t>& x) const
{
    x.resize(static_cast<std::size_t>(std::max<std::int32_t>(bins, 0)));
    if (fftSize <= 0 || sampleRate <= 0.0)
    {
        std::fill(x.begin(), x.end(), 0);
        return;
    }
    // Bin i of that curve lies at i * s / m hertz, normalised by our own rate.
    const double step = sampleRate / (static_cast<double>(fftSize) * mSampleRate);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] = Map(static_cast<double>(i) * step);
}

void QVXSpecPlotFreqScale::BuildGrid(const std::vector<std::pair<double, std::string_view>>& lines,
                                     std::vector<GridLine>& grid) const
{
    grid.clear();
    grid.reserve(lines.size() + 1);
    for (const auto& [hz, label] : lines)
        grid.push_back({Map(hz / mSampleRate), label});
    grid.push_back({mWidth + 1, {}});
}

double QVXSpecPlotFreqScale::MapOver(double f, double a, double b) const noexcept
{
    const double width = mWidth;
    if (!mLog)
    {
        const double span = b - a;
        return span != 0.0 ? (f - a) / span * width : 0.0;
    }
    // Frequencies below 1 Hz (bin 0 above all) count as 1 Hz: no logarithm of 0.
    const double la = std::log10(a * mSampleRate);
    const double lb = std::log10(b * mSampleRate);
    const double span = lb - la;
    if (span == 0.0 || !std::isfinite(span) || !std::isfinite(la))
        return 0.0;
    return (std::log10(std::max(f * mSampleRate, 1.0)) - la) / span * width;
}

double QVXSpecPlotFreqScale::InverseOver(double x, double a, double b) const noexcept
{
    const double width = mWidth > 0 ? mWidth : 1.0;
    if (!mLog)
        return (b - a) * x / width + a;
    const double la = std::log10(a * mSampleRate);
    const double lb = std::log10(b * mSampleRate);
    return std::pow(10.0, (lb - la) * x / width + la) / mSampleRate;
}

std::int32_t QVXSpecPlotFreqScale::Truncate(double x) noexcept
{
    if (!(x == x))
        return 0;
    return static_cast<std::int32_t>(std::clamp(x, -kPixelLimit, kPixelLimit));
}

void QVXSpecPlotLevelScale::Build(std::int32_t selection, std::int32_t pixelHeight)
{
    const double height = std::max<std::int32_t>(pixelHeight, 1);
    mTop = 0.0;
    if (selection >= 0 && selection < 3)
        mPixelsPerDb = height / kSpanDb[selection];
    else
        mPixelsPerDb = kOtherPixelsPerDb;
    mBottom = -height / mPixelsPerDb;
}

std::int32_t QVXSpecPlotLevelScale::ToY(double level) const noexcept
{
    const double y = (mTop - level - 0.005) * mPixelsPerDb;
    if (!(y == y))
        return 0;
    return static_cast<std::int32_t>(std::clamp(y, -kPixelLimit, kPixelLimit));
}
