#include "platform/DefaultSettingsFiles.h"

#include <cstdio>
#include <system_error>
#include <unistd.h>

namespace Platform
{
namespace
{

struct FileCloser
{
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Creates the file (truncating any earlier one) and writes text whole.
bool WriteWhole(const std::filesystem::path& path, const std::string& text, bool& couldNotCreate)
{
    std::FILE* raw = std::fopen(path.c_str(), "wb");
    couldNotCreate = raw == nullptr;
    if (!raw)
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(raw);
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), file.get()) != text.size())
        return false;
    return std::fclose(file.release()) == 0;
}

} // namespace

std::filesystem::path DefaultSettingsFilePath(const Registry& registry, std::string_view directoryKey,
                                              const std::string& name)
{
    const std::optional<std::string> directory =
        registry.GetValue(directoryKey, std::string_view(), kDefaultSettingsDirectoryMaxBytes);
    if (!directory || directory->empty())
        return {};
    return std::filesystem::path(*directory) / (name + ".default");
}

bool LoadDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, std::string& text)
{
    const std::filesystem::path path = DefaultSettingsFilePath(registry, directoryKey, name);
    if (path.empty())
        return false;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return false;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;
    const auto size = std::filesystem::file_size(path, error);
    if (error)
        return false;
    std::string content(static_cast<std::size_t>(size), '\0');
    if (size > 0 && std::fread(content.data(), 1, content.size(), file.get()) != content.size())
        return false;
    text = std::move(content);
    return true;
}

bool SaveDefaultSettingsFile(const Registry& registry, std::string_view directoryKey,
                             const std::string& name, const std::string& text)
{
    const std::filesystem::path path = DefaultSettingsFilePath(registry, directoryKey, name);
    if (path.empty())
        return false;
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(::getpid());

    bool couldNotCreate = false;
    bool written = WriteWhole(temporary, text, couldNotCreate);
    if (!written && couldNotCreate)
    {
        std::error_code error;
        std::filesystem::create_directory(path.parent_path(), error);
        written = WriteWhole(temporary, text, couldNotCreate);
    }
    std::error_code error;
    if (written)
    {
        std::filesystem::rename(temporary, path, error);
        if (!error)
            return true;
    }
    std::filesystem::remove(temporary, error);
    return false;
}

} // namespace Platform
