#pragma once
// Black and white to 16 greys, four pixels at a time. An entry is looked up with a byte whose
// high nibble holds four pixels of a row and whose low nibble the four pixels below them (bit 7
// and bit 3 the leftmost); it gives their four grey indexes packed as two destination bytes,
// the leftmost pixel in the high nibble of the first byte.

#include <array>
#include <cstdint>

struct TAntiAliasEntry {
    uint8_t first = 0;  // g0 << 4 | g1
    uint8_t second = 0; // g2 << 4 | g3
};

// Built once, on first use.
const std::array<TAntiAliasEntry, 256>& antiAliasTable();
