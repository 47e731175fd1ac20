// What the FFT view puts on screen: a full-scale sine through the real
// plug-in peaks at the row of -6.02 dB and the column of its frequency, on
// both frequency scales, zoomed and not; the level grid is labelled down to
// the right level; the mouse readout says where it points.

#include "SpecPlotTestSupport.h"

#include "gui/OGWorld.h"

#include <cstdio>
#include <string>

namespace
{
using namespace SpecPlotTest;

struct ScreenCase
{
    bool logScale;
    bool zoom;
    int bin; // of a 2048-point FFT at 48 kHz
};

class SpecPlotScreen : public PlotFixture, public ::testing::WithParamInterface<ScreenCase>
{
};

TEST_P(SpecPlotScreen, AFullScaleSineAtABinCentrePeaksAtMinus6dBAndItsFrequency)
{
    const ScreenCase c = GetParam();
    QVXSpecConfig& config = Config();
    config.SetLogScale(c.logScale);
    config.SetFreqZoom(c.zoom);
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
        Feed(2448, Tone(c.bin, n));
        TimerTicks(3);
    }
    mEditor->Paint();

    const double a = c.zoom ? 200.0 / mRate : 10.0 / mRate;
    const double b = c.zoom ? 5000.0 / mRate : 0.5;
    const int x = ExpectedX(static_cast<double>(c.bin) / n, a, b, kPlotWidth, mRate, c.logScale);
    // Level range selection 1 (100 dB) on 200 pixels: 2 pixels per dB.
    const int y = ExpectedY(20.0 * std::log10(0.5), 200.0 / 100.0);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, kPlotWidth);
    EXPECT_EQ(y, 12);

    const CVLCanvas::ColorSpec live = Shown(config.GetColor(0, QVXSpecPlotFrame::clrLR));
    EXPECT_EQ(Pixel(x, y), live);
    // Nothing of the curve is higher, anywhere on the plot.
    int top = kPlotHeight;
    int topColumn = -1;
    for (int column = 0; column < kPlotWidth; ++column)
    {
        const std::vector<int> rows = RowsOf(column, live);
        if (!rows.empty() && rows.front() < top)
        {
            top = rows.front();
            topColumn = column;
        }
    }
    EXPECT_EQ(top, y);
    EXPECT_EQ(topColumn, x);
}

INSTANTIATE_TEST_SUITE_P(
    Scales, SpecPlotScreen,
    ::testing::Values(ScreenCase{false, false, 400}, ScreenCase{false, false, 43},
                      ScreenCase{true, false, 43}, ScreenCase{true, false, 700},
                      ScreenCase{false, true, 43}, ScreenCase{true, true, 150}),
    [](const auto& info)
    {
        return std::string(info.param.logScale ? "Log" : "Linear") +
               (info.param.zoom ? "Zoomed" : "Whole") + "Bin" + std::to_string(info.param.bin);
    });

class SpecPlotGrid : public PlotFixture
{
protected:
    // Whether anything but the background lies in rows [top, bottom) of
    // columns [left, right). Text is smoothed: its pixels blend into the background.
    bool Shows(const CVLCanvas::ColorSpec& background, int left, int right, int top,
               int bottom) const
    {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (!(Pixel(x, y) == background))
                    return true;
        return false;
    }
};

TEST_F(SpecPlotGrid, SixtyDecibelsOnTwoHundredPixelsAreLabelledDownToFiftyOnly)
{
    QVXSpecConfig& config = Config();
    config.SetAmpScale(0);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowFreqLabels, false);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    Open();
    const CVLCanvas::ColorSpec background = Shown(config.GetColor(0, QVXSpecPlotFrame::clrBG));
    const double pixelsPerDb = 200.0 / 60.0;
    // Each label sits on its line's row (baseline one row above it), at both edges.
    for (int level = -10; level >= -50; level -= 10)
    {
        const int y = ExpectedY(level, pixelsPerDb);
        EXPECT_TRUE(Shows(background, 2, 16, y - 9, y)) << level << " dB, left";
        EXPECT_TRUE(Shows(background, kPlotWidth - 16, kPlotWidth - 1, y - 9, y))
            << level << " dB, right";
    }
    const int y60 = ExpectedY(-60, pixelsPerDb);
    EXPECT_EQ(y60, 199) << "the -60 dB line is the plot's last row";
    EXPECT_FALSE(Shows(background, 0, kPlotWidth, ExpectedY(-50, pixelsPerDb) + 1, kPlotHeight))
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
    QVXSpecConfig& config = Config();
    config.SetLogScale(true);
    // Only the readout in the compared area.
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowGridLines, false);
    config.SetDisplaySwitch(QVXSpecPlotFrame::kShowLevelLabels, false);
    Open();
    const Point local{240, 70};
    mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + local.x, kPlotOrigin.y + local.y});
    TimerTicks(3); // the hover is tracked on the tick, the refresh redraws
    mEditor->Paint();

    // Level top - y / (pixels per dB), frequency the inverse of the log mapping.
    const double level = 0.0 - local.y / 2.0;
    const double a = 10.0 / mRate;
    const double b = 0.5;
    const double lf = (std::log10(b * mRate) - std::log10(a * mRate)) * local.x / kPlotWidth +
                      std::log10(a * mRate);
    char text[64];
    std::snprintf(text, sizeof text, "%.1f dB   %.0f Hz", level, std::pow(10.0, lf));

    // The same text drawn in the same face on the plot's background, right-aligned 20 pixels from
    // the edge.
    const CVLCanvas::ColorSpec background = Shown(config.GetColor(0, QVXSpecPlotFrame::clrBG));
    OGWorld expected(Rect{0, 0, kPlotWidth, 24});
    expected.SetForeColor(background);
    expected.PaintRect({0, 0, kPlotWidth, 24});
    expected.SetTextFace(1, Shown(config.GetColor(0, QVXSpecPlotFrame::clrReadout)));
    const int x = kPlotWidth - expected.TextWidth(text) - 20;
    expected.MoveTo({x, 16});
    expected.DrawString(text);
    int differences = 0;
    for (int y = 0; y < 24; ++y)
        for (int column = 0; column < kPlotWidth; ++column)
        {
            CVLCanvas::ColorSpec want;
            expected.GetPixel({column, y}, want);
            if (!(Pixel(column, y) == want))
                ++differences;
        }
    EXPECT_EQ(differences, 0) << text;
}

} // namespace
