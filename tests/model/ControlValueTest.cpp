#include "model/CentralController.h"
#include "model/GenericControl.h"

#include "base/FourCC.h"
#include "support/MessageLog.h"

#include <gtest/gtest.h>

#include <memory>
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

TEST_F(ControlValueTest, SetValueClampsAndReportsTheLimit)
{
    GenericControl control(&services, -5, 10, 3, FourCCValue("ctl1"));
    Listener listener(&services, control.GetMsgClass());
    EXPECT_EQ(control.GetValue(), 3);

    control.SetValue(42);
    control.SetValue(-100);
    control.SetValue(7);
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 10}, {kChanged, -5}, {kChanged, 7}}));
    EXPECT_EQ(control.GetValue(), 7);
    EXPECT_EQ(control.GetPreviousValue(), -5);
    EXPECT_EQ(MessagingServer::GetClassId(control.GetMsgClass()), FourCCValue("ctl1"));
}

TEST_F(ControlValueTest, UnchangedValueIsSentOnlyWhenStale)
{
    GenericControl control(&services, 0, 10, 4, 1);
    Listener listener(&services, control.GetMsgClass());
    control.SetValue(4);
    EXPECT_TRUE(listener.messages.empty());

    control.Refresh();
    EXPECT_TRUE(control.IsStale());
    control.SetValue(4);
    EXPECT_FALSE(control.IsStale());
    control.SetValue(4);
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 4}}));

    // A value that clamps to the current one still counts as a change request.
    control.SetValue(9);
    control.SetValue(10);
    control.SetValue(99);
    EXPECT_EQ(listener.messages.back(), (Message{kChanged, 10}));
    EXPECT_EQ(listener.messages.size(), 4u);

    control.ResetToDefault();
    control.ResetToDefault();
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 4}, {kChanged, 9}, {kChanged, 10},
                                                       {kChanged, 10}, {kChanged, 4}, {kChanged, 4}}));
}

TEST_F(ControlValueTest, SilentSettingRangeChangesAndDestructionNotices)
{
    auto control = std::make_unique<GenericControl>(&services, 0, 100, 80, 1);
    Listener listener(&services, control->GetMsgClass());
    control->SetRange(0, 50); // reclamps without a message
    EXPECT_EQ(control->GetValue(), 50);
    control->SetRange(60, 70);
    EXPECT_EQ(control->GetValue(), 60);
    control->SetValueSilently(66);
    EXPECT_EQ(control->GetValue(), 66);
    EXPECT_FALSE(control->IsSilent());
    EXPECT_TRUE(listener.messages.empty());
    control->SetValue(62);
    control.reset();
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 62}, {MsgClassDestroyed, 0}}));
}

TEST(CentralControllerMapping, EndsMapToEndsAndTheInsideIsTruncated)
{
    EXPECT_EQ(CentralController::MapValue(7, 0, 2, 0, 2), 7); // equal ranges pass unchanged
    EXPECT_EQ(CentralController::MapValue(0, 0, 100, 0, 10), 0);
    EXPECT_EQ(CentralController::MapValue(100, 0, 100, 0, 10), 10);
    EXPECT_EQ(CentralController::MapValue(59, 0, 100, 0, 10), 5);
    EXPECT_EQ(CentralController::MapValue(1, 0, 2, 0, 1000), 500);
    EXPECT_EQ(CentralController::MapValue(-20, -20, 20, 100, 200), 100);
    EXPECT_EQ(CentralController::MapValue(20, -20, 20, 100, 200), 200);
    EXPECT_EQ(CentralController::MapValue(5, 5, 5, 0, 9), 0); // an empty source range
    EXPECT_EQ(CentralController::MapValue(2000000000, -2000000000, 2000000000, 0, 4), 4);
}

TEST_F(ControlValueTest, AttachedControlTakesTheSharedValueAtOnce)
{
    CentralController controller(&services, 0, 2, 2, FourCCValue("ctrl"));
    GenericControl plain(&services, 0, 2, 0, 1);
    GenericControl bound(&services, 0, 2, 0, 2, &controller);
    EXPECT_EQ(plain.GetValue(), 0);
    EXPECT_EQ(bound.GetValue(), 2);
    EXPECT_EQ(bound.GetController(), &controller);

    Listener listener(&services, plain.GetMsgClass());
    controller.Attach(plain);
    EXPECT_EQ(plain.GetValue(), 2);
    EXPECT_EQ(listener.messages, (std::vector<Message>{{kChanged, 2}}));
    EXPECT_EQ(controller.GetControls(), (std::vector<GenericControl*>{&bound, &plain}));
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

    a.SetValue(1);
    EXPECT_EQ(controller.GetValue(), 1);
    EXPECT_EQ(b.GetValue(), 1);
    EXPECT_EQ(wide.GetValue(), 100);
    EXPECT_EQ(onController.messages, (std::vector<Message>{{kChanged, 1}}));
    EXPECT_EQ(onA.messages, (std::vector<Message>{{kChanged, 1}}));
    EXPECT_EQ(onB.messages, (std::vector<Message>{{kChanged, 1}}));
    EXPECT_EQ(onWide.messages, (std::vector<Message>{{kChanged, 100}}));

    // The wide control's value maps back truncated: 199 of 0..200 is 1 of 0..2.
    wide.SetValue(199);
    EXPECT_EQ(controller.GetValue(), 1);
    EXPECT_EQ(onController.messages.size(), 1u);
    wide.SetValue(200);
    EXPECT_EQ(controller.GetValue(), 2);
    EXPECT_EQ(a.GetValue(), 2);

    controller.SetValue(0);
    EXPECT_EQ(a.GetValue(), 0);
    EXPECT_EQ(b.GetValue(), 0);
    EXPECT_EQ(wide.GetValue(), 0);
    EXPECT_EQ(onController.messages, (std::vector<Message>{{kChanged, 1}, {kChanged, 2}, {kChanged, 0}}));
    EXPECT_EQ(onB.messages, (std::vector<Message>{{kChanged, 1}, {kChanged, 2}, {kChanged, 0}}));

    // Silence travels with the change.
    a.SetValueSilently(2);
    controller.SetValueSilently(1);
    EXPECT_EQ(b.GetValue(), 1);
    EXPECT_EQ(onController.messages.size(), 3u);
    EXPECT_EQ(onB.messages.size(), 3u);
}

TEST_F(ControlValueTest, ControlsMoveBetweenControllersAndOutliveThem)
{
    auto first = std::make_unique<CentralController>(&services, 0, 5, 1, FourCCValue("one "));
    BooleanController second(&services, true, FourCCValue("two "));
    EXPECT_EQ(second.GetMinimum(), 0);
    EXPECT_EQ(second.GetMaximum(), 1);
    GenericControl control(&services, 0, 5, 0, 1, first.get());
    EXPECT_EQ(control.GetValue(), 1);

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
