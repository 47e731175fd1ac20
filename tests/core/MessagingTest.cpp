#include "base/FourCC.h"
#include "core/MessageBlockGuard.h"
#include "core/MessagePublisher.h"
#include "core/MessageSubscriber.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <stdexcept>

namespace
{

constexpr std::int32_t kMain = FourCCValue("main");
constexpr std::int32_t kAlarm = FourCCValue("almM");
constexpr std::int32_t kColr = FourCCValue("colr");
using Log = std::vector<std::string>;

// Logs "name:what" for every message it handles; an optional hook runs after logging.
struct Listener : MessageSubscriber<Listener>
{
    Listener(PluginServices* services, Log& log, std::string name) : MessageSubscriber(services), mLog(log), mName(name) {}
    void OnMessage(std::int32_t what)
    {
        mLog.push_back(mName + ":" + (what == MsgClassDestroyed ? std::string("destroyed") : FourCCText(what)));
        mP1.push_back(GetCurrentP1());
        if (mHook)
            mHook(what);
    }
    Log& mLog;
    std::string mName;
    std::vector<MessageParam> mP1;
    std::function<void(std::int32_t)> mHook;
};

class Messaging : public ::testing::Test
{
protected:
    // A listener logging to mLog, subscribed to `msgClass` under subRef.
    Listener& Listen(const char* name, MessagingServer::MsgClass* msgClass, std::int32_t subRef = 1)
    {
        Listener& listener = *mListeners.emplace_back(std::make_unique<Listener>(&mServices, mLog, name));
        listener.Subscribe(msgClass, subRef, &Listener::OnMessage);
        return listener;
    }
    Log Take() { return std::exchange(mLog, {}); }

    PluginServices mServices;
    MessagePublisher mPublisher{&mServices};
    MessagingServer& mServer = mServices.GetMessagingServer();
    Log mLog;
    std::vector<std::unique_ptr<Listener>> mListeners;
};

TEST_F(Messaging, SendReachesNewestSubscriberFirstAndSkipsExcluded)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener& a = Listen("a", msgClass);
    Listener& b = Listen("b", msgClass);
    Listener& c = Listen("c", msgClass, 7);
    int record = 0;
    c.mHook = [&](std::int32_t) {
        EXPECT_EQ(std::pair(c.GetCurrentSubRef(), c.GetCurrentMsgClass()), std::pair(7, msgClass));
        EXPECT_EQ(c.GetCurrentP2(), reinterpret_cast<MessageParam>(&record));
    };
    mPublisher.Send(kMain, kColr, 42, reinterpret_cast<MessageParam>(&record));
    EXPECT_EQ(Take(), (Log{"c:colr", "b:colr", "a:colr"}));
    EXPECT_EQ(a.mP1, std::vector<MessageParam>{42});
    c.mHook = nullptr;
    mPublisher.Send(kMain, kColr, 0, 0, b.GetSubscription(1));
    EXPECT_EQ(Take(), (Log{"c:colr", "a:colr"}));
}

TEST_F(Messaging, BlockCountsNestAndNeverGoBelowZero)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listen("a", msgClass);
    Listener& b = Listen("b", msgClass);
    mPublisher.Block(true, kMain);
    mPublisher.Block(true, kMain);
    mPublisher.Block(false, kMain);
    mPublisher.Send(kMain, kColr);
    EXPECT_TRUE(mLog.empty());
    mPublisher.Block(false, kMain);
    mPublisher.Block(false, kMain); // already unblocked: stays at 0
    EXPECT_EQ(MessagingServer::GetBlockCount(msgClass), 0);
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(Take(), (Log{"b:colr", "a:colr"}));

    {
        MessageBlockGuard guard(&mServices, b.GetSubscription(1));
        mPublisher.Send(kMain, kColr);
        mServer.DeliverTo(msgClass, b.GetSubscription(1), kColr, 0, 0);
    }
    mServer.DeliverTo(msgClass, b.GetSubscription(1), kColr, 0, 0);
    EXPECT_EQ(Take(), (Log{"a:colr", "b:colr"}));

    // A handler that blocks the class stops the rest of the delivery.
    b.mHook = [&](std::int32_t) { mPublisher.Block(true, kMain); };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(Take(), (Log{"b:colr"}));
}

TEST_F(Messaging, UnpublishNotifiesUnblockedSubscribersOnceAndReleasesAll)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener& a = Listen("a", msgClass);
    Listener& b = Listen("b", msgClass, 2);
    MessagingServer::SetBlocked(b.GetSubscription(2), true);
    mPublisher.Unpublish(kMain);
    EXPECT_EQ(Take(), (Log{"a:destroyed"}));
    // Neither keeps an entry for the freed subscription, blocked or not.
    EXPECT_FALSE(a.IsSubscribed(1) || b.IsSubscribed(2) || b.GetSubscription(2));
    a.Unsubscribe(1);
    b.Unsubscribe(2);

    msgClass = mPublisher.Publish(kMain);
    a.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.Subscribe(msgClass, 2, &Listener::OnMessage);
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(Take(), (Log{"b:colr", "a:colr"}));

    // A publisher going away unpublishes its classes in ascending order.
    {
        MessagePublisher publisher(&mServices);
        a.Subscribe(publisher.Publish(kColr), 3, &Listener::OnMessage);
        a.Subscribe(publisher.Publish(kAlarm), 4, &Listener::OnMessage);
        a.mHook = [&](std::int32_t) { mLog.push_back(std::to_string(a.GetCurrentSubRef())); };
    }
    EXPECT_EQ(Take(), (Log{"a:destroyed", "4", "a:destroyed", "3"})); // 'almM' < 'colr'
}

