#include "platform/gdi/blit_fast_rows.h"

#include "platform/gdi/packed_rows.h"
#include "platform/gdi/paint_internal.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

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
void copyRow24To32Plain(const uint8_t* s, uint8_t* d, int count)
{
    for (int i = 0; i < count; ++i, s += 3, d += 4)
        std::memcpy(d, s, 3);
}

// 32-bit pixels into 24-bit ones.
void copyRow32To24Plain(const uint8_t* s, uint8_t* d, int count)
{
    for (int i = 0; i < count; ++i, s += 4, d += 3)
        std::memcpy(d, s, 3);
}

#if defined(__x86_64__)
// Whole pictures go through these on every undo and redo; a byte shuffle moves four pixels at
// a time, where the processor has one.
const bool kHasShuffle = __builtin_cpu_supports("ssse3");

__attribute__((target("ssse3"))) void copyRow24To32Shuffled(const uint8_t* s, uint8_t* d, int count, size_t sourceBytes)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    // Each 16-byte read takes four pixels and the first bytes of the next; it stays in the row.
    for (; i + 4 <= count && 3 * static_cast<size_t>(i) + 16 <= sourceBytes; i += 4) {
        const __m128i colours = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 3 * i)), spread);
        __m128i* out = reinterpret_cast<__m128i*>(d + 4 * i);
        _mm_storeu_si128(out, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(out), fourth), colours));
    }
    copyRow24To32Plain(s + 3 * i, d + 4 * i, count - i);
}

__attribute__((target("ssse3"))) void copyRow32To24Shuffled(const uint8_t* s, uint8_t* d, int count)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    // Each 16-byte write carries four pixels and four bytes the next write replaces, so the last
    // group is left to the plain loop.
    for (; i + 8 <= count; i += 4) {
        const __m128i packed = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * i)), pack);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 3 * i), packed);
    }
    copyRow32To24Plain(s + 4 * i, d + 3 * i, count - i);
}
#endif

void copyRow24To32(const CopyRow& r)
{
    const uint8_t* s = r.source + 3 * static_cast<size_t>(r.sourceX);
    uint8_t* d = r.dest + 4 * static_cast<size_t>(r.destX);
#if defined(__x86_64__)
    if (kHasShuffle)
        return copyRow24To32Shuffled(s, d, r.count, r.sourceRowBytes - 3 * static_cast<size_t>(r.sourceX));
#endif
    copyRow24To32Plain(s, d, r.count);
}

void copyRow32To24(const CopyRow& r)
{
    const uint8_t* s = r.source + 4 * static_cast<size_t>(r.sourceX);
    uint8_t* d = r.dest + 3 * static_cast<size_t>(r.destX);
#if defined(__x86_64__)
    if (kHasShuffle)
        return copyRow32To24Shuffled(s, d, r.count);
#endif
    copyRow32To24Plain(s, d, r.count);
}

// Palettised pixels as their colours into true colour: a whole picture of another depth goes
// through here whenever it is drawn into the work image. The colours are looked up a stretch
// at a time and then stored; 32-bit pixels keep their fourth bytes.
template <int SourceBits, int DestBytes>
void copyRowLookedUp(const CopyRow& r)
{
    const FetchColorRow fetchColors = packedRowFormat(SourceBits).fetchColors;
    uint8_t* d = r.dest + DestBytes * static_cast<size_t>(r.destX);
    constexpr int Stretch = 256;
    uint32_t colors[Stretch];
    for (int done = 0; done < r.count;) {
        const int n = std::min(Stretch, r.count - done);
        fetchColors(r.source, r.sourceX + done, n, r.colors, colors);
        for (int i = 0; i < n; ++i, d += DestBytes) {
            if constexpr (DestBytes == 4) {
                store32(d, (load32(d) & 0xFF000000u) | colors[i]);
            } else {
                d[0] = static_cast<uint8_t>(colors[i]);
                d[1] = static_cast<uint8_t>(colors[i] >> 8);
                d[2] = static_cast<uint8_t>(colors[i] >> 16);
            }
        }
        done += n;
    }
}

struct FastRow {
    uint32_t ropIndex;
    int sourceBits;
    int destBits;
    bool mapped;   // columns scaled or mirrored
    bool lookedUp; // source indexes become colours through the source's table
    CopyRowFunction row;
};

constexpr uint32_t kSourceCopy = 0xCC;

// Rows of the table are tried in order. 32-bit rows copy only the colour bytes.
constexpr FastRow kFastRows[] = {
    {kSourceCopy, 8, 8, false, false, &copyRowStraight<1>},
    {kSourceCopy, 24, 24, false, false, &copyRowStraight<3>},
    {kSourceCopy, 32, 32, false, false, &copyRowMapped<4>},
    {kSourceCopy, 8, 8, true, false, &copyRowMapped<1>},
    {kSourceCopy, 24, 24, true, false, &copyRowMapped<3>},
    {kSourceCopy, 32, 32, true, false, &copyRowMapped<4>},
    {kSourceCopy, 24, 32, false, false, &copyRow24To32},
    {kSourceCopy, 32, 24, false, false, &copyRow32To24},
    {kSourceCopy, 1, 32, false, true, &copyRowLookedUp<1, 4>},
    {kSourceCopy, 4, 32, false, true, &copyRowLookedUp<4, 4>},
    {kSourceCopy, 8, 32, false, true, &copyRowLookedUp<8, 4>},
    {kSourceCopy, 1, 24, false, true, &copyRowLookedUp<1, 3>},
    {kSourceCopy, 4, 24, false, true, &copyRowLookedUp<4, 3>},
    {kSourceCopy, 8, 24, false, true, &copyRowLookedUp<8, 3>},
};

bool gFastRowsEnabled = true;

} // namespace

void setBlitFastPathsEnabled(bool enabled) { gFastRowsEnabled = enabled; }

CopyRowFunction findFastRow(uint32_t ropIndex, int sourceBits, int destBits, bool mapped, bool lookedUp)
{
    if (!gFastRowsEnabled)
        return nullptr;
    for (const FastRow& f : kFastRows)
        if (f.ropIndex == ropIndex && f.sourceBits == sourceBits && f.destBits == destBits && f.mapped == mapped &&
            f.lookedUp == lookedUp)
            return f.row;
    return nullptr;
}

} // namespace gdi::detail
