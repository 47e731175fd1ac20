// What reading a settings text costs in memory, and the size limit on texts.
//
// This program replaces the global allocation functions to follow the bytes
// in use; each block is charged as the C library's allocator lays it out (the
// request plus its header, in 16-byte steps, at least 32 bytes), so that a
// structure of many small blocks pays what it really costs.

#include "SerializationTestSupport.h"

#include "serialization/XMLNodeTree.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

using namespace SerializationTest;

namespace
{

std::atomic<long long> gBytesInUse{0};
std::atomic<long long> gPeakBytesInUse{0};

constexpr std::size_t kHeader = alignof(std::max_align_t);

long long ChargedBytes(std::size_t size) noexcept
{
    const std::size_t chunk = (size + sizeof(std::size_t) + 15) & ~std::size_t{15};
    return static_cast<long long>(chunk < 32 ? 32 : chunk);
}

void* Allocate(std::size_t size)
{
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (block == nullptr)
        throw std::bad_alloc();
    std::memcpy(block, &size, sizeof size);
    const long long now = gBytesInUse.fetch_add(ChargedBytes(size), std::memory_order_relaxed) + ChargedBytes(size);
    long long peak = gPeakBytesInUse.load(std::memory_order_relaxed);
    while (now > peak && !gPeakBytesInUse.compare_exchange_weak(peak, now, std::memory_order_relaxed))
    {
    }
    return block + kHeader;
}

void Free(void* pointer) noexcept
{
    if (pointer == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - kHeader;
    std::size_t size = 0;
    std::memcpy(&size, block, sizeof size);
    gBytesInUse.fetch_sub(ChargedBytes(size), std::memory_order_relaxed);
    std::free(block);
}

struct MemoryUse
{
    long long peak = 0;     // the most in use at once above the start
    long long retained = 0; // still in use at the end of the work
};

template <class Work>
MemoryUse MeasureMemory(Work&& work)
{
    const long long start = gBytesInUse.load();
    gPeakBytesInUse = start;
    MemoryUse use;
    work([&] { use.retained = gBytesInUse.load() - start; });
    use.peak = gPeakBytesInUse.load() - start;
    return use;
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

} // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* pointer) noexcept { Free(pointer); }
void operator delete[](void* pointer) noexcept { Free(pointer); }
void operator delete(void* pointer, std::size_t) noexcept { Free(pointer); }
void operator delete[](void* pointer, std::size_t) noexcept { Free(pointer); }
// The library's temporary buffers come through these; under AddressSanitizer
// they would otherwise be its own, and freed here.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try
    {
        return Allocate(size);
    }
    catch (...)
    {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { Free(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { Free(pointer); }

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
        const double size = static_cast<double>(text->size());
        const std::string shape = text == &typical ? "typical" : "dense";
        RecordProperty(shape + "_peak_ratio", std::to_string(static_cast<double>(use.peak) / size));
        RecordProperty(shape + "_retained_ratio", std::to_string(static_cast<double>(use.retained) / size));
        // The reader's own copy of the text is one of these multiples.
        EXPECT_LE(static_cast<double>(use.peak) / size, 3.0);
        EXPECT_LE(static_cast<double>(use.retained) / size, 3.0);
    }
}

TEST(XMLArchiveMemory, TextsBeyondTheLimitAreRefusedBeforeTheyAreCopied)
{
    constexpr std::size_t kLimit = 16 * 1024 * 1024;
    static_assert(Serialization::kMaxSettingsTextBytes == kLimit);
    // A settings text padded to the limit is read; one byte more is refused.
    std::string text = "<obj_archive type=\"T\"><att name=\"a\" type=\"i\">7</att></obj_archive>";
    text.resize(kLimit, ' ');
    EXPECT_EQ(Reader(text)->ReadInt("a"), 7);
    text.push_back(' ');
    const MemoryUse use = MeasureMemory([&](const auto&) {
        EXPECT_PARSE_FAILURE(XMLArchive(text.data(), text.size()), "archive text larger than 16777216 bytes");
    });
    EXPECT_LT(use.peak, 64 * 1024);
    EXPECT_PARSE_FAILURE(Serialization::XMLNodeTree{text}, "archive text larger than 16777216 bytes");
}
