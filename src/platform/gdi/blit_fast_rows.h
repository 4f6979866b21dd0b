#pragma once
// Fast rows of a blit: copies between byte-aligned formats whose values need no conversion, and
// palettised rows looked up into true colour, as rows of a table keyed by raster operation and
// formats. Anything else takes the general row.

#include <cstddef>
#include <cstdint>

namespace gdi::detail {

// One destination row of a copy. `columns` holds the source column of each destination pixel
// when the copy is scaled or mirrored; otherwise the source starts at `sourceX`.
struct CopyRow {
    uint8_t* dest;
    const uint8_t* source;
    int destX;
    int count;
    int sourceX;
    const int* columns;
    size_t sourceRowBytes;
    // The source's colours, 0x00RRGGBB for every index its depth can store; set for the rows
    // that look palettised sources up.
    const uint32_t* colors = nullptr;
};

using CopyRowFunction = void (*)(const CopyRow&);

// Null when no fast row applies (or the fast rows are switched off). lookedUp: the source's
// values are palette indexes that become colours through CopyRow::colors.
CopyRowFunction findFastRow(uint32_t ropIndex, int sourceBits, int destBits, bool mapped, bool lookedUp = false);

} // namespace gdi::detail
