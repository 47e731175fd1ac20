// What reading a settings text costs in memory, and the size limit on texts.

#include "SerializationTestSupport.h"

#include "serialization/XMLNodeTree.h"
#include "support/CountingAllocator.h"

using namespace SerializationTest;
using CountingAllocator::MeasureMemory;
using CountingAllocator::MemoryUse;

namespace
{

// Copies of the default configuration's settings text, each inside an object
// of its own and with ids of its own, until the text has `bytes` bytes: the
// shape of real settings (nested objects, short attributes), in bulk.
std::string LargeSettingsText(std::size_t bytes)
{
    const std::string golden = TestFiles::ReadFile(QUARVIX_TEST_DATA_DIR "/default_config.golden.xml");
    const std::size_t bodyStart = golden.find('\n') + 1;
    const std::string body = golden.substr(bodyStart, golden.rfind("</obj_archive>") - bodyStart);
    std::string text = golden.substr(0, bodyStart);
    std::uint64_t id = 1;
    const auto nextId = [&] {
        char digits[16];
        std::snprintf(digits, sizeof digits, "%010llu", static_cast<unsigned long long>(id++));
        return std::string(digits);
    };
    for (int copy = 0; text.size() < bytes; ++copy)
    {
        text += "<obj id=\"" + nextId() + "\" name=\"copy" + std::to_string(copy) + "\" type=\"Copy\">\n";
        for (std::size_t at = 0, from = 0;; from = at + 10)
        {
            at = body.find("##########", from);
            text.append(body, from, at == std::string::npos ? std::string::npos : at - from);
            if (at == std::string::npos)
                break;
            text += nextId();
        }
        text += "</obj>\n";
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
