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
#include <utility>
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

    // The zoomed rows first..last that show some source row of first..last, by either rule;
    // first > last when none does.
    static std::pair<int, int> zoomedRowsShowing(int sourceFirst, int sourceLast, int sourceHeight, int zoomedHeight);

private:
    void renderPicked(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                      uint32_t* out, ptrdiff_t stride);
    void renderAveraged(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                        uint32_t* out, ptrdiff_t stride);
    // The common reduction: spans of k or k + 1 columns and r or r + 1 rows whose sums fit 16
    // bits. False when the spans do not have that shape; nothing is written then.
    bool renderAveragedNarrow(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
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
    std::vector<uint32_t> spanPixels_;
    std::vector<uint32_t> sums_;
    std::vector<Reciprocal> reciprocals_;

    // Tables of the narrow reduction, kept while the source size, zoomed size and window columns
    // stay the same, as they do from one redraw to the next.
    struct NarrowColumn {
        uint32_t offset; // of the span's first sum, in 16-bit units
        uint32_t wide;   // 1 when the span has k + 1 columns
    };
    struct NarrowKey {
        int sourceWidth = 0, sourceHeight = 0, zoomedWidth = 0, zoomedHeight = 0, left = 0, count = 0;
        bool operator==(const NarrowKey&) const = default;
    };
    NarrowKey narrowKey_;
    bool narrowUsable_ = false;
    int narrowColumns_ = 0; // k
    int narrowRows_ = 0;    // r
    int narrowFirst_ = 0;
    size_t narrowSumCount_ = 0;
    std::vector<NarrowColumn> narrowSpans_;
    // Per pixel and channel (four lanes, the fourth zero): half the divisor plus one half, and
    // the divisor's reciprocal, for spans of r rows [0] and r + 1 rows [1].
    std::vector<float> narrowHalf_[2];
    std::vector<float> narrowScale_[2];
    std::vector<uint16_t> narrowSums_;
    std::vector<uint64_t> narrowPixels_;
    // The same scratch for the helper thread that renders the lower half of a large window.
    std::vector<uint16_t> narrowSums2_;
    std::vector<uint64_t> narrowPixels2_;
};
