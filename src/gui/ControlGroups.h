#pragma once
// Groups of buttons: an increment/decrement pair that repeats while held, and
// a radio group whose value is the id of its one selected member.
//
// Threads: UI thread only.

#include "core/TimerClient.h"
#include "gui/ControlContainer.h"
#include "model/GenericControl.h"

#include <cstdint>

// Two buttons, ids +1 and -1. Held down, a button steps at once, again after
// 20 ticks, then every 6 ticks, and every tick once 120 ticks have passed.
class IncDecControlGroup : public ControlContainer, public TimerClient<IncDecControlGroup>
{
public:
    static constexpr std::int32_t kIncrementId = 1;
    static constexpr std::int32_t kDecrementId = -1;
    static constexpr std::int32_t kFirstRepeatTicks = 20;
    static constexpr std::int32_t kRepeatTicks = 6;
    static constexpr std::int32_t kFastAfterTicks = 120;

    // target: the control whose value the buttons step, or null for Step.
    IncDecControlGroup(PluginServices* services, GenericControl* increment, GenericControl* decrement,
                       GenericControl* target = nullptr);

    void OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam b) override;
    void OnControlMessage(std::int32_t id, std::int32_t code, MessageParam a, MessageParam b) override;

protected:
    // One step of +1 or -1 when there is no target control.
    virtual void Step(std::int32_t direction);

private:
    void DoStep(std::int32_t direction);
    void OnRepeat();

    GenericControl* mTarget = nullptr;
    std::uint32_t mPressTick = 0;
};

// Value: the id of the selected member. Selecting one sets it to 1 and every
// other member to 0; a member switched off by hand is switched on again when
// no other is on.
class RadioControlGroup : public GenericControl, public ControlContainer
{
public:
    RadioControlGroup(PluginServices* services, std::int32_t id, std::int32_t defaultValue = 0);

    using GenericControl::GetId;
    using GenericControl::GetMsgClass;

    void SetValue(std::int32_t value) override;
    void OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam b) override;

private:
    void ShowSelection();
    bool mSelecting = false;
};
