#include "core/MessageBlockGuard.h"
#include "core/MessagePublisher.h"
#include "core/MessageSubscriber.h"
#include "base/FourCC.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

constexpr std::int32_t kMain = FourCCValue("main");
constexpr std::int32_t kAlarm = FourCCValue("almM");
constexpr std::int32_t kColr = FourCCValue("colr");

// Logs "name:what" for every message it handles; an optional hook runs after logging.
class Listener : public MessageSubscriber<Listener>
{
public:
    Listener(PluginServices* services, std::vector<std::string>& log, std::string name)
        : MessageSubscriber(services), mLog(log), mName(std::move(name))
    {
    }
    void OnMessage(std::int32_t what)
    {
        mLog.push_back(mName + ":" + (what == MsgClassDestroyed ? std::string("destroyed") : FourCCText(what)));
        mP1.push_back(GetCurrentP1());
        if (mHook)
            mHook(what);
    }
    std::vector<std::string>& mLog;
    std::string mName;
    std::vector<MessageParam> mP1;
    std::function<void(std::int32_t)> mHook;
};

using Log = std::vector<std::string>;

class Messaging : public ::testing::Test
{
protected:
    PluginServices mServices;
    MessagePublisher mPublisher{&mServices};
    Log mLog;
};

TEST_F(Messaging, SendReachesNewestSubscriberFirstAndSkipsExcluded)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a"), b(&mServices, mLog, "b"), c(&mServices, mLog, "c");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 1, &Listener::OnMessage);
    c.Subscribe(msgClass, 7, &Listener::OnMessage);
    int record = 0;
    c.mHook = [&](std::int32_t) {
        EXPECT_EQ(c.GetCurrentSubRef(), 7);
        EXPECT_EQ(c.GetCurrentMsgClass(), msgClass);
        EXPECT_EQ(c.GetCurrentP2(), reinterpret_cast<MessageParam>(&record));
    };

    mPublisher.Send(kMain, kColr, 42, reinterpret_cast<MessageParam>(&record));
    EXPECT_EQ(mLog, (Log{"c:colr", "b:colr", "a:colr"}));
    EXPECT_EQ(a.mP1, std::vector<MessageParam>{42});

    mLog.clear();
    c.mHook = nullptr;
    mPublisher.Send(kMain, kColr, 0, 0, b.GetSubscription(1));
    EXPECT_EQ(mLog, (Log{"c:colr", "a:colr"}));
}

TEST_F(Messaging, BlockCountsNestAndNeverGoBelowZero)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a"), b(&mServices, mLog, "b");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 1, &Listener::OnMessage);

    mPublisher.Block(true, kMain);
    mPublisher.Block(true, kMain);
    mPublisher.Block(false, kMain);
    mPublisher.Send(kMain, kColr);
    EXPECT_TRUE(mLog.empty());
    mPublisher.Block(false, kMain);
    mPublisher.Block(false, kMain); // already unblocked: stays at 0
    EXPECT_EQ(MessagingServer::GetBlockCount(msgClass), 0);
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(mLog, (Log{"b:colr", "a:colr"}));

    mLog.clear();
    {
        MessageBlockGuard guard(&mServices, b.GetSubscription(1));
        mPublisher.Send(kMain, kColr);
        mServices.GetMessagingServer().DeliverTo(msgClass, b.GetSubscription(1), kColr, 0, 0);
    }
    mServices.GetMessagingServer().DeliverTo(msgClass, b.GetSubscription(1), kColr, 0, 0);
    EXPECT_EQ(mLog, (Log{"a:colr", "b:colr"}));

    // A handler that blocks the class stops the rest of the delivery.
    mLog.clear();
    b.mHook = [&](std::int32_t) { mPublisher.Block(true, kMain); };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(mLog, (Log{"b:colr"}));
}

TEST_F(Messaging, UnpublishNotifiesUnblockedSubscribersOnceAndReleasesAll)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a"), b(&mServices, mLog, "b");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 2, &Listener::OnMessage);
    MessagingServer::SetBlocked(b.GetSubscription(2), true);

    mPublisher.Unpublish(kMain);
    EXPECT_EQ(mLog, (Log{"a:destroyed"}));
    // Neither keeps an entry for the freed subscription, blocked or not.
    EXPECT_FALSE(a.IsSubscribed(1));
    EXPECT_FALSE(b.IsSubscribed(2));
    EXPECT_EQ(b.GetSubscription(2), nullptr);
    a.Unsubscribe(1);
    b.Unsubscribe(2);

    mLog.clear();
    msgClass = mPublisher.Publish(kMain);
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 2, &Listener::OnMessage);
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(mLog, (Log{"b:colr", "a:colr"}));
}

TEST_F(Messaging, PublisherDestructorUnpublishesInAscendingOrder)
{
    Log log;
    Listener listener(&mServices, log, "x");
    {
        MessagePublisher publisher(&mServices);
        listener.Subscribe(publisher.Publish(kMain), 1, &Listener::OnMessage);
        listener.Subscribe(publisher.Publish(kAlarm), 2, &Listener::OnMessage);
        listener.mHook = [&](std::int32_t) { log.push_back(std::to_string(listener.GetCurrentSubRef())); };
    }
    // 'almM' < 'main'
    EXPECT_EQ(log, (Log{"x:destroyed", "2", "x:destroyed", "1"}));
}

