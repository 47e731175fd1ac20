#pragma once
// The reading side of XMLArchive: a lenient scanner that turns archive text
// into a tree of root, object and attribute nodes, indexed by name within each
// object and by object id. It is not a general XML parser: it knows the tags
// "obj", "att" and the closing tags of objects and of the root, and skips any
// other tag.
//
// The scan is one forward pass with an explicit stack, and nodes live in one
// flat array, so neither parsing nor destroying a deeply nested text uses the
// call stack. Every search is bounded by the end of the text, which need not be
// NUL-terminated.
//
// A node holds positions in the text, never copies of it, and the name and id
// indexes are sorted arrays built once a parse is complete: a settings text
// has tens of bytes per node, and the tree must stay a small multiple of it.
// Positions take 32 bits, which is why texts beyond kMaxSettingsTextBytes are
// refused.
//
// Threads: UI thread only. Not real-time safe.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace Serialization
{

class XMLNodeTree
{
public:
    static constexpr int kRootNode = 0;
    static constexpr int kObjectNode = 1;
    static constexpr int kAttributeNode = 2;
    static constexpr std::size_t kNoNode = static_cast<std::size_t>(-1);
    static constexpr std::size_t kNoPosition = static_cast<std::size_t>(-1);

    struct Node
    {
        static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

        std::int32_t kind = kRootNode;
        std::uint32_t tagStart = kNone; // the '<' of the start tag
        std::uint32_t tagEnd = kNone;   // the '>' that ends it
        std::uint32_t valueEnd = 0;     // attributes: the value runs from after tagEnd up to the '<' of "</att>"
        std::uint32_t nameStart = 0;    // the name, inside the start tag
        std::uint32_t nameLength = 0;
        std::uint32_t parent = kNone;   // the object or root this node was found in
    };

    // The text must outlive the tree. Texts longer than kMaxSettingsTextBytes
    // are refused with XMLArchive::ParseException.
    explicit XMLNodeTree(std::string_view text);

    // Refuses, with XMLArchive::ParseException, a text too long to be settings.
    static void RequireTextSize(std::size_t length);

    // Position of the root's start tag: the first tag whose name begins with a
    // letter, among the first 1000 tags of the text.
    static std::size_t FindRoot(std::string_view text);

    std::size_t AddNode(int kind, std::size_t tagStart);
    // Finds the end of the node's start tag.
    void FindTagEnd(std::size_t node);
    // Parses the node and everything inside it.
    void Parse(std::size_t node);

    const Node& GetNode(std::size_t node) const { return mNodes.at(node); }
    std::size_t GetNodeCount() const noexcept { return mNodes.size(); }
    std::string_view GetName(std::size_t node) const;
    std::string_view GetTagText(std::size_t node) const;
    std::string_view GetValue(std::size_t node) const;
    // The value of `key` in the node's start tag, if the key is there.
    std::optional<std::string_view> GetTagAttribute(std::size_t node, std::string_view key) const;
    static std::optional<std::string_view> GetTagAttribute(std::string_view tag, std::string_view key);

    // A decimal number as by strtoull with base 10 (leading zeros are not octal).
    static std::uint64_t ParseDecimalId(std::string_view text);

    // The first child of that name, in the order of the text.
    std::size_t FindChild(std::size_t node, std::string_view name) const;
    // The object of that id that closed last.
    std::size_t FindObjectById(std::uint64_t id) const;

private:
    std::size_t OpenNode(std::size_t node, std::vector<std::size_t>& openNodes);
    void CloseObject(std::size_t node);
    bool IsTagAt(std::size_t position, std::string_view tagName) const;
    std::size_t FindTagClose(std::size_t from) const;
    // Makes room for every node and id a parse from `from` can find.
    void ReserveFor(std::size_t from);
    void BuildIndexes();

    std::string_view mText;
    std::vector<Node> mNodes;
    // Every node that has a parent, sorted by parent, name and node.
    std::vector<std::uint32_t> mChildIndex;
    struct IdEntry
    {
        std::uint64_t id;
        std::uint32_t closing; // objects sharing an id: the one that closed last wins
        std::uint32_t node;
    };
    // Appended as objects close; sorted by id and closing at the end of a parse.
    std::vector<IdEntry> mIdIndex;
};

} // namespace Serialization
