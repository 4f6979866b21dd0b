#pragma once
// Rows of packed pixels in every depth a bitmap row can have, fetched into and stored from one
// common form: a uint32_t per pixel holding the stored value, which is the palette index at 1,
// 2, 4 and 8 bits and 0x00RRGGBB at 16 (5-5-5), 24 and 32 bits. Rows are laid out as in a DIB:
// the leftmost pixel in the high bits of the first byte, true colour as blue, green, red bytes
// (with an unused fourth byte at 32 bits, a 5-5-5 little-endian word at 16 bits).
//
// The row functions come from one table keyed by depth, picked once per row loop; the
// single-pixel functions below are the plain definition they agree with.

#include <cstddef>
#include <cstdint>

namespace gdi {

// A 5-bit channel scaled to eight bits, rounded to nearest; and back, so that storing a fetched
// 16-bit pixel gives it back unchanged.
constexpr uint32_t expandChannel5(uint32_t v) { return (v * 255 + 15) / 31; }
constexpr uint32_t reduceChannel8(uint32_t c) { return (c * 31 + 127) / 255; }

// The stored value of pixel x of a row.
template <int Bits>
uint32_t loadPackedPixel(const uint8_t* row, int x)
{
    static_assert(Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8 || Bits == 16 || Bits == 24 || Bits == 32);
    if constexpr (Bits < 8) {
        constexpr unsigned perByte = 8 / Bits;
        const unsigned at = static_cast<unsigned>(x);
        const unsigned shift = 8 - Bits * (at % perByte + 1);
        return (row[at / perByte] >> shift) & ((1u << Bits) - 1);
    } else if constexpr (Bits == 8) {
        return row[x];
    } else if constexpr (Bits == 16) {
        const uint8_t* p = row + 2 * static_cast<size_t>(x);
        const uint32_t v = p[0] | (uint32_t{p[1]} << 8);
        return (expandChannel5((v >> 10) & 31) << 16) | (expandChannel5((v >> 5) & 31) << 8) | expandChannel5(v & 31);
    } else {
        const uint8_t* p = row + (Bits / 8) * static_cast<size_t>(x);
        return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
}

// Stores value into pixel x of a row, leaving its neighbours alone. Palettised depths keep the
// value's low bits; 16 bits rounds each channel to five bits; 32 bits zeroes the fourth byte.
template <int Bits>
void storePackedPixel(uint8_t* row, int x, uint32_t value)
{
    static_assert(Bits == 1 || Bits == 2 || Bits == 4 || Bits == 8 || Bits == 16 || Bits == 24 || Bits == 32);
    if constexpr (Bits < 8) {
        constexpr unsigned perByte = 8 / Bits;
        constexpr uint32_t mask = (1u << Bits) - 1;
        const unsigned at = static_cast<unsigned>(x);
        const unsigned shift = 8 - Bits * (at % perByte + 1);
        uint8_t& b = row[at / perByte];
        b = static_cast<uint8_t>((b & ~(mask << shift)) | ((value & mask) << shift));
    } else if constexpr (Bits == 8) {
        row[x] = static_cast<uint8_t>(value);
    } else if constexpr (Bits == 16) {
        const uint32_t v = (reduceChannel8((value >> 16) & 0xFF) << 10) | (reduceChannel8((value >> 8) & 0xFF) << 5)
            | reduceChannel8(value & 0xFF);
        uint8_t* p = row + 2 * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
    } else {
        uint8_t* p = row + (Bits / 8) * static_cast<size_t>(x);
        p[0] = static_cast<uint8_t>(value);
        p[1] = static_cast<uint8_t>(value >> 8);
        p[2] = static_cast<uint8_t>(value >> 16);
        if constexpr (Bits == 32)
            p[3] = 0;
    }
}

// Pixels [x0, x0 + count) of a row, x0 >= 0 and on any bit boundary. Only the bytes those pixels
// occupy are read or written.
using FetchPackedRow = void (*)(const uint8_t* row, int x0, int count, uint32_t* out);
using StorePackedRow = void (*)(const uint32_t* in, int x0, int count, uint8_t* row);
// colors holds 0x00RRGGBB (or any 32-bit value) for every index the depth can store.
using FetchColorRow = void (*)(const uint8_t* row, int x0, int count, const uint32_t* colors, uint32_t* out);
using FetchIndexRow = void (*)(const uint8_t* row, int x0, int count, uint8_t* out);
using StoreIndexRow = void (*)(const uint8_t* in, int x0, int count, uint8_t* row);

struct PackedRowFormat {
    int bitsPerPixel;
    FetchPackedRow fetch;
    StorePackedRow store;
    // Colours of the pixels: palette indexes looked up in colors, direct depths as fetch does
    // (colors is then not read).
    FetchColorRow fetchColors;
    // One byte per pixel, for palettised depths only (null above 8 bits).
    FetchIndexRow fetchIndexes;
    StoreIndexRow storeIndexes;

    bool isPalettised() const { return bitsPerPixel <= 8; }
};

bool hasPackedRowFormat(int bitsPerPixel);

// The row functions of a depth: 1, 2, 4, 8, 16, 24 or 32 bits (std::invalid_argument otherwise).
const PackedRowFormat& packedRowFormat(int bitsPerPixel);

// Pixels of one row of one depth into another row of another depth, through the common form:
// values pass unchanged between palettised depths and between direct ones.
void convertPackedRow(const PackedRowFormat& from, const uint8_t* source, int sourceX, const PackedRowFormat& to,
                      uint8_t* target, int targetX, int count);

} // namespace gdi
