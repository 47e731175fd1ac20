#include "host/module/ModuleEntry.h"

#include "editor/QuarvixMainFrame.h"
#include "host/CVLGroup.h"
#include "platform/TickCount.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

namespace
{
// Main thread only, as every entry point.
int gOpenCount = 0;
// One group per host that asked for one: each keeps the host it was made for,
// so the instances of one host never report through another, which may have
// gone away while the module stays open for the first.
std::vector<std::unique_ptr<CVLGroup>> gGroups;

CVLGroup* FindGroup(HostLib::EffectHost* host)
{
    const auto found = std::find_if(gGroups.begin(), gGroups.end(),
                                    [host](const auto& group) { return group->GetHost() == host; });
    return found != gGroups.end() ? found->get() : nullptr;
}
} // namespace

std::uint16_t NewPlugIn(void* hostContext)
{
    auto* context = static_cast<HostLib::EffectHostContext*>(hostContext);
    if (context && context->size < HostLib::kEffectHostContextMinSize)
        return HostLib::kGroupErrBadContext;
    HostLib::EffectHost* host = context ? context->host : nullptr;
    // A host running in its own time brings its clock.
    if (context && context->size >= sizeof(HostLib::EffectHostContext) && context->tickCount)
        Platform::SetTickCountSource(context->tickCount);
    // Every plug-in object of this module has the editor.
    InstallQuarvixEditor();
    CVLGroup* group = FindGroup(host);
    if (!group)
    {
        std::unique_ptr<CVLGroup> created;
        try
        {
            created = std::make_unique<CVLGroup>();
            created->SetHost(host);
        }
        catch (const std::bad_alloc&)
        {
            return kPlugInGroupUnavailable;
        }
        catch (...)
        {
            return HostLib::kGroupErrInitFailed;
        }
        const std::uint16_t status = created->Initialize();
        if (status != 0)
            return status;
        try
        {
            gGroups.push_back(std::move(created));
        }
        catch (const std::bad_alloc&)
        {
            return kPlugInGroupUnavailable;
        }
        group = gGroups.back().get();
    }
    if (context)
        context->engine = &group->GetEngine();
    return 0;
}

std::int32_t WinPlugInOpen(std::int32_t argument)
{
    if (argument != kWinPlugInOpenKey)
        return -1;
    ++gOpenCount;
    return 0;
}

void WinPlugInClose()
{
    if (gOpenCount == 0)
        return;
    if (--gOpenCount == 0)
    {
        // Newest first, as they were made.
        while (!gGroups.empty())
            gGroups.pop_back();
    }
}
