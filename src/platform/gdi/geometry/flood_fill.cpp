// ExtFloodFill as a scanline fill on the raw rows: runs of matching pixels are found a row at
// a time and each run seeds the rows above and below. A bit per pixel records what is already
// taken, so runs are never found twice; nothing is recursive and the work list holds row
// ranges, not pixels.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/dib_surface.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <utility>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <vector>

namespace gdi::geometry {
namespace {

// Which pixels belong to the fill and how far a run of them reaches, on raw rows of one depth.
// Surface fills take pixels equal to the value, border fills those that differ from it. The
// common cases (equal runs at 8, 24 and 32 bits) compare several pixels per step.
template <int Bits, bool Surface>
struct RunFinder {
    uint32_t value = 0;

    bool inside(const uint8_t* row, int x) const
    {
        return (loadPackedPixel<Bits>(row, x) == value) == Surface;
    }

    // First x in [x, limit) that is not inside, or limit.
    int endOfRun(const uint8_t* row, int x, int limit) const
    {
        while (x < limit && inside(row, x))
            ++x;
        return x;
    }

    // Smallest x' in [limit, x] such that every pixel of [x', x) is inside.
    int startOfRun(const uint8_t* row, int x, int limit) const
    {
        while (x > limit && inside(row, x - 1))
            --x;
        return x;
    }
};

template <>
struct RunFinder<24, true> {
    uint32_t value;

    bool inside(const uint8_t* row, int x) const
    {
        const uint8_t* p = row + 3 * static_cast<size_t>(x);
        return p[0] == blue() && p[1] == green() && p[2] == red();
    }
    uint8_t blue() const { return static_cast<uint8_t>(value); }
    uint8_t green() const { return static_cast<uint8_t>(value >> 8); }
    uint8_t red() const { return static_cast<uint8_t>(value >> 16); }

#if defined(__SSE2__)
    // Sixteen pixels are 48 bytes: three 16-byte blocks of the repeated colour.
    struct Blocks {
        __m128i p0, p1, p2;
    };
    Blocks blocks() const
    {
        alignas(16) uint8_t bytes[48];
        for (int i = 0; i < 16; ++i) {
            bytes[3 * i] = blue();
            bytes[3 * i + 1] = green();
            bytes[3 * i + 2] = red();
        }
        return {_mm_load_si128(reinterpret_cast<const __m128i*>(bytes)),
                _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 16)),
                _mm_load_si128(reinterpret_cast<const __m128i*>(bytes + 32))};
    }
    static bool sixteenMatch(const uint8_t* q, const Blocks& k)
    {
        const __m128i a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), k.p0);
        const __m128i b = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16)), k.p1);
        const __m128i c = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 32)), k.p2);
        return _mm_movemask_epi8(_mm_and_si128(_mm_and_si128(a, b), c)) == 0xFFFF;
    }
#endif

    int endOfRun(const uint8_t* row, int x, int limit) const
    {
#if defined(__SSE2__)
        const Blocks k = blocks();
        while (x + 16 <= limit && sixteenMatch(row + 3 * static_cast<size_t>(x), k))
            x += 16;
#endif
        while (x < limit && inside(row, x))
            ++x;
        return x;
    }

    int startOfRun(const uint8_t* row, int x, int limit) const
    {
#if defined(__SSE2__)
        const Blocks k = blocks();
        while (x - 16 >= limit && sixteenMatch(row + 3 * static_cast<size_t>(x - 16), k))
            x -= 16;
#endif
        while (x > limit && inside(row, x - 1))
            --x;
        return x;
    }
};

// Palettised depths: whole bytes (eight at a time) of the repeated index are skipped at once.
template <int Bits>
struct PackedSurfaceRunFinder {
    static constexpr int perByte = 8 / Bits;
    uint32_t value;

    bool inside(const uint8_t* row, int x) const { return loadPackedPixel<Bits>(row, x) == value; }

    uint8_t byteOfValue() const
    {
        uint8_t b = 0;
        for (int i = 0; i < perByte; ++i)
            b = static_cast<uint8_t>((b << Bits) | (value & ((1u << Bits) - 1)));
        return b;
    }

    int endOfRun(const uint8_t* row, int x, int limit) const
    {
        while (x < limit && x % perByte != 0 && inside(row, x))
            ++x;
        if (x < limit && x % perByte == 0) {
            const uint8_t b = byteOfValue();
            const uint64_t word = 0x0101010101010101ull * b;
#if defined(__SSE2__)
            const __m128i block = _mm_set1_epi8(static_cast<char>(b));
            while (x + 16 * perByte <= limit) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x / perByte));
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, block)) != 0xFFFF)
                    break;
                x += 16 * perByte;
            }
