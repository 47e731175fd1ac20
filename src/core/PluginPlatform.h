#pragma once
// What the plug-in core asks of the host side. The host adaptation implements
// it for each instance; tests use a recording implementation.
//
// Threads: every operation is called on the UI (main) thread, never from
// Process.

#include <cstdint>
#include <string>

class PluginPlatform
{
public:
    virtual ~PluginPlatform() = default;

    // Default settings stored per product under NAME. Load fills `text` and
    // returns true when a file was read; false when there is none.
    virtual bool LoadDefaultSettings(const std::string& name, std::string& text) = 0;
    virtual bool SaveDefaultSettings(const std::string& name, const std::string& text) = 0;

    // A parameter the plug-in itself changed (descriptor index, new value);
    // the host adaptation passes it on to the host's control.
    virtual void OnPluginParameterChanged(std::int32_t parameterIndex, float value) = 0;

    // For parameters that need confirmation: may the host change this one now?
    virtual bool IsParameterChangeAllowed(std::int32_t parameterIndex) = 0;

    // A message box for errors when no editor is open. Severity: 0 warning,
    // 1 information, 2 error.
    virtual void ShowError(const std::string& title, const std::string& message, std::int32_t code,
                           std::int32_t severity) = 0;

    virtual std::string GetHostName() const = 0;

    // Frames of pre-roll the offline host feeds before the real output; 0 when
    // it does not say.
    virtual std::int32_t GetPrerollLength() const = 0;

    // Whether the host is delivering audio now (the display waits for
    // analysis while it is, and holds still when it is not).
    virtual bool IsAudioRunning() const { return false; }
};
