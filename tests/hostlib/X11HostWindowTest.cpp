// The live host window on a private Xvfb display: what its children paint
// reaches the screen, real pointer and key events (injected with xdotool, as
// a user's would arrive) reach the right child in its own coordinates, the
// display's focus follows the children's, and file dialogs go to the user's
// chooser program.

#include <gtest/gtest.h>

#include "hostlib/ExternalFileChooser.h"
#include "hostlib/X11HostWindow.h"
#include "support/X11TestDisplay.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace HostLib;
using namespace std::chrono_literals;

namespace
{

// A child that fills itself with one colour and records what it hears.
struct RecordingChild
{
    std::uint32_t colour = 0;
    std::vector<HostMessage> heard;
    HostWindow* host = nullptr;

    static std::intptr_t Procedure(HostChildWindow& window, const HostMessage& message)
    {
        auto* self = static_cast<RecordingChild*>(window.GetUserData());
        self->heard.push_back(message);
        if (message.type == HostMessageType::Paint)
        {
            HostDeviceContext* context = self->host->GetDC(window);
            for (std::int32_t i = 0; i < context->height * context->stride; ++i)
                context->pixels[i] = self->colour;
            self->host->ReleaseDC(window, context);
        }
        return 0;
    }
    bool Heard(HostMessageType type) const
    {
        for (const HostMessage& message : heard)
            if (message.type == type)
                return true;
        return false;
    }
    const HostMessage* Last(HostMessageType type) const
    {
        for (auto it = heard.rbegin(); it != heard.rend(); ++it)
            if (it->type == type)
                return &*it;
        return nullptr;
    }
};

class X11HostWindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        ASSERT_TRUE(mX.Start(error)) << error;
        X11HostWindow::Options options;
        options.width = 200;
        options.height = 120;
        options.title = "Window test";
        options.background = 0x102030;
        options.display = mX.GetName();
        mWindow = X11HostWindow::Create(options, error);
        ASSERT_TRUE(mWindow) << error;
        mLeft.host = mRight.host = mWindow.get();
        mLeft.colour = 0xC01020;
        mRight.colour = 0x20C040;
        mLeftWindow = mWindow->CreateChildWindow({0, 0, 100, 120}, &RecordingChild::Procedure, &mLeft);
        mRightWindow = mWindow->CreateChildWindow({100, 20, 200, 120}, &RecordingChild::Procedure, &mRight);
        ASSERT_TRUE(mLeftWindow && mRightWindow);
        ASSERT_NE(0, mX.WaitForWindowOfSize(200, 120, 5s));
        PumpFor(100ms);
    }

    // Pumps until `done` holds or the time is up.
    bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 3s)
    {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < end)
        {
            mWindow->Pump();
            if (done())
                return true;
            mWindow->Wait(10);
        }
        return false;
    }
    void PumpFor(std::chrono::milliseconds time)
    {
        PumpUntil([] { return false; }, time);
    }

    // Runs xdotool with the display and pumps the window while it works.
    void XDoTool(std::vector<std::string> arguments)
    {
        arguments.insert(arguments.begin(), "xdotool");
        X11Test::ChildProcess tool;
        ASSERT_TRUE(tool.Start(arguments, {"DISPLAY=" + mX.GetName()}));
        std::optional<int> status;
        PumpUntil([&] { return (status = tool.Wait(0ms)).has_value(); }, 5s);
        ASSERT_EQ(0, status.value_or(-1));
        PumpFor(100ms);
    }
    std::string WindowId() const { return std::to_string(mWindow->GetXWindow()); }

    X11Test::XvfbDisplay mX;
    RecordingChild mLeft, mRight; // outlive the window, which tells them it goes
    std::unique_ptr<X11HostWindow> mWindow;
    HostChildWindow* mLeftWindow = nullptr;
    HostChildWindow* mRightWindow = nullptr;
};

TEST_F(X11HostWindowTest, TheScreenShowsTheChildrenOverTheBackgroundAndFollowsTheirChanges)
{
    auto shown = mX.Grab(mWindow->GetXWindow(), 200, 120);
    ASSERT_EQ(200u * 120u, shown.size());
    EXPECT_EQ(0xC01020u, shown[10 * 200 + 10]);
    EXPECT_EQ(0x20C040u, shown[50 * 200 + 150]);
    EXPECT_EQ(0x102030u, shown[5 * 200 + 150]); // above the right child
    EXPECT_EQ(0u, X11Test::CountDifferences(shown, mWindow->GetScene().ReadPixels()));

    // A change inside one child reaches the screen without anything else moving.
    mRight.colour = 0x0000FF;
    mRightWindow->Invalidate({0, 0, 100, 100});
    PumpFor(50ms);
    shown = mX.Grab(mWindow->GetXWindow(), 200, 120);
    EXPECT_EQ(0x0000FFu, shown[50 * 200 + 150]);
    EXPECT_EQ(0u, X11Test::CountDifferences(shown, mWindow->GetScene().ReadPixels()));
}

