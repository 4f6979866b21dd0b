// Ellipses, round rectangles, arcs, pies and chords.
//
// The outline of a curved figure is built from one quadrant of the ellipse that fits the box,
// computed with an integer error-term walk and mirrored into the other three, so the figure is
// symmetric to the pixel. Arcs, pies and chords cut that same closed outline between the two
// rays. The brush of an ellipse or round rectangle runs from the left to the right outline
// pixel of each row; that of a pie or chord fills the polygon its outline points make.

#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/geometry/raster_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <climits>

namespace gdi::geometry {
namespace {

using detail::appendLine;

Rect normalised(Rect r)
{
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
    return r;
}

// Offsets of one ellipse quadrant, walked from the end of the horizontal axis (k = m = 0) to
// the end of the vertical one: the pixel is (right - k, middle + m).
struct QuadrantStep {
    int k;
    int m;
};

// Quadrant of the ellipse inscribed in a box of w x h pixels (w, h >= 1). Also gives the two
// middle rows (counted from the box top): the lower half starts at `lowerMiddle`, the upper
// half ends at `upperMiddle`; they are equal for an odd height.
struct Quadrant {
    std::vector<QuadrantStep> steps;
    int lowerMiddle = 0;
    int upperMiddle = 0;
};

Quadrant ellipseQuadrant(int w, int h)
{
    Quadrant q;
    const int64_t a = w - 1;
    const int64_t b = h - 1;
    const int64_t b1 = b & 1;
    int64_t dx = 4 * (1 - a) * b * b;
    int64_t dy = 4 * (b1 + 1) * a * a;
    int64_t err = dx + dy + b1 * a * a;
    const int64_t aa8 = 8 * a * a;
    const int64_t bb8 = 8 * b * b;
    q.lowerMiddle = static_cast<int>((b + 1) / 2);
    q.upperMiddle = static_cast<int>(q.lowerMiddle - b1);

    // Columns run from both sides towards the middle; the walk ends when they cross.
    int64_t left = 0;
    int64_t right = a;
    int k = 0;
    int m = 0;
    do {
        q.steps.push_back({k, m});
        const int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++m;
            err += dy += aa8;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++k;
            ++left;
            --right;
            err += dx += bb8;
        }
    } while (left <= right);
    // A very flat ellipse leaves the walk before reaching the vertical axis; finish the tip
    // down the middle column.
    while (2 * static_cast<int64_t>(m) + b1 <= b) {
        q.steps.push_back({k - 1, m});
        ++m;
    }
    return q;
}

// The closed outline of a box with elliptic corners of cw x ch (cw = w and ch = h for an
// ellipse), in counter-clockwise screen order starting at the right end of the middle row.
PointPath roundedOutline(Rect box, int cw, int ch)
{
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    cw = std::clamp(cw, 1, w);
    ch = std::clamp(ch, 1, h);
    const Quadrant q = ellipseQuadrant(cw, ch);
    const int shiftX = w - cw;
    const int shiftY = h - ch;
    const int xl = box.left;
    const int xr = box.left + cw - 1 + shiftX;
    const int yu = box.top + q.upperMiddle;
    const int yd = box.top + q.lowerMiddle + shiftY;

    const int n = static_cast<int>(q.steps.size());
    std::vector<Point> pts;
    pts.reserve(4 * static_cast<size_t>(n) + 8);
    for (int i = 0; i < n; ++i)
        pts.push_back({xr - q.steps[i].k, yu - q.steps[i].m});
    for (int i = n - 1; i >= 0; --i)
        pts.push_back({xl + q.steps[i].k, yu - q.steps[i].m});
    for (int i = 0; i < n; ++i)
        pts.push_back({xl + q.steps[i].k, yd + q.steps[i].m});
    for (int i = n - 1; i >= 0; --i)
        pts.push_back({xr - q.steps[i].k, yd + q.steps[i].m});

    // Join the quadrants with straight runs where the corners were pulled apart, and drop
    // pixels the mirrored halves share.
    PointPath path;
    path.reserve(pts.size() + 2 * static_cast<size_t>(w + h));
    for (size_t i = 0; i < pts.size(); ++i) {
        const Point p = pts[i];
        if (!path.empty()) {
            const Point last = path.back();
            if (last == p)
                continue;
            if (std::abs(last.x - p.x) > 1 || std::abs(last.y - p.y) > 1) {
                PointPath run;
                appendLine(run, last, p);
                path.insert(path.end(), run.begin() + 1, run.end());
            }
        }
        path.push_back(p);
    }
    if (path.size() > 1) {
        const Point first = path.front();
        while (path.size() > 1 && path.back() == first)
            path.pop_back();
        const Point last = path.back();
        if (std::abs(last.x - first.x) > 1 || std::abs(last.y - first.y) > 1) {
            PointPath run;
            appendLine(run, last, first);
            path.insert(path.end(), run.begin() + 1, run.end());
        }
    }
    return path;
}

// Pseudo-angle order of vectors counter-clockwise on screen (y grows downwards), starting
// at the positive x axis: returns true when u comes before v.
int halfOf(int64_t x, int64_t y)
{
    // Upper half of the screen (y < 0) and the positive x axis come first.
    return (y < 0 || (y == 0 && x >= 0)) ? 0 : 1;
}

bool angleLess(int64_t ux, int64_t uy, int64_t vx, int64_t vy)
{
    // The centre itself (and a ray through the centre) counts as the start of the circle.
    if (vx == 0 && vy == 0)
        return false;
    if (ux == 0 && uy == 0)
        return !(vy == 0 && vx > 0);
    const int hu = halfOf(ux, uy);
    const int hv = halfOf(vx, vy);
    if (hu != hv)
        return hu < hv;
    // Counter-clockwise on screen: the cross product in screen coordinates is negative.
    return ux * vy - uy * vx < 0;
}

// First index along the closed counter-clockwise outline whose direction from the centre is
// not before the ray's.
size_t rayIndex(const PointPath& path, int64_t cx2, int64_t cy2, Point through)
{
    const int64_t rx = 2 * int64_t{through.x} - cx2;
    const int64_t ry = 2 * int64_t{through.y} - cy2;
    for (size_t i = 0; i < path.size(); ++i) {
        const int64_t px = 2 * int64_t{path[i].x} - cx2;
        const int64_t py = 2 * int64_t{path[i].y} - cy2;
        if (!angleLess(px, py, rx, ry))
            return i;
    }
    return path.size();
}

struct ArcCut {
    // From the first outline point on or past the start ray up to, not including, the first
    // one on or past the end ray; in drawing order.
    PointPath points;
    bool valid = false;
};

ArcCut cutArc(Rect box, Point start, Point end, ArcDirection direction)
{
    ArcCut cut;
    if (detail::tooLarge(box))
        return cut;
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    if (w <= 0 || h <= 0)
        return cut;
    // The outline is symmetric about its middle row, so a clockwise arc is the mirror image of
    // the counter-clockwise arc between the mirrored radial points.
    const int mirrorSum = box.top + box.bottom - 1;
    const bool clockwise = direction == ArcDirection::Clockwise;
    if (clockwise) {
        start.y = mirrorSum - start.y;
        end.y = mirrorSum - end.y;
    }
    const PointPath ring = roundedOutline(box, w, h);
    if (w <= 2) {
        // An ellipse one or two pixels wide has no arc to cut: what is left is its first
        // point, so an Arc or a Chord draws nothing and a Pie only the radius out and back
        // (nothing at all for a one-pixel box, whose first point is its centre).
        Point p = ring.front();
        if (clockwise)
            p.y = mirrorSum - p.y;
        cut.points.push_back(p);
        cut.valid = true;
        return cut;
    }
    const int64_t cx2 = int64_t{box.left} + box.right - 1;
    const int64_t cy2 = mirrorSum;
    const size_t n = ring.size();
    const size_t s = rayIndex(ring, cx2, cy2, start) % n;
    const size_t e = rayIndex(ring, cx2, cy2, end) % n;
    // Equal rays give the whole outline.
    size_t count = (e + n - s) % n;
    if (count == 0)
        count = n;
    cut.points.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Point p = ring[(s + i) % n];
        if (clockwise)
            p.y = mirrorSum - p.y;
        cut.points.push_back(p);
    }
    cut.valid = true;
    return cut;
}

