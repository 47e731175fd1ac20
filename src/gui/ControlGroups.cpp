#include "gui/ControlGroups.h"

#include <climits>

IncDecControlGroup::IncDecControlGroup(PluginServices* services, GenericControl* increment,
                                       GenericControl* decrement, GenericControl* target)
    : ControlContainer(services), TimerClient<IncDecControlGroup>(services, this), mTarget(target)
{
    AddControl(increment, kIncrementId);
    AddControl(decrement, kDecrementId);
}

void IncDecControlGroup::Step(std::int32_t /*direction*/) {}

void IncDecControlGroup::DoStep(std::int32_t direction)
{
    if (mTarget)
        mTarget->SetValue(mTarget->GetValue() + direction);
    else
        Step(direction);
}

void IncDecControlGroup::OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam /*b*/)
{
    if (a == 1)
        DoStep(id);
}

void IncDecControlGroup::OnControlMessage(std::int32_t id, std::int32_t code, MessageParam /*a*/, MessageParam /*b*/)
{
    if (code == ControlMessages::kTrackingBegan)
    {
        mPressTick = TimerClient<IncDecControlGroup>::GetTimerManager().GetCurrentTick();
        RemoveTimer(id);
        AddTimer(TimerManager::Periodic, kFirstRepeatTicks, &IncDecControlGroup::OnRepeat, id);
    }
    else if (code == ControlMessages::kTrackingEnded)
    {
        RemoveTimer(id);
    }
}

void IncDecControlGroup::OnRepeat()
{
    const std::int32_t id = GetFiringTimerUserId();
    const std::uint32_t held = TimerClient<IncDecControlGroup>::GetTimerManager().GetCurrentTick() - mPressTick;
    ResetTimer(id, held < static_cast<std::uint32_t>(kFastAfterTicks) ? kRepeatTicks : 1);
    DoStep(id);
}

RadioControlGroup::RadioControlGroup(PluginServices* services, std::int32_t id, std::int32_t defaultValue)
    : GenericControl(services, INT_MIN, INT_MAX, defaultValue, id), ControlContainer(services)
{
}

void RadioControlGroup::SetValue(std::int32_t value)
{
    GenericControl::SetValue(value);
    ShowSelection();
}

void RadioControlGroup::ShowSelection()
{
    if (mSelecting)
        return;
    mSelecting = true;
    for (const auto& [memberId, member] : Members())
        member->SetValueSilently(memberId == GetValue() ? 1 : 0);
    mSelecting = false;
}

void RadioControlGroup::OnControlValueChanged(std::int32_t id, MessageParam a, MessageParam /*b*/)
{
    if (mSelecting)
        return;
    if (a == 1)
    {
        SetValue(id);
        return;
    }
    // Switched off by hand: one member stays on.
    if (id == GetValue())
        ShowSelection();
}
