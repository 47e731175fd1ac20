// The module's one description, created on first use and destroyed with its
// last user.

#include "plugin/CVLQuarvixMetaClass.h"

#include <mutex>

namespace
{
std::mutex gDescriptionMutex;
CVLPluginMetaClass* gDescription = nullptr;
int gDescriptionUses = 0;
} // namespace

CVLPluginMetaClass* AcquireDescription()
{
    std::lock_guard<std::mutex> lock(gDescriptionMutex);
    if (gDescriptionUses == 0)
        gDescription = new CVLRtasQuarvixMetaClass();
    ++gDescriptionUses;
    return gDescription;
}

void ReleaseDescription()
{
    std::lock_guard<std::mutex> lock(gDescriptionMutex);
    if (gDescriptionUses == 0)
        return;
    if (--gDescriptionUses == 0)
    {
        delete gDescription;
        gDescription = nullptr;
    }
}
