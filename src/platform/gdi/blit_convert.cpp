#include "platform/gdi/blit_convert.h"

#include "platform/gdi/color_match.h"

#include <algorithm>

namespace gdi::detail {

ValueConverter::ValueConverter(const BlitSource& src, const DibSurface& dest)
{
    const bool srcPal = src.bitsPerPixel <= 8;
    const bool dstPal = dest.isPalettised();
    if (srcPal) {
        const size_t n = size_t{1} << src.bitsPerPixel;
        lut_.resize(n);
        const bool sameTable =
            dstPal && src.bitsPerPixel == dest.bitsPerPixel() && std::equal(src.table.begin(), src.table.end(),
                                                                              dest.colorTable().begin(),
                                                                              dest.colorTable().end());
        identity_ = sameTable;
        for (size_t i = 0; i < n; ++i) {
            const uint32_t rgb = i < src.table.size() ? rgbOf(src.table[i]) : 0;
            lut_[i] = dstPal ? nearestValue(dest, colorRefOf(rgb)) : rgb;
        }
        kind_ = identity_ ? Kind::Identity : Kind::Lut;
        lutHoldsColors_ = !dstPal;
    } else if (dstPal) {
        kind_ = Kind::Nearest;
        dest_ = &dest;
        quantise_ = dest.bitsPerPixel() == 8;
        if (quantise_)
            cells_.assign(size_t{1} << 15, kUnset);
    } else {
        kind_ = Kind::Identity;
    }
}

void ValueConverter::convert(uint32_t* values, int n)
{
    switch (kind_) {
    case Kind::Identity:
        return;
    case Kind::Lut:
        for (int i = 0; i < n; ++i)
            values[i] = lut_[values[i] & (lut_.size() - 1)];
        return;
    case Kind::Nearest:
        for (int i = 0; i < n; ++i) {
            // Into 8 bits the platform matches blitted colours through a 15-bit inverse
            // table: each colour stands for the centre of its 5-5-5 cell. Smaller tables
            // are matched exactly.
            if (!quantise_) {
                const uint32_t rgb = values[i] & 0x00FFFFFFu;
                if (rgb != lastRgb_) {
                    lastRgb_ = rgb;
                    lastValue_ = nearestValue(*dest_, colorRefOf(rgb));
                }
                values[i] = lastValue_;
                continue;
            }
            const uint32_t cell = ((values[i] >> 9) & 0x7C00u) | ((values[i] >> 6) & 0x03E0u) | ((values[i] >> 3) & 0x001Fu);
            uint32_t& slot = cells_[cell];
            if (slot == kUnset) {
                const uint32_t centre = ((cell & 0x7C00u) << 9) | ((cell & 0x03E0u) << 6) | ((cell & 0x001Fu) << 3) | 0x040404u;
                slot = nearestValue(*dest_, colorRefOf(centre));
            }
            values[i] = slot;
        }
        return;
    }
}

} // namespace gdi::detail
