#pragma once
// Which source pixel each destination pixel of a blit takes, planned one axis at a time: the
// destination pixels inside the clip, the source pixel (or none) of each for a sampling stretch,
// and the source span of each for a reducing one.

#include <cstdint>
#include <vector>

namespace gdi::detail {

// One axis of a blit as called. A negative extent counts back from its origin: origin 31 with
// extent -8 covers pixels 24..31, walked from 31.
struct AxisCall {
    int64_t destOrigin = 0;
    int64_t destExtent = 0;
    int64_t sourceOrigin = 0;
    int64_t sourceExtent = 0;
    int sourceSize = 0; // source pixels along the axis
    int clipLow = 0;    // destination pixels [clipLow, clipHigh) may change
    int clipHigh = 0;
};

// Destination pixels [first, first + source.size()); source[i] is the source pixel of
// destination pixel first + i, or -1 where that destination pixel keeps its value.
struct AxisMap {
    int first = 0;
    std::vector<int> source;

    int size() const { return static_cast<int>(source.size()); }
};

// StretchBlt's sampling, as the platform does it, clipping of sources that reach outside the
// source surface included. `columns` tells the horizontal axis, whose reductions round the
// other way.
AxisMap mapStretchAxis(const AxisCall& call, bool columns);

// The source pixel under each destination pixel's centre; a centre on a source boundary takes
// the earlier pixel unless `tieToLater`. Destination pixels whose source pixel falls outside
// the source keep their value. The DIB calls sample this way.
AxisMap mapCentreSampledAxis(const AxisCall& call, bool tieToLater);

// Source spans [low, high) of each destination pixel when an axis is reduced in a combining
// stretch mode (single pixels, centre-sampled, when it is not reduced); low = high = -1 where
// the span lies outside the source.
struct AxisSpans {
    int first = 0;
    std::vector<int> low;
    std::vector<int> high;

    int size() const { return static_cast<int>(low.size()); }
};

AxisSpans reducingSpans(const AxisCall& call);

} // namespace gdi::detail
