#pragma once
// Changes single values of a settings text the plug-in gave, leaving every
// other byte as the plug-in wrote it, so that the plug-in reads back exactly
// its own settings with the named values changed. A value is found by the
// names of the objects that hold it, from the archive's root, and its own
// attribute name.
//
// Threads: any; no shared state.

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

class SettingsText
{
public:
    explicit SettingsText(std::string text) : mText(std::move(text)) {}

    // Both throw HostError when an object or the attribute is not there.
    std::string Get(std::initializer_list<std::string_view> objects, std::string_view attribute) const;
    void Set(std::initializer_list<std::string_view> objects, std::string_view attribute,
             std::string_view value);

    const std::string& GetText() const { return mText; }

private:
    // Where the attribute's value lies in the text: [first, second).
    std::pair<std::size_t, std::size_t> Find(std::initializer_list<std::string_view> objects,
                                             std::string_view attribute) const;

    std::string mText;
};
