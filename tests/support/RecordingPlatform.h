#pragma once
// A PluginPlatform that records what the core asks of the host side.

#include "core/PluginPlatform.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

struct RecordingPlatform : PluginPlatform
{
    struct ParameterReport
    {
        std::int32_t index;
        float value;
    };
    struct ErrorReport
    {
        std::string title, message;
        std::int32_t code, severity;
    };

    std::vector<ParameterReport> parameterReports;
    std::vector<ErrorReport> errors;
    std::map<std::string, std::string> defaults;
    bool allowChanges = true;
    std::vector<std::int32_t> confirmationsAsked; // parameter indices, in asking order
    std::int32_t prerollLength = 0;
    // Called from OnPluginParameterChanged, e.g. to echo a change back as the host would.
    std::function<void(std::int32_t, float)> onParameterChanged;

    bool LoadDefaultSettings(const std::string& name, std::string& text) override
    {
        const auto found = defaults.find(name);
        if (found == defaults.end())
            return false;
        text = found->second;
        return true;
    }
    bool SaveDefaultSettings(const std::string& name, const std::string& text) override
    {
        defaults[name] = text;
        return true;
    }
    void OnPluginParameterChanged(std::int32_t index, float value) override
    {
        parameterReports.push_back({index, value});
        if (onParameterChanged)
            onParameterChanged(index, value);
    }
    bool IsParameterChangeAllowed(std::int32_t index) override
    {
        confirmationsAsked.push_back(index);
        return allowChanges;
    }
    void ShowError(const std::string& title, const std::string& message, std::int32_t code,
                   std::int32_t severity) override
    {
        errors.push_back({title, message, code, severity});
    }
    std::string GetHostName() const override { return "Test Host"; }
    std::int32_t GetPrerollLength() const override { return prerollLength; }
};
