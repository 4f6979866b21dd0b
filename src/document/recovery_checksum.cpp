#include "document/recovery_checksum.h"

#include <array>
#include <cstring>

namespace recovery {

namespace {

constexpr uint32_t Polynomial = 0x82F63B78u; // CRC-32C, reflected

constexpr std::array<uint32_t, 256> makeTable()
{
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ Polynomial : c >> 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> Table = makeTable();

uint32_t bytewise(uint32_t crc, const uint8_t* bytes, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        crc = Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__)
__attribute__((target("sse4.2"))) uint32_t hardware(uint32_t crc, const uint8_t* bytes, size_t count)
{
    uint64_t c = crc;
    while (count >= 8) {
        uint64_t word;
        std::memcpy(&word, bytes, 8);
        c = __builtin_ia32_crc32di(c, word);
        bytes += 8;
        count -= 8;
    }
    uint32_t c32 = static_cast<uint32_t>(c);
    while (count > 0) {
        c32 = __builtin_ia32_crc32qi(c32, *bytes++);
        --count;
    }
    return c32;
}

bool hasHardware()
{
    static const bool has = __builtin_cpu_supports("sse4.2");
    return has;
}
#endif

} // namespace

uint32_t Checksum(const uint8_t* bytes, size_t count)
{
#if defined(__x86_64__)
    if (hasHardware())
        return ~hardware(~0u, bytes, count);
#endif
    return ~bytewise(~0u, bytes, count);
}

} // namespace recovery
