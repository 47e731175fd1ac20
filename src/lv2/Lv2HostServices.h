#pragma once
// The host the library's instances report to when they run inside an LV2
// host. All instances of the binary share it, so that they share one plug-in
// group however many are inserted; a message box goes to the instance whose
// call raised it. The library raises boxes only on the main thread, inside
// the call that caused them, so the receiver is whoever holds a Scope on the
// calling thread.
//
// Threads: main threads only (any number, one receiver per thread).

#include "hostlib/EffectEngine.h"

class Lv2MessageReceiver
{
public:
    virtual void OnMessageBox(const HostLib::EffectMessageBox& box) = 0;

protected:
    ~Lv2MessageReceiver() = default;
};

class Lv2HostServices final : public HostLib::EffectHost
{
public:
    static Lv2HostServices& Get();

    // Boxes without a receiver go to standard error.
    void ShowMessageBox(const HostLib::EffectMessageBox& box) override;

    // Makes `receiver` the one that gets this thread's boxes while it lives.
    class Scope
    {
    public:
        explicit Scope(Lv2MessageReceiver& receiver);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        Lv2MessageReceiver* mPrevious;
    };
};
