// Pens wider than one pixel: round caps and joins, the pen's disc swept along the figure.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/geometry/raster_internal.h"

#include <algorithm>
#include <cstdint>

namespace gdi::geometry {
namespace detail {

RowRanges penShape(int width)
{
    RowRanges shape;
    const int r = width / 2;
    shape.top = -r;
    const int rows = width;
    shape.x0.resize(rows);
    shape.x1.resize(rows);
    // Pixel centres inside the disc of diameter `width` around the pen's pixel centre (an even
    // width puts the extra pixel below and right).
    const int64_t w2 = int64_t{width} * width;
    for (int i = 0; i < rows; ++i) {
        const int dy = shape.top + i;
        const int64_t ty = 2 * int64_t{dy} - ((width & 1) ? 0 : 1);   // doubled offset from the disc centre
        int best = -1;
        for (int dx = 0; dx <= width; ++dx) {
            const int64_t tx = 2 * int64_t{dx} - ((width & 1) ? 0 : 1);
            if (tx * tx + ty * ty <= w2)
                best = dx;
        }
        if (best < 0) {
            shape.x0[i] = 1;
            shape.x1[i] = 0;
            continue;
        }
        shape.x1[i] = best;
        shape.x0[i] = ((width & 1) ? -best : 1 - best);
    }
    return shape;
}

SpanList sweepPen(const std::vector<PointPath>& paths, int width)
{
    const RowRanges shape = penShape(width);
    std::vector<Span> spans;
    size_t total = 0;
    for (const PointPath& p : paths)
        total += p.size();
    spans.reserve(total * shape.x0.size());
    for (const PointPath& path : paths)
        for (const Point& p : path)
            for (size_t i = 0; i < shape.x0.size(); ++i)
                if (shape.x0[i] <= shape.x1[i])
                    spans.push_back({p.y + shape.top + static_cast<int>(i), p.x + shape.x0[i], p.x + shape.x1[i] + 1});
    return normaliseSpans(std::move(spans));
}

} // namespace detail

SpanList wideLine(Point from, Point to, int width)
{
    const Point points[] = {from, to};
    return widePolyline(points, width);
}

SpanList widePolyline(std::span<const Point> points, int width)
{
    if (width <= 1 || points.empty())
        return {};
    PointPath path;
    for (size_t i = 0; i + 1 < points.size(); ++i)
        detail::appendLine(path, points[i], points[i + 1]);
    path.push_back(points.back());
    return detail::sweepPen({path}, width);
}

SpanList wideRectangle(Rect box, int width, bool insideFrame)
{
    if (width <= 1)
        return {};
    if (box.right < box.left)
        std::swap(box.left, box.right);
    if (box.bottom < box.top)
        std::swap(box.top, box.bottom);
    if (insideFrame) {
        box.left += width / 2;
        box.top += width / 2;
        box.right -= width - 1 - width / 2;
        box.bottom -= width - 1 - width / 2;
    }
    const Point corners[] = {{box.left, box.top},
                             {box.right - 1, box.top},
                             {box.right - 1, box.bottom - 1},
                             {box.left, box.bottom - 1},
                             {box.left, box.top}};
    return widePolyline(corners, width);
}


} // namespace gdi::geometry
