// The editor in a host window, driven as a host drives it: through the
// library's instance (open, draw, idle, highlight, close) and through the
// host window's own window system (paint, time, mouse, keys, dialogs).

#include "editor/QuarvixMainFrame.h"
#include "editor/SkinLayout.h"
#include "gui/Frame.h"
#include "gui/OffscreenEditor.h"
#include "gui/TextFrame.h"
#include "host/CVLGroup.h"
#include "host/CVLPTProcess.h"
#include "hostlib/OffscreenHostWindow.h"
#include "support/FakeClock.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace
{

using namespace HostLib;
using Button = OffscreenHostWindow::Button;
using Operation = OffscreenHostWindow::Operation;
using SkinLayout::Panel;

struct RecordingHost : EffectHost
{
    std::vector<EffectMessageBox> boxes;
    void ShowMessageBox(const EffectMessageBox& box) override { boxes.push_back(box); }
};

// A child of the host's own that only keeps what it is sent.
std::intptr_t Ignore(HostChildWindow&, const HostMessage&)
{
    return 0;
}

// Where an element of the editor's layout lies in the view.
Rect ViewRect(Panel panel, const char* name)
{
    const SkinLayout::Element* element = SkinLayout::Find(panel, name);
    EXPECT_NE(element, nullptr) << name;
    const Rect panelRect = SkinLayout::PanelRect(panel);
    return element ? element->rect.Offset(panelRect.left, panelRect.top) : Rect{};
}

Point Centre(const Rect& rect)
{
    return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

// The centre of an element of the analyzer panel, and the panel's plot.
Point At(const char* name)
{
    return Centre(ViewRect(Panel::Analyzer, name));
}
Rect Plot()
{
    return SkinLayout::kPlot.Offset(0, SkinLayout::PanelRect(Panel::Analyzer).top);
}

class ViewBridgeTest : public TestFiles::TempDirTest
{
protected:
    static constexpr std::int32_t kMarginX = 40, kMarginY = 30;

    void SetUp() override
    {
        TempDirTest::SetUp();
        ::setenv("XDG_CONFIG_HOME", mDir.c_str(), 1);
        FakeClock::ms = 100000;
        InstallQuarvixEditor();
        ASSERT_EQ(mGroup.Initialize(), 0);
        mGroup.SetHost(&mHost);
        mInstance = Insert();
        ASSERT_NE(mInstance, nullptr);
        ASSERT_EQ(mInstance->GetWindowSize(mWidth, mHeight), kEffectOK);
        mWindow = std::make_unique<OffscreenHostWindow>(mWidth + kMarginX, mHeight + kMarginY);
    }

    EffectInstance* Insert() { return mGroup.GetEngine().CreateInstance(FourCC("StRT")); }

    // Opens the editor on the host window and lets the host paint it.
    void Open()
    {
        ASSERT_EQ(mInstance->OpenWindow(mWindow.get(), 0, 0), kEffectOK);
        ASSERT_EQ(mWindow->GetChildren().size(), 1u);
        mWindow->Paint();
    }

    auto& PluginOf(EffectInstance* instance) { return *dynamic_cast<CVLPTProcess*>(mGroup.GetProcess(instance))->GetPlugin(); }
    PluginUIRoot& Root()
    {
        auto* root = dynamic_cast<PluginUIRoot*>(PluginOf(mInstance).GetCurrentUIRoot());
        EXPECT_NE(root, nullptr);
        return *root;
    }

    HostChildWindow& Editor() const { return *mWindow->GetChildren().front(); }
    // A point of the view in the host window.
    Point OnHost(Point view) const { return {view.x + Editor().GetRect().left, view.y + Editor().GetRect().top}; }
    void Click(Point view, Button button = Button::Left) { mWindow->Click(OnHost(view).x, OnHost(view).y, button); }
    // What the host window shows of a rectangle of the view.
    std::vector<std::uint32_t> Shown(const Rect& view) const
    {
        std::vector<std::uint32_t> pixels;
        for (std::int32_t y = view.top; y < view.bottom; ++y)
            for (std::int32_t x = view.left; x < view.right; ++x)
                pixels.push_back(mWindow->GetPixel(OnHost({x, y}).x, OnHost({x, y}).y));
        return pixels;
    }
    // Time passes for the host's window timers and the plug-in's clock alike.
    void Pass(std::uint32_t milliseconds)
    {
        for (std::uint32_t done = 0; done < milliseconds; done += 10)
            FakeClock::ms += 10, mWindow->AdvanceTime(10);
    }
    // The editor's threshold field, where a click opens a text entry.
    TextFrame& Threshold()
    {
        auto* field = dynamic_cast<TextFrame*>(Root().GetMasterFrame()->HitTest(At("threshold").x, At("threshold").y, true));
        EXPECT_NE(field, nullptr);
        return *field;
    }
    void OpenEntry()
    {
        Click(At("threshold"));
        ASSERT_EQ(mWindow->GetChildren().size(), 2u);
    }
    // How many children the host window has, and which one has the focus.
    using WindowsState = std::pair<std::size_t, const HostChildWindow*>;
    static constexpr WindowsState kEditorAlone{1, nullptr};
    WindowsState WindowsAndFocus() const { return {mWindow->GetChildren().size(), mWindow->GetFocus()}; }
    // Children, timers and device contexts the host window holds.
    std::tuple<std::size_t, std::size_t, int> Held() const
    {
        return {mWindow->GetChildren().size(), mWindow->GetTimerCount(), mWindow->GetDCCount()};
    }
    HostChildWindow* Entry() const { return mWindow->GetChildren().size() > 1 ? mWindow->GetChildren()[1] : nullptr; }

    FakeClock mClock;
    RecordingHost mHost;
    // Outlives the group, whose instances may still have their windows open in it.
    std::unique_ptr<OffscreenHostWindow> mWindow;
    CVLGroup mGroup;
    EffectInstance* mInstance = nullptr;
    std::int32_t mWidth = 0, mHeight = 0;
};

// Draw requests, host idle calls and the window timer then show what they
// draw, unless a file dialog (which goes to the host without the capture
// taken) holds the editor still.
TEST_F(ViewBridgeTest, OpensCentredAtTheBottomOfTheHostWindowAndShowsWhatTheEditorDraws)
{
    EXPECT_EQ(std::pair(mWidth, mHeight), std::pair(SkinLayout::EditorSize(true).width, SkinLayout::EditorSize(true).height));
    Open();
    EXPECT_EQ(Editor().GetRect(), (HostRect{kMarginX / 2, kMarginY, kMarginX / 2 + mWidth, kMarginY + mHeight}));
    EXPECT_EQ(std::tuple(mWindow->GetTimerIds(&Editor()).size(), mWindow->GetDCCount()), std::tuple(1u, 1));

    // The same editor drawn in memory for another instance shows the same pixels.
    OffscreenEditor reference(PluginOf(Insert()));
    reference.Open();
    reference.Paint();
    const PixelBuffer& expected = reference.GetWindow()->GetPixels();
    EXPECT_EQ(Shown({0, 0, mWidth, mHeight}), expected.pixels);
    EXPECT_EQ(mWindow->GetPixel(0, 0), OffscreenHostWindow::kDefaultBackground);

    // The host scribbles over the window; a draw request brings its part back.
    HostDeviceContext* context = mWindow->GetDC(Editor());
    ASSERT_NE(context, nullptr);
    const std::vector<std::uint32_t> before = Shown({0, 0, mWidth, mHeight});
    std::fill(context->pixels, context->pixels + static_cast<std::ptrdiff_t>(context->stride) * context->height,
              0x00FF00FFu);
    ASSERT_EQ(mInstance->DrawWindow({10, 20, 110, 60}), kEffectOK);
    std::vector<std::uint32_t> part;
    for (std::int32_t y = 20; y < 60; ++y)
        part.insert(part.end(), before.begin() + y * mWidth + 10, before.begin() + y * mWidth + 110);
    EXPECT_EQ(Shown({10, 20, 110, 60}), part);

    // The freeze button blinks on the editor's timers: host idle calls draw
    // the blink at once, the window timer leaves it for the host's paint.
    const Rect freeze = ViewRect(Panel::Analyzer, "freeze");
    Click(Centre(freeze));
    mWindow->Paint();
    const std::vector<std::uint32_t> on = Shown(freeze);
    FakeClock::ms += 600;
    ASSERT_EQ(mInstance->IdleWindow(), kEffectOK);
    const std::vector<std::uint32_t> blink = Shown(freeze);
    EXPECT_NE(blink, on);
    Pass(600);
    EXPECT_EQ(Shown(freeze), blink);
    EXPECT_GT(mWindow->Paint(), 0);
    EXPECT_EQ(Shown(freeze), on);

    std::vector<HostFileDialog> asked;
    HostChildWindow* captureDuringDialog = &Editor();
    std::vector<std::uint32_t> duringDialog;
    mWindow->SetFileDialogHandler(
        [&](const HostFileDialog& dialog, std::string&)
        {
            asked.push_back(dialog);
            captureDuringDialog = mWindow->GetCapture();
            // The host keeps idling while its dialog waits; the editor's timers wait too.
            FakeClock::ms += 600;
            EXPECT_EQ(mInstance->IdleWindow(), kEffectOK);
            duringDialog = Shown(freeze);
            return false;
        });
    Click(Centre(ViewRect(Panel::Global, "saveSettings")));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(std::pair(asked[0].save, asked[0].extension), std::pair(true, std::string(".quarvix")));
    EXPECT_EQ(captureDuringDialog, nullptr);
    EXPECT_EQ(duringDialog, on);
    ASSERT_EQ(mInstance->IdleWindow(), kEffectOK);
    EXPECT_NE(Shown(freeze), on);

    // A host window as wide as the editor puts it at the view's own left
    // edge; a narrower one centres it, cut on both sides.
    ASSERT_EQ(mInstance->CloseWindow(), kEffectOK);
    for (const auto& [hostWidth, left] : {std::pair(mWidth, 0), std::pair(mWidth - 100, -50)})
    {
        OffscreenHostWindow host(hostWidth, mHeight + 5);
        ASSERT_EQ(mInstance->OpenWindow(&host, 0, 0), kEffectOK);
        EXPECT_EQ(host.GetChildren().at(0)->GetRect(), (HostRect{left, 5, left + mWidth, 5 + mHeight}));
        host.Paint();
        EXPECT_EQ(host.GetPixel(0, 5), expected.At(-left, 0));
        ASSERT_EQ(mInstance->CloseWindow(), kEffectOK);
    }
}

// Highlights and gestures map parameters to host controls from 2 on.
TEST_F(ViewBridgeTest, ClicksReachTheEditorWithTheCaptureTakenAndGivenBackAndHighlightsAndGesturesMapParameters)
{
    Open();
    const Point view = At("view");
    const std::vector<std::uint32_t> fft = Shown(Plot());

    // The pointer shows a hand over a control and the arrow elsewhere (the
    // editor looks where the pointer is in its idle time).
    for (const auto& [point, cursor] : {std::pair(view, HostCursor::Hand),
                                        std::pair(Point{2, SkinLayout::PanelRect(Panel::Analyzer).top + 2}, HostCursor::Arrow)})
    {
        const Point at = OnHost(point);
        mWindow->MouseMove(at.x, at.y);
        mInstance->IdleWindow();
        EXPECT_EQ(mWindow->GetCursorAt(at.x, at.y), cursor);
    }

    // A right click is a secondary click, which the view selector refuses.
    Click(view, Button::Right);
    mWindow->Paint();
    EXPECT_EQ(Shown(Plot()), fft);

    const Point at = OnHost(view);
    mWindow->MouseDown(at.x, at.y);
    EXPECT_EQ(mWindow->GetCapture(), &Editor());
    mWindow->MouseUp(at.x, at.y);
    EXPECT_EQ(mWindow->GetCapture(), nullptr);
    mWindow->Paint();
    EXPECT_NE(Shown(Plot()), fft); // the spectrogram now

    // A holder from before the press gets the capture back on the release,
    // unless it is gone by then.
    HostChildWindow* holder = mWindow->CreateChildWindow({0, 0, 5, 5}, &Ignore, nullptr);
    const auto message = [&](HostMessageType type)
    { return HostMessage{.type = type, .x = Centre(Plot()).x, .y = Centre(Plot()).y, .update = {}}; };
    const HostMessage press = message(HostMessageType::LeftButtonDown), release = message(HostMessageType::LeftButtonUp);
    mWindow->SetCapture(holder);
    mWindow->SendMessage(Editor(), press);
    EXPECT_EQ(mWindow->GetCapture(), &Editor());
    mWindow->SendMessage(Editor(), release);
    EXPECT_EQ(mWindow->GetCapture(), holder);

    // A second button pressed while the first is down finds the editor
    // holding the capture; the holder from before still gets it back.
    for (const HostMessage& sent :
         {press, message(HostMessageType::RightButtonDown), message(HostMessageType::RightButtonUp), release})
        mWindow->SendMessage(Editor(), sent);
    EXPECT_EQ(mWindow->GetCapture(), holder);

    mWindow->SendMessage(Editor(), press);
    mWindow->DestroyChildWindow(holder);
    mWindow->SendMessage(Editor(), release);
    EXPECT_EQ(mWindow->GetCapture(), nullptr);

    // The view selector stands in for a control bound to parameter 0 ('rest', host control 2).
    Frame* button = Root().GetMasterFrame()->HitTest(view.x, view.y, true);
    ASSERT_NE(button, nullptr);
    Root().AddParameterFrame(0, button, 0);
    const Point corner{button->GetGlobalRect().left, button->GetGlobalRect().top};
    const std::uint32_t plain = Shown({corner.x, corner.y, corner.x + 1, corner.y + 1}).at(0);
    const auto shownCorner = [&] { return mWindow->Paint(), Shown({corner.x, corner.y, corner.x + 1, corner.y + 1}).at(0); };

    // The master bypass (host control 1) is no parameter: not even a frame
    // bound below the first parameter shows its highlight.
    Root().AddParameterFrame(-1, button, 0);
    EXPECT_EQ(mInstance->SetControlHighlight(1, true, 2), kEffectOK);
    EXPECT_EQ(shownCorner(), plain);
    EXPECT_EQ(mInstance->SetControlHighlight(0, true, 2), kEffectErrBadIndex);
    // Host colour codes 1, 2, 3 are blue, green, yellow; any other is red.
    for (const auto& [code, pixel] : {std::pair(1, 0x4789FEu), {2, 0x00FF00u}, {3, 0xFFFF00u}, {0, 0xFF0000u},
                                      {4, 0xFF0000u}, {-1, 0xFF0000u}})
    {
        ASSERT_EQ(mInstance->SetControlHighlight(2, true, code), kEffectOK);
        EXPECT_EQ(shownCorner(), pixel) << code;
    }
    ASSERT_EQ(mInstance->SetControlHighlight(2, false, 2), kEffectOK);
    EXPECT_EQ(shownCorner(), plain);

    // Holding the bound control is a gesture on its host control.
    mWindow->MouseDown(at.x, at.y);
    EXPECT_EQ(std::pair(mInstance->IsControlTouched(2), mInstance->IsControlTouched(1)), std::pair(true, false));
    mWindow->MouseUp(at.x, at.y);
    EXPECT_FALSE(mInstance->IsControlTouched(2));
    // Closing the window ends a gesture still held.
    mWindow->MouseDown(at.x, at.y);
    ASSERT_EQ(mInstance->CloseWindow(), kEffectOK);
    EXPECT_FALSE(mInstance->IsControlTouched(2));
}

// A text entry accepts on Return and cancels on Escape, focus loss and outside
// clicks; failures of the window system fail the open and leave nothing;
// closing leaves nothing, and a late tick reaches no one.
TEST_F(ViewBridgeTest, TextEntryAcceptsOrCancelsAndClosingOrFailingToOpenLeavesNothing)
{
    Open();
    const std::string original = Threshold().GetText();
    OpenEntry();
    const Rect field = Threshold().GetGlobalRect();
    const Point origin = OnHost({0, 0});
    EXPECT_EQ(Entry()->GetRect(), (HostRect{origin.x + field.left - 1, origin.y + field.top - 2, origin.x + field.right,
                                            origin.y + field.bottom + 4}));
    EXPECT_EQ(std::pair(mWindow->GetFocus(), mWindow->GetCursor(Entry())), std::pair(Entry(), HostCursor::Text));
    mWindow->Paint();
    const HostRect entry = Entry()->GetRect();
    EXPECT_EQ(std::pair(mWindow->GetPixel(entry.left, entry.top), mWindow->GetPixel(entry.left + 1, entry.top + 1)),
              std::pair(0x000000u, 0xFFFFFFu)); // a white field in a black border
    mWindow->Type("-20");
    mWindow->KeyDown(kHostKeyReturn);
    EXPECT_EQ(WindowsAndFocus(), kEditorAlone);
    EXPECT_EQ(std::stof(Threshold().GetText()), -20.0f);

    // Only the first 63 characters count: this reads as -1, not -12.
    OpenEntry();
    mWindow->Type("-" + std::string(61, '0') + "12");
    mWindow->KeyDown(kHostKeyReturn);
    EXPECT_EQ(std::stof(Threshold().GetText()), -1.0f);
    const std::string entered = Threshold().GetText();

    const auto cancels = [&](const char* how, auto&& end)
    {
        OpenEntry();
        mWindow->Type("7");
        end();
        EXPECT_EQ(WindowsAndFocus(), kEditorAlone) << how;
        EXPECT_EQ(Threshold().GetText(), entered) << how;
    };
    cancels("Escape", [&] { mWindow->KeyDown(kHostKeyEscape); });
    cancels("focus lost", [&] { mWindow->SetFocus(nullptr); });
    mWindow->Paint();
    const std::vector<std::uint32_t> fft = Shown(Plot());
    // The click that ends the entry does nothing else: the view stays.
    cancels("outside click", [&] { Click(At("view")); });
    mWindow->Paint();
    EXPECT_EQ(Shown(Plot()), fft);
    EXPECT_NE(entered, original);

    // No window for the field: the click fails inside the editor, nothing opens.
    mWindow->FailNext(Operation::CreateChild);
    Click(At("threshold"));
    EXPECT_EQ(WindowsAndFocus(), kEditorAlone);
    EXPECT_TRUE(mHost.boxes.empty()); // shown in the editor, not by the host
    ASSERT_EQ(mInstance->CloseWindow(), kEffectOK);

    for (const Operation operation : {Operation::CreateChild, Operation::GetDC, Operation::SetTimer})
    {
        mHost.boxes.clear();
        mWindow->FailNext(operation);
        EXPECT_EQ(mInstance->OpenWindow(mWindow.get(), 0, 0), kEffectErrFailed);
        EXPECT_FALSE(mInstance->IsWindowOpen());
        EXPECT_EQ(Held(), std::tuple(0u, 0u, 0));
        ASSERT_EQ(mHost.boxes.size(), 1u);
        EXPECT_NE(mHost.boxes[0].text.find("There is insufficient memory available."), std::string::npos);
    }
    EXPECT_EQ(mInstance->OpenWindow(nullptr, 0, 0), kEffectErrFailed);
    Open(); // nothing left in the way
    EffectInstance* second = Insert();
    ASSERT_EQ(second->OpenWindow(mWindow.get(), 0, 0), kEffectOK);
    const std::vector<HostChildWindow*> children = mWindow->GetChildren();
    ASSERT_EQ(children.size(), 2u);
    const std::uintptr_t firstTimer = mWindow->GetTimerIds(children[0]).at(0);

    ASSERT_EQ(mInstance->CloseWindow(), kEffectOK);
    EXPECT_EQ(std::pair(mInstance->IsWindowOpen(), mInstance->IdleWindow()), std::pair(false, kEffectErrNoView));
    EXPECT_EQ(Held(), std::tuple(1u, 1u, 1));
    // A tick that names the closed editor, arriving late at the other one.
    mWindow->SendMessage(*children[1], HostMessage{.type = HostMessageType::Timer, .timerId = firstTimer, .update = {}});
    Pass(100);

    // Removing an instance closes its window.
    mGroup.GetEngine().DestroyInstance(second);
    EXPECT_EQ(Held(), std::tuple(0u, 0u, 0));
    EXPECT_EQ(mWindow->GetPixel(mWindow->GetWidth() / 2, mWindow->GetHeight() - 1),
              OffscreenHostWindow::kDefaultBackground);
}

} // namespace
