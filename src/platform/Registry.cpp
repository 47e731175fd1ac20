#include "platform/Registry.h"

#include "platform/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace Platform
{
namespace
{

struct Value
{
    std::string name; // empty: the key's default value
    std::string data;
};

struct Key
{
    std::string path;
    std::vector<Value> values;
};

bool SameName(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        return lower(x) == lower(y);
    });
}

std::string Quote(std::string_view text)
{
    std::string out = "\"";
    for (char c : text)
    {
        if (c == '\\' || c == '"')
            out += '\\';
        if (c == '\n' || c == '\r')
        {
            out += c == '\n' ? "\\n" : "\\r";
            continue;
        }
        out += c;
    }
    out += '"';
    return out;
}

// Reads a quoted string starting at pos (which holds the opening quote);
// leaves pos after the closing quote. False when it is not well formed.
bool Unquote(std::string_view line, std::size_t& pos, std::string& out)
{
    if (pos >= line.size() || line[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < line.size(); ++pos)
    {
        char c = line[pos];
        if (c == '"')
        {
            ++pos;
            return true;
        }
        if (c == '\\')
        {
            if (++pos >= line.size())
                return false;
            c = line[pos] == 'n' ? '\n' : line[pos] == 'r' ? '\r' : line[pos];
        }
        out += c;
    }
    return false;
}

std::vector<Key> ReadKeys(const std::filesystem::path& path)
{
    std::vector<Key> keys;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    Key* current = nullptr;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        {
            keys.push_back({line.substr(1, line.size() - 2), {}});
            current = &keys.back();
            continue;
        }
        if (!current || line.empty())
            continue;
        std::size_t pos = 0;
        Value value;
        if (line[0] == '@')
            pos = 1;
        else if (!Unquote(line, pos, value.name) || value.name.empty())
            continue;
        if (pos >= line.size() || line[pos] != '=')
            continue;
        ++pos;
        if (!Unquote(line, pos, value.data) || pos != line.size())
            continue;
        current->values.push_back(std::move(value));
    }
    return keys;
}

bool WriteKeys(const std::filesystem::path& path, const std::vector<Key>& keys)
{
    std::ostringstream text;
    for (const Key& key : keys)
    {
        text << '[' << key.path << "]\n";
        for (const Value& value : key.values)
            text << (value.name.empty() ? std::string("@") : Quote(value.name)) << '='
                 << Quote(value.data) << '\n';
        text << '\n';
    }
    return SafeWriteFile(path, text.str());
}

// Holds the registry's write lock for a scope; not locked when the lock file
// cannot be created (the change is then attempted unlocked, as before).
class WriteLock
{
public:
    explicit WriteLock(const std::filesystem::path& registry)
    {
        std::error_code error;
        if (registry.has_parent_path())
            std::filesystem::create_directories(registry.parent_path(), error);
        std::filesystem::path lock = registry;
        lock.replace_filename("registry.lock");
        mFd = ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        while (mFd >= 0 && ::flock(mFd, LOCK_EX) != 0 && errno == EINTR)
        {
        }
    }
    ~WriteLock()
    {
        if (mFd >= 0)
            ::close(mFd);
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

private:
    int mFd = -1;
};

Key* FindKey(std::vector<Key>& keys, std::string_view path)
{
    for (Key& key : keys)
    {
        if (SameName(key.path, path))
            return &key;
    }
    return nullptr;
}

} // namespace

std::filesystem::path UserConfigDirectory()
{
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config == '/')
        return config;
    if (const char* home = std::getenv("HOME"); home && *home)
        return std::filesystem::path(home) / ".config";
    return {};
}

std::filesystem::path Registry::DefaultPath()
{
    std::filesystem::path base = UserConfigDirectory();
    if (base.empty())
        base = ".config";
    return base / "quarvix" / "registry";
}

Registry::Registry() : mPath(DefaultPath()) {}

Registry::Registry(std::filesystem::path file) : mPath(std::move(file)) {}

std::optional<std::string> Registry::GetValue(std::string_view key, std::string_view valueName,
                                              std::size_t maxBytes) const
{
    std::vector<Key> keys = ReadKeys(mPath);
    const Key* found = FindKey(keys, key);
    if (!found)
        return std::nullopt;
    for (const Value& value : found->values)
    {
        if (!SameName(value.name, valueName))
            continue;
        if (value.data.size() + 1 > maxBytes)
            return std::nullopt;
        return value.data;
    }
    return std::nullopt;
}

bool Registry::SetValue(std::string_view key, std::string_view valueName, std::string_view value)
{
    // A key path with a line break or a closing bracket could not be read back.
    if (key.empty() || key.find_first_of("\r\n]") != std::string_view::npos)
        return false;
    WriteLock lock(mPath);
    std::vector<Key> keys = ReadKeys(mPath);
    Key* found = FindKey(keys, key);
    if (!found)
    {
        keys.push_back({std::string(key), {}});
        found = &keys.back();
    }
    auto existing = std::find_if(found->values.begin(), found->values.end(),
                                 [&](const Value& v) { return SameName(v.name, valueName); });
    if (existing != found->values.end())
        existing->data = std::string(value);
    else
        found->values.push_back({std::string(valueName), std::string(value)});
    return WriteKeys(mPath, keys);
}

bool Registry::DeleteValue(std::string_view key, std::string_view valueName)
{
    WriteLock lock(mPath);
    std::vector<Key> keys = ReadKeys(mPath);
    Key* found = FindKey(keys, key);
    if (!found)
        return false;
    auto existing = std::find_if(found->values.begin(), found->values.end(),
                                 [&](const Value& v) { return SameName(v.name, valueName); });
    if (existing == found->values.end())
        return false;
    found->values.erase(existing);
    return WriteKeys(mPath, keys);
}

} // namespace Platform
