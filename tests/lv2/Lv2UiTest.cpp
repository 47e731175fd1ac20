// The editor as an LV2 X11 UI on a private Xvfb display: first called as a
// host calls it, in this process (its window inside the host's, sized and
// announced, what it shows, opening and closing again and again leaving
// nothing behind, hosts that lack what it needs), then inside a real host,
// jalv.gtk3 on a JACK server of its own, where a real click switches the view
// and what the screen shows equals the editor drawn offscreen in the same state.

#include <gtest/gtest.h>

#include "editor/SkinLayout.h"
#include "hostlib/OffscreenHostWindow.h"
#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Instance.h"
#include "lv2/Lv2Ui.h"
#include "support/FakeClock.h"
#include "support/X11TestDisplay.h"

#include "Lv2BundleTestSupport.h"

#include <lv2/instance-access/instance-access.h>

#include <cstring>
#include <filesystem>
#include <fstream>

using namespace std::chrono_literals;
using namespace HostLib;

namespace
{

std::size_t OpenDescriptorCount()
{
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// Where a button of the analyzer panel lies in the editor.
Point ViewButtonCentre()
{
    const SkinLayout::Element* element = SkinLayout::Find(SkinLayout::Panel::Analyzer, "view");
    EXPECT_NE(nullptr, element);
    const Rect rect = element->rect.Offset(SkinLayout::PanelRect(SkinLayout::Panel::Analyzer).left,
                                           SkinLayout::PanelRect(SkinLayout::Panel::Analyzer).top);
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// What the editor of `instance` shows offscreen once silence passing
// through it (as through a host's idle instance) has settled it: the zoom
// note of a fresh editor gone (after 9 s), the spectrogram filled. Then
// `act`, and the picture once it holds still again, taken before a zoom note
// that act brings up would go. The plug-in's clock moves with the window's,
// as it does in real time.
constexpr int kSettledTicks = 350;
constexpr auto kSettledTime = std::chrono::milliseconds(30) * kSettledTicks;

std::vector<std::uint32_t> OffscreenPicture(EffectInstance& instance,
                                            const std::function<void(OffscreenHostWindow&)>& act = {})
{
    std::vector<float> silence(1440, 0.0f), out(1440);
    const float* inputs[] = {silence.data(), silence.data()};
    float* outputs[] = {out.data(), out.data()};
    std::int32_t width = 0, height = 0;
    instance.GetWindowSize(width, height);
    const FakeClock clock;
    FakeClock::ms = 1000;
    OffscreenHostWindow window(width, height);
    EXPECT_EQ(kEffectOK, instance.OpenWindow(&window, 0, 0));
    const auto tick = [&]
    {
        instance.Render(inputs, outputs, 1440); // 30 ms at 48 kHz
        window.AdvanceTime(30);
        FakeClock::ms += 30;
        instance.IdleWindow();
        window.Paint();
    };
    for (int i = 0; i < kSettledTicks; ++i)
        tick();
    if (act)
        act(window);
    std::vector<std::uint32_t> picture = window.ReadPixels(), before;
    for (int i = 0; i < 25 && picture != before; ++i)
    {
        for (int j = 0; j < 10; ++j)
            tick();
        before = std::move(picture);
        picture = window.ReadPixels();
    }
    instance.CloseWindow();
    return picture;
}

class Lv2UiTest : public Lv2BundleTest::BundleTest
{
protected:
    void SetUp() override
    {
        BundleTest::SetUp();
        std::string error;
        ASSERT_TRUE(mX.Start(error)) << error;
        ::setenv("DISPLAY", mX.GetName().c_str(), 1);
        mPlugin = Lv2Instance::Create(Lv2Identity::kPlugins[1], 48000.0, nullptr);
        ASSERT_TRUE(mPlugin);
        Effect().GetWindowSize(mWidth, mHeight);
        ::Display* display = mX.Get();
        mParent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1000, 700, 0, 0, 0);
        XMapWindow(display, mParent);
        XSync(display, False);
    }

    EffectInstance& Effect() const { return mPlugin->GetPlugin().GetInstance(); }

    struct Resized
    {
        int width = 0;
        int height = 0;
        static int Call(LV2UI_Feature_Handle handle, int width, int height)
        {
            *static_cast<Resized*>(handle) = {width, height};
            return 0;
        }
    };

    // Instantiates the UI as a host would, with the features given.
    LV2UI_Handle Instantiate(const std::vector<const LV2_Feature*>& features, LV2UI_Widget& widget)
    {
        std::vector<const LV2_Feature*> list = features;
        list.push_back(nullptr);
        const LV2UI_Descriptor* ui = QuarvixLv2UiDescriptor(0);
        return ui->instantiate(ui, Lv2Identity::kPlugins[1].uri, Lv2BundleTest::BundleDir().c_str(), nullptr,
                               nullptr, &widget, list.data());
    }
    int Idle(LV2UI_Handle handle)
    {
        const auto* idle = static_cast<const LV2UI_Idle_Interface*>(
            QuarvixLv2UiDescriptor(0)->extension_data(LV2_UI__idleInterface));
        return idle->idle(handle);
    }
    void IdleFor(LV2UI_Handle handle, std::chrono::milliseconds time)
    {
        const auto end = std::chrono::steady_clock::now() + time;
        while (std::chrono::steady_clock::now() < end)
        {
            ASSERT_EQ(0, Idle(handle));
            std::this_thread::sleep_for(10ms);
        }
    }
    std::vector<Window> ChildrenOfParent() const
    {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(mX.Get(), mParent, &root, &parent, &children, &count);
        std::vector<Window> list(children, children + count);
        if (children)
            XFree(children);
        return list;
    }

    X11Test::XvfbDisplay mX;
    std::unique_ptr<Lv2Instance> mPlugin;
    std::int32_t mWidth = 0, mHeight = 0;
    Window mParent = 0;
};

TEST_F(Lv2UiTest, OpensInTheHostsWindowAndCloseAndReopenLeaveNothingBehind)
{
    Resized resized;
    LV2UI_Resize resize{&resized, &Resized::Call};
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(mParent))};
    const LV2_Feature access{LV2_INSTANCE_ACCESS_URI, mPlugin.get()};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2UI_Descriptor* descriptor = QuarvixLv2UiDescriptor(0);
    EXPECT_STREQ(Lv2Identity::kUiUri, descriptor->URI);
    EXPECT_EQ(nullptr, QuarvixLv2UiDescriptor(1));

