#pragma once
// What an LV2 host offers an instance at instantiate. Every feature is
// optional: without a URID map there are no options, no log and no state;
// without options the block size is our own default; without the worker,
// parameter changes wait for the next main-thread call of the instance.
//
// Threads: instantiate (main thread).

#include <lv2/core/lv2.h>
#include <lv2/log/log.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <cstdint>

struct Lv2Features
{
    // The block size of an instance when the host names no bound.
    static constexpr std::int32_t kDefaultBlockSize = 4096;
    // The largest block size an instance is made for; longer host calls are
    // rendered in pieces of this size.
    static constexpr std::int32_t kMaxBlockSize = 65536;

    LV2_URID_Map* map = nullptr;
    LV2_Log_Log* log = nullptr;
    LV2_Worker_Schedule* schedule = nullptr;
    // From the options' buf-size:maxBlockLength, else nominalBlockLength; 0
    // when the host gave neither (or no map to read them with).
    std::int64_t offeredBlockLength = 0;

    // features: the host's null-terminated list, or null.
    static Lv2Features Parse(const LV2_Feature* const* features);

    // The block size to set up the instance with: the host's bound within
    // 1..kMaxBlockSize, else kDefaultBlockSize.
    std::int32_t BlockSize() const;
};
