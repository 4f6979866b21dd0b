#pragma once
// What the device context's drawing calls share: the realised brush and the span painter.

#include "platform/gdi/device_context.h"
#include "platform/gdi/pixel_ops.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace gdi::detail {

// A brush turned into stored-value operations for one surface, mix mode and set of colours.
// cells[row][col] is the operation for brush-space pixel (col, row); brush space starts at the
// brush origin.
// A colour tile of any size keeps its operations in tile->ops (tileWidth per row) instead; where
// every operation simply stores a value on a byte-aligned surface, tile->bytes holds the stored
// rows so that spans are copied.
struct RealBrush {
    bool null = true;
    bool solid = false;
    AndXor solidOp;
    AndXor cells[8][8];
    int tileWidth = 0;
    int tileHeight = 0;
    // Shared, so that a realised texture is passed to each figure without copying it.
    struct Tile {
        std::vector<AndXor> ops;
        std::vector<uint8_t> bytes;
    };
    std::shared_ptr<const Tile> tile;

    bool tiled() const { return tileWidth > 0; }
    // The operation for surface pixel (x, y).
    const AndXor& opAt(int x, int y, Point origin) const
    {
        if (!tiled())
            return cells[(y - origin.y) & 7][(x - origin.x) & 7];
        return tile->ops[static_cast<size_t>(tileRow(y, origin)) * tileWidth + tileColumn(x, origin)];
    }
    int tileRow(int y, Point origin) const { return floorMod(int64_t{y} - origin.y, tileHeight); }
    int tileColumn(int x, Point origin) const { return floorMod(int64_t{x} - origin.x, tileWidth); }

private:
    static int floorMod(int64_t v, int n)
    {
        const int64_t r = v % n;
        return static_cast<int>(r < 0 ? r + n : r);
    }
};

} // namespace gdi::detail

namespace gdi {
// What the context's last colour-tile brush became on its surface.
struct DeviceContext::TileCache {
    std::weak_ptr<const ColorTile> tile;
    int rop2 = 0;
    ColorRef bkColor = 0;
    int bitsPerPixel = 0;
    std::vector<RgbQuad> colorTable;
    detail::RealBrush brush;
};
} // namespace gdi

namespace gdi::detail {

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
        if (x0 >= x1)
            return;
        if (b.tiled())
            tileSpan(y, x0, x1, b, origin);
        else
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
    void tileSpan(int y, int x0, int x1, const RealBrush& b, Point origin)
    {
        const int row = b.tileRow(y, origin);
        const int first = b.tileColumn(x0, origin);
        uint8_t* line = surface_.scanLine(y);
        if (b.tile->bytes.empty()) {
            ops_.tileSpan(line, x0, x1, &b.tile->ops[static_cast<size_t>(row) * b.tileWidth], b.tileWidth, first);
            return;
        }
        const size_t pixel = static_cast<size_t>(surface_.bitsPerPixel() / 8);
        const uint8_t* tileRow = &b.tile->bytes[static_cast<size_t>(row) * b.tileWidth * pixel];
        uint8_t* out = line + static_cast<size_t>(x0) * pixel;
        const size_t total = static_cast<size_t>(x1 - x0) * pixel;
        const size_t period = static_cast<size_t>(b.tileWidth) * pixel;
        // One period from the tile (in two pieces when it starts inside), then the row doubles
        // itself: every copy is a whole number of periods long.
        const size_t head = std::min(total, period - first * pixel);
        std::memcpy(out, tileRow + first * pixel, head);
        size_t done = head;
        if (done < total) {
            const size_t rest = std::min(total - done, first * pixel);
            std::memcpy(out + done, tileRow, rest);
            done += rest;
        }
        while (done < total) {
            const size_t n = std::min(done, total - done);
            std::memcpy(out + done, out, n);
            done += n;
        }
    }

    DibSurface& surface_;
    const DepthOps& ops_;
    Rect clip_;
};

} // namespace gdi::detail
