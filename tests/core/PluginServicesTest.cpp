#include "core/MessageSubscriber.h"
#include "core/MessagingServer.h"
#include "core/PluginServices.h"
#include "core/TimerManager.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{

TEST(PluginServicesClient, MissingServicesThrowNotReadyRecordedInPluginServices)
{
    PluginServicesClient orphan(nullptr);
    EXPECT_THROW(orphan.GetTimerManager(), PluginServices::PluginServicesNotReady);
    AppFrame::RecordErrorLocation(std::source_location::current());
    EXPECT_THROW(orphan.GetMessagingServer(), AppFrame::Exception);
    const auto where = AppFrame::LastErrorLocation();
    EXPECT_EQ(where.file, "PluginServices");
    EXPECT_GT(where.line, 0);
}

// Reacts to the teardown notice by asking for the server again.
class Watcher : public MessageSubscriber<Watcher>
{
public:
    using MessageSubscriber::MessageSubscriber;
    void OnMessage(std::int32_t what)
    {
        if (what != MsgClassDestroyed)
            return;
        try
        {
            GetMessagingServer();
        }
        catch (const PluginServices::PluginServicesNotReady&)
        {
            mSawNotReady = true;
        }
    }
    bool mSawNotReady = false;
};

TEST(PluginServicesClient, ServiceBeingDestroyedIsNoLongerHandedOut)
{
    auto services = std::make_unique<PluginServices>();
    Watcher watcher(services.get());
    watcher.Subscribe(services->GetMessagingServer().CreateMsgClass(1), 1, &Watcher::OnMessage);
    services.reset();
    EXPECT_TRUE(watcher.mSawNotReady);
    // The subscriber outlives the server without a dangling entry.
    EXPECT_FALSE(watcher.IsSubscribed(1));
}

} // namespace
