#include "LocaleTestSupport.h"
#include "SerializationTestSupport.h"

using namespace SerializationTest;

namespace
{

const std::string kStart = "<obj_archive type=\"TYPE\">\n";
const std::string kEnd = std::string("</obj_archive>\n") + '\0';

struct Holder : Serializable
{
    std::string_view type = "Holder";
    std::function<void(Archive&)> body;
    std::string_view GetTypeName() const override { return type; }
    void Save(Archive& archive) override { body(archive); }
    void Load(Archive&) override {}
};

// Each kind of attribute as it is written. Numbers never take the locale's
// forms (no decimal comma, no grouping): this runs in the "C" locale and in a
// decimal-comma one, with the stream made inside it as a host's would be.
void ExpectEveryAttributeKindsText()
{
    std::vector<std::uint8_t> bytes(33);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    const std::uint8_t mixed[] = {0xAB, 0xF0, 0x0F};
    EXPECT_EQ(Written([&](XMLArchive& a) {
                  a.WriteBool("on", true);
                  a.WriteBool("off", false);
                  a.WriteInt("n", -1234567);
                  a.WriteInt64("big", -9007199254740993);
                  a.WriteString("s", "Corvanel Sound");
                  a.WriteDouble("d", 0.25);
                  a.WriteDouble("large", -1234567.25);
                  a.WritePtrId("p", 284000);
                  // Binary in lines of 32 uppercase bytes.
                  a.WriteBinary("b", bytes.data(), bytes.size());
                  a.WriteBinary("m", mixed, 3);
                  a.WriteBinary("none", nullptr, 0);
              }),
              kStart + "<att name=\"on\" type=\"bool\">true</att>\n<att name=\"off\" type=\"bool\">false</att>\n"
                       "<att name=\"n\" type=\"i\">-1234567</att>\n"
                       "<att name=\"big\" type=\"i64\">-9007199254740993</att>\n"
                       "<att name=\"s\" type=\"str\">Corvanel Sound</att>\n"
                       "<att name=\"d\" type=\"f\">0.2500000000000000</att>\n"
                       "<att name=\"large\" type=\"f\">-1234567.2500000000000000</att>\n"
                       "<att name=\"p\" type=\"ptr\">284000</att>\n"
                       "<att name=\"b\" type=\"bin\" bin_size=\"33\">\n"
                       "\t000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n\t20\n</att>\n"
                       "<att name=\"m\" type=\"bin\" bin_size=\"3\">\n\tABF00F\n</att>\n"
                       "<att name=\"none\" type=\"bin\" bin_size=\"0\">\n</att>\n" + kEnd);

    // Vectors use six digits until the first double is written, then sixteen
    // decimals; the stream's own formatting is left as it was.
    std::ostringstream out;
    const auto flags = out.flags();
    {
        XMLArchive a(out, "TYPE", true);
        a.BeginWriting();
        a.WriteFloatVector("v", {0.5f, 1.2345678f, 1234.5f, 1234567.0f});
        a.WriteDouble("x", 2.0);
        a.WriteDoubleVector("w", {0.5, -1.25, 4096.0});
        a.WriteFloatVector("e", {});
        a.EndWriting();
    }
    EXPECT_EQ(out.str(), kStart + "<att name=\"v\" type=\"fvec\" vec_size=\"4\">\n"
                                  "\t0.5|\n\t1.23457|\n\t1234.5|\n\t1.23457e+06\n</att>\n"
                                  "<att name=\"x\" type=\"f\">2.0000000000000000</att>\n"
                                  "<att name=\"w\" type=\"fvec\" vec_size=\"3\">\n\t0.5000000000000000|\n"
                                  "\t-1.2500000000000000|\n\t4096.0000000000000000\n</att>\n"
                                  "<att name=\"e\" type=\"fvec\" vec_size=\"0\">\n</att>\n" + kEnd);
    EXPECT_EQ(out.flags(), flags);
    std::vector<float> sixDigits;
    Reader(out.str())->ReadFloatVector("v", sixDigits);
    EXPECT_EQ(sixDigits, (std::vector<float>{0.5f, 1.23457f, 1234.5f, 1234570.0f}));
}

class XMLArchiveWriteLocale : public LocaleTest::DecimalCommaTest
{
};

TEST_P(XMLArchiveWriteLocale, EveryNumberIsWrittenInTheCForms)
{
    ExpectEveryAttributeKindsText();
}

QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(XMLArchiveWriteLocale);

} // namespace

TEST(XMLArchiveWrite, EveryAttributeKindAndTheDeclarationLine)
{
    EXPECT_EQ(Written([](XMLArchive&) {}, false, "CVL Plugin Settings (x)"),
              "<?xml version=\"1.0\"?>\n<obj_archive type=\"CVL Plugin Settings (x)\">\n" + kEnd);
    EXPECT_EQ(Written([](XMLArchive&) {}, true), kStart + kEnd);
    ExpectEveryAttributeKindsText();
}

// Refused strings and repeated names are refused before anything is written.
TEST(XMLArchiveWrite, IllegalCharactersAndRepeatedNamesAreRefused)
{
    for (const std::string bad : {"it's", "a&b", "<", ">", "say \"hi\""})
    {
        const std::string text = Written([&](XMLArchive& a) {
            EXPECT_PARSE_FAILURE(a.WriteString("s", bad), "illegal character in '" + bad + "'");
            a.WriteString("s", "fine"); // the refused name was not taken
        });
        EXPECT_EQ(text, kStart + "<att name=\"s\" type=\"str\">fine</att>\n" + kEnd);
    }
    // Attribute names are unique per object only.
    Holder inner;
    inner.body = [](Archive& a) { a.WriteInt("a", 2); };
    const std::string text = Written([&](XMLArchive& a) {
        a.WriteInt("a", 1);
        WriteObject(a, inner, "inner");
        EXPECT_CVN_FAILURE(a.WriteBool("a", true), "attribute name is not unique within current scope: a");
    });
    EXPECT_EQ(MaskIds(text), kStart + "<att name=\"a\" type=\"i\">1</att>\n<obj id=\"ID\" name=\"inner\" type=\"Holder\">\n"
                                      "\t<att name=\"a\" type=\"i\">2</att>\n</obj>\n" + kEnd);
}

TEST(XMLArchiveWrite, ReadingArchiveRefusesEveryWrite)
{
    auto archive = Reader("<obj_archive type=\"T\">\n</obj_archive>\n");
    ColorSpec color;
    const std::uint8_t byte = 1;
    const std::function<void()> writes[] = {
        [&] { archive->BeginWriting(); },           [&] { archive->EndWriting(); },
        [&] { archive->WriteBool("a", true); },     [&] { archive->WriteInt("a", 1); },
        [&] { archive->WriteInt64("a", 1); },       [&] { archive->WriteDouble("a", 1); },
        [&] { archive->WriteDoubleVector("a", {1.0}); }, [&] { archive->WriteFloatVector("a", {1.0f}); },
        [&] { archive->WriteString("a", "x"); },    [&] { archive->WriteBinary("a", &byte, 1); },
        [&] { archive->WritePtrId("a", 1); },       [&] { archive->WritePtr("a", &color); },
        [&] { archive->BeginWriteObject(color, "c"); }, [&] { archive->EndWriteObject(color); }};
    for (std::size_t i = 0; i < std::size(writes); ++i)
    {
        SCOPED_TRACE(i);
        EXPECT_CVN_FAILURE(writes[i](), "archive created as read-only");
    }
    EXPECT_EQ(color.GetObjectId(), 0u);
}
