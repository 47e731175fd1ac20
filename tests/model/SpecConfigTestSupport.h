#pragma once
// A plug-in object with the general service attached, a recorder of the
// configuration's messages, and archive helpers for the model suites.

#include "analysis/QVXGeneralSpecService.h"
#include "core/MessageSubscriber.h"
#include "core/Quarvix.h"
#include "model/QVXSpecConfig.h"
#include "serialization/XMLArchive.h"
#include "support/RecordingPlatform.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace SpecConfigTest
{

struct Message
{
    std::int32_t what;
    std::int64_t p1;
    std::int64_t p2;
    friend bool operator==(const Message&, const Message&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Message& m)
    {
        const auto code = static_cast<FourCharCode>(m.what);
        return out << "'" << FourCCText(code) << "'(" << m.p1 << "," << m.p2 << ")";
    }
};

// Records every message of a class.
class Recorder : public MessageSubscriber<Recorder>
{
public:
    Recorder(PluginServices* services, MessagingServer::MsgClass* msgClass) : MessageSubscriber<Recorder>(services)
    {
        Subscribe(msgClass, 1, &Recorder::OnMessage);
    }
    void OnMessage(std::int32_t what) { messages.push_back({what, GetCurrentP1(), GetCurrentP2()}); }
    std::vector<Message> Take() { return std::exchange(messages, {}); }
    std::vector<Message> messages;
};

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
    std::ostringstream out;
    {
        Serialization::XMLArchive archive(out, kArchiveType, true);
        archive.BeginWriting();
        body(archive);
        archive.EndWriting();
    }
    std::string text = out.str();
    if (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

inline std::unique_ptr<Serialization::XMLArchive> Reader(const std::string& text)
{
    auto archive = std::make_unique<Serialization::XMLArchive>(text.data(), text.size());
    archive->BeginReading();
    return archive;
}

// An empty object of any type, to lay out archives by hand.
struct Holder : Serialization::Serializable
{
    explicit Holder(std::string typeName) : type(std::move(typeName)) {}
    std::string_view GetTypeName() const override { return type; }
    void Save(Serialization::Archive&) override {}
    void Load(Serialization::Archive&) override {}
    std::string type;
};

// Messages as codes and first parameters, for bursts.
inline Message M(const char (&code)[5], std::int64_t p1 = 0)
{
    return {FourCCValue(code), p1, 0};
}

} // namespace SpecConfigTest
