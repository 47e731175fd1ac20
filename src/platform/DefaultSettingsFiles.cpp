#include "platform/DefaultSettingsFiles.h"

#include "platform/SafeFile.h"

#include <system_error>

namespace Platform
{

namespace
{

// The directory the registry names, else (named false) the user's own.
std::filesystem::path DefaultSettingsDirectory(const Registry& registry, std::string_view directoryKey,
                                               bool& named)
{
    const std::optional<std::string> directory =
        registry.GetValue(directoryKey, std::string_view(), kDefaultSettingsDirectoryMaxBytes);
    named = directory && !directory->empty();
    if (named)
        return *directory;
    // Nobody chose a directory yet: defaults live with the user's other
    // settings, so that saving them works out of the box.
    const std::filesystem::path config = UserConfigDirectory();
    return config.empty() ? config : config / "quarvix";
}

} // namespace

std::filesystem::path DefaultSettingsFilePath(const Registry& registry, std::string_view directoryKey,
                                              const std::string& name)
{
    bool named = false;
    const std::filesystem::path directory = DefaultSettingsDirectory(registry, directoryKey, named);
    return directory.empty() ? directory : directory / (name + ".default");
}

bool LoadDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, std::string& text)
{
    const std::filesystem::path path = DefaultSettingsFilePath(registry, directoryKey, name);
    if (path.empty())
        return false;
    std::string error;
    return ReadWholeFile(path, text, error, kMaxDefaultSettingsBytes);
}

bool SaveDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, const std::string& text)
{
    bool named = false;
    const std::filesystem::path directory = DefaultSettingsDirectory(registry, directoryKey, named);
    if (directory.empty())
        return false;
    const std::filesystem::path path = directory / (name + ".default");
    if (SafeWriteFile(path, text))
        return true;
    std::error_code error;
    if (std::filesystem::exists(directory, error))
        return false;
    // A directory the user named is created, but not a missing parent of it
    // (a typing error should not grow a tree); our own is created whole.
    if (named)
        std::filesystem::create_directory(directory, error);
    else
        std::filesystem::create_directories(directory, error);
    return !error && SafeWriteFile(path, text);
}

} // namespace Platform