// A convex closed outline's brush area: each row from its leftmost to its rightmost outline
// pixel, the outline included, so the brush lies under the whole pen.
SpanList convexInterior(const PointPath& ring, Rect box)
{
    const int rows = box.bottom - box.top;
    std::vector<int> lo(static_cast<size_t>(rows), INT32_MAX);
    std::vector<int> hi(static_cast<size_t>(rows), INT32_MIN);
    for (const Point& p : ring) {
        const size_t r = static_cast<size_t>(p.y - box.top);
        lo[r] = std::min(lo[r], p.x);
        hi[r] = std::max(hi[r], p.x);
    }
    SpanList spans;
    spans.reserve(static_cast<size_t>(rows));
    for (int r = 0; r < rows; ++r)
        if (lo[static_cast<size_t>(r)] <= hi[static_cast<size_t>(r)])
            spans.push_back({box.top + r, lo[static_cast<size_t>(r)], hi[static_cast<size_t>(r)] + 1});
    return spans;
}

Rect applyInsideFrame(Rect box, const PenShape& pen)
{
    if (!pen.insideFrame || pen.width <= 1 || pen.width > detail::kMaxExtent || detail::tooLarge(box))
        return box;
    const int inset = pen.width / 2;
    const int insetFar = pen.width - 1 - inset;
    box.left += inset;
    box.top += inset;
    box.right -= insetFar;
    box.bottom -= insetFar;
    return box;
}

