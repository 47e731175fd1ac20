// Text drawing against the plainest way to put the same pixels on screen: a
// 40-character label in the 7-point face drawn with DrawString, and a copy
// (CopyBits) of a pixel area of the label's size. Goal: a label in 10 us.

#include "gui/OGWorld.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <string_view>

namespace
{

constexpr std::string_view kLabel = "Peak Hold -12.5 dB at 1.25 kHz (L+R) Avg"; // 40 characters
static_assert(kLabel.size() == 40);

struct LabelScene
{
    LabelScene() : target(Rect{0, 0, 320, 24}), source(Rect{0, 0, 320, 24})
    {
        target.SetTextFace(1, {0xC9, 0xCE, 0xD6});
        target.SetForeColor({0x1F, 0x22, 0x26});
        target.PaintRect({0, 0, 320, 24});
        target.SetTextFace(1, {0xC9, 0xCE, 0xD6});
        area = {0, 0, target.TextWidth(kLabel), target.GetTextMetrics().lineHeight};
    }
    void Draw()
    {
        target.MoveTo({4, 16});
        target.DrawString(kLabel);
    }
    void Copy() { target.CopyBits(source, area, {4, 6}, false); }

    OGWorld target;
    OGWorld source;
    Rect area;
};

// This thread's processor time: the ratio stays fair on a busy machine.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

// Seconds per call of what, over enough calls to be steady.
template <typename What> double SecondsPerCall(What what)
{
    constexpr int kCalls = 20000;
    for (int i = 0; i < 1000; ++i)
        what();
    const double start = ThreadSeconds();
    for (int i = 0; i < kCalls; ++i)
    {
        what();
        benchmark::ClobberMemory();
    }
    return (ThreadSeconds() - start) / kCalls;
}

void BM_DrawText(benchmark::State& state)
{
    LabelScene scene;
    const double copy = SecondsPerCall([&] { scene.Copy(); });
    const double start = ThreadSeconds();
    for (auto _ : state)
    {
        scene.Draw();
        benchmark::ClobberMemory();
    }
    const double text = (ThreadSeconds() - start) / double(state.iterations());
    state.counters["vsCopyBits"] = text / copy;
    state.counters["labelPixels"] = double(scene.area.Width()) * scene.area.Height();
    state.SetItemsProcessed(state.iterations() *
                            static_cast<std::int64_t>(kLabel.size())); // characters
}

void BM_CopyLabelArea(benchmark::State& state)
{
    LabelScene scene;
    for (auto _ : state)
    {
        scene.Copy();
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_DrawText);
BENCHMARK(BM_CopyLabelArea);
