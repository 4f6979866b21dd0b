#pragma once
// Little-endian fields of the bitmap and icon file formats, read from and written into byte
// buffers. Callers check that the buffer is long enough.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace little_endian {

inline uint16_t u16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline uint32_t u32(std::span<const uint8_t> bytes, size_t at)
{
    return uint32_t{bytes[at]} | (uint32_t{bytes[at + 1]} << 8) | (uint32_t{bytes[at + 2]} << 16)
        | (uint32_t{bytes[at + 3]} << 24);
}

inline void putU16(std::vector<uint8_t>& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

inline void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace little_endian
