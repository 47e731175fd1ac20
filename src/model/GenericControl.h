#pragma once
// The value of a control, without a frame of its own: an integer kept within a
// range, announced on the control's own message class at every change, and
// optionally bound to a CentralController so that several controls always
// show one shared value. The visible controls derive from it.
//
// Threads: UI thread only. Not real-time safe.

#include "core/MessagingServer.h"
#include "core/PluginServices.h"

#include <cstdint>

class CentralController;

namespace ControlMessages
{
// Codes delivered on a control's class. p1 is the value, or for
// kTrackingMoved the tracking point.
inline constexpr std::int32_t kValueChanged = 0x20000;
inline constexpr std::int32_t kTrackingBegan = 0x20001;
inline constexpr std::int32_t kTrackingEnded = 0x20002;
inline constexpr std::int32_t kTrackingMoved = 0x20003;
} // namespace ControlMessages

class GenericControl : public PluginServicesClient
{
public:
    // Creates the control's message class under `id`. Without a controller the
    // value starts at the default; with one, the control is attached to it and
    // takes its value.
    GenericControl(PluginServices* services, std::int32_t minimum, std::int32_t maximum, std::int32_t defaultValue,
                   std::int32_t id, CentralController* controller = nullptr);
    // Detaches from the controller, then destroys the class (its subscribers
    // hear MsgClassDestroyed).
    ~GenericControl() override;
    GenericControl(const GenericControl&) = delete;
    GenericControl& operator=(const GenericControl&) = delete;

    // Stores v clamped to the range when it differs from the value or the
    // control is stale, passes it to the controller, and unless silent
    // delivers kValueChanged with the stored value.
    virtual void SetValue(std::int32_t value);
    // SetValue without the kValueChanged message (also for the controller).
    void SetValueSilently(std::int32_t value);
    // Stores the range and re-clamps the value; sends nothing.
    virtual void SetRange(std::int32_t minimum, std::int32_t maximum);
    // Forces the default through SetValue, even when it is the current value.
    void ResetToDefault();
    // Makes the next SetValue announce its value even when it is unchanged.
    void Refresh();

    std::int32_t GetValue() const noexcept { return mValue; }
    std::int32_t GetPreviousValue() const noexcept { return mPreviousValue; }
    std::int32_t GetMinimum() const noexcept { return mMinimum; }
    std::int32_t GetMaximum() const noexcept { return mMaximum; }
    std::int32_t GetDefaultValue() const noexcept { return mDefaultValue; }
    std::int32_t GetId() const noexcept { return mId; }
    bool IsSilent() const noexcept { return mSilent; }
    bool IsStale() const noexcept { return mStale; }
    CentralController* GetController() const noexcept { return mController; }
    MessagingServer::MsgClass* GetMsgClass() const noexcept { return mMsgClass; }

protected:
    // Shows the value; a bare model has nothing to show.
    virtual void Redisplay() {}
    std::int32_t Clamp(std::int32_t value) const noexcept;

private:
    friend class CentralController;

    std::int32_t mValue = 0;
    std::int32_t mPreviousValue = 0;
    std::int32_t mMaximum = 0;
    std::int32_t mMinimum = 0;
    std::int32_t mDefaultValue = 0;
    std::int32_t mId = 0;
    CentralController* mController = nullptr; // not owned
    MessagingServer::MsgClass* mMsgClass = nullptr;
    bool mSilent = false;
    bool mStale = false;
};
