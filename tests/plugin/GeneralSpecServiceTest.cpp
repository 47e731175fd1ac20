#include "model/SpecConfigTestSupport.h"

#include "plugin/Quarvix3rdOctAnalysisService.h"
#include "plugin/QuarvixService.h"
#include "plugin/QuarvixSpecService.h"

namespace
{

using namespace SpecConfigTest;

TEST(GeneralSpecService, IsAQuietServiceThatNeedsItsCore)
{
    QVXGeneralSpecService service;
    EXPECT_FALSE(service.ReceivesAudio());
    EXPECT_EQ(service.GetServiceName(), "QVXGeneralSpecService");
    EXPECT_EQ(service.GetSpecConfig(), nullptr);
    try
    {
        service.GetCore();
        FAIL() << "no exception";
    }
    catch (const Cvn::Exception& failure)
    {
        const std::string text = failure.what();
        EXPECT_EQ(text.substr(0, text.find('\n')), "QuarvixServiceBase::GetCore: the core has not be set");
    }
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

TEST(GeneralSpecService, SetCoreReplacesTheConfiguration)
{
    Instance instance;
    instance.Config().SetSpecGain(30, false);
    auto recorder = instance.Record();
    instance.service.SetCore(&instance.plugin);
    // The old configuration's class is gone, and the new one starts afresh.
    EXPECT_EQ(recorder->Take(), (std::vector<Message>{{MsgClassDestroyed, 0, 0}}));
    EXPECT_EQ(instance.Config().GetSpecGain(), 0.0f);
    auto next = instance.Record();
    instance.Config().SetSpecGain(5, true);
    EXPECT_EQ(next->Take(), (std::vector<Message>{M("sgGn")}));
}

TEST(GeneralSpecService, ReadsOnlyItsOwnObject)
{
    Instance instance;
    instance.Config().SetSpecGain(30, false);
    auto recorder = instance.Record();
    instance.service.Load(*Reader(Written([](Serialization::XMLArchive& archive) {
        archive.WriteDouble("mSpecGain", 1.0);
        Holder other("QVXGeneralSpecServiceX");
        Serialization::ObjectWriteScope scope(archive, other, "QVXSpecConfig");
        archive.WriteDouble("mSpecGain", 2.0);
    })));
    EXPECT_EQ(instance.Config().GetSpecGain(), 30.0f);
    EXPECT_TRUE(recorder->Take().empty());

    // The service's object without a configuration inside changes nothing either.
    instance.service.Load(*Reader(Written([](Serialization::XMLArchive& archive) {
        Holder service("QVXGeneralSpecService");
        Serialization::ObjectWriteScope scope(archive, service, "QVXGeneralSpecService");
        archive.WriteDouble("mSpecGain", 3.0);
    })));
    EXPECT_EQ(instance.Config().GetSpecGain(), 30.0f);
    EXPECT_TRUE(recorder->Take().empty());
}

// Which clients make a service active is tested with the spectrum service's
// capture; here how clients come and go.
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
    }
    EXPECT_TRUE(service.IsActive() && service.GetClients().empty());

    auto doomed = std::make_unique<QVXGeneralSpecService>();
    QuarvixServiceClient<QVXGeneralSpecService> survivor(doomed.get());
    doomed.reset();
    EXPECT_EQ(survivor.GetService(), nullptr);
}

} // namespace
