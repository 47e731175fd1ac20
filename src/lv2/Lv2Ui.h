#pragma once
// The plug-ins' editor inside an LV2 host: an X11 UI (Lv2Identity::kUiUri)
// that opens the plug-in's own view, through the host library, in an X
// window of ours (HostLib::X11HostWindow) inside the host's window
// (ui:parent). It reaches the instance through LV2's instance access, so it
// lives in the plug-ins' own binary and needs a host that runs UI and
// plug-in in one process.
//
// The host drives it through ui:idleInterface: each idle call hands the
// instance the control values run() recorded, gives the view its idle time
// and pumps the window (X events, the 30 ms timer, painting). The editor
// reads the analysis from the plug-in itself, so port events carry nothing
// it needs. Message boxes the plug-in raises while the editor works show in
// the window's notice strip, and in the host's log.
//
// Threads: the host's UI thread. Every call holds the instance's main lock
// (Lv2Plugin::MainThreadScope), so a host saving state on another thread
// never meets the editor half-way through a change.

#include "lv2/Lv2HostServices.h"

#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include "hostlib/X11HostWindow.h"

#include <memory>
#include <string>

class Lv2Instance;

class Lv2Ui final : private Lv2MessageReceiver
{
public:
    // Null, with the reason in error, when the host gave no parent window or
    // no instance access, or the window cannot be made or opened.
    static std::unique_ptr<Lv2Ui> Create(const LV2_Feature* const* features, std::string& error);
    ~Lv2Ui();
    Lv2Ui(const Lv2Ui&) = delete;
    Lv2Ui& operator=(const Lv2Ui&) = delete;

    // The X window the host embeds.
    unsigned long GetXWindow() const { return mWindow->GetXWindow(); }
    HostLib::X11HostWindow& GetWindow() const { return *mWindow; }
    // 0 while the editor shows; 1 once its window is gone (LV2's idle answer).
    int Idle();

private:
    Lv2Ui(Lv2Instance& instance, std::unique_ptr<HostLib::X11HostWindow> window);
    void OnMessageBox(const HostLib::EffectMessageBox& box) override;

    Lv2Instance& mInstance;
    std::unique_ptr<HostLib::X11HostWindow> mWindow;
};

// The binary's UI descriptors (one, for both plug-ins); null past the last.
// lv2ui_descriptor (bundle/Lv2Entry.cpp) hands them out.
const LV2UI_Descriptor* QuarvixLv2UiDescriptor(std::uint32_t index);
