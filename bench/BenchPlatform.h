#pragma once
// The host side a benchmark needs: no default settings, no boxes, no host.

#include "core/PluginPlatform.h"

#include <string>

struct SilentPlatform : PluginPlatform
{
    bool LoadDefaultSettings(const std::string&, std::string&) override { return false; }
    bool SaveDefaultSettings(const std::string&, const std::string&) override { return false; }
    void OnPluginParameterChanged(std::int32_t, float) override {}
    bool IsParameterChangeAllowed(std::int32_t) override { return true; }
    void ShowError(const std::string&, const std::string&, std::int32_t, std::int32_t) override {}
    std::string GetHostName() const override { return "bench"; }
    std::int32_t GetPrerollLength() const override { return 0; }
};
