// ExtFloodFill as a scanline fill on the raw rows: runs of matching pixels are found a row at
// a time and each run seeds the rows above and below. A bit per pixel records what is already
// taken, so runs are never found twice; nothing is recursive and the work list holds row
// ranges, not pixels.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/dib_surface.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <vector>

namespace gdi::geometry {
namespace {

// Reads stored values of one depth straight from a row.
template <int Bits>
struct RowReader {
    static uint32_t get(const uint8_t* row, int x)
    {
        if constexpr (Bits == 1)
            return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        else if constexpr (Bits == 4)
            return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
        else if constexpr (Bits == 8)
            return row[x];
        else if constexpr (Bits == 24) {
            const uint8_t* p = row + 3 * static_cast<size_t>(x);
            return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        } else {
            const uint8_t* p = row + 4 * static_cast<size_t>(x);
            return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
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
    using Reader = RowReader<Bits>;
    // Surface fills pixels equal to the value; border fills everything up to it.
    auto inside = [value](const uint8_t* row, int px) {
        return (Reader::get(row, px) == value) == Surface;
    };
    if (!inside(surface.scanLine(y), x))
        return {};

    TakenBits taken(clip.left, clip.top, clip.right - clip.left, clip.bottom - clip.top);
    struct Range {
        int y;
        int x0;   // inclusive
        int x1;   // exclusive
    };
    std::vector<Range> work;
    SpanList spans;

    auto takeRun = [&](const uint8_t* row, int rowY, int px) {
        int l = px;
        while (l > clip.left && inside(row, l - 1))
            --l;
        int r = px + 1;
        while (r < clip.right && inside(row, r))
            ++r;
        taken.set(l, r, rowY);
        spans.push_back({rowY, l, r});
        if (rowY > clip.top)
            work.push_back({rowY - 1, l, r});
        if (rowY + 1 < clip.bottom)
            work.push_back({rowY + 1, l, r});
        return r;
    };

    takeRun(surface.scanLine(y), y, x);
    while (!work.empty()) {
        const Range range = work.back();
        work.pop_back();
        const uint8_t* row = surface.scanLine(range.y);
        int px = range.x0;
        while (px < range.x1) {
            if (taken.test(px, range.y)) {
                px = taken.nextFree(px, range.x1, range.y);
                continue;
            }
            if (inside(row, px))
                px = takeRun(row, range.y, px) + 1;
            else
                ++px;
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
    if (kind == FloodFillKind::Surface)
        return fillDepth<true>(surface, x, y, value, clip);
    return fillDepth<false>(surface, x, y, value, clip);
}

} // namespace gdi::geometry
