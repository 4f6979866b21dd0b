#pragma once
// Which pixels a GDI figure covers. Nothing here paints: the device context takes these spans
// and paths and applies its brush, pen and mix mode to them.
//
// Conventions shared by every function:
//  - Boxes are taken as the caller passes them (right/bottom exclusive, possibly inverted);
//    an inverted box gives exactly the figure of the normalised box.
//  - `interior` is the brush area, a SpanList (sorted, no overlaps).
//  - `outline` is the 1-pixel (cosmetic) pen as ordered point paths, in drawing order, so a
//    dash pattern can be stepped along them. Across all paths of one figure every pixel
//    appears at most once, so a mix mode such as NOT-XOR is applied once per pixel.
//  - `penArea` is the area a pen wider than 1 covers (round caps and joins); it is only
//    filled when the width is above 1, and then `outline` is left empty. The interior may
//    reach under the pen; the painter decides what the brush does there.
//  - With insideFrame (PS_INSIDEFRAME) and a width above 1 the figure is drawn in a box
//    shrunk by width / 2 at the left and top and by (width - 1) / 2 at the right and bottom,
//    so the pen ends exactly at the edges of the box the caller gave.
//  - Boxes of one pixel, or with no width or height, give an empty figure. Arcs and chords of
//    boxes one or two pixels wide draw nothing, and a pie there only its radius.
//  - A figure reaching more than 2^18 pixels across, or a pen wider than that, is empty.
//  - Where a figure only a few pixels thick folds back over its own tip, the pixels met
//    again are left out, so its path jumps there.

#include "platform/gdi/gdi_types.h"

#include <cstdint>
#include <span>
#include <vector>

namespace gdi {
class DibSurface;
}

namespace gdi::geometry {

using PointPath = std::vector<Point>;

enum class ArcDirection { CounterClockwise, Clockwise };   // SetArcDirection; CCW is the default
enum class PolyFillMode { Alternate, Winding };            // SetPolyFillMode; ALTERNATE is the default
enum class FloodFillKind { Border, Surface };               // FLOODFILLBORDER / FLOODFILLSURFACE

struct Figure {
    SpanList interior;
    std::vector<PointPath> outline;
    SpanList penArea;
};

// Pen settings every closed figure takes. Width 0 and 1 are both the 1-pixel pen.
struct PenShape {
    int width = 1;
    bool insideFrame = false;
};

Figure ellipse(Rect box, PenShape pen = {});
Figure roundRect(Rect box, int cornerWidth, int cornerHeight, PenShape pen = {});

// The radial points are the two points GDI takes (start, end); the figure runs from the
// ray through `start` to the ray through `end` in `direction`. Equal rays give the whole
// ellipse. A pie's radii meet at ((left + right) / 2, (top + bottom) / 2).
Figure pie(Rect box, Point start, Point end, ArcDirection direction = ArcDirection::CounterClockwise,
           PenShape pen = {});
Figure chord(Rect box, Point start, Point end, ArcDirection direction = ArcDirection::CounterClockwise,
             PenShape pen = {});
// Arc has no interior.
Figure arc(Rect box, Point start, Point end, ArcDirection direction = ArcDirection::CounterClockwise,
           PenShape pen = {});

// ArcTo: a line from the current position to the arc's first point, then the arc. The new
// current position is the arc's last point.
struct ArcToResult {
    Figure figure;
    Point newCurrentPosition;
};
ArcToResult arcTo(Point currentPosition, Rect box, Point start, Point end,
                  ArcDirection direction = ArcDirection::CounterClockwise, PenShape pen = {});

// Any number of points; repeated and degenerate points are allowed. The outline closes back to
// the first point. Fewer than 2 points give an empty figure.
Figure polygon(std::span<const Point> points, PolyFillMode mode = PolyFillMode::Alternate,
               PenShape pen = {});

// Area of a pen wider than 1 along a line, an open polyline and a rectangle's outline
// (round caps, round joins). Width <= 1 gives an empty list: the caller draws cosmetic lines.
SpanList wideLine(Point from, Point to, int width);
SpanList widePolyline(std::span<const Point> points, int width);
SpanList wideRectangle(Rect box, int width, bool insideFrame = false);

// ExtFloodFill. `value` is the raw stored value (an index, or 0x00RRGGBB at 24/32 bits).
// Surface: the 4-connected area around (x, y) whose pixels equal `value`.
// Border: the 4-connected area around (x, y) whose pixels differ from `value`.
// The result is limited to `clip` (and the surface); it is empty when the start is outside
// either, or (Surface) when the start pixel holds another value, or (Border) when it holds
// `value`.
SpanList floodFill(const DibSurface& surface, int x, int y, uint32_t value, FloodFillKind kind,
                   Rect clip);

// The pixels of a 1-pixel line from `from` up to, but not including, `to`, in drawing order:
// the rule the figure edges above use.
PointPath linePath(Point from, Point to);

// Helpers the painter may use on results.
SpanList spansFromPaths(const std::vector<PointPath>& paths);     // pixels of paths as spans
SpanList intersectSpans(const SpanList& spans, Rect clip);        // clip to a normalised rect
SpanList subtractSpans(const SpanList& a, const SpanList& b);      // pixels of a not in b

} // namespace gdi::geometry
