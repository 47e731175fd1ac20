#pragma once
// The registry stand-in: a small key/value file in the user's configuration
// directory, $XDG_CONFIG_HOME/quarvix/registry (~/.config/quarvix/registry
// when XDG_CONFIG_HOME is not set). Keys are backslash-separated paths such as
// "Software\Corvanel Sound\Default Settings"; each key has an unnamed
// (default) value and named string values. Key and value names compare
// without regard to ASCII case, as the registry they stand in for does.
//
// File format, one entry per line, in the style of a registry export:
//   [Software\Corvanel Sound\Default Settings]
//   @="/home/me/Quarvix Defaults"
//   "QVX Spectrum Analyzer"="/home/me/Settings"
// Inside quotes a backslash escapes a backslash, a quote, an n (line feed) or
// an r (carriage return). Lines that do not parse are skipped on reading and dropped on the
// next write.
//
// Tests and tools point it elsewhere by setting XDG_CONFIG_HOME or by
// constructing a Registry on another file.
//
// Threads: UI thread only; does file I/O, never real-time safe. Writers in
// several processes take turns under an exclusive lock on "registry.lock"
// beside the file, so each change is made to the latest text and none is
// lost; readers need no lock, since each write replaces the file whole.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace Platform
{

// $XDG_CONFIG_HOME when it is an absolute path (a relative one is ignored, as
// the XDG rules say), else ~/.config; empty when neither is known.
std::filesystem::path UserConfigDirectory();

class Registry
{
public:
    // The registry file of the current user (reads the environment each call).
    static std::filesystem::path DefaultPath();

    // The registry in DefaultPath().
    Registry();
    explicit Registry(std::filesystem::path file);

    const std::filesystem::path& GetPath() const { return mPath; }

    // A string value; an empty valueName means the key's default value.
    // Values of maxBytes bytes or more (counting the terminating NUL the
    // original store kept) do not fit and read as missing, as does a missing
    // key, value or file.
    std::optional<std::string> GetValue(std::string_view key, std::string_view valueName,
                                        std::size_t maxBytes) const;

    // Creates the key (and the file and its directory) as needed. False when
    // the file could not be written; the old file is then left untouched.
    bool SetValue(std::string_view key, std::string_view valueName, std::string_view value);

    // False when there was no such value or the file could not be written.
    bool DeleteValue(std::string_view key, std::string_view valueName);

private:
    std::filesystem::path mPath;
};

} // namespace Platform
