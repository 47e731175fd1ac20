// The spectrum plot's work per timer tick, against the 30 ms window tick it
// has to fit in many times over. Stereo, 8192-point FFT at 48 kHz, the plot
// as the analyzer panel places it (501 x 200), inside an offscreen editor.
//
// BM_PlotRefreshAndDraw: the FFT view with live, average and peak hold of
// both channels and three visible stereo memories; one refresh that takes one
// new frame, then one drawing of the plot (offscreen, copied to the window).
// BM_SpectrogramTick: the spectrogram of both channels; 1 to 4 new frames per
// refresh (the argument), then one drawing.
// Goal: each at most 0.5 ms. The counter tickBudget is the share of a 30 ms
// tick one iteration takes (0.0167 is 0.5 ms).

#include "core/PluginPlatform.h"
#include "editor/QVXSpecPlotFrame.h"
#include "gui/OffscreenEditor.h"
#include "model/QVXSpecConfig.h"
#include "platform/TickCount.h"
#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "plugin/QuarvixSpecService.h"

#include "BenchPlatform.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <random>
#include <vector>

namespace
{

constexpr int kFftSize = 8192;
constexpr double kTickSeconds = 0.030;

// Simulated milliseconds: every refresh is 3 ticks after the last.
std::uint32_t gMilliseconds = 0;
std::uint32_t BenchNow()
{
    return gMilliseconds;
}

class PlotPlugin : public Quarvix
{
public:
    using Quarvix::Quarvix;
    Frame* CreateEditorFrame(PluginUIRoot& root) override
    {
        auto* page = new Frame(root.GetMasterFrame(), 0, 0, 520, 242, 0, 0);
        plot = new QVXSpecPlotFrame(page, 9, 33, 501, 200, 0, 0);
        return page;
    }
    bool IsAudioRunning() const override { return true; }
    QVXSpecPlotFrame* plot = nullptr;
};

// Packed real FFTs that look like music: a falling noise floor with partials.
std::vector<float> MusicLikeFrame(unsigned seed)
{
    std::minstd_rand random(seed);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<float> frame(kFftSize);
    for (int k = 0; k < kFftSize / 2; ++k)
    {
        const float floorDb = -50.0f - 40.0f * static_cast<float>(k) / (kFftSize / 2);
        const bool partial = k > 20 && k % 37 == 0 && k < 1500;
        const float amplitude =
            kFftSize / 2.0f * std::pow(10.0f, (partial ? -12.0f : floorDb) / 20.0f);
        frame[2 * static_cast<std::size_t>(k)] = amplitude * unit(random);
        frame[2 * static_cast<std::size_t>(k) + 1] = amplitude * unit(random);
    }
    return frame;
}

double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + 1e-9 * double(now.tv_nsec);
}

struct PlotScene
{
    explicit PlotScene(std::int32_t view)
    {
        previousSource = Platform::SetTickCountSource(&BenchNow);
        plugin.SetSampleRate(48000.0f);
        plugin.SetMaxBlockSize(512);
        QVXSpecConfig& config = *plugin.GetGeneralService().GetSpecConfig();
        config.SetSpectrumView(view);
        config.SetFftSize(kFftSize);
        config.SetAnalysisChannel(QVXSpecConfig::kChBoth);
        editor.Open();
        editor.Paint();
        plot = plugin.plot;
        for (unsigned i = 0; i < 8; ++i)
            frames.push_back(MusicLikeFrame(i + 1));
        if (view == QVXSpecConfig::kAnaFFT)
        {
            // Three stereo memories of another size, all shown.
            for (int slot = 0; slot < 3; ++slot)
            {
                QVXSpecConfig::MemSlotData data;
                data.mBands = 4096;
                data.mFs = 44100;
                data.mAnalysisChannel = QVXSpecConfig::kChBoth;
                data.mChannels.assign(2, std::vector<float>(2048));
                for (int k = 0; k < 2048; ++k)
                {
                    data.mChannels[0][static_cast<std::size_t>(k)] =
                        -40.0f - 10.0f * slot - 0.01f * k;
                    data.mChannels[1][static_cast<std::size_t>(k)] =
                        -45.0f - 10.0f * slot - 0.01f * k;
                }
                config.SetMemSlotData(slot, data);
                config.SetMemSlotVisible(slot, true);
            }
        }
    }
    ~PlotScene() { Platform::SetTickCountSource(previousSource); }

    // `count` new stereo frames in the pool, 3 ticks on, one refresh, one drawing.
    void Tick(int count)
    {
        QuarvixSpecService& service = plugin.GetSpecService();
        for (int i = 0; i < count; ++i)
        {
            const std::vector<float>& a = frames[next++ % frames.size()];
            const std::vector<float>& b = frames[next++ % frames.size()];
            service.StoreFrame(0, kFftSize, a.data(), false);
            service.StoreFrame(1, kFftSize, b.data(), false);
        }
        gMilliseconds += 3 * 17;
        plot->Refresh();
        PluginUIRoot::DrawingPermit permit(editor);
        plot->Draw(nullptr, true);
    }

    Platform::TickCountSource previousSource = nullptr;
    SilentPlatform platform;
    PlotPlugin plugin{platform, {2, 2}};
    OffscreenEditor editor{plugin, 520, 242};
    QVXSpecPlotFrame* plot = nullptr;
    std::vector<std::vector<float>> frames;
    std::size_t next = 0;
};

void Report(benchmark::State& state, double seconds)
{
    const double perTick = seconds / double(state.iterations());
    state.counters["tickBudget"] = perTick / kTickSeconds;
    state.counters["ms"] = perTick * 1e3;
}

void BM_PlotRefreshAndDraw(benchmark::State& state)
{
    PlotScene scene(QVXSpecConfig::kAnaFFT);
    for (int i = 0; i < 20; ++i)
        scene.Tick(1);
    const double start = ThreadSeconds();
    for (auto _ : state)
    {
        scene.Tick(1);
        benchmark::ClobberMemory();
    }
    Report(state, ThreadSeconds() - start);
}
BENCHMARK(BM_PlotRefreshAndDraw)->Unit(benchmark::kMicrosecond);

void BM_SpectrogramTick(benchmark::State& state)
{
    PlotScene scene(QVXSpecConfig::kAnaSpectrogram);
    const auto frames = static_cast<int>(state.range(0));
    for (int i = 0; i < 20; ++i)
        scene.Tick(frames);
    const double start = ThreadSeconds();
    for (auto _ : state)
    {
        scene.Tick(frames);
        benchmark::ClobberMemory();
    }
    Report(state, ThreadSeconds() - start);
    state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(BM_SpectrogramTick)->DenseRange(1, 4)->Unit(benchmark::kMicrosecond);

} // namespace
