#include "serialization/XMLNodeTree.h"

#include "serialization/NumberText.h"
#include "serialization/XMLArchive.h"

#include <algorithm>
#include <string>
#include <utility>

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

std::uint32_t ToOffset(std::size_t position) noexcept
{
    // Every position of an accepted text fits; kNoPosition becomes kNone.
    return position >= XMLNodeTree::Node::kNone ? XMLNodeTree::Node::kNone : static_cast<std::uint32_t>(position);
}

} // namespace

XMLNodeTree::XMLNodeTree(std::string_view text) : mText(text)
{
    RequireTextSize(text.size());
}

void XMLNodeTree::RequireTextSize(std::size_t length)
{
    static_assert(kMaxSettingsTextBytes < Node::kNone, "positions must fit in 32 bits");
    CVN_REQUIRE_AS(ParseException, length <= kMaxSettingsTextBytes,
                   "archive text larger than " + std::to_string(kMaxSettingsTextBytes) + " bytes");
}

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
    node.tagStart = ToOffset(tagStart);
    mNodes.push_back(node);
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
    n.tagEnd = static_cast<std::uint32_t>(FindTagClose(std::size_t{n.tagStart} + 1));
}

bool XMLNodeTree::IsTagAt(std::size_t position, std::string_view tagName) const
{
    if (mText.compare(position, tagName.size(), tagName) != 0)
        return false;
    // Exact tag names only: "<objects" is some other tag, not an object.
    const std::size_t after = position + tagName.size();
    return after >= mText.size() || IsSpace(mText[after]) || mText[after] == '>' || mText[after] == '/';
}

std::string_view XMLNodeTree::GetName(std::size_t node) const
{
    const Node& n = mNodes.at(node);
    return mText.substr(n.nameStart, n.nameLength);
}

std::string_view XMLNodeTree::GetTagText(std::size_t node) const
{
    const Node& n = mNodes.at(node);
    if (n.tagStart == Node::kNone || n.tagEnd == Node::kNone)
        return {};
    return mText.substr(n.tagStart, n.tagEnd - n.tagStart + 1);
}

std::string_view XMLNodeTree::GetValue(std::size_t node) const
{
    const Node& n = mNodes.at(node);
    // Only an attribute that was parsed has a value.
    if (n.kind != kAttributeNode || n.tagEnd == Node::kNone || n.valueEnd <= n.tagEnd)
        return {};
    return mText.substr(std::size_t{n.tagEnd} + 1, n.valueEnd - n.tagEnd - 1);
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
    return ParseUnsignedText(text, 10);
}

std::size_t XMLNodeTree::OpenNode(std::size_t node, std::vector<std::size_t>& openNodes)
{
    const int kind = mNodes[node].kind;
    if (kind != kRootNode && kind != kObjectNode && kind != kAttributeNode)
        throw ParseException("encountered unknown node type: " + std::to_string(kind), "known node kind");
    FindTagEnd(node);
    if (const auto name = GetTagAttribute(node, "name"))
    {
        mNodes[node].nameStart = static_cast<std::uint32_t>(name->data() - mText.data());
        mNodes[node].nameLength = static_cast<std::uint32_t>(name->size());
    }

    Node& n = mNodes[node];
    if (kind != kAttributeNode)
    {
        openNodes.push_back(node);
        return n.tagEnd + 1;
    }
    constexpr std::string_view kAttributeEnd = "</att>";
    const std::size_t end = mText.find(kAttributeEnd, std::size_t{n.tagEnd} + 1);
    CVN_REQUIRE_AS(ParseException, end != std::string_view::npos, "expected '</att>', got to end of archive");
    n.valueEnd = static_cast<std::uint32_t>(end);
    return end + kAttributeEnd.size();
}

void XMLNodeTree::CloseObject(std::size_t node)
{
    if (const auto id = GetTagAttribute(node, "id"))
        mIdIndex.push_back({ParseDecimalId(*id), static_cast<std::uint32_t>(mIdIndex.size()),
                            static_cast<std::uint32_t>(node)});
}

void XMLNodeTree::ReserveFor(std::size_t from)
{
    // Each node starts with one of these tags, so counting them first lets the
    // arrays be allocated once, at their size, instead of growing by doubling.
    // Tags inside attribute values count too; but a text that parses holds no
    // more nodes than its shortest form, "<att></att>", fits into it, which
    // bounds what a hostile text can make us reserve.
    std::size_t objects = 0;
    std::size_t attributes = 0;
    for (std::size_t at = mText.find('<', from); at != std::string_view::npos; at = mText.find('<', at + 1))
    {
        if (IsTagAt(at, "<obj"))
            ++objects;
        else if (IsTagAt(at, "<att"))
            ++attributes;
    }
    constexpr std::size_t kShortestNode = 11;
    const std::size_t most = (mText.size() - std::min(from, mText.size())) / kShortestNode + 1;
    mNodes.reserve(mNodes.size() + std::min(objects + attributes, most));
    mIdIndex.reserve(mIdIndex.size() + std::min(objects, most));
}

void XMLNodeTree::BuildIndexes()
{
    const auto key = [this](std::uint32_t node) { return std::pair(mNodes[node].parent, GetName(node)); };
    mChildIndex.clear();
    mChildIndex.reserve(mNodes.size());
    for (std::size_t node = 0; node < mNodes.size(); ++node)
    {
        if (mNodes[node].parent != Node::kNone)
            mChildIndex.push_back(static_cast<std::uint32_t>(node));
    }
    // Ties by node number: the first child of a name in the text is the one found.
    std::sort(mChildIndex.begin(), mChildIndex.end(), [&](std::uint32_t a, std::uint32_t b) {
        const auto keyA = key(a);
        const auto keyB = key(b);
        return keyA != keyB ? keyA < keyB : a < b;
    });
    // In place, as every sort here: no temporary buffer beside the arrays.
    std::sort(mIdIndex.begin(), mIdIndex.end(), [](const IdEntry& a, const IdEntry& b) {
        return std::pair(a.id, a.closing) < std::pair(b.id, b.closing);
    });
}

void XMLNodeTree::Parse(std::size_t node)
{
    if (node >= mNodes.size() || mNodes[node].tagStart == Node::kNone)
        throw Cvn::Exception("node is null, or start is null", "node != null && node->start != null");

    ReserveFor(mNodes[node].tagStart);
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
        mNodes[child].parent = static_cast<std::uint32_t>(current);
        position = OpenNode(child, openNodes);
    }
    BuildIndexes();
}

std::size_t XMLNodeTree::FindChild(std::size_t node, std::string_view name) const
{
    if (node >= mNodes.size())
        return kNoNode;
    const std::pair wanted(static_cast<std::uint32_t>(node), name);
    const auto it = std::lower_bound(mChildIndex.begin(), mChildIndex.end(), wanted,
                                     [this](std::uint32_t child, const auto& key) {
                                         return std::pair(mNodes[child].parent, GetName(child)) < key;
                                     });
    if (it == mChildIndex.end() || mNodes[*it].parent != node || GetName(*it) != name)
        return kNoNode;
    return *it;
}

std::size_t XMLNodeTree::FindObjectById(std::uint64_t id) const
{
    // The last entry of the id is the object that closed last.
    auto it = std::upper_bound(mIdIndex.begin(), mIdIndex.end(), id,
                               [](std::uint64_t wanted, const IdEntry& entry) { return wanted < entry.id; });
    if (it == mIdIndex.begin() || (--it)->id != id)
        return kNoNode;
    return it->node;
}

} // namespace Serialization