TEST_F(X11HostWindowTest, PointerAndKeysReachTheChildrenInTheirOwnCoordinates)
{
    XDoTool({"mousemove", "--window", WindowId(), "150", "70", "click", "3"});
    const HostMessage* down = mRight.Last(HostMessageType::RightButtonDown);
    ASSERT_NE(nullptr, down);
    EXPECT_EQ(50, down->x);
    EXPECT_EQ(50, down->y);
    EXPECT_TRUE(mRight.Heard(HostMessageType::RightButtonUp));
    EXPECT_FALSE(mLeft.Heard(HostMessageType::RightButtonDown));

    // Shift-click on the left child; while it holds the capture, a drag far
    // outside the window still reaches it.
    mWindow->SetCapture(mLeftWindow);
    XDoTool({"mousemove", "--window", WindowId(), "20", "30", "keydown", "shift", "click", "1",
             "keyup", "shift", "mousemove", "--window", WindowId(), "180", "100"});
    const HostMessage* press = mLeft.Last(HostMessageType::LeftButtonDown);
    ASSERT_NE(nullptr, press);
    EXPECT_EQ(20, press->x);
    EXPECT_EQ(30, press->y);
    EXPECT_EQ(kHostShift, press->modifiers);
    const HostMessage* moved = mLeft.Last(HostMessageType::MouseMove);
    ASSERT_NE(nullptr, moved);
    EXPECT_EQ(180, moved->x);
    mWindow->ReleaseCapture();

    // Typing goes to the child that took the focus, through the display's focus.
    mWindow->SetFocus(mRightWindow);
    EXPECT_TRUE(mRight.Heard(HostMessageType::SetFocus));
    XDoTool({"type", "a7"});
    XDoTool({"key", "BackSpace", "Return", "Escape"});
    std::string typed;
    std::vector<std::int32_t> keys;
    for (const HostMessage& message : mRight.heard)
    {
        if (message.type == HostMessageType::Character)
            typed += message.character;
        if (message.type == HostMessageType::KeyDown)
            keys.push_back(message.key);
    }
    EXPECT_EQ(std::string("a7\b"), typed);
    EXPECT_EQ((std::vector<std::int32_t>{kHostKeyReturn, kHostKeyEscape}), keys);
    EXPECT_FALSE(mLeft.Heard(HostMessageType::Character));

    // Another window taking the display's focus takes it from the child.
    ::Display* display = mX.Get();
    const Window other = XCreateSimpleWindow(display, DefaultRootWindow(display), 300, 300, 50, 50, 0, 0, 0);
    XMapWindow(display, other);
    XSync(display, False);
    PumpFor(50ms);
    XSetInputFocus(display, other, RevertToNone, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(PumpUntil([&] { return mRight.Heard(HostMessageType::KillFocus); }));
    EXPECT_EQ(nullptr, mWindow->GetFocus());
    XDestroyWindow(display, other);
}

TEST_F(X11HostWindowTest, TimersFollowTheClock)
{
    ASSERT_TRUE(mWindow->SetTimer(*mLeftWindow, 7, 30));
    PumpFor(400ms);
    std::size_t ticks = 0;
    for (const HostMessage& message : mLeft.heard)
        ticks += message.type == HostMessageType::Timer && message.timerId == 7 ? 1 : 0;
    // 13 due in 400 ms; a loaded machine may run late but never early.
    EXPECT_GE(ticks, 8u);
    EXPECT_LE(ticks, 14u);
}

// The chooser is a program of the user's: stand-ins on PATH record how they
// are called and answer as the real ones do.
class FileChooserTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mDir = std::filesystem::temp_directory_path() / ("quarvix-chooser-" + std::to_string(::getpid()));
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir / "bin");
        mSavedPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", (mDir / "bin").c_str(), 1);
    }
    void TearDown() override
    {
        ::setenv("PATH", mSavedPath.c_str(), 1);
        std::filesystem::remove_all(mDir);
    }
    void InstallChooser(const std::string& name, const std::string& answer, int status)
    {
        const std::filesystem::path program = mDir / "bin" / name;
        std::ofstream script(program);
        script << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << (mDir / "args").string()
               << "'\nprintf '%s\\n' '" << answer << "'\nexit " << status << "\n";
        script.close();
        ::chmod(program.c_str(), 0755);
    }
    std::string Arguments() const
    {
        std::ifstream in(mDir / "args");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static HostFileDialog SaveDialog()
    {
        HostFileDialog dialog;
        dialog.save = true;
        dialog.filters = {{"Settings Files (*.quarvix)", "*.quarvix"}};
        dialog.defaultName = "Untitled";
        dialog.extension = ".quarvix";
        dialog.initialDirectory = "/home/user/presets";
        return dialog;
    }

    std::filesystem::path mDir;
    std::string mSavedPath;
};

