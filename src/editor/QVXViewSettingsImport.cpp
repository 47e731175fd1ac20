#include "editor/QVXViewSettingsImport.h"

#include "core/PluginCore.h"
#include "editor/SettingsFileDialog.h"
#include "gui/PluginUIRoot.h"
#include "model/QVXAlarmManager.h"
#include "model/QVXSpecConfig.h"
#include "model/QVXSpecConfigArchive.h"
#include "serialization/Archive.h"
#include "serialization/XMLArchive.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace
{

// Where a settings archive keeps the configuration.
std::vector<std::string> ConfigPath()
{
    return {"QVXGeneralSpecService", "QVXSpecConfig"};
}

// The severity band-level alarms stored with the special severity (4) are
// imported with.
constexpr std::int32_t kImportedSpecialSeverity = 0;

// A settings file that was chosen but could not be read whole.
struct UnreadableSettingsFile : std::runtime_error
{
    UnreadableSettingsFile() : std::runtime_error("settings file not readable") {}
};

std::unique_ptr<Serialization::XMLArchive> ReaderOn(const std::string& text)
{
    auto archive = std::make_unique<Serialization::XMLArchive>(text.data(), text.size());
    archive->BeginReading();
    return archive;
}

} // namespace

QVXViewSettingsImport::QVXViewSettingsImport(PluginUIRoot& root, QVXSpecConfig* config,
                                             QVXAlarmManager* alarms)
    : mRoot(root), mConfig(config), mAlarms(alarms)
{
}

QVXViewSettingsImport::~QVXViewSettingsImport() = default;

void QVXViewSettingsImport::ReportNoData()
{
    mRoot.GetCore().ReportError(kNoDataFound, "", 0, kReportSeverity);
}

template <class Step>
void QVXViewSettingsImport::ReportingFailures(Step&& step)
{
    try
    {
        step();
    }
    catch (...)
    {
        // Whatever the file held up to the failure stays applied; the user
        // only learns that nothing (more) could be taken from it.
        ReportNoData();
    }
}

std::unique_ptr<Serialization::XMLArchive> QVXViewSettingsImport::OpenSettingsFile()
{
    std::string text;
    switch (SettingsFileDialog::OpenSettingsFile(mRoot, text))
    {
    case SettingsFileDialog::OpenOutcome::kCancelled:
        return nullptr;
    case SettingsFileDialog::OpenOutcome::kUnreadable:
        throw UnreadableSettingsFile();
    case SettingsFileDialog::OpenOutcome::kRead:
        break;
    }
    return ReaderOn(text);
}

void QVXViewSettingsImport::ImportColorsFrom(Serialization::XMLArchive& archive)
{
    Serialization::PathScope config(archive, ConfigPath());
    if (config.IsEntered())
        mConfig->ImportColors(archive);
    else
        ReportNoData();
}

void QVXViewSettingsImport::ImportMemorySlots()
{
    if (!mConfig)
        return;
    const std::int32_t view = mConfig->GetSpectrumView();
    if (view == QVXSpecConfig::kAnaSpectrogram)
        return;
    ReportingFailures([&] {
        const auto archive = OpenSettingsFile();
        if (!archive)
            return;
        std::vector<std::string> path = ConfigPath();
        path.push_back(std::string(QVXSpecConfig::ViewName(view)) + ".memory_slots");
        Serialization::PathScope slots(*archive, path);
        if (!slots.IsEntered())
        {
            ReportNoData();
            return;
        }
        for (std::int32_t slot = 0; slot < QVXSpecConfig::kMemSlotCount; ++slot)
        {
            // An empty slot in the file is no reason to lose the curve held here.
            QVXSpecConfig::MemSlotData data;
            QVXReadObjectIfPresent(*archive, data, QVXSpecConfigArchivedMemSlots::SlotName(slot));
            if (data.HasData())
                mConfig->SetMemSlotData(slot, data, true);
        }
    });
}

void QVXViewSettingsImport::ImportColors()
{
    if (!mConfig || mConfig->GetSpectrumView() == QVXSpecConfig::kAnaSpectrogram)
        return;
    ReportingFailures([&] {
        if (const auto archive = OpenSettingsFile())
            ImportColorsFrom(*archive);
    });
}

void QVXViewSettingsImport::ImportViewSettings()
{
    if (!mConfig)
        return;
    const std::int32_t view = mConfig->GetSpectrumView();
    ReportingFailures([&] {
        const auto archive = OpenSettingsFile();
        if (!archive)
            return;
        {
            Serialization::PathScope config(*archive, ConfigPath());
            if (config.IsEntered())
                mConfig->ReadViewSettings(*archive);
            else
                ReportNoData();
        }
        // The band-level alarms belong to the third-octave view, whether or
        // not the file had a configuration. The archive goes over at its
        // top: the manager finds its list there or, as a settings file keeps
        // it, inside its own "QVXAlarmManager" object.
        if (view == QVXSpecConfig::kAna3rdOct && mAlarms)
            mAlarms->ImportAlarms(*archive,
                                  {std::string(QVXAlarmManager::kBandLevelAlarmL),
                                   std::string(QVXAlarmManager::kBandLevelAlarmR)},
                                  kImportedSpecialSeverity);
    });
}

void QVXViewSettingsImport::ResetColors()
{
    if (!mConfig)
        return;
    const std::string& defaults = mRoot.GetCore().GetDefaultSettingsText();
    if (defaults.empty())
    {
        mConfig->ResetColors();
        return;
    }
    // Default settings that cannot be read are reported like a file that
    // cannot; the colours then stay as they are.
    ReportingFailures([&] { ImportColorsFrom(*ReaderOn(defaults)); });
}
