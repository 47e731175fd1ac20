// The analysis data export over the real plug-in: the text of every view and
// channel mode against documents written out here, its levels against the
// signals', its numbers in a decimal-comma locale, the export command.

#include "ScriptedDialogs.h"
#include "SpecPlotTestSupport.h"

#include "editor/QVXExportCommand.h"
#include "editor/QVXSpecPlotBars.h"
#include "gui/ErrorFrame.h"
#include "platform/SafeFile.h"
#include "serialization/LocaleTestSupport.h"
#include "support/TestFiles.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
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

Lines Split(const std::string& text, char separator)
{
    Lines parts(1);
    for (char c : text)
        if (c == separator)
            parts.emplace_back();
        else
            parts.back().push_back(c);
    return parts;
}

// A level's column: a tab and the level with one decimal.
std::string Cell(float value)
{
    char text[64];
    std::snprintf(text, sizeof text, "\t%.1f", static_cast<double>(value));
    return text;
}


class ExportTest : public PlotFixture
{
protected:
    std::string Export() const
    {
        std::ostringstream out;
        mPlot->ExportText(out);
        return out.str();
    }
    // The lines, each ended by a line feed alone.
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
    // The level of a real-time curve (0 live, 1 average, 2 peak hold) the plot shows.
    float Shown(int view, int channel, int type, int i) const
    {
        if (view == Config::kAna3rdOct)
        {
            const auto& bars = dynamic_cast<const QVXSpecPlotBars&>(mPlot->GetThirdOctaveView());
            const auto& band = bars.GetBands(channel)[static_cast<std::size_t>(i)];
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
        std::tie(data.mType, data.mView, data.mAnalysisChannel, data.mBands, data.mFs, data.mWeighting) =
            std::tie(type, view, mode, bands, fs, weighting);
        data.mChannels = std::move(channels);
        Config().SetMemSlotData(index, data);
        Config().SetMemSlotVisible(index, visible);
    }
};

class ExportModes : public ExportTest, public ::testing::WithParamInterface<std::tuple<int, int>> {};

// Real-time curves that differ in every column, a memory slot stored in
// "both" (its columns outnumber the header's in the other modes), a hidden
// slot, and a slot stored in the case's own mode.
TEST_P(ExportModes, DocumentFollowsTheViewAndTheChannelMode)
{
    const auto [view, mode] = GetParam();
    const bool fft = view == Config::kAnaFFT;
    // The names of a mode's columns and the channels they take: the mix is
    // the FFT curves' second channel and the filter bank's first.
    const std::map<int, std::pair<Lines, std::vector<int>>> modes{
        {Config::kChLeft, {{"L"}, {0}}}, {Config::kChRight, {{"R"}, {1}}},
        {Config::kChBoth, {{"L", "R"}, {0, 1}}}, {Config::kChSum, {{"LR Mix"}, {fft ? 1 : 0}}}};
    const auto& [names, taken] = modes.at(mode);
    std::string columns = fft ? "Freq (Hz)" : "ISO Band\tISO Freq (Hz)";
    std::string memColumns = columns;
    for (const char* curve : {" Peak", " Peak Hold", " Average"})
        for (const std::string& name : names)
            columns += "\t" + name + curve + " (dB)";
    for (const std::string& name : names)
        memColumns += "\t" + name + " (dB)";
    Config().SetSpectrumView(view);
    Config().SetAnalysisChannel(mode);
    Config().SetInstantaneous(true);
    Config().SetPeakHold(true);
    Config().SetShowAverage(true);
    Config().SetSpecWeighting(fft ? 1 : 3);
    Config().SetFftSize(1024);
    Config().SetWinType(2);
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
    SetSlot(0, true, Config::kDtInstant, view, Config::kChBoth, bands, 44100, fft ? 3 : 1, {v0, v1});
    SetSlot(1, false, Config::kDtPeakHold, view, mode, bands, 44100, 0, {v0, v1});
    SetSlot(2, true, Config::kDtAverage, view, mode, bands, 32000, 0, {v0, v1});

    Lines want{kSep, kNameLine, fft ? "FFT Analysis Data Export" : "Third Octave Analysis Data Export",
               kSep, "", kSep, "real time data", "Fs: 48000.0"};
    if (fft)
        want.insert(want.end(), {"FFT Size: 1024", "FFT Window: Blackman-Harris (4-term)", "Weighting: A-weighted"});
    else
        want.push_back("Weighting: C-weighted");
    want.insert(want.end(), {kSep, columns});
    // Row i's leading columns: its frequency (of `size` bins) or its ISO band and label.
    const auto row = [&](int i, int size)
    { return fft ? std::to_string(i * 48000 / size) : std::to_string(i + 13) + "\t" + kLabels[i]; };
    for (int i = 0; i < (fft ? 512 : 31); ++i)
    {
        want.push_back(row(i, 1024));
        for (int type : {0, 2, 1}) // live, peak hold, average
            for (int channel : taken)
                want.back() += Cell(Shown(view, channel, type, i));
    }
    want.push_back("");

    // Memory 1 and 3 (2 is hidden), the first in both channels; bins at the current rate.
    const std::pair<Lines, std::vector<int>> memories[] = {
        {{"memory 1", "data type: Peak", "Fs: 44100", fft ? "Weighting: C-weighted" : "Weighting: A-weighted"}, {0, 1}},
        {{"memory 3", "data type: Average", "Fs: 32000", "Weighting: NONE"}, taken},
    };
    for (const auto& [labels, channels] : memories)
    {
        want.insert(want.end(), {kSep, labels[0], labels[1], labels[2], "Bands: " + std::to_string(bands),
                                 labels[3], kSep, memColumns});
        for (int i = 0; i < rows; ++i)
        {
            want.push_back(row(i, 16));
            for (int channel : channels)
                want.back() += Cell((channel == 0 ? v0 : v1)[static_cast<std::size_t>(i)]);
        }
        want.push_back("");
    }
    EXPECT_EQ(ExportLines(), want);
}

INSTANTIATE_TEST_SUITE_P(Export, ExportModes,
                         ::testing::Combine(::testing::Values(Config::kAnaFFT, Config::kAna3rdOct),
                                            ::testing::Values(Config::kChLeft, Config::kChRight,
                                                              Config::kChBoth, Config::kChSum)));

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
        ASSERT_EQ(lines.size(), 13u + 1024u + 1u + want.size()) << type;
        EXPECT_EQ(Lines(lines.end() - static_cast<std::ptrdiff_t>(want.size()), lines.end()), want) << type;
    }
}

