#pragma once
// Building blocks shared by the figure rasterisers of this folder.

#include "platform/gdi/geometry/geometry.h"

#include <cstdint>
#include <vector>

namespace gdi::geometry::detail {

// Figures may reach this many pixels across, and pens may be this wide: far more than any
// picture, while it bounds the memory and time a hostile metafile can ask for. Larger ones
// are not drawn.
constexpr int64_t kMaxExtent = int64_t{1} << 18;

bool tooLarge(Rect box);
bool tooLarge(std::span<const Point> points, int64_t penWidth);

// Appends the pixels of a 1-pixel line from `from` up to, but not including, `to`, in
// drawing order (the device's line rule, so figure edges meet the lines drawn by LineTo).
void appendLine(PointPath& path, Point from, Point to);

// Rows [top, top + count) of per-row pixel ranges, turned into spans.
struct RowRanges {
    int top = 0;
    std::vector<int> x0;   // inclusive; x0 > x1 means empty
    std::vector<int> x1;   // inclusive
};

// The pixels whose centres lie inside the polygon, as a region made from the points would
// hold them (top-left rule: left and top edges in, right and bottom edges out).
SpanList fillPolygon(std::span<const Point> points, PolyFillMode mode);
// The same for several closed contours filled together.
SpanList fillPolygons(const std::vector<std::vector<Point>>& contours, PolyFillMode mode);

// Union of spans given in any order.
SpanList normaliseSpans(std::vector<Span> spans);
SpanList unionSpans(const SpanList& a, const SpanList& b);

// Drops a pixel that was already visited, so each pixel of a figure outline appears once.
void removeRepeatedPixels(std::vector<PointPath>& paths);

// The filled ellipse of a normalised box, its outline included.
SpanList ellipseArea(Rect box);

// Area a pen of `width` covers drawn along each path as a polyline through its points (the
// points of curved outlines are pixels, so this is the pen carried along the curve).
SpanList widePathArea(const std::vector<PointPath>& paths, int width);
// The pixels of a round pen of `width` centred on the origin, one range per row.
RowRanges penShape(int width);

} // namespace gdi::geometry::detail