// A handler that throws has had its message; the ones behind it wait, in
// order, for the next dispatch, each delivered once.
TEST_F(Messaging, PostedMessagesArriveInPostingOrderOnceEachThoughAHandlerThrows)
{
    Listener& a = Listen("a", mPublisher.Publish(kMain));
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
    EXPECT_THROW(mServer.DispatchPosted(), std::runtime_error);
    EXPECT_EQ(Take(), (Log{"a:one ", "a:two ", "a:thre"}));
    EXPECT_EQ(mServer.GetPostedCount(), 2);
    mServer.DispatchPosted();
    EXPECT_EQ(Take(), (Log{"a:four", "a:late"}));
    EXPECT_EQ(mServer.GetPostedCount(), 0);
}

// Destroying a class takes its queued messages (and their blocks) with it,
// the last in the queue included, and leaves every other class's where they were.
TEST_F(Messaging, DestroyingAClassDropsOnlyItsOwnQueuedMessages)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener& a = Listen("a", msgClass);
    a.Subscribe(mPublisher.Publish(kAlarm), 2, &Listener::OnMessage);
    mPublisher.Post(kAlarm, FourCCValue("one "));
    mPublisher.Post(kMain, kColr, 0, reinterpret_cast<MessageParam>(std::malloc(32)), true);
    mPublisher.Post(kAlarm, FourCCValue("two "));
    mPublisher.Post(kMain, kColr);
    // A subscriber posting to the dying class from its notice must not queue a dangling message.
    a.mHook = [&](std::int32_t what) {
        if (what == MsgClassDestroyed)
            mServer.Post(msgClass, kColr, 0, reinterpret_cast<MessageParam>(std::malloc(8)), true);
    };
    mPublisher.Unpublish(kMain);
    EXPECT_EQ(mServer.GetPostedCount(), 2);
    mPublisher.Post(kAlarm, FourCCValue("thre"));
    mServer.DispatchPosted();
    EXPECT_EQ(Take(), (Log{"a:destroyed", "a:one ", "a:two ", "a:thre"}));
}

TEST_F(Messaging, HandlersMayUnsubscribeOthersOrDestroyTheClassDuringDelivery)
{
    auto* msgClass = mPublisher.Publish(kMain);
    Listener& a = Listen("a", msgClass);
    Listener& b = Listen("b", msgClass);
    Listener& c = Listen("c", msgClass);
    c.mHook = [&](std::int32_t) {
        b.Unsubscribe(1); // the next one in the walk
        c.Unsubscribe(1);
    };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(Take(), (Log{"c:colr", "a:colr"}));
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(msgClass), 1);

    b.Subscribe(msgClass, 1, &Listener::OnMessage);
    b.mHook = [&](std::int32_t what) {
        if (what == kColr)
            mPublisher.Unpublish(kMain);
    };
    mPublisher.Send(kMain, kColr);
    EXPECT_EQ(Take(), (Log{"b:colr", "b:destroyed", "a:destroyed"}));
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
    EXPECT_THAT([&] { mPublisher.Publish(kMain); },
                ::testing::ThrowsMessage<std::invalid_argument>("MessagePublisher::Publish: msgClassRef is not unique."));
    EXPECT_EQ(mPublisher.GetMsgClass(kMain), msgClass);

    Listener& a = Listen("a", msgClass);
    EXPECT_THROW(a.Subscribe(msgClass, 1, &Listener::OnMessage), Listener::BadSubRef);
    a.Subscribe(msgClass, 1, &Listener::OnMessage, true);
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(msgClass), 1);

    // A class of another instance is refused untouched.
    PluginServices other;
    auto* foreign = other.GetMessagingServer().CreateMsgClass(kMain);
    Listener b(&other, mLog, "b");
    b.Subscribe(foreign, 1, &Listener::OnMessage);
    EXPECT_THROW(mServer.DestroyMsgClass(foreign), MessagingServer::BadMsgClassId);
    EXPECT_TRUE(mLog.empty());
    EXPECT_EQ(MessagingServer::GetSubscriptionCount(foreign), 1);

    a.mHook = [](std::int32_t) { throw std::runtime_error("handler"); };
    EXPECT_THROW(mPublisher.Send(kMain, kColr), std::runtime_error);
}

} // namespace
