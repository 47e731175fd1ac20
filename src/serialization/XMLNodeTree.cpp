#include "serialization/XMLNodeTree.h"

#include "serialization/XMLArchive.h"

#include <cstdlib>

namespace Serialization
{

namespace
{

using ParseException = XMLArchive::ParseException;

constexpr int kMaxRootSearchTags = 1000;

bool IsSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

bool IsAsciiLetter(char c) noexcept
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace

std::size_t XMLNodeTree::FindRoot(std::string_view text)
{
    std::size_t position = 0;
    for (int tag = 0; tag < kMaxRootSearchTags; ++tag)
    {
        const std::size_t open = text.find('<', position);
        if (open == std::string_view::npos)
            break;
        if (open + 1 < text.size() && IsAsciiLetter(text[open + 1]))
            return open;
        const std::size_t close = text.find('>', open + 1);
        if (close == std::string_view::npos)
            break;
        position = close + 1;
    }
    throw ParseException("cant find root node, may not be archive data", "root tag within the first 1000 tags");
}

std::size_t XMLNodeTree::AddNode(int kind, std::size_t tagStart)
{
    Node node;
    node.kind = kind;
    node.tagStart = tagStart;
    mNodes.push_back(std::move(node));
    return mNodes.size() - 1;
}

std::size_t XMLNodeTree::FindTagClose(std::size_t from) const
{
    const std::size_t close = from < mText.size() ? mText.find('>', from) : std::string_view::npos;
    CVN_REQUIRE_AS(ParseException, close != std::string_view::npos, "expected '>', got to end of archive");
    return close;
}

void XMLNodeTree::FindTagEnd(std::size_t node)
{
    Node& n = mNodes.at(node);
    n.tagEnd = FindTagClose(n.tagStart + 1);
}

bool XMLNodeTree::IsTagAt(std::size_t position, std::string_view tagName) const
{
    if (mText.compare(position, tagName.size(), tagName) != 0)
        return false;
    // Exact tag names only: "<objects" is some other tag, not an object.
    const std::size_t after = position + tagName.size();
    return after >= mText.size() || IsSpace(mText[after]) || mText[after] == '>' || mText[after] == '/';
}

std::string_view XMLNodeTree::GetTagText(std::size_t node) const
{
    const Node& n = mNodes.at(node);
    if (n.tagStart == kNoPosition || n.tagEnd == kNoPosition)
        return {};
    return mText.substr(n.tagStart, n.tagEnd - n.tagStart + 1);
}

std::string_view XMLNodeTree::GetValue(std::size_t node) const
{
    const Node& n = mNodes.at(node);
    return mText.substr(n.valueStart, n.valueEnd - n.valueStart);
}

std::optional<std::string_view> XMLNodeTree::GetTagAttribute(std::size_t node, std::string_view key) const
{
    return GetTagAttribute(GetTagText(node), key);
}

std::optional<std::string_view> XMLNodeTree::GetTagAttribute(std::string_view tag, std::string_view key)
{
    for (std::size_t at = tag.find(key); at != std::string_view::npos; at = tag.find(key, at + 1))
    {
        const std::size_t equals = at + key.size();
        // The key as a whole word followed by '=': "id" must not match in "vid=".
        if (at == 0 || !IsSpace(tag[at - 1]) || equals >= tag.size() || tag[equals] != '=')
            continue;
        const std::size_t open = tag.find('"', equals + 1);
        CVN_REQUIRE_AS(ParseException, open != std::string_view::npos,
                       "cant find any attribute value in quotes \"*\" for attribute '" + std::string(key) +
                           "'\ncurrent node is : \n" + std::string(tag));
        const std::size_t close = tag.find('"', open + 1);
        CVN_REQUIRE_AS(ParseException, close != std::string_view::npos,
                       "cant find matching quote pair.\ncurrent node is : \n" + std::string(tag));
        return tag.substr(open + 1, close - open - 1);
    }
    return std::nullopt;
}

std::uint64_t XMLNodeTree::ParseDecimalId(std::string_view text)
{
    // The value is copied: the archive text need not end with a NUL.
    const std::string digits(text);
    return std::strtoull(digits.c_str(), nullptr, 10);
}

std::size_t XMLNodeTree::OpenNode(std::size_t node, std::vector<std::size_t>& openNodes)
{
    const int kind = mNodes[node].kind;
    if (kind != kRootNode && kind != kObjectNode && kind != kAttributeNode)
        throw ParseException("encountered unknown node type: " + std::to_string(kind), "known node kind");
    FindTagEnd(node);
    if (const auto name = GetTagAttribute(node, "name"))
        mNodes[node].name = std::string(*name);

    Node& n = mNodes[node];
    if (kind != kAttributeNode)
    {
        openNodes.push_back(node);
        return n.tagEnd + 1;
    }
    constexpr std::string_view kAttributeEnd = "</att>";
    const std::size_t end = mText.find(kAttributeEnd, n.tagEnd + 1);
    CVN_REQUIRE_AS(ParseException, end != std::string_view::npos, "expected '</att>', got to end of archive");
    n.valueStart = n.tagEnd + 1;
    n.valueEnd = end;
    return end + kAttributeEnd.size();
}

void XMLNodeTree::CloseObject(std::size_t node)
{
    if (const auto id = GetTagAttribute(node, "id"))
        mIdIndex.insert_or_assign(ParseDecimalId(*id), node);
}

void XMLNodeTree::Parse(std::size_t node)
{
    if (node >= mNodes.size() || mNodes[node].tagStart == kNoPosition)
        throw Cvn::Exception("node is null, or start is null", "node != null && node->start != null");

    std::vector<std::size_t> openNodes;
    std::size_t position = OpenNode(node, openNodes);
    while (!openNodes.empty())
    {
        const std::size_t current = openNodes.back();
        const std::size_t open = mText.find('<', position);
        CVN_REQUIRE_AS(ParseException, open != std::string_view::npos, "expected '<', got to end of archive");

        if (open + 1 < mText.size() && mText[open + 1] == '/')
        {
            const int kind = mNodes[current].kind;
            const bool ends = (kind == kObjectNode && IsTagAt(open, "</obj")) ||
                              (kind == kRootNode && IsTagAt(open, "</obj_archive"));
            position = FindTagClose(open + 1) + 1;
            if (ends)
            {
                if (kind == kObjectNode)
                    CloseObject(current);
                openNodes.pop_back();
            }
            continue;
        }

        int childKind = -1;
        if (IsTagAt(open, "<obj"))
            childKind = kObjectNode;
        else if (IsTagAt(open, "<att"))
            childKind = kAttributeNode;
        if (childKind < 0)
        {
            position = FindTagClose(open + 1) + 1;
            continue;
        }
        const std::size_t child = AddNode(childKind, open);
        position = OpenNode(child, openNodes);
        mNodes[current].children.emplace(mNodes[child].name, child);
    }
}

std::size_t XMLNodeTree::FindChild(std::size_t node, std::string_view name) const
{
    if (node >= mNodes.size())
        return kNoNode;
    const auto& children = mNodes[node].children;
    const auto it = children.find(name);
    return it == children.end() ? kNoNode : it->second;
}

std::size_t XMLNodeTree::FindObjectById(std::uint64_t id) const
{
    const auto it = mIdIndex.find(id);
    return it == mIdIndex.end() ? kNoNode : it->second;
}

} // namespace Serialization
