#include "core/MessagingServer.h"

#include <cstdlib>

struct MessagingServer::MsgClass
{
    MsgClass* mNext = nullptr;
    std::int32_t mBlockCount = 0;
    Subscription* mSubscriptions = nullptr; // newest first
    std::int32_t mSubscriptionCount = 0;    // live subscriptions only
    std::int32_t mClassId = 0;
    // Deliveries (and a destruction) currently walking mSubscriptions. While
    // it is above 0, removed subscriptions stay linked, marked dead, and a
    // destroyed class stays allocated; the last walk to end frees them.
    std::int32_t mWalkDepth = 0;
    bool mDestroyed = false;
};

struct MessagingServer::Subscription
{
    Subscription* mNext = nullptr;
    std::int32_t mBlockCount = 0;
    Callback mCallback = nullptr;
    void* mUserData = nullptr;
    void* mBookkeeping = nullptr;
    std::int32_t mSubRef = 0;
    ReleaseHook mRelease = nullptr;
    bool mDead = false; // unsubscribed or freed by its class's destruction; awaiting the end of a walk
};

struct MessagingServer::PostedMessage
{
    static constexpr std::uint32_t FreeP2 = 1u << 0;

    PostedMessage* mNext = nullptr;
    std::uint32_t mFlags = 0;
    MsgClass* mClass = nullptr;
    std::int32_t mWhat = 0;
    MessageParam mP1 = 0;
    MessageParam mP2 = 0;
    Subscription* mExcluded = nullptr;
};

namespace
{

void FreeP2Block(MessageParam p2) noexcept
{
    std::free(reinterpret_cast<void*>(p2));
}

} // namespace

// Keeps a class and its dead subscriptions allocated while a walk is on the stack.
class MessagingServer::WalkGuard
{
public:
    explicit WalkGuard(MsgClass* msgClass) noexcept : mClass(msgClass) { BeginWalk(mClass); }
    ~WalkGuard() { EndWalk(mClass); }
    WalkGuard(const WalkGuard&) = delete;
    WalkGuard& operator=(const WalkGuard&) = delete;

private:
    MsgClass* mClass;
};

MessagingServer::~MessagingServer()
{
    while (mClasses)
    {
        MsgClass* msgClass = mClasses;
        if (msgClass->mDestroyed)
        {
            // Its destruction is still on the stack and finishes it.
            mClasses = msgClass->mNext;
            continue;
        }
        DestroyMsgClass(msgClass);
    }
    while (mPostedHead)
    {
        PostedMessage* message = mPostedHead;
        mPostedHead = message->mNext;
        FreePosted(message);
    }
    mPostedTail = nullptr;
}

MessagingServer::MsgClass* MessagingServer::CreateMsgClass(std::int32_t classId)
{
    auto* msgClass = new MsgClass;
    msgClass->mClassId = classId;
    msgClass->mNext = mClasses;
    mClasses = msgClass;
    return msgClass;
}

void MessagingServer::DestroyMsgClass(MsgClass* msgClass)
{
    // Checked before anything is touched: a handle that is not ours may
    // belong to another instance's server or be freed already.
    if (!IsRegistered(msgClass))
        throw BadMsgClassId();
    if (msgClass->mDestroyed)
        return;
    msgClass->mDestroyed = true;

    // Nothing queued may reach the class once it is gone.
    DropPosted(msgClass);

    {
        WalkGuard walk(msgClass);
        for (;;)
        {
            Subscription* subscription = msgClass->mSubscriptions;
            while (subscription && subscription->mDead)
                subscription = subscription->mNext;
            if (!subscription)
                break;
            subscription->mDead = true;
            --msgClass->mSubscriptionCount;

            if (subscription->mBlockCount == 0 && msgClass->mBlockCount == 0 && subscription->mCallback)
            {
                try
                {
                    subscription->mCallback(subscription, subscription->mUserData, subscription->mSubRef, msgClass,
                                            MsgClassDestroyed, 0, 0);
                }
                catch (...)
                {
                    // The class goes away regardless; the notice is best effort.
                }
            }
            // Read after the notice: an owner that unsubscribed meanwhile has
            // cleared it and needs no release.
            if (ReleaseHook release = subscription->mRelease)
            {
                subscription->mRelease = nullptr;
                try
                {
                    release(subscription, subscription->mUserData, subscription->mSubRef);
                }
                catch (...)
                {
                }
            }
        }
        Unlink(msgClass);
    } // the last walk over the class frees it and its subscriptions
}