void finishOutline(Figure& figure, std::vector<PointPath> paths, const PenShape& pen)
{
    if (pen.width > 1) {
        figure.penArea = detail::widePathArea(paths, pen.width);
        return;
    }
    detail::removeRepeatedPixels(paths);
    figure.outline = std::move(paths);
}

} // namespace

namespace detail {
SpanList ellipseArea(Rect box)
{
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    if (w <= 0 || h <= 0)
        return {};
    if (w == 1 && h == 1)
        return {{box.top, box.left, box.left + 1}};
    return convexInterior(roundedOutline(box, w, h), box);
}
} // namespace detail

Figure ellipse(Rect box, PenShape pen)
{
    if (detail::tooLarge(box))
        return {};
    return roundRect(box, std::abs(box.right - box.left), std::abs(box.bottom - box.top), pen);
}

Figure roundRect(Rect box, int cornerWidth, int cornerHeight, PenShape pen)
{
    Figure figure;
    if (detail::tooLarge(box) || pen.width > detail::kMaxExtent)
        return figure;
    box = applyInsideFrame(normalised(box), pen);
    const int w = box.right - box.left;
    const int h = box.bottom - box.top;
    // A single-pixel box has no outline to draw.
    if (w <= 0 || h <= 0 || (w == 1 && h == 1))
        return figure;
    auto cornerSize = [](int c, int limit) {
        return static_cast<int>(std::min<int64_t>(std::abs(int64_t{c}), limit));
    };
    PointPath ring = roundedOutline(box, cornerSize(cornerWidth, w), cornerSize(cornerHeight, h));
    figure.interior = convexInterior(ring, box);
    std::vector<PointPath> paths{std::move(ring)};
    if (!paths.front().empty())
        paths.front().push_back(paths.front().front());
    finishOutline(figure, std::move(paths), pen);
    return figure;
}

Figure arc(Rect box, Point start, Point end, ArcDirection direction, PenShape pen)
{
    Figure figure;
    box = applyInsideFrame(normalised(box), pen);
    ArcCut cut = cutArc(box, start, end, direction);
    if (!cut.valid || cut.points.size() < 2)
        return figure;
    // The arc is drawn as a polyline through its points, which leaves out the last one.
    if (pen.width <= 1)
        cut.points.pop_back();
    finishOutline(figure, {std::move(cut.points)}, pen);
    return figure;
}

Figure pie(Rect box, Point start, Point end, ArcDirection direction, PenShape pen)
{
    Figure figure;
    box = applyInsideFrame(normalised(box), pen);
    ArcCut cut = cutArc(box, start, end, direction);
    if (!cut.valid)
        return figure;
    const Point centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    // A closed polyline: the arc, out to the centre and back to the arc's first point.
    PointPath path(cut.points.begin(), cut.points.end() - 1);
    appendLine(path, cut.points.back(), centre);
    appendLine(path, centre, cut.points.front());
    if (path.empty())
        return figure;
    if (pen.width > 1)
        path.push_back(cut.points.front());

    std::vector<Point> polygonPoints = cut.points;
    polygonPoints.push_back(centre);
    figure.interior = detail::fillPolygon(polygonPoints, PolyFillMode::Alternate);
    finishOutline(figure, {std::move(path)}, pen);
    return figure;
}

Figure chord(Rect box, Point start, Point end, ArcDirection direction, PenShape pen)
{
    Figure figure;
    box = applyInsideFrame(normalised(box), pen);
    ArcCut cut = cutArc(box, start, end, direction);
    // A chord of a single point closes on itself and draws nothing.
    if (!cut.valid || cut.points.size() < 2)
        return figure;
    PointPath path = cut.points;
    appendLine(path, path.back(), cut.points.front());
    path.push_back(cut.points.front());
    figure.interior = detail::fillPolygon(cut.points, PolyFillMode::Alternate);
    finishOutline(figure, {std::move(path)}, pen);
    return figure;
}

ArcToResult arcTo(Point currentPosition, Rect box, Point start, Point end, ArcDirection direction,
                  PenShape pen)
{
    ArcToResult result;
    box = applyInsideFrame(normalised(box), pen);
    const Point reach[] = {currentPosition, {box.left, box.top}, {box.right, box.bottom}};
    ArcCut cut = cutArc(box, start, end, direction);
    if (!cut.valid || detail::tooLarge(reach, pen.width)) {
        result.newCurrentPosition = currentPosition;
        return result;
    }
    PointPath path;
    appendLine(path, currentPosition, cut.points.front());
    path.insert(path.end(), cut.points.begin(), cut.points.end());
    result.newCurrentPosition = cut.points.back();
    if (pen.width <= 1)
        path.pop_back();
    finishOutline(result.figure, {std::move(path)}, pen);
    return result;
}

} // namespace gdi::geometry
