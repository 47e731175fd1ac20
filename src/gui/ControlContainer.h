#pragma once
// A keyed set of controls whose messages its owner (a panel) receives by id:
// value changes arrive at OnControlValueChanged and are passed on as 'ccac'
// with the id; every other message of a control arrives at OnControlMessage.
//
// Threads: UI thread only.

#include "base/FourCC.h"
#include "core/MessagePublisher.h"
#include "core/MessageSubscriber.h"

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

class GenericControl;

class ControlContainer : public MessagePublisher, public MessageSubscriber<ControlContainer>
{
public:
    static constexpr std::int32_t kMsgClass = FourCCValue("ccac");

    explicit ControlContainer(PluginServices* services);
    ~ControlContainer() override;

    // Throws AppFrame::DuplicateEntry when the id is taken.
    virtual void AddControl(GenericControl* control, std::int32_t id, std::uint8_t flag = 0);
    virtual GenericControl* GetControl(std::int32_t id) const;
    virtual void OnControlRemoved(std::int32_t /*id*/) {}
    virtual void OnControlValueChanged(std::int32_t /*id*/, MessageParam /*a*/, MessageParam /*b*/) {}
    virtual void OnControlMessage(std::int32_t /*id*/, std::int32_t /*code*/, MessageParam /*a*/, MessageParam /*b*/)
    {
    }

    std::uint8_t GetControlFlag(std::int32_t id) const;
    std::size_t GetControlCount() const { return mControls.size(); }
    // (id, control) in ascending id order.
    std::vector<std::pair<std::int32_t, GenericControl*>> Members() const;

private:
    struct Entry
    {
        GenericControl* control = nullptr;
        std::uint8_t flag = 0;
    };

    void OnMessage(std::int32_t what);

    std::map<std::int32_t, Entry> mControls;
};