MessagingServer::Subscription* MessagingServer::Subscribe(MsgClass* msgClass, Callback callback, void* userData,
                                                          std::int32_t subRef, ReleaseHook release)
{
    if (!msgClass || msgClass->mDestroyed)
        throw BadMsgClassId();
    auto* subscription = new Subscription;
    subscription->mCallback = callback;
    subscription->mUserData = userData;
    subscription->mSubRef = subRef;
    subscription->mRelease = release;
    subscription->mNext = msgClass->mSubscriptions;
    msgClass->mSubscriptions = subscription;
    ++msgClass->mSubscriptionCount;
    return subscription;
}

void MessagingServer::Unsubscribe(MsgClass* msgClass, Subscription* subscription)
{
    if (!msgClass || !subscription)
        return;
    Subscription* found = msgClass->mSubscriptions;
    while (found && found != subscription)
        found = found->mNext;
    if (!found)
        return;
    if (!found->mDead)
    {
        found->mDead = true;
        --msgClass->mSubscriptionCount;
    }
    found->mCallback = nullptr;
    found->mRelease = nullptr;
    if (msgClass->mWalkDepth == 0)
        FreeDeadSubscriptions(msgClass);
}

void MessagingServer::Deliver(MsgClass* msgClass, std::int32_t what, MessageParam p1, MessageParam p2,
                              Subscription* excluded)
{
    if (!msgClass || msgClass->mDestroyed)
        return;
    WalkGuard walk(msgClass);
    Subscription* subscription = msgClass->mSubscriptions;
    while (subscription)
    {
        // Stays valid whatever the handler removes: nothing is unlinked while we walk.
        Subscription* next = subscription->mNext;
        if (msgClass->mDestroyed)
            break;
        if (!subscription->mDead && subscription != excluded && subscription->mBlockCount == 0 &&
            msgClass->mBlockCount == 0 && subscription->mCallback)
        {
            subscription->mCallback(subscription, subscription->mUserData, subscription->mSubRef, msgClass, what, p1,
                                    p2);
        }
        subscription = next;
    }
}

void MessagingServer::DeliverTo(MsgClass* msgClass, Subscription* subscription, std::int32_t what, MessageParam p1,
                                MessageParam p2)
{
    if (!msgClass || !subscription || msgClass->mDestroyed || subscription->mDead)
        return;
    if (subscription->mBlockCount > 0 || msgClass->mBlockCount > 0 || !subscription->mCallback)
        return;
    WalkGuard walk(msgClass);
    subscription->mCallback(subscription, subscription->mUserData, subscription->mSubRef, msgClass, what, p1, p2);
}

void MessagingServer::Post(MsgClass* msgClass, std::int32_t what, MessageParam p1, MessageParam p2, bool freeP2)
{
    if (!msgClass || msgClass->mDestroyed)
    {
        if (freeP2)
            FreeP2Block(p2);
        return;
    }
    PostedMessage* message = nullptr;
    try
    {
        message = new PostedMessage;
    }
    catch (...)
    {
        // The block was handed over with the call; it must not leak.
        if (freeP2)
            FreeP2Block(p2);
        throw;
    }
    message->mFlags = freeP2 ? PostedMessage::FreeP2 : 0u;
    message->mClass = msgClass;
    message->mWhat = what;
    message->mP1 = p1;
    message->mP2 = p2;
    if (mPostedTail)
        mPostedTail->mNext = message;
    else
        mPostedHead = message;
    mPostedTail = message;
}

void MessagingServer::DispatchPosted()
{
    while (mPostedHead)
    {
        // Unlinked before delivery, so that a handler destroying the class
        // cannot free the record under us, and a throwing handler does not
        // get the same message again at the next dispatch.
        PostedMessage* message = mPostedHead;
        mPostedHead = message->mNext;
        if (!mPostedHead)
            mPostedTail = nullptr;
        message->mNext = nullptr;

        struct Release
        {
            PostedMessage* mMessage;
            ~Release() { FreePosted(mMessage); }
        } release{message};
        Deliver(message->mClass, message->mWhat, message->mP1, message->mP2, message->mExcluded);
    }
}