    const std::size_t descriptorsBefore = OpenDescriptorCount();
    for (int round = 0; round < 4; ++round)
    {
        SCOPED_TRACE(round);
        LV2UI_Widget widget = nullptr;
        LV2UI_Handle handle = Instantiate({&parent, &access, &resizeFeature}, widget);
        ASSERT_NE(nullptr, handle);
        const auto window = static_cast<Window>(reinterpret_cast<std::uintptr_t>(widget));
        EXPECT_EQ(std::vector<Window>{window}, ChildrenOfParent());
        EXPECT_EQ(mWidth, resized.width);
        EXPECT_EQ(mHeight, resized.height);
        EXPECT_TRUE(Effect().IsWindowOpen());
        IdleFor(handle, 150ms);

        // The screen shows the editor's picture, and the picture is the editor.
        const auto shown = mX.Grab(window, mWidth, mHeight);
        auto& ui = *static_cast<Lv2Ui*>(handle);
        EXPECT_EQ(0u, X11Test::CountDifferences(shown, ui.GetWindow().GetScene().ReadPixels()));
        EXPECT_GT(std::set<std::uint32_t>(shown.begin(), shown.end()).size(), 20u);

        descriptor->cleanup(handle);
        XSync(mX.Get(), False);
        EXPECT_TRUE(ChildrenOfParent().empty());
        EXPECT_FALSE(Effect().IsWindowOpen());
    }
    // The display connection and shared memory of each round are given back
    // (and under AddressSanitizer every allocation too).
    EXPECT_EQ(descriptorsBefore, OpenDescriptorCount());
}

TEST_F(Lv2UiTest, HostsWithoutAParentWindowOrInstanceAccessGetNoEditor)
{
    const LV2_Feature parent{LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(mParent))};
    const LV2_Feature access{LV2_INSTANCE_ACCESS_URI, mPlugin.get()};
    int somethingElse = 0;
    const LV2_Feature wrongAccess{LV2_INSTANCE_ACCESS_URI, &somethingElse};
    LV2UI_Widget widget = nullptr;
    EXPECT_EQ(nullptr, Instantiate({&access}, widget));
    EXPECT_EQ(nullptr, Instantiate({&parent}, widget));
    EXPECT_EQ(nullptr, Instantiate({&parent, &wrongAccess}, widget));
    EXPECT_EQ(nullptr, Instantiate({}, widget));
    EXPECT_FALSE(Effect().IsWindowOpen());
    EXPECT_TRUE(ChildrenOfParent().empty());

    // The plug-in's window closing under the editor (the host destroying its
    // own first) ends the editor's idle calls instead of crashing them.
    LV2UI_Handle handle = Instantiate({&parent, &access}, widget);
    ASSERT_NE(nullptr, handle);
    IdleFor(handle, 50ms);
    XDestroyWindow(mX.Get(), mParent);
    XSync(mX.Get(), False);
    int answer = 0;
    for (int i = 0; i < 100 && answer == 0; ++i)
    {
        answer = Idle(handle);
        std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(1, answer);
    QuarvixLv2UiDescriptor(0)->cleanup(handle);
    EXPECT_FALSE(Effect().IsWindowOpen());
}

