// Span list arithmetic and the helpers the painter uses on results.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/geometry/raster_internal.h"

#include <algorithm>
#include <cstdlib>
#include <cstdint>
#include <unordered_set>

namespace gdi::geometry {

namespace detail {

bool tooLarge(Rect box)
{
    return std::abs(int64_t{box.right} - box.left) > kMaxExtent ||
           std::abs(int64_t{box.bottom} - box.top) > kMaxExtent;
}

bool tooLarge(std::span<const Point> points, int64_t penWidth)
{
    if (penWidth > kMaxExtent)
        return true;
    if (points.empty())
        return false;
    int64_t left = points.front().x;
    int64_t right = left;
    int64_t top = points.front().y;
    int64_t bottom = top;
    for (const Point& p : points) {
        left = std::min<int64_t>(left, p.x);
        right = std::max<int64_t>(right, p.x);
        top = std::min<int64_t>(top, p.y);
        bottom = std::max<int64_t>(bottom, p.y);
    }
    return right - left > kMaxExtent || bottom - top > kMaxExtent;
}

SpanList normaliseSpans(std::vector<Span> spans)
{
    std::erase_if(spans, [](const Span& s) { return s.x1 <= s.x0; });
    if (spans.empty())
        return spans;
    auto byRowThenStart = [](const Span& a, const Span& b) {
        return a.y != b.y ? a.y < b.y : a.x0 < b.x0;
    };
    int top = spans.front().y;
    int bottom = top;
    for (const Span& s : spans) {
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
    }
    const size_t rows = static_cast<size_t>(int64_t{bottom} - top + 1);
    if (rows <= 4 * spans.size() + 1024) {
        // Pen areas hold many short spans over a few rows each: bucket them by row, then
        // sort the few of each row.
        std::vector<uint32_t> start(rows + 1, 0);
        for (const Span& s : spans)
            ++start[static_cast<size_t>(s.y - top) + 1];
        for (size_t r = 0; r < rows; ++r)
            start[r + 1] += start[r];
        std::vector<Span> sorted(spans.size());
        std::vector<uint32_t> fillAt(start.begin(), start.end() - 1);
        for (const Span& s : spans)
            sorted[fillAt[static_cast<size_t>(s.y - top)]++] = s;
        for (size_t r = 0; r < rows; ++r)
            std::sort(sorted.begin() + start[r], sorted.begin() + start[r + 1], byRowThenStart);
        spans = std::move(sorted);
    } else {
        std::sort(spans.begin(), spans.end(), byRowThenStart);
    }
    SpanList out;
    out.reserve(spans.size());
    for (const Span& s : spans) {
        if (!out.empty() && out.back().y == s.y && s.x0 <= out.back().x1)
            out.back().x1 = std::max(out.back().x1, s.x1);
        else
            out.push_back(s);
    }
    return out;
}

SpanList unionSpans(const SpanList& a, const SpanList& b)
{
    std::vector<Span> all;
    all.reserve(a.size() + b.size());
    all.insert(all.end(), a.begin(), a.end());
    all.insert(all.end(), b.begin(), b.end());
    return normaliseSpans(std::move(all));
}

void removeRepeatedPixels(std::vector<PointPath>& paths)
{
    size_t total = 0;
    for (const PointPath& p : paths)
        total += p.size();
    std::unordered_set<uint64_t> seen;
    seen.reserve(total * 2);
    for (PointPath& path : paths) {
        PointPath kept;
        kept.reserve(path.size());
        for (const Point& p : path) {
            const uint64_t key = (uint64_t{static_cast<uint32_t>(p.x)} << 32) | static_cast<uint32_t>(p.y);
            if (seen.insert(key).second)
                kept.push_back(p);
        }
        path = std::move(kept);
    }
}

} // namespace detail

SpanList spansFromPaths(const std::vector<PointPath>& paths)
{
    std::vector<Span> spans;
    for (const PointPath& path : paths)
        for (const Point& p : path)
            spans.push_back({p.y, p.x, p.x + 1});
    return detail::normaliseSpans(std::move(spans));
}

SpanList intersectSpans(const SpanList& spans, Rect clip)
{
    SpanList out;
    out.reserve(spans.size());
    for (const Span& s : spans) {
        if (s.y < clip.top || s.y >= clip.bottom)
            continue;
        const int x0 = std::max(s.x0, clip.left);
        const int x1 = std::min(s.x1, clip.right);
        if (x0 < x1)
            out.push_back({s.y, x0, x1});
    }
    return out;
}

SpanList subtractSpans(const SpanList& a, const SpanList& b)
{
    SpanList out;
    out.reserve(a.size());
    size_t j = 0;
    for (const Span& s : a) {
        while (j < b.size() && (b[j].y < s.y || (b[j].y == s.y && b[j].x1 <= s.x0)))
            ++j;
        int x = s.x0;
        for (size_t k = j; k < b.size() && b[k].y == s.y && b[k].x0 < s.x1; ++k) {
            if (b[k].x0 > x)
                out.push_back({s.y, x, b[k].x0});
            x = std::max(x, b[k].x1);
        }
        if (x < s.x1)
            out.push_back({s.y, x, s.x1});
    }
    return out;
}

} // namespace gdi::geometry
