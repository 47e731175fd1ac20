#pragma once
// The plug-in group: one per loaded module. It declares the manufacturer and
// the product, registers the process types, and is the engine the host
// drives (EffectEngine): it creates process objects of its types and keeps
// them until the host destroys them or the group goes.
//
// A module derives its group from CEffectGroup, declares its identity in the
// constructor and registers its types in CreateEffectTypes, which Initialize
// runs.
//
// Threads: main thread only.

#include "hostlib/CEffectType.h"
#include "hostlib/EffectEngine.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CEffectProcess;
class CEffectInstance;

// Shows a message box through `host`; on standard error when it is null.
void ShowEffectMessageBox(HostLib::EffectHost* host, const HostLib::EffectMessageBox& box);

class CEffectGroup
{
public:
    CEffectGroup();
    virtual ~CEffectGroup();
    CEffectGroup(const CEffectGroup&) = delete;
    CEffectGroup& operator=(const CEffectGroup&) = delete;

    // Registers the types and checks the declarations: 0, or one of the
    // group statuses of EffectEngine.h.
    std::uint16_t Initialize();

    void DefineManufacturerNamesAndID(std::string names, HostLib::FourCharCode id);
    void DefinePlugInNamesAndID(std::string names, HostLib::FourCharCode productId);
    void AddCapability(std::int32_t code) { mInfo.capabilities.push_back(code); }
    void DefineDescriptionText(std::string text) { mInfo.descriptionText = std::move(text); }
    void AddEffectType(std::unique_ptr<CEffectType> type);

    const HostLib::EffectGroupInfo& GetInfo() const { return mInfo; }
    const std::vector<std::unique_ptr<CEffectType>>& GetTypes() const { return mTypes; }
    const CEffectType* FindType(HostLib::FourCharCode typeId) const;

    // The host this group serves: the one that created it. Each process keeps
    // the host the group had when the process was created, so a host is never
    // handed another host's message boxes.
    void SetHost(HostLib::EffectHost* host) { mHost = host; }
    HostLib::EffectHost* GetHost() const { return mHost; }
    // Through the host; on standard error when there is none.
    void ShowMessageBox(const HostLib::EffectMessageBox& box) const;

    // The engine side of the group.
    HostLib::EffectEngine& GetEngine();
    std::size_t GetInstanceCount() const;
    // The process behind an instance this group's engine handed out (for the
    // plug-in side: wrappers of other host formats, tests); null for any
    // other pointer.
    CEffectProcess* GetProcess(const HostLib::EffectInstance* instance) const;

protected:
    virtual void CreateEffectTypes() = 0;

private:
    class Engine;

    HostLib::EffectGroupInfo mInfo;
    std::vector<std::unique_ptr<CEffectType>> mTypes;
    HostLib::EffectHost* mHost = nullptr;
    std::unique_ptr<Engine> mEngine;
};
