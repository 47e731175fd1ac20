#include "editor/QVXExportCommand.h"

#include "core/PluginCore.h"
#include "editor/QVXSpecPlotFrame.h"
#include "gui/DrawContext.h"
#include "gui/PluginUIRoot.h"
#include "platform/SafeFile.h"

#include <filesystem>
#include <new>
#include <sstream>

namespace
{
constexpr const char* kDefaultName = "QUARVIX Spectrum Export.txt";
constexpr const char* kExtension = ".txt";
constexpr const char* kFailureTitle = "Unable to export analysis data";
constexpr std::int32_t kSeverityError = 2;

ExportOutcome Fail(const QVXSpecPlotFrame& plot, const std::string& reason, std::string* error)
{
    if (error)
        *error = reason;
    plot.GetRoot()->GetCore().ReportError(kFailureTitle, reason, 0, kSeverityError);
    return ExportOutcome::kFailed;
}
} // namespace

FileDialogRequest MakeExportDialogRequest()
{
    FileDialogRequest request;
    request.save = true;
    request.filters = {{"Text Files (*.txt)", "*.txt"}, {"All Files (*.*)", "*.*"}};
    request.defaultName = kDefaultName;
    request.extension = kExtension;
    return request;
}

ExportOutcome ExportAnalysisData(const QVXSpecPlotFrame& plot, DrawContext& window,
                                 std::string* error)
{
    // The text is taken before the dialog runs: it is what the user saw when
    // choosing to export, not what the display moved on to meanwhile.
    std::string text;
    try
    {
        std::ostringstream out;
        plot.ExportText(out);
        text = std::move(out).str();
    }
    catch (const std::bad_alloc&)
    {
        return Fail(plot, "There is not enough memory to build the export.", error);
    }

    std::string path;
    if (!window.RunFileDialog(MakeExportDialogRequest(), path) || path.empty())
        return ExportOutcome::kCancelled;
    // Not every chooser adds the extension to a name typed without one.
    if (std::filesystem::path(path).extension().empty())
        path += kExtension;

    // A text file holds the text alone: no terminator after it.
    std::string reason;
    if (!Platform::SafeWriteFile(path, text, &reason))
        return Fail(plot, "The file could not be written: " + reason + ".", error);
    return ExportOutcome::kWritten;
}
