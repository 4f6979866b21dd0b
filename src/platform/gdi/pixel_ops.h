#pragma once
// Row-level pixel operations for each depth, chosen once per call through a table so that no
// row loop tests the depth. Every write is "dest = (dest & a) ^ x" on the stored value: that one
// form expresses all sixteen mix modes for a known pen value, and a = ~0, x = 0 leaves a pixel
// untouched (a transparent hatch gap).

#include "platform/gdi/dib_surface.h"

#include <cstdint>

namespace gdi::detail {

struct AndXor {
    uint32_t a = 0;
    uint32_t x = 0;
    bool isNop() const { return x == 0 && a == 0xFFFFFFFFu; }
};

// All stored bits of a depth: 1, 0xF, 0xFF or 0xFFFFFF.
inline uint32_t valueMask(int bitsPerPixel)
{
    return bitsPerPixel >= 24 ? 0x00FFFFFFu : (1u << bitsPerPixel) - 1u;
}

// The and/xor pair of mix mode `rop2` (R2_BLACK..R2_WHITE) for pen value `pen`.
inline AndXor rop2AndXor(int rop2, uint32_t pen, uint32_t mask)
{
    const uint32_t n = static_cast<uint32_t>(rop2 - 1) & 15u;
    // Bit (2*P + D) of n is the result for pen bit P and destination bit D.
    auto bitsWhere = [&](bool d) {
        uint32_t r = 0;
        if (n & (d ? 2u : 1u))
            r |= ~pen;
        if (n & (d ? 8u : 4u))
            r |= pen;
        return r;
    };
    const uint32_t f0 = bitsWhere(false) & mask; // result where the destination bit is 0
    const uint32_t f1 = bitsWhere(true) & mask;  // result where it is 1
    // (D & a) ^ x: D=0 gives x = f0, D=1 gives a ^ x = f1. Bits outside the mask stay.
    return AndXor{(f0 ^ f1) | ~mask, f0};
}

// Ternary raster operation (index in bits 16..23 of the code) on stored values, bitwise.
inline uint32_t rop3Apply(uint32_t index, uint32_t p, uint32_t s, uint32_t d)
{
    uint32_t r = 0;
    if (index & 0x01u) r |= ~p & ~s & ~d;
    if (index & 0x02u) r |= ~p & ~s & d;
    if (index & 0x04u) r |= ~p & s & ~d;
    if (index & 0x08u) r |= ~p & s & d;
    if (index & 0x10u) r |= p & ~s & ~d;
    if (index & 0x20u) r |= p & ~s & d;
    if (index & 0x40u) r |= p & s & ~d;
    if (index & 0x80u) r |= p & s & d;
    return r;
}

// Row operations of one depth. Rows are given by their first byte; x counts pixels.
struct DepthOps {
    uint32_t (*get)(const uint8_t* row, int x);
    void (*put)(uint8_t* row, int x, uint32_t v);
    // Pixels x0 <= x < x1 become (v & a) ^ x.
    void (*solidSpan)(uint8_t* row, int x0, int x1, AndXor op);
    // Pixel x takes ops[(x + phase) & 7].
    void (*patternSpan)(uint8_t* row, int x0, int x1, const AndXor* ops, int phase);
    // Pixel x0 takes ops[first], the next ops[first + 1], and so on, wrapping at width.
    void (*tileSpan)(uint8_t* row, int x0, int x1, const AndXor* ops, int width, int first);
    // Stored values of pixels x0..x0+n-1 into/out of a plain array.
    void (*readRow)(const uint8_t* row, int x0, int n, uint32_t* out);
    void (*writeRow)(uint8_t* row, int x0, int n, const uint32_t* in);
};

const DepthOps& depthOps(int bitsPerPixel);

} // namespace gdi::detail
