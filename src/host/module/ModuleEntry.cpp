#include "host/module/ModuleEntry.h"

#include <atomic>

namespace
{
std::atomic<int> gOpenCount{0};
} // namespace

std::uint16_t NewPlugIn(void*)
{
    // The host plug-in library that the group registers with is not part of
    // this module yet, so there is no group to hand out: say so rather than
    // report a group that cannot process.
    return kPlugInGroupUnavailable;
}

std::int32_t WinPlugInOpen(std::int32_t argument)
{
    if (argument != kWinPlugInOpenKey)
        return -1;
    gOpenCount.fetch_add(1);
    return 0;
}

void WinPlugInClose()
{
    int open = gOpenCount.load();
    while (open > 0 && !gOpenCount.compare_exchange_weak(open, open - 1))
    {
    }
}
