// quarvix-host show: the plug-in's editor in a window of its own on the X
// display while the audio runs through a real-time instance in real time,
// for users who have no plug-in host to watch the analyzer in.
//
// The editor runs on the system's clock, as in any host: the window's time
// follows the clock and fires the editor's timer. The audio is paced by the
// output device when it is played, else by the clock (LiveRender.h).
// Closing the window, Ctrl+C and kill all end the show the same way: the
// render thread stops, the editor closes, the instance goes, status 0.

#include "Commands.h"

#include "AlsaOutput.h"
#include "AudioSource.h"
#include "HostError.h"
#include "HostSession.h"
#include "LiveRender.h"
#include "PluginModule.h"

#include "hostlib/X11HostWindow.h"

#include <csignal>
#include <cstdio>
#include <memory>

using namespace HostLib;

namespace
{

// Between two looks at the render thread and the clock; the editor's timer
// runs at 30 ms, and X events and signals end the wait at once.
constexpr std::int32_t kTurnMilliseconds = 10;

volatile std::sig_atomic_t gStopAsked = 0;
extern "C" void AskToStop(int)
{
    gStopAsked = 1;
}

// While it lives, SIGINT and SIGTERM only ask the show to stop (it writes no
// file that a signal would have to remove); it puts the handlers it found
// back when it goes.
class StopOnSignals
{
public:
    StopOnSignals()
    {
        gStopAsked = 0;
        struct sigaction action{};
        action.sa_handler = AskToStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &mPreviousInterrupt);
        sigaction(SIGTERM, &action, &mPreviousTerminate);
    }
    ~StopOnSignals()
    {
        sigaction(SIGINT, &mPreviousInterrupt, nullptr);
        sigaction(SIGTERM, &mPreviousTerminate, nullptr);
    }
    StopOnSignals(const StopOnSignals&) = delete;
    StopOnSignals& operator=(const StopOnSignals&) = delete;

    bool Asked() const { return gStopAsked != 0; }

private:
    struct sigaction mPreviousInterrupt{};
    struct sigaction mPreviousTerminate{};
};

struct EditorCloser
{
    EffectInstance& instance;
    ~EditorCloser() { instance.CloseWindow(); }
};

struct Ending
{
    bool windowClosed = false;
    double seconds = 0.0; // of audio rendered
};

// The show from the input's opening to the module's unloading; everything
// is torn down when it returns.
Ending ShowUntilStopped(const ShowOptions& options, const StopOnSignals& signals)
{
    CheckBlockSize(options.blockSize);
    AudioSource source(options.input);
    std::string loaded;
    if (options.loadSettings)
        loaded = ReadSettingsFile(*options.loadSettings);

    // No clock of ours: the editor keeps the system's time.
    PluginModule module(options.modulePath);
    EffectEngine& engine = module.GetEngine();
    EffectTypeInfo type;
    const int rate = source.GetSampleRate();
    const int channels = source.GetChannelCount();
    InstanceHolder holder{engine, CreateRealtimeInstance(engine, channels, rate, options.blockSize, type)};
    EffectInstance& instance = *holder.instance;
    if (options.loadSettings)
        SetSettingsText(instance, module.GetHost(), loaded, "file '" + *options.loadSettings + "'");

    std::int32_t width = 0;
    std::int32_t height = 0;
    if (instance.GetWindowSize(width, height) != kEffectOK || width <= 0 || height <= 0)
        throw HostError("the plug-in has no editor to show");

    // The device before the window, so a device that fails shows no window.
    std::unique_ptr<AlsaOutput> output;
    if (options.play)
        output = std::make_unique<AlsaOutput>(options.device, rate, channels, options.blockSize);

    X11HostWindow::Options look;
    look.width = width;
    look.height = height;
    look.title = type.names.substr(0, type.names.find('\n'));
    std::string error;
    const std::unique_ptr<X11HostWindow> window = X11HostWindow::Create(look, error);
    if (!window)
        throw HostError(error);
    if (instance.OpenWindow(static_cast<HostWindow*>(window.get()), 0, 0) != kEffectOK)
        throw HostError("the plug-in's editor could not open");
    // The editor closes only after the render thread has stopped (it is
    // declared after this), as no window may open or close during a render.
    EditorCloser closer{instance};

    const std::string playing = options.play ? ", playing on \"" + options.device + "\"" : "";
    std::printf("Showing %s (%d Hz, %d channel%s)%s; close the window or press Ctrl+C to stop.\n",
                source.Describe().c_str(), rate, channels, channels == 1 ? "" : "s", playing.c_str());
    std::fflush(stdout);

    LiveRenderer renderer(instance, source, options.blockSize, output.get());
    Ending ending;
    bool inputEnded = false;
    while (!signals.Asked())
    {
        instance.IdleWindow();
        if (!window->Pump())
        {
            ending.windowClosed = true;
            break;
        }
        renderer.Feed();
        if (const int failure = renderer.GetDeviceError())
            throw HostError("The audio device \"" + options.device + "\" failed: " + AlsaOutput::ErrorText(failure));
        if (!inputEnded && renderer.HasEnded())
        {
            inputEnded = true;
            std::printf("The input ended after %.3f s; the analyzer shows what it last saw until the window is "
                        "closed.\n",
                        static_cast<double>(renderer.GetFramesRendered()) / rate);
            std::fflush(stdout);
        }
        window->Wait(kTurnMilliseconds);
    }
    renderer.Stop();
    ending.seconds = static_cast<double>(renderer.GetFramesRendered()) / rate;
    return ending;
}

} // namespace

int RunShow(const ShowOptions& options)
{
    // From the start: a Ctrl+C while the module loads ends the show as
    // cleanly as one later, and one while it unloads cannot cut that short.
    StopOnSignals signals;
    const Ending ending = ShowUntilStopped(options, signals);
    std::printf("Stopped (%s) after %.3f s of audio.\n", ending.windowClosed ? "window closed" : "interrupted",
                ending.seconds);
    return 0;
}
