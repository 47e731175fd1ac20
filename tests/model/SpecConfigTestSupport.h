#pragma once
// A plug-in object with the general service attached, a recorder of the
// configuration's messages, and archive helpers for the model suites.

#include "plugin/QVXGeneralSpecService.h"
#include "plugin/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "serialization/SerializationTestSupport.h"
#include "support/MessageLog.h"
#include "support/RecordingPlatform.h"

namespace SpecConfigTest
{

using Message = LoggedMessage;
using Recorder = MessageLog;

// One analyzer instance holding the configuration.
struct Instance
{
    explicit Instance(ChannelConfig channels = {2, 2})
        : plugin(platform, channels),
          service(plugin.GetGeneralService())
    {
    }
    QVXSpecConfig& Config() const { return *service.GetSpecConfig(); }
    std::unique_ptr<Recorder> Record()
    {
        return std::make_unique<Recorder>(&plugin, Config().GetMsgClass(QVXSpecConfigMessages::kClass));
    }

    RecordingPlatform platform;
    Quarvix plugin;
    QVXGeneralSpecService& service;
};

inline constexpr const char* kArchiveType = "CVL Plugin Settings (Copyright 2026 Corvanel Sound.)";

// The text of a settings archive written by `body`, without the final NUL.
inline std::string Written(const std::function<void(Serialization::XMLArchive&)>& body)
{
    std::string text = SerializationTest::Written(body, true, kArchiveType);
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

using SerializationTest::Reader;

// An empty object of any type, to lay out archives by hand.
struct Holder : Serialization::Serializable
{
    explicit Holder(std::string typeName) : type(std::move(typeName)) {}
    std::string_view GetTypeName() const override { return type; }
    void Save(Serialization::Archive&) override {}
    void Load(Serialization::Archive&) override {}
    std::string type;
};

} // namespace SpecConfigTest