// A handler that throws has had its message; the ones behind it wait, in
// order, for the next dispatch, each delivered once.
TEST_F(Messaging, PostedMessagesArriveInPostingOrderOnceEachThoughAHandlerThrows)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    a.mHook = [&](std::int32_t what) {
        if (what == FourCCValue("two "))
            mPublisher.Post(kMain, FourCCValue("late"));
        if (what == FourCCValue("thre"))
            throw std::runtime_error("handler");
    };
    mPublisher.Post(kMain, FourCCValue("one "));
    mPublisher.Post(kMain, FourCCValue("two "));
    auto* block = static_cast<char*>(std::malloc(16)); // freed by the server after delivery
    mPublisher.Post(kMain, FourCCValue("thre"), 0, reinterpret_cast<MessageParam>(block), true);
    mPublisher.Post(kMain, FourCCValue("four"));
    EXPECT_TRUE(mLog.empty());
    MessagingServer& server = mServices.GetMessagingServer();
    EXPECT_THROW(server.DispatchPosted(), std::runtime_error);
    EXPECT_EQ(mLog, (Log{"a:one ", "a:two ", "a:thre"}));
    EXPECT_EQ(server.GetPostedCount(), 2);
    server.DispatchPosted();
    EXPECT_EQ(mLog, (Log{"a:one ", "a:two ", "a:thre", "a:four", "a:late"}));
    EXPECT_EQ(server.GetPostedCount(), 0);
}

// Destroying a class takes its queued messages (and their blocks) with it,
// the last in the queue included, and leaves every other class's where they were.
TEST_F(Messaging, DestroyingAClassDropsOnlyItsOwnQueuedMessages)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    a.Subscribe(mPublisher.Publish(kAlarm), 2, &Listener::OnMessage);
    mPublisher.Post(kAlarm, FourCCValue("one "));
    mPublisher.Post(kMain, kColr, 0, reinterpret_cast<MessageParam>(std::malloc(32)), true);
    mPublisher.Post(kAlarm, FourCCValue("two "));
    mPublisher.Post(kMain, kColr);
    // A subscriber posting to the dying class from its notice must not queue a dangling message.
    MessagingServer& server = mServices.GetMessagingServer();
    a.mHook = [&](std::int32_t what) {
        if (what == MsgClassDestroyed)
            server.Post(msgClass, kColr, 0, reinterpret_cast<MessageParam>(std::malloc(8)), true);
    };
    mPublisher.Unpublish(kMain);
    EXPECT_EQ(server.GetPostedCount(), 2);
    mPublisher.Post(kAlarm, FourCCValue("thre"));
    server.DispatchPosted();
    EXPECT_EQ(mLog, (Log{"a:destroyed", "a:one ", "a:two ", "a:thre"}));
}

TEST_F(Messaging, HandlersMayUnsubscribeOthersOrDestroyTheClassDuringDelivery)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener a(&mServices, mLog, "a"), b(&mServices, mLog, "b"), c(&mServices, mLog, "c");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 1, &Listener::OnMessage);
    c.Subscribe(msgClass, 1, &Listener::OnMessage);
    c.mHook = [&](std::int32_t) {
        b.Unsubscribe(1); // the next one in the walk
        c.Unsubscribe(1);
    };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(mLog, (Log{"c:colr", "a:colr"}));
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(msgClass), 1);

    mLog.clear();
    b.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.mHook = [&](std::int32_t what) {
        if (what == kColr)
            mPublisher.Unpublish(kMain);
    };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(mLog, (Log{"b:colr", "b:destroyed", "a:destroyed"}));
    EXPECT_FALSE(a.IsSubscribed(1));
}

TEST_F(Messaging, FailuresLeaveStateUnchanged)
{
    auto* msgClass = mPublisher.Publish(kMain);
    EXPECT_THROW(mPublisher.Send(kAlarm, kColr), MessagePublisher::BadMsgClassRef);
    EXPECT_THROW(mPublisher.Post(kAlarm, kColr, 0, reinterpret_cast<MessageParam>(std::malloc(4)), true),
                 MessagePublisher::BadMsgClassRef);
    EXPECT_THROW(mPublisher.Block(true, kAlarm), AppFrame::BadParameter);
    EXPECT_THROW(mPublisher.Unpublish(kAlarm), MessagePublisher::BadMsgClassRef);
    EXPECT_THROW(mPublisher.GetMsgClass(kAlarm), MessagePublisher::BadMsgClassRef);
    try
    {
        mPublisher.Publish(kMain);
        FAIL() << "duplicate publish accepted";
    }
    catch (const std::invalid_argument& e)
    {
        EXPECT_STREQ(e.what(), "MessagePublisher::Publish: msgClassRef is not unique.");
    }
    EXPECT_EQ(mPublisher.GetMsgClass(kMain), msgClass);

    Listener a(&mServices, mLog, "a");
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    EXPECT_THROW(a.Subscribe(msgClass, 1, &Listener::OnMessage), Listener::BadSubRef);
    a.Subscribe(msgClass, 1, &Listener::OnMessage, true);
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(msgClass), 1);

    // A class of another instance is refused untouched.
    PluginServices other;
    auto* foreign = other.GetMessagingServer().CreateMsgClass(kMain);
    Listener b(&other, mLog, "b");
    b.Subscribe(foreign, 1, &Listener::OnMessage);
    EXPECT_THROW(mServices.GetMessagingServer().DestroyMsgClass(foreign), MessagingServer::BadMsgClassId);
    EXPECT_TRUE(mLog.empty());
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(foreign), 1);

    a.mHook = [](std::int32_t) { throw std::runtime_error("handler"); };
    EXPECT_THROW(mPublisher.Send(kMain, kColr), std::runtime_error);
}

} // namespace
