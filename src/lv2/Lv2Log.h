#pragma once
// Messages for the user of an LV2 host: through the host's log feature when
// it offers one (and a URID map to name the message types), else on standard
// error, which is where a plug-in without a log has always written.
//
// Threads: main thread (never called from run()).

#include <lv2/log/log.h>
#include <lv2/urid/urid.h>

#include <string>

class Lv2Log
{
public:
    enum class Level
    {
        Note,
        Warning,
        Error,
    };

    Lv2Log() = default;
    // Either may be null.
    Lv2Log(LV2_Log_Log* log, LV2_URID_Map* map);

    // One line; line feeds inside the text become blanks.
    void Write(Level level, const std::string& text) const;
    bool HasHostLog() const { return mLog != nullptr; }

private:
    LV2_Log_Log* mLog = nullptr;
    LV2_URID mNote = 0;
    LV2_URID mWarning = 0;
    LV2_URID mError = 0;
};