// At 32 kHz the bank ends with the 16k band.
TEST_F(ExportTest, ThirdOctaveRowsAreTheBandsOfTheBankAtTheRate)
{
    mRate = 32000.0;
    mPlugin.SetSampleRate(static_cast<float>(mRate));
    Config().SetSpectrumView(Config::kAna3rdOct);
    Config().SetAnalysisChannel(Config::kChLeft);
    Config().SetShowAverage(true);
    Open();
    const Lines lines = ExportLines();
    ASSERT_EQ(lines.size(), 11u + 30u + 1u);
    EXPECT_EQ(lines[7], "Fs: 32000.0");
    EXPECT_EQ(lines[10], "ISO Band\tISO Freq (Hz)\tL Peak (dB)\tL Peak Hold (dB)\tL Average (dB)");
    EXPECT_EQ(lines[11 + 17].rfind("30\t1k\t", 0), 0u);
    EXPECT_EQ(Split(lines[11 + 17], '\t').size(), 5u);
    EXPECT_EQ(lines[10 + 30].rfind("42\t16k\t", 0), 0u);
}

// And the spectrogram gives the header alone, whatever its slots hold.
TEST_F(ExportTest, WithEveryCurveOffRowsHoldOnlyTheirFrequency)
{
    // The curve switches are each view's own.
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
    Config().SetSpectrumView(Config::kAnaSpectrogram);
    SetSlot(0, true, Config::kDtInstant, Config::kAnaSpectrogram, Config::kChLeft, 8, 48000, 0, {{1, 2, 3, 4}});
    EXPECT_EQ(Export(), kSep + "\n" + kNameLine + "\n" + kSep + "\n\n");
}

struct LevelCase
{
    int mode;
    std::vector<double> amplitudes; // analysed, per column
};

class ExportLevels : public ExportTest, public ::testing::WithParamInterface<LevelCase> {};

// Left at amplitude 1, right at 0.5, in phase: the mix is their mean. The
// default FFT of 2048 points at 48 kHz gives 1024 rows, the live curve alone;
// the bars give the live value and the average.
TEST_P(ExportLevels, FftAndThirdOctaveColumnsReadTheToneLevels)
{
    const LevelCase c = GetParam();
    for (const int view : {Config::kAna3rdOct, Config::kAnaFFT})
    {
        Config().SetSpectrumView(view);
        Config().SetAnalysisChannel(c.mode);
        Config().SetPeakHold(false);
        Config().SetShowAverage(view == Config::kAna3rdOct);
        Config().SetAveragingTime(0.1f);
    }
    Open();
    constexpr int kBin = 64;
    Refresh(Tone(kBin, 2048, 1.0), Tone(kBin, 2048, 0.5), 10);
    const Lines lines = ExportLines();
    ASSERT_EQ(lines.size(), 13u + 1024u + 1u);
    if (c.mode == Config::kChBoth)
    {
        EXPECT_EQ(lines[12], "Freq (Hz)\tL Peak (dB)\tR Peak (dB)");
    }
    EXPECT_EQ(lines[14].rfind("23\t", 0), 0u);
    EXPECT_EQ(lines[13 + 1023].rfind("23976\t", 0), 0u);
    const auto fields = Split(lines[13 + kBin], '\t');
    ASSERT_EQ(fields.size(), 1 + c.amplitudes.size());
    EXPECT_EQ(fields[0], "1500");
    // A sine centred on a bin puts half its amplitude there, whatever the
    // window once its gain is taken out.
    for (std::size_t k = 0; k < c.amplitudes.size(); ++k)
        EXPECT_NEAR(std::stod(fields[k + 1]), 20.0 * std::log10(c.amplitudes[k] / 2), 0.1) << k;

    // At 10 kHz (band index 27) the live value is the tone's peak, the average its RMS.
    Config().SetSpectrumView(Config::kAna3rdOct);
    const double hz = 1000.0 * std::pow(2.0, 10.0 / 3.0);
    Refresh(Hz(hz, 1.0), Hz(hz, 0.5), 30);
    const auto bands = Split(ExportLines()[11 + 27], '\t');
    const std::size_t n = c.amplitudes.size();
    ASSERT_EQ(bands.size(), 2 + 2 * n);
    for (std::size_t k = 0; k < n; ++k)
    {
        EXPECT_NEAR(std::stod(bands[2 + k]), 20.0 * std::log10(c.amplitudes[k]), 0.1) << k;
        EXPECT_NEAR(std::stod(bands[2 + n + k]), 20.0 * std::log10(c.amplitudes[k] / std::sqrt(2.0)), 0.1)
            << k;
    }
}

