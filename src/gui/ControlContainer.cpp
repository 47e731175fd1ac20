#include "gui/ControlContainer.h"

#include "model/GenericControl.h"

ControlContainer::ControlContainer(PluginServices* services)
    : MessagePublisher(services), MessageSubscriber<ControlContainer>(services)
{
    Publish(kMsgClass);
}

ControlContainer::~ControlContainer() = default;

void ControlContainer::AddControl(GenericControl* control, std::int32_t id, std::uint8_t flag)
{
    // A duplicate id is a programming error of the panel; it reports where
    // the container refused it, as it always has.
    if (mControls.count(id))
        throw AppFrame::DuplicateEntry(AppFrame::FixedErrorLocation{"ControlContainer", 62});
    // The subscription is keyed by the id, so a message names its control.
    Subscribe(control->GetMsgClass(), id, &ControlContainer::OnMessage);
    mControls[id] = {control, flag};
}

GenericControl* ControlContainer::GetControl(std::int32_t id) const
{
    const auto found = mControls.find(id);
    return found == mControls.end() ? nullptr : found->second.control;
}

std::vector<std::pair<std::int32_t, GenericControl*>> ControlContainer::Members() const
{
    std::vector<std::pair<std::int32_t, GenericControl*>> members;
    for (const auto& [id, entry] : mControls)
        members.emplace_back(id, entry.control);
    return members;
}

std::uint8_t ControlContainer::GetControlFlag(std::int32_t id) const
{
    const auto found = mControls.find(id);
    return found == mControls.end() ? 0 : found->second.flag;
}

void ControlContainer::OnMessage(std::int32_t what)
{
    const std::int32_t id = GetCurrentSubRef();
    const MessageParam a = GetCurrentP1();
    const MessageParam b = GetCurrentP2();
    if (what == MsgClassDestroyed)
    {
        mControls.erase(id);
        Unsubscribe(id);
        OnControlRemoved(id);
        return;
    }
    if (what == ControlMessages::kValueChanged)
    {
        OnControlValueChanged(id, a, b);
        Send(kMsgClass, id, a, b);
        return;
    }
    OnControlMessage(id, what, a, b);
}
