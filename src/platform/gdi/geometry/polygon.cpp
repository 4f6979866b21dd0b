// Lines, polygon interiors and the Polygon figure.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/geometry/raster_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace gdi::geometry {
namespace detail {

namespace {
// A line passing exactly half-way between two pixels takes the one with the smaller minor
// coordinate, whichever way it is drawn; `true` means that pixel is the one towards the start.
bool tieTowardsStart(int dx, int dy)
{
    return std::abs(dx) >= std::abs(dy) ? dy >= 0 : dx >= 0;
}

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }
} // namespace

void appendLine(PointPath& path, Point from, Point to)
{
    const int dx = to.x - from.x;
    const int dy = to.y - from.y;
    const int adx = std::abs(dx);
    const int ady = std::abs(dy);
    const int sx = dx < 0 ? -1 : 1;
    const int sy = dy < 0 ? -1 : 1;
    const bool towardsStart = tieTowardsStart(dx, dy);
    // Grow geometrically: a polygon appends one line per edge.
    const size_t needed = path.size() + static_cast<size_t>(std::max(adx, ady));
    if (path.capacity() < needed)
        path.reserve(std::max(needed, 2 * path.capacity()));
    if (adx >= ady) {
        // Minor offset = round(i * ady / adx), ties per the direction rule.
        int64_t num = 0;
        int minor = 0;
        for (int i = 0; i < adx; ++i) {
            path.push_back({from.x + sx * i, from.y + sy * minor});
            num += 2 * int64_t{ady};
            // Step once the line is past the half-way point.
            const int64_t threshold = int64_t{adx} * (2 * minor + 1);
            if (num > threshold || (num == threshold && !towardsStart))
                ++minor;
        }
    } else {
        int64_t num = 0;
        int minor = 0;
        for (int i = 0; i < ady; ++i) {
            path.push_back({from.x + sx * minor, from.y + sy * i});
            num += 2 * int64_t{adx};
            const int64_t threshold = int64_t{ady} * (2 * minor + 1);
            if (num > threshold || (num == threshold && !towardsStart))
                ++minor;
        }
    }
}

SpanList fillPolygons(const std::vector<std::vector<Point>>& contours, PolyFillMode mode)
{
    struct Edge {
        int yTop;      // first row
        int yBottom;   // one past the last row
        int64_t x0, y0, x1, y1;
        int winding;
    };
    std::vector<Edge> edges;
    for (const auto& pts : contours) {
        const size_t n = pts.size();
        if (n < 3)
            continue;
        for (size_t i = 0; i < n; ++i) {
            const Point a = pts[i];
            const Point b = pts[(i + 1) % n];
            if (a.y == b.y)
                continue;
            Edge e;
            e.winding = a.y < b.y ? 1 : -1;
            const Point top = a.y < b.y ? a : b;
            const Point bottom = a.y < b.y ? b : a;
            e.x0 = top.x;
            e.y0 = top.y;
            e.x1 = bottom.x;
            e.y1 = bottom.y;
            e.yTop = top.y;
            e.yBottom = bottom.y;
            edges.push_back(e);
        }
    }
    SpanList out;
    if (edges.empty())
        return out;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    int yMax = edges.front().yBottom;
    for (const Edge& e : edges)
        yMax = std::max(yMax, e.yBottom);

    struct Crossing {
        int x;
        int winding;
    };
    std::vector<size_t> active;
    std::vector<Crossing> crossings;
    size_t next = 0;
    for (int y = edges.front().yTop; y < yMax; ++y) {
        while (next < edges.size() && edges[next].yTop <= y)
            active.push_back(next++);
        std::erase_if(active, [&](size_t i) { return edges[i].yBottom <= y; });
        if (active.empty()) {
            if (next < edges.size())
                y = edges[next].yTop - 1;
            continue;
        }
        crossings.clear();
        for (size_t i : active) {
            const Edge& e = edges[i];
            // A pixel belongs to the span when its x is at or right of the crossing.
            const int64_t xnum = e.x0 * (e.y1 - e.y0) + (y - e.y0) * (e.x1 - e.x0);
            crossings.push_back({static_cast<int>(ceilDiv(xnum, e.y1 - e.y0)), e.winding});
        }
        std::sort(crossings.begin(), crossings.end(),
                  [](const Crossing& a, const Crossing& b) { return a.x < b.x; });
        const size_t firstSpan = out.size();
        if (mode == PolyFillMode::Alternate) {
            for (size_t i = 0; i + 1 < crossings.size(); i += 2)
                if (crossings[i].x < crossings[i + 1].x)
                    out.push_back({y, crossings[i].x, crossings[i + 1].x});
        } else {
            int wind = 0;
            for (size_t i = 0; i + 1 < crossings.size(); ++i) {
                wind += crossings[i].winding;
                if (wind != 0 && crossings[i].x < crossings[i + 1].x)
                    out.push_back({y, crossings[i].x, crossings[i + 1].x});
            }
        }
        // Merge touching spans of this row.
        size_t w = firstSpan;
        for (size_t r = firstSpan; r < out.size(); ++r) {
            if (w > firstSpan && out[r].x0 <= out[w - 1].x1)
                out[w - 1].x1 = std::max(out[w - 1].x1, out[r].x1);
            else
                out[w++] = out[r];
        }
        out.resize(w);
    }
    return out;
}

SpanList fillPolygon(std::span<const Point> points, PolyFillMode mode)
{
    return fillPolygons({std::vector<Point>(points.begin(), points.end())}, mode);
}

} // namespace detail

PointPath linePath(Point from, Point to)
{
    PointPath path;
    const Point ends[] = {from, to};
    if (detail::tooLarge(ends, 1))
        return path;
    detail::appendLine(path, from, to);
    return path;
}

Figure polygon(std::span<const Point> points, PolyFillMode mode, PenShape pen)
{
    Figure figure;
    if (points.size() < 2 || detail::tooLarge(points, pen.width))
        return figure;
    figure.interior = detail::fillPolygon(points, mode);
    PointPath path;
    for (size_t i = 0; i < points.size(); ++i)
        detail::appendLine(path, points[i], points[(i + 1) % points.size()]);
    std::vector<PointPath> paths{std::move(path)};
    if (pen.width > 1) {
        // A wide pen runs along the vertices, with round joins, back to the first point.
        std::vector<Point> closed(points.begin(), points.end());
        closed.push_back(points.front());
        figure.penArea = widePolyline(closed, pen.width);
    } else {
        detail::removeRepeatedPixels(paths);
        figure.outline = std::move(paths);
    }
    return figure;
}

} // namespace gdi::geometry
