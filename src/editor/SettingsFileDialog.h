#pragma once
// The settings-file dialogs, shown the same way by everything in the editor
// that reads or writes a settings file (the global strip's Load and Save, the
// analyzer panel's imports).
//
// Both dialogs start in the directory remembered for this plug-in: the
// registry's "Recent Directories" key, the value named by the plug-in's
// signature. A chosen file's directory is remembered for next time; failing
// to remember it never fails the user's command. The open dialog offers
// ".quarvix" files first, the save dialog proposes "<signature> Settings".
//
// Threads: UI thread only; the dialogs and the file and registry I/O run on
// it, so nothing here is real-time safe.

#include "gui/DrawContext.h"

#include <cstddef>
#include <optional>
#include <string>

class PluginCore;
class PluginUIRoot;

namespace SettingsFileDialog
{

// Where the last settings-file directory is remembered; the value is named by
// the plug-in's signature. Read up to kRecentDirectoryMaxBytes.
inline constexpr const char* kRecentDirectoriesKey = "Software\\Corvanel Sound\\Recent Directories";
inline constexpr std::size_t kRecentDirectoryMaxBytes = 1024;

// The remembered directory, if any.
std::optional<std::string> GetRecentDirectory(const PluginCore& core);
// Remembers the directory of a chosen file (the text before its last '/').
void RememberDirectoryOf(const PluginCore& core, const std::string& path);

// What the dialogs are asked, with the remembered directory.
FileDialogRequest MakeOpenRequest(const PluginCore& core);
FileDialogRequest MakeSaveRequest(const PluginCore& core);

enum class OpenOutcome
{
    kCancelled,  // no choice made (or no window to ask on)
    kRead,       // the file's settings text was read
    kUnreadable, // a file was chosen but could not be read whole
};

// Asks the root's window for a settings file to open; on a choice remembers
// its directory and reads the file into text.
OpenOutcome OpenSettingsFile(PluginUIRoot& root, std::string& text);

// Asks the root's window where to save settings: the chosen path, with the
// settings extension added to a name without one, its directory remembered.
// Nothing when the user cancels.
std::optional<std::string> ChooseSettingsFileToSave(PluginUIRoot& root);

// The settings text of a file: everything before the NUL a settings file ends
// with. False for a file that cannot be read whole, a directory, or one too
// large to hold settings.
bool ReadSettingsFile(const std::string& path, std::string& text);

} // namespace SettingsFileDialog
