#pragma once
// The spectrum plot opened offscreen over the real plug-in object: audio fed
// through Process, the window ticked in simulated time (one tick = 17 ms),
// pixels read back. The plot sits where the analyzer panel puts it, (9, 33),
// 501 x 200, unless a test asks for another size. Expected values come from
// the display's formulas written out here, never from the plot's arithmetic.

#include "editor/QVXSpecPlotFrame.h"
#include "gui/OGWorld.h"
#include "gui/OffscreenEditor.h"
#include "gui/PixelBuffer.h"
#include "model/QVXSpecConfig.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "support/FakeClock.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <numbers>
#include <vector>

namespace SpecPlotTest
{

inline constexpr double kPi = std::numbers::pi;

// The plug-in object with the plot as its page, and a host whose transport
// the test starts and stops.
class PlotPlugin : public Quarvix
{
public:
    using Quarvix::Quarvix;
    std::function<Frame*(PluginUIRoot&)> build;
    bool audioRunning = false;
    Frame* CreateEditorFrame(PluginUIRoot& root) override { return build ? build(root) : nullptr; }
    bool IsAudioRunning() const override { return audioRunning; }
};

// 0x00RRGGBB of a configuration colour as the window shows it (low bytes).
inline CVLCanvas::ColorSpec Shown(const CVLCanvas::ColorSpec& color)
{
    return {static_cast<std::uint16_t>(color.red & 0xFF),
            static_cast<std::uint16_t>(color.green & 0xFF),
            static_cast<std::uint16_t>(color.blue & 0xFF)};
}

// The display's frequency mapping: normalised f to x over [a, b] (normalised)
// on a plot of width w at sample rate s.
inline int ExpectedX(double f, double a, double b, double w, double s, bool logScale)
{
    if (!logScale)
        return static_cast<int>((f - a) / (b - a) * w);
    return static_cast<int>((std::log10(std::max(f * s, 1.0)) - std::log10(a * s)) /
                            (std::log10(b * s) - std::log10(a * s)) * w);
}

// The display's level mapping with 0 dB at the top.
inline int ExpectedY(double level, double pixelsPerDb)
{
    return static_cast<int>((0.0 - level - 0.005) * pixelsPerDb);
}

class PlotFixture : public ::testing::Test
{
protected:
    static constexpr Point kPlotOrigin{9, 33};
    static constexpr int kPlotWidth = 501;
    static constexpr int kPlotHeight = 200;

    // A mono (1) or stereo (2) instance.
    explicit PlotFixture(std::int32_t channels = 2) : mPlugin(mPlatform, {channels, channels})
    {
        mPlugin.SetSampleRate(static_cast<float>(mRate));
        mPlugin.SetMaxBlockSize(mBlock);
    }

    QVXSpecConfig& Config() { return *mPlugin.GetGeneralService().GetSpecConfig(); }

    // Opens the editor with the plot (of the given size) on a black page.
    void Open(int width = kPlotWidth, int height = kPlotHeight)
    {
        const int w = kPlotOrigin.x + width + 9, h = kPlotOrigin.y + height + 9;
        mPlugin.build = [=, this](PluginUIRoot& root)
        {
            auto* page = new Frame(root.GetMasterFrame(), 0, 0, w, h, 0, 0);
            mPlot = new QVXSpecPlotFrame(page, kPlotOrigin.x, kPlotOrigin.y, width, height, 0, 0);
            return page;
        };
        mEditor = std::make_unique<OffscreenEditor>(mPlugin, w, h);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        ASSERT_NE(mPlot, nullptr);
        mEditor->Paint();
    }

    // `frames` stereo samples through the plug-in's Process, in host blocks.
    void Feed(std::int64_t frames, const std::function<float(std::int64_t)>& left,
              const std::function<float(std::int64_t)>& right)
    {
        std::vector<float> l(static_cast<std::size_t>(mBlock)), r(l.size()), ol(l.size()),
            orr(l.size());
        const float* in[] = {l.data(), r.data()};
        float* out[] = {ol.data(), orr.data()};
        for (std::int64_t done = 0; done < frames;)
        {
            const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(mBlock, frames - done));
            for (std::int32_t i = 0; i < n; ++i)
            {
                l[static_cast<std::size_t>(i)] = left(mTime + i);
                r[static_cast<std::size_t>(i)] = right(mTime + i);
            }
            mPlugin.Process(in, out, n, false, 0);
            mTime += n;
            done += n;
        }
    }
    void Feed(std::int64_t frames, const std::function<float(std::int64_t)>& both)
    {
        Feed(frames, both, both);
    }

    // A sine of the given amplitude centred on FFT bin k of size n.
    std::function<float(std::int64_t)> Tone(int k, int n, double amplitude = 1.0) const
    {
        return [=](std::int64_t t) {
            return static_cast<float>(amplitude *
                                      std::sin(2.0 * kPi * k * static_cast<double>(t) / n));
        };
    }

    // `count` timer ticks of 17 ms, one window tick each.
    void TimerTicks(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            FakeClock::ms += 17;
            mEditor->Tick();
        }
    }
    std::uint32_t Now() { return mPlugin.GetTimerManager().GetCurrentTick(); }

    CVLCanvas::ColorSpec Pixel(int x, int y) const
    {
        return mEditor->GetPixel({kPlotOrigin.x + x, kPlotOrigin.y + y});
    }
    // Rows (plot coordinates) of column x that show the colour.
    std::vector<int> RowsOf(int x, const CVLCanvas::ColorSpec& color,
                            int height = kPlotHeight) const
    {
        std::vector<int> rows;
        for (int y = 0; y < height; ++y)
            if (Pixel(x, y) == color)
                rows.push_back(y);
        return rows;
    }

    // Pixels of the top `rows` rows of the plot (FFT colours) that differ from
    // the background with only `text` on it in the readout face, on baseline
    // 16, centred or right-aligned 20 pixels from the edge.
    int DifferencesFromText(const char* text, int rows, bool centred)
    {
        OGWorld expected(Rect{0, 0, kPlotWidth, rows});
        expected.SetForeColor(Shown(Config().GetColor(0, QVXSpecPlotFrame::clrBG)));
        expected.PaintRect({0, 0, kPlotWidth, rows});
        expected.SetTextFace(1, Shown(Config().GetColor(0, QVXSpecPlotFrame::clrReadout)));
        const int width = expected.TextWidth(text);
        expected.MoveTo({centred ? (kPlotWidth - width) / 2 : kPlotWidth - width - 20, 16});
        expected.DrawString(text);
        int differences = 0;
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < kPlotWidth; ++x)
            {
                CVLCanvas::ColorSpec want;
                expected.GetPixel({x, y}, want);
                differences += Pixel(x, y) == want ? 0 : 1;
            }
        return differences;
    }

    // Declared first: the clock outlives everything that reads it.
    FakeClock mClock;
    double mRate = 48000.0;
    std::int32_t mBlock = 512;
    RecordingPlatform mPlatform;
    PlotPlugin mPlugin{mPlatform, {2, 2}};
    std::unique_ptr<OffscreenEditor> mEditor;
    QVXSpecPlotFrame* mPlot = nullptr;
    std::int64_t mTime = 0;
};

} // namespace SpecPlotTest
