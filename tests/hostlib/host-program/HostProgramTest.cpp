// quarvix-host end to end: generated audio files through the command-line
// host and the module it loads, compared sample for sample.

#include "HostProgramFixture.h"

#include "support/ProductIdentity.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;

using TestFiles::ReadFile;
using TestFiles::WriteFile;

// Every sample of a file, with its layout. Doubles hold every integer and
// float sample exactly, so the comparison goes through no rounding.
struct Samples
{
    SF_INFO info{};
    std::vector<double> values;
};

Samples ReadSamples(const fs::path& path)
{
    Samples samples;
    if (SNDFILE* file = sf_open(path.c_str(), SFM_READ, &samples.info))
    {
        samples.values.resize(static_cast<std::size_t>(samples.info.frames * samples.info.channels));
        sf_readf_double(file, samples.values.data(), samples.info.frames);
        sf_close(file);
    }
    return samples;
}

// Interleaved samples written in `format`, clipped to full scale.
void WriteSamples(const fs::path& path, int channels, int rate, int format, const std::vector<double>& data)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    const auto frames = static_cast<sf_count_t>(data.size()) / channels;
    ASSERT_EQ(sf_writef_double(file, data.data(), frames), frames);
    sf_close(file);
}

// A WAV with a sweep, noise and the format's extremes in it.
void WriteTestFile(const fs::path& path, int channels, int rate, int subtype, double seconds)
{
    std::mt19937 random(static_cast<std::uint32_t>(rate + channels));
    std::uniform_real_distribution<double> noise(-0.2, 0.2);
    std::vector<double> data(static_cast<std::size_t>(seconds * rate) * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < data.size(); ++i)
    {
        const double t = static_cast<double>(i / channels) / rate;
        data[i] = 0.7 * std::sin(2.0 * M_PI * (100.0 + 4000.0 * t * static_cast<double>(i % channels + 1)) * t) + noise(random);
    }
    data[0] = -1.0;
    data[1] = 0.999;
    if (subtype == SF_FORMAT_FLOAT)
        data[2] = 1.5; // floats may go beyond full scale
    WriteSamples(path, channels, rate, SF_FORMAT_WAV | subtype, data);
}

class HostProgramTest : public HostProgramFixture
{
protected:
    std::string Path(const std::string& name) const
    {
        std::string quoted = "'"; // built up in place: GCC 12 sees a false overlap in "'" + path (its bug 105651)
        quoted += (mDir / name).string();
        return quoted += "'";
    }
    std::string Process(const std::string& in, const std::string& out) const { return "process " + Path(in) + " " + Path(out); }

    // Only the files the test made itself remain: no partial output, no temporary files.
    void ExpectOnlyFiles(std::vector<std::string> names) const
    {
        names.push_back("config");
        std::vector<std::string> present;
        for (const auto& entry : fs::directory_iterator(mDir))
            present.push_back(entry.path().filename().string());
        std::sort(present.begin(), present.end());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(present, names);
    }
};

struct Layout
{
    int channels, rate, subtype;
    const char* name;
};
class HostProgramPassThroughTest : public HostProgramTest, public ::testing::WithParamInterface<Layout>
{
};

