#pragma once
// A file dialog service for tests: answers every dialog with `answer`, or
// cancels it when there is none, and keeps what each dialog was asked.

#include "gui/WindowContext.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

using Pairs = std::vector<std::pair<std::string, std::string>>;

struct ScriptedDialogs : DialogService
{
    bool RunFileDialog(const FileDialogRequest& request, std::string& path) override
    {
        asked.push_back(request);
        if (answer)
            path = *answer;
        return answer.has_value();
    }
    // The (label, pattern) filters dialog i offered.
    Pairs Filters(std::size_t i) const
    {
        Pairs filters;
        for (const auto& filter : asked.at(i).filters)
            filters.emplace_back(filter.label, filter.pattern);
        return filters;
    }
    std::optional<std::string> answer;
    std::vector<FileDialogRequest> asked;
};
