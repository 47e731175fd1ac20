#include "base/Exceptions.h"
#include "base/FourCC.h"
#include "core/MessageSubscriber.h"
#include "core/PluginServices.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace
{

using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::pair<std::string, int> LastLocation()
{
    const auto where = AppFrame::LastErrorLocation();
    return {where.file, where.line};
}

// An exception records where it was thrown (the file's stem); the text of a
// failed requirement is its message, a line feed and the failed condition.
TEST(Exceptions, RecordTheThrowingFileAndLineAndDescribeTheFailedCondition)
{
    int line = 0;
    try
    {
        line = __LINE__ + 1;
        throw AppFrame::BadParameter();
    }
    catch (const AppFrame::Exception&)
    {
    }
    EXPECT_EQ(LastLocation(), std::pair(std::string("PluginServicesTest"), line));
    const int size = 0;
    EXPECT_THAT([&] { CVN_REQUIRE(size > 0, "size missing"); },
                ::testing::ThrowsMessage<Cvn::Exception>(
                    AllOf(StartsWith("size missing\n"), HasSubstr("size > 0"), HasSubstr("PluginServicesTest"))));

    EXPECT_EQ(std::tuple(FourCC("clip"), FourCCValue("srte"), FourCCText(FourCC("bypa"))),
              std::tuple(0x636c6970u, 0x73727465, "bypa")); // big-endian
}

TEST(PluginServicesClient, MissingServicesThrowNotReadyRecordedInPluginServices)
{
    PluginServicesClient orphan(nullptr);
    EXPECT_THROW(orphan.GetTimerManager(), PluginServices::PluginServicesNotReady);
    AppFrame::RecordErrorLocation(std::source_location::current());
    EXPECT_THROW(orphan.GetMessagingServer(), AppFrame::Exception);
    const auto [file, line] = LastLocation();
    EXPECT_EQ(file, "PluginServices");
    EXPECT_GT(line, 0);
}

// Reacts to the teardown notice by asking for the server again.
struct Watcher : MessageSubscriber<Watcher>
{
    using MessageSubscriber::MessageSubscriber;
    void OnMessage(std::int32_t what)
    {
        try
        {
            if (what == MsgClassDestroyed)
                GetMessagingServer();
        }
        catch (const PluginServices::PluginServicesNotReady&)
        {
            sawNotReady = true;
        }
    }
    bool sawNotReady = false;
};

// A service being destroyed is no longer handed out, and the subscriber
// outlives the server without a dangling entry.
TEST(PluginServicesClient, ServiceBeingDestroyedIsNoLongerHandedOut)
{
    auto services = std::make_unique<PluginServices>();
    Watcher watcher(services.get());
    watcher.Subscribe(services->GetMessagingServer().CreateMsgClass(1), 1, &Watcher::OnMessage);
    services.reset();
    EXPECT_TRUE(watcher.sawNotReady);
    EXPECT_FALSE(watcher.IsSubscribed(1));
}

} // namespace
