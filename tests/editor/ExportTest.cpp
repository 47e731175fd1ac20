// The analysis data export over the real plug-in: the text of every view and
// channel mode against documents written out here from the export's rules,
// its levels against a direct computation of the same signals, its numbers in
// a decimal-comma locale, and the export command's dialog and file.

#include "ScriptedDialogs.h"
#include "SpecPlotTestSupport.h"

#include "editor/QVXExportCommand.h"
#include "editor/QVXSpecPlotBars.h"
#include "gui/ErrorFrame.h"
#include "platform/SafeFile.h"
#include "serialization/LocaleTestSupport.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>

namespace
{
using namespace SpecPlotTest;
using Config = QVXSpecConfig;
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kSep(59, '-');
const std::string kNameLine = "QVX Spectrum Analyzer 1.0.1, Copyright 2026 Corvanel Sound.";
const char* const kLabels[31] = {"20",  "25",  "31",   "40",    "50",   "63",  "80",   "100",
                                 "125", "160", "200",  "250",   "315",  "400", "500",  "630",
                                 "800", "1k",  "1.25k", "1.6k", "2k",   "2.5k", "3.15k", "4k",
                                 "5k",  "6.3k", "8k",  "10k",   "12.5k", "16k", "20k"};

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text)
    {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    }
    return parts;
}

std::string Fixed1(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    return text;
}

// Where the document starts for a view: the common header.
Lines Header(const std::string& viewLine)
{
    Lines lines{kSep, kNameLine};
    if (!viewLine.empty())
        lines.push_back(viewLine);
    lines.insert(lines.end(), {kSep, ""});
    return lines;
}

// The level a sine of amplitude a centred on bin k reads through the Hann
// window of an n-point FFT: a direct DFT of the windowed frame, least and
// most over eight start phases.
std::pair<double, double> HannToneLevel(double a, int k, int n)
{
    std::vector<double> w(static_cast<std::size_t>(n));
    double sum = 0.0;
    for (int i = 0; i < n; ++i)
        sum += w[static_cast<std::size_t>(i)] = 0.5 * (1.0 - std::cos(2.0 * kPi * i / (n - 1)));
    std::pair<double, double> range{1e9, -1e9};
    for (int p = 0; p < 8; ++p)
    {
        double re = 0.0, im = 0.0;
        for (int i = 0; i < n; ++i)
        {
            const double x = a * std::sin(2.0 * kPi * k * i / n + p * kPi / 4) *
                             w[static_cast<std::size_t>(i)] * n / sum;
            re += x * std::cos(2.0 * kPi * k * i / n);
            im -= x * std::sin(2.0 * kPi * k * i / n);
        }
        const double level = 10.0 * std::log10(re * re + im * im) - 20.0 * std::log10(n);
        range = {std::min(range.first, level), std::max(range.second, level)};
    }
    return range;
}

class ExportTest : public PlotFixture
{
protected:
    ExportTest() = default;
    explicit ExportTest(std::int32_t channels) : PlotFixture(channels) {}

