// The built bundle through lilv's command-line tools, as a user of an LV2
// host meets it: valid turtle, both plug-ins listed with their ports, and
// files through lv2apply (a host with no features that runs one frame per
// call) coming back bit for bit, processing or bypassed.

#include "Lv2BundleTestSupport.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace
{
namespace fs = std::filesystem;
using namespace Lv2BundleTest;

struct RunResult
{
    int status = -1;
    std::string out; // standard output and error together
};

class Lv2BundleToolsTest : public BundleTest
{
protected:
    // A tool of lilv's or LV2's, run through the shell. A sanitizer build's
    // bundle needs its runtime in a tool that was built without it.
    RunResult Run(const std::string& command)
    {
        const fs::path log = mDir / "tool.txt";
        std::string environment;
        if (std::strlen(QUARVIX_LV2_TOOL_PRELOAD) > 0)
            environment = std::string("LD_PRELOAD='") + QUARVIX_LV2_TOOL_PRELOAD +
                          "' ASAN_OPTIONS=detect_leaks=0 ";
        const std::string line = environment + command + " >'" + log.string() + "' 2>&1";
        RunResult result;
        const int raw = std::system(line.c_str());
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(log);
        std::ostringstream text;
        text << in.rdbuf();
        result.out = text.str();
        return result;
    }

    // 32-bit float samples with what a copy could lose: a denormal, -0, beyond full scale.
    std::vector<float> WriteInput(const fs::path& path, int channels, int rate, sf_count_t frames)
    {
        std::vector<float> samples(static_cast<std::size_t>(frames * channels));
        std::mt19937 random(static_cast<unsigned>(channels));
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        for (float& sample : samples)
            sample = noise(random);
        samples[0] = 1e-42f;
        samples[1] = -0.0f;
        samples[2] = 3.5f;
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        if (file)
        {
            EXPECT_EQ(sf_writef_float(file, samples.data(), frames), frames);
            sf_close(file);
        }
        return samples;
    }

    static std::vector<float> ReadOutput(const fs::path& path, int& channels)
    {
        SF_INFO info{};
        SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
        if (!file)
            return {};
        EXPECT_EQ(info.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
        channels = info.channels;
        std::vector<float> samples(static_cast<std::size_t>(info.frames * info.channels));
        sf_readf_float(file, samples.data(), info.frames);
        sf_close(file);
        return samples;
    }
};

TEST_F(Lv2BundleToolsTest, TurtleValidatesAgainstTheLv2Schemas)
{
    const RunResult result = Run("lv2_validate '" + (BundleDir() / "manifest.ttl").string() +
                                 "' '" + (BundleDir() / "quarvix.ttl").string() + "'");
    EXPECT_EQ(result.status, 0) << result.out;
    EXPECT_NE(result.out.find("Found 0 errors"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("warning"), std::string::npos) << result.out;
}

TEST_F(Lv2BundleToolsTest, HostsListBothPlugInsWithTheirPorts)
{
    const RunResult list = Run("lv2ls");
    ASSERT_EQ(list.status, 0) << list.out;
    EXPECT_NE(list.out.find(kMono + "\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(kStereo + "\n"), std::string::npos) << list.out;

    struct Expected
    {
        std::string uri;
        std::string name;
        std::vector<std::string> symbols;
    };
    for (const Expected& plugin :
         {Expected{kMono, "QVX Spectrum Analyzer 1ch", {"in", "out", "enabled", "reset"}},
          Expected{kStereo,
                   "QVX Spectrum Analyzer 2ch",
                   {"in_l", "in_r", "out_l", "out_r", "enabled", "reset"}}})
    {
        const RunResult info = Run("lv2info '" + plugin.uri + "'");
        ASSERT_EQ(info.status, 0) << info.out;
        EXPECT_NE(info.out.find("Name:              " + plugin.name + "\n"), std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("Author:            Corvanel Sound"), std::string::npos)
            << info.out;
        EXPECT_NE(info.out.find("http://lv2plug.in/ns/ext/state#interface"), std::string::npos)
            << info.out;
        // Every port, in index order, under its symbol.
        std::size_t at = 0;
        for (std::size_t index = 0; index < plugin.symbols.size(); ++index)
        {
            at = info.out.find("Port " + std::to_string(index) + ":", at);
            ASSERT_NE(at, std::string::npos) << "port " << index << "\n" << info.out;
            const std::string symbol = "Symbol:      " + plugin.symbols[index] + "\n";
            EXPECT_EQ(info.out.compare(info.out.find("Symbol:", at), symbol.size(), symbol), 0)
                << info.out.substr(at, 200);
        }
        EXPECT_EQ(info.out.find("Port " + std::to_string(plugin.symbols.size()) + ":"),
                  std::string::npos);
        const std::size_t enabled = info.out.find("Symbol:      enabled");
        const std::size_t reset = info.out.find("Symbol:      reset");
        EXPECT_NE(info.out.find("Designation: http://lv2plug.in/ns/lv2core#enabled", enabled),
                  std::string::npos);
        EXPECT_NE(info.out.find("Default:     1.000000", enabled), std::string::npos);
        EXPECT_NE(info.out.find("port-props#trigger", reset), std::string::npos);
    }
}

TEST_F(Lv2BundleToolsTest, FilesPassThroughBitForBitProcessingOrBypassed)
{
    struct Case
    {
        std::string uri;
        int channels;
        std::string controls;
    };
    for (const Case& run :
         {Case{kMono, 1, ""}, Case{kStereo, 2, ""}, Case{kMono, 1, "-c enabled 0"},
          Case{kStereo, 2, "-c enabled 0 -c reset 1"}})
    {
        SCOPED_TRACE(run.uri + " " + run.controls);
        const fs::path in = mDir / "in.wav";
        const fs::path out = mDir / "out.wav";
        const std::vector<float> samples = WriteInput(in, run.channels, 44100, 22050);
        const RunResult result = Run("lv2apply -i '" + in.string() + "' -o '" + out.string() +
                                     "' " + run.controls + " '" + run.uri + "'");
        ASSERT_EQ(result.status, 0) << result.out;
        int channels = 0;
        const std::vector<float> processed = ReadOutput(out, channels);
        EXPECT_EQ(channels, run.channels);
        ASSERT_EQ(processed.size(), samples.size());
        EXPECT_EQ(std::memcmp(processed.data(), samples.data(), samples.size() * sizeof(float)), 0);
    }
}

} // namespace
