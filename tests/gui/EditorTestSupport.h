#pragma once
// An editor opened on an offscreen window over the real plug-in object, with
// the page a test builds, a simulated clock, and frames that paint a solid
// colour and record what reaches them.

#include "gui/Frame.h"
#include "gui/OffscreenEditor.h"
#include "plugin/Quarvix.h"
#include "support/FakeClock.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace EditorTest
{

inline constexpr CVLCanvas::ColorSpec kRed{255, 0, 0};
inline constexpr CVLCanvas::ColorSpec kGreen{0, 255, 0};
inline constexpr CVLCanvas::ColorSpec kBlue{0, 0, 255};
inline constexpr CVLCanvas::ColorSpec kGrey{128, 128, 128};
inline constexpr CVLCanvas::ColorSpec kWhite{255, 255, 255};
inline constexpr CVLCanvas::ColorSpec kBlack{0, 0, 0};

// The plug-in object with a page of the test's making.
class TestPlugin : public Quarvix
{
public:
    using Quarvix::Quarvix;
    std::function<Frame*(PluginUIRoot&)> build;
    Frame* CreateEditorFrame(PluginUIRoot& root) override { return build ? build(root) : nullptr; }
};

struct Event
{
    std::int32_t type;
    std::int32_t x;
    std::int32_t y;
    friend bool operator==(const Event&, const Event&) = default;
};

// Paints its colour, counts its paints, records its mouse events; may take
// the capture on a press or throw from its handler.
class SolidFrame : public Frame
{
public:
    SolidFrame(Frame* parent, Rect r, CVLCanvas::ColorSpec color, std::uint32_t flags = 0)
        : Frame(parent, r.left, r.top, r.Width(), r.Height(), flags, 0), color(color)
    {
    }
    void DrawContent(DrawContext& context, const Rect& /*rect*/) override
    {
        ++paints;
        if (throwOnDraw)
            throw std::runtime_error("broken drawing");
        context.SetForeColor(color);
        context.PaintRect(GetLocalRect());
    }
    void OnMouseEvent(std::int32_t type, std::int32_t x, std::int32_t y) override
    {
        events.push_back({type, x, y});
        if (type == FrameEvents::kMouseDown && capture)
            GetRoot()->SetCapture(this);
        if (type == FrameEvents::kMouseDown && throwOnDown == 1)
            throw std::runtime_error("broken handler");
        if (type == FrameEvents::kMouseDown && throwOnDown == 2)
            throw std::bad_alloc();
    }

    CVLCanvas::ColorSpec color;
    int paints = 0;
    bool capture = false;
    int throwOnDown = 0; // 1: a runtime error, 2: out of memory
    bool throwOnDraw = false;
    std::vector<Event> events;
};

// Records the messages it hears as (what, subRef, first parameter), only
// those of one kind if `only` is set.
struct HeardMessages : MessageSubscriber<HeardMessages>
{
    HeardMessages(PluginServices* services, std::optional<std::int32_t> only = {}) : MessageSubscriber(services), only(only) {}
    void Listen(MessagingServer::MsgClass* msgClass, std::int32_t subRef) { Subscribe(msgClass, subRef, &HeardMessages::On); }
    void On(std::int32_t what)
    {
        if (!only || what == *only)
            heard.emplace_back(what, GetCurrentSubRef(), GetCurrentP1());
    }
    std::optional<std::int32_t> only;
    std::vector<std::tuple<std::int32_t, std::int32_t, MessageParam>> heard;
};

// Holds the text entry a frame opens (where, with what text) until the test
// answers it through `pending`.
struct ScriptedTextEntry : TextEntryService
{
    void BeginTextEntry(const Rect& rect, const std::string& text,
                        std::shared_ptr<TextEditDialogUserProxy> proxy) override
    {
        shownAt = rect;
        shownText = text;
        pending = std::move(proxy);
    }
    Rect shownAt;
    std::string shownText;
    std::shared_ptr<TextEditDialogUserProxy> pending;
};

class EditorFixture : public ::testing::Test
{
protected:
    // Opens a width × height editor whose page fills it in grey and holds
    // what `build` adds to it; paints it once, as a host paints a new window.
    void Open(std::int32_t width, std::int32_t height, std::function<void(SolidFrame& page)> build)
    {
        mPlugin.build = [=, this](PluginUIRoot& root) {
            mPage = new SolidFrame(root.GetMasterFrame(), {0, 0, width, height}, kGrey);
            if (build)
                build(*mPage);
            return mPage;
        };
        mEditor = std::make_unique<OffscreenEditor>(mPlugin, width, height);
        mEditor->Open();
        ASSERT_TRUE(mEditor->IsOpen());
        mEditor->Paint();
    }

    // One 30 ms window tick.
    void Tick()
    {
        FakeClock::ms += 30;
        mEditor->Tick();
    }
    // `count` timer ticks of 17 ms, one window tick each.
    void TimerTicks(int count)
    {
        for (int i = 0; i < count; ++i)
        {
            FakeClock::ms += 17;
            mEditor->Tick();
        }
    }
    CVLCanvas::ColorSpec Pixel(std::int32_t x, std::int32_t y) const { return mEditor->GetPixel({x, y}); }

    FakeClock mClock;
    RecordingPlatform mPlatform;
    TestPlugin mPlugin{mPlatform, {2, 2}};
    std::unique_ptr<OffscreenEditor> mEditor;
    SolidFrame* mPage = nullptr;
};

} // namespace EditorTest
