#pragma once
// One plug-in instance inside an LV2 host, and the handle instantiate gives
// the host (an editor reaching the instance through LV2's instance access
// gets this object): a use of the module's plug-in group, opened through the
// module's own entry points as any host of the library opens it, the library
// instance made of the plug-in's process type, and the Lv2Plugin over it.
//
// Every instance of the binary shares the one plug-in group (they report to
// one host, Lv2HostServices); the group goes when the last instance does.
//
// Threads: Create and the destructor on the host's instantiation thread;
// LV2 may instantiate and clean up several instances at once, so opening,
// creating, destroying and closing take one lock of the binary's.

#include "lv2/Lv2Identity.h"
#include "lv2/Lv2Plugin.h"

#include <lv2/core/lv2.h>

#include <memory>

class Lv2Instance
{
public:
    // Null (with the reason in the log) when the plug-in cannot run at `rate`
    // or the instance cannot be made.
    static std::unique_ptr<Lv2Instance> Create(const Lv2Identity::PluginKind& kind, double rate,
                                               const LV2_Feature* const* features);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    Lv2Plugin& GetPlugin() const { return *mPlugin; }

    // The live instance behind an LV2 handle of this binary (what instance
    // access hands a UI); null for anything else.
    static Lv2Instance* FromHandle(const void* handle);

private:
    Lv2Instance() = default;

    HostLib::EffectEngine* mEngine = nullptr;
    HostLib::EffectInstance* mInstance = nullptr;
    std::unique_ptr<Lv2Plugin> mPlugin;
};

// The binary's descriptors, in the order of Lv2Identity::kPlugins; null past
// the last. lv2_descriptor (bundle/Lv2Entry.cpp) hands them out.
const LV2_Descriptor* QuarvixLv2Descriptor(std::uint32_t index);
