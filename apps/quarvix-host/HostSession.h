#pragma once
// What the commands that render share: one real-time instance of the plug-in
// for a channel count, rate and block size, its settings chunk in and out,
// and the rules for input and output files.
//
// Threads: main thread.

#include "PluginModule.h"

#include "hostlib/EffectEngine.h"
#include "platform/SafeFile.h"

#include <string>

// Removes an instance when the command ends, however it ends.
struct InstanceHolder
{
    HostLib::EffectEngine& engine;
    HostLib::EffectInstance* instance;
    ~InstanceHolder()
    {
        if (instance)
            engine.DestroyInstance(instance);
    }
};

// Throws HostError unless the block size is one the commands accept.
void CheckBlockSize(int blockSize);

// An instance of the real-time process type for `channels` in and out, at
// the rate and block size; throws HostError with the reason when the plug-in
// has no such type or refuses the format. type receives the type chosen.
HostLib::EffectInstance* CreateRealtimeInstance(HostLib::EffectEngine& engine, int channels, int sampleRate,
                                                int blockSize, HostLib::EffectTypeInfo& type);

// A settings file as the plug-in's chunk text: read whole through one
// descriptor, refused when it is a directory, empty, or too large to be settings.
std::string ReadSettingsFile(const std::string& path);

// The instance's whole settings as text, and back: a text the plug-in refuses
// (it says so through a message box) throws HostError naming `source`.
std::string GetSettingsText(HostLib::EffectInstance& instance);
void SetSettingsText(HostLib::EffectInstance& instance, const StandardErrorHost& host, const std::string& text,
                     const std::string& source);

// Opens an output; refuses targets that are not a regular file of their own.
void OpenOutput(Platform::SafeFileWriter& writer, const std::string& path);

// "3.5" for 3.5, "48000" for 48000: the shortest text that reads back.
std::string Number(double value);