    std::string Export() const
    {
        std::ostringstream out;
        mPlot->ExportText(out);
        return out.str();
    }
    Lines ExportLines() const
    {
        const std::string text = Export();
        EXPECT_EQ(text.find('\r'), std::string::npos);
        EXPECT_EQ(text.back(), '\n');
        Lines lines = Split(text, '\n');
        lines.pop_back();
        return lines;
    }
    // One refresh's worth of audio, its ticks and a draw.
    void Refresh(const std::function<float(std::int64_t)>& left,
                 const std::function<float(std::int64_t)>& right, int count = 1)
    {
        for (int i = 0; i < count; ++i)
        {
            Feed(static_cast<std::int64_t>(mRate * 0.051), left, right);
            TimerTicks(3);
            mEditor->Paint();
        }
    }
    std::function<float(std::int64_t)> Hz(double hz, double amplitude) const
    {
        return [=, rate = mRate](std::int64_t t)
        { return static_cast<float>(amplitude * std::sin(2.0 * kPi * hz * t / rate)); };
    }
    static float Silence(std::int64_t) { return 0.0f; }
    const QVXSpecPlotBars& Bars() const
    {
        return dynamic_cast<const QVXSpecPlotBars&>(mPlot->GetThirdOctaveView());
    }
    // The level of a real-time curve (0 live, 1 average, 2 peak hold) the plot shows.
    float Shown(int view, int channel, int type, int i) const
    {
        if (view == Config::kAna3rdOct)
        {
            const auto& band = Bars().GetBands(channel)[static_cast<std::size_t>(i)];
            return type == 0 ? band.live : type == 1 ? band.average : band.hold;
        }
        const QVXSpecPlotCurves& c = mPlot->GetCurves(channel);
        return (type == 0 ? c.GetLive() : type == 1 ? c.GetAverage() : c.GetPeakHold())
            [static_cast<std::size_t>(i)];
    }
    void SetSlot(int index, bool visible, int type, int view, int mode, int bands, int fs,
                 int weighting, std::vector<std::vector<float>> channels)
    {
        Config::MemSlotData data;
        data.mType = type;
        data.mView = view;
        data.mAnalysisChannel = mode;
        data.mBands = bands;
        data.mFs = fs;
        data.mWeighting = weighting;
        data.mChannels = std::move(channels);
        Config().SetMemSlotData(index, data);
        Config().SetMemSlotVisible(index, visible);
    }
};

// --- the document of each view and channel mode

struct ModeCase
{
    int view;
    int mode;
    std::string columns;    // the real-time column header
    std::string memColumns; // the memory column header
    std::vector<int> taken; // channels of the columns, in order
};

class ExportModes : public ExportTest, public ::testing::WithParamInterface<ModeCase>
{
};

