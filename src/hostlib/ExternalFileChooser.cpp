#include "hostlib/ExternalFileChooser.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace HostLib
{
namespace
{
bool IsExecutableFile(const std::string& path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Where the chooser starts: the directory, with the proposed name when saving.
std::string StartPath(const HostFileDialog& dialog)
{
    std::string start = dialog.initialDirectory;
    if (!start.empty() && start.back() != '/')
        start += '/';
    if (dialog.save)
        start += dialog.defaultName;
    return start;
}

struct Pipe
{
    int fds[2] = {-1, -1};
    ~Pipe()
    {
        for (int fd : fds)
        {
            if (fd >= 0)
                ::close(fd);
        }
    }
};
} // namespace

std::string FindFileChooser(const std::string& searchPath)
{
    for (const char* program : {"zenity", "kdialog"})
    {
        std::size_t start = 0;
        while (start <= searchPath.size())
        {
            std::size_t end = searchPath.find(':', start);
            if (end == std::string::npos)
                end = searchPath.size();
            // An empty entry means the current directory, which a plug-in
            // inside somebody's host must not run programs from.
            const std::string directory = searchPath.substr(start, end - start);
            if (!directory.empty() && directory.front() == '/')
            {
                const std::string candidate = directory + "/" + program;
                if (IsExecutableFile(candidate))
                    return candidate;
            }
            start = end + 1;
        }
    }
    return {};
}

std::vector<std::string> FileChooserCommand(const std::string& chooser, const HostFileDialog& dialog,
                                            const std::string& title)
{
    std::vector<std::string> command{chooser};
    if (BaseName(chooser) == "kdialog")
    {
        command.push_back("--title");
        command.push_back(title);
        command.push_back(dialog.save ? "--getsavefilename" : "--getopenfilename");
        command.push_back(StartPath(dialog));
        // kdialog's filters: "pattern|label", one per line.
        std::string filters;
        for (const HostFileDialog::Filter& filter : dialog.filters)
        {
            if (!filters.empty())
                filters += '\n';
            filters += filter.pattern + "|" + filter.label;
        }
        if (!filters.empty())
            command.push_back(filters);
        return command;
    }
    command.push_back("--file-selection");
    command.push_back("--title=" + title);
    if (dialog.save)
    {
        command.push_back("--save");
        command.push_back("--confirm-overwrite");
    }
    const std::string start = StartPath(dialog);
    if (!start.empty())
        command.push_back("--filename=" + start);
    // zenity's filters: "label | pattern pattern".
    for (const HostFileDialog::Filter& filter : dialog.filters)
        command.push_back("--file-filter=" + filter.label + " | " + filter.pattern);
    return command;
}

FileChooserResult RunExternalFileChooser(const HostFileDialog& dialog, const std::string& title)
{
    using Outcome = FileChooserResult::Outcome;
    const char* pathVariable = std::getenv("PATH");
    const std::string chooser = FindFileChooser(pathVariable ? pathVariable : "");
    if (chooser.empty())
        return {Outcome::Unavailable, {}, kNoFileChooserMessage};

    const std::vector<std::string> command = FileChooserCommand(chooser, dialog, title);
    std::vector<char*> argv;
    for (const std::string& argument : command)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const auto failed = [&chooser](const std::string& what)
    { return FileChooserResult{Outcome::Failed, {}, "The file chooser " + chooser + " " + what}; };

    Pipe output;
    if (::pipe2(output.fds, O_CLOEXEC) != 0)
        return failed(std::string("could not start: ") + std::strerror(errno));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output.fds[1], STDOUT_FILENO);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, chooser.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return failed(std::string("could not start: ") + std::strerror(spawned));
    ::close(output.fds[1]);
    output.fds[1] = -1;

    std::string printed;
    char buffer[4096];
    for (;;)
    {
        const ssize_t got = ::read(output.fds[0], buffer, sizeof buffer);
        if (got > 0)
            printed.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
    {
        if (errno != EINTR)
            return failed(std::string("was lost: ") + std::strerror(errno));
    }
    if (!WIFEXITED(status))
        return failed("ended abnormally.");
    // Both choosers end with 1 when the user cancels.
    if (WEXITSTATUS(status) == 1)
        return {Outcome::Cancelled, {}, {}};
    if (WEXITSTATUS(status) != 0)
        return failed("failed (exit status " + std::to_string(WEXITSTATUS(status)) + ").");

    while (!printed.empty() && (printed.back() == '\n' || printed.back() == '\r'))
        printed.pop_back();
    if (printed.empty() || printed.find('\n') != std::string::npos || printed.front() != '/')
        return failed("gave no single file path.");
    if (dialog.save && !dialog.extension.empty() && BaseName(printed).find('.') == std::string::npos)
        printed += dialog.extension;
    return {Outcome::Chosen, printed, {}};
}

} // namespace HostLib
