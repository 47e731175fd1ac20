#pragma once
// File dialogs for a live window on Linux desktops, where there is no
// system-wide file dialog to call: the user's own chooser program runs as a
// separate process (zenity, else kdialog, whichever is on PATH first in that
// order) and prints the chosen path.
//
// Threads: any; RunExternalFileChooser blocks until the chooser ends.

#include "hostlib/HostWindow.h"

#include <string>
#include <vector>

namespace HostLib
{

struct FileChooserResult
{
    enum class Outcome
    {
        Chosen,      // path holds the file
        Cancelled,   // the user closed the chooser
        Unavailable, // no chooser is installed; message says what to do
        Failed,      // the chooser could not run or failed; message says why
    };
    Outcome outcome = Outcome::Cancelled;
    std::string path;
    std::string message;
};

// What a user reads when neither chooser is installed.
inline constexpr const char* kNoFileChooserMessage =
    "No file chooser was found: install zenity or kdialog to open and save files.";

// The full path of the first chooser on searchPath (a PATH-style list); empty
// when there is none.
std::string FindFileChooser(const std::string& searchPath);

// The command line that asks `chooser` (a path whose last part is "zenity"
// or "kdialog") for the dialog's file; the program itself comes first.
std::vector<std::string> FileChooserCommand(const std::string& chooser, const HostFileDialog& dialog,
                                            const std::string& title);

// Runs the chooser found on the process's PATH. A chosen name without an
// extension gets the dialog's extension when saving.
FileChooserResult RunExternalFileChooser(const HostFileDialog& dialog, const std::string& title);

} // namespace HostLib
