#pragma once
// The general rows of a blit, for every raster operation, format and stretch mode: fetching the
// source pixels of a destination row (sampled, or combined over a span when reducing),
// combining them with pattern and destination, and storing the result.

#include "platform/gdi/blit_convert.h"
#include "platform/gdi/blit_plan.h"
#include "platform/gdi/paint_internal.h"

#include <cstdint>
#include <vector>

namespace gdi::detail {

// d = f(p, s, d) for a whole row; p may be null when the operation uses no pattern.
void combineRow(uint32_t ropIndex, uint32_t mask, const uint32_t* p, const uint32_t* s, uint32_t* d, int n);

// The source values of one destination row, one per destination pixel of the plan's columns,
// in the destination's value domain. Pixels without a source column get 0.
class SampledRow {
public:
    SampledRow(const BlitSource& source, const AxisMap& columns, ValueConverter& converter);

    int sourceLow() const { return low_; }
    int sourceHigh() const { return high_; }
    bool empty() const { return low_ >= high_; }
    // Every destination pixel takes the next source column.
    bool contiguous() const { return contiguous_; }
    const uint32_t* fetch(const uint8_t* sourceRow);

private:
    const AxisMap& columns_;
    ValueConverter& converter_;
    const DepthOps& ops_;
    int low_ = 0;
    int high_ = 0;
    bool contiguous_ = true;
    std::vector<uint32_t> read_;
    std::vector<uint32_t> values_;
};

// The source values of one destination row of a reducing stretch: BLACKONWHITE keeps the AND of
// the covered pixels, WHITEONBLACK the OR, HALFTONE their average matched into the destination.
class ReducingRow {
public:
    ReducingRow(const BlitSource& source, const AxisSpans& columns, int stretchMode, const DibSurface& dest);

    bool empty() const { return low_ >= high_; }
    const uint32_t* combine(int rowLow, int rowHigh);

private:
    const BlitSource& source_;
    const AxisSpans& columns_;
    int mode_;
    ValueConverter converter_;
    ValueConverter rgbToDest_;
    const DepthOps& ops_;
    int low_ = 0;
    int high_ = 0;
    std::vector<uint32_t> read_;
    std::vector<uint32_t> values_;
    std::vector<uint32_t> sum_[3];
    std::vector<uint32_t> count_;
};

// Combines source values with the pattern and the destination row and stores them; destination
// pixels without a source pixel keep their value.
class RowStore {
public:
    RowStore(DibSurface& dest, uint32_t ropIndex, const RealBrush* pattern, Point brushOrigin, int first,
             const std::vector<int>& sources);

    void store(int y, const uint32_t* s);

private:
    DibSurface& dest_;
    const DepthOps& ops_;
    uint32_t index_;
    uint32_t mask_;
    const RealBrush* pattern_;
    Point brushOrigin_;
    int first_;
    const std::vector<int>& sources_;
    bool allSources_;
    std::vector<uint32_t> d_;
    std::vector<uint32_t> p_;
};

} // namespace gdi::detail
