#include "model/GenericControl.h"

#include "model/CentralController.h"

GenericControl::GenericControl(PluginServices* services, std::int32_t minimum, std::int32_t maximum,
                               std::int32_t defaultValue, std::int32_t id, CentralController* controller)
    : PluginServicesClient(services), mMaximum(maximum), mMinimum(minimum), mDefaultValue(defaultValue), mId(id)
{
    mMsgClass = GetMessagingServer().CreateMsgClass(id);
    mValue = Clamp(defaultValue);
    mPreviousValue = mValue;
    if (controller)
    {
        try
        {
            controller->Attach(*this);
        }
        catch (...)
        {
            GetMessagingServer().DestroyMsgClass(mMsgClass);
            throw;
        }
    }
}

GenericControl::~GenericControl()
{
    if (mController)
        mController->Detach(*this);
    try
    {
        GetMessagingServer().DestroyMsgClass(mMsgClass);
    }
    catch (...)
    {
        // The services are gone, and with them every class.
    }
}

std::int32_t GenericControl::Clamp(std::int32_t value) const noexcept
{
    if (value > mMaximum)
        value = mMaximum;
    if (value < mMinimum)
        value = mMinimum;
    return value;
}

void GenericControl::SetValue(std::int32_t value)
{
    if (value == mValue && !mStale)
        return;
    mPreviousValue = mValue;
    mValue = Clamp(value);
    mStale = false;
    if (mValue != mPreviousValue)
        Redisplay();
    if (mController)
        mController->ControlValueChanged(*this);
    if (!mSilent)
        GetMessagingServer().Deliver(mMsgClass, ControlMessages::kValueChanged, mValue, 0);
}

void GenericControl::SetValueSilently(std::int32_t value)
{
    const bool wasSilent = mSilent;
    mSilent = true;
    try
    {
        SetValue(value);
    }
    catch (...)
    {
        mSilent = wasSilent;
        throw;
    }
    mSilent = wasSilent;
}

void GenericControl::SetRange(std::int32_t minimum, std::int32_t maximum)
{
    mMinimum = minimum;
    mMaximum = maximum;
    const std::int32_t clamped = Clamp(mValue);
    if (clamped != mValue)
    {
        mValue = clamped;
        Redisplay();
    }
}

void GenericControl::ResetToDefault()
{
    mStale = true;
    SetValue(mDefaultValue);
}

void GenericControl::Refresh()
{
    mStale = true;
    Redisplay();
}
