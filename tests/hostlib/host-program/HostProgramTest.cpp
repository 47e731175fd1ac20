// quarvix-host end to end: generated audio files through the command-line
// host and the module it loads, compared sample for sample.

#include "HostProgramFixture.h"

#include "support/ProductIdentity.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
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

// A signal with a sweep, noise and the format's extremes in it.
void WriteTestFile(const fs::path& path, int channels, int rate, int subtype, double seconds)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | subtype;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const auto frames = static_cast<std::size_t>(seconds * rate);
    std::mt19937 random(static_cast<std::uint32_t>(rate + channels));
    std::uniform_real_distribution<double> noise(-0.2, 0.2);
    std::vector<double> data(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i)
    {
        for (int c = 0; c < channels; ++c)
        {
            const double t = static_cast<double>(i) / rate;
            data[i * channels + c] = 0.7 * std::sin(2.0 * M_PI * (100.0 + 4000.0 * t * (c + 1)) * t) + noise(random);
        }
    }
    data[0] = -1.0;
    data[1] = 0.999;
    if (subtype == SF_FORMAT_FLOAT)
        data[2] = 1.5; // floats may go beyond full scale
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    ASSERT_EQ(sf_writef_double(file, data.data(), static_cast<sf_count_t>(frames)), static_cast<sf_count_t>(frames));
    sf_close(file);
}

class HostProgramTest : public HostProgramFixture
{
protected:
    std::string Path(const std::string& name) const
    {
        std::string quoted = "'";
        quoted += (mDir / name).string();
        return quoted += "'";
    }
    std::string Process(const std::string& in, const std::string& out) const
    {
        return "process " + Path(in) + " " + Path(out);
    }

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
    int channels;
    int rate;
    int subtype;
    const char* name;
};

class HostProgramPassThroughTest : public HostProgramTest, public ::testing::WithParamInterface<Layout>
{
};

