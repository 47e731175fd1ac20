#pragma once
// Records every message of one class as its code and two parameters, for
// suites that check what a change announces; or runs a hook on each.

#include "base/FourCC.h"
#include "core/MessageSubscriber.h"

#include <functional>
#include <ostream>
#include <utility>
#include <vector>

struct LoggedMessage
{
    std::int32_t what;
    std::int64_t p1 = 0;
    std::int64_t p2 = 0;
    friend bool operator==(const LoggedMessage&, const LoggedMessage&) = default;
    friend std::ostream& operator<<(std::ostream& out, const LoggedMessage& m)
    {
        return out << "'" << FourCCText(static_cast<FourCharCode>(m.what)) << "'(" << m.p1 << "," << m.p2 << ")";
    }
};

// A message by its code and first parameter.
inline LoggedMessage M(const char (&code)[5], std::int64_t p1 = 0)
{
    return {FourCCValue(code), p1, 0};
}

class MessageLog : public MessageSubscriber<MessageLog>
{
public:
    MessageLog(PluginServices* services, MessagingServer::MsgClass* msgClass)
        : MessageSubscriber<MessageLog>(services)
    {
        Subscribe(msgClass, 1, &MessageLog::OnMessage);
    }
    void OnMessage(std::int32_t what) { messages.push_back({what, GetCurrentP1(), GetCurrentP2()}); }
    std::vector<LoggedMessage> Take() { return std::exchange(messages, {}); }
    std::vector<LoggedMessage> messages;
};

// Runs `hook` on every message of one class.
class MessageHook : public MessageSubscriber<MessageHook>
{
public:
    MessageHook(PluginServices* services, MessagingServer::MsgClass* msgClass, std::function<void(std::int32_t)> hook)
        : MessageSubscriber<MessageHook>(services), mHook(std::move(hook))
    {
        Subscribe(msgClass, 1, &MessageHook::OnMessage);
    }
    void OnMessage(std::int32_t what) { mHook(what); }

private:
    std::function<void(std::int32_t)> mHook;
};
