#pragma once
// The one-pixel line of the device: Bresenham from the first point, the last point excluded.
// Where the ideal line passes exactly half-way between two pixels, the octant decides which
// one is taken, so a line and its reverse need not cover the same pixels.

#include "platform/gdi/gdi_types.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace gdi::detail {

struct LineSetup {
    int length = 0;      // pixels drawn (the last point excluded)
    bool xMajor = true;
    int majorStep = 1;
    int minorStep = 1;
    int64_t dMajor = 0;  // |delta| along the major axis
    int64_t dMinor = 0;
    int bias = 0;        // 1 where ties step the minor axis early
};

inline LineSetup setupLine(Point a, Point b)
{
    LineSetup s;
    const int64_t dx = int64_t{b.x} - a.x;
    const int64_t dy = int64_t{b.y} - a.y;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    s.xMajor = adx > ady;
    s.dMajor = s.xMajor ? adx : ady;
    s.dMinor = s.xMajor ? ady : adx;
    s.majorStep = (s.xMajor ? dx : dy) < 0 ? -1 : 1;
    s.minorStep = (s.xMajor ? dy : dx) < 0 ? -1 : 1;
    s.length = static_cast<int>(s.dMajor);
    // Octants numbered counter-clockwise from +x with y growing downwards: 3, 5, 6 and 8
    // round ties the other way.
    int octant;
    if (dy > 0)
        octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
    else
        octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
    s.bias = (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
    return s;
}

// Minor-axis offset of pixel i, the closed form of the error-term walk.
inline int64_t minorOffset(const LineSetup& s, int64_t i)
{
    if (s.dMajor == 0)
        return 0;
    return (2 * s.dMinor * i + s.dMajor + s.bias - 1) / (2 * s.dMajor);
}

// Calls plot(x, y, i) for every pixel i of the line a->b whose position lies in clip
// (normalised, exclusive), in drawing order. Returns the line's full length in pixels, so
// callers can advance a dash pattern past pixels that were clipped away.
template <class Plot>
int rasterLine(Point a, Point b, const Rect& clip, Plot&& plot)
{
    const LineSetup s = setupLine(a, b);
    if (s.length == 0)
        return 0;
    // The steps whose major coordinate is inside the clip.
    const int major0 = s.xMajor ? a.x : a.y;
    const int lo = s.xMajor ? clip.left : clip.top;
    const int hi = s.xMajor ? clip.right : clip.bottom;
    int64_t first, last; // inclusive step range
    if (s.majorStep > 0) {
        first = std::max<int64_t>(0, int64_t{lo} - major0);
        last = std::min<int64_t>(s.length - 1, int64_t{hi} - 1 - major0);
    } else {
        first = std::max<int64_t>(0, int64_t{major0} - (hi - 1));
        last = std::min<int64_t>(s.length - 1, int64_t{major0} - lo);
    }
    if (first > last)
        return s.length;
    const int minor0 = s.xMajor ? a.y : a.x;
    const int mlo = s.xMajor ? clip.top : clip.left;
    const int mhi = s.xMajor ? clip.bottom : clip.right;
    int64_t minor = minor0 + s.minorStep * minorOffset(s, first);
    // Error term of the walk at step `first`, in the form the incremental loop keeps.
    int64_t err = 2 * s.dMinor * (first + 1) - s.dMajor - 2 * s.dMajor * minorOffset(s, first);
    int64_t major = major0 + int64_t{s.majorStep} * first;
    for (int64_t i = first; i <= last; ++i) {
        if (minor >= mlo && minor < mhi) {
            if (s.xMajor)
                plot(static_cast<int>(major), static_cast<int>(minor), static_cast<int>(i));
            else
                plot(static_cast<int>(minor), static_cast<int>(major), static_cast<int>(i));
        } else if ((s.minorStep > 0 && minor >= mhi) || (s.minorStep < 0 && minor < mlo)) {
            break; // left the clip for good
        }
        if (err + s.bias > 0) {
            minor += s.minorStep;
            err -= 2 * s.dMajor;
        }
        err += 2 * s.dMinor;
        major += s.majorStep;
    }
    return s.length;
}

} // namespace gdi::detail