TEST_F(FileChooserTest, ZenityIsAskedWithTheDialogsFiltersAndItsAnswerCompleted)
{
    InstallChooser("zenity", "/home/user/presets/loud", 0);
    InstallChooser("kdialog", "/wrong", 0); // zenity comes first
    const FileChooserResult result = RunExternalFileChooser(SaveDialog(), "QVX");
    ASSERT_EQ(FileChooserResult::Outcome::Chosen, result.outcome) << result.message;
    EXPECT_EQ("/home/user/presets/loud.quarvix", result.path);
    EXPECT_EQ("--file-selection\n--title=QVX\n--save\n--confirm-overwrite\n"
              "--filename=/home/user/presets/Untitled\n"
              "--file-filter=Settings Files (*.quarvix) | *.quarvix\n",
              Arguments());

    // An answer with an extension keeps it; opening never adds one.
    InstallChooser("zenity", "/tmp/a.txt", 0);
    EXPECT_EQ("/tmp/a.txt", RunExternalFileChooser(SaveDialog(), "QVX").path);
}

TEST_F(FileChooserTest, KdialogCancelAndFailureAreToldApart)
{
    InstallChooser("kdialog", "/x/y.quarvix", 0);
    HostFileDialog open = SaveDialog();
    open.save = false;
    EXPECT_EQ("/x/y.quarvix", RunExternalFileChooser(open, "QVX").path);
    EXPECT_EQ("--title\nQVX\n--getopenfilename\n/home/user/presets/\n*.quarvix|Settings Files (*.quarvix)\n",
              Arguments());

    InstallChooser("kdialog", "", 1);
    EXPECT_EQ(FileChooserResult::Outcome::Cancelled, RunExternalFileChooser(open, "QVX").outcome);
    InstallChooser("kdialog", "", 3);
    const FileChooserResult failed = RunExternalFileChooser(open, "QVX");
    EXPECT_EQ(FileChooserResult::Outcome::Failed, failed.outcome);
    EXPECT_NE(std::string::npos, failed.message.find("exit status 3"));
    // Two lines or a relative path are not an answer to trust.
    InstallChooser("kdialog", "relative/name", 0);
    EXPECT_EQ(FileChooserResult::Outcome::Failed, RunExternalFileChooser(open, "QVX").outcome);
}

TEST_F(FileChooserTest, WithoutAChooserTheWindowSaysWhatToInstall)
{
    X11Test::XvfbDisplay x;
    std::string error;
    ::setenv("PATH", mSavedPath.c_str(), 1);
    ASSERT_TRUE(x.Start(error)) << error;
    ::setenv("PATH", (mDir / "bin").c_str(), 1);
    EXPECT_EQ(FileChooserResult::Outcome::Unavailable, RunExternalFileChooser(SaveDialog(), "QVX").outcome);

    X11HostWindow::Options options;
    options.width = 300;
    options.height = 60;
    options.display = x.GetName();
    auto window = X11HostWindow::Create(options, error);
    ASSERT_TRUE(window) << error;
    std::string path = "unchanged";
    EXPECT_FALSE(window->RunFileDialog(SaveDialog(), path));
    EXPECT_EQ("unchanged", path);
    EXPECT_EQ(kNoFileChooserMessage, window->GetNotice());
}

TEST(X11HostWindowCreate, ReportsWhatStopsIt)
{
    std::string error;
    X11HostWindow::Options options;
    options.display = ":4711";
    EXPECT_EQ(nullptr, X11HostWindow::Create(options, error));
    EXPECT_EQ("Cannot open the X display \":4711\".", error);

    X11Test::XvfbDisplay x;
    ASSERT_TRUE(x.Start(error)) << error;
    options.display = x.GetName();
    options.parent = 0x7fffff; // no such window
    EXPECT_EQ(nullptr, X11HostWindow::Create(options, error));
    EXPECT_EQ("Cannot make a window in the host's window 0x7fffff.", error);
}

} // namespace
