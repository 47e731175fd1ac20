#include "analysis/ThirdOctaveCoefficients.h"
#include "model/SpecConfigTestSupport.h"
#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "support/FilterResponse.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <ranges>
#include <vector>

namespace
{
using Peaks = std::pair<std::vector<std::int32_t>, std::vector<float>>;

// An analyzer instance in the third-octave view.
struct Instance : SpecConfigTest::Instance
{
    Instance() { Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct, false); }

    // Feeds sines (amplitude, frequency per channel) in blocks.
    void Feed(float rate, double seconds, double leftHz, double rightHz, float leftAmp = 1.0f, float rightAmp = 1.0f,
              int block = 512)
    {
        std::vector<float> l(static_cast<std::size_t>(block)), r(l.size());
        const long total = static_cast<long>(seconds * rate);
        for (long start = 0; start < total; start += block)
        {
            for (std::size_t i = 0; i < l.size(); ++i)
            {
                const double w = 2 * std::numbers::pi * static_cast<double>(mTime++) / rate;
                std::tie(l[i], r[i]) = std::pair(leftAmp * std::sin(leftHz * w), rightAmp * std::sin(rightHz * w));
            }
            bands.Capture({l.data(), r.data()}, block);
        }
    }

    // Feeds `settle` seconds, drops the reading, and reads `meter` over the next `measure`.
    float ReadAfter(MeterReader& meter, double settle, double measure, double leftHz, double rightHz = 0.0,
                    float leftAmp = 1.0f, float rightAmp = 1.0f)
    {
        Feed(48000, settle, leftHz, rightHz, leftAmp, rightAmp);
        meter.Read();
        Feed(48000, measure, leftHz, rightHz, leftAmp, rightAmp);
        return meter.Read();
    }

    // The band-level peaks: band and value per channel.
    Peaks BandPeaks()
    {
        Peaks peaks;
        bands.GetBandLevelPeaks(peaks.first, peaks.second);
        return peaks;
    }

    Quarvix3rdOctAnalysisService& bands = plugin.Get3rdOctService();
    long mTime = 0;
};

float ToLinear(float db)
{
    return db <= -1000.0f ? 0.0f : std::pow(10.0f, db / 20.0f);
}

TEST(ThirdOctaveService, BankPerRateAndUnsupportedRates)
{
    Instance x;
    const struct { float rate; int bands, factor; } cases[] = {{32000, 30, -1}, {44100, 31, -1}, {48000, 31, -1}, {88200, 31, 2},
                 {96000, 31, 2},  {176400, 31, 4}, {192000, 31, 4}, {64000, 0, -1}, {22050, 0, -1}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.rate);
        x.bands.SetStreamFormat(c.rate, 1024, 2);
        EXPECT_EQ(x.bands.GetBandCount(), c.bands);
        EXPECT_EQ(x.bands.GetPreDecimationFactor(), c.factor);
        EXPECT_EQ(x.bands.IsWeightingAvailable(), c.bands != 0);
        EXPECT_EQ(x.bands.GetBandPeakMeter(0, 0) != nullptr, c.bands != 0);
        EXPECT_EQ(x.bands.GetBandRmsMeter(1, c.bands - 1) != nullptr, c.bands != 0);
        EXPECT_EQ(x.bands.GetBandRmsMeter(0, c.bands), nullptr);
        EXPECT_EQ(x.bands.GetBandRmsMeter(2, 0), nullptr);
    }
    // No bank: Capture has nothing to do and must not touch what is not there.
    x.bands.SetStreamFormat(64000, 256, 2);
    std::vector<float> silence(256, 0.5f);
    x.bands.Capture({silence.data(), silence.data()}, 256);
}

TEST(ThirdOctaveService, PreDecimationPassesOnEveryFactorthFrameAcrossBlocks)
{
    Instance x;
    x.bands.SetStreamFormat(96000, 1024, 2);
    // The top band's RMS window is 2400 samples at the halved rate: blocks of 3
    // frames pass on 1 then 2, so 3200 blocks (9600 frames, 4800 passed on)
    // complete exactly two windows; the first 1599 blocks stay one short.
    std::vector<float> l(3, 0.25f), r(3, 0.25f);
    MeterReader& rms = x.bands.GetBandRmsMeter(0, 30)->AddMeter();
    rms.Read();
    for (int i = 0; i < 1599; ++i)
        x.bands.Capture({l.data(), r.data()}, 3);
    EXPECT_EQ(rms.Read(), -1000.0f) << "2398 samples passed on, no window yet";
    x.bands.Capture({l.data(), r.data()}, 3); // 2400th sample
    EXPECT_GT(rms.Read(), -1000.0f);
}

