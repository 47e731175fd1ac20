#include "editor/SettingsFileDialog.h"

#include "core/CVLPluginMetaClass.h"
#include "core/PluginCore.h"
#include "gui/PluginUIRoot.h"
#include "platform/Registry.h"
#include "platform/SafeFile.h"
#include "serialization/XMLArchive.h"

#include <filesystem>
#include <utility>

namespace SettingsFileDialog
{
namespace
{

std::string Extension()
{
    return PluginSettingsMessages::kSettingsFileExtension;
}

// "<label> (*.quarvix)" with the pattern "*.quarvix". Appended piece by
// piece: GCC 12 warns falsely about literal + string here.
FileDialogRequest::Filter SettingsFilter(std::string label)
{
    std::string pattern(1, '*');
    pattern.append(Extension());
    label.append(" (").append(pattern).append(")");
    return {std::move(label), std::move(pattern)};
}

FileDialogRequest::Filter AllFiles()
{
    return {"All Files (*.*)", "*.*"};
}

// The largest settings text and the NUL that ends it in a file.
constexpr std::size_t kMaxSettingsFileBytes = Serialization::kMaxSettingsTextBytes + 1;

} // namespace

std::optional<std::string> GetRecentDirectory(const PluginCore& core)
{
    const Platform::Registry registry;
    return registry.GetValue(kRecentDirectoriesKey, core.GetDescription().GetSignature(),
                             kRecentDirectoryMaxBytes);
}

void RememberDirectoryOf(const PluginCore& core, const std::string& path)
{
    const auto separator = path.find_last_of('/');
    if (separator == std::string::npos)
        return;
    // A file at the top of the tree lives in "/", not in "".
    const std::string directory = separator == 0 ? std::string("/") : path.substr(0, separator);
    Platform::Registry registry;
    // Forgetting the place is no reason to fail the user's command.
    registry.SetValue(kRecentDirectoriesKey, core.GetDescription().GetSignature(), directory);
}

FileDialogRequest MakeOpenRequest(const PluginCore& core)
{
    FileDialogRequest request;
    request.save = false;
    request.filters = {SettingsFilter("CVL Settings Files"), AllFiles()};
    request.initialDirectory = GetRecentDirectory(core).value_or(std::string());
    return request;
}

FileDialogRequest MakeSaveRequest(const PluginCore& core)
{
    FileDialogRequest request;
    request.save = true;
    request.filters = {SettingsFilter("Settings Files"), AllFiles()};
    request.defaultName = core.GetDescription().GetSignature() + " Settings";
    request.extension = Extension();
    request.initialDirectory = GetRecentDirectory(core).value_or(std::string());
    return request;
}

OpenOutcome OpenSettingsFile(PluginUIRoot& root, std::string& text)
{
    DrawContext* window = root.GetWindowContext();
    std::string path;
    if (!window || !window->RunFileDialog(MakeOpenRequest(root.GetCore()), path) || path.empty())
        return OpenOutcome::kCancelled;
    RememberDirectoryOf(root.GetCore(), path);
    return ReadSettingsFile(path, text) ? OpenOutcome::kRead : OpenOutcome::kUnreadable;
}

std::optional<std::string> ChooseSettingsFileToSave(PluginUIRoot& root)
{
    DrawContext* window = root.GetWindowContext();
    std::string path;
    if (!window || !window->RunFileDialog(MakeSaveRequest(root.GetCore()), path) || path.empty())
        return std::nullopt;
    // Not every chooser adds the extension to a name typed without one.
    if (std::filesystem::path(path).extension().empty())
        path += Extension();
    RememberDirectoryOf(root.GetCore(), path);
    return path;
}

bool ReadSettingsFile(const std::string& path, std::string& text)
{
    // One descriptor from open to end, so a file saved by another program
    // meanwhile is read whole or not at all.
    std::string error;
    if (!Platform::ReadWholeFile(path, text, error, kMaxSettingsFileBytes))
        return false;
    const auto nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return true;
}

} // namespace SettingsFileDialog
