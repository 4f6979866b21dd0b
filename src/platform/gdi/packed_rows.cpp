#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#define PICTAVO_PACKED_ROWS_SSSE3 1
#endif

namespace gdi {
namespace {

// ---- 1, 2 and 4 bits: partial bytes at the ends pixel by pixel, whole bytes between ------------

struct Unchanged {
    uint32_t operator()(uint32_t v) const { return v; }
};

struct ThroughTable {
    const uint32_t* colors;
    uint32_t operator()(uint32_t v) const { return colors[v]; }
};

// The pixels of every byte value, for plain fetches: one copy per whole byte.
template <int Bits, class Out>
constexpr auto spreadBytes = [] {
    constexpr int perByte = 8 / Bits;
    std::array<std::array<Out, perByte>, 256> t{};
    for (uint32_t b = 0; b < 256; ++b)
        for (int k = 0; k < perByte; ++k)
            t[b][k] = static_cast<Out>((b >> (8 - Bits * (k + 1))) & ((1u << Bits) - 1));
    return t;
}();

template <int Bits, class Out, class Map>
void fetchSubByte(const uint8_t* row, int x0, int count, Out* out, Map map)
{
    constexpr int perByte = 8 / Bits;
    constexpr uint32_t mask = (1u << Bits) - 1;
    int i = 0;
    for (; i < count && (x0 + i) % perByte != 0; ++i)
        out[i] = static_cast<Out>(map(loadPackedPixel<Bits>(row, x0 + i)));
    const uint8_t* p = row + (x0 + i) / perByte;
    if constexpr (std::is_same_v<Map, Unchanged>) {
        for (; i + perByte <= count; i += perByte, ++p)
            std::memcpy(out + i, spreadBytes<Bits, Out>[*p].data(), sizeof(Out) * perByte);
    }
    for (; i + perByte <= count; i += perByte, ++p) {
        const uint32_t b = *p;
        for (int k = 0; k < perByte; ++k)
            out[i + k] = static_cast<Out>(map((b >> (8 - Bits * (k + 1))) & mask));
    }
    for (; i < count; ++i)
        out[i] = static_cast<Out>(map(loadPackedPixel<Bits>(row, x0 + i)));
}

template <int Bits, class In>
void storeSubByte(const In* in, int x0, int count, uint8_t* row)
{
    constexpr int perByte = 8 / Bits;
    constexpr uint32_t mask = (1u << Bits) - 1;
    int i = 0;
    for (; i < count && (x0 + i) % perByte != 0; ++i)
        storePackedPixel<Bits>(row, x0 + i, in[i]);
    const In* __restrict from = in;
    uint8_t* __restrict p = row + (x0 + i) / perByte;
    for (; i + perByte <= count; i += perByte, ++p) {
        uint32_t b = 0;
        for (int k = 0; k < perByte; ++k)
            b = (b << Bits) | (from[i + k] & mask);
        *p = static_cast<uint8_t>(b);
    }
    for (; i < count; ++i)
        storePackedPixel<Bits>(row, x0 + i, in[i]);
}

template <int Bits>
void fetchBits(const uint8_t* row, int x0, int count, uint32_t* out)
{
    fetchSubByte<Bits>(row, x0, count, out, Unchanged{});
}

template <int Bits>
void fetchBitColors(const uint8_t* row, int x0, int count, const uint32_t* colors, uint32_t* out)
{
    fetchSubByte<Bits>(row, x0, count, out, ThroughTable{colors});
}

template <int Bits>
void fetchBitIndexes(const uint8_t* row, int x0, int count, uint8_t* out)
{
    fetchSubByte<Bits>(row, x0, count, out, Unchanged{});
}

template <int Bits>
void storeBits(const uint32_t* in, int x0, int count, uint8_t* row)
{
    storeSubByte<Bits>(in, x0, count, row);
}

template <int Bits>
void storeBitIndexes(const uint8_t* in, int x0, int count, uint8_t* row)
{
    storeSubByte<Bits>(in, x0, count, row);
}

// ---- 8 bits: plain loops the compiler widens and narrows many pixels at a time --------------------

void fetch8(const uint8_t* row, int x0, int count, uint32_t* out)
{
    const uint8_t* __restrict p = row + x0;
    uint32_t* __restrict q = out;
    for (int i = 0; i < count; ++i)
        q[i] = p[i];
}

void store8(const uint32_t* in, int x0, int count, uint8_t* row)
{
    const uint32_t* __restrict p = in;
    uint8_t* __restrict q = row + x0;
    for (int i = 0; i < count; ++i)
        q[i] = static_cast<uint8_t>(p[i]);
}

void fetch8Colors(const uint8_t* row, int x0, int count, const uint32_t* colors, uint32_t* out)
{
    const uint8_t* p = row + x0;
    for (int i = 0; i < count; ++i)
        out[i] = colors[p[i]];
}

void fetch8Indexes(const uint8_t* row, int x0, int count, uint8_t* out)
{
    if (count > 0)
        std::memcpy(out, row + x0, static_cast<size_t>(count));
}

void store8Indexes(const uint8_t* in, int x0, int count, uint8_t* row)
{
    if (count > 0)
        std::memcpy(row + x0, in, static_cast<size_t>(count));
}

// ---- 16 bits, 5-5-5 -----------------------------------------------------------------------------

// expandChannel5 and reduceChannel8 without division, so that the loops run many pixels at a
// time; equal to them on every input.
inline uint32_t expand5(uint32_t v) { return (v * 527 + 23) >> 6; }
inline uint32_t reduce8(uint32_t c)
{
    const uint32_t x = c * 31 + 127;
    return (x + 1 + (x >> 8)) >> 8;
}

void fetch16(const uint8_t* row, int x0, int count, uint32_t* out)
{
    const uint8_t* __restrict p = row + 2 * static_cast<size_t>(x0);
    uint32_t* __restrict q = out;
    for (int i = 0; i < count; ++i) {
        uint16_t w;
        std::memcpy(&w, p + 2 * static_cast<size_t>(i), 2);
        const uint32_t v = w;
        q[i] = (expand5((v >> 10) & 31) << 16) | (expand5((v >> 5) & 31) << 8) | expand5(v & 31);
    }
}

void store16(const uint32_t* in, int x0, int count, uint8_t* row)
{
    const uint32_t* __restrict p = in;
    uint8_t* __restrict q = row + 2 * static_cast<size_t>(x0);
    for (int i = 0; i < count; ++i) {
        const uint32_t c = p[i];
        const auto w = static_cast<uint16_t>((reduce8((c >> 16) & 0xFF) << 10) | (reduce8((c >> 8) & 0xFF) << 5)
                                             | reduce8(c & 0xFF));
        std::memcpy(q + 2 * static_cast<size_t>(i), &w, 2);
    }
}

// ---- 24 bits ------------------------------------------------------------------------------------

// Four pixels at a time from three little-endian words (b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3).
void fetch24Plain(const uint8_t* row, int x0, int count, uint32_t* out)
{
    const uint8_t* p = row + 3 * static_cast<size_t>(x0);
    int i = 0;
    for (; i + 4 <= count; i += 4, p += 12) {
        uint32_t w[3];
        std::memcpy(w, p, sizeof w);
        out[i] = w[0] & 0xFFFFFFu;
        out[i + 1] = ((w[0] >> 24) | (w[1] << 8)) & 0xFFFFFFu;
        out[i + 2] = ((w[1] >> 16) | (w[2] << 16)) & 0xFFFFFFu;
        out[i + 3] = w[2] >> 8;
    }
    for (; i < count; ++i, p += 3)
        out[i] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void store24Plain(const uint32_t* in, int x0, int count, uint8_t* row)
{
    uint8_t* p = row + 3 * static_cast<size_t>(x0);
    int i = 0;
    for (; i + 4 <= count; i += 4, p += 12) {
        const uint32_t a = in[i] & 0xFFFFFFu, b = in[i + 1] & 0xFFFFFFu, c = in[i + 2] & 0xFFFFFFu, d = in[i + 3];
        const uint32_t w[3] = {a | (b << 24), (b >> 8) | (c << 16), (c >> 16) | (d << 8)};
        std::memcpy(p, w, sizeof w);
    }
    for (; i < count; ++i, p += 3) {
        p[0] = static_cast<uint8_t>(in[i]);
        p[1] = static_cast<uint8_t>(in[i] >> 8);
        p[2] = static_cast<uint8_t>(in[i] >> 16);
    }
}

#if PICTAVO_PACKED_ROWS_SSSE3
// Sixteen pixels are 48 bytes: three loads, four byte shuffles, no read past the pixels.
__attribute__((target("ssse3"))) void fetch24Shuffled(const uint8_t* row, int x0, int count, uint32_t* out)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const uint8_t* p = row + 3 * static_cast<size_t>(x0);
    int i = 0;
    for (; i + 16 <= count; i += 16, p += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 32));
        auto* q = reinterpret_cast<__m128i*>(out + i);
        _mm_storeu_si128(q, _mm_shuffle_epi8(a, spread));
        _mm_storeu_si128(q + 1, _mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread));
        _mm_storeu_si128(q + 2, _mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread));
        _mm_storeu_si128(q + 3, _mm_shuffle_epi8(_mm_srli_si128(c, 4), spread));
    }
    fetch24Plain(p, 0, count - i, out + i);
}