// jalv.gtk3 with the bundle, on a dummy JACK server of the test's own.
class Lv2UiInJalvTest : public Lv2UiTest
{
protected:
    void SetUp() override
    {
        // A sanitizer build's bundle would need the sanitizer's runtime preloaded
        // into jalv, and GTK's start-up deadlocks on glibc's locale lock with it.
        // The in-process tests above carry the sanitizer's checks of the editor.
        if (std::strlen(QUARVIX_LV2_TOOL_PRELOAD) > 0)
            GTEST_SKIP() << "jalv.gtk3 cannot run a sanitizer build's bundle";
        Lv2UiTest::SetUp();
        mJackName = "quarvix-test-" + std::to_string(::getpid());
        ASSERT_TRUE(mJack.Start({"jackd", "--no-realtime", "-n", mJackName, "-d", "dummy", "-r", "48000", "-p",
                                 "1024"},
                                {"JACK_NO_AUDIO_RESERVATION=1"}, -1, (mDir / "jackd.txt").string()));
        X11Test::ChildProcess wait;
        ASSERT_TRUE(wait.Start({"jack_wait", "-w", "-s", mJackName, "-t", "10"}, {}, -1,
                               (mDir / "jack_wait.txt").string()));
        ASSERT_EQ(0, wait.Wait(15s).value_or(-1)) << "the JACK server did not start";
    }

    void StartJalv()
    {
        const std::vector<std::string> environment{"DISPLAY=" + mX.GetName(), "JACK_DEFAULT_SERVER=" + mJackName,
                                                   "NO_AT_BRIDGE=1"};
        ASSERT_TRUE(mJalv.Start({"jalv.gtk3", Lv2Identity::kPlugins[1].uri}, environment, -1,
                                (mDir / "jalv.txt").string()));
    }
    std::string JalvOutput() const
    {
        std::ifstream in(mDir / "jalv.txt");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // The screen's picture of the editor once it holds still.
    std::vector<std::uint32_t> SteadyPicture(Window window)
    {
        std::vector<std::uint32_t> last = mX.Grab(window, mWidth, mHeight);
        for (int attempt = 0; attempt < 40; ++attempt)
        {
            std::this_thread::sleep_for(100ms);
            std::vector<std::uint32_t> now = mX.Grab(window, mWidth, mHeight);
            if (now == last)
                return now;
            last = std::move(now);
        }
        return last;
    }

    std::string mJackName;
    X11Test::ChildProcess mJack;
    X11Test::ChildProcess mJalv;
};

TEST_F(Lv2UiInJalvTest, TheEditorAppearsAndAClickOnTheViewButtonSwitchesTheView)
{
    StartJalv();
    const Window window = mX.WaitForWindowOfSize(mWidth, mHeight, 30s);
    ASSERT_NE(0u, window) << JalvOutput();
    std::this_thread::sleep_for(kSettledTime);

    // The same instance state drawn offscreen: fresh default settings, silence.
    const std::vector<std::uint32_t> fftView = OffscreenPicture(Effect());
    EXPECT_EQ(0u, X11Test::CountDifferences(SteadyPicture(window), fftView)) << JalvOutput();

    const Point button = ViewButtonCentre();
    X11Test::ChildProcess click;
    ASSERT_TRUE(click.Start({"xdotool", "mousemove", "--window", std::to_string(window), std::to_string(button.x),
                             std::to_string(button.y), "click", "1"},
                            {"DISPLAY=" + mX.GetName()}));
    ASSERT_EQ(0, click.Wait(10s).value_or(-1));
    const std::vector<std::uint32_t> spectrogramView =
        OffscreenPicture(Effect(), [&](OffscreenHostWindow& offscreen) { offscreen.Click(button.x, button.y); });
    EXPECT_NE(0u, X11Test::CountDifferences(spectrogramView, fftView));
    EXPECT_EQ(0u, X11Test::CountDifferences(SteadyPicture(window), spectrogramView)) << JalvOutput();

    // jalv ends on SIGINT as on closing its window: the editor and plug-in
    // are taken down in order.
    mJalv.Signal(SIGINT);
    EXPECT_EQ(0, mJalv.Wait(20s).value_or(-1)) << JalvOutput();
}

} // namespace
