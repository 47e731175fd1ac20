// A full redraw of an editor-sized frame tree against a plain copy of the
// same window: 700 × 470 pixels, about 60 frames (skin copies, text labels,
// a plot with three polylines of 1000 points). Goal: a full redraw in 2 ms.

#include "core/PluginPlatform.h"
#include "gui/Frame.h"
#include "gui/OGWorld.h"
#include "gui/OffscreenEditor.h"
#include "gui/TextFrame.h"
#include "plugin/Quarvix.h"

#include "BenchPlatform.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <vector>

namespace
{

constexpr std::int32_t kWidth = 700;
constexpr std::int32_t kHeight = 470;

// Three curves across the plot, as the spectrum plot draws live, average and peak.
class PlotFrame : public Frame
{
public:
    PlotFrame(Frame* parent, Rect r) : Frame(parent, r.left, r.top, r.Width(), r.Height(), 0, 0)
    {
        for (int curve = 0; curve < 3; ++curve)
        {
            std::vector<std::int32_t> xs, ys;
            for (int i = 0; i < 1000; ++i)
            {
                xs.push_back(i * (r.Width() - 1) / 999);
                ys.push_back(static_cast<std::int32_t>(r.Height() / 2 + (r.Height() / 3) *
                                                                            std::sin(i * 0.05 + curve) *
                                                                            std::cos(i * 0.013)));
            }
            mXs.push_back(std::move(xs));
            mYs.push_back(std::move(ys));
        }
    }
    void DrawContent(DrawContext& context, const Rect& /*rect*/) override
    {
        context.SetForeColor({0x16, 0x18, 0x1b});
        context.PaintRect(GetLocalRect());
        const CVLCanvas::ColorSpec colors[3] = {{0x4d, 0xd0, 0xe1}, {0xe8, 0xa3, 0x3d}, {0xd0, 0x5c, 0x5c}};
        for (int curve = 0; curve < 3; ++curve)
        {
            context.SetForeColor(colors[curve]);
            context.Polyline(mXs[curve].data(), mYs[curve].data(), 1000);
        }
    }

private:
    std::vector<std::vector<std::int32_t>> mXs, mYs;
};

// The editor's page: a skin background, 40 skin-copied buttons, 16 labels and the plot.
class BenchPlugin : public Quarvix
{
public:
    using Quarvix::Quarvix;
    Frame* CreateEditorFrame(PluginUIRoot& root) override
    {
        mSkin = std::make_unique<OGWorld>(Rect{0, 0, kWidth, kHeight});
        for (int y = 0; y < kHeight; y += 10)
        {
            const auto level = static_cast<std::uint16_t>(0x1f + (y / 10) % 8);
            mSkin->SetForeColor({level, static_cast<std::uint16_t>(level + 3), static_cast<std::uint16_t>(level + 7)});
            mSkin->PaintRect({0, y, kWidth, y + 10});
        }
        auto* page = new PixMapDrawFrame(root.GetMasterFrame(), 0, 0, kWidth, kHeight, 0, 0, mSkin.get(), 0, 0);
        new PlotFrame(page, {20, 40, 520, 340});
        for (int i = 0; i < 40; ++i)
            new PixMapDrawFrame(page, 540 + (i % 4) * 38, 40 + (i / 4) * 30, 34, 24, 540, 40, mSkin.get(), 0, 0);
        for (int i = 0; i < 16; ++i)
        {
            auto* label = new TextFrame(page, 20 + (i % 8) * 62, 360 + (i / 8) * 20, 60, 16, 0, 0,
                                        "Label " + std::to_string(i) + " -12.5 dB", TextFrame::kLeft);
            label->SetColors({0xc9, 0xce, 0xd6}, {0x7f, 0x87, 0x91});
        }
        return page;
    }

private:
    std::unique_ptr<OGWorld> mSkin;
};

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

void BM_FullRedraw(benchmark::State& state)
{
    SilentPlatform platform;
    BenchPlugin plugin(platform, {2, 2});
    OffscreenEditor editor(plugin, kWidth, kHeight);
    editor.Open();
    editor.Paint();
    state.counters["frames"] = static_cast<double>(Frame::GetLiveCount());

    // The anchor: one plain copy of a whole window of pixels.
    OGWorld source(Rect{0, 0, kWidth, kHeight});
    OGWorld target(Rect{0, 0, kWidth, kHeight});
    constexpr int kCopies = 200;
    double start = ThreadSeconds();
    for (int i = 0; i < kCopies; ++i)
    {
        target.CopyBits(source, {0, 0, kWidth, kHeight}, {0, 0}, false);
        benchmark::ClobberMemory();
    }
    const double copy = (ThreadSeconds() - start) / kCopies;

    start = ThreadSeconds();
    for (auto _ : state)
    {
        editor.Redraw({0, 0, kWidth, kHeight});
        benchmark::ClobberMemory();
    }
    const double redraw = (ThreadSeconds() - start) / double(state.iterations());
    state.counters["vsWindowCopy"] = redraw / copy;
    state.counters["redrawMs"] = redraw * 1e3;
}
BENCHMARK(BM_FullRedraw)->Unit(benchmark::kMicrosecond);

} // namespace