// The amplitude of every band's output for a steady sine, from the transfer
// functions of the stored filters alone: the pre-decimation lowpass and each
// half-rate decimator scale the tone and fold it below the new half rate;
// each band scales it by its own response at the rate its octave runs at.
std::vector<double> BandOutputAmplitudes(int rate, double frequency)
{
    const auto gain = [](const auto& b, const auto& a, double f, double fs) {
        return std::pow(10.0, ResponseDb(b, a, f, fs) / 20.0);
    };
    const auto fold = [](double f, double fs) {
        f = std::fmod(f, fs);
        return f > fs / 2.0 ? fs - f : f;
    };
    double fs = rate, f = frequency, amplitude = 1.0;
    if (const ThirdOctavePreDecimationSet* pre = FindThirdOctavePreDecimation(rate))
    {
        amplitude *= gain(pre->mB, pre->mA, f, fs);
        fs /= rate >= 176400 ? 4.0 : 2.0;
        f = fold(f, fs);
    }
    const ThirdOctaveCoefficientSet* set = FindThirdOctaveCoefficients(static_cast<int>(fs));
    std::vector<double> out(static_cast<std::size_t>(set->mTopBand + 1), 0.0);
    out.back() = amplitude * gain(set->mHighPassB, set->mHighPassA, f, fs);
    for (int b = set->mTopBand - 1; b >= 0; b -= 3)
    {
        for (std::size_t design = 0; design < 3 && b >= static_cast<int>(design); ++design)
            out[static_cast<std::size_t>(b) - design] =
                amplitude * gain(set->mBandPassB[design], set->mBandPassA[design], f, fs);
        amplitude *= gain(set->mDecimatorB, set->mDecimatorA, f, fs);
        fs /= 2.0;
        f = fold(f, fs);
    }
    return out;
}

// A steady sine's peak reading in every band, in and out of band, against the
// true peak of that band's output (its RMS times sqrt 2, the amplitude the
// filters give the tone). Tones on a ninth-octave grid through 1 kHz, three
// per band: its centre (which can sit on a third or a quarter of its octave's
// rate) and a ninth of an octave either side; from 15.6 Hz up to near half the
// rate, two at a time, one per channel.
// The reading is what the meter holds once the bands have settled, over a
// time that gives the lowest octave counted (62.5 to 94 Hz for the lowest
// bands) enough samples to see the tone's crest. Levels below -90 dBFS are
// left out: there the bank's own rounding noise, whose crests reach about
// -125 dBFS beside a decimator's passband edge, is part of the reading.
TEST(ThirdOctaveService, SteadySinePeakReadsItsTruePeakInEveryBand)
{
    constexpr int kBlock = 512;
    constexpr double kFloorDb = -90.0;
    for (int rate : {32000, 44100, 48000, 96000})
    {
        SCOPED_TRACE(rate);
        Instance x;
        std::vector<double> tones;
        for (double f = 1000.0 * std::exp2(-54.0 / 9.0); f < 0.47 * rate; f *= std::exp2(1.0 / 9.0))
            tones.push_back(f);
        struct Worst
        {
            double db;
            double tone;
            int band;
        } over{-1000.0, 0.0, -1}, under{1000.0, 0.0, -1};
        std::vector<float> l(kBlock), r(kBlock);
        for (std::size_t t = 0; t < tones.size(); t += 2)
        {
            const double hz[2] = {tones[t], tones[std::min(t + 1, tones.size() - 1)]};
            // A fresh bank, and a tone that fades in, so that no other
            // band's ringing is left in the second measured.
            x.bands.SetStreamFormat(static_cast<float>(rate), kBlock, 2);
            const int bands = x.bands.GetBandCount();
            std::vector<MeterReader*> meters;
            for (int c = 0; c < 2; ++c)
                for (int k = 0; k < bands; ++k)
                    meters.push_back(&x.bands.GetBandPeakMeter(c, k)->AddMeter());
            const std::vector<double> expected[2] = {BandOutputAmplitudes(rate, hz[0]),
                                                     BandOutputAmplitudes(rate, hz[1])};
            // The lowest band that counts sets the time: a band rings for a
            // time in inverse proportion to its width, so to its centre, and
            // its octave's rate is in proportion to its centre too.
            int lowest = bands - 1;
            for (int k = bands - 1; k >= 0; --k)
                if (std::max(expected[0][static_cast<std::size_t>(k)], expected[1][static_cast<std::size_t>(k)]) > 1e-5)
                    lowest = k;
            const double centre = 1000.0 * std::exp2((lowest - 17) / 3.0);
            const double settle = std::max(0.5, 60.0 / centre), measure = std::max(0.25, 20.0 / centre);
            const long fade = rate / 10;
            long n = 0;
            const auto feed = [&](double seconds) {
                for (const long end = n + static_cast<long>(seconds * rate); n < end;)
                {
                    for (int i = 0; i < kBlock; ++i, ++n)
                    {
                        const double gain = n < fade ? 0.5 - 0.5 * std::cos(std::numbers::pi * n / fade) : 1.0;
                        const double phase = 2.0 * std::numbers::pi * static_cast<double>(n) / rate;
                        l[static_cast<std::size_t>(i)] = static_cast<float>(gain * std::sin(hz[0] * phase));
                        r[static_cast<std::size_t>(i)] = static_cast<float>(gain * std::sin(hz[1] * phase));
                    }
                    x.bands.Capture({l.data(), r.data()}, kBlock);
                }
            };
            feed(settle);
            for (MeterReader* m : meters)
                m->Read();
            feed(measure);
            for (int c = 0; c < 2; ++c)
            {
                for (int k = 0; k < bands; ++k)
                {
                    const double reading = meters[static_cast<std::size_t>(c * bands + k)]->Read();
                    const double truePeak = 20.0 * std::log10(expected[c][static_cast<std::size_t>(k)]);
                    if (truePeak < kFloorDb)
                        continue;
                    const double error = reading - truePeak;
                    if (error > over.db)
                        over = {error, hz[c], k};
                    if (error < under.db)
                        under = {error, hz[c], k};
                }
            }
        }
        EXPECT_LE(over.db, 0.2) << "band " << over.band << ", tone " << over.tone << " Hz";
        EXPECT_GE(under.db, -0.5) << "band " << under.band << ", tone " << under.tone << " Hz";
    }
}

