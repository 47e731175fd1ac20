#include "lv2/Lv2Ui.h"

#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Instance.h"

#include <lv2/instance-access/instance-access.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
using namespace HostLib;

const void* FindFeature(const LV2_Feature* const* features, const char* uri)
{
    for (const LV2_Feature* const* feature = features; feature && *feature; ++feature)
    {
        if (std::strcmp((*feature)->URI, uri) == 0)
            return (*feature)->data;
    }
    return nullptr;
}

std::string FirstLine(const std::string& text)
{
    return text.substr(0, text.find('\n'));
}
} // namespace

std::unique_ptr<Lv2Ui> Lv2Ui::Create(const LV2_Feature* const* features, std::string& error)
{
    // The parent is an X window id carried in the pointer.
    const auto parent = reinterpret_cast<std::uintptr_t>(FindFeature(features, LV2_UI__parent));
    if (parent == 0)
    {
        error = "The host gave the editor no window to open in.";
        return nullptr;
    }
    Lv2Instance* instance = Lv2Instance::FromHandle(FindFeature(features, LV2_INSTANCE_ACCESS_URI));
    if (!instance)
    {
        error = "The host gave the editor no access to the plug-in (instance access).";
        return nullptr;
    }
    Lv2Plugin& plugin = instance->GetPlugin();
    EffectInstance& effect = plugin.GetInstance();

    X11HostWindow::Options options;
    {
        const Lv2Plugin::MainThreadScope scope(plugin);
        if (effect.GetWindowSize(options.width, options.height) != kEffectOK)
        {
            error = "The plug-in has no editor.";
            return nullptr;
        }
        options.title = FirstLine(effect.GetType().names);
    }
    options.parent = parent;
    std::unique_ptr<X11HostWindow> window = X11HostWindow::Create(options, error);
    if (!window)
        return nullptr;

    std::unique_ptr<Lv2Ui> ui(new Lv2Ui(*instance, std::move(window)));
    {
        const Lv2Plugin::MainThreadScope scope(plugin);
        const Lv2HostServices::Scope boxes(*ui);
        if (effect.OpenWindow(ui->mWindow.get(), 0, 0) != kEffectOK)
        {
            error = "The plug-in could not open its editor.";
            return nullptr;
        }
        ui->mWindow->Pump();
    }
    if (const auto* resize = static_cast<const LV2UI_Resize*>(FindFeature(features, LV2_UI__resize)))
        resize->ui_resize(resize->handle, options.width, options.height);
    return ui;
}

Lv2Ui::Lv2Ui(Lv2Instance& instance, std::unique_ptr<X11HostWindow> window)
    : mInstance(instance), mWindow(std::move(window))
{
}

Lv2Ui::~Lv2Ui()
{
    Lv2Plugin& plugin = mInstance.GetPlugin();
    const Lv2Plugin::MainThreadScope scope(plugin);
    const Lv2HostServices::Scope boxes(*this);
    if (plugin.GetInstance().IsWindowOpen())
        plugin.GetInstance().CloseWindow();
    // The window goes under the lock too: its children are the view's.
    mWindow.reset();
}

int Lv2Ui::Idle()
{
    Lv2Plugin& plugin = mInstance.GetPlugin();
    const Lv2Plugin::MainThreadScope scope(plugin);
    const Lv2HostServices::Scope boxes(*this);
    plugin.DeliverControlChanges();
    if (plugin.GetInstance().IsWindowOpen())
        plugin.GetInstance().IdleWindow();
    return mWindow->Pump() ? 0 : 1;
}

void Lv2Ui::OnMessageBox(const EffectMessageBox& box)
{
    // ShowNotice also writes it to standard error, where hosts without a
    // log window keep their plug-ins' messages.
    mWindow->ShowNotice(box.caption.empty() ? box.text : box.caption + ": " + box.text);
}

// ---------------------------------------------------------------- LV2 calls
// Nothing may leave a C callback as an exception.

namespace
{
LV2UI_Handle Instantiate(const LV2UI_Descriptor*, const char*, const char*, LV2UI_Write_Function,
                         LV2UI_Controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    std::string error;
    try
    {
        std::unique_ptr<Lv2Ui> ui = Lv2Ui::Create(features, error);
        if (ui)
        {
            *widget = reinterpret_cast<LV2UI_Widget>(static_cast<std::uintptr_t>(ui->GetXWindow()));
            return ui.release();
        }
    }
    catch (const std::exception& exception)
    {
        error = exception.what();
    }
    catch (...)
    {
        error = "The editor could not be made.";
    }
    std::fprintf(stderr, "%s\n", error.c_str());
    return nullptr;
}

void Cleanup(LV2UI_Handle handle)
{
    try
    {
        delete static_cast<Lv2Ui*>(handle);
    }
    catch (...)
    {
    }
}

void PortEvent(LV2UI_Handle, std::uint32_t, std::uint32_t, std::uint32_t, const void*)
{
}

int Idle(LV2UI_Handle handle)
{
    try
    {
        return static_cast<Lv2Ui*>(handle)->Idle();
    }
    catch (...)
    {
        return 1;
    }
}

const LV2UI_Idle_Interface kIdleInterface = {Idle};

const void* ExtensionData(const char* uri)
{
    return std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdleInterface : nullptr;
}

const LV2UI_Descriptor kUiDescriptor = {Lv2Identity::kUiUri, Instantiate, Cleanup, PortEvent,
                                        ExtensionData};
} // namespace

const LV2UI_Descriptor* QuarvixLv2UiDescriptor(std::uint32_t index)
{
    return index == 0 ? &kUiDescriptor : nullptr;
}
