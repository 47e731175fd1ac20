#include "host/module/ModuleEntry.h"

#include "host/CVLGroup.h"

#include <memory>
#include <new>

namespace
{
// Main thread only, as every entry point.
int gOpenCount = 0;
std::unique_ptr<CVLGroup> gGroup;
} // namespace

std::uint16_t NewPlugIn(void* hostContext)
{
    auto* context = static_cast<HostLib::EffectHostContext*>(hostContext);
    if (context && context->size < sizeof(HostLib::EffectHostContext))
        return HostLib::kGroupErrBadContext;
    if (!gGroup)
    {
        std::unique_ptr<CVLGroup> group;
        try
        {
            group = std::make_unique<CVLGroup>();
        }
        catch (const std::bad_alloc&)
        {
            return kPlugInGroupUnavailable;
        }
        catch (...)
        {
            return HostLib::kGroupErrInitFailed;
        }
        const std::uint16_t status = group->Initialize();
        if (status != 0)
            return status;
        gGroup = std::move(group);
    }
    if (context)
    {
        gGroup->SetHost(context->host);
        context->engine = &gGroup->GetEngine();
    }
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
        gGroup.reset();
}