INSTANTIATE_TEST_SUITE_P(Export, ExportLevels,
                         ::testing::Values(LevelCase{Config::kChLeft, {1.0}}, LevelCase{Config::kChRight, {0.5}},
                                           LevelCase{Config::kChBoth, {1.0, 0.5}},
                                           LevelCase{Config::kChSum, {0.75}}));

class ExportLocale : public ExportTest, public ::testing::WithParamInterface<LocaleTest::LocaleKind> {};

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
    Pairs Reports() const
    {
        Pairs reports;
        for (const Frame* child : mEditor->GetMasterFrame()->GetChildren())
            if (const auto* e = dynamic_cast<const ErrorFrame*>(child))
                reports.emplace_back(e->GetMessage(), e->GetDetail());
        return reports;
    }
    std::ptrdiff_t Entries() const { return std::distance(fs::directory_iterator(mDir), fs::directory_iterator()); }

    fs::path mDir;
    ScriptedDialogs mDialogs;
};

// Cancelled: nothing written; then the chosen file, with ".txt" added to a
// name typed without it, holds the text alone.
TEST_F(ExportCommandTest, TheChosenFileHoldsTheTextAloneAndCancellingWritesNothing)
{
    EXPECT_EQ(Run(std::nullopt), ExportOutcome::kCancelled);
    EXPECT_EQ(Entries(), 0);
    for (const auto& [answer, written] : {std::pair{"spectrum.txt", "spectrum.txt"}, {"report", "report.txt"}})
    {
        EXPECT_EQ(Run((mDir / answer).string()), ExportOutcome::kWritten);
        EXPECT_EQ(TestFiles::ReadFile(mDir / written), Export()) << answer;
    }
    EXPECT_EQ(Entries(), 2);
    ASSERT_EQ(mDialogs.asked.size(), 3u);
    const FileDialogRequest& request = mDialogs.asked[0];
    EXPECT_EQ(std::tie(request.save, request.defaultName, request.extension),
              std::make_tuple(true, "QUARVIX Spectrum Export.txt", ".txt"));
    EXPECT_EQ(mDialogs.Filters(0), (Pairs{{"Text Files (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}}));
    EXPECT_TRUE(Reports().empty());
}

// A disk that is full.
ssize_t FailingWrite(int, const void*, std::size_t)
{
    errno = ENOSPC;
    return -1;
}

// A missing directory, a directory in the way, a disk that fills up under an
// existing export: reported, and nothing left half written.
TEST_F(ExportCommandTest, AFailedWriteIsReportedAndLeavesTheTargetAsItWas)
{
    fs::create_directory(mDir / "taken.txt");
    { std::ofstream(mDir / "old.txt") << "previous export"; }
    const Platform::FileSystemCalls full{&FailingWrite, &::fsync, &::close, &::rename};
    using FailCase = std::pair<fs::path, const Platform::FileSystemCalls*>;
    for (const auto& [path, calls] : {FailCase{mDir / "absent" / "out.txt", nullptr},
                                      FailCase{mDir / "taken.txt", nullptr}, FailCase{mDir / "old.txt", &full}})
    {
        const Platform::FileSystemCalls saved = Platform::SetFileSystemCallsForTesting(calls);
        std::string error;
        EXPECT_EQ(Run(path.string(), &error), ExportOutcome::kFailed) << path;
        Platform::SetFileSystemCallsForTesting(&saved);
        EXPECT_FALSE(error.empty()) << path;
        const auto reports = Reports();
        ASSERT_FALSE(reports.empty()) << path;
        EXPECT_EQ(reports.back(), std::make_pair(std::string("Unable to export analysis data"), error));
    }
    EXPECT_NE(Reports().back().second.find(std::strerror(ENOSPC)), std::string::npos);
    EXPECT_EQ(Entries(), 2);
    EXPECT_TRUE(fs::is_empty(mDir / "taken.txt"));
    EXPECT_EQ(TestFiles::ReadFile(mDir / "old.txt"), "previous export");
}

} // namespace
