// quarvix-host end to end: generated audio files through the command-line
// host and the module it loads, compared sample for sample.

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace
{

namespace fs = std::filesystem;

struct RunResult
{
    int status = -1;
    std::string out;
    std::string err;
};

using TestFiles::ReadFile;
using TestFiles::WriteFile;

// Every sample of a file as the integers or floats it holds, so that the
// comparison does not go through any scaling.
struct Samples
{
    SF_INFO info{};
    std::vector<int> ints;
    std::vector<float> floats;
};

Samples ReadSamples(const fs::path& path)
{
    Samples samples;
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &samples.info);
    if (!file)
        return samples;
    const auto count = static_cast<std::size_t>(samples.info.frames * samples.info.channels);
    if ((samples.info.format & SF_FORMAT_SUBMASK) == SF_FORMAT_FLOAT)
    {
        samples.floats.resize(count);
        sf_read_float(file, samples.floats.data(), static_cast<sf_count_t>(count));
    }
    else
    {
        samples.ints.resize(count);
        sf_read_int(file, samples.ints.data(), static_cast<sf_count_t>(count));
    }
    sf_close(file);
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

class HostProgramTest : public TestFiles::TempDirTest
{
protected:
    void SetUp() override
    {
        TempDirTest::SetUp();
        fs::create_directories(mDir / "config");
        // The instances load default settings through the registry in here.
        ::setenv("XDG_CONFIG_HOME", (mDir / "config").c_str(), 1);
    }

    RunResult Run(const std::string& arguments)
    {
        const fs::path out = mDir / "stdout.txt";
        const fs::path err = mDir / "stderr.txt";
        const std::string command = std::string("'") + QUARVIX_HOST_PROGRAM + "' --module '" + QUARVIX_MODULE_PATH +
                                    "' " + arguments + " >'" + out.string() + "' 2>'" + err.string() + "'";
        RunResult result;
        const int raw = std::system(command.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        result.out = ReadFile(out);
        result.err = ReadFile(err);
        fs::remove(out);
        fs::remove(err);
        return result;
    }

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
            EXPECT_TRUE(output.ints == input.ints);
            EXPECT_TRUE(output.floats == input.floats);
            fs::remove(mDir / "out.wav");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, HostProgramPassThroughTest,
                         ::testing::Values(Layout{1, 44100, SF_FORMAT_PCM_16}, Layout{2, 44100, SF_FORMAT_PCM_16},
                                           Layout{1, 48000, SF_FORMAT_FLOAT}, Layout{2, 48000, SF_FORMAT_FLOAT},
                                           Layout{1, 96000, SF_FORMAT_PCM_24}, Layout{2, 96000, SF_FORMAT_PCM_24}));

TEST_F(HostProgramTest, RealtimePacingTakesAboutTheAudiosDuration)
{
    WriteTestFile(mDir / "in.wav", 2, 44100, SF_FORMAT_PCM_16, 0.3);
    const auto start = std::chrono::steady_clock::now();
    const RunResult run = Run(Process("in.wav", "out.wav") + " --realtime --block 512");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_GE(seconds, 0.29);
    EXPECT_EQ(ReadSamples(mDir / "out.wav").ints, ReadSamples(mDir / "in.wav").ints);
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
    EXPECT_NE(TestFiles::MaskIds(second), TestFiles::MaskIds(first));

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
    const std::vector<std::string> inputs = {"in.wav", "three.wav", "text.wav", "none.wav", "foreign.quarvix", "adir"};

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
        {Process("in.wav", "out.wav") + " --load-settings " + Path("foreign.quarvix"),
         "refused the settings file"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.arguments);
        const RunResult run = Run(c.arguments);
        EXPECT_NE(run.status, 0);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n') - std::count(c.message.begin(), c.message.end(), '\n'),
                  c.message == "refused the settings file" ? 4 : 1)
            << run.err;
        ExpectOnlyFiles(inputs);
    }

    // The refusal is the plug-in's own message box, shown on standard error.
    const RunResult refused = Run(cases.back().arguments);
    EXPECT_EQ(refused.err.rfind("Corvanel Sound: QVX Spectrum Analyzer [error]\n"
                                "Unable to load settings.\n"
                                "These are not valid settings or the settings have been corrupted.  \n",
                                0),
              0u)
        << refused.err;
}

TEST_F(HostProgramTest, DescribeShowsIdentityTypesControlsChunkAndDescription)
{
    const RunResult run = Run("describe");
    ASSERT_EQ(run.status, 0) << run.err;
    for (const char* expected :
         {"QVX Spectrum Analyzer | QVX Spectrum An | QVX Spectrum | QVX Spec | QVXSpec | SpecA | SpAn | SpA",
          "'QvxS'", "Corvanel Sound | CVL ('Crvn')", "'StRT'  real-time, 2 in / 2 out",
          "'mnRT'  real-time, 1 in / 1 out", "'bypa'  Master Bypass | Mstr Byp | MByp | Byp  (master bypass)",
          "'ctaa'  Reset | Rset | Res", "0 = \"Off\", 1 = \"On\"", "'cvqx' \"Quarvix Chunk v1\"",
          "IOConfigs = /2,2/1,1;SupportsSidechain = 0;NumberOfPrograms = 1;NumberOfParameters = 1"})
        EXPECT_NE(run.out.find(expected), std::string::npos) << expected << "\n" << run.out;
    EXPECT_LT(run.out.find("'StRT'"), run.out.find("'mnRT'"));
}

} // namespace
