#pragma once
// What the LV2 suites play the host with: a URID map, a log that keeps its
// lines, a worker whose queue the test empties, feature lists built from
// them, and a host's state store.

#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace Lv2Test
{

class UridMap
{
public:
    UridMap()
    {
        mFeature.URI = LV2_URID__map;
        mFeature.data = &mMap;
        mMap.handle = this;
        mMap.map = [](LV2_URID_Map_Handle handle, const char* uri) -> LV2_URID
        { return static_cast<UridMap*>(handle)->Map(uri); };
        mUnmapFeature.URI = LV2_URID__unmap;
        mUnmapFeature.data = &mUnmap;
        mUnmap.handle = this;
        mUnmap.unmap = [](LV2_URID_Unmap_Handle handle, LV2_URID urid) -> const char*
        {
            auto* self = static_cast<UridMap*>(handle);
            const std::lock_guard<std::mutex> lock(self->mMutex);
            for (const auto& [uri, id] : self->mIds)
            {
                if (id == urid)
                    return uri.c_str();
            }
            return nullptr;
        };
    }
    LV2_URID Map(const std::string& uri)
    {
        const std::lock_guard<std::mutex> lock(mMutex);
        auto [it, added] = mIds.emplace(uri, static_cast<LV2_URID>(mIds.size() + 1));
        return it->second;
    }
    LV2_URID_Map* Get() { return &mMap; }
    LV2_URID_Unmap* GetUnmap() { return &mUnmap; }
    const LV2_Feature* Feature() const { return &mFeature; }
    const LV2_Feature* UnmapFeature() const { return &mUnmapFeature; }

private:
    std::mutex mMutex;
    std::map<std::string, LV2_URID> mIds;
    LV2_URID_Map mMap{};
    LV2_Feature mFeature{};
    LV2_URID_Unmap mUnmap{};
    LV2_Feature mUnmapFeature{};
};

class Log
{
public:
    explicit Log(UridMap& map)
        : mErrorType(map.Map(LV2_LOG__Error)), mWarningType(map.Map(LV2_LOG__Warning))
    {
        mLog.handle = this;
        mLog.printf = &Printf;
        mLog.vprintf = &VPrintf;
        mFeature.URI = LV2_LOG__log;
        mFeature.data = &mLog;
    }
    const LV2_Feature* Feature() const { return &mFeature; }
    // Every line, as "error: text" or "warning: text".
    std::vector<std::string> lines;

private:
    static int VPrintf(LV2_Log_Handle handle, LV2_URID type, const char* format, va_list args)
    {
        auto* self = static_cast<Log*>(handle);
        char text[4096];
        const int length = std::vsnprintf(text, sizeof text, format, args);
        const std::string kind = type == self->mErrorType     ? "error: "
                                 : type == self->mWarningType ? "warning: "
                                                              : "note: ";
        self->lines.push_back(kind + text);
        return length;
    }
    static int Printf(LV2_Log_Handle handle, LV2_URID type, const char* format, ...)
    {
        va_list args;
        va_start(args, format);
        const int length = VPrintf(handle, type, format, args);
        va_end(args);
        return length;
    }

    LV2_URID mErrorType;
    LV2_URID mWarningType;
    LV2_Log_Log mLog{};
    LV2_Feature mFeature{};
};

// A worker whose requests wait until the test runs them; it never allocates
// while a request is made (room for them is made beforehand).
class Worker
{
public:
    Worker()
    {
        mSchedule.handle = this;
        mSchedule.schedule_work = [](LV2_Worker_Schedule_Handle handle, std::uint32_t, const void*)
        {
            auto* self = static_cast<Worker*>(handle);
            if (self->refuse)
                return LV2_WORKER_ERR_NO_SPACE;
            ++self->requests;
            return LV2_WORKER_SUCCESS;
        };
        mFeature.URI = LV2_WORKER__schedule;
        mFeature.data = &mSchedule;
    }
    const LV2_Feature* Feature() const { return &mFeature; }
    bool refuse = false;
    int requests = 0; // scheduled and not yet run

private:
    LV2_Worker_Schedule mSchedule{};
    LV2_Feature mFeature{};
};

// Options naming block lengths (0: left out).
class BlockOptions
{
public:
    BlockOptions(UridMap& map, std::int32_t maxLength, std::int32_t nominalLength)
        : mMaxLength(maxLength), mNominalLength(nominalLength)
    {
        const LV2_URID intType = map.Map(LV2_ATOM__Int);
        if (maxLength)
            mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, map.Map(LV2_BUF_SIZE__maxBlockLength),
                                sizeof(std::int32_t), intType, &mMaxLength});
        if (nominalLength)
            mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, map.Map(LV2_BUF_SIZE__nominalBlockLength),
                                sizeof(std::int32_t), intType, &mNominalLength});
        mOptions.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
        mFeature.URI = LV2_OPTIONS__options;
        mFeature.data = mOptions.data();
    }
    const LV2_Feature* Feature() const { return &mFeature; }

private:
    std::int32_t mMaxLength;
    std::int32_t mNominalLength;
    std::vector<LV2_Options_Option> mOptions;
    LV2_Feature mFeature{};
};

// A null-terminated feature list.
class Features
{
public:
    Features(std::initializer_list<const LV2_Feature*> features) : mList(features)
    {
        mList.push_back(nullptr);
    }
    const LV2_Feature* const* Get() const { return mList.data(); }

private:
    std::vector<const LV2_Feature*> mList;
};

// A host's store of saved values, one per key.
struct StateStore
{
    struct Value
    {
        std::string bytes;
        std::uint32_t type = 0;
        std::uint32_t flags = 0;
    };
    std::map<std::uint32_t, Value> values;

    static LV2_State_Status Store(LV2_State_Handle handle, std::uint32_t key, const void* value,
                                  std::size_t size, std::uint32_t type, std::uint32_t flags)
    {
        static_cast<StateStore*>(handle)->values[key] = {
            std::string(static_cast<const char*>(value), size), type, flags};
        return LV2_STATE_SUCCESS;
    }
    static const void* Retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                                std::uint32_t* type, std::uint32_t* flags)
    {
        auto& values = static_cast<StateStore*>(handle)->values;
        const auto found = values.find(key);
        if (found == values.end())
            return nullptr;
        *size = found->second.bytes.size();
        *type = found->second.type;
        *flags = found->second.flags;
        return found->second.bytes.data();
    }
};

} // namespace Lv2Test
