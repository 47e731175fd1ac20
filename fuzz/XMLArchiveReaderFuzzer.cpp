// Arbitrary bytes as settings text: the reader must either read them or throw
// an archive exception, without reading past the text, hanging, leaking or
// exhausting the stack. After parsing, a nested object with every attribute
// type is read in full, the way the plug-in's own objects read themselves.

#include "serialization/ArchiveSequence.h"
#include "serialization/XMLArchive.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <vector>

namespace
{

using namespace Serialization;

template <class F>
void Try(F&& read)
{
    try
    {
        read();
    }
    catch (const Cvn::Exception&)
    {
    }
}

// Heap objects made by ReadPtr; whatever is still alive after an input is
// released here, since pointers read from hostile text may form any graph.
std::set<Serializable*>& MadeObjects()
{
    static std::set<Serializable*> objects;
    return objects;
}

struct FuzzLeaf : Serializable
{
    std::int32_t value = 0;
    Serializable* next = nullptr;

    std::string_view GetTypeName() const override { return "FuzzLeaf"; }
    void Save(Archive&) override {}
    void Load(Archive& archive) override
    {
        value = archive.ReadInt("value", 0);
        if (archive.HasNode("next"))
            next = archive.ReadPtr("next");
        if (archive.HasNode("leaf"))
        {
            FuzzLeaf child;
            archive.BeginReadObject("leaf", GetTypeName());
            child.Load(archive);
            archive.EndReadObject();
        }
    }
};

struct MadeLeaf : FuzzLeaf
{
    MadeLeaf() { MadeObjects().insert(this); }
    ~MadeLeaf() override { MadeObjects().erase(this); }
};

struct FuzzRoot : Serializable
{
    std::string_view GetTypeName() const override { return "FuzzRoot"; }
    void Save(Archive&) override {}
    void Load(Archive& a) override
    {
        std::vector<double> doubles;
        std::vector<float> floats;
        Try([&] { a.ReadBool("flag"); });
        Try([&] { a.ReadBool("flag", true); });
        Try([&] { a.ReadInt("count"); });
        Try([&] { a.ReadInt64("big"); });
        Try([&] { a.ReadDouble("ratio"); });
        Try([&] { a.ReadDouble("ratio", 1.0); });
        Try([&] { a.ReadDoubleVector("doubles", doubles); });
        Try([&] { a.ReadFloatVector("floats", floats); });
        Try([&] { a.ReadString("text"); });
        Try([&] { a.ReadString("text", "default"); });
        Try([&] { a.ReadBinary("blob"); });
        Try([&] {
            ArchiveSequence sequence(a, "sequence");
            for (std::int32_t i = 0; i < std::min(sequence.GetSize(), 64); ++i)
                sequence.Get(i, 0);
        });
        Try([&] {
            FuzzLeaf child;
            a.BeginReadObject("child", child.GetTypeName());
            child.Load(a);
            a.EndReadObject();
        });
        Try([&] { a.ReadPtr("target"); });
        Try([&] { a.ReadPtrId("target"); });
        Try([&] { a.FindObjectById(1); });
        Try([&] {
            PathScope path(a, {"child", "leaf"});
            if (path.IsEntered())
                a.ReadInt("value", 0);
        });
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static ObjectFactory factory = [] {
        ObjectFactory made;
        made.RegisterType<MadeLeaf>("FuzzLeaf");
        return made;
    }();
    Try([&] {
        XMLArchive archive(reinterpret_cast<const char*>(data), size, &factory);
        archive.BeginReading();
        FuzzRoot atRoot;
        atRoot.Load(archive);
        Try([&] {
            FuzzRoot nested;
            archive.BeginReadObject("root", nested.GetTypeName());
            nested.Load(archive);
            archive.EndReadObject();
        });
    });
    const std::vector<Serializable*> leftovers(MadeObjects().begin(), MadeObjects().end());
    for (Serializable* object : leftovers)
        delete object;
    return 0;
}
