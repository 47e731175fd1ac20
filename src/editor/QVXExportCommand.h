#pragma once
// The analyzer panel's export command: the plot's analysis data as a text
// file the user names.
//
// It builds the text (QVXSpecPlotFrame::ExportText), asks the window's file
// dialog for a place to save it ("QUARVIX Spectrum Export.txt" proposed, text
// files offered first) and writes the text there through the safe writer, so
// an existing file is replaced only by a complete new one. A cancelled dialog
// writes nothing; a failed write is reported through the plug-in core's
// error report (inside the editor while it is open) and leaves the target as
// it was.
//
// Threads: UI thread only; the dialog and the file I/O run on it.

#include <string>

class DrawContext;
class QVXSpecPlotFrame;
struct FileDialogRequest;

enum class ExportOutcome
{
    kWritten,
    kCancelled,
    kFailed,
};

// The save dialog's request: default name, extension and filters.
FileDialogRequest MakeExportDialogRequest();

// Runs the command. On kFailed, *error (when given) receives the reason,
// which has been reported as well.
ExportOutcome ExportAnalysisData(const QVXSpecPlotFrame& plot, DrawContext& window,
                                 std::string* error = nullptr);