void MessagingServer::SetBlocked(MsgClass* msgClass, bool flag) noexcept
{
    if (!msgClass)
        return;
    if (flag)
        ++msgClass->mBlockCount;
    else if (msgClass->mBlockCount > 0)
        --msgClass->mBlockCount;
}

void MessagingServer::SetBlocked(Subscription* subscription, bool flag) noexcept
{
    if (!subscription)
        return;
    if (flag)
        ++subscription->mBlockCount;
    else if (subscription->mBlockCount > 0)
        --subscription->mBlockCount;
}

void MessagingServer::SetBookkeeping(Subscription* subscription, void* bookkeeping) noexcept
{
    if (subscription)
        subscription->mBookkeeping = bookkeeping;
}

void* MessagingServer::GetBookkeeping(const Subscription* subscription) noexcept
{
    return subscription ? subscription->mBookkeeping : nullptr;
}

std::int32_t MessagingServer::GetClassId(const MsgClass* msgClass) noexcept
{
    return msgClass ? msgClass->mClassId : 0;
}

std::int32_t MessagingServer::GetBlockCount(const MsgClass* msgClass) noexcept
{
    return msgClass ? msgClass->mBlockCount : 0;
}

std::int32_t MessagingServer::GetBlockCount(const Subscription* subscription) noexcept
{
    return subscription ? subscription->mBlockCount : 0;
}

std::int32_t MessagingServer::GetSubscriptionCount(const MsgClass* msgClass) noexcept
{
    return msgClass ? msgClass->mSubscriptionCount : 0;
}

std::int32_t MessagingServer::GetPostedCount() const noexcept
{
    std::int32_t count = 0;
    for (const PostedMessage* message = mPostedHead; message; message = message->mNext)
        ++count;
    return count;
}

bool MessagingServer::IsRegistered(const MsgClass* msgClass) const noexcept
{
    if (!msgClass)
        return false;
    for (const MsgClass* c = mClasses; c; c = c->mNext)
    {
        if (c == msgClass)
            return true;
    }
    return false;
}

void MessagingServer::Unlink(MsgClass* msgClass) noexcept
{
    MsgClass** link = &mClasses;
    while (*link && *link != msgClass)
        link = &(*link)->mNext;
    if (*link)
        *link = msgClass->mNext;
    msgClass->mNext = nullptr;
}

void MessagingServer::DropPosted(MsgClass* msgClass) noexcept
{
    PostedMessage** link = &mPostedHead;
    mPostedTail = nullptr;
    while (*link)
    {
        PostedMessage* message = *link;
        if (message->mClass == msgClass)
        {
            *link = message->mNext;
            FreePosted(message);
        }
        else
        {
            mPostedTail = message;
            link = &message->mNext;
        }
    }
}

void MessagingServer::FreePosted(PostedMessage* message) noexcept
{
    if ((message->mFlags & PostedMessage::FreeP2) && message->mP2 != 0)
        FreeP2Block(message->mP2);
    delete message;
}

void MessagingServer::BeginWalk(MsgClass* msgClass) noexcept
{
    ++msgClass->mWalkDepth;
}

void MessagingServer::EndWalk(MsgClass* msgClass) noexcept
{
    if (--msgClass->mWalkDepth > 0)
        return;
    if (msgClass->mDestroyed)
    {
        // Every subscription is dead by now.
        while (Subscription* subscription = msgClass->mSubscriptions)
        {
            msgClass->mSubscriptions = subscription->mNext;
            delete subscription;
        }
        delete msgClass;
        return;
    }
    FreeDeadSubscriptions(msgClass);
}

void MessagingServer::FreeDeadSubscriptions(MsgClass* msgClass) noexcept
{
    Subscription** link = &msgClass->mSubscriptions;
    while (*link)
    {
        Subscription* subscription = *link;
        if (subscription->mDead)
        {
            *link = subscription->mNext;
            delete subscription;
        }
        else
        {
            link = &subscription->mNext;
        }
    }
}
