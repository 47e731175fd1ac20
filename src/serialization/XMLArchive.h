#pragma once
// The archive in which every setting is stored: a small fixed dialect of XML.
// One instance either writes (to an output stream) or reads (from a block of
// text in memory), never both.
//
// Text written, for example:
//   <obj_archive type="TYPE">
//   <obj id="0000000284" name="anaFFT_colors" type="QVXSpecConfigArchivedColors">
//   	<att name="red" type="i">61423</att>
//   </obj>
//   </obj_archive>
// followed by a NUL, so that a string stream's buffer holds a terminated string.
//
// Reading is lenient about layout but refuses text it cannot make sense of
// with ParseException; a text that comes from a project file or the host may be
// truncated or hostile, so no read goes past the text, the scan always moves
// forward, nesting is bounded, and sizes stated in the text are checked against
// the data before anything is allocated for them.
//
// Threads: UI thread only. Not real-time safe.

#include "base/Exceptions.h"
#include "serialization/Archive.h"
#include "serialization/XMLNodeTree.h"

#include <cstddef>
#include <optional>
#include <ostream>
#include <set>
#include <source_location>
#include <string>
#include <string_view>
#include <vector>

namespace Serialization
{

// The largest settings text any reader takes. Settings of this program are a
// few hundred kilobytes even with every memory slot full; anything larger is
// damaged or hostile, and is refused before it is copied or parsed.
inline constexpr std::size_t kMaxSettingsTextBytes = 16 * 1024 * 1024;

class XMLArchive final : public Archive
{
public:
    // Malformed archive text (and strings that cannot be written as text).
    class ParseException : public Cvn::Exception
    {
    public:
        ParseException(const std::string& message, std::string_view condition,
                       const std::source_location& where = std::source_location::current())
            : Cvn::Exception(message, condition, where)
        {
        }
    };

    // How deeply objects may be entered while reading: far beyond any archive
    // this program writes, low enough that a hostile text of nested pointers
    // cannot exhaust the stack through the objects' Load.
    static constexpr std::size_t kMaxReadDepth = 200;

    // Whether WriteString takes the text: it must not hold the characters of
    // the markup (&, <, >, the double quote and the apostrophe).
    static bool IsWritableString(std::string_view text) noexcept;

    // Writing on `out`. Numbers are written in the archive's own forms, so the
    // stream's locale and format flags play no part and are left as they are.
    XMLArchive(std::ostream& out, std::string archiveTypeName, bool suppressDeclaration = false);
    // Reading a copy of `length` bytes at `text`; finds the root and reads its
    // type into the archive type name.
    XMLArchive(const char* text, std::size_t length, ObjectFactory* objectFactory = nullptr);
    ~XMLArchive() override;

    void BeginWriting() override;
    void BeginReading() override;
    void EndWriting() override;

    void WriteBool(std::string_view name, bool value) override;
    bool ReadBool(std::string_view name, bool defaultValue) override;
    bool ReadBool(std::string_view name) override;
    void WriteInt(std::string_view name, std::int32_t value) override;
    std::int32_t ReadInt(std::string_view name, std::int32_t defaultValue) override;
    std::int32_t ReadInt(std::string_view name) override;
    void WriteInt64(std::string_view name, std::int64_t value) override;
    std::int64_t ReadInt64(std::string_view name, std::int64_t defaultValue) override;
    std::int64_t ReadInt64(std::string_view name) override;
    void WriteDouble(std::string_view name, double value) override;
    double ReadDouble(std::string_view name, double defaultValue) override;
    double ReadDouble(std::string_view name) override;
    void WriteDoubleVector(std::string_view name, const std::vector<double>& values) override;
    void WriteFloatVector(std::string_view name, const std::vector<float>& values) override;
    void ReadDoubleVector(std::string_view name, std::vector<double>& values) override;
    void ReadFloatVector(std::string_view name, std::vector<float>& values) override;
    void WriteString(std::string_view name, std::string_view text) override;
    std::string ReadString(std::string_view name, std::string_view defaultText) override;
    std::string ReadString(std::string_view name) override;
    void WriteBinary(std::string_view name, const std::uint8_t* bytes, std::size_t count) override;
    std::vector<std::uint8_t> ReadBinary(std::string_view name) override;

    bool HasNode(std::string_view name) override;
    bool EnterPath(const std::vector<std::string>& names) override;
    bool LeaveScopes(int count) override;

    void BeginReadObject(std::string_view name, std::string_view typeName) override;
    std::uint64_t BeginWriteObject(Serializable& object, std::string_view name) override;
    void EndReadObject() override;
    void EndWriteObject(Serializable& object) override;

    void WritePtrId(std::string_view name, std::uint64_t id) override;
    std::uint64_t ReadPtrId(std::string_view name) override;
    std::string FindObjectById(std::uint64_t id) override;

protected:
    void EnterObjectScope(std::uint64_t id) override;
    void LeaveObjectScope() override;

private:
    void RequireWritable() const;
    void BeginAttribute(std::string_view name, std::string_view type, std::string_view sizeKey = {},
                        std::size_t size = 0);
    void EndScalarAttribute();
    template <class T>
    void WriteVector(std::string_view name, const std::vector<T>& values);

    std::size_t CurrentScope() const;
    std::size_t FindAttribute(std::string_view name, std::string_view type) const;
    std::string_view AttributeValue(std::string_view name, std::string_view type) const;
    std::size_t StatedSize(std::size_t node, std::string_view key, const char* missingMessage) const;
    template <class T>
    void ReadVector(std::string_view name, std::vector<T>& values);
    void PushScope(std::size_t node);

    // Writing.
    std::ostream* mOut = nullptr;
    bool mSuppressDeclaration = false;
    std::string mIndent;
    std::vector<std::set<std::string, std::less<>>> mAttributeNames; // one per open object, root first
    // Set by the first double attribute: from then on every real number,
    // vectors included, has 16 decimals; before, vectors carry 6 significant digits.
    bool mFixedDecimals = false;

    // Reading.
    std::optional<std::string> mText;
    std::size_t mRootStart = 0;
    std::optional<XMLNodeTree> mTree;
    std::vector<std::size_t> mScopes; // current scope last
};

} // namespace Serialization
