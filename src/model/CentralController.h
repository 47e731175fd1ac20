#pragma once
// A value shared by any number of controls. Each attached control shows the
// controller's value mapped into its own range; a change on any side reaches
// all of them once, without echoing back.
//
// Threads: UI thread only. Not real-time safe.

#include "core/MessageSubscriber.h"
#include "model/GenericControl.h"

#include <cstdint>
#include <vector>

class CentralController : public GenericControl, public MessageSubscriber<CentralController>
{
public:
    CentralController(PluginServices* services, std::int32_t minimum, std::int32_t maximum,
                      std::int32_t defaultValue, std::int32_t id);
    // Every attached control is left without a controller.
    ~CentralController() override;

    // Moves the control here from its previous controller; the control takes
    // the controller's value at once.
    void Attach(GenericControl& control);
    // Unbinds the control; unknown controls are ignored.
    void Detach(GenericControl& control);

    // Stores the value (as a control does) and pushes it to every attached
    // control, silently when the controller is being set silently.
    void SetValue(std::int32_t value) override;

    // Attached controls, in attachment order.
    std::vector<GenericControl*> GetControls() const;

    // Maps a value from the range [fromMin, fromMax] to [toMin, toMax]: ends
    // to ends, linear between, truncated; unchanged when the ranges are equal.
    static std::int32_t MapValue(std::int32_t value, std::int32_t fromMin, std::int32_t fromMax,
                                 std::int32_t toMin, std::int32_t toMax) noexcept;

private:
    friend class GenericControl;

    struct Binding
    {
        GenericControl* control;
        std::int32_t subRef;
    };

    // A bound control's value changed (called by the control itself).
    void ControlValueChanged(GenericControl& control);
    // kValueChanged and MsgClassDestroyed from a bound control's class.
    void OnControlMessage(std::int32_t what);
    void TakeControlValue(const GenericControl& control, std::int32_t value, bool silently);
    void PushTo(GenericControl& control);

    std::vector<Binding> mBindings;
    std::int32_t mNextSubRef = 0;
    // Set while the controller itself is changing its controls, so that their
    // announcements do not come back into it.
    bool mUpdating = false;
};

// A central controller over the values 0 and 1.
class BooleanController : public CentralController
{
public:
    BooleanController(PluginServices* services, bool defaultValue, std::int32_t id)
        : CentralController(services, 0, 1, defaultValue ? 1 : 0, id)
    {
    }
};