TEST(ThirdOctaveService, ChannelSelectionAndSum)
{
    Instance x;
    x.bands.SetStreamFormat(48000, 512, 2);
    MeterReader& left = x.bands.GetBandRmsMeter(0, 17)->AddMeter();
    MeterReader& right = x.bands.GetBandRmsMeter(1, 17)->AddMeter();

    x.bands.SetAnalysisChannel(Quarvix3rdOctAnalysisService::kSelectRight);
    left.Read();
    right.Read();
    x.Feed(48000, 0.3, 1000.0, 1000.0, 1.0f, 0.5f);
    EXPECT_EQ(left.Read(), -1000.0f) << "left only holds the posted zero";
    EXPECT_NEAR(ToLinear(right.Read()), 0.3536f, 0.02f);

    // Sum: (left + right) / 2 on channel 0; channel 1 gets nothing after the zeros.
    x.bands.SetAnalysisChannel(Quarvix3rdOctAnalysisService::kSelectSum);
    EXPECT_EQ(right.Read(), -1000.0f);
    EXPECT_NEAR(ToLinear(x.ReadAfter(left, 0.2, 0.1, 1000.0, 1000.0, 1.0f, 0.5f)), 0.75f * 0.7071f, 0.02f);
    EXPECT_EQ(right.Read(), -1000.0f);
}

TEST(ThirdOctaveService, WeightingFollowsTheConfigurationAtTheNextBlock)
{
    Instance x;
    x.bands.SetStreamFormat(48000, 512, 2);
    x.bands.SetAnalysisChannel(0);
    MeterReader& rms = x.bands.GetBandRmsMeter(0, 7)->AddMeter(); // 100 Hz
    const float flat = x.ReadAfter(rms, 0.4, 0.15, 100.0);
    x.Config().SetSpecWeighting(1, true); // A
    EXPECT_EQ(x.bands.GetWeightingType(), 1);
    EXPECT_NEAR(x.ReadAfter(rms, 0.4, 0.15, 100.0) - flat, -19.14f, 0.3f);
    x.Config().SetSpecWeighting(7, true);
    EXPECT_EQ(x.bands.GetWeightingType(), 0);
}

