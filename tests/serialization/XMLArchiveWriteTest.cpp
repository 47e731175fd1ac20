#include "SerializationTestSupport.h"

#include "serialization/Serializable.h"

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

} // namespace

TEST(XMLArchiveWrite, ExampleTextByteForByteWithConsecutivePaddedIds)
{
    Holder red, colors;
    red.type = "SerializableColorSpec";
    red.body = [](Archive& a) { a.WriteInt("red", 61423); };
    colors.type = "QVXSpecConfigArchivedColors";
    colors.body = [&](Archive& a) { WriteObject(a, red, "clrLeft"); };

    const std::uint64_t before = Serialization::LastObjectId();
    const std::string text = Written([&](XMLArchive& a) { WriteObject(a, colors, "anaFFT_colors"); });
    EXPECT_EQ(MaskIds(text), kStart + "<obj id=\"ID\" name=\"anaFFT_colors\" type=\"QVXSpecConfigArchivedColors\">\n"
                                      "\t<obj id=\"ID\" name=\"clrLeft\" type=\"SerializableColorSpec\">\n"
                                      "\t\t<att name=\"red\" type=\"i\">61423</att>\n\t</obj>\n</obj>\n" + kEnd);
    EXPECT_EQ(IdsIn(text), (std::vector<std::uint64_t>{before + 1, before + 2}));
    EXPECT_EQ(colors.GetObjectId(), before + 1);
}

// Each kind of attribute as it is written, with and without the declaration line.
TEST(XMLArchiveWrite, EveryAttributeKindAndTheDeclarationLine)
{
    EXPECT_EQ(Written([](XMLArchive&) {}, false, "CVL Plugin Settings (x)"),
              "<?xml version=\"1.0\"?>\n<obj_archive type=\"CVL Plugin Settings (x)\">\n" + kEnd);
    EXPECT_EQ(Written([](XMLArchive&) {}, true), kStart + kEnd);
    std::vector<std::uint8_t> bytes(33);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    const std::uint8_t mixed[] = {0xAB, 0xF0, 0x0F};
    EXPECT_EQ(Written([&](XMLArchive& a) {
                  a.WriteBool("on", true);
                  a.WriteBool("off", false);
                  a.WriteInt("n", -42);
                  a.WriteInt64("big", -9007199254740993);
                  a.WriteString("s", "Corvanel Sound");
                  a.WriteDouble("d", 0.25);
                  a.WritePtrId("p", 284);
                  // Binary in lines of 32 uppercase bytes.
                  a.WriteBinary("b", bytes.data(), bytes.size());
                  a.WriteBinary("m", mixed, 3);
                  a.WriteBinary("none", nullptr, 0);
              }),
              kStart + "<att name=\"on\" type=\"bool\">true</att>\n<att name=\"off\" type=\"bool\">false</att>\n"
                       "<att name=\"n\" type=\"i\">-42</att>\n<att name=\"big\" type=\"i64\">-9007199254740993</att>\n"
                       "<att name=\"s\" type=\"str\">Corvanel Sound</att>\n"
                       "<att name=\"d\" type=\"f\">0.2500000000000000</att>\n<att name=\"p\" type=\"ptr\">284</att>\n"
                       "<att name=\"b\" type=\"bin\" bin_size=\"33\">\n"
                       "\t000102030405060708090A0B0C0D0E0F101112131415161718191A1B1C1D1E1F\n\t20\n</att>\n"
                       "<att name=\"m\" type=\"bin\" bin_size=\"3\">\n\tABF00F\n</att>\n"
                       "<att name=\"none\" type=\"bin\" bin_size=\"0\">\n</att>\n" + kEnd);
}

TEST(XMLArchiveWrite, VectorsUseSixDigitsUntilTheFirstDoubleThenSixteenDecimals)
{
    Holder holder;
    holder.body = [](Archive& a) {
        a.WriteFloatVector("v", {0.5f, 1.2345678f, 3.0f});
        a.WriteDouble("x", 2.0);
        a.WriteDoubleVector("w", {0.5, -1.25});
        a.WriteFloatVector("e", {});
    };
    std::ostringstream out;
    const auto flags = out.flags();
    {
        XMLArchive archive(out, "TYPE", true);
        archive.BeginWriting();
        WriteObject(archive, holder, "o");
        archive.EndWriting();
    }
    EXPECT_EQ(MaskIds(out.str()), kStart + "<obj id=\"ID\" name=\"o\" type=\"Holder\">\n"
                                           "\t<att name=\"v\" type=\"fvec\" vec_size=\"3\">\n"
                                           "\t\t0.5|\n\t\t1.23457|\n\t\t3\n\t</att>\n"
                                           "\t<att name=\"x\" type=\"f\">2.0000000000000000</att>\n"
                                           "\t<att name=\"w\" type=\"fvec\" vec_size=\"2\">\n"
                                           "\t\t0.5000000000000000|\n\t\t-1.2500000000000000\n\t</att>\n"
                                           "\t<att name=\"e\" type=\"fvec\" vec_size=\"0\">\n\t</att>\n</obj>\n" +
                                      kEnd);
    EXPECT_EQ(out.flags(), flags);
    auto reader = Reader(out.str());
    reader->BeginReadObject("o", "Holder");
    std::vector<float> sixDigits;
    reader->ReadFloatVector("v", sixDigits);
    EXPECT_EQ(sixDigits, (std::vector<float>{0.5f, 1.23457f, 3.0f}));
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
    const char* readOnly = "archive created as read-only";
    EXPECT_CVN_FAILURE(archive->BeginWriting(), readOnly);
    EXPECT_CVN_FAILURE(archive->EndWriting(), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteBool("a", true), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteInt("a", 1), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteInt64("a", 1), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteDouble("a", 1), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteDoubleVector("a", {1.0}), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteFloatVector("a", {1.0f}), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteString("a", "x"), readOnly);
    EXPECT_CVN_FAILURE(archive->WriteBinary("a", &byte, 1), readOnly);
    EXPECT_CVN_FAILURE(archive->WritePtrId("a", 1), readOnly);
    EXPECT_CVN_FAILURE(archive->WritePtr("a", &color), readOnly);
    EXPECT_CVN_FAILURE(archive->BeginWriteObject(color, "c"), readOnly);
    EXPECT_CVN_FAILURE(archive->EndWriteObject(color), readOnly);
    EXPECT_EQ(color.GetObjectId(), 0u);
}
