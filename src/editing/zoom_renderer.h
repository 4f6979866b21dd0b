#pragma once
// Renders one window of a zoomed picture without building the zoomed picture itself, so the
// work and memory follow the window (the viewport), not the zoomed size.
//
// The pixels are exactly those the unfiltered resize gives for the whole zoomed size: each
// displayed pixel takes the source pixel its top-left corner falls on (column x * W / w), or,
// for true-colour sources of more than 1024 pixels, the rounded mean of the source pixels its
// area covers. Above 100 % both rules pick single pixels, so that is nearest neighbour.

#include <QRect>

#include <cstddef>
#include <cstdint>
#include <vector>

class TDibGraphic;

class ZoomRenderer {
public:
    // Fills window (in zoomed coordinates, inside 0..zoomedWidth x 0..zoomedHeight) of source
    // shown at zoomedWidth x zoomedHeight into out: 0xFFRRGGBB pixels, stride in pixels.
    void render(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window, uint32_t* out,
                ptrdiff_t stride);

    // The one displayed pixel at (x, y), 0x00RRGGBB; the same rule, for a single point.
    static uint32_t pixelAt(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, int x, int y);

    // Whether a source is shown by averaging (below 100 %) rather than picking pixels.
    static bool averages(const TDibGraphic& source);

private:
    void renderPicked(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                      uint32_t* out, ptrdiff_t stride);
    void renderAveraged(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                        uint32_t* out, ptrdiff_t stride);

    // Divides by n with a multiply; exact when n < 2^16 and the numerator is below 256 * n, as
    // the rounded mean of a sum of n bytes always is. Larger spans divide plainly.
    struct Reciprocal {
        uint64_t factor = 0;
        uint32_t divisor = 1;

        explicit Reciprocal(uint32_t n = 1) : factor(((uint64_t{1} << 40) + n - 1) / n), divisor(n) {}
        uint32_t divide(uint32_t x) const
        {
            return divisor < (1u << 16) ? static_cast<uint32_t>((x * factor) >> 40) : x / divisor;
        }
    };

    // Scratch kept between calls so a redraw allocates nothing once warmed up.
    std::vector<int> columns_;
    std::vector<uint32_t> sums_;
    std::vector<Reciprocal> reciprocals_;
};
