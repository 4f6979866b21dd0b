// Pens wider than one pixel: round caps and joins, a band of the pen's width along each segment.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/geometry/raster_internal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace gdi::geometry {
namespace detail {

RowRanges penShape(int width)
{
    // The pen's footprint is the filled ellipse of a width x width box around the pixel; an
    // even width puts the extra row and column after the centre.
    const int before = width / 2;
    const Rect box{-before, -before, width - before, width - before};
    const SpanList disc = ellipseArea(box);
    RowRanges shape;
    shape.top = box.top;
    shape.x0.assign(static_cast<size_t>(width), 1);
    shape.x1.assign(static_cast<size_t>(width), 0);
    for (const Span& s : disc) {
        shape.x0[static_cast<size_t>(s.y - box.top)] = s.x0;
        shape.x1[static_cast<size_t>(s.y - box.top)] = s.x1 - 1;
    }
    return shape;
}

SpanList widePathArea(const std::vector<PointPath>& paths, int width)
{
    std::vector<Span> all;
    for (const PointPath& path : paths) {
        const SpanList one = widePolyline(path, width);
        all.insert(all.end(), one.begin(), one.end());
    }
    return normaliseSpans(std::move(all));
}

} // namespace detail

using detail::fillPolygon;
using detail::normaliseSpans;
using detail::penShape;
using detail::RowRanges;

namespace {

int roundHalfUp(double v) { return static_cast<int>(std::floor(v + 0.5)); }

// The band a pen of `width` covers along one segment, without its ends. Across an axis it is
// exactly `width` pixels; across a slanted segment the two sides are offset by the rounded
// halves of the pen's extent in x and y, the wide half on the side the fill rule leaves open.
void appendSegmentBand(std::vector<Span>& spans, Point a, Point b, int width)
{
    if (a.y > b.y || (a.y == b.y && a.x > b.x))
        std::swap(a, b);
    const int dx = b.x - a.x;
    const int dy = b.y - a.y;
    if (dx == 0 && dy == 0)
        return;
    const int before = width / 2;
    if (dy == 0) {
        for (int y = a.y - before; y < a.y - before + width; ++y)
            spans.push_back({y, a.x, b.x + 1});
        return;
    }
    if (dx == 0) {
        for (int y = a.y; y <= b.y; ++y)
            spans.push_back({y, a.x - before, a.x - before + width});
        return;
    }
    const double length = std::hypot(double(dx), double(dy));
    const double extentX = width * std::abs(dy) / length;
    const double extentY = width * std::abs(dx) / length;
    const Point narrow{roundHalfUp(extentX / 2), roundHalfUp(extentY / 2)};
    const Point wide{roundHalfUp((extentX + 1) / 2), roundHalfUp((extentY + 1) / 2)};
    // Going down to the right the upper-right side is the wide one; going down to the left,
    // the lower-right side.
    Point pts[4];
    if (dx > 0) {
        pts[0] = {a.x - narrow.x, a.y + narrow.y};
        pts[1] = {a.x + wide.x, a.y - wide.y};
        pts[2] = {b.x + wide.x, b.y - wide.y};
        pts[3] = {b.x - narrow.x, b.y + narrow.y};
    } else {
        pts[0] = {a.x - narrow.x, a.y - narrow.y};
        pts[1] = {a.x + wide.x, a.y + wide.y};
        pts[2] = {b.x + wide.x, b.y + wide.y};
        pts[3] = {b.x - narrow.x, b.y - narrow.y};
    }
    const SpanList band = fillPolygon(pts, PolyFillMode::Alternate);
    spans.insert(spans.end(), band.begin(), band.end());
}

void appendDisc(std::vector<Span>& spans, const RowRanges& shape, Point p)
{
    for (size_t i = 0; i < shape.x0.size(); ++i)
        if (shape.x0[i] <= shape.x1[i])
            spans.push_back({p.y + shape.top + static_cast<int>(i), p.x + shape.x0[i], p.x + shape.x1[i] + 1});
}

} // namespace

SpanList wideLine(Point from, Point to, int width)
{
    const Point points[] = {from, to};
    return widePolyline(points, width);
}

SpanList widePolyline(std::span<const Point> points, int width)
{
    if (width <= 1 || points.empty() || detail::tooLarge(points, width))
        return {};
    const RowRanges shape = penShape(width);
    std::vector<Span> spans;
    // Curved outlines come here as thousands of one-pixel steps: their bands are worked out
    // once per direction and moved into place.
    std::vector<Span> unitBands[9];
    bool unitBandReady[9] = {};
    for (size_t i = 0; i + 1 < points.size(); ++i) {
        const Point a = points[i];
        const Point b = points[i + 1];
        const int dx = b.x - a.x;
        const int dy = b.y - a.y;
        if (std::abs(dx) > 1 || std::abs(dy) > 1) {
            appendSegmentBand(spans, a, b, width);
            continue;
        }
        const int key = (dx + 1) * 3 + (dy + 1);
        if (!unitBandReady[key]) {
            appendSegmentBand(unitBands[key], {0, 0}, {dx, dy}, width);
            unitBandReady[key] = true;
        }
        for (const Span& u : unitBands[key])
            spans.push_back({u.y + a.y, u.x0 + a.x, u.x1 + a.x});
    }
    // Round caps and round joins: the pen's footprint at every vertex.
    for (const Point& p : points)
        appendDisc(spans, shape, p);
    return normaliseSpans(std::move(spans));
}

SpanList wideRectangle(Rect box, int width, bool insideFrame)
{
    if (width <= 1 || width > detail::kMaxExtent || detail::tooLarge(box))
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
