#pragma once
// The plug-in module loaded with dlopen: its three entry points, the engine
// NewPlugIn hands out, and the host services the module calls back (message
// boxes, shown on standard error).
//
// Threads: main thread, except what EffectEngine.h allows on the render thread.

#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <string>

// Where the module is looked for without --module: beside the executable,
// then in the build tree it was built in.
std::string DefaultModulePath();

// Prints message boxes on standard error:
//   Corvanel Sound: QVX Spectrum Analyzer [error]
//   <text, line by line>
class StandardErrorHost : public HostLib::EffectHost
{
public:
    void ShowMessageBox(const HostLib::EffectMessageBox& box) override;
    int GetBoxCount() const { return mBoxCount; }

private:
    int mBoxCount = 0;
};

class PluginModule
{
public:
    // Loads the module and opens its group; throws HostError when it cannot.
    // tickCount: the clock the module's editor runs on (null: the system's).
    explicit PluginModule(const std::string& path, std::uint32_t (*tickCount)() = nullptr);
    // Closes the group (destroying instances left) and unloads the module.
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    HostLib::EffectEngine& GetEngine() const { return *mEngine; }
    const StandardErrorHost& GetHost() const { return mHost; }

private:
    using WinPlugInCloseFunction = void (*)();

    void* mHandle = nullptr;
    WinPlugInCloseFunction mClose = nullptr;
    bool mOpened = false;
    StandardErrorHost mHost;
    HostLib::EffectEngine* mEngine = nullptr;
};

// "'StRT'" for a four-character code.
std::string FourCharText(HostLib::FourCharCode code);
