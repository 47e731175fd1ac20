#include "model/CentralController.h"

#include <algorithm>

namespace
{

// Sets a flag for the lifetime of the guard and restores its previous state.
class FlagGuard
{
public:
    explicit FlagGuard(bool& flag) noexcept : mFlag(flag), mPrevious(flag) { mFlag = true; }
    ~FlagGuard() { mFlag = mPrevious; }
    FlagGuard(const FlagGuard&) = delete;
    FlagGuard& operator=(const FlagGuard&) = delete;

private:
    bool& mFlag;
    bool mPrevious;
};

} // namespace

CentralController::CentralController(PluginServices* services, std::int32_t minimum, std::int32_t maximum,
                                     std::int32_t defaultValue, std::int32_t id)
    : GenericControl(services, minimum, maximum, defaultValue, id, nullptr),
      MessageSubscriber<CentralController>(services)
{
}

CentralController::~CentralController()
{
    while (!mBindings.empty())
        Detach(*mBindings.back().control);
}

std::int32_t CentralController::MapValue(std::int32_t value, std::int32_t fromMin, std::int32_t fromMax,
                                         std::int32_t toMin, std::int32_t toMax) noexcept
{
    if (fromMin == toMin && fromMax == toMax)
        return value;
    const std::int64_t fromSpan = std::int64_t{fromMax} - fromMin;
    if (fromSpan == 0)
        return toMin;
    const std::int64_t offset = (std::int64_t{value} - fromMin) * (std::int64_t{toMax} - toMin) / fromSpan;
    const std::int64_t mapped = toMin + offset;
    const std::int64_t low = std::min<std::int64_t>(toMin, toMax);
    const std::int64_t high = std::max<std::int64_t>(toMin, toMax);
    return static_cast<std::int32_t>(std::clamp(mapped, low, high));
}

void CentralController::Attach(GenericControl& control)
{
    if (control.mController)
        control.mController->Detach(control);
    const std::int32_t subRef = ++mNextSubRef;
    Subscribe(control.GetMsgClass(), subRef, &CentralController::OnControlMessage);
    mBindings.push_back({&control, subRef});
    control.mController = this;
    PushTo(control);
}

void CentralController::Detach(GenericControl& control)
{
    const auto binding = std::find_if(mBindings.begin(), mBindings.end(),
                                      [&](const Binding& b) { return b.control == &control; });
    if (binding == mBindings.end())
        return;
    Unsubscribe(binding->subRef);
    mBindings.erase(binding);
    if (control.mController == this)
        control.mController = nullptr;
}

void CentralController::SetValue(std::int32_t value)
{
    GenericControl::SetValue(value);
    // A control may detach or destroy others while it is being told.
    for (GenericControl* control : GetControls())
    {
        if (control->mController == this)
            PushTo(*control);
    }
}

std::vector<GenericControl*> CentralController::GetControls() const
{
    std::vector<GenericControl*> controls;
    controls.reserve(mBindings.size());
    for (const Binding& binding : mBindings)
        controls.push_back(binding.control);
    return controls;
}

void CentralController::PushTo(GenericControl& control)
{
    FlagGuard updating(mUpdating);
    const std::int32_t mapped =
        MapValue(GetValue(), GetMinimum(), GetMaximum(), control.GetMinimum(), control.GetMaximum());
    if (IsSilent())
        control.SetValueSilently(mapped);
    else
        control.SetValue(mapped);
}

void CentralController::ControlValueChanged(GenericControl& control)
{
    if (mUpdating)
        return;
    TakeControlValue(control, control.GetValue(), control.IsSilent());
}

void CentralController::TakeControlValue(const GenericControl& control, std::int32_t value, bool silently)
{
    const std::int32_t mapped =
        MapValue(value, control.GetMinimum(), control.GetMaximum(), GetMinimum(), GetMaximum());
    if (silently)
        SetValueSilently(mapped);
    else
        SetValue(mapped);
}

void CentralController::OnControlMessage(std::int32_t what)
{
    MessagingServer::MsgClass* const from = GetCurrentMsgClass();
    const auto p1 = GetCurrentP1();
    const auto binding = std::find_if(mBindings.begin(), mBindings.end(),
                                      [&](const Binding& b) { return b.control->GetMsgClass() == from; });
    if (binding == mBindings.end())
        return;
    if (what == MsgClassDestroyed)
    {
        // The server has already dropped the subscription.
        GenericControl* control = binding->control;
        mBindings.erase(binding);
        if (control->mController == this)
            control->mController = nullptr;
        return;
    }
    if (what != ControlMessages::kValueChanged || mUpdating)
        return;
    TakeControlValue(*binding->control, static_cast<std::int32_t>(p1), false);
}
