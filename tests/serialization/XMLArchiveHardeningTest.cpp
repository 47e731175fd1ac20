// Hostile or damaged settings texts: truncations, nesting, pointer chains,
// the size limit, and what reading costs in memory.

#include "SerializationTestSupport.h"

#include "serialization/XMLNodeTree.h"
#include "support/CountingAllocator.h"

using namespace SerializationTest;
using CountingAllocator::MeasureMemory;
using CountingAllocator::MemoryUse;

namespace
{

// Reads whatever it finds of itself, nested copies included, to any depth.
struct Nesting : Serializable
{
    static inline int live = 0;
    int depth = 0;
    Serializable* next = nullptr;

    Nesting() { ++live; }
    ~Nesting() override { --live; }
    std::string_view GetTypeName() const override { return "N"; }
    void Save(Archive&) override {}
    void Load(Archive& a) override
    {
        if (a.HasNode("next"))
            next = a.ReadPtr("next");
        if (!a.HasNode("o"))
            return;
        Nesting child;
        ReadObject(a, child, "o");
        depth = child.depth + 1;
    }
};

// An archive of objects nested `depth` deep, closed or not.
std::string Nested(int depth, bool closed)
{
    std::string text = "<obj_archive type=\"T\">";
    for (int i = 0; i < depth; ++i)
        text += "<obj id=\"1\" name=\"o\" type=\"N\">";
    for (int i = 0; closed && i < depth; ++i)
        text += "</obj>";
    return closed ? text + "</obj_archive>" : text;
}

// Copies of the default configuration's settings text, each inside an object
// of its own and with ids of its own, until the text has `bytes` bytes: the
// shape of real settings (nested objects, short attributes), in bulk.
std::string LargeSettingsText(std::size_t bytes)
{
    const std::string golden = TestFiles::ReadFile(QUARVIX_TEST_DATA_DIR "/default_config.golden.xml");
    const std::size_t bodyStart = golden.find('\n') + 1;
    const std::string body = golden.substr(bodyStart, golden.rfind("</obj_archive>") - bodyStart);
    std::string text = golden.substr(0, bodyStart);
    for (std::uint64_t id = 1, copy = 0; text.size() < bytes; ++copy)
    {
        const std::size_t start = text.size();
        text += "<obj id=\"" + std::to_string(id++) + "\" name=\"copy" + std::to_string(copy) + "\" type=\"Copy\">\n";
        text += body + "</obj>\n";
        for (std::size_t at = text.find("##########", start); at != std::string::npos; at = text.find("##########", at))
            text.replace(at, 10, std::to_string(id++));
    }
    return text + "</obj_archive>\n";
}

// The densest text of settings: one colour after another, a node every 30 bytes.
std::string DenseSettingsText(std::size_t bytes)
{
    std::string text = "<obj_archive type=\"T\">";
    for (int i = 0; text.size() < bytes; ++i)
        text += "<obj id=\"" + std::to_string(i + 1) + "\" name=\"c" + std::to_string(i) +
                "\" type=\"S\"><att name=\"red\" type=\"i\">1</att><att name=\"green\" type=\"i\">2</att>"
                "<att name=\"blue\" type=\"i\">3</att></obj>";
    return text + "</obj_archive>";
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
    auto archive = Reader(Nested(100000, true));
    Nesting top;
    EXPECT_PARSE_FAILURE(ReadObject(*archive, top, "o"), "objects nested too deeply");
    EXPECT_TRUE(archive->HasNode("o")); // every scope entered was left again

    EXPECT_PARSE_FAILURE(Reader(Nested(100000, false)), "expected '<', got to end of archive");

    // A modest depth reads completely.
    ReadObject(*Reader(Nested(50, true)), top, "o");
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
    factory.RegisterType<Nesting>("N");
    const int liveBefore = Nesting::live;
    auto archive = Reader(text, &factory);
    EXPECT_PARSE_FAILURE(archive->ReadPtr("head"), "objects nested too deeply");
    EXPECT_EQ(Nesting::live, liveBefore);
    EXPECT_EQ(archive->ReadPtrId("head"), 1u); // back at the root
}

TEST(XMLArchiveMemory, ReadingTakesASmallMultipleOfTheText)
{
    const std::string typical = LargeSettingsText(4 * 1024 * 1024);
    ASSERT_NE(typical.find("<att name=\"winType\""), std::string::npos) << "missing golden file";
    const std::string dense = DenseSettingsText(4 * 1024 * 1024);
    for (const std::string* text : {&typical, &dense})
    {
        SCOPED_TRACE(text == &typical ? "typical" : "dense");
        const MemoryUse use = MeasureMemory([&](const auto& atEnd) {
            XMLArchive archive(text->data(), text->size());
            archive.BeginReading();
            atEnd();
            // Still the same reader: names and ids of the last objects are found.
            if (text == &typical)
            {
                std::string last;
                for (std::size_t at = text->rfind("name=\"copy") + 6; (*text)[at] != '"'; ++at)
                    last += (*text)[at];
                Serialization::PathScope path(archive, {last, "QVXGeneralSpecService", "QVXSpecConfig"});
                EXPECT_TRUE(path.IsEntered());
                EXPECT_EQ(archive.ReadInt("mBandLevelRangesMap[ana3rdOct].second"), 43);
            }
            else
            {
                archive.BeginReadObject("c20000", "S");
                EXPECT_EQ(archive.ReadInt("blue"), 3);
                archive.EndReadObject();
            }
            EXPECT_EQ(archive.FindObjectById(1), text == &typical ? "Copy" : "S");
        });
        // The reader's own copy of the text is one of these multiples.
        const double size = static_cast<double>(text->size());
        EXPECT_LE(static_cast<double>(use.peak) / size, 3.0);
        EXPECT_LE(static_cast<double>(use.retained) / size, 3.0);
    }
}

TEST(XMLArchiveMemory, TextsBeyondTheLimitAreRefusedBeforeTheyAreCopied)
{
    // A settings text padded to the 16 MiB limit is read; one byte more is refused.
    std::string text = "<obj_archive type=\"T\"><att name=\"a\" type=\"i\">7</att></obj_archive>";
    text.resize(16 * 1024 * 1024, ' ');
    EXPECT_EQ(Reader(text)->ReadInt("a"), 7);
    text.push_back(' ');
    const MemoryUse use = MeasureMemory([&](const auto&) {
        EXPECT_PARSE_FAILURE(XMLArchive(text.data(), text.size()), "archive text larger than 16777216 bytes");
    });
    EXPECT_LT(use.peak, 64 * 1024);
    EXPECT_PARSE_FAILURE(Serialization::XMLNodeTree{text}, "archive text larger than 16777216 bytes");
}