TEST(ThirdOctaveService, BandLevelPeaksWithinTheRangeOnlyRise)
{
    Instance x;
    x.bands.SetStreamFormat(48000, 512, 2);
    EXPECT_EQ(x.BandPeaks(), (Peaks{{-1, -1}, {0.0f, 0.0f}}));
    x.Feed(48000, 0.2, 1000.0, 4000.0, 1.0f, 0.5f);
    const Peaks loud = x.BandPeaks();
    EXPECT_EQ(loud.first, (std::vector<std::int32_t>{17, 23}));
    EXPECT_NEAR(loud.second[0], 1.0f, 0.1f);
    EXPECT_NEAR(loud.second[1], 0.5f, 0.05f);
    x.Feed(48000, 0.1, 1000.0, 4000.0, 0.1f, 0.1f);
    EXPECT_EQ(x.BandPeaks(), loud);

    // 'brng' applies only in the third-octave view; the range excludes 1 kHz (band 30).
    x.Config().SetBandLevelRange(31, 43, true);
    EXPECT_EQ(x.bands.GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{31, 43}));
    EXPECT_EQ(x.BandPeaks().first, (std::vector<std::int32_t>{-1, -1}));
    x.Feed(48000, 0.2, 1000.0, 1000.0);
    EXPECT_EQ(x.BandPeaks().first[0], 18); // the 1.25 kHz band's skirt, the nearest one in range
    EXPECT_LT(x.BandPeaks().second[0], 0.5f);

    x.Config().SetSpectrumView(QVXSpecConfig::kAnaFFT, false);
    x.Config().SetBandLevelRange(13, 43, true);
    EXPECT_EQ(x.bands.GetBandLevelRange(), (std::pair<std::int32_t, std::int32_t>{31, 43}));
}

// Outside the third-octave view nothing is posted. With analysis switched
// off (as a settings file does it) every block posts 0 to every meter and
// analyses nothing: once read, every meter reads 0 and the band-level peaks
// stay reset however loud the input.
TEST(ThirdOctaveService, OtherViewsAndDisabledAnalysis)
{
    Instance x;
    x.bands.SetStreamFormat(48000, 512, 2);
    std::vector<MeterReader*> meters;
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 31; ++k)
            for (MeteringManager* m : {x.bands.GetBandPeakMeter(c, k), x.bands.GetBandRmsMeter(c, k)})
                meters.push_back(&m->AddMeter());
    const auto loudestAfterATone = [&] {
        x.Feed(48000, 0.2, 1000.0, 1000.0);
        return std::ranges::max(meters | std::views::transform([](MeterReader* m) { return m->Read(); }));
    };
    x.Config().SetSpectrumView(QVXSpecConfig::kAnaFFT, false);
    EXPECT_EQ(loudestAfterATone(), -1000.0f);
    x.Config().SetSpectrumView(QVXSpecConfig::kAna3rdOct, false);
    EXPECT_GT(loudestAfterATone(), -6.0f);

    x.Config().Load(*SerializationTest::Reader(SerializationTest::Written(
        [](Serialization::XMLArchive& a) { a.WriteBool("mAnaEnabled", false); }, true, "QVXSpecConfig")));
    ASSERT_TRUE(!x.Config().GetAnaEnabled() && x.Config().GetSpectrumView() == QVXSpecConfig::kAna3rdOct);
    x.bands.ResetBandLevelPeaks();
    EXPECT_EQ(loudestAfterATone(), -1000.0f);
    EXPECT_EQ(x.BandPeaks().first, (std::vector<std::int32_t>{-1, -1}));
}

// The service's whole archive: one object of its name holding "One" = 34.
TEST(ThirdOctaveService, ArchiveForm)
{
    using namespace std::string_literals;
    Instance x;
    const std::string text = SerializationTest::Written([&](Serialization::XMLArchive& a) { x.bands.Save(a); });
    EXPECT_EQ(SerializationTest::MaskIds(text),
              "<obj_archive type=\"TYPE\">\n"
              "<obj id=\"ID\" name=\"Quarvix3rdOctAnalysisService\" type=\"Quarvix3rdOctAnalysisService\">\n"
              "\t<att name=\"One\" type=\"i\">34</att>\n"
              "</obj>\n"
              "</obj_archive>\n\0"s); // the archive's text ends in a NUL
    EXPECT_EQ(Quarvix3rdOctAnalysisService::GetBandLabel(30), "1k");
}
} // namespace
