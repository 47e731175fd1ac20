#pragma once
// A file dialog service for tests: answers every dialog with `answer`, or
// cancels it when there is none, and keeps what each dialog was asked.

#include "gui/WindowContext.h"

#include <optional>
#include <string>
#include <vector>

struct ScriptedDialogs : DialogService
{
    bool RunFileDialog(const FileDialogRequest& request, std::string& path) override
    {
        asked.push_back(request);
        if (answer)
            path = *answer;
        return answer.has_value();
    }
    std::optional<std::string> answer;
    std::vector<FileDialogRequest> asked;
};
