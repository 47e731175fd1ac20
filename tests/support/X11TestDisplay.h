#pragma once
// A private X display for tests of live windows: an Xvfb server on a display
// number of its own choosing (so suites can run side by side), programs run
// against it, and what its windows show read back. Tests using it link
// X11::X11. Xlib's macros (None, Bool, Status) clash with GoogleTest's
// names, so GoogleTest comes first.

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace X11Test
{

// A program run in the background; stopped with SIGTERM (then SIGKILL) when
// the object goes.
class ChildProcess
{
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // environment: NAME=VALUE entries added to (or replacing) this process's.
    // stdoutFd: where the program's standard output goes (-1: inherited).
    bool Start(const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {}, int stdoutFd = -1,
               const std::string& outputFile = {})
    {
        std::vector<std::string> env;
        for (char** entry = environ; *entry; ++entry)
        {
            const std::string text = *entry;
            bool replaced = false;
            for (const std::string& mine : environment)
                replaced = replaced || text.substr(0, text.find('=') + 1) == mine.substr(0, mine.find('=') + 1);
            if (!replaced)
                env.push_back(text);
        }
        env.insert(env.end(), environment.begin(), environment.end());
        std::vector<char*> argv, envp;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        for (const std::string& entry : env)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        if (stdoutFd >= 0)
            posix_spawn_file_actions_adddup2(&actions, stdoutFd, STDOUT_FILENO);
        if (!outputFile.empty())
        {
            posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                             O_WRONLY | O_CREAT | O_TRUNC, 0644);
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        }
        const int failed = ::posix_spawnp(&mPid, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (failed)
            mPid = -1;
        return mPid > 0;
    }

    pid_t GetPid() const { return mPid; }
    bool IsRunning() const { return mPid > 0; }

    void Signal(int signal) const
    {
        if (mPid > 0)
            ::kill(mPid, signal);
    }

    // The exit status once it ends within the time; nullopt when it does not
    // (it keeps running). -signal when a signal ended it.
    std::optional<int> Wait(std::chrono::milliseconds timeout)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (mPid > 0)
        {
            int status = 0;
            const pid_t done = ::waitpid(mPid, &status, WNOHANG);
            if (done == mPid)
            {
                mPid = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() >= end)
                return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return std::nullopt;
    }

    void Stop()
    {
        if (mPid <= 0)
            return;
        Signal(SIGTERM);
        if (!Wait(std::chrono::seconds(5)))
        {
            Signal(SIGKILL);
            Wait(std::chrono::seconds(5));
        }
    }

private:
    pid_t mPid = -1;
};

// Xvfb on a free display, 24-bit, and a connection of the test's own to it.
class XvfbDisplay
{
public:
    XvfbDisplay(const XvfbDisplay&) = delete;
    XvfbDisplay& operator=(const XvfbDisplay&) = delete;
    XvfbDisplay() = default;
    ~XvfbDisplay()
    {
        if (mDisplay)
            XCloseDisplay(mDisplay);
    }

    // False with the reason in error when Xvfb cannot start.
    bool Start(std::string& error)
    {
        int fds[2];
        if (::pipe(fds) != 0)
        {
            error = "no pipe";
            return false;
        }
        // Xvfb writes the display number it took to the descriptor named.
        const bool started = mServer.Start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                            "1280x1024x24", "-nolisten", "tcp", "-noreset"},
                                           {}, -1, "/dev/null");
        ::close(fds[1]);
        if (!started)
        {
            ::close(fds[0]);
            error = "Xvfb could not be started (is the xvfb package installed?)";
            return false;
        }
        std::string number;
        char c = 0;
        while (::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (number.empty())
        {
            error = "Xvfb gave no display number";
            return false;
        }
        mName = ":" + number;
        mDisplay = XOpenDisplay(mName.c_str());
        if (!mDisplay)
        {
            error = "cannot connect to Xvfb at " + mName;
            return false;
        }
        return true;
    }

    const std::string& GetName() const { return mName; }
    ::Display* Get() const { return mDisplay; }

    // Every window under `from` (root when 0) that passes the test, depth first.
    std::vector<Window> FindWindows(const std::function<bool(Window, const XWindowAttributes&)>& test,
                                    Window from = 0) const
    {
        std::vector<Window> found;
        Collect(from ? from : DefaultRootWindow(mDisplay), test, found);
        return found;
    }

    // Waits up to `timeout` for a mapped window of exactly width x height.
    Window WaitForWindowOfSize(int width, int height, std::chrono::milliseconds timeout) const
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        do
        {
            const std::vector<Window> found = FindWindows(
                [&](Window, const XWindowAttributes& a)
                { return a.width == width && a.height == height && a.map_state == IsViewable; });
            if (!found.empty())
                return found.back();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < end);
        return 0;
    }

    // What the window shows, rows top to bottom, 0x00RRGGBB; empty when it
    // cannot be read.
    std::vector<std::uint32_t> Grab(Window window, int width, int height) const
    {
        std::vector<std::uint32_t> pixels;
        XImage* image = XGetImage(mDisplay, window, 0, 0, static_cast<unsigned>(width),
                                  static_cast<unsigned>(height), AllPlanes, ZPixmap);
        if (!image)
            return pixels;
        pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                    static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
        XDestroyImage(image);
        return pixels;
    }

private:
    void Collect(Window window, const std::function<bool(Window, const XWindowAttributes&)>& test,
                 std::vector<Window>& found) const
    {
        Window root = 0, parent = 0;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(mDisplay, window, &root, &parent, &children, &count))
            return;
        for (unsigned i = 0; i < count; ++i)
        {
            XWindowAttributes attributes{};
            if (XGetWindowAttributes(mDisplay, children[i], &attributes) && test(children[i], attributes))
                found.push_back(children[i]);
            Collect(children[i], test, found);
        }
        if (children)
            XFree(children);
    }

    ChildProcess mServer;
    std::string mName;
    ::Display* mDisplay = nullptr;
};

// Pixels that differ between two pictures of the same size (all of them
// when the sizes differ).
inline std::size_t CountDifferences(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    if (a.size() != b.size())
        return std::max(a.size(), b.size());
    std::size_t different = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        different += a[i] != b[i] ? 1 : 0;
    return different;
}

} // namespace X11Test
