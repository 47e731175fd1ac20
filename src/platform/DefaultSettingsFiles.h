#pragma once
// Files that hold a product's default settings: DIR/NAME.default, where DIR
// is the default (unnamed) value of a registry key, or the user's
// configuration directory's quarvix/ folder when the registry names none.
//
// Threads: UI thread; file I/O, never real-time safe.

#include "platform/Registry.h"

#include <string>
#include <string_view>

namespace Platform
{

// The longest directory text read from the registry, NUL included.
inline constexpr std::size_t kDefaultSettingsDirectoryMaxBytes = 2048;
// A default-settings file larger than this is not settings and is not read.
inline constexpr std::size_t kMaxDefaultSettingsBytes = 16u << 20;

// DIR/NAME.default; empty only when neither the registry nor the environment
// names a directory.
std::filesystem::path DefaultSettingsFilePath(const Registry& registry, std::string_view directoryKey,
                                              const std::string& name);

// Reads the whole file into text through one open descriptor (an empty file
// reads as an empty text). False when the file cannot be opened or read whole,
// or is larger than kMaxDefaultSettingsBytes.
bool LoadDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, std::string& text);

// Writes text as the whole file through SafeFileWriter, so a failed save
// keeps the previous defaults. When DIR does not exist it is created.
bool SaveDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, const std::string& text);

} // namespace Platform
