#include "lv2/Lv2Features.h"

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>

#include <algorithm>
#include <cstring>

namespace
{

// A length option as an integer; 0 when it is of a type we do not read.
std::int64_t LengthValue(const LV2_Options_Option& option, LV2_URID intType, LV2_URID longType)
{
    if (!option.value)
        return 0;
    if (option.type == intType && option.size == sizeof(std::int32_t))
    {
        std::int32_t value = 0;
        std::memcpy(&value, option.value, sizeof value);
        return value;
    }
    if (option.type == longType && option.size == sizeof(std::int64_t))
    {
        std::int64_t value = 0;
        std::memcpy(&value, option.value, sizeof value);
        return value;
    }
    return 0;
}

} // namespace

Lv2Features Lv2Features::Parse(const LV2_Feature* const* features)
{
    Lv2Features found;
    const LV2_Options_Option* options = nullptr;
    for (const LV2_Feature* const* feature = features; feature && *feature; ++feature)
    {
        const char* uri = (*feature)->URI;
        void* data = (*feature)->data;
        if (!uri)
            continue;
        if (std::strcmp(uri, LV2_URID__map) == 0)
            found.map = static_cast<LV2_URID_Map*>(data);
        else if (std::strcmp(uri, LV2_LOG__log) == 0)
            found.log = static_cast<LV2_Log_Log*>(data);
        else if (std::strcmp(uri, LV2_WORKER__schedule) == 0)
            found.schedule = static_cast<LV2_Worker_Schedule*>(data);
        else if (std::strcmp(uri, LV2_OPTIONS__options) == 0)
            options = static_cast<const LV2_Options_Option*>(data);
    }
    if (found.map && !found.map->map)
        found.map = nullptr;
    if (found.log && !found.log->printf)
        found.log = nullptr;
    if (found.schedule && !found.schedule->schedule_work)
        found.schedule = nullptr;

    if (options && found.map)
    {
        LV2_URID_Map& map = *found.map;
        const LV2_URID maxLength = map.map(map.handle, LV2_BUF_SIZE__maxBlockLength);
        const LV2_URID nominalLength = map.map(map.handle, LV2_BUF_SIZE__nominalBlockLength);
        const LV2_URID intType = map.map(map.handle, LV2_ATOM__Int);
        const LV2_URID longType = map.map(map.handle, LV2_ATOM__Long);
        std::int64_t nominal = 0;
        for (const LV2_Options_Option* option = options; option->key != 0 || option->value;
             ++option)
        {
            if (option->key == maxLength)
                found.offeredBlockLength = LengthValue(*option, intType, longType);
            else if (option->key == nominalLength)
                nominal = LengthValue(*option, intType, longType);
        }
        // The nominal length is what most calls bring; without a maximum it is
        // the best guess, and longer calls are cut to it.
        if (found.offeredBlockLength <= 0)
            found.offeredBlockLength = nominal;
    }
    return found;
}

std::int32_t Lv2Features::BlockSize() const
{
    if (offeredBlockLength <= 0)
        return kDefaultBlockSize;
    return static_cast<std::int32_t>(std::min<std::int64_t>(offeredBlockLength, kMaxBlockSize));
}