#endif
            while (x + 8 * perByte <= limit) {
                uint64_t w;
                std::memcpy(&w, row + x / perByte, 8);
                if (w != word)
                    break;
                x += 8 * perByte;
            }
            while (x + perByte <= limit && row[x / perByte] == b)
                x += perByte;
        }
        while (x < limit && inside(row, x))
            ++x;
        return x;
    }

    int startOfRun(const uint8_t* row, int x, int limit) const
    {
        while (x > limit && x % perByte != 0 && inside(row, x - 1))
            --x;
        if (x > limit && x % perByte == 0) {
            const uint8_t b = byteOfValue();
            const uint64_t word = 0x0101010101010101ull * b;
#if defined(__SSE2__)
            const __m128i block = _mm_set1_epi8(static_cast<char>(b));
            while (x - 16 * perByte >= limit) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + (x - 16 * perByte) / perByte));
                if (_mm_movemask_epi8(_mm_cmpeq_epi8(v, block)) != 0xFFFF)
                    break;
                x -= 16 * perByte;
            }
#endif
            while (x - 8 * perByte >= limit) {
                uint64_t w;
                std::memcpy(&w, row + (x - 8 * perByte) / perByte, 8);
                if (w != word)
                    break;
                x -= 8 * perByte;
            }
            while (x - perByte >= limit && row[(x - perByte) / perByte] == b)
                x -= perByte;
        }
        while (x > limit && inside(row, x - 1))
            --x;
        return x;
    }
};

template <>
struct RunFinder<8, true> : PackedSurfaceRunFinder<8> {};
template <>
struct RunFinder<4, true> : PackedSurfaceRunFinder<4> {};
template <>
struct RunFinder<1, true> : PackedSurfaceRunFinder<1> {};

template <>
struct RunFinder<32, true> {
    uint32_t value;

    // The fourth byte of a 32-bit pixel is not part of its colour.
    bool inside(const uint8_t* row, int x) const
    {
        uint32_t v;
        std::memcpy(&v, row + 4 * static_cast<size_t>(x), 4);
        return (v & 0xFFFFFFu) == value;
    }

    static constexpr uint64_t colourBits = 0x00FFFFFF00FFFFFFull;
    uint64_t pairPattern() const { return (uint64_t{value} << 32) | value; }

    int endOfRun(const uint8_t* row, int x, int limit) const
    {
        const uint64_t pattern = pairPattern();
        while (x + 2 <= limit) {
            uint64_t w;
            std::memcpy(&w, row + 4 * static_cast<size_t>(x), 8);
            if ((w & colourBits) != pattern)
                break;
            x += 2;
        }
        while (x < limit && inside(row, x))
            ++x;
        return x;
    }

    int startOfRun(const uint8_t* row, int x, int limit) const
    {
        const uint64_t pattern = pairPattern();
        while (x - 2 >= limit) {
            uint64_t w;
            std::memcpy(&w, row + 4 * static_cast<size_t>(x - 2), 8);
            if ((w & colourBits) != pattern)
                break;
            x -= 2;
        }
        while (x > limit && inside(row, x - 1))
            --x;
        return x;
    }
};

class TakenBits {
public:
    TakenBits(int left, int top, int width, int height)
        : left_(left), top_(top), wordsPerRow_((width + 63) / 64),
          bits_(static_cast<size_t>(wordsPerRow_) * static_cast<size_t>(height), 0)
    {
    }

    bool test(int x, int y) const
    {
        const int i = x - left_;
        return (row(y)[i >> 6] >> (i & 63)) & 1u;
    }

    void set(int x0, int x1, int y)   // [x0, x1)
    {
        uint64_t* r = row(y);
        int a = x0 - left_;
        const int b = x1 - left_;
        while (a < b) {
            const int word = a >> 6;
            const int bit = a & 63;
            const int n = std::min(64 - bit, b - a);
            const uint64_t mask = (n == 64 ? ~uint64_t{0} : ((uint64_t{1} << n) - 1)) << bit;
            r[word] |= mask;
            a += n;
        }
    }

    // First x >= from (and < limit) that is not taken.
    int nextFree(int from, int limit, int y) const
    {
        const uint64_t* r = row(y);
        int a = from - left_;
        const int b = limit - left_;
        while (a < b) {
            const uint64_t word = ~r[a >> 6] >> (a & 63);
            if (word != 0)
                return std::min(b, a + std::countr_zero(word)) + left_;
            a = (a | 63) + 1;
        }
        return limit;
    }

