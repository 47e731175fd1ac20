#include "LocaleTestSupport.h"
#include "SerializationTestSupport.h"

#include "serialization/ArchiveSequence.h"
#include "serialization/XMLNodeTree.h"

#include <limits>

using namespace SerializationTest;
using Serialization::XMLNodeTree;

namespace
{

std::string Archived(const std::string& body)
{
    return "<obj_archive type=\"T\">\n" + body + "</obj_archive>\n";
}

// Comments and a declaration before the root, unknown and longer-named tags
// skipped, attributes in any order and layout, readers with defaults. Numbers
// are read in the C forms whatever the locale: this runs in the "C" locale and
// in a decimal-comma one.
void ExpectLenientScanner()
{
    const std::string text = "<!-- Corvanel Sound QVX Program Settings -->\n<?xml version=\"1.0\"?>\n"
                             "<obj_archive type=\"CVL Plugin Settings (c)\"><foo a=\"1\"><objects>"
                             "<att type=\"i\"   name=\"hex\">0x10</att><att name=\"oct\" type=\"i\">010</att>"
                             "<att name=\"huge\" type=\"i\">99999999999</att><att name=\"i\" type=\"i\">4096</att>"
                             "<att name=\"exp\" type=\"i64\">1e3</att><att name=\"inf\" type=\"i64\">1e300</att>"
                             "<att name=\"l\" type=\"i64\">-9007199254740993</att>"
                             "<att name=\"d\" type=\"f\">0.5000000000000000</att>"
                             "<att name=\"x\" type=\"f\">-1.25e-3</att><att name=\"-inf\" type=\"f\">-inf</att>"
                             "<att name=\"b\" type=\"bin\" bin_size=\"4\">AB CD\n\t0a0b</att>"
                             "<att name=\"short\" type=\"fvec\" vec_size=\"3\">1.5|x</att>"
                             "<att name=\"v\" type=\"fvec\" vec_size=\"3\">\n\t0.5|\n\t-3.5|\n\t1234.5\n</att>"
                             "<obj id=\"0000000284\" name=\"o\" type=\"A\"></obj>"
                             "</foo></obj_archive>";
    auto archive = Reader(text);
    EXPECT_EQ(archive->GetArchiveTypeName(), "CVL Plugin Settings (c)");
    EXPECT_EQ(std::tuple(archive->ReadInt("hex"), archive->ReadInt("oct"), archive->ReadInt("huge"),
                         archive->ReadInt("i"), archive->ReadInt64("exp"), archive->ReadInt64("inf"),
                         archive->ReadInt64("l")),
              std::tuple(16, 8, std::numeric_limits<std::int32_t>::max(), 4096, std::int64_t{1000},
                         std::numeric_limits<std::int64_t>::max(), std::int64_t{-9007199254740993}));
    EXPECT_EQ(std::tuple(archive->ReadDouble("d"), archive->ReadDouble("x"), archive->ReadDouble("-inf")),
              std::tuple(0.5, -0.00125, -std::numeric_limits<double>::infinity()));
    // Lowercase digits are not digits: 'a' - 55 = 42 = 0x2A.
    EXPECT_EQ(archive->ReadBinary("b"), (std::vector<std::uint8_t>{0xAB, 0xCD, 0x2A, 0x2B}));
    std::vector<double> values;
    archive->ReadDoubleVector("short", values);
    EXPECT_EQ(values, (std::vector<double>{1.5, 0.0, 0.0}));
    std::vector<float> floats;
    archive->ReadFloatVector("v", floats);
    EXPECT_EQ(floats, (std::vector<float>{0.5f, -3.5f, 1234.5f}));
    EXPECT_EQ(std::pair(archive->ReadInt("missing", 9), archive->ReadString("missing", "d")),
              std::pair(9, std::string("d")));
    EXPECT_FALSE(archive->HasNode("objects"));
    EXPECT_EQ(archive->FindObjectById(284), "A");
}

class XMLArchiveReadLocale : public LocaleTest::DecimalCommaTest
{
};

TEST_P(XMLArchiveReadLocale, EveryNumberIsReadInTheCForms)
{
    ExpectLenientScanner();
}

QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(XMLArchiveReadLocale);

} // namespace

