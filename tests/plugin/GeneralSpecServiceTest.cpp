#include "model/SpecConfigTestSupport.h"

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixService.h"
#include "plugin/QuarvixSpecService.h"

#include <gmock/gmock.h>

namespace
{

using namespace SpecConfigTest;

TEST(GeneralSpecService, IsAQuietServiceThatNeedsItsCore)
{
    QVXGeneralSpecService service;
    EXPECT_FALSE(service.ReceivesAudio());
    EXPECT_EQ(service.GetServiceName(), "QVXGeneralSpecService");
    EXPECT_EQ(service.GetSpecConfig(), nullptr);
    EXPECT_THAT([&] { service.GetCore(); }, ::testing::ThrowsMessage<Cvn::Exception>(::testing::StartsWith(
                                                "QuarvixServiceBase::GetCore: the core has not be set\n")));
}

TEST(GeneralSpecService, AttachedToThePluginItHoldsTheConfigurationAndCanBeFound)
{
    Instance instance;
    EXPECT_EQ(instance.service.GetCore(), &instance.plugin);
    ASSERT_NE(instance.service.GetSpecConfig(), nullptr);
    EXPECT_EQ(instance.Config().GetCore(), &instance.plugin);
    // The general service receives no audio; the other two do.
    EXPECT_EQ(instance.plugin.GetCaptureAgents(),
              (std::vector<QuarvixServiceBase*>{&instance.plugin.GetSpecService(), &instance.plugin.Get3rdOctService()}));
    EXPECT_EQ(instance.plugin.GetServices().front(), &instance.service);
    EXPECT_EQ(FindQuarvixService<QVXGeneralSpecService>(&instance.plugin), &instance.service);
    EXPECT_EQ(FindQuarvixService<QVXGeneralSpecService>(nullptr), nullptr);
}

TEST(GeneralSpecService, SetCoreReplacesTheConfigurationAndLoadReadsOnlyItsOwnObject)
{
    Instance instance;
    instance.Config().SetSpecGain(30, false);
    auto old = instance.Record();
    instance.service.SetCore(&instance.plugin);
    // The old configuration's class is gone, and the new one starts afresh.
    EXPECT_EQ(old->Take(), (std::vector<Message>{{MsgClassDestroyed, 0, 0}}));
    EXPECT_EQ(instance.Config().GetSpecGain(), 0.0f);
    auto next = instance.Record();
    instance.Config().SetSpecGain(5, true);
    EXPECT_EQ(next->Take(), (std::vector<Message>{M("sgGn")}));

    // It reads only its own object, and only the configuration inside it.
    instance.Config().SetSpecGain(30, false);
    auto recorder = instance.Record();
    instance.service.Load(*Reader(Written([](Serialization::XMLArchive& archive) {
        archive.WriteDouble("mSpecGain", 1.0);
        Holder other("QVXGeneralSpecServiceX");
        Serialization::ObjectWriteScope scope(archive, other, "QVXSpecConfig");
        archive.WriteDouble("mSpecGain", 2.0);
    })));
    EXPECT_EQ(std::pair(instance.Config().GetSpecGain(), recorder->Take().empty()), std::pair(30.0f, true));

    instance.service.Load(*Reader(Written([](Serialization::XMLArchive& archive) {
        Holder service("QVXGeneralSpecService");
        Serialization::ObjectWriteScope scope(archive, service, "QVXGeneralSpecService");
        archive.WriteDouble("mSpecGain", 3.0);
    })));
    EXPECT_EQ(std::pair(instance.Config().GetSpecGain(), recorder->Take().empty()), std::pair(30.0f, true));
}

// An active client or none makes a service active; inactive clients alone do not.
TEST(QuarvixServiceClients, ClientsComeAndGoWithTheirService)
{
    QVXGeneralSpecService service;
    service.SetNoClientsMeansActive(false);
    EXPECT_FALSE(service.IsActive());
    service.SetNoClientsMeansActive(true);
    {
        QuarvixServiceClient<QVXGeneralSpecService> idle(&service, false), busy(&service);
        EXPECT_EQ(std::pair(idle.GetService(), service.GetClients().size()), std::pair(&service, 2ul));
        busy.SetService(nullptr); // an active client leaves: only the idle one counts
        EXPECT_EQ(service.GetClients().size(), 1u);
        EXPECT_FALSE(busy.GetService() || service.IsActive());
        busy.SetService(&service); // and comes back as it is
        EXPECT_TRUE(service.IsActive());
        busy.SetClientActive(false);
        EXPECT_FALSE(service.IsActive());
    }
    EXPECT_TRUE(service.IsActive() && service.GetClients().empty());

    auto doomed = std::make_unique<QVXGeneralSpecService>();
    QuarvixServiceClient<QVXGeneralSpecService> survivor(doomed.get());
    doomed.reset();
    EXPECT_EQ(survivor.GetService(), nullptr);
}

} // namespace
