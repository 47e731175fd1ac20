// quarvix-host analyze end to end: audio files and the demo signal through
// the module with its editor open on the host program's window, the export
// and the snapshot it writes, and the refusals of bad input.

#include "HostProgramFixture.h"

#include "gui/PixelBuffer.h"
#include "gui/PngImage.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using TestFiles::ReadFile;


// One row of an export's real-time section: frequency and the first column.
struct Row
{
    double hz = 0.0;
    double db = 0.0;
};

std::vector<Row> RealTimeRows(const std::string& text)
{
    std::vector<Row> rows;
    std::istringstream in(text);
    std::string line;
    bool inTable = false;
    while (std::getline(in, line))
    {
        if (line.rfind("Freq (Hz)", 0) == 0)
        {
            inTable = true;
            continue;
        }
        if (!inTable)
            continue;
        if (line.empty())
            break;
        std::istringstream columns(line);
        Row row;
        columns >> row.hz >> row.db;
        rows.push_back(row);
    }
    return rows;
}

class AnalyzeTest : public HostProgramFixture
{
protected:
    RunResult Run(const std::string& arguments) { return HostProgramFixture::Run("analyze " + arguments); }

    // A full-scale sine, 32-bit float, mono.
    fs::path WriteSine(double hz, double seconds, int rate = 48000)
    {
        const fs::path path = mDir / "sine.wav";
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = 1;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        std::vector<float> data(static_cast<std::size_t>(seconds * rate));
        for (std::size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<float>(std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate));
        sf_writef_float(file, data.data(), static_cast<sf_count_t>(data.size()));
        sf_close(file);
        return path;
    }
};

// A 1 kHz sine peaks at 1 kHz and -6.02 dB in the export (a flat-top window
// reads a tone between bins at its level), and another run, with the same or
// other blocks, gives the same text byte for byte.
TEST_F(AnalyzeTest, SineExportPeaksAtItsFrequencyAndLevelAndRepeatsExactly)
{
    const fs::path sine = WriteSine(1000.0, 3.0);
    const std::string args = "'" + sine.string() + "' --window flat-top --quiet --export ";
    const RunResult first = Run(args + "'" + (mDir / "a.txt").string() + "'");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find("analysed 3.000 s of 1 channel(s) at 48000 Hz"), std::string::npos) << first.out;
    const std::string text = ReadFile(mDir / "a.txt");
    const std::vector<Row> rows = RealTimeRows(text);
    ASSERT_EQ(rows.size(), 1024u);
    const Row peak = *std::max_element(rows.begin(), rows.end(),
                                       [](const Row& a, const Row& b) { return a.db < b.db; });
    EXPECT_NEAR(peak.hz, 1000.0, 48000.0 / 2048.0);
    EXPECT_NEAR(peak.db, -6.02, 0.05);
    EXPECT_EQ(text.find('\0'), std::string::npos);

    const RunResult second = Run(args + "'" + (mDir / "b.txt").string() + "'");
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(ReadFile(mDir / "b.txt"), text);
    // Nor do the blocks the host cuts the audio into change what it shows.
    for (const char* block : {"333", "4096"})
    {
        const RunResult other = Run(args + "'" + (mDir / "c.txt").string() + "' --block " + block);
        ASSERT_EQ(other.status, 0) << other.err;
        EXPECT_EQ(ReadFile(mDir / "c.txt"), text) << "blocks of " << block;
    }
    // --at stops there.
    const RunResult early = Run(args + "'" + (mDir / "d.txt").string() + "' --at 1.5");
    ASSERT_EQ(early.status, 0) << early.err;
    EXPECT_NE(early.out.find("analysed 1.500 s"), std::string::npos) << early.out;
}

// With no input the demo signal is analysed; options pick the view and its
// settings, and the snapshot shows the editor in that view.
TEST_F(AnalyzeTest, DemoSignalWithOptionsWritesSnapshotAndExport)
{
    const RunResult run = Run("--view bars --channels both --range 60 --quiet --export '" +
                              (mDir / "bars.txt").string() + "' --snapshot '" + (mDir / "bars.png").string() + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("from the demo signal (third-octave view"), std::string::npos) << run.out;
    const std::string text = ReadFile(mDir / "bars.txt");
    EXPECT_NE(text.find("Third Octave Analysis Data Export\n"), std::string::npos);
    EXPECT_NE(text.find("ISO Band\tISO Freq (Hz)\tL Peak (dB)\tR Peak (dB)"), std::string::npos) << text;

    PixelBuffer image;
    std::string error;
    ASSERT_TRUE(PngImage::Read(mDir / "bars.png", image, &error)) << error;
    EXPECT_EQ(image.width, 912);
    EXPECT_EQ(image.height, 424);
    // The snapshot is the reviewed picture of this run.
    PixelBuffer reference;
    ASSERT_TRUE(PngImage::Read(fs::path(QUARVIX_TEST_DATA_DIR) / "snapshots" / "analyze-demo-bars.png", reference,
                               &error))
        << error;
    EXPECT_EQ(image.pixels, reference.pixels);
}

// Bad input: one clear message, status 1, nothing written.
TEST_F(AnalyzeTest, BadInputGetsOneMessageAndNoOutput)
{
    const std::string out = (mDir / "out.txt").string();
    const std::string png = (mDir / "out.png").string();
    struct Case
    {
        std::string args;
        std::string message;
    } cases[] = {
        {"--quiet", "nothing to write"},
        {"'" + (mDir / "missing.wav").string() + "' --export '" + out + "'", "missing.wav"},
        {"--at 0 --export '" + out + "'", "--at must be"},
        {"--block 0 --export '" + out + "'", "block size"},
        {"--export '" + mDir.string() + "'", "cannot write"},
        {"--view waterfall --export '" + out + "'", "--view"},
        {"--export '" + out + "' --snapshot '" + out + "'", "same file"},
        {"--load-settings '" + (mDir / "missing.quarvix").string() + "' --snapshot '" + png + "'",
         "settings file"},
    };
    for (const Case& c : cases)
    {
        const RunResult run = Run(c.args);
        EXPECT_EQ(run.status, 1) << c.args;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.args << ": " << run.err;
        EXPECT_FALSE(fs::exists(out) && !fs::is_directory(out)) << c.args;
        EXPECT_FALSE(fs::exists(png)) << c.args;
    }
    // No drafts left beside the outputs either.
    for (const auto& entry : fs::directory_iterator(mDir))
        EXPECT_EQ(entry.path().filename().string().find(".analyze-"), std::string::npos) << entry.path();
}

} // namespace
