#include "SerializationTestSupport.h"

#include <memory>

using namespace SerializationTest;

namespace
{

// Reads whatever it finds of itself, nested copies included, to any depth.
struct Nested : Serializable
{
    static inline int live = 0;
    int depth = 0;
    Serializable* next = nullptr;

    Nested() { ++live; }
    ~Nested() override { --live; }
    std::string_view GetTypeName() const override { return "N"; }
    void Save(Archive&) override {}
    void Load(Archive& a) override
    {
        if (a.HasNode("next"))
            next = a.ReadPtr("next");
        if (!a.HasNode("o"))
            return;
        Nested child;
        ReadObject(a, child, "o");
        depth = child.depth + 1;
    }
};

std::string Repeated(const std::string& piece, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += piece;
    return text;
}

} // namespace

TEST(XMLArchiveHardening, EveryTruncationReadsOrFailsCleanly)
{
    ColorSpec color;
    color.red = 12;
    const std::uint8_t bytes[] = {1, 2, 3};
    const std::string text = Written([&](XMLArchive& a) {
        a.WriteBool("b", true);
        a.WriteInt64("l", 5);
        a.WriteDouble("d", 0.5);
        a.WriteFloatVector("v", {1.0f, 2.0f});
        a.WriteBinary("bin", bytes, 3);
        a.WriteString("s", "text");
        WriteObject(a, color, "color");
        a.WritePtr("p", &color);
    });
    Serialization::ObjectFactory factory;
    factory.RegisterType<ColorSpec>("SerializableColorSpec");
    for (std::size_t length = 0; length < text.size(); ++length)
    {
        // An exact-size block, so that reading one byte past it is caught.
        const auto block = std::make_unique<char[]>(length + 1);
        std::copy_n(text.data(), length, block.get());
        const auto failure = FailureOf([&] {
            XMLArchive archive(block.get(), length, &factory);
            archive.BeginReading();
            std::vector<float> values;
            archive.ReadFloatVector("v", values);
            archive.ReadBinary("bin");
            std::unique_ptr<Serializable> target(archive.ReadPtr("p"));
        });
        // Only a text whose root is closed can be read; everything shorter fails
        // with an archive exception (anything else would escape FailureOf).
        const bool complete = length >= text.find("</obj_archive>") + 14;
        EXPECT_EQ(failure.kind == Failure::None, complete) << length << ": " << failure.message;
    }
}

TEST(XMLArchiveHardening, DeepNestingNeitherOverflowsNorRecursesWithoutBound)
{
    constexpr int kDepth = 100000;
    const std::string open = Repeated("<obj id=\"1\" name=\"o\" type=\"N\">", kDepth);
    const std::string closed = "<obj_archive type=\"T\">" + open + Repeated("</obj>", kDepth) + "</obj_archive>";
    auto archive = Reader(closed);
    Nested top;
    EXPECT_PARSE_FAILURE(ReadObject(*archive, top, "o"), "objects nested too deeply");
    EXPECT_TRUE(archive->HasNode("o")); // every scope entered was left again

    const std::string unclosed = "<obj_archive type=\"T\">" + open;
    EXPECT_PARSE_FAILURE(Reader(unclosed), "expected '<', got to end of archive");

    // A modest depth reads completely.
    auto shallow = Reader("<obj_archive type=\"T\">" + Repeated("<obj id=\"1\" name=\"o\" type=\"N\">", 50) +
                          Repeated("</obj>", 50) + "</obj_archive>");
    ReadObject(*shallow, top, "o");
    EXPECT_EQ(top.depth, 49);
}

TEST(XMLArchiveHardening, LongPointerChainsAreBoundedAndLeaveNothingBehind)
{
    // Object i points at object i + 1: loading the first would recurse through all of them.
    std::string body;
    for (int i = 1; i <= 1000; ++i)
        body += "<obj id=\"" + std::to_string(i) + "\" name=\"\" type=\"N\"><att name=\"next\" type=\"ptr\">" +
                std::to_string(i + 1) + "</att></obj>";
    const std::string text = "<obj_archive type=\"T\">" + body + "<att name=\"head\" type=\"ptr\">1</att></obj_archive>";
    Serialization::ObjectFactory factory;
    factory.RegisterType<Nested>("N");
    const int liveBefore = Nested::live;
    auto archive = Reader(text, &factory);
    EXPECT_PARSE_FAILURE(archive->ReadPtr("head"), "objects nested too deeply");
    EXPECT_EQ(Nested::live, liveBefore);
    EXPECT_EQ(archive->ReadPtrId("head"), 1u); // back at the root
}