// Real-time curves that differ in every column, a memory slot stored in
// "both" (its columns outnumber the header's in the other modes), a hidden
// slot, and a slot stored in the case's own mode.
TEST_P(ExportModes, DocumentFollowsTheViewAndTheChannelMode)
{
    const ModeCase c = GetParam();
    const bool fft = c.view == Config::kAnaFFT;
    Config().SetSpectrumView(c.view);
    Config().SetAnalysisChannel(c.mode);
    Config().SetInstantaneous(true);
    Config().SetPeakHold(true);
    Config().SetShowAverage(true);
    Config().SetSpecWeighting(fft ? 1 : 3);
    if (fft)
    {
        Config().SetFftSize(1024);
        Config().SetWinType(2);
    }
    Open();
    // Live, hold and average go separate ways when the tones stop.
    Refresh(fft ? Tone(20, 1024, 0.8) : Hz(1000.0, 0.5), fft ? Tone(100, 1024, 0.3) : Hz(250.0, 0.2), 20);
    Refresh(Silence, Silence, 3);

    const int bands = fft ? 16 : 31;
    const int rows = fft ? 8 : 31;
    std::vector<float> v0, v1;
    for (int i = 0; i < rows; ++i)
    {
        v0.push_back(-20.0f - 0.5f * i);
        v1.push_back(-70.0f + 0.3f * i);
    }
    SetSlot(0, true, Config::kDtInstant, c.view, Config::kChBoth, bands, 44100, fft ? 3 : 1, {v0, v1});
    SetSlot(1, false, Config::kDtPeakHold, c.view, c.mode, bands, 44100, 0, {v0, v1});
    SetSlot(2, true, Config::kDtAverage, c.view, c.mode, bands, 32000, 0, {v0, v1});

    const Lines lines = ExportLines();
    Lines want = Header(fft ? "FFT Analysis Data Export" : "Third Octave Analysis Data Export");
    want.insert(want.end(), {kSep, "real time data", "Fs: 48000.0"});
    if (fft)
        want.insert(want.end(), {"FFT Size: 1024", "FFT Window: Blackman-Harris (4-term)", "Weighting: A-weighted"});
    else
        want.push_back("Weighting: C-weighted");
    want.insert(want.end(), {kSep, c.columns});
    ASSERT_GE(lines.size(), want.size());
    EXPECT_EQ(Lines(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(want.size())), want);

    std::size_t at = want.size();
    const int realRows = fft ? 512 : 31;
    ASSERT_GE(lines.size(), at + realRows + 1);
    for (int i = 0; i < realRows; ++i, ++at)
    {
        const auto fields = Split(lines[at], '\t');
        const std::size_t lead = fft ? 1 : 2;
        ASSERT_EQ(fields.size(), lead + 3 * c.taken.size()) << lines[at];
        EXPECT_EQ(fields[0], std::to_string(fft ? i * 48000 / 1024 : i + 13));
        if (!fft)
        {
            EXPECT_EQ(fields[1], kLabels[i]);
        }
        std::size_t f = lead;
        for (int type : {0, 2, 1}) // live, peak hold, average
            for (int channel : c.taken)
                EXPECT_EQ(fields[f++], Fixed1(Shown(c.view, channel, type, i)))
                    << "row " << i << " type " << type << " channel " << channel;
    }
    EXPECT_EQ(lines[at++], "");

    struct Memory
    {
        const char* number;
        const char* type;
        const char* fs;
        const char* weighting;
        std::vector<int> channels;
    };
    const Memory memories[] = {
        {"memory 1", "data type: Peak", "Fs: 44100", fft ? "Weighting: C-weighted" : "Weighting: A-weighted", {0, 1}},
        {"memory 3", "data type: Average", "Fs: 32000", "Weighting: NONE", c.taken},
    };
    for (const Memory& m : memories)
    {
        const Lines head{kSep, m.number, m.type, m.fs, "Bands: " + std::to_string(bands), m.weighting, kSep, c.memColumns};
        ASSERT_GE(lines.size(), at + head.size() + rows + 1);
        EXPECT_EQ(Lines(lines.begin() + static_cast<std::ptrdiff_t>(at),
                        lines.begin() + static_cast<std::ptrdiff_t>(at + head.size())), head);
        at += head.size();
        for (int i = 0; i < rows; ++i, ++at)
        {
            const auto fields = Split(lines[at], '\t');
            const std::size_t lead = fft ? 1 : 2;
            ASSERT_EQ(fields.size(), lead + m.channels.size()) << lines[at];
            // Bins at the current rate, not the slot's.
            EXPECT_EQ(fields[0], std::to_string(fft ? i * 48000 / 16 : i + 13));
            if (!fft)
            {
                EXPECT_EQ(fields[1], kLabels[i]);
            }
            for (std::size_t k = 0; k < m.channels.size(); ++k)
                EXPECT_EQ(fields[lead + k], Fixed1((m.channels[k] == 0 ? v0 : v1)[static_cast<std::size_t>(i)]));
        }
        EXPECT_EQ(lines[at++], "");
    }
    EXPECT_EQ(lines.size(), at);
}