// What is written reads back the same: extremes, precision and text. Vectors,
// binaries and nested objects: the exact texts of XMLArchiveWrite and the
// readers above; pointers and sequences: ArchiveTest.
TEST(XMLArchiveRead, EveryTypeRoundTrips)
{
    ColorSpec pointee;
    const auto values = std::tuple(true, false, std::numeric_limits<std::int32_t>::min(),
                                   std::numeric_limits<std::int64_t>::min(),
                                   std::numeric_limits<std::int64_t>::max() - 1, // beyond what a double holds exactly
                                   -1234.5678, 1.0 / 3.0, std::string("Corvanel Sound \xC3\xBC \t"));
    const std::string text = Written([&](XMLArchive& a) {
        const auto& [on, off, count, low, high, ratio, third, string] = values;
        a.WriteBool("on", on);
        a.WriteBool("off", off);
        a.WriteInt("count", count);
        a.WriteInt64("low", low);
        a.WriteInt64("high", high);
        a.WriteDouble("ratio", ratio);
        a.WriteDouble("third", third);
        a.WriteString("text", string);
        a.WritePtr("target", &pointee);
    });
    auto archive = Reader(text);
    EXPECT_EQ(archive->GetArchiveTypeName(), "TYPE");
    EXPECT_EQ(std::tuple(archive->ReadBool("on"), archive->ReadBool("off"), archive->ReadInt("count"),
                         archive->ReadInt64("low"), archive->ReadInt64("high"), archive->ReadDouble("ratio"),
                         archive->ReadDouble("third"), archive->ReadString("text")),
              values);
    // Without a factory a pointer to an object not read yet reads as none.
    EXPECT_EQ(archive->ReadPtr("target"), nullptr);
}

TEST(XMLArchiveRead, LenientScanner)
{
    ExpectLenientScanner();
}

TEST(XMLArchiveRead, RootMustBeAmongTheFirstThousandTags)
{
    std::string junk;
    for (int i = 0; i < 999; ++i)
        junk += "<!-- -->";
    EXPECT_EQ(Reader(junk + Archived(""))->GetArchiveTypeName(), "T");
    EXPECT_PARSE_FAILURE(Reader("<!-- -->" + junk + Archived("")), "cant find root node, may not be archive data");
    EXPECT_PARSE_FAILURE(Reader("no tags"), "cant find root node, may not be archive data");
    EXPECT_CVN_FAILURE(XMLArchive(nullptr, 0), "the input stream is null!");
}

TEST(XMLArchiveRead, MalformedTextMessages)
{
    const std::string unclosedType = "<att name=\"a\" type=i>1</att>\n";
    EXPECT_PARSE_FAILURE(Reader("<obj_archive type=\"T\""), "expected '>', got to end of archive");
    EXPECT_PARSE_FAILURE(Reader("<obj_archive type=\"T\">\n</obj_archive"), "expected '>', got to end of archive");
    EXPECT_PARSE_FAILURE(Reader("<obj_archive type=\"T\">\n<att name=\"a\" type=\"i\">1</att>\n"),
                         "expected '<', got to end of archive");
    EXPECT_PARSE_FAILURE(Reader(Archived("<att name=\"a\" type=\"i\">1</at>\n")),
                         "expected '</att>', got to end of archive");
    EXPECT_PARSE_FAILURE(Reader(Archived("<att type=\"i\" name=a>1</att>")),
                         "cant find any attribute value in quotes \"*\" for attribute 'name'\n"
                         "current node is : \n<att type=\"i\" name=a>");
    EXPECT_PARSE_FAILURE(Reader(Archived("<att type=\"i\" name=\"a>1</att>")),
                         "cant find matching quote pair.\ncurrent node is : \n<att type=\"i\" name=\"a>");
    EXPECT_PARSE_FAILURE(Reader(Archived(unclosedType))->ReadInt("a"),
                         "cant find any attribute value in quotes \"*\" for attribute 'type'\n"
                         "current node is : \n<att name=\"a\" type=i>");

    XMLNodeTree tree("<obj>");
    EXPECT_CVN_FAILURE(tree.Parse(XMLNodeTree::kNoNode), "node is null, or start is null");
    EXPECT_CVN_FAILURE(tree.Parse(tree.AddNode(XMLNodeTree::kObjectNode, XMLNodeTree::kNoPosition)),
                       "node is null, or start is null");
    EXPECT_PARSE_FAILURE(tree.Parse(tree.AddNode(7, 0)), "encountered unknown node type: 7");
}