TEST_P(HostProgramPassThroughTest, OutputEqualsInputSampleForSampleAtEveryBlockSizeAndPaced)
{
    const Layout layout = GetParam();
    WriteTestFile(mDir / "in.wav", layout.channels, layout.rate, layout.subtype, 0.3);
    const Samples input = ReadSamples(mDir / "in.wav");
    ASSERT_EQ(input.info.channels, layout.channels);

    for (int block : {1, 64, 1024, 4096, 333})
    {
        for (bool bypass : {false, true})
        {
            // Paced, a run takes at least the audio's duration.
            const bool paced = block == 4096 && !bypass;
            SCOPED_TRACE("block " + std::to_string(block) + (bypass ? " bypassed" : "") + (paced ? " paced" : ""));
            const auto start = std::chrono::steady_clock::now();
            const RunResult run = Run(Process("in.wav", "out.wav") + " --block " + std::to_string(block) +
                                      (bypass ? " --bypass" : "") + (paced ? " --realtime" : ""));
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_TRUE(!paced || std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(290));
            EXPECT_NE(run.out.find(layout.channels == 1 ? "'mnRT'" : "'StRT'"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("audio passed unchanged"), std::string::npos) << run.out;
            const Samples output = ReadSamples(mDir / "out.wav");
            EXPECT_EQ(std::tuple(output.info.format, output.info.samplerate, output.info.channels, output.info.frames),
                      std::tuple(input.info.format, layout.rate, layout.channels, input.info.frames));
            EXPECT_TRUE(output.values == input.values);
            fs::remove(mDir / "out.wav");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, HostProgramPassThroughTest,
                         ::testing::Values(Layout{1, 44100, SF_FORMAT_PCM_16, "Mono44100Pcm16"},
                                           Layout{2, 44100, SF_FORMAT_PCM_16, "Stereo44100Pcm16"},
                                           Layout{1, 48000, SF_FORMAT_FLOAT, "Mono48000Float"},
                                           Layout{2, 48000, SF_FORMAT_FLOAT, "Stereo48000Float"},
                                           Layout{1, 96000, SF_FORMAT_PCM_24, "Mono96000Pcm24"},
                                           Layout{2, 96000, SF_FORMAT_PCM_24, "Stereo96000Pcm24"}),
                         [](const ::testing::TestParamInfo<Layout>& info) { return info.param.name; });

TEST_F(HostProgramTest, SavedSettingsLoadInAnotherRunAndReproduceTheState)
{
    WriteTestFile(mDir / "in.wav", 2, 48000, SF_FORMAT_PCM_16, 0.1);
    RunResult run = Run(Process("in.wav", "out.wav") + " --save-settings " + Path("first.quarvix"));
    ASSERT_EQ(run.status, 0) << run.err;
    // A state unlike the defaults: another FFT size and level floor in the first view.
    std::string edited = ReadFile(mDir / "first.quarvix");
    for (const auto& [from, to] : {std::pair{"\"fftSize\" type=\"i\">2048<", "\"fftSize\" type=\"i\">8192<"},
                                   {"\"levelRange.min\" type=\"f\">-90.0000000000000000<",
                                    "\"levelRange.min\" type=\"f\">-72.0000000000000000<"}})
    {
        ASSERT_NE(edited.find(from), std::string::npos) << from;
        edited.replace(edited.find(from), std::strlen(from), to);
    }
    WriteFile(mDir / "edited.quarvix", edited);

    run = Run(Process("in.wav", "out.wav") + " --load-settings " + Path("edited.quarvix") +
              " --save-settings " + Path("second.quarvix"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string second = ReadFile(mDir / "second.quarvix");
    EXPECT_EQ(TestFiles::MaskIds(second), TestFiles::MaskIds(edited));

    // The same state also comes from the default-settings file the registry points at.
    fs::create_directories(mDir / "defaults");
    WriteFile(mDir / "defaults" / "QVX Spectrum Analyzer.default", edited);
    fs::create_directories(mDir / "config" / "quarvix");
    WriteFile(mDir / "config" / "quarvix" / "registry",
              "[Software\\Corvanel Sound\\Default Settings]\n@=\"" + (mDir / "defaults").string() + "\"\n");
    run = Run(Process("in.wav", "out.wav") + " --save-settings " + Path("third.quarvix"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(TestFiles::MaskIds(ReadFile(mDir / "third.quarvix")), TestFiles::MaskIds(edited));
}

// Bad options and bad input end with status 1 and one message (an option
// error adds where to find help), and leave no output.
TEST_F(HostProgramTest, BadInputAndOptionsGetOneMessageAndNoOutput)
{
    WriteTestFile(mDir / "in.wav", 1, 44100, SF_FORMAT_PCM_16, 0.05);
    WriteTestFile(mDir / "three.wav", 3, 44100, SF_FORMAT_PCM_16, 0.05);
    WriteFile(mDir / "text.wav", "this is not audio at all, just some words in a file\n");
    std::string noChannels = ReadFile(mDir / "in.wav");
    noChannels.replace(22, 2, 2, '\0'); // a WAV header that claims no channels
    WriteFile(mDir / "none.wav", noChannels);
    WriteFile(mDir / "foreign.quarvix", "<obj_archive type=\"someone else's settings\">\n</obj_archive>\n");
    fs::create_directories(mDir / "adir");
    WriteFile(mDir / "empty.quarvix", "");
    // A FLAC stream announcing 200 million frames (the low 36 bits of bytes 18
    // to 25) but holding 2400: refused without reading it into memory.
    WriteSamples(mDir / "claims.flac", 2, 48000, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, std::vector<double>(2 * 2400, 0.03));
    std::string claims = ReadFile(mDir / "claims.flac");
    ASSERT_EQ(claims.compare(0, 4, "fLaC"), 0);
    std::uint64_t word = 0;
    for (int i = 18; i < 26; ++i)
        word = (word << 8) | static_cast<unsigned char>(claims[static_cast<std::size_t>(i)]);
    word = (word & ~((std::uint64_t{1} << 36) - 1)) | 200'000'000u;
    for (int i = 25; i >= 18; --i, word >>= 8)
        claims[static_cast<std::size_t>(i)] = static_cast<char>(word & 0xff);
    WriteFile(mDir / "claims.flac", claims);
    // A device, a pipe or a file with a second name is refused as output, and
    // left untouched; IN under another name is refused as the settings file.
    ASSERT_EQ(::mkfifo((mDir / "pipe").c_str(), 0600), 0);
    fs::create_hard_link(mDir / "text.wav", mDir / "second.wav");
    fs::create_hard_link(mDir / "in.wav", mDir / "in-too.wav");
    const std::string pipe = (mDir / "pipe").string(), second = (mDir / "second.wav").string();
    const std::vector<std::string> inputs = {"in.wav", "three.wav", "text.wav", "none.wav", "foreign.quarvix", "adir",
                                             "empty.quarvix", "claims.flac", "pipe", "second.wav", "in-too.wav"};

    // Each command line with text its one message must hold.
    const std::string help = "\nRun with --help for more information.";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", help}, {"process", help}, {"process a.wav", help}, {"process a.wav b.wav --block x", help},
        {"process a.wav b.wav --unknown", help}, {"nonsense", help},
        {Process("claims.flac", "out.flac"), "cannot read '" + (mDir / "claims.flac").string() +
                                                 "': it ends after 2400 frames, but its header announces 200000000"},
        {Process("missing.wav", "out.wav"), "cannot read"},
        {Process("text.wav", "out.wav"), "cannot read"},
        {Process("none.wav", "out.wav"), "none.wav"},
        {Process("three.wav", "out.wav"), "has 3 channels"},
        {Process("in.wav", "out.wav") + " --load-settings " + Path("missing.quarvix"),
         "cannot read the settings file"},
        {Process("in.wav", "nodir/out.wav"), "cannot write"},
        {Process("in.wav", "adir"), "cannot write"},
        {Process("in.wav", "out.wav") + " --save-settings " + Path("nodir/s.quarvix"),
         "cannot write"},
        {Process("in.wav", "out.wav") + " --block 0", "block size"},
        {Process("in.wav", "out.wav") + " --load-settings " + Path("adir"),
         "cannot read the settings file '" + (mDir / "adir").string() + "': it is a directory"},
        {Process("in.wav", "out.wav") + " --load-settings " + Path("empty.quarvix"), "': it is empty"},
        {Process("in.wav", "out.wav") + " --save-settings " + Path("in.wav"), "is the same file as"},
        {Process("in.wav", "out.wav") + " --save-settings " + Path("out.wav"), "is the same file as"},
        {Process("in.wav", "out.wav") + " --save-settings " + Path("in-too.wav"), "is the same file as"},
        {Process("in.wav", "/dev/null"), "cannot write '/dev/null': it is not a regular file"},
        {Process("in.wav", "pipe"), "cannot write '" + pipe + "': it is not a regular file"},
        {Process("in.wav", "second.wav"), "cannot write '" + second + "': it has other hard links"},
        // The refusal is the plug-in's own message box, shown on standard error.
        {Process("in.wav", "out.wav") + " --load-settings " + Path("foreign.quarvix"),
         std::string(ProductIdentity::kErrorCaption) + " [error]\nUnable to load settings.\n"
             "These are not valid settings or the settings have been corrupted.  \nquarvix-host: the plug-in refused the settings file"},
    };
    for (const auto& [arguments, message] : cases)
    {
        SCOPED_TRACE(arguments);
        const RunResult run = Run(arguments);
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1 + std::count(message.begin(), message.end(), '\n'))
            << run.err;
        ExpectOnlyFiles(inputs);
    }
    EXPECT_EQ(std::pair(fs::status("/dev/null").type(), fs::status(mDir / "pipe").type()),
              std::pair(fs::file_type::character, fs::file_type::fifo));
    EXPECT_EQ(ReadFile(mDir / "second.wav"), "this is not audio at all, just some words in a file\n");
    EXPECT_EQ(Run("--help").status, 0);
}

TEST_F(HostProgramTest, OutputsKeepLinksAndPermissionsMayBeTheInputAndKeepExtremeSamples)
{
    WriteTestFile(mDir / "in.wav", 1, 44100, SF_FORMAT_PCM_16, 0.05);
    const Samples input = ReadSamples(mDir / "in.wav");

    // A link to the output keeps being a link; a private output stays private.
    WriteFile(mDir / "target.wav", "old");
    ASSERT_EQ(::chmod((mDir / "target.wav").c_str(), 0600), 0);
    fs::create_symlink("target.wav", mDir / "link.wav");
    RunResult run = Run(Process("in.wav", "link.wav") + " --save-settings " + Path("link.wav.quarvix"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(mDir / "link.wav"));
    EXPECT_EQ(ReadSamples(mDir / "target.wav").values, input.values);
    EXPECT_EQ(fs::status(mDir / "target.wav").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    // OUT may be IN (read whole first). The largest 32-bit sample, exactly 1.0
    // as a float, comes back as itself, not one below or a wrap.
    std::vector<double> extremes(5000, 1.0);
    extremes[1] = -1.0;
    extremes[2] = 0.0;
    WriteSamples(mDir / "same.wav", 1, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_32, extremes);
    const Samples same = ReadSamples(mDir / "same.wav");
    ASSERT_EQ(same.values.front(), 2147483647.0 / 2147483648.0);
    run = Run(Process("same.wav", "same.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadSamples(mDir / "same.wav").values, same.values);

    ExpectOnlyFiles({"in.wav", "target.wav", "link.wav", "link.wav.quarvix", "same.wav"});
}

TEST_F(HostProgramTest, StoppedRunLeavesNoTemporaryFile)
{
    WriteTestFile(mDir / "in.wav", 2, 44100, SF_FORMAT_PCM_16, 3.0);
    for (const char* signalName : {"INT", "TERM"})
    {
        SCOPED_TRACE(signalName);
        // Paced, the run takes three seconds; it is stopped after half of one.
        const RunResult run = Run("--help >/dev/null; '" + std::string(QUARVIX_HOST_PROGRAM) + "' --module '" +
                                  QUARVIX_MODULE_PATH + "' " + Process("in.wav", "out.wav") +
                                  " --realtime --save-settings " + Path("s.quarvix") + " & sleep 0.5; kill -" +
                                  signalName + " $!; wait $!");
        EXPECT_NE(run.status, 0);
        ExpectOnlyFiles({"in.wav"});
    }
}

TEST_F(HostProgramTest, DescribeShowsIdentityTypesControlsChunkAndDescription)
{
    using namespace ProductIdentity;
    const RunResult run = Run("describe");
    ASSERT_EQ(run.status, 0) << run.err;
    const auto quoted = [](const char* code) { return std::string("'") + code + "'"; };
    for (const std::string& expected :
         {Listed(kPluginNames), quoted(kProductId), Listed(kManufacturerNames) + " (" + quoted(kManufacturerId) + ")",
          quoted(kStereoType) + "  real-time, 2 in / 2 out", quoted(kMonoType) + "  real-time, 1 in / 1 out",
          quoted(kBypassId) + "  " + Listed(kBypassNames) + "  (master bypass)",
          quoted(kResetControlId) + "  " + Listed(kResetNames), std::string("0 = \"Off\", 1 = \"On\""),
          quoted(kChunkId) + " \"" + std::string(kChunkName) + "\"", std::string(kDescriptionText)})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    EXPECT_LT(run.out.find(quoted(kStereoType)), run.out.find(quoted(kMonoType)));
}

} // namespace
