// quarvix-host: loads the Quarvix plug-in module and drives it the way an
// audio host does. See the README for the commands.

#include "Commands.h"
#include "HostError.h"
#include "PluginModule.h"

#include "platform/SafeFile.h"

#include <CLI/CLI.hpp>
#include <csignal>
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
