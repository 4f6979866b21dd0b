#include "platform/gdi/blit_fast_rows.h"

#include "platform/gdi/paint_internal.h"

#include <cstring>

namespace gdi::detail {
namespace {

uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

template <int Bytes>
void copyRowStraight(const CopyRow& r)
{
    std::memmove(r.dest + Bytes * static_cast<size_t>(r.destX), r.source + Bytes * static_cast<size_t>(r.sourceX),
                 Bytes * static_cast<size_t>(r.count));
}

template <int Bytes>
void copyRowMapped(const CopyRow& r)
{
    uint8_t* d = r.dest + Bytes * static_cast<size_t>(r.destX);
    int i = 0;
    if constexpr (Bytes == 3) {
        // Whole 4-byte moves: the fourth byte lands on the next pixel, which is written next.
        for (; i + 1 < r.count; ++i, d += 3) {
            const size_t at = 3 * static_cast<size_t>(r.columns[i]);
            if (at + 4 > r.sourceRowBytes)
                break;
            store32(d, load32(r.source + at));
        }
    }
    for (; i < r.count; ++i, d += Bytes) {
        const uint8_t* p = r.source + Bytes * static_cast<size_t>(r.columns[i]);
        if constexpr (Bytes == 4) {
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        } else {
            std::memcpy(d, p, Bytes);
        }
    }
}

// 24-bit pixels into 32-bit ones; the fourth byte of each destination pixel is not part of the
// colour and keeps its value.
void copyRow24To32(const CopyRow& r)
{
    const uint8_t* s = r.source + 3 * static_cast<size_t>(r.sourceX);
    uint8_t* d = r.dest + 4 * static_cast<size_t>(r.destX);
    const size_t sourceEnd = r.sourceRowBytes - 3 * static_cast<size_t>(r.sourceX);
    int i = 0;
    // A 4-byte read of the last pixel could pass the end of the source row.
    for (; i < r.count && 3 * static_cast<size_t>(i) + 4 <= sourceEnd; ++i)
        store32(d + 4 * i, (load32(s + 3 * i) & 0x00FFFFFFu) | (load32(d + 4 * i) & 0xFF000000u));
    for (; i < r.count; ++i)
        std::memcpy(d + 4 * i, s + 3 * i, 3);
}

// 32-bit pixels into 24-bit ones: whole 4-byte writes whose fourth byte the next pixel
// overwrites, the last pixel by its three bytes.
void copyRow32To24(const CopyRow& r)
{
    const uint8_t* s = r.source + 4 * static_cast<size_t>(r.sourceX);
    uint8_t* d = r.dest + 3 * static_cast<size_t>(r.destX);
    int i = 0;
    for (; i + 1 < r.count; ++i)
        store32(d + 3 * i, load32(s + 4 * i));
    if (i < r.count)
        std::memcpy(d + 3 * i, s + 4 * i, 3);
}

struct FastRow {
    uint32_t ropIndex;
    int sourceBits;
    int destBits;
    bool mapped; // columns scaled or mirrored
    CopyRowFunction row;
};

constexpr uint32_t kSourceCopy = 0xCC;

// Rows of the table are tried in order. 32-bit rows copy only the colour bytes.
constexpr FastRow kFastRows[] = {
    {kSourceCopy, 8, 8, false, &copyRowStraight<1>},  {kSourceCopy, 24, 24, false, &copyRowStraight<3>},
    {kSourceCopy, 32, 32, false, &copyRowMapped<4>},  {kSourceCopy, 8, 8, true, &copyRowMapped<1>},
    {kSourceCopy, 24, 24, true, &copyRowMapped<3>},   {kSourceCopy, 32, 32, true, &copyRowMapped<4>},
    {kSourceCopy, 24, 32, false, &copyRow24To32},     {kSourceCopy, 32, 24, false, &copyRow32To24},
};

bool gFastRowsEnabled = true;

} // namespace

void setBlitFastPathsEnabled(bool enabled) { gFastRowsEnabled = enabled; }

CopyRowFunction findFastRow(uint32_t ropIndex, int sourceBits, int destBits, bool mapped)
{
    if (!gFastRowsEnabled)
        return nullptr;
    for (const FastRow& f : kFastRows)
        if (f.ropIndex == ropIndex && f.sourceBits == sourceBits && f.destBits == destBits && f.mapped == mapped)
            return f.row;
    return nullptr;
}

} // namespace gdi::detail
