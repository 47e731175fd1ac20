// quarvix-host show end to end on a private X display: the editor's window
// as a user sees it, the audio running in real time, and the ways the show
// ends (Ctrl+C, kill, closing the window) or is refused.

#include "HostProgramFixture.h"

#include "support/X11TestDisplay.h"

#include <gtest/gtest.h>

#include <sndfile.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace
{

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using X11Test::ChildProcess;

// The editor's size, which the window takes.
constexpr int kWidth = 912;
constexpr int kHeight = 424;
// The host window's own colour, where the editor paints nothing.
constexpr std::uint32_t kHostBackground = 0x404040;

class ShowTest : public HostProgramFixture
{
protected:
    static void SetUpTestSuite()
    {
        sDisplay = std::make_unique<X11Test::XvfbDisplay>();
        if (!sDisplay->Start(sDisplayError))
            sDisplay.reset();
    }
    static void TearDownTestSuite() { sDisplay.reset(); }

    void SetUp() override
    {
        HostProgramFixture::SetUp();
        ASSERT_TRUE(sDisplay) << sDisplayError;
    }

    // quarvix-host show in the background on the test's display (or with
    // the DISPLAY given), both output streams into one file.
    void Start(ChildProcess& program, const std::vector<std::string>& arguments,
               const std::optional<std::string>& display = std::nullopt)
    {
        std::vector<std::string> command{QUARVIX_HOST_PROGRAM, "--module", QUARVIX_MODULE_PATH, "show"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        ASSERT_TRUE(program.Start(command, {"DISPLAY=" + display.value_or(sDisplay->GetName())}, -1,
                                  Output().string()));
    }
    fs::path Output() const { return mDir / "output.txt"; }
    std::string ReadOutput() const { return TestFiles::ReadFile(Output()); }

    bool WaitForOutput(const std::string& text, std::chrono::milliseconds timeout) const
    {
        for (const auto end = std::chrono::steady_clock::now() + timeout;
             ReadOutput().find(text) == std::string::npos;)
        {
            if (std::chrono::steady_clock::now() > end)
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    Window WaitForEditor() const { return sDisplay->WaitForWindowOfSize(kWidth, kHeight, 10s); }

    // No editor window left on the display (the server may take a moment
    // after the program has gone).
    bool EditorGone() const
    {
        for (int i = 0; i < 50; ++i)
        {
            if (sDisplay->FindWindows([](Window, const XWindowAttributes& a)
                                      { return a.width == kWidth && a.height == kHeight; })
                    .empty())
                return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
    }

    // What a window manager sends when the user clicks the close button.
    void AskToClose(Window window) const
    {
        ::Display* display = sDisplay->Get();
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, window, False, NoEventMask, &event);
        XFlush(display);
    }

    // A 1 kHz sine (on the right an octave higher), written as float WAV;
    // the interleaved samples are returned.
    std::vector<float> WriteSine(const fs::path& path, double seconds, int channels = 1)
    {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
        EXPECT_NE(file, nullptr);
        const auto frames = static_cast<std::size_t>(seconds * info.samplerate);
        std::vector<float> data(frames * static_cast<std::size_t>(channels));
        for (std::size_t i = 0; i < data.size(); ++i)
        {
            const double hz = 1000.0 * static_cast<double>(1 + i % static_cast<std::size_t>(channels));
            const double t = static_cast<double>(i / static_cast<std::size_t>(channels)) / 48000.0;
            data[i] = 0.5f * static_cast<float>(std::sin(2.0 * M_PI * hz * t));
        }
        sf_writef_float(file, data.data(), static_cast<sf_count_t>(frames));
        sf_close(file);
        return data;
    }

    static inline std::unique_ptr<X11Test::XvfbDisplay> sDisplay;
    static inline std::string sDisplayError;
};

// The demo signal: a top-level window of the editor's size, titled with the
// plug-in's name, showing the editor; its curves move as the audio runs.
// Ctrl+C then ends the show cleanly with status 0 and leaves no window.
TEST_F(ShowTest, EditorWindowShowsTheLiveAnalyzerUntilCtrlC)
{
    ChildProcess program;
    Start(program, {});
    const Window window = WaitForEditor();
    ASSERT_NE(window, 0u) << ReadOutput();
    char* title = nullptr;
    ASSERT_TRUE(XFetchName(sDisplay->Get(), window, &title));
    EXPECT_STREQ(title, "QVX Spectrum Analyzer");
    XFree(title);
    EXPECT_TRUE(WaitForOutput("Showing the demo signal (48000 Hz, 2 channels); close the window", 5s))
        << ReadOutput();

    std::this_thread::sleep_for(500ms);
    const std::vector<std::uint32_t> before = sDisplay->Grab(window, kWidth, kHeight);
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kWidth * kHeight));
    std::set<std::uint32_t> colours(before.begin(), before.end());
    EXPECT_GT(colours.size(), 50u);
    EXPECT_LT(std::count(before.begin(), before.end(), kHostBackground), kWidth * kHeight / 10);
    std::this_thread::sleep_for(400ms);
    EXPECT_GT(X11Test::CountDifferences(before, sDisplay->Grab(window, kWidth, kHeight)), 100u)
        << "the analyzer does not follow the audio";

    program.Signal(SIGINT);
    EXPECT_EQ(program.Wait(5s), 0) << ReadOutput();
    EXPECT_NE(ReadOutput().find("\nStopped (interrupted) after "), std::string::npos) << ReadOutput();
    EXPECT_TRUE(EditorGone());
}

// A file plays at its own pace: one second of audio ends no sooner than a
// second after the start. The window stays until the user closes it, and
// closing it ends the show with status 0.
TEST_F(ShowTest, FileRunsInRealTimeAndClosingTheWindowEndsTheShow)
{
    const fs::path sine = mDir / "sine.wav";
    WriteSine(sine, 1.0);
    const auto started = std::chrono::steady_clock::now();
    ChildProcess program;
    Start(program, {sine.string(), "--block", "300"});
    ASSERT_TRUE(WaitForOutput("The input ended after 1.000 s", 10s)) << ReadOutput();
    EXPECT_GE(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_NE(ReadOutput().find("Showing " + sine.string() + " (48000 Hz, 1 channel);"), std::string::npos)
        << ReadOutput();

    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(program.Wait(0ms)) << "the show ended with its input";
    const Window window = WaitForEditor();
    ASSERT_NE(window, 0u);
    AskToClose(window);
    EXPECT_EQ(program.Wait(5s), 0) << ReadOutput();
    EXPECT_NE(ReadOutput().find("\nStopped (window closed) after 1.000 s of audio.\n"), std::string::npos)
        << ReadOutput();
    EXPECT_TRUE(EditorGone());
}

// Played on ALSA's null device, the show runs and a kill ends it as Ctrl+C
// does. Played into a file through ALSA's file device, what is heard is the
// input, sample for sample, every frame of it, whatever the block size.
TEST_F(ShowTest, PlayingIsHeardAsTheInputAndEndsCleanlyOnKill)
{
    ChildProcess program;
    Start(program, {"--play", "--device", "null"});
    ASSERT_NE(WaitForEditor(), 0u) << ReadOutput();
    EXPECT_TRUE(WaitForOutput("(48000 Hz, 2 channels), playing on \"null\";", 5s)) << ReadOutput();
    program.Signal(SIGTERM);
    EXPECT_EQ(program.Wait(5s), 0) << ReadOutput();
    EXPECT_NE(ReadOutput().find("\nStopped (interrupted) after "), std::string::npos) << ReadOutput();
    EXPECT_TRUE(EditorGone());

    const fs::path input = mDir / "stereo.wav";
    const std::vector<float> samples = WriteSine(input, 0.25, 2);
    const fs::path played = mDir / "played.raw";
    ChildProcess player;
    Start(player, {input.string(), "--block", "300", "--play", "--device", "file:'" + played.string() + "',raw"});
    ASSERT_TRUE(WaitForOutput("The input ended after 0.250 s", 10s)) << ReadOutput();
    player.Signal(SIGINT);
    EXPECT_EQ(player.Wait(5s), 0) << ReadOutput();
    const std::string heard = TestFiles::ReadFile(played);
    ASSERT_EQ(heard.size(), samples.size() * sizeof(float));
    EXPECT_EQ(std::memcmp(heard.data(), samples.data(), heard.size()), 0);
}

// What stops the show before it starts gets one message and status 1.
TEST_F(ShowTest, NoDisplayOrNoDeviceIsRefusedClearly)
{
    struct Case
    {
        std::vector<std::string> arguments;
        std::optional<std::string> display;
        std::string message;
    } cases[] = {
        {{}, "", "quarvix-host: No X display is set (DISPLAY is empty).\n"},
        {{"--play", "--device", "quarvix-no-such-device"},
         std::nullopt,
         "quarvix-host: Cannot open the audio device \"quarvix-no-such-device\": No such file or directory\n"},
    };
    for (const Case& c : cases)
    {
        ChildProcess program;
        Start(program, c.arguments, c.display);
        EXPECT_EQ(program.Wait(10s), 1) << c.message;
        EXPECT_EQ(ReadOutput(), c.message);
    }
}

} // namespace