TEST_P(HostProgramPassThroughTest, OutputEqualsInputSampleForSampleAtEveryBlockSize)
{
    const Layout layout = GetParam();
    WriteTestFile(mDir / "in.wav", layout.channels, layout.rate, layout.subtype, 0.3);
    const Samples input = ReadSamples(mDir / "in.wav");
    ASSERT_EQ(input.info.channels, layout.channels);

    for (int block : {1, 64, 1024, 4096, 333})
    {
        for (bool bypass : {false, true})
        {
            SCOPED_TRACE("block " + std::to_string(block) + (bypass ? " bypassed" : ""));
            const RunResult run = Run(Process("in.wav", "out.wav") + " --block " +
                                      std::to_string(block) + (bypass ? " --bypass" : ""));
            ASSERT_EQ(run.status, 0) << run.err;
            EXPECT_NE(run.out.find(layout.channels == 1 ? "'mnRT'" : "'StRT'"), std::string::npos) << run.out;
            EXPECT_NE(run.out.find("audio passed unchanged"), std::string::npos) << run.out;
            const Samples output = ReadSamples(mDir / "out.wav");
            EXPECT_EQ(output.info.format, input.info.format);
            EXPECT_EQ(output.info.samplerate, layout.rate);
            EXPECT_EQ(output.info.channels, layout.channels);
            EXPECT_EQ(output.info.frames, input.info.frames);
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

TEST_F(HostProgramTest, RealtimePacingTakesAboutTheAudiosDuration)
{
    WriteTestFile(mDir / "in.wav", 2, 44100, SF_FORMAT_PCM_16, 0.3);
    const auto start = std::chrono::steady_clock::now();
    const RunResult run = Run(Process("in.wav", "out.wav") + " --realtime --block 512");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GE(seconds, 0.29);
    EXPECT_EQ(ReadSamples(mDir / "out.wav").values, ReadSamples(mDir / "in.wav").values);
}

TEST_F(HostProgramTest, SavedSettingsLoadInAnotherRunAndReproduceTheState)
{
    WriteTestFile(mDir / "in.wav", 2, 48000, SF_FORMAT_PCM_16, 0.1);
    RunResult run = Run(Process("in.wav", "out.wav") + " --save-settings " + Path("first.quarvix"));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string first = ReadFile(mDir / "first.quarvix");
    ASSERT_NE(first.find("<obj_archive"), std::string::npos);

    // A state unlike the defaults: another FFT size and level floor in the first view.
    std::string edited = first;
    const std::string fft = "<att name=\"fftSize\" type=\"i\">2048</att>";
    const std::string floor = "<att name=\"levelRange.min\" type=\"f\">-90.0000000000000000</att>";
    ASSERT_NE(edited.find(fft), std::string::npos);
    ASSERT_NE(edited.find(floor), std::string::npos);
    edited.replace(edited.find(fft), fft.size(), "<att name=\"fftSize\" type=\"i\">8192</att>");
    edited.replace(edited.find(floor), floor.size(), "<att name=\"levelRange.min\" type=\"f\">-72.0000000000000000</att>");
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

TEST_F(HostProgramTest, BadInputGetsOneMessageAndNoOutput)
{
    WriteTestFile(mDir / "in.wav", 1, 44100, SF_FORMAT_PCM_16, 0.05);
    WriteTestFile(mDir / "three.wav", 3, 44100, SF_FORMAT_PCM_16, 0.05);
    WriteFile(mDir / "text.wav", "this is not audio at all, just some words in a file\n");
    // A WAV header that claims no channels.
    std::string noChannels = ReadFile(mDir / "in.wav");
    noChannels[22] = 0;
    noChannels[23] = 0;
    WriteFile(mDir / "none.wav", noChannels);
    WriteFile(mDir / "foreign.quarvix", "<obj_archive type=\"someone else's settings\">\n</obj_archive>\n");
    fs::create_directories(mDir / "adir");
    WriteFile(mDir / "empty.quarvix", "");
    const std::vector<std::string> inputs = {"in.wav",          "three.wav", "text.wav",     "none.wav",
                                             "foreign.quarvix", "adir",      "empty.quarvix"};

    struct Case
    {
        std::string arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
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
        // The refusal is the plug-in's own message box, shown on standard error.
        {Process("in.wav", "out.wav") + " --load-settings " + Path("foreign.quarvix"),
         std::string(ProductIdentity::kErrorCaption) + " [error]\nUnable to load settings.\n"
             "These are not valid settings or the settings have been corrupted.  \nquarvix-host: the plug-in refused the settings file"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        const RunResult run = Run(c.arguments);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1 + std::count(c.message.begin(), c.message.end(), '\n'))
            << run.err;
        ExpectOnlyFiles(inputs);
    }
}

TEST_F(HostProgramTest, OutputsReplaceOnlyRegularFilesOfTheirOwn)
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

    // OUT may be IN: the input is read whole before it is replaced.
    fs::copy_file(mDir / "in.wav", mDir / "same.wav");
    run = Run(Process("same.wav", "same.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadSamples(mDir / "same.wav").values, input.values);

    // A device, a pipe and a file with a second name are refused before any
    // work, with the reason; none is touched.
    ASSERT_EQ(::mkfifo((mDir / "pipe").c_str(), 0600), 0);
    fs::create_hard_link(mDir / "target.wav", mDir / "second.wav");
    const std::string before = ReadFile(mDir / "target.wav");
    for (const auto& [out, reason] : {std::pair<std::string, std::string>{"/dev/null", "it is not a regular file"},
                                      {(mDir / "pipe").string(), "it is not a regular file"},
                                      {(mDir / "second.wav").string(), "it has other hard links"}})
    {
        SCOPED_TRACE(out);
        run = Run("process " + Path("in.wav") + " '" + out + "'");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find("cannot write '" + out + "': " + reason), std::string::npos) << run.err;
    }
    EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
    EXPECT_EQ(fs::status(mDir / "pipe").type(), fs::file_type::fifo);
    EXPECT_EQ(ReadFile(mDir / "target.wav"), before);
    // The settings file may not be IN under another name either.
    fs::create_hard_link(mDir / "in.wav", mDir / "in-too.wav");
    run = Run(Process("in.wav", "out.wav") + " --save-settings " + Path("in-too.wav"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("is the same file as"), std::string::npos) << run.err;
    ExpectOnlyFiles(
        {"in.wav", "in-too.wav", "target.wav", "link.wav", "link.wav.quarvix", "same.wav", "pipe", "second.wav"});
}

TEST_F(HostProgramTest, AFileShorterThanItsHeaderIsRefusedWithoutReadingItIntoMemory)
{
    // A FLAC stream whose header announces 200 million frames (its total
    // sample count, the low 36 bits of bytes 18 to 25) but holds 2400.
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 2;
    info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* file = sf_open((mDir / "claims.flac").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    std::vector<short> samples(2 * 2400, 1000);
    ASSERT_EQ(sf_writef_short(file, samples.data(), 2400), 2400);
    sf_close(file);
    std::string claims = ReadFile(mDir / "claims.flac");
    ASSERT_EQ(claims.compare(0, 4, "fLaC"), 0);
    std::uint64_t word = 0;
    for (int i = 18; i < 26; ++i)
        word = (word << 8) | static_cast<unsigned char>(claims[static_cast<std::size_t>(i)]);
    word = (word & ~((std::uint64_t{1} << 36) - 1)) | 200'000'000u;
    for (int i = 25; i >= 18; --i, word >>= 8)
        claims[static_cast<std::size_t>(i)] = static_cast<char>(word & 0xff);
    WriteFile(mDir / "claims.flac", claims);

    const RunResult run = Run(Process("claims.flac", "out.flac"));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("cannot read '" + (mDir / "claims.flac").string() +
                           "': it ends after 2400 frames, but its header announces 200000000"),
              std::string::npos)
        << run.err;
    ExpectOnlyFiles({"claims.flac"});
}

TEST_F(HostProgramTest, ThirtyTwoBitExtremesComeBackAsThemselves)
{
    // The largest 32-bit sample reads as exactly 1.0 in the plug-in's floats;
    // it must be written back as the largest sample, not one below or a wrap.
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_32;
    SNDFILE* file = sf_open((mDir / "in.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    const std::vector<int> extremes{2147483647, -2147483647 - 1, 0, 2147483647};
    ASSERT_EQ(sf_write_int(file, extremes.data(), 4), 4);
    sf_close(file);
    const RunResult run = Run(Process("in.wav", "out.wav"));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadSamples(mDir / "out.wav").values, ReadSamples(mDir / "in.wav").values);
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

TEST_F(HostProgramTest, OptionErrorsExitWithStatusOne)
{
    for (const char* arguments : {"", "process", "process a.wav", "process a.wav b.wav --block x",
                                  "process a.wav b.wav --unknown", "nonsense"})
    {
        const RunResult run = Run(arguments);
        EXPECT_EQ(run.status, 1) << arguments;
        EXPECT_FALSE(run.err.empty()) << arguments;
    }
    EXPECT_EQ(Run("--help").status, 0);
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
