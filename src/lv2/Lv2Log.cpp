#include "lv2/Lv2Log.h"

#include <cstdio>

Lv2Log::Lv2Log(LV2_Log_Log* log, LV2_URID_Map* map)
{
    // A log message needs its type as a URID: without a map the log is unusable.
    if (!log || !map)
        return;
    mLog = log;
    mNote = map->map(map->handle, LV2_LOG__Note);
    mWarning = map->map(map->handle, LV2_LOG__Warning);
    mError = map->map(map->handle, LV2_LOG__Error);
}

void Lv2Log::Write(Level level, const std::string& text) const
{
    std::string line = text;
    for (char& c : line)
    {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (mLog)
    {
        const LV2_URID type = level == Level::Error     ? mError
                              : level == Level::Warning ? mWarning
                                                        : mNote;
        mLog->printf(mLog->handle, type, "%s\n", line.c_str());
        return;
    }
    std::fprintf(stderr, "quarvix.lv2: %s\n", line.c_str());
    std::fflush(stderr);
}
