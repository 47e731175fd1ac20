// quarvix-host: loads the Quarvix plug-in module and drives it the way an
// audio host does. See the README for the commands.

#include "Commands.h"
#include "HostError.h"
#include "PluginModule.h"

#include "platform/SafeFile.h"

#include <CLI/CLI.hpp>
#include <csignal>
#include <map>
#include <cstdio>

namespace
{

// Ctrl+C or a kill leaves no temporary output behind; the signal then ends
// the program as it would have without the handler.
extern "C" void RemoveTemporaryFilesAndExit(int signalNumber)
{
    Platform::RemovePendingTemporaryFiles();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"quarvix-host: runs the Quarvix plug-in module on audio files"};
    app.require_subcommand(1);
    std::string modulePath = DefaultModulePath();
    app.add_option("--module", modulePath, "the plug-in module to load (default: " + modulePath + ")");

    CLI::App* describe = app.add_subcommand("describe", "show what the plug-in tells its host");

    ProcessOptions process;
    CLI::App* processCommand =
        app.add_subcommand("process", "pass an audio file through a mono or stereo instance");
    processCommand->add_option("IN", process.input, "input audio file (mono or stereo)")->required();
    processCommand->add_option("OUT", process.output, "output audio file, written in IN's format")->required();
    processCommand->add_option("--block", process.blockSize, "frames per render call (1 to 65536)")
        ->capture_default_str();
    processCommand->add_flag("--bypass", process.bypass, "switch the master bypass on");
    processCommand->add_flag("--realtime", process.realtime, "pace the render calls at the audio's rate");
    processCommand->add_option("--load-settings", process.loadSettings, "settings file to load before processing");
    processCommand->add_option("--save-settings", process.saveSettings, "settings file to save after processing");

    AnalyzeOptions analyze;
    CLI::App* analyzeCommand = app.add_subcommand(
        "analyze", "show what the analyzer makes of an audio file (or of the demo signal): its export and a "
                   "snapshot of its editor");
    analyzeCommand->add_option("IN", analyze.input, "input audio file (mono or stereo); none: an 8-second demo signal");
    analyzeCommand->add_option("--export", analyze.exportPath, "write the analysis as tab-separated text");
    analyzeCommand->add_option("--snapshot", analyze.snapshotPath, "write a PNG picture of the editor");
    analyzeCommand->add_option("--at", analyze.at, "stop after this many seconds of audio");
    const std::map<std::string, int> views{{"fft", 0}, {"spectrogram", 1}, {"bars", 2}};
    analyzeCommand->add_option("--view", analyze.view, "fft, spectrogram or bars (third-octave)")
        ->transform(CLI::CheckedTransformer(views, CLI::ignore_case));
    analyzeCommand->add_option("--fft-size", analyze.fftSize, "512, 1024, 2048, 4096 or 8192")
        ->check(CLI::IsMember({512, 1024, 2048, 4096, 8192}));
    const std::map<std::string, int> windows{{"boxcar", 0}, {"hann", 1}, {"blackman-harris", 2}, {"flat-top", 3}};
    analyzeCommand->add_option("--window", analyze.window, "boxcar, hann, blackman-harris or flat-top")
        ->transform(CLI::CheckedTransformer(windows, CLI::ignore_case));
    const std::map<std::string, int> weightings{{"none", 0}, {"a", 1}, {"b", 2}, {"c", 3}};
    analyzeCommand->add_option("--weighting", analyze.weighting, "none, A, B or C")
        ->transform(CLI::CheckedTransformer(weightings, CLI::ignore_case));
    const std::map<std::string, int> modes{{"left", 0}, {"right", 1}, {"both", 2}, {"mix", 3}};
    analyzeCommand->add_option("--channels", analyze.channelMode, "left, right, both or mix")
        ->transform(CLI::CheckedTransformer(modes, CLI::ignore_case));
    const std::map<std::string, bool> scales{{"log", true}, {"linear", false}};
    analyzeCommand->add_option("--scale", analyze.logScale, "frequency axis: log or linear")
        ->transform(CLI::CheckedTransformer(scales, CLI::ignore_case));
    const std::map<std::string, int> ranges{{"60", 0}, {"100", 1}, {"140", 2}};
    analyzeCommand->add_option("--range", analyze.range, "level range in dB: 60, 100 or 140")
        ->transform(CLI::CheckedTransformer(ranges));
    analyzeCommand->add_option("--averaging", analyze.averagingTime, "averaging time in seconds (0.1 to 20)")
        ->check(CLI::Range(0.1, 20.0));
    analyzeCommand->add_option("--peak-hold", analyze.peakHoldTime, "peak-hold time in seconds (0 to 10; -1 holds)")
        ->check(CLI::Range(-1.0, 10.0));
    analyzeCommand->add_option("--load-settings", analyze.loadSettings, "settings file to start from");
    analyzeCommand->add_option("--block", analyze.blockSize, "frames per render call (1 to 65536)")
        ->capture_default_str();
    analyzeCommand->add_flag("--realtime", analyze.realtime, "pace the audio at its own rate");
    analyzeCommand->add_flag("--quiet", analyze.quiet, "no progress bar");

    ShowOptions show;
    CLI::App* showCommand = app.add_subcommand(
        "show", "show the plug-in's editor in a window while an audio file (or the demo signal) runs through it "
                "in real time");
    showCommand->add_option("IN", show.input, "input audio file (mono or stereo); none: an 8-second demo signal");
    CLI::Option* play = showCommand->add_flag("--play", show.play, "also play the audio; the device's clock paces it");
    showCommand->add_option("--device", show.device, "ALSA device to play on")->capture_default_str()->needs(play);
    showCommand->add_option("--block", show.blockSize, "frames per render call (1 to 65536)")->capture_default_str();
    showCommand->add_option("--load-settings", show.loadSettings, "settings file to start from");

    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::ParseError& error)
    {
        // --help is not an error; every bad option or argument is status 1.
        return app.exit(error) == 0 ? 0 : 1;
    }

    struct sigaction action{};
    action.sa_handler = RemoveTemporaryFilesAndExit;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    try
    {
        if (*describe)
            return RunDescribe({modulePath});
        if (*analyzeCommand)
        {
            analyze.modulePath = modulePath;
            return RunAnalyze(analyze);
        }
        if (*showCommand)
        {
            show.modulePath = modulePath;
            return RunShow(show);
        }
        process.modulePath = modulePath;
        return RunProcess(process);
    }
    catch (const HostError& error)
    {
        std::fprintf(stderr, "quarvix-host: %s\n", error.what());
        return 1;
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "quarvix-host: %s\n", error.what());
        return 1;
    }
}
