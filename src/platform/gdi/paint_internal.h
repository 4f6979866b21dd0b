#pragma once
// What the device context's drawing calls share: the realised brush and the span painter.

#include "platform/gdi/device_context.h"
#include "platform/gdi/pixel_ops.h"

#include <algorithm>

namespace gdi::detail {

// A brush turned into stored-value operations for one surface, mix mode and set of colours.
// cells[row][col] is the operation for brush-space pixel (col, row); brush space starts at the
// brush origin.
struct RealBrush {
    bool null = true;
    bool solid = false;
    AndXor solidOp;
    AndXor cells[8][8];
};

// Tests switch the blit fast rows off to compare them with the general routine.
void setBlitFastPathsEnabled(bool enabled);

// The 8x8 bit rows of a hatch style, most significant bit = leftmost pixel.
const uint8_t* hatchBits(int hatch);

// Paints spans on a surface, clipped to `clip` (normalised, inside the surface).
class SpanPainter {
public:
    SpanPainter(DibSurface& surface, const Rect& clip)
        : surface_(surface), ops_(depthOps(surface.bitsPerPixel())), clip_(clip)
    {
    }

    const Rect& clip() const { return clip_; }
    const DepthOps& ops() const { return ops_; }

    void solid(int y, int x0, int x1, AndXor op)
    {
        if (y < clip_.top || y >= clip_.bottom)
            return;
        x0 = std::max(x0, clip_.left);
        x1 = std::min(x1, clip_.right);
        if (x0 < x1)
            ops_.solidSpan(surface_.scanLine(y), x0, x1, op);
    }

    void brush(int y, int x0, int x1, const RealBrush& b, Point origin)
    {
        if (b.null)
            return;
        if (b.solid) {
            solid(y, x0, x1, b.solidOp);
            return;
        }
        if (y < clip_.top || y >= clip_.bottom)
            return;
        x0 = std::max(x0, clip_.left);
        x1 = std::min(x1, clip_.right);
        if (x0 < x1)
            ops_.patternSpan(surface_.scanLine(y), x0, x1, b.cells[(y - origin.y) & 7], -origin.x);
    }

    void pixel(int x, int y, AndXor op)
    {
        if (x < clip_.left || x >= clip_.right || y < clip_.top || y >= clip_.bottom)
            return;
        uint8_t* row = surface_.scanLine(y);
        ops_.put(row, x, (ops_.get(row, x) & op.a) ^ op.x);
    }

private:
    DibSurface& surface_;
    const DepthOps& ops_;
    Rect clip_;
};

} // namespace gdi::detail
