#pragma once
// The analyzer panel's four commands that take a piece of a stored settings
// archive into the view now shown, leaving the other views and the rest of
// the state alone:
// - import memory slots (FFT and third-octave views): the file's slots that
//   hold a curve replace the view's slots of the same number, each keeping
//   its visible flag;
// - import colours (FFT and third-octave views): the view's colour set;
// - import view settings (every view): the view's own share of the
//   configuration and, in the third-octave view, the band-level alarms, a
//   stored severity of 4 taken as 0;
// - reset colours (every view): the colours of the default settings the core
//   last read, or the built-in ones when it read none.
// The first three read a settings file the user chooses in the same dialog
// as the global strip's Load (SettingsFileDialog). A cancelled dialog does
// nothing. A file without the configuration, and any failure while reading
// (a file that cannot be read, malformed or damaged settings), is reported as
// "No data was found." (information); what was applied before a failure
// stays. The configuration's own messages bring the displays up to date.
//
// Threads: UI thread only (dialogs, file I/O, messages).

#include <cstdint>
#include <memory>

class PluginUIRoot;
class QVXAlarmManager;
class QVXSpecConfig;

namespace Serialization
{
class XMLArchive;
}

class QVXViewSettingsImport
{
public:
    static constexpr const char* kNoDataFound = "No data was found.";
    // Severity of the report: information.
    static constexpr std::int32_t kReportSeverity = 1;

    // Without a configuration every command does nothing; without an alarm
    // manager the view-settings import leaves the alarms alone. Both, and
    // the root, must outlive this object.
    QVXViewSettingsImport(PluginUIRoot& root, QVXSpecConfig* config, QVXAlarmManager* alarms);
    ~QVXViewSettingsImport();
    QVXViewSettingsImport(const QVXViewSettingsImport&) = delete;
    QVXViewSettingsImport& operator=(const QVXViewSettingsImport&) = delete;

    void ImportMemorySlots();
    void ImportColors();
    void ImportViewSettings();
    void ResetColors();

private:
    // The chosen settings file, ready to read from its top; null when the user
    // cancels. Throws when the file cannot be read or is not an archive.
    std::unique_ptr<Serialization::XMLArchive> OpenSettingsFile();
    // Reads the current view's colours from a configuration inside the archive.
    void ImportColorsFrom(Serialization::XMLArchive& archive);
    // Runs a reading step; any failure in it is reported as no data found.
    template <class Step>
    void ReportingFailures(Step&& step);
    void ReportNoData();

    PluginUIRoot& mRoot;
    QVXSpecConfig* mConfig = nullptr;   // not owned
    QVXAlarmManager* mAlarms = nullptr; // not owned
};