    // Last x <= from (and >= limit) that is not taken, or limit - 1.
    int previousFree(int from, int limit, int y) const
    {
        const uint64_t* r = row(y);
        int a = from - left_;
        const int b = limit - left_;
        while (a >= b) {
            const uint64_t word = ~r[a >> 6] << (63 - (a & 63));
            if (word != 0)
                return std::max(b - 1, a - std::countl_zero(word)) + left_;
            a = (a & ~63) - 1;
        }
        return limit - 1;
    }

private:
    uint64_t* row(int y) { return bits_.data() + static_cast<size_t>(y - top_) * wordsPerRow_; }
    const uint64_t* row(int y) const
    {
        return bits_.data() + static_cast<size_t>(y - top_) * wordsPerRow_;
    }

    int left_;
    int top_;
    int wordsPerRow_;
    std::vector<uint64_t> bits_;
};

template <int Bits, bool Surface>
SpanList fill(const DibSurface& surface, int x, int y, uint32_t value, Rect clip)
{
    const RunFinder<Bits, Surface> finder{value};
    if (!finder.inside(surface.scanLine(y), x))
        return {};

    TakenBits taken(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    struct Range {
        int y;
        int x0;         // inclusive
        int x1;         // exclusive
        bool downward;  // found from the row above
    };
    std::vector<Range> work;
    SpanList spans;

    auto takeRun = [&](const uint8_t* row, int rowY, int px) {
        const int l = finder.startOfRun(row, px, clip.left);
        const int r = finder.endOfRun(row, px + 1, clip.right);
        taken.set(l, r, rowY);
        spans.push_back({rowY, l, r});
        if (rowY > clip.top)
            work.push_back({rowY - 1, l, r, false});
        if (rowY + 1 < clip.bottom)
            work.push_back({rowY + 1, l, r, true});
        return std::pair{l, r};
    };

    takeRun(surface.scanLine(y), y, x);
    while (!work.empty()) {
        const Range range = work.back();
        work.pop_back();
        const uint8_t* row = surface.scanLine(range.y);
        if (range.downward) {
            // Rows are stored bottom-up: going down the picture goes back through memory, so
            // read these rows from right to left and the bytes keep flowing one way.
            int px = range.x1 - 1;
            while (px >= range.x0) {
                if (taken.test(px, range.y)) {
                    px = taken.previousFree(px, range.x0, range.y);
                    continue;
                }
                if (finder.inside(row, px))
                    px = takeRun(row, range.y, px).first - 2;
                else
                    --px;
            }
        } else {
            int px = range.x0;
            while (px < range.x1) {
                if (taken.test(px, range.y)) {
                    px = taken.nextFree(px, range.x1, range.y);
                    continue;
                }
                if (finder.inside(row, px))
                    px = takeRun(row, range.y, px).second + 1;
                else
                    ++px;
            }
        }
    }
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.y != b.y ? a.y < b.y : a.x0 < b.x0; });
    return spans;
}

template <bool Surface>
SpanList fillDepth(const DibSurface& surface, int x, int y, uint32_t value, Rect clip)
{
    switch (surface.bitsPerPixel()) {
    case 1:
        return fill<1, Surface>(surface, x, y, value, clip);
    case 4:
        return fill<4, Surface>(surface, x, y, value, clip);
    case 8:
        return fill<8, Surface>(surface, x, y, value, clip);
    case 24:
        return fill<24, Surface>(surface, x, y, value, clip);
    default:
        return fill<32, Surface>(surface, x, y, value, clip);
    }
}

} // namespace

SpanList floodFill(const DibSurface& surface, int x, int y, uint32_t value, FloodFillKind kind,
                   Rect clip)
{
    if (clip.right < clip.left)
        std::swap(clip.left, clip.right);
    if (clip.bottom < clip.top)
        std::swap(clip.top, clip.bottom);
    clip.left = std::max(clip.left, 0);
    clip.top = std::max(clip.top, 0);
    clip.right = std::min(clip.right, surface.width());
    clip.bottom = std::min(clip.bottom, surface.height());
    if (x < clip.left || y < clip.top || x >= clip.right || y >= clip.bottom)
        return {};
    if (surface.bitsPerPixel() >= 24)
        value &= 0xFFFFFFu;
    if (kind == FloodFillKind::Surface)
        return fillDepth<true>(surface, x, y, value, clip);
    return fillDepth<false>(surface, x, y, value, clip);
}

} // namespace gdi::geometry
