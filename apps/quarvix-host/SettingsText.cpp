#include "SettingsText.h"

#include "HostError.h"

#include "serialization/XMLArchive.h"
#include "serialization/XMLNodeTree.h"

using Serialization::XMLNodeTree;

std::pair<std::size_t, std::size_t> SettingsText::Find(std::initializer_list<std::string_view> objects,
                                                      std::string_view attribute) const
{
    std::size_t begin = 0;
    std::size_t end = 0;
    std::string path;
    try
    {
        // The tree holds positions into the text: it is made afresh for
        // every look, as each change moves what follows it.
        XMLNodeTree tree(mText);
        std::size_t node = tree.AddNode(XMLNodeTree::kRootNode, XMLNodeTree::FindRoot(mText));
        tree.Parse(node);
        for (std::string_view name : objects)
        {
            path += std::string(name) + "/";
            node = tree.FindChild(node, name);
            if (node == XMLNodeTree::kNoNode || tree.GetNode(node).kind != XMLNodeTree::kObjectNode)
                throw HostError("the plug-in's settings have no '" + path + "'");
        }
        path += std::string(attribute);
        node = tree.FindChild(node, attribute);
        if (node == XMLNodeTree::kNoNode || tree.GetNode(node).kind != XMLNodeTree::kAttributeNode)
            throw HostError("the plug-in's settings have no '" + path + "'");
        begin = tree.GetNode(node).tagEnd + 1;
        end = tree.GetNode(node).valueEnd;
    }
    catch (const Serialization::XMLArchive::ParseException& error)
    {
        throw HostError(std::string("the plug-in's settings cannot be read: ") + error.what());
    }
    return {begin, end};
}

std::string SettingsText::Get(std::initializer_list<std::string_view> objects, std::string_view attribute) const
{
    const auto [begin, end] = Find(objects, attribute);
    return mText.substr(begin, end - begin);
}

void SettingsText::Set(std::initializer_list<std::string_view> objects, std::string_view attribute,
                       std::string_view value)
{
    const auto [begin, end] = Find(objects, attribute);
    mText.replace(begin, end - begin, value);
}
