// Settings text is the same, and reads the same, whatever locale the host has
// put the process in: numbers always have a decimal point and no grouping.

#include "LocaleTestSupport.h"
#include "SerializationTestSupport.h"

#include <cmath>
#include <limits>

using namespace SerializationTest;

namespace
{

const std::string kEnd = std::string("</obj_archive>\n") + '\0';

class XMLArchiveLocale : public LocaleTest::DecimalCommaTest
{
};

TEST_P(XMLArchiveLocale, EveryNumberIsWrittenInTheCForms)
{
    const std::uint8_t bytes[] = {0xAB, 0x01};
    // The stream is made inside the locale, as a host's would be.
    const std::string text = Written([&](XMLArchive& a) {
        a.WriteInt("i", 4096);
        a.WriteInt("neg", -1234567);
        a.WriteInt64("big", 9007199254740993);
        a.WritePtrId("p", 284000);
        a.WriteFloatVector("six", {0.5f, -3.5f, 1234.5f, 1234567.0f});
        a.WriteDouble("d", 0.5);
        a.WriteDouble("large", -1234567.25);
        a.WriteFloatVector("sixteen", {-3.5f, 4096.0f});
        a.WriteBinary("b", bytes, 2);
    });
    EXPECT_EQ(text, "<obj_archive type=\"TYPE\">\n"
                    "<att name=\"i\" type=\"i\">4096</att>\n"
                    "<att name=\"neg\" type=\"i\">-1234567</att>\n"
                    "<att name=\"big\" type=\"i64\">9007199254740993</att>\n"
                    "<att name=\"p\" type=\"ptr\">284000</att>\n"
                    "<att name=\"six\" type=\"fvec\" vec_size=\"4\">\n"
                    "\t0.5|\n\t-3.5|\n\t1234.5|\n\t1.23457e+06\n</att>\n"
                    "<att name=\"d\" type=\"f\">0.5000000000000000</att>\n"
                    "<att name=\"large\" type=\"f\">-1234567.2500000000000000</att>\n"
                    "<att name=\"sixteen\" type=\"fvec\" vec_size=\"2\">\n"
                    "\t-3.5000000000000000|\n\t4096.0000000000000000\n</att>\n"
                    "<att name=\"b\" type=\"bin\" bin_size=\"2\">\n\tAB01\n</att>\n" +
                        kEnd);
}

TEST_P(XMLArchiveLocale, EveryNumberIsReadInTheCForms)
{
    const std::string text = "<obj_archive type=\"T\">"
                             "<att name=\"i\" type=\"i\">4096</att><att name=\"hex\" type=\"i\">0x10</att>"
                             "<att name=\"e\" type=\"i64\">1e3</att>"
                             "<att name=\"l\" type=\"i64\">-9007199254740993</att>"
                             "<att name=\"d\" type=\"f\">0.5000000000000000</att>"
                             "<att name=\"x\" type=\"f\">-1.25e-3</att><att name=\"inf\" type=\"f\">-inf</att>"
                             "<att name=\"v\" type=\"fvec\" vec_size=\"3\">\n\t0.5|\n\t-3.5|\n\t1234.5\n</att>"
                             "<att name=\"w\" type=\"fvec\" vec_size=\"2\">0.25|7</att>"
                             "<att name=\"b\" type=\"bin\" bin_size=\"2\">00FF</att>"
                             "<obj id=\"0000000284\" name=\"o\" type=\"A\"></obj>"
                             "</obj_archive>";
    auto archive = Reader(text);
    EXPECT_EQ(archive->ReadInt("i"), 4096);
    EXPECT_EQ(archive->ReadInt("hex"), 16);
    EXPECT_EQ(archive->ReadInt64("e"), 1000);
    EXPECT_EQ(archive->ReadInt64("l"), -9007199254740993);
    EXPECT_EQ(archive->ReadDouble("d"), 0.5);
    EXPECT_EQ(archive->ReadDouble("x"), -0.00125);
    EXPECT_EQ(archive->ReadDouble("inf"), -std::numeric_limits<double>::infinity());
    std::vector<float> floats;
    archive->ReadFloatVector("v", floats);
    EXPECT_EQ(floats, (std::vector<float>{0.5f, -3.5f, 1234.5f}));
    std::vector<double> doubles;
    archive->ReadDoubleVector("w", doubles);
    EXPECT_EQ(doubles, (std::vector<double>{0.25, 7.0}));
    EXPECT_EQ(archive->ReadBinary("b"), (std::vector<std::uint8_t>{0x00, 0xFF}));
    EXPECT_EQ(archive->FindObjectById(284), "A");
}

QUARVIX_INSTANTIATE_DECIMAL_COMMA_TESTS(XMLArchiveLocale);

} // namespace