INSTANTIATE_TEST_SUITE_P(
    Export, ExportModes,
    ::testing::Values(
        ModeCase{Config::kAnaFFT, Config::kChLeft, "Freq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)",
                 "Freq (Hz)\tL (dB)", {0}},
        ModeCase{Config::kAnaFFT, Config::kChRight, "Freq (Hz)\tR Peak (dB)\tR Peak Hold (dB)\tR Average (dB)",
                 "Freq (Hz)\tR (dB)", {1}},
        ModeCase{Config::kAnaFFT, Config::kChBoth,
                 "Freq (Hz)\tL Peak (dB)\tR Peak (dB)\tL Peak Hold (dB)\tR Peak Hold (dB)\tL Average (dB)\tR Average (dB)",
                 "Freq (Hz)\tL (dB)\tR (dB)", {0, 1}},
        ModeCase{Config::kAnaFFT, Config::kChSum,
                 "Freq (Hz)\tLR Mix Peak (dB)\tLR Mix Peak Hold (dB)\tLR Mix Average (dB)", "Freq (Hz)\tLR Mix (dB)", {1}},
        ModeCase{Config::kAna3rdOct, Config::kChLeft,
                 "ISO Band\tISO Freq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)", "ISO Band\tISO Freq (Hz)\tL (dB)",
                 {0}},
        ModeCase{Config::kAna3rdOct, Config::kChRight,
                 "ISO Band\tISO Freq (Hz)\tR Peak (dB)\tR Peak Hold (dB)\tR Average (dB)", "ISO Band\tISO Freq (Hz)\tR (dB)",
                 {1}},
        ModeCase{Config::kAna3rdOct, Config::kChBoth,
                 "ISO Band\tISO Freq (Hz)\tL Peak (dB)\tR Peak (dB)\tL Peak Hold (dB)\tR Peak Hold (dB)\tL Average "
                 "(dB)\tR Average (dB)",
                 "ISO Band\tISO Freq (Hz)\tL (dB)\tR (dB)", {0, 1}},
        ModeCase{Config::kAna3rdOct, Config::kChSum,
                 "ISO Band\tISO Freq (Hz)\tLR Mix Peak (dB)\tLR Mix Peak Hold (dB)\tLR Mix Average (dB)",
                 "ISO Band\tISO Freq (Hz)\tLR Mix (dB)", {0}}));

TEST_F(ExportTest, FftViewAt48kWithSize2048ShowsBothChannelsOfTheLiveCurve)
{
    Config().SetAnalysisChannel(Config::kChBoth);
    Config().SetPeakHold(false);
    Config().SetShowAverage(false);
    Open();
    const Lines lines = ExportLines();
    ASSERT_EQ(lines.size(), 13u + 1024u + 1u);
    EXPECT_EQ(lines[12], "Freq (Hz)\tL Peak (dB)\tR Peak (dB)");
    EXPECT_EQ(lines[13].rfind("0\t", 0), 0u);
    EXPECT_EQ(lines[14].rfind("23\t", 0), 0u);
    EXPECT_EQ(lines[13 + 1023].rfind("23976\t", 0), 0u);
    EXPECT_EQ(lines.back(), "");
}

TEST_F(ExportTest, SpectrogramGivesTheHeaderAlone)
{
    Config().SetSpectrumView(Config::kAnaSpectrogram);
    SetSlot(0, true, Config::kDtInstant, Config::kAnaSpectrogram, Config::kChLeft, 8, 48000, 0, {{1, 2, 3, 4}});
    Open();
    EXPECT_EQ(Export(), kSep + "\n" + kNameLine + "\n" + kSep + "\n\n");
}

// Each slot: shown, of this view and holding data, or left out; its data
// type named; its levels rounded to one decimal.
TEST_F(ExportTest, MemorySlotsAreLabelledByTypeAndLeftOutWhenForeignOrEmpty)
{
    Config().SetAnalysisChannel(Config::kChLeft);
    Open();
    SetSlot(1, true, Config::kDtInstant, Config::kAna3rdOct, Config::kChLeft, 8, 48000, 0, {{1, 2, 3, 4}});
    SetSlot(2, true, Config::kDtInstant, Config::kAnaFFT, Config::kChLeft, 8, 48000, 0, {{}, {}});
    const std::pair<int, std::string> types[] = {{0, "Peak"}, {1, "Average"}, {2, "Peak Hold"}, {7, ""}};
    for (const auto& [type, label] : types)
    {
        SetSlot(0, true, type, Config::kAnaFFT, Config::kChLeft, 8, 48000, 2,
                {{-3.96f, -0.04f, 12.26f, 0.25f}, {}});
        const Lines lines = ExportLines();
        const Lines want{kSep,         "memory 1", "data type: " + label, "Fs: 48000", "Bands: 8",
                         "Weighting: B-weighted", kSep, "Freq (Hz)\tL (dB)", "0\t-4.0", "6000\t-0.0",
                         "12000\t12.3", "18000\t0.2", ""};
        ASSERT_GE(lines.size(), want.size());
        EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(want.size()), lines.end()), want) << type;
        EXPECT_EQ(lines.size(), 13u + 1024u + 1u + want.size()) << type;
    }
}

