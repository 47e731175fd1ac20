#pragma once
// Files that hold a product's default settings: DIR/NAME.default, where DIR
// is the default (unnamed) value of a registry key. Without that value both
// loading and saving fail.
//
// Threads: UI thread; file I/O, never real-time safe.

#include "platform/Registry.h"

#include <string>
#include <string_view>

namespace Platform
{

// The longest directory text read from the registry, NUL included.
inline constexpr std::size_t kDefaultSettingsDirectoryMaxBytes = 2048;

// DIR/NAME.default, or empty when the registry does not name DIR.
std::filesystem::path DefaultSettingsFilePath(const Registry& registry, std::string_view directoryKey,
                                              const std::string& name);

// Reads the whole file into text (an empty file reads as an empty text).
// False when DIR is not set or the file cannot be opened or read whole.
bool LoadDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, std::string& text);

// Writes text as the whole file. When the file cannot be created, DIR is
// created and the file tried once more. The text goes to a temporary file
// beside the target that replaces it only once written whole, so a failed
// save keeps the previous defaults.
bool SaveDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, const std::string& text);

} // namespace Platform
