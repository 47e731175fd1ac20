#include "model/CentralController.h"
#include "model/GenericControl.h"

#include "base/FourCC.h"
#include "support/MessageLog.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace
{

using Message = LoggedMessage;
using Listener = MessageLog;

constexpr std::int32_t kChanged = ControlMessages::kValueChanged;

class ControlValueTest : public ::testing::Test
{
protected:
    PluginServices services;
};

// Values clamp to the range and the clamped value is sent; an unchanged value
// is sent only when the control is stale, but one that clamps to the current
// value still counts as a change request.
TEST_F(ControlValueTest, SetValueClampsAndSendsChangesOrStaleValues)
{
    GenericControl control(&services, -5, 10, 3, FourCCValue("ctl1"));
    Listener listener(&services, control.GetMsgClass());
    EXPECT_EQ(control.GetValue(), 3);
    EXPECT_EQ(MessagingServer::GetClassId(control.GetMsgClass()), FourCCValue("ctl1"));
    control.SetValue(42);
    control.SetValue(-100);
    control.SetValue(7);
    EXPECT_EQ(std::pair(control.GetValue(), control.GetPreviousValue()), std::pair(7, -5));
    control.SetValue(7);
    control.Refresh();
    EXPECT_TRUE(control.IsStale());
    control.SetValue(7);
    EXPECT_FALSE(control.IsStale());
    control.SetValue(7);
    control.SetValue(10);
    control.SetValue(99);
    control.ResetToDefault();
    control.ResetToDefault();
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 10}, {kChanged, -5}, {kChanged, 7}, {kChanged, 7},
                                                       {kChanged, 10}, {kChanged, 10}, {kChanged, 3}, {kChanged, 3}}));
}

TEST_F(ControlValueTest, SilentSettingRangeChangesAndDestructionNotices)
{
    auto control = std::make_unique<GenericControl>(&services, 0, 100, 80, 1);
    Listener listener(&services, control->GetMsgClass());
    control->SetRange(0, 50); // reclamps without a message
    const int narrowed = control->GetValue();
    control->SetRange(60, 70);
    const int raised = control->GetValue();
    control->SetValueSilently(66);
    EXPECT_EQ(std::tuple(narrowed, raised, control->GetValue(), control->IsSilent()), std::tuple(50, 60, 66, false));
    control->SetValue(62);
    control.reset();
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 62}, {MsgClassDestroyed, 0}}));
}

TEST(CentralControllerMapping, EndsMapToEndsAndTheInsideIsTruncated)
{
    // value, source range, target range, mapped: equal ranges pass unchanged, an empty source range gives the start.
    const int cases[][6] = {{7, 0, 2, 0, 2, 7},           {0, 0, 100, 0, 10, 0},         {100, 0, 100, 0, 10, 10},
                            {59, 0, 100, 0, 10, 5},       {1, 0, 2, 0, 1000, 500},       {-20, -20, 20, 100, 200, 100},
                            {20, -20, 20, 100, 200, 200}, {5, 5, 5, 0, 9, 0},
                            {2000000000, -2000000000, 2000000000, 0, 4, 4}};
    for (const auto& c : cases)
        EXPECT_EQ(CentralController::MapValue(c[0], c[1], c[2], c[3], c[4]), c[5]) << c[0] << " in " << c[1];
}

TEST_F(ControlValueTest, AChangeOnEitherSideReachesEveryoneOnce)
{
    CentralController controller(&services, 0, 2, 0, FourCCValue("ctrl"));
    GenericControl a(&services, 0, 2, 0, 1, &controller);
    GenericControl b(&services, 0, 2, 0, 2, &controller);
    GenericControl wide(&services, 0, 200, 0, 3, &controller);
    Listener onController(&services, controller.GetMsgClass());
    Listener onA(&services, a.GetMsgClass());
    Listener onB(&services, b.GetMsgClass());
    Listener onWide(&services, wide.GetMsgClass());

    const auto values = [&] { return std::tuple(controller.GetValue(), a.GetValue(), b.GetValue(), wide.GetValue()); };
    a.SetValue(1);
    EXPECT_EQ(values(), std::tuple(1, 1, 1, 100));
    const auto wideFirst = onWide.messages;
    // The wide control's value maps back truncated: 199 of 0..200 is 1 of 0..2, no change.
    wide.SetValue(199);
    EXPECT_EQ(controller.GetValue(), 1);
    wide.SetValue(200);
    EXPECT_EQ(values(), std::tuple(2, 2, 2, 200));
    controller.SetValue(0);
    EXPECT_EQ(values(), std::tuple(0, 0, 0, 0));
    // Silence travels with the change.
    a.SetValueSilently(2);
    controller.SetValueSilently(1);
    EXPECT_EQ(values(), std::tuple(1, 1, 1, 100));
    using Log = std::vector<Message>;
    const Log shared{{kChanged, 1}, {kChanged, 2}, {kChanged, 0}};
    EXPECT_EQ(std::tuple(onController.messages, onA.messages, onB.messages, wideFirst),
              std::tuple(shared, shared, shared, Log{{kChanged, 100}}));
}

TEST_F(ControlValueTest, ControlsTakeTheSharedValueMoveBetweenControllersAndOutliveThem)
{
    auto first = std::make_unique<CentralController>(&services, 0, 5, 1, FourCCValue("one "));
    BooleanController second(&services, true, FourCCValue("two "));
    EXPECT_EQ(std::pair(second.GetMinimum(), second.GetMaximum()), std::pair(0, 1));
    GenericControl control(&services, 0, 5, 0, 1, first.get());
    GenericControl plain(&services, 0, 5, 0, 2);
    EXPECT_EQ(std::tuple(control.GetValue(), control.GetController(), plain.GetValue()), std::tuple(1, first.get(), 0));
    Listener listener(&services, plain.GetMsgClass());
    first->Attach(plain);
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 1}}));
    EXPECT_EQ(first->GetControls(), (std::vector<GenericControl*>{&control, &plain}));
    first->Detach(plain);

    second.Attach(control);
    EXPECT_EQ(control.GetValue(), 5);
    EXPECT_TRUE(first->GetControls().empty());
    first->SetValue(3);
    EXPECT_EQ(control.GetValue(), 5);

    second.Detach(control);
    EXPECT_EQ(control.GetController(), nullptr);
    second.SetValue(0);
    EXPECT_EQ(control.GetValue(), 5);

    first->Attach(control);
    first.reset();
    EXPECT_EQ(control.GetController(), nullptr);
    control.SetValue(2);
    EXPECT_EQ(control.GetValue(), 2);

    {
        GenericControl temporary(&services, 0, 1, 0, 9, &second);
        EXPECT_EQ(second.GetControls().size(), 1u);
    }
    EXPECT_TRUE(second.GetControls().empty());
    second.SetValue(1);
}

} // namespace
