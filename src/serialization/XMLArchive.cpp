#include "serialization/XMLArchive.h"

#include "serialization/NumberText.h"

#include <cmath>
#include <cstdio>
#include <limits>

namespace Serialization
{

namespace
{

// The sixteen digits of written binary data, then the characters that no
// written string may contain (the apostrophe twice, as it always has been).
constexpr char kHexDigitsAndIllegalCharacters[] = "0123456789ABCDEF&<>\"''";
static_assert(sizeof(kHexDigitsAndIllegalCharacters) - 1 == 22);
constexpr std::string_view kIllegalCharacters{kHexDigitsAndIllegalCharacters + 16, 6};

constexpr std::size_t kBinaryBytesPerLine = 32;

std::string Quoted(std::string_view prefix, std::string_view name)
{
    std::string text(prefix);
    text += name;
    text += '\'';
    return text;
}

std::int32_t ToInt32(std::int64_t value) noexcept
{
    // Saturates like strtol on a platform whose long has 32 bits.
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int64_t DoubleToInt64(double value) noexcept
{
    // Converting a double out of range is undefined; text from outside may hold anything.
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

std::int64_t ParseInt64(std::string_view text)
{
    // A plain integer is taken exactly: going through a double, as the rest of
    // the number forms do, would lose every value beyond 2^53.
    const char* const last = text.data() + text.size();
    const char* integerEnd = nullptr;
    const char* realEnd = nullptr;
    const std::int64_t asInteger = ParseIntegerText(text.data(), last, 10, &integerEnd);
    const double asReal = ParseRealText(text.data(), last, &realEnd);
    if (integerEnd == realEnd)
        return asInteger;
    return DoubleToInt64(asReal);
}

template <class T>
T FromDouble(double value) noexcept
{
    if constexpr (std::is_same_v<T, float>)
        return ToFloatSaturating(value);
    else
        return value;
}

bool IsSpace(char c) noexcept
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Numbers are written in the archive's own forms, never through the stream's
// formatting: its locale could write "0,5" or "4.096".
FormattedNumber Real(double value, bool fixedDecimals) noexcept
{
    return fixedDecimals ? FormattedNumber::Fixed(value, 16) : FormattedNumber::General(value, 6);
}

} // namespace

// ---------------------------------------------------------------- construction

XMLArchive::XMLArchive(std::ostream& out, std::string archiveTypeName, bool suppressDeclaration)
    : mOut(&out), mSuppressDeclaration(suppressDeclaration)
{
    SetArchiveTypeName(std::move(archiveTypeName));
    mAttributeNames.emplace_back();
}

XMLArchive::XMLArchive(const char* text, std::size_t length, ObjectFactory* objectFactory)
    : Archive(objectFactory)
{
    CVN_REQUIRE(text != nullptr, "the input stream is null!");
    XMLNodeTree::RequireTextSize(length);
    mText.emplace(text, length);
    mRootStart = XMLNodeTree::FindRoot(*mText);
    XMLNodeTree tree(*mText);
    const std::size_t root = tree.AddNode(XMLNodeTree::kRootNode, mRootStart);
    tree.FindTagEnd(root);
    if (const auto type = tree.GetTagAttribute(root, "type"))
        SetArchiveTypeName(std::string(*type));
}

XMLArchive::~XMLArchive() = default;

// ---------------------------------------------------------------- writing

bool XMLArchive::IsWritableString(std::string_view text) noexcept
{
    return text.find_first_of(kIllegalCharacters) == std::string_view::npos;
}

void XMLArchive::RequireWritable() const
{
    CVN_REQUIRE(mOut != nullptr, "archive created as read-only");
}

void XMLArchive::BeginWriting()
{
    RequireWritable();
    if (!mSuppressDeclaration)
        *mOut << "<?xml version=\"1.0\"?>\n";
    *mOut << "<obj_archive type=\"" << GetArchiveTypeName() << "\">\n";
    mAttributeNames.assign(1, {});
}

void XMLArchive::EndWriting()
{
    RequireWritable();
    *mOut << "</obj_archive>\n";
    mOut->flush();
    mOut->put('\0');
}

void XMLArchive::BeginAttribute(std::string_view name, std::string_view type, std::string_view sizeKey,
                                std::size_t size)
{
    RequireWritable();
    auto& names = mAttributeNames.back();
    const bool unique = names.insert(std::string(name)).second;
    CVN_REQUIRE(unique, "attribute name is not unique within current scope: " + std::string(name));
    *mOut << mIndent << "<att name=\"" << name << "\" type=\"" << type << '"';
    if (!sizeKey.empty())
        *mOut << ' ' << sizeKey << "=\"" << FormattedNumber::Unsigned(size) << '"';
    *mOut << '>';
}

void XMLArchive::EndScalarAttribute()
{
    *mOut << "</att>\n";
}

void XMLArchive::WriteBool(std::string_view name, bool value)
{
    BeginAttribute(name, "bool");
    *mOut << (value ? "true" : "false");
    EndScalarAttribute();
}

void XMLArchive::WriteInt(std::string_view name, std::int32_t value)
{
    BeginAttribute(name, "i");
    *mOut << FormattedNumber::Integer(value);
    EndScalarAttribute();
}

void XMLArchive::WriteInt64(std::string_view name, std::int64_t value)
{
    BeginAttribute(name, "i64");
    *mOut << FormattedNumber::Integer(value);
    EndScalarAttribute();
}

void XMLArchive::WriteDouble(std::string_view name, double value)
{
    BeginAttribute(name, "f");
    // Stays in force for every later number of the archive, vectors included.
    mFixedDecimals = true;
    *mOut << Real(value, mFixedDecimals);
    EndScalarAttribute();
}

template <class T>
void XMLArchive::WriteVector(std::string_view name, const std::vector<T>& values)
{
    BeginAttribute(name, "fvec", "vec_size", values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
    {
        *mOut << '\n' << mIndent << '\t' << Real(static_cast<double>(values[i]), mFixedDecimals);
        if (i + 1 < values.size())
            *mOut << '|';
    }
    *mOut << '\n' << mIndent << "</att>\n";
}

void XMLArchive::WriteDoubleVector(std::string_view name, const std::vector<double>& values)
{
    WriteVector(name, values);
}

void XMLArchive::WriteFloatVector(std::string_view name, const std::vector<float>& values)
{
    WriteVector(name, values);
}

void XMLArchive::WriteString(std::string_view name, std::string_view text)
{
    RequireWritable();
    CVN_REQUIRE_AS(ParseException, IsWritableString(text), Quoted("illegal character in '", text));
    BeginAttribute(name, "str");
    *mOut << text;
    EndScalarAttribute();
}

void XMLArchive::WriteBinary(std::string_view name, const std::uint8_t* bytes, std::size_t count)
{
    RequireWritable();
    CVN_REQUIRE(bytes != nullptr || count == 0, "WriteBinary: the bytes are null");
    BeginAttribute(name, "bin", "bin_size", count);
    for (std::size_t i = 0; i < count; ++i)
    {
        if (i % kBinaryBytesPerLine == 0)
            *mOut << '\n' << mIndent << '\t';
        *mOut << kHexDigitsAndIllegalCharacters[bytes[i] >> 4] << kHexDigitsAndIllegalCharacters[bytes[i] & 0x0F];
    }
    *mOut << '\n' << mIndent << "</att>\n";
}

void XMLArchive::WritePtrId(std::string_view name, std::uint64_t id)
{
    BeginAttribute(name, "ptr");
    *mOut << FormattedNumber::Unsigned(id);
    EndScalarAttribute();
}

std::uint64_t XMLArchive::BeginWriteObject(Serializable& object, std::string_view name)
{
    RequireWritable();
    const std::uint64_t id = Archive::BeginWriteObject(object, name);
    if (id == 0)
        return 0;
    char paddedId[32];
    std::snprintf(paddedId, sizeof paddedId, "%010llu", static_cast<unsigned long long>(id));
    *mOut << mIndent << "<obj id=\"" << paddedId << "\" name=\"" << name << "\" type=\"" << object.GetTypeName()
          << "\">\n";
    mIndent += '\t';
    mAttributeNames.emplace_back();
    return id;
}

void XMLArchive::EndWriteObject(Serializable& object)
{
    RequireWritable();
    // Only the innermost open object can end; anything else would garble the nesting.
    if (!IsInnermostOpenObject(object))
        return;
    Archive::EndWriteObject(object);
    if (!mIndent.empty())
        mIndent.pop_back();
    *mOut << mIndent << "</obj>\n";
    if (mAttributeNames.size() > 1)
        mAttributeNames.pop_back();
}

// ---------------------------------------------------------------- reading

void XMLArchive::BeginReading()
{
    // A writing archive has no text to read.
    CVN_REQUIRE(mText.has_value(), "the input stream is null!");
    mScopes.clear();
    mTree.emplace(*mText);
    const std::size_t root = mTree->AddNode(XMLNodeTree::kRootNode, mRootStart);
    mTree->Parse(root);
    mScopes.push_back(root);
}

std::size_t XMLArchive::CurrentScope() const
{
    return mScopes.empty() ? XMLNodeTree::kNoNode : mScopes.back();
}

void XMLArchive::PushScope(std::size_t node)
{
    CVN_REQUIRE_AS(ParseException, mScopes.size() < kMaxReadDepth, "objects nested too deeply");
    mScopes.push_back(node);
}

bool XMLArchive::HasNode(std::string_view name)
{
    return mTree && mTree->FindChild(CurrentScope(), name) != XMLNodeTree::kNoNode;
}

std::size_t XMLArchive::FindAttribute(std::string_view name, std::string_view type) const
{
    const std::size_t node = mTree ? mTree->FindChild(CurrentScope(), name) : XMLNodeTree::kNoNode;
    CVN_REQUIRE(node != XMLNodeTree::kNoNode, Quoted("cant find node with name = '", name));
    CVN_REQUIRE_AS(ParseException, mTree->GetNode(node).kind == XMLNodeTree::kAttributeNode,
                   Quoted("node is not an attribute '", name));
    const auto nodeType = mTree->GetTagAttribute(node, "type");
    CVN_REQUIRE_AS(ParseException, nodeType.has_value(), Quoted("cant find type for attribute '", name));
    CVN_REQUIRE(*nodeType == type, Quoted("wrong type for attribute '", name));
    return node;
}

std::string_view XMLArchive::AttributeValue(std::string_view name, std::string_view type) const
{
    return mTree->GetValue(FindAttribute(name, type));
}

bool XMLArchive::ReadBool(std::string_view name)
{
    const std::string_view text = AttributeValue(name, "bool");
    if (text == "true")
        return true;
    CVN_REQUIRE(text == "false", Quoted("boolean has unknown value of '", text));
    return false;
}

bool XMLArchive::ReadBool(std::string_view name, bool defaultValue)
{
    return HasNode(name) ? ReadBool(name) : defaultValue;
}

std::int32_t XMLArchive::ReadInt(std::string_view name)
{
    return ToInt32(ParseIntegerText(AttributeValue(name, "i"), 0));
}

std::int32_t XMLArchive::ReadInt(std::string_view name, std::int32_t defaultValue)
{
    return HasNode(name) ? ReadInt(name) : defaultValue;
}

std::int64_t XMLArchive::ReadInt64(std::string_view name)
{
    return ParseInt64(AttributeValue(name, "i64"));
}

std::int64_t XMLArchive::ReadInt64(std::string_view name, std::int64_t defaultValue)
{
    return HasNode(name) ? ReadInt64(name) : defaultValue;
}

double XMLArchive::ReadDouble(std::string_view name)
{
    return ParseRealText(AttributeValue(name, "f"));
}

double XMLArchive::ReadDouble(std::string_view name, double defaultValue)
{
    return HasNode(name) ? ReadDouble(name) : defaultValue;
}

std::size_t XMLArchive::StatedSize(std::size_t node, std::string_view key, const char* missingMessage) const
{
    const auto sizeText = mTree->GetTagAttribute(node, key);
    CVN_REQUIRE(sizeText.has_value(), missingMessage);
    const std::int64_t size = ParseIntegerText(*sizeText, 10);
    // Every item or byte takes at least one character of the value, so a larger
    // size can only come from damaged or hostile text; refusing it keeps such a
    // text from making us allocate without bound.
    const bool fits = size >= 0 && static_cast<std::uint64_t>(size) <= mTree->GetValue(node).size();
    CVN_REQUIRE_AS(ParseException, fits, Quoted("size does not fit the data of attribute '", mTree->GetName(node)));
    return static_cast<std::size_t>(size);
}

template <class T>
void XMLArchive::ReadVector(std::string_view name, std::vector<T>& values)
{
    const std::size_t node = FindAttribute(name, "fvec");
    const std::size_t count = StatedSize(node, "vec_size", "cant find size for vector attribute");
    values.resize(count);
    const std::string_view text = mTree->GetValue(node);
    const char* position = text.data();
    const char* const end = position + text.size();
    // Each round moves on by at least the one separator character, so even a
    // value that holds no number at all ends the loop.
    for (std::size_t i = 0; i < count && position < end; ++i)
    {
        const char* next = nullptr;
        values[i] = FromDouble<T>(ParseRealText(position, end, &next));
        position = next + 1;
    }
}

void XMLArchive::ReadDoubleVector(std::string_view name, std::vector<double>& values)
{
    ReadVector(name, values);
}

void XMLArchive::ReadFloatVector(std::string_view name, std::vector<float>& values)
{
    ReadVector(name, values);
}

std::string XMLArchive::ReadString(std::string_view name)
{
    return std::string(AttributeValue(name, "str"));
}

std::string XMLArchive::ReadString(std::string_view name, std::string_view defaultText)
{
    return HasNode(name) ? ReadString(name) : std::string(defaultText);
}

std::vector<std::uint8_t> XMLArchive::ReadBinary(std::string_view name)
{
    const std::size_t node = FindAttribute(name, "bin");
    const std::size_t count = StatedSize(node, "bin_size", "cant find size for binary element");
    std::vector<std::uint8_t> bytes(count, 0);
    std::size_t filled = 0;
    bool haveHighNibble = false;
    unsigned highNibble = 0;
    for (const char c : mTree->GetValue(node))
    {
        if (filled == count)
            break;
        if (IsSpace(c))
            continue;
        // Uppercase digits only; anything else yields a wrong value, not a failure.
        const unsigned character = static_cast<unsigned char>(c);
        const unsigned digit = character < ':' ? character - '0' : character - 55;
        if (!haveHighNibble)
        {
            highNibble = digit;
            haveHighNibble = true;
            continue;
        }
        bytes[filled++] = static_cast<std::uint8_t>(highNibble * 16 + digit);
        haveHighNibble = false;
    }
    return bytes;
}

std::uint64_t XMLArchive::ReadPtrId(std::string_view name)
{
    return XMLNodeTree::ParseDecimalId(AttributeValue(name, "ptr"));
}

void XMLArchive::BeginReadObject(std::string_view name, std::string_view typeName)
{
    const std::size_t node = mTree ? mTree->FindChild(CurrentScope(), name) : XMLNodeTree::kNoNode;
    CVN_REQUIRE(node != XMLNodeTree::kNoNode, Quoted("cant find node '", name));
    CVN_REQUIRE_AS(ParseException, mTree->GetNode(node).kind == XMLNodeTree::kObjectNode, "node is not an object");
    const std::string_view nodeType = mTree->GetTagAttribute(node, "type").value_or(std::string_view{});
    CVN_REQUIRE(nodeType == typeName, "wrong type for object '" + std::string(name) + "', expected type to be '" +
                                          std::string(typeName) + "'");
    PushScope(node);
}

void XMLArchive::EndReadObject()
{
    // The root stays: leaving more scopes than were entered is a no-op.
    if (mScopes.size() > 1)
        mScopes.pop_back();
}

bool XMLArchive::EnterPath(const std::vector<std::string>& names)
{
    int entered = 0;
    for (const std::string& name : names)
    {
        const std::size_t node = mTree ? mTree->FindChild(CurrentScope(), name) : XMLNodeTree::kNoNode;
        const bool found = node != XMLNodeTree::kNoNode && mTree->GetNode(node).kind == XMLNodeTree::kObjectNode;
        try
        {
            if (found)
            {
                PushScope(node);
                ++entered;
                continue;
            }
        }
        catch (...)
        {
            LeaveScopes(entered);
            throw;
        }
        LeaveScopes(entered);
        return false;
    }
    return true;
}

bool XMLArchive::LeaveScopes(int count)
{
    const std::size_t open = mScopes.empty() ? 0 : mScopes.size() - 1;
    if (count < 0 || static_cast<std::size_t>(count) > open)
        return false;
    mScopes.resize(mScopes.size() - static_cast<std::size_t>(count));
    return true;
}

std::string XMLArchive::FindObjectById(std::uint64_t id)
{
    const std::size_t node = mTree ? mTree->FindObjectById(id) : XMLNodeTree::kNoNode;
    CVN_REQUIRE(node != XMLNodeTree::kNoNode, "cant find requested node for id = '" + std::to_string(id) + "'");
    return std::string(mTree->GetTagAttribute(node, "type").value_or(std::string_view{}));
}

void XMLArchive::EnterObjectScope(std::uint64_t id)
{
    const std::size_t node = mTree ? mTree->FindObjectById(id) : XMLNodeTree::kNoNode;
    CVN_REQUIRE(node != XMLNodeTree::kNoNode, "cant find requested node for id = '" + std::to_string(id) + "'");
    PushScope(node);
}

void XMLArchive::LeaveObjectScope()
{
    EndReadObject();
}

} // namespace Serialization