struct RateCase
{
    double rate;
    int rows;
    const char* fs;
    const char* lastRow;
};

class ExportThirdOctaveRates : public ExportTest, public ::testing::WithParamInterface<RateCase>
{
};

TEST_P(ExportThirdOctaveRates, OneRowPerBandOfTheBank)
{
    const RateCase c = GetParam();
    mRate = c.rate;
    mPlugin.SetSampleRate(static_cast<float>(mRate));
    Config().SetSpectrumView(Config::kAna3rdOct);
    Config().SetAnalysisChannel(Config::kChLeft);
    Config().SetShowAverage(true);
    Open();
    const Lines lines = ExportLines();
    ASSERT_EQ(lines.size(), 11u + c.rows + 1u);
    EXPECT_EQ(lines[7], c.fs);
    EXPECT_EQ(lines[10], "ISO Band\tISO Freq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)");
    EXPECT_EQ(lines[11 + 17].rfind("30\t1k\t", 0), 0u);
    EXPECT_EQ(Split(lines[11 + 17], '\t').size(), 5u);
    EXPECT_EQ(lines[10 + c.rows].rfind(c.lastRow, 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(Export, ExportThirdOctaveRates,
                         ::testing::Values(RateCase{44100.0, 31, "Fs: 44100.0", "43\t20k\t"},
                                           RateCase{32000.0, 30, "Fs: 32000.0", "42\t16k\t"}));

TEST_F(ExportTest, WithEveryCurveOffRowsHoldOnlyTheirFrequency)
{
    for (int view : {Config::kAnaFFT, Config::kAna3rdOct})
    {
        Config().SetSpectrumView(view);
        Config().SetInstantaneous(false);
        Config().SetPeakHold(false);
        Config().SetShowAverage(false);
    }
    Open();
    for (int view : {Config::kAnaFFT, Config::kAna3rdOct})
    {
        Config().SetSpectrumView(view);
        const bool fft = view == Config::kAnaFFT;
        const Lines lines = ExportLines();
        const std::size_t first = fft ? 13 : 11;
        ASSERT_EQ(lines.size(), first + (fft ? 1024 : 31) + 1);
        EXPECT_EQ(lines[first - 1], fft ? "Freq (Hz)" : "ISO Band\tISO Freq (Hz)");
        for (std::size_t i = first; i + 1 < lines.size(); ++i)
            EXPECT_EQ(Split(lines[i], '\t').size(), fft ? 1u : 2u) << lines[i];
    }
}

class ExportMonoTest : public ExportTest
{
protected:
    ExportMonoTest() : ExportTest(1) {}
};

TEST_F(ExportMonoTest, AMonoInstanceExportsItsOneChannelAsLeft)
{
    Config().SetAnalysisChannel(Config::kChSum);
    Open();
    EXPECT_EQ(ExportLines()[12], "Freq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)");
}

// --- levels against a direct computation

struct LevelCase
{
    int mode;
    std::vector<double> amplitudes; // analysed, per column
};

class ExportLevels : public ExportTest, public ::testing::WithParamInterface<LevelCase>
{
};

// Left at amplitude 1, right at 0.5, in phase: the mix is their mean.
TEST_P(ExportLevels, FftLiveColumnsReadTheToneLevel)
{
    const LevelCase c = GetParam();
    Config().SetAnalysisChannel(c.mode);
    Config().SetPeakHold(false);
    Config().SetShowAverage(false);
    Open();
    constexpr int kBin = 64;
    Refresh(Tone(kBin, 2048, 1.0), Tone(kBin, 2048, 0.5), 10);
    const auto fields = Split(ExportLines()[13 + kBin], '\t');
    ASSERT_EQ(fields.size(), 1 + c.amplitudes.size());
    EXPECT_EQ(fields[0], "1500");
    for (std::size_t k = 0; k < c.amplitudes.size(); ++k)
    {
        const auto [low, high] = HannToneLevel(c.amplitudes[k], kBin, 2048);
        const double level = std::stod(fields[k + 1]);
        EXPECT_GE(level, low - 0.1) << k;
        EXPECT_LE(level, high + 0.1) << k;
    }
}

// The same amplitudes at 1 kHz (band index 17): the live value is the tone's
// peak, the average its RMS.
TEST_P(ExportLevels, ThirdOctaveBandReadsTheTonePeakAndRms)
{
    const LevelCase c = GetParam();
    Config().SetSpectrumView(Config::kAna3rdOct);
    Config().SetAnalysisChannel(c.mode);
    Config().SetPeakHold(false);
    Config().SetShowAverage(true);
    Config().SetAveragingTime(0.1f);
    Open();
    const double hz = 1000.0 * std::pow(2.0, 10.0 / 3.0);
    Refresh(Hz(hz, 1.0), Hz(hz, 0.5), 30);
    const auto fields = Split(ExportLines()[11 + 27], '\t');
    const std::size_t n = c.amplitudes.size();
    ASSERT_EQ(fields.size(), 2 + 2 * n);
    for (std::size_t k = 0; k < n; ++k)
    {
        EXPECT_NEAR(std::stod(fields[2 + k]), 20.0 * std::log10(c.amplitudes[k]), 0.1) << k;
        EXPECT_NEAR(std::stod(fields[2 + n + k]), 20.0 * std::log10(c.amplitudes[k] / std::sqrt(2.0)), 0.1)
            << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Export, ExportLevels,
                         ::testing::Values(LevelCase{Config::kChLeft, {1.0}}, LevelCase{Config::kChRight, {0.5}},
                                           LevelCase{Config::kChBoth, {1.0, 0.5}},
                                           LevelCase{Config::kChSum, {0.75}}));

// --- numbers whatever locale the host set

class ExportLocale : public ExportTest, public ::testing::WithParamInterface<LocaleTest::LocaleKind>
{
};

TEST_P(ExportLocale, TextIsTheSameInADecimalCommaLocale)
{
    if (!LocaleTest::DecimalCommaLocaleAvailable())
        GTEST_SKIP() << "no decimal-comma locale";
    Config().SetAnalysisChannel(Config::kChBoth);
    Open();
    Refresh(Tone(64, 2048, 0.7), Tone(300, 2048, 0.2), 5);
    const std::string plain = Export();
    const LocaleTest::DecimalCommaScope scope(GetParam());
    ASSERT_TRUE(scope.IsActive());
    EXPECT_EQ(Export(), plain);
}

QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(ExportLocale);

// --- the export command

class ExportCommandTest : public ExportTest
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mDir = fs::temp_directory_path() /
               ("quarvix-test-" + std::to_string(::getpid()) + "-export-" + info->name());
        fs::remove_all(mDir);
        fs::create_directories(mDir);
        Open();
        mEditor->SetDialogService(&mDialogs);
        Refresh(Tone(64, 2048, 0.7), Tone(300, 2048, 0.2), 3);
    }
    void TearDown() override { fs::remove_all(mDir); }

    ExportOutcome Run(std::optional<std::string> answer, std::string* error = nullptr)
    {
        mDialogs.answer = std::move(answer);
        return ExportAnalysisData(*mPlot, *mEditor->GetWindow(), error);
    }
    std::vector<std::pair<std::string, std::string>> Reports() const
    {
        std::vector<std::pair<std::string, std::string>> reports;
        for (const Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (const auto* e = dynamic_cast<const ErrorFrame*>(child))
                reports.emplace_back(e->GetMessage(), e->GetDetail());
        return reports;
    }
    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    std::size_t Entries() const
    {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()));
    }

    fs::path mDir;
    ScriptedDialogs mDialogs;
};

TEST_F(ExportCommandTest, TheChosenFileHoldsTheTextAlone)
{
    for (const auto& [answer, written] : {std::pair{"spectrum.txt", "spectrum.txt"}, {"report", "report.txt"}})
    {
        EXPECT_EQ(Run((mDir / answer).string()), ExportOutcome::kWritten);
        EXPECT_EQ(Read(mDir / written), Export()) << answer;
    }
    EXPECT_EQ(Entries(), 2u);
    ASSERT_EQ(mDialogs.asked.size(), 2u);
    const FileDialogRequest& request = mDialogs.asked[0];
    EXPECT_TRUE(request.save);
    EXPECT_EQ(request.defaultName, "QUARVIX Spectrum Export.txt");
    EXPECT_EQ(request.extension, ".txt");
    ASSERT_EQ(request.filters.size(), 2u);
    EXPECT_EQ(request.filters[0].label, "Text Files (*.txt)");
    EXPECT_EQ(request.filters[0].pattern, "*.txt");
    EXPECT_EQ(request.filters[1].label, "All Files (*.*)");
    EXPECT_EQ(request.filters[1].pattern, "*.*");
    EXPECT_TRUE(Reports().empty());
}

TEST_F(ExportCommandTest, CancellingWritesNothing)
{
    EXPECT_EQ(Run(std::nullopt), ExportOutcome::kCancelled);
    EXPECT_EQ(mDialogs.asked.size(), 1u);
    EXPECT_EQ(Entries(), 0u);
    EXPECT_TRUE(Reports().empty());
}

int gWriteError = 0;
ssize_t FailingWrite(int, const void*, std::size_t)
{
    errno = gWriteError;
    return -1;
}

// A missing directory, a directory in the way, a disk that fills up under an
// existing export: reported, and nothing left half written.
TEST_F(ExportCommandTest, AFailedWriteIsReportedAndLeavesTheTargetAsItWas)
{
    fs::create_directory(mDir / "taken.txt");
    { std::ofstream(mDir / "old.txt") << "previous export"; }
    const Platform::FileSystemCalls full{&FailingWrite, &::fsync, &::close, &::rename};
    gWriteError = ENOSPC;
    struct FailCase
    {
        fs::path path;
        const Platform::FileSystemCalls* calls;
    };
    for (const FailCase& c : {FailCase{mDir / "absent" / "out.txt", nullptr}, FailCase{mDir / "taken.txt", nullptr},
                              FailCase{mDir / "old.txt", &full}})
    {
        const Platform::FileSystemCalls saved = Platform::SetFileSystemCallsForTesting(c.calls);
        std::string error;
        EXPECT_EQ(Run(c.path.string(), &error), ExportOutcome::kFailed) << c.path;
        Platform::SetFileSystemCallsForTesting(&saved);
        EXPECT_FALSE(error.empty()) << c.path;
        const auto reports = Reports();
        ASSERT_FALSE(reports.empty()) << c.path;
        EXPECT_EQ(reports.back().first, "Unable to export analysis data");
        EXPECT_EQ(reports.back().second, error);
    }
    EXPECT_NE(Reports().back().second.find(std::strerror(ENOSPC)), std::string::npos);
    EXPECT_EQ(Entries(), 2u);
    EXPECT_TRUE(fs::is_empty(mDir / "taken.txt"));
    EXPECT_EQ(Read(mDir / "old.txt"), "previous export");
}

} // namespace
