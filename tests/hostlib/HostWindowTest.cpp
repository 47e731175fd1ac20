// The in-memory host window: what its children receive, when, and what it shows.

#include "hostlib/OffscreenHostWindow.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace
{

using namespace HostLib;
using Button = OffscreenHostWindow::Button;

// A child's procedure that writes every message into the log its user data points at.
std::intptr_t Record(HostChildWindow& window, const HostMessage& message)
{
    static_cast<std::vector<HostMessage>*>(window.GetUserData())->push_back(message);
    return 0;
}

std::vector<HostMessageType> Types(const std::vector<HostMessage>& log)
{
    std::vector<HostMessageType> types;
    for (const HostMessage& message : log)
        types.push_back(message.type);
    return types;
}

TEST(OffscreenHostWindowTest, TimersFireInTheOrderTheyFallDueUntilKilledOrTheirWindowGoes)
{
    std::vector<HostMessage> log; // outlives the window, whose children write to it to the end
    OffscreenHostWindow host(100, 100);
    HostChildWindow* child = host.CreateChildWindow({0, 0, 10, 10}, &Record, &log);
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(host.SetTimer(*child, 7, 30) && host.SetTimer(*child, 9, 45));
    log.clear();

    EXPECT_EQ(host.AdvanceTime(100), 5); // 30, 45, 60, 90 (7 set first), 90
    std::vector<std::uintptr_t> ids;
    for (const HostMessage& message : log)
        ids.push_back(message.timerId);
    EXPECT_EQ(ids, (std::vector<std::uintptr_t>{7, 9, 7, 7, 9}));
    EXPECT_EQ(host.GetTime(), 100u);

    host.KillTimer(*child, 7);
    EXPECT_EQ(host.AdvanceTime(35), 1); // 9 at 135
    EXPECT_EQ(host.GetTimerIds(child), std::vector<std::uintptr_t>{9});
    host.DestroyChildWindow(child);
    EXPECT_EQ(host.GetTimerCount(), 0u);
    EXPECT_EQ(host.AdvanceTime(1000), 0);
}

TEST(OffscreenHostWindowTest, MouseGoesToTheTopmostChildUnderItOrToTheCaptureHolder)
{
    std::vector<HostMessage> lower, upper;
    OffscreenHostWindow host(100, 100);
    HostChildWindow* below = host.CreateChildWindow({0, 0, 60, 60}, &Record, &lower);
    HostChildWindow* above = host.CreateChildWindow({40, 40, 100, 100}, &Record, &upper);
    lower.clear();
    upper.clear();

    host.MouseDown(50, 45, Button::Right, kHostShift); // where both lie: the newer one
    ASSERT_EQ(upper.size(), 1u);
    EXPECT_EQ(std::tuple(upper[0].type, upper[0].x, upper[0].y, upper[0].modifiers),
              std::tuple(HostMessageType::RightButtonDown, 10, 5, kHostShift));
    host.MouseMove(5, 5);
    EXPECT_EQ(Types(lower), std::vector<HostMessageType>{HostMessageType::MouseMove});

    EXPECT_EQ(host.SetCapture(below), nullptr);
    host.MouseUp(90, 90, Button::Left); // far outside it, still its
    ASSERT_EQ(lower.size(), 2u);
    EXPECT_EQ(std::tuple(lower[1].type, lower[1].x, lower[1].y),
              std::tuple(HostMessageType::LeftButtonUp, 90, 90));
    EXPECT_EQ(host.SetCapture(above), below);

    // A child that is gone is never handed back, nor taken as a holder.
    host.DestroyChildWindow(above);
    EXPECT_EQ(host.GetCapture(), nullptr);
    EXPECT_EQ(host.SetCapture(above), nullptr);
    EXPECT_EQ(host.GetCapture(), nullptr);
    host.MouseDown(200, 200);
    EXPECT_EQ(lower.size(), 2u);
}

TEST(OffscreenHostWindowTest, FocusMovesWithMessagesAndKeysFollowIt)
{
    std::vector<HostMessage> first, second;
    OffscreenHostWindow host(100, 100);
    HostChildWindow* a = host.CreateChildWindow({0, 0, 10, 10}, &Record, &first);
    HostChildWindow* b = host.CreateChildWindow({10, 0, 20, 10}, &Record, &second);
    first.clear();
    second.clear();

    host.KeyDown(kHostKeyReturn); // the host window has the focus: nobody hears it
    EXPECT_EQ(host.SetFocus(a), nullptr);
    host.Type("x\b");
    host.KeyDown(kHostKeyEscape, kHostControl);
    EXPECT_EQ(host.SetFocus(b), a);
    EXPECT_EQ(Types(first),
              (std::vector<HostMessageType>{HostMessageType::SetFocus, HostMessageType::Character,
                                            HostMessageType::Character, HostMessageType::KeyDown,
                                            HostMessageType::KillFocus}));
    EXPECT_EQ(std::tuple(first[1].character, first[2].character, first[3].key, first[3].modifiers),
              std::tuple('x', kHostCharBackspace, kHostKeyEscape, kHostControl));

    // A focused child that goes leaves the focus to the host window, unasked.
    host.DestroyChildWindow(b);
    EXPECT_EQ(host.GetFocus(), nullptr);
    EXPECT_EQ(Types(second),
              (std::vector<HostMessageType>{HostMessageType::SetFocus, HostMessageType::Destroy}));
}

TEST(OffscreenHostWindowTest, PaintAsksForWhatIsInvalidAndTheWindowShowsItsChildrenOverItself)
{
    std::vector<HostMessage> log;
    OffscreenHostWindow host(8, 6, 0x111111);
    HostChildWindow* child =
        host.CreateChildWindow({5, 2, 10, 4}, &Record, &log); // sticks out on the right
    HostDeviceContext* context = host.GetDC(*child);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(std::tuple(context->width, context->height, host.GetDCCount()), std::tuple(5, 2, 1));
    context->pixels[0] = 0xABCDEF;
    context->pixels[context->stride + 2] = 0x123456;

    EXPECT_EQ(host.Paint(), 1);
    EXPECT_EQ(log.back().update, (HostRect{0, 0, 5, 2})); // a new child paints all of itself
    EXPECT_EQ(host.Paint(), 0);
    child->Invalidate({1, 1, 3, 2});
    child->Invalidate({4, 0, 9, 1}); // clipped to the child
    EXPECT_EQ(host.Paint(), 1);
    EXPECT_EQ(log.back().update, (HostRect{1, 0, 5, 2}));

    const std::vector<std::uint32_t> pixels = host.ReadPixels();
    ASSERT_EQ(pixels.size(), 48u);
    EXPECT_EQ(std::tuple(pixels[2 * 8 + 5], pixels[3 * 8 + 7], pixels[3 * 8 + 4], pixels[0]),
              std::tuple(0xABCDEFu, 0x123456u, 0x111111u, 0x111111u));
    EXPECT_EQ(host.GetPixel(7, 3), 0x123456u);
    host.ReleaseDC(*child, context);
    EXPECT_EQ(host.GetDCCount(), 0);
}

} // namespace
