#include "PluginModule.h"

#include "HostError.h"

#include <cstdint>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>
#include <sstream>

std::string DefaultModulePath()
{
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
    {
        const std::filesystem::path beside = self.parent_path() / QUARVIX_MODULE_FILE_NAME;
        if (std::filesystem::exists(beside, error))
            return beside.string();
    }
    return QUARVIX_BUILD_MODULE_PATH;
}

void StandardErrorHost::ShowMessageBox(const HostLib::EffectMessageBox& box)
{
    ++mBoxCount;
    const char* icon = box.icon == HostLib::EffectMessageIcon::Exclamation   ? "warning"
                       : box.icon == HostLib::EffectMessageIcon::Information ? "information"
                                                                             : "error";
    std::fprintf(stderr, "%s [%s]\n%s\n", box.caption.c_str(), icon, box.text.c_str());
    std::fflush(stderr);
}

std::string FourCharText(HostLib::FourCharCode code)
{
    std::string text = "'";
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const auto c = static_cast<char>((code >> shift) & 0xff);
        text += (c >= 0x20 && c < 0x7f) ? c : '?';
    }
    return text + "'";
}

PluginModule::PluginModule(const std::string& path, std::uint32_t (*tickCount)())
{
    mHandle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!mHandle)
    {
        const char* reason = ::dlerror();
        throw HostError("cannot load the plug-in module '" + path + "': " + (reason ? reason : "unknown error"));
    }
    using NewPlugInFunction = std::uint16_t (*)(void*);
    using WinPlugInOpenFunction = std::int32_t (*)(std::int32_t);
    auto newPlugIn = reinterpret_cast<NewPlugInFunction>(::dlsym(mHandle, "NewPlugIn"));
    auto open = reinterpret_cast<WinPlugInOpenFunction>(::dlsym(mHandle, "WinPlugInOpen"));
    mClose = reinterpret_cast<WinPlugInCloseFunction>(::dlsym(mHandle, "WinPlugInClose"));
    if (!newPlugIn || !open || !mClose)
    {
        ::dlclose(mHandle);
        throw HostError("'" + path + "' is not a plug-in module (entry points missing)");
    }
    if (open(73) != 0)
    {
        ::dlclose(mHandle);
        throw HostError("the plug-in module '" + path + "' refused to open");
    }
    mOpened = true;
    HostLib::EffectHostContext context;
    context.host = &mHost;
    context.tickCount = tickCount;
    const std::uint16_t status = newPlugIn(&context);
    if (status != 0 || !context.engine)
    {
        mClose();
        ::dlclose(mHandle);
        std::ostringstream message;
        message << "the plug-in module could not set up its plug-in group (status 0x" << std::hex << status << ")";
        throw HostError(message.str());
    }
    mEngine = context.engine;
}

PluginModule::~PluginModule()
{
    if (mOpened)
        mClose();
    ::dlclose(mHandle);
}