TEST(XMLArchiveRead, LookupMessages)
{
    auto archive = Reader(Archived("<obj id=\"0000000284\" name=\"o\" type=\"A\"></obj>\n"
                                   "<obj id=\"0000000285\" name=\"p\" type=\"B\"></obj>\n"
                                   "<att name=\"untyped\">1</att><att name=\"big\" type=\"i64\">1</att>"
                                   "<att name=\"yes\" type=\"bool\">true </att>"
                                   "<att name=\"v\" type=\"fvec\">1</att><att name=\"b\" type=\"bin\">00</att>"
                                   "<att name=\"hugeV\" type=\"fvec\" vec_size=\"100000000000\">1</att>"
                                   "<att name=\"negB\" type=\"bin\" bin_size=\"-1\">00</att>"));
    EXPECT_CVN_FAILURE(archive->ReadInt("none"), "cant find node with name = 'none'");
    EXPECT_PARSE_FAILURE(archive->ReadInt("o"), "node is not an attribute 'o'");
    EXPECT_PARSE_FAILURE(archive->ReadInt("untyped"), "cant find type for attribute 'untyped'");
    EXPECT_CVN_FAILURE(archive->ReadInt("big"), "wrong type for attribute 'big'");
    EXPECT_CVN_FAILURE(archive->ReadInt("big", 3), "wrong type for attribute 'big'");
    EXPECT_CVN_FAILURE(archive->ReadBool("yes"), "boolean has unknown value of 'true '");
    std::vector<double> values{4.0};
    EXPECT_CVN_FAILURE(archive->ReadDoubleVector("v", values), "cant find size for vector attribute");
    EXPECT_CVN_FAILURE(archive->ReadBinary("b"), "cant find size for binary element");
    EXPECT_PARSE_FAILURE(archive->ReadDoubleVector("hugeV", values), "size does not fit the data of attribute 'hugeV'");
    EXPECT_PARSE_FAILURE(archive->ReadBinary("negB"), "size does not fit the data of attribute 'negB'");
    EXPECT_EQ(values, std::vector<double>{4.0});

    EXPECT_CVN_FAILURE(archive->BeginReadObject("none", "A"), "cant find node 'none'");
    EXPECT_PARSE_FAILURE(archive->BeginReadObject("big", "A"), "node is not an object");
    EXPECT_CVN_FAILURE(archive->BeginReadObject("o", "B"), "wrong type for object 'o', expected type to be 'B'");
    // Ids are decimal: leading zeros do not make them octal.
    EXPECT_EQ(std::pair(archive->FindObjectById(284), archive->FindObjectById(285)), std::pair(std::string("A"), std::string("B")));
    // Of objects sharing an id (only in damaged text), the one that closes last counts.
    EXPECT_EQ(Reader(Archived("<obj id=\"7\" name=\"o\" type=\"Outer\"><obj id=\"7\" name=\"i\" type=\"Inner\"></obj>"
                              "</obj><obj id=\"8\" name=\"p\" type=\"P\"></obj>"))
                  ->FindObjectById(7),
              "Outer");
    EXPECT_CVN_FAILURE(archive->FindObjectById(999), "cant find requested node for id = '999'");
}

TEST(XMLArchiveRead, ScopesAndPaths)
{
    const std::string text = Archived("<obj id=\"1\" name=\"a\" type=\"A\"><obj id=\"2\" name=\"b\" type=\"B\">"
                                      "<att name=\"x\" type=\"i\">2</att></obj><att name=\"x\" type=\"i\">1</att></obj>"
                                      "<att name=\"x\" type=\"i\">0</att>");
    XMLArchive unread(text.data(), text.size()); // BeginReading not called: no scope is open
    EXPECT_CVN_FAILURE(unread.ReadInt("x"), "cant find node with name = 'x'");
    auto archive = Reader(text);
    EXPECT_TRUE(archive->EnterPath({}));
    EXPECT_FALSE(archive->EnterPath({"a", "missing"}));
    EXPECT_FALSE(archive->EnterPath({"a", "x"})); // an attribute is not an object
    EXPECT_EQ(archive->ReadInt("x"), 0);
    {
        Serialization::PathScope path(*archive, {"a", "b"});
        EXPECT_TRUE(path.IsEntered());
        EXPECT_EQ(archive->ReadInt("x"), 2);
        EXPECT_FALSE(archive->LeaveScopes(3));
        EXPECT_EQ(archive->ReadInt("x"), 2);
    }
    EXPECT_EQ(archive->ReadInt("x"), 0);
    EXPECT_TRUE(archive->EnterPath({"a"}));
    EXPECT_EQ(archive->ReadInt("x"), 1);
    EXPECT_TRUE(archive->LeaveScopes(1));
    EXPECT_EQ(archive->ReadInt("x"), 0);
}
