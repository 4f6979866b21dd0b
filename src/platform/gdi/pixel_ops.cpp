#include "platform/gdi/pixel_ops.h"

#include <cstring>

namespace gdi::detail {
namespace {

template <int Bpp>
struct Pixel;

template <>
struct Pixel<1> {
    static uint32_t get(const uint8_t* row, int x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
    static void put(uint8_t* row, int x, uint32_t v)
    {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>((v & 1u) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
    }
};

template <>
struct Pixel<4> {
    static uint32_t get(const uint8_t* row, int x) { return (x & 1) ? (row[x >> 1] & 15u) : (row[x >> 1] >> 4); }
    static void put(uint8_t* row, int x, uint32_t v)
    {
        uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<uint8_t>((b & 0xF0u) | (v & 15u)) : static_cast<uint8_t>((b & 0x0Fu) | ((v & 15u) << 4));
    }
};

template <>
struct Pixel<8> {
    static uint32_t get(const uint8_t* row, int x) { return row[x]; }
    static void put(uint8_t* row, int x, uint32_t v) { row[x] = static_cast<uint8_t>(v); }
};

template <>
struct Pixel<24> {
    static uint32_t get(const uint8_t* row, int x)
    {
        const uint8_t* p = row + 3 * x;
        return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    }
    static void put(uint8_t* row, int x, uint32_t v)
    {
        uint8_t* p = row + 3 * x;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};

template <>
struct Pixel<32> {
    static uint32_t get(const uint8_t* row, int x)
    {
        uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        return v & 0x00FFFFFFu;
    }
    // The fourth byte is not part of the colour; it is left as it is.
    static void put(uint8_t* row, int x, uint32_t v)
    {
        uint8_t* p = row + 4 * x;
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    }
};

template <int Bpp>
void solidSpanGeneric(uint8_t* row, int x0, int x1, AndXor op)
{
    for (int x = x0; x < x1; ++x)
        Pixel<Bpp>::put(row, x, (Pixel<Bpp>::get(row, x) & op.a) ^ op.x);
}

// Whole bytes of 1- and 4-bit rows are done eight or two pixels at a time.
template <int Bpp>
void solidSpanPacked(uint8_t* row, int x0, int x1, AndXor op)
{
    constexpr int perByte = 8 / Bpp;
    int head = x0;
    while (head < x1 && head % perByte != 0)
        ++head;
    int tail = x1 - x1 % perByte;
    if (tail <= head) {
        solidSpanGeneric<Bpp>(row, x0, x1, op);
        return;
    }
    solidSpanGeneric<Bpp>(row, x0, head, op);
    uint8_t a = 0, x = 0;
    for (int i = 0; i < perByte; ++i) {
        a = static_cast<uint8_t>((a << Bpp) | (op.a & ((1u << Bpp) - 1u)));
        x = static_cast<uint8_t>((x << Bpp) | (op.x & ((1u << Bpp) - 1u)));
    }
    uint8_t* p = row + head / perByte;
    uint8_t* end = row + tail / perByte;
    if (a == 0)
        std::memset(p, x, static_cast<size_t>(end - p));
    else
        for (; p < end; ++p)
            *p = static_cast<uint8_t>((*p & a) ^ x);
    solidSpanGeneric<Bpp>(row, tail, x1, op);
}

void solidSpan8(uint8_t* row, int x0, int x1, AndXor op)
{
    if (x1 <= x0)
        return;
    const uint8_t a = static_cast<uint8_t>(op.a), x = static_cast<uint8_t>(op.x);
    if (a == 0) {
        std::memset(row + x0, x, static_cast<size_t>(x1 - x0));
        return;
    }
    for (uint8_t *p = row + x0, *end = row + x1; p < end; ++p)
        *p = static_cast<uint8_t>((*p & a) ^ x);
}

void solidSpan24(uint8_t* row, int x0, int x1, AndXor op)
{
    if (x1 <= x0)
        return;
    uint8_t* p = row + 3 * x0;
    const size_t bytes = static_cast<size_t>(x1 - x0) * 3;
    if ((op.a & 0x00FFFFFFu) == 0) {
        // Copy fast path: lay down one 12-byte block, then double it.
        uint8_t block[12];
        for (int i = 0; i < 4; ++i) {
            block[3 * i] = static_cast<uint8_t>(op.x);
            block[3 * i + 1] = static_cast<uint8_t>(op.x >> 8);
            block[3 * i + 2] = static_cast<uint8_t>(op.x >> 16);
        }
        size_t done = bytes < 12 ? bytes : 12;
        std::memcpy(p, block, done);
        // Both counts stay multiples of three, so each copy keeps the colour phase.
        while (done < bytes) {
            const size_t n = done < bytes - done ? done : bytes - done;
            std::memcpy(p + done, p, n);
            done += n;
        }
        return;
    }
    const uint8_t a[3] = {static_cast<uint8_t>(op.a), static_cast<uint8_t>(op.a >> 8), static_cast<uint8_t>(op.a >> 16)};
    const uint8_t x[3] = {static_cast<uint8_t>(op.x), static_cast<uint8_t>(op.x >> 8), static_cast<uint8_t>(op.x >> 16)};
    for (uint8_t* end = p + bytes; p < end; p += 3) {
        p[0] = static_cast<uint8_t>((p[0] & a[0]) ^ x[0]);
        p[1] = static_cast<uint8_t>((p[1] & a[1]) ^ x[1]);
        p[2] = static_cast<uint8_t>((p[2] & a[2]) ^ x[2]);
    }
}

// Whole words at a time: the fourth byte goes through the mask unchanged, which the compiler
// turns into vector code.
void solidSpan32(uint8_t* row, int x0, int x1, AndXor op)
{
    const uint32_t keep = op.a | 0xFF000000u;
    const uint32_t flip = op.x & 0x00FFFFFFu;
    uint8_t* p = row + 4 * static_cast<size_t>(x0);
    for (int x = x0; x < x1; ++x, p += 4) {
        uint32_t v;
        std::memcpy(&v, p, 4);
        v = (v & keep) ^ flip;
        std::memcpy(p, &v, 4);
    }
}

template <int Bpp>
void patternSpan(uint8_t* row, int x0, int x1, const AndXor* ops, int phase)
{
    for (int x = x0; x < x1; ++x) {
        const AndXor& op = ops[(x + phase) & 7];
        Pixel<Bpp>::put(row, x, (Pixel<Bpp>::get(row, x) & op.a) ^ op.x);
    }
}

template <int Bpp>
void tileSpan(uint8_t* row, int x0, int x1, const AndXor* ops, int width, int first)
{
    int i = first;
    for (int x = x0; x < x1; ++x) {
        const AndXor& op = ops[i];
        Pixel<Bpp>::put(row, x, (Pixel<Bpp>::get(row, x) & op.a) ^ op.x);
        if (++i == width)
            i = 0;
    }
}

template <int Bpp>
void readRow(const uint8_t* row, int x0, int n, uint32_t* out)
{
    if constexpr (Bpp == 8) {
        for (int i = 0; i < n; ++i)
            out[i] = row[x0 + i];
    } else {
        for (int i = 0; i < n; ++i)
            out[i] = Pixel<Bpp>::get(row, x0 + i);
    }
}

template <int Bpp>
void writeRow(uint8_t* row, int x0, int n, const uint32_t* in)
{
    for (int i = 0; i < n; ++i)
        Pixel<Bpp>::put(row, x0 + i, in[i]);
}

template <int Bpp>
constexpr DepthOps makeOps(void (*solid)(uint8_t*, int, int, AndXor))
{
    return DepthOps{&Pixel<Bpp>::get, &Pixel<Bpp>::put, solid, &patternSpan<Bpp>, &tileSpan<Bpp>, &readRow<Bpp>, &writeRow<Bpp>};
}

const DepthOps kOps1 = makeOps<1>(&solidSpanPacked<1>);
const DepthOps kOps4 = makeOps<4>(&solidSpanPacked<4>);
const DepthOps kOps8 = makeOps<8>(&solidSpan8);
const DepthOps kOps24 = makeOps<24>(&solidSpan24);
const DepthOps kOps32 = makeOps<32>(&solidSpan32);

} // namespace

const DepthOps& depthOps(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1:
        return kOps1;
    case 4:
        return kOps4;
    case 8:
        return kOps8;
    case 24:
        return kOps24;
    default:
        return kOps32;
    }
}

} // namespace gdi::detail