// The reverse: four shuffles close the gaps of sixteen pixels, three stores write 48 bytes.
__attribute__((target("ssse3"))) void store24Shuffled(const uint32_t* in, int x0, int count, uint8_t* row)
{
    const __m128i pack = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    uint8_t* p = row + 3 * static_cast<size_t>(x0);
    int i = 0;
    for (; i + 16 <= count; i += 16, p += 48) {
        const auto* s = reinterpret_cast<const __m128i*>(in + i);
        const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(s), pack);
        const __m128i b = _mm_shuffle_epi8(_mm_loadu_si128(s + 1), pack);
        const __m128i c = _mm_shuffle_epi8(_mm_loadu_si128(s + 2), pack);
        const __m128i d = _mm_shuffle_epi8(_mm_loadu_si128(s + 3), pack);
        auto* q = reinterpret_cast<__m128i*>(p);
        _mm_storeu_si128(q, _mm_or_si128(a, _mm_slli_si128(b, 12)));
        _mm_storeu_si128(q + 1, _mm_or_si128(_mm_srli_si128(b, 4), _mm_slli_si128(c, 8)));
        _mm_storeu_si128(q + 2, _mm_or_si128(_mm_srli_si128(c, 8), _mm_slli_si128(d, 4)));
    }
    store24Plain(in + i, 0, count - i, p);
}
#endif

