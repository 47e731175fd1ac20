// Pictures of the plot for a reviewer's eye: with QUARVIX_PLOT_SNAPSHOT_DIR
// set, the FFT view and the spectrogram of a test signal (a chord of partials
// over soft noise, then a sweep) are written there as PNGs. Without it the
// case is skipped; nothing is compared.

#include "SpecPlotTestSupport.h"

#include <cstdlib>
#include <random>
#include <string>

namespace
{
using namespace SpecPlotTest;

class SpecPlotSnapshot : public PlotFixture
{
protected:
    void SetUp() override
    {
        const char* dir = std::getenv("QUARVIX_PLOT_SNAPSHOT_DIR");
        if (!dir || !*dir)
            GTEST_SKIP() << "set QUARVIX_PLOT_SNAPSHOT_DIR to write the snapshots";
        mDir = dir;
    }

    // A chord of decaying partials over soft noise, the partials moving by
    // `glide` (a factor per second) so that the spectrogram shows motion.
    std::function<float(std::int64_t)> Signal(double glide, unsigned seed)
    {
        auto noise = std::make_shared<std::minstd_rand>(seed);
        auto state = std::make_shared<double>(0.0);
        const double rate = mRate;
        return [=](std::int64_t t)
        {
            const double seconds = static_cast<double>(t) / rate;
            const double base = 220.0 * std::pow(glide, seconds);
            double value = 0.0;
            for (int partial = 1; partial <= 12; ++partial)
            {
                const double amplitude = 0.3 / partial;
                // Integral of the gliding frequency: phase = 2 pi f0 (g^s - 1) / ln g.
                const double phase =
                    glide == 1.0 ? base * seconds
                                 : 220.0 * (std::pow(glide, seconds) - 1.0) / std::log(glide);
                value += amplitude * std::sin(2.0 * kPi * partial * phase);
            }
            // Brownian noise, gently leaky: falls toward high frequencies.
            *state =
                0.995 * *state + 0.004 * (static_cast<double>((*noise)()) / noise->max() - 0.5);
            return static_cast<float>(value + *state);
        };
    }

    void Run(double seconds, const std::function<float(std::int64_t)>& left,
             const std::function<float(std::int64_t)>& right)
    {
        const int refreshes = static_cast<int>(seconds * 60.0 / 3.0);
        for (int i = 0; i < refreshes; ++i)
        {
            Feed(static_cast<std::int64_t>(mRate * 3 * 0.017), left, right);
            TimerTicks(3);
        }
    }

    void Save(const std::string& name)
    {
        // The mouse over the plot, so the readout shows too.
        mEditor->GetWindow()->SetMousePosition({kPlotOrigin.x + 150, kPlotOrigin.y + 120});
        TimerTicks(3);
        mEditor->Paint();
        std::string error;
        EXPECT_TRUE(mEditor->SavePng(mDir + "/" + name, &error)) << error;
    }

    std::string mDir;
};

TEST_F(SpecPlotSnapshot, FftView)
{
    QVXSpecConfig& config = Config();
    config.SetFftSize(4096);
    config.SetAnalysisChannel(QVXSpecConfig::kChBoth);
    Open();
    mPlugin.audioRunning = true;
    // A quieter, higher chord stored as memory 1, then the louder one live.
    Run(2.0, Signal(1.0, 1), Signal(1.0, 2));
    config.RequestAverageStore();
    config.SetMemSlotVisible(0, true);
    Run(3.0, Signal(1.06, 3), Signal(1.02, 4));
    Save("quarvix-plot-fft.png");
}

TEST_F(SpecPlotSnapshot, Spectrogram)
{
    QVXSpecConfig& config = Config();
    config.SetSpectrumView(QVXSpecConfig::kAnaSpectrogram);
    config.SetSpecGain(6.0f);
    Open();
    mPlugin.audioRunning = true;
    Run(1.5, Signal(1.0, 5), Signal(1.0, 5));
    Run(2.0, Signal(1.5, 6), Signal(1.5, 6));
    Save("quarvix-plot-spectrogram.png");
    config.SetAnalysisChannel(QVXSpecConfig::kChBoth);
    Run(3.5, Signal(1.3, 7), Signal(0.8, 8));
    Save("quarvix-plot-spectrogram-stereo.png");
}

} // namespace
