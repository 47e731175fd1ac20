// Arbitrary values written to an archive must read back equal: integers of
// every width, the bytes as binary data, the bytes as a string (or a refusal
// when they hold a character that strings cannot carry), and floats as
// written after the switch to sixteen decimals.

#include "serialization/XMLArchive.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace
{

using namespace Serialization;

template <class T>
T Take(const std::uint8_t*& data, std::size_t& size)
{
    T value{};
    const std::size_t count = std::min(size, sizeof(T));
    std::memcpy(&value, data, count);
    data += count;
    size -= count;
    return value;
}

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto flag = Take<std::uint8_t>(data, size);
    const auto small = Take<std::int32_t>(data, size);
    const auto large = Take<std::int64_t>(data, size);
    const auto real = Take<float>(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::uint8_t> bytes(data, data + size);
    const bool finite = std::isfinite(real);

    std::ostringstream out;
    bool textWritten = false;
    {
        XMLArchive archive(out, "fuzz", (flag & 1) != 0);
        archive.BeginWriting();
        archive.WriteBool("flag", (flag & 2) != 0);
        archive.WriteInt("small", small);
        archive.WriteInt64("large", large);
        archive.WriteDouble("switch", 1.0);
        if (finite)
            archive.WriteFloatVector("reals", {real, -real});
        archive.WriteBinary("bytes", bytes.data(), bytes.size());
        try
        {
            archive.WriteString("text", text);
            textWritten = true;
        }
        catch (const XMLArchive::ParseException&)
        {
        }
        archive.EndWriting();
    }

    const std::string written = out.str();
    XMLArchive archive(written.data(), written.size());
    archive.BeginReading();
    Require(archive.GetArchiveTypeName() == "fuzz");
    Require(archive.ReadBool("flag") == ((flag & 2) != 0));
    Require(archive.ReadInt("small") == small);
    Require(archive.ReadInt64("large") == large);
    if (finite)
    {
        std::vector<float> reals;
        archive.ReadFloatVector("reals", reals);
        Require(reals.size() == 2);
        // Sixteen decimals carry every float of magnitude above about 1e-8.
        Require(std::fabs(reals[0] - real) <= 1e-15f + std::fabs(real) * 1e-7f);
        Require(reals[1] == -reals[0]);
    }
    Require(archive.ReadBinary("bytes") == bytes);
    Require(archive.HasNode("text") == textWritten);
    if (textWritten)
        Require(archive.ReadString("text") == text);
    return 0;
}