// ---- 32 bits: the fourth byte is not part of the colour ---------------------------------------------

void fetch32(const uint8_t* row, int x0, int count, uint32_t* out)
{
    const uint8_t* __restrict p = row + 4 * static_cast<size_t>(x0);
    uint32_t* __restrict q = out;
    for (int i = 0; i < count; ++i) {
        uint32_t v;
        std::memcpy(&v, p + 4 * static_cast<size_t>(i), 4);
        q[i] = v & 0xFFFFFFu;
    }
}

void store32(const uint32_t* in, int x0, int count, uint8_t* row)
{
    const uint32_t* __restrict p = in;
    uint8_t* __restrict q = row + 4 * static_cast<size_t>(x0);
    for (int i = 0; i < count; ++i) {
        const uint32_t v = p[i] & 0xFFFFFFu;
        std::memcpy(q + 4 * static_cast<size_t>(i), &v, 4);
    }
}

// Direct depths hold their colours: the colour table is not read.
template <FetchPackedRow Fetch>
void fetchDirectColors(const uint8_t* row, int x0, int count, const uint32_t*, uint32_t* out)
{
    Fetch(row, x0, count, out);
}

// ---- the table -------------------------------------------------------------------------------------

struct Table {
    PackedRowFormat formats[7];

    Table()
        : formats{
            {1, fetchBits<1>, storeBits<1>, fetchBitColors<1>, fetchBitIndexes<1>, storeBitIndexes<1>},
            {2, fetchBits<2>, storeBits<2>, fetchBitColors<2>, fetchBitIndexes<2>, storeBitIndexes<2>},
            {4, fetchBits<4>, storeBits<4>, fetchBitColors<4>, fetchBitIndexes<4>, storeBitIndexes<4>},
            {8, fetch8, store8, fetch8Colors, fetch8Indexes, store8Indexes},
            {16, fetch16, store16, fetchDirectColors<fetch16>, nullptr, nullptr},
            {24, fetch24Plain, store24Plain, fetchDirectColors<fetch24Plain>, nullptr, nullptr},
            {32, fetch32, store32, fetchDirectColors<fetch32>, nullptr, nullptr},
        }
    {
#if PICTAVO_PACKED_ROWS_SSSE3
        if (__builtin_cpu_supports("ssse3")) {
            formats[5].fetch = fetch24Shuffled;
            formats[5].store = store24Shuffled;
            formats[5].fetchColors = fetchDirectColors<fetch24Shuffled>;
        }
#endif
    }
};

const Table& table()
{
    static const Table t;
    return t;
}

int slotOf(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return 0;
    case 2:
        return 1;
    case 4:
        return 2;
    case 8:
        return 3;
    case 16:
        return 4;
    case 24:
        return 5;
    case 32:
        return 6;
    default:
        return -1;
    }
}

} // namespace

bool hasPackedRowFormat(int bitsPerPixel)
{
    return slotOf(bitsPerPixel) >= 0;
}

const PackedRowFormat& packedRowFormat(int bitsPerPixel)
{
    const int slot = slotOf(bitsPerPixel);
    if (slot < 0)
        throw std::invalid_argument("unsupported bits per pixel");
    return table().formats[slot];
}

void convertPackedRow(const PackedRowFormat& from, const uint8_t* source, int sourceX, const PackedRowFormat& to,
                      uint8_t* target, int targetX, int count)
{
    // A chunk small enough for the stack and the first-level cache.
    constexpr int chunk = 512;
    uint32_t values[chunk];
    for (int done = 0; done < count; done += chunk) {
        const int n = std::min(chunk, count - done);
        from.fetch(source, sourceX + done, n, values);
        to.store(values, targetX + done, n, target);
    }
}

} // namespace gdi
