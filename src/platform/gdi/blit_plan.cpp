#include "platform/gdi/blit_plan.h"

#include <algorithm>

namespace gdi::detail {
namespace {

// [low, high) covered by an origin and a signed extent.
struct Span {
    int64_t low;
    int64_t high;
};

Span covered(int64_t origin, int64_t extent)
{
    return extent < 0 ? Span{origin + extent + 1, origin + 1} : Span{origin, origin + extent};
}

int64_t lengthOf(int64_t extent) { return extent < 0 ? -extent : extent; }

// The destination pixels inside the clip, each without a source pixel yet.
AxisMap clippedDestination(const AxisCall& call)
{
    const Span dest = covered(call.destOrigin, call.destExtent);
    const int64_t low = std::max<int64_t>(call.clipLow, dest.low);
    const int64_t high = std::min<int64_t>(call.clipHigh, dest.high);
    AxisMap map;
    map.first = static_cast<int>(std::clamp<int64_t>(low, call.clipLow, call.clipHigh));
    if (low < high)
        map.source.assign(static_cast<size_t>(high - low), -1);
    return map;
}

// Lengths reach 2^31, so the products are taken in 128 bits.
int64_t floorDiv(__int128 num, __int128 den) { return static_cast<int64_t>(num / den); }
int64_t ceilDiv(__int128 num, __int128 den) { return static_cast<int64_t>((num + den - 1) / den); }

// Step k of a stretch of `len` source pixels onto `count` destination pixels, both counted from
// their origins: the source pixel it takes and, when reducing, the first and last source
// pixels it stands for.
struct Step {
    int64_t sample;
    int64_t first;
    int64_t last;
};

Step stretchStep(int64_t k, int64_t len, int64_t count, bool columns, bool unmirrored)
{
    if (count == len)
        return {k, k, k};
    if (count > len) {
        const int64_t m = floorDiv((2 * static_cast<__int128>(k) + 1) * len - 1, 2 * static_cast<__int128>(count));
        return {m, m, m};
    }
    const int64_t first = floorDiv(2 * static_cast<__int128>(k) * len + count, 2 * static_cast<__int128>(count));
    const int64_t last = floorDiv((2 * static_cast<__int128>(k) + 2) * len - count, 2 * static_cast<__int128>(count));
    if (!columns)
        return {first, first, last};
    // The platform reduces a column run to one pixel by the next-to-last source pixel when
    // neither extent is negative.
    if (count == 1 && unmirrored)
        return {len - 2, first, len - 2};
    return {last, first, last};
}

} // namespace

AxisMap mapStretchAxis(const AxisCall& call, bool columns)
{
    AxisMap map = clippedDestination(call);
    const int64_t count = lengthOf(call.destExtent), len = lengthOf(call.sourceExtent);
    const bool destBack = call.destExtent < 0, sourceBack = call.sourceExtent < 0;
    const Span source = covered(call.sourceOrigin, call.sourceExtent);
    const int64_t cutLow = std::max<int64_t>(0, -source.low);
    const int64_t cutHigh = std::max<int64_t>(0, source.high - call.sourceSize);
    if (map.source.empty() || cutLow + cutHigh >= len)
        return map;
    // Cuts at the source's first and last steps.
    const int64_t cutStart = sourceBack ? cutHigh : cutLow;
    const int64_t cutEnd = sourceBack ? cutLow : cutHigh;
    // The platform trims the destination of a cut source on the same side as the source, not on
    // the mirrored one: a mirrored stretch keeps the order of its pixels but moves them along by
    // the difference of the two trims. A source mirrored from the pixel just past its far edge
    // stays in place.
    int64_t shift = 0;
    const bool fromJustPastTheEdge = sourceBack && !destBack && cutLow == 0 && cutHigh == 1;
    if (destBack != sourceBack && !fromJustPastTheEdge)
        shift = ceilDiv(static_cast<__int128>(cutEnd) * count, len) - floorDiv(static_cast<__int128>(cutStart) * count, len);
    for (int i = 0; i < map.size(); ++i) {
        const int64_t x = map.first + i;
        const int64_t k = (destBack ? call.destOrigin - x : x - call.destOrigin) - shift;
        if (k < 0 || k >= count)
            continue;
        const Step step = stretchStep(k, len, count, columns, !destBack && !sourceBack);
        // A destination pixel is drawn while any source pixel it stands for is inside; it then
        // takes the nearest inside pixel to its own.
        if (step.last < cutStart || step.first >= len - cutEnd)
            continue;
        const int64_t m = std::clamp(step.sample, cutStart, len - cutEnd - 1);
        map.source[static_cast<size_t>(i)] = static_cast<int>(sourceBack ? call.sourceOrigin - m : call.sourceOrigin + m);
    }
    return map;
}

namespace {

int64_t centreSample(int64_t i, int64_t count, int64_t len, bool tieToLater)
{
    if (count == len)
        return i;
    const __int128 num = (2 * static_cast<__int128>(i) + 1) * len;
    const __int128 den = 2 * static_cast<__int128>(count);
    return tieToLater ? floorDiv(num, den) : ceilDiv(num, den) - 1;
}

} // namespace

AxisMap mapCentreSampledAxis(const AxisCall& call, bool tieToLater)
{
    AxisMap map = clippedDestination(call);
    const Span dest = covered(call.destOrigin, call.destExtent);
    const Span source = covered(call.sourceOrigin, call.sourceExtent);
    const int64_t count = dest.high - dest.low, len = source.high - source.low;
    const bool mirror = (call.destExtent < 0) != (call.sourceExtent < 0);
    for (int i = 0; i < map.size(); ++i) {
        int64_t j = centreSample(map.first + i - dest.low, count, len, tieToLater);
        if (mirror)
            j = len - 1 - j;
        const int64_t s = source.low + j;
        if (s >= 0 && s < call.sourceSize)
            map.source[static_cast<size_t>(i)] = static_cast<int>(s);
    }
    return map;
}

AxisSpans reducingSpans(const AxisCall& call)
{
    const Span dest = covered(call.destOrigin, call.destExtent);
    const Span source = covered(call.sourceOrigin, call.sourceExtent);
    const int64_t count = dest.high - dest.low, len = source.high - source.low;
    const bool mirror = (call.destExtent < 0) != (call.sourceExtent < 0);
    const AxisMap clipped = clippedDestination(call);
    AxisSpans spans;
    spans.first = clipped.first;
    spans.low.assign(clipped.source.size(), -1);
    spans.high.assign(clipped.source.size(), -1);
    for (int i = 0; i < clipped.size(); ++i) {
        const int64_t at = clipped.first + i - dest.low;
        int64_t lo, hi;
        if (count < len) {
            lo = at * len / count;
            hi = std::max((at + 1) * len / count, lo + 1);
            if (mirror) {
                const int64_t l = len - hi;
                hi = len - lo;
                lo = l;
            }
        } else {
            lo = centreSample(at, count, len, false);
            if (mirror)
                lo = len - 1 - lo;
            hi = lo + 1;
        }
        lo = std::max<int64_t>(lo + source.low, 0);
        hi = std::min<int64_t>(hi + source.low, call.sourceSize);
        if (lo < hi) {
            spans.low[static_cast<size_t>(i)] = static_cast<int>(lo);
            spans.high[static_cast<size_t>(i)] = static_cast<int>(hi);
        }
    }
    return spans;
}

} // namespace gdi::detail
