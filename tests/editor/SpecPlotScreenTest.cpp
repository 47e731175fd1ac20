// What the FFT view puts on screen: a full-scale sine through the real
// plug-in peaks at the row of -6.02 dB and the column of its frequency, on
// both frequency scales, zoomed and not; the level grid is labelled down to
// the right level; the mouse readout says where it points.

#include "SpecPlotTestSupport.h"

#include <cstdio>
#include <string>
#include <tuple>

namespace
{
using namespace SpecPlotTest;

// Log scale or linear, zoomed or whole, and a bin of a 2048-point FFT at 48 kHz.
class SpecPlotScreen : public PlotFixture,
                       public ::testing::WithParamInterface<std::tuple<bool, bool, int>>
{
};

TEST_P(SpecPlotScreen, AFullScaleSineAtABinCentrePeaksAtMinus6dBAndItsFrequency)
{
    const auto [logScale, zoom, bin] = GetParam();
    QVXSpecConfig& config = Config();
    config.SetLogScale(logScale);
    config.SetFreqZoom(zoom);
    config.SetFreqZoomRange(200.0f, 5000.0f);
    config.SetShowAverage(false);
    config.SetPeakHold(false);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Open();
    const int n = config.GetFftSize();
    ASSERT_EQ(n, 2048);

    // The mix of two equal channels (the default channel mode) is the sine itself.
    for (int refresh = 0; refresh < 8; ++refresh)
    {
        Feed(2448, Tone(bin, n));
        TimerTicks(3);
    }
    mEditor->Paint();

    const double a = zoom ? 200.0 / mRate : 10.0 / mRate;
    const double b = zoom ? 5000.0 / mRate : 0.5;
    const int x = ExpectedX(static_cast<double>(bin) / n, a, b, kPlotWidth, mRate, logScale);
    // Level range selection 1 (100 dB) on 200 pixels: 2 pixels per dB.
    const int y = ExpectedY(20.0 * std::log10(0.5), 200.0 / 100.0);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, kPlotWidth);
    EXPECT_EQ(y, 12);

    // The curve is there, and nothing of it is higher anywhere on the plot.
    const CVLCanvas::ColorSpec live = Shown(config.GetColor(0, QVXSpecPlotFrame::clrLR));
    EXPECT_EQ(Pixel(x, y), live);
    std::pair top{kPlotHeight, -1}; // row, column
    for (int column = 0; column < kPlotWidth; ++column)
        if (const std::vector<int> rows = RowsOf(column, live); !rows.empty())
            top = std::min(top, std::pair{rows.front(), column});
    EXPECT_EQ(top, std::pair(y, x));
}

INSTANTIATE_TEST_SUITE_P(
    Scales, SpecPlotScreen,
    ::testing::Values(std::tuple(false, false, 400), std::tuple(false, false, 43),
                      std::tuple(true, false, 43), std::tuple(true, false, 700),
                      std::tuple(false, true, 43), std::tuple(true, true, 150)),
    [](const auto& info)
    {
        return std::string(std::get<0>(info.param) ? "Log" : "Linear") +
               (std::get<1>(info.param) ? "Zoomed" : "Whole") + "Bin" +
               std::to_string(std::get<2>(info.param));
    });

using SpecPlotGrid = PlotFixture;

TEST_F(SpecPlotGrid, SixtyDecibelsOnTwoHundredPixelsAreLabelledDownToFiftyOnly)
{
    QVXSpecConfig& config = Config();
    config.SetAmpScale(0);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowFreqLabels, false);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Open();
    // Whether anything but the background lies in rows [top, bottom) of
    // columns [left, right). Text is smoothed: its pixels blend into the background.
    const auto Shows = [this](int left, int right, int top, int bottom)
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (Pixel(x, y) != Shown(Config().GetColor(0, QVXSpecPlotFrame::clrBG)))
                    return true;
        return false;
    };
    const double pixelsPerDb = 200.0 / 60.0;
    // Each label sits on its line's row (baseline one row above it), at both edges.
    for (int level = -10; level >= -50; level -= 10)
    {
        const int y = ExpectedY(level, pixelsPerDb);
        EXPECT_TRUE(Shows(2, 16, y - 9, y)) << level << " dB, left";
        EXPECT_TRUE(Shows(kPlotWidth - 16, kPlotWidth - 1, y - 9, y)) << level << " dB, right";
    }
    const int y60 = ExpectedY(-60, pixelsPerDb);
    EXPECT_EQ(y60, 199) << "the -60 dB line is the plot's last row";
    EXPECT_FALSE(Shows(0, kPlotWidth, ExpectedY(-50, pixelsPerDb) + 1, kPlotHeight))
        << "no label for -60";

    // With the grid on, the -60 dB line is there all the same.
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, true);
    mEditor->Paint();
    const CVLCanvas::ColorSpec grid = Shown(config.GetColor(0, QVXSpecPlotFrame::clrGrid));
    EXPECT_EQ(Pixel(250, y60), grid);
    EXPECT_EQ(Pixel(250, ExpectedY(-30, pixelsPerDb)), grid);
}

TEST_F(SpecPlotGrid, TheMouseReadoutGivesTheLevelAndFrequencyUnderThePointer)
{
    Config().SetLogScale(true);
    // Only the readout in the compared area.
    Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Config().SetDisplaySwitch(QVXSpecPlotFrame::kShowLevelLabels, false);
    Open();
    const Point local{240, 70};
    mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + local.x, kPlotOrigin.y + local.y});
    TimerTicks(3); // the hover is tracked on the tick, the refresh redraws
    mEditor->Paint();

    // Level top - y / (pixels per dB), frequency the inverse of the log mapping.
    const double la = std::log10(10.0 / mRate * mRate), lb = std::log10(0.5 * mRate);
    char text[64];
    std::snprintf(text, sizeof text, "%.1f dB   %.0f Hz", 0.0 - local.y / 2.0,
                  std::pow(10.0, (lb - la) * local.x / kPlotWidth + la));
    EXPECT_EQ(DifferencesFromText(text, 24, false), 0) << text;
}

} // namespace
