#include "host/ControlIds.h"

namespace
{

FourCharCode Pack(unsigned char a, unsigned char b, unsigned char c, unsigned char d, bool bigEndian)
{
    if (bigEndian)
        return (FourCharCode(a) << 24) | (FourCharCode(b) << 16) | (FourCharCode(c) << 8) | d;
    return (FourCharCode(d) << 24) | (FourCharCode(c) << 16) | (FourCharCode(b) << 8) | a;
}

} // namespace

FourCharCode ControlIdForIndex(std::int32_t index, bool bigEndian) noexcept
{
    // Beyond 'zz' the letters would run into punctuation and the id could no
    // longer be read back.
    if (index < 0 || index >= kControlIdIndexCount)
        return 0;
    const auto first = static_cast<unsigned char>('a' + index / 26);
    const auto second = static_cast<unsigned char>('a' + index % 26);
    return Pack('c', 't', first, second, bigEndian);
}

std::int32_t IndexForControlId(FourCharCode id, bool bigEndian) noexcept
{
    const FourCharCode ordered = bigEndian ? id : Pack(id & 0xff, (id >> 8) & 0xff, (id >> 16) & 0xff, id >> 24, true);
    const auto c0 = static_cast<unsigned char>(ordered >> 24);
    const auto c1 = static_cast<unsigned char>(ordered >> 16);
    const auto c2 = static_cast<unsigned char>(ordered >> 8);
    const auto c3 = static_cast<unsigned char>(ordered);
    if (c0 != 'c' || c1 != 't' || c2 < 'a' || c2 > 'z' || c3 < 'a' || c3 > 'z')
        return -1;
    return (c2 - 'a') * 26 + (c3 - 'a');
}
