// PatBlt, BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice and GetDIBits.
//
// One general routine handles every ternary raster operation, depth, colour table and scale a
// row at a time: source values are converted into the destination's value domain, then
// combined with the pattern and destination values. Common cases are rows of a table of fast
// paths that fall back to it.

#include "platform/gdi/device_context.h"

#include "platform/gdi/color_match.h"
#include "platform/gdi/paint_internal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gdi {
namespace detail {

// Pixel rows the blit reads from: row y (top = 0) starts at top + y * step.
struct BlitSource {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    const uint8_t* top = nullptr;
    ptrdiff_t step = 0;
    std::span<const RgbQuad> table;
    const DibSurface* surface = nullptr; // set when the rows belong to a surface

    const uint8_t* row(int y) const { return top + step * y; }
};

namespace {

BlitSource sourceOf(const DibSurface& s)
{
    BlitSource b;
    b.width = s.width();
    b.height = s.height();
    b.bitsPerPixel = s.bitsPerPixel();
    b.top = s.scanLine(0);
    b.step = -static_cast<ptrdiff_t>(s.rowBytes());
    b.table = s.colorTable();
    b.surface = &s;
    return b;
}

uint32_t ropIndex(RasterOp rop) { return (rop >> 16) & 0xFFu; }
bool usesSource(uint32_t index) { return ((index >> 2) ^ index) & 0x33u; }
bool usesPattern(uint32_t index) { return ((index >> 4) ^ index) & 0x0Fu; }

// The mix mode a raster operation without source amounts to.
int rop2Of(uint32_t index)
{
    const uint32_t n = (index & 1u) | ((index >> 1) & 1u) << 1 | ((index >> 4) & 1u) << 2 | ((index >> 5) & 1u) << 3;
    return static_cast<int>(n) + 1;
}

// Converts source stored values into destination stored values.
class ValueConverter {
public:
    ValueConverter(const BlitSource& src, const DibSurface& dest)
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

    bool identity() const { return kind_ == Kind::Identity; }

    void convert(uint32_t* values, int n)
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

private:
    enum class Kind { Identity, Lut, Nearest };
    Kind kind_ = Kind::Identity;
    bool identity_ = false;
    std::vector<uint32_t> lut_;
    static constexpr uint32_t kUnset = 0xFFFFFFFFu;
    std::vector<uint32_t> cells_;
    bool quantise_ = false;
    uint32_t lastRgb_ = 0xFFFFFFFFu;
    uint32_t lastValue_ = 0;
    const DibSurface* dest_ = nullptr;
};

// Index into the source for each destination pixel of an axis, COLORONCOLOR style: the
// source pixel under the destination pixel's centre. A centre falling exactly on a source
// boundary takes the earlier pixel, except across columns when reducing, where the platform
// takes the later one.
int64_t mapAxis(int64_t i, int64_t dstLen, int64_t srcLen, bool tieToLater)
{
    if (dstLen == srcLen)
        return i;
    // Both lengths may reach 2^31, so the products are taken in 128 bits.
    const __int128 num = (2 * static_cast<__int128>(i) + 1) * srcLen;
    const __int128 den = 2 * static_cast<__int128>(dstLen);
    if (tieToLater)
        return static_cast<int64_t>(num / den);
    return static_cast<int64_t>((num + den - 1) / den - 1);
}

// Source pixels [lo, hi) a destination pixel covers when an axis is reduced.
void boxOf(int64_t i, int64_t dstLen, int64_t srcLen, bool mirror, int64_t& lo, int64_t& hi)
{
    lo = i * srcLen / dstLen;
    hi = (i + 1) * srcLen / dstLen;
    if (hi <= lo)
        hi = lo + 1;
    if (mirror) {
        const int64_t l = srcLen - hi;
        hi = srcLen - lo;
        lo = l;
    }
}

// d = f(p, s, d) for a whole row; the common operations avoid the bitwise truth table.
void combineRow(uint32_t index, uint32_t mask, const uint32_t* p, const uint32_t* s, uint32_t* d, int n)
{
    switch (index) {
    case 0xCC: // SRCCOPY
        std::memcpy(d, s, sizeof(uint32_t) * static_cast<size_t>(n));
        return;
    case 0x33: // NOTSRCCOPY
        for (int i = 0; i < n; ++i)
            d[i] = ~s[i] & mask;
        return;
    case 0x66: // SRCINVERT
        for (int i = 0; i < n; ++i)
            d[i] = (d[i] ^ s[i]) & mask;
        return;
    case 0x88: // SRCAND
        for (int i = 0; i < n; ++i)
            d[i] &= s[i];
        return;
    case 0xEE: // SRCPAINT
        for (int i = 0; i < n; ++i)
            d[i] = (d[i] | s[i]) & mask;
        return;
    default:
        for (int i = 0; i < n; ++i)
            d[i] = rop3Apply(index, p ? p[i] : 0, s[i], d[i]) & mask;
        return;
    }
}

// Fast rows of a copy between surfaces of one byte-aligned format whose values need no
// conversion. `columns` holds the source column of each destination pixel.
struct CopyRow {
    uint8_t* dest;
    const uint8_t* source;
    int destX;
    int count;
    int sourceX;        // first source column when unmapped
    const int* columns; // per destination pixel when mapped
    size_t sourceRowBytes;
};

template <int Bytes>
void copyRowStraight(const CopyRow& r)
{
    std::memmove(r.dest + Bytes * static_cast<size_t>(r.destX), r.source + Bytes * static_cast<size_t>(r.sourceX),
                 Bytes * static_cast<size_t>(r.count));
}

template <int Bytes>
void copyRowMapped(const CopyRow& r)
{
    uint8_t* d = r.dest + Bytes * static_cast<size_t>(r.destX);
    int i = 0;
    if constexpr (Bytes == 3) {
        // Whole 4-byte moves: the fourth byte lands on the next pixel, which is written next.
        for (; i + 1 < r.count; ++i, d += 3) {
            const size_t at = 3 * static_cast<size_t>(r.columns[i]);
            if (at + 4 > r.sourceRowBytes)
                break;
            uint32_t v;
            std::memcpy(&v, r.source + at, 4);
            std::memcpy(d, &v, 4);
        }
    }
    for (; i < r.count; ++i, d += Bytes) {
        const uint8_t* p = r.source + Bytes * static_cast<size_t>(r.columns[i]);
        if constexpr (Bytes == 4) {
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        } else {
            std::memcpy(d, p, Bytes);
        }
    }
}

struct FastPath {
    uint32_t ropIndex;
    int bitsPerPixel;
    bool mapped; // columns scaled or mirrored
    void (*row)(const CopyRow&);
};

// Rows of the table are tried in order; anything else takes the general routine.
constexpr FastPath kFastPaths[] = {
    {0xCC, 8, false, &copyRowStraight<1>},  {0xCC, 24, false, &copyRowStraight<3>}, {0xCC, 32, false, &copyRowMapped<4>},
    {0xCC, 8, true, &copyRowMapped<1>},     {0xCC, 24, true, &copyRowMapped<3>},    {0xCC, 32, true, &copyRowMapped<4>},
};

bool gFastPathsEnabled = true;

void (*findFastPath(uint32_t ropIndex, int bitsPerPixel, bool mapped))(const CopyRow&)
{
    if (!gFastPathsEnabled)
        return nullptr;
    for (const FastPath& f : kFastPaths)
        if (f.ropIndex == ropIndex && f.bitsPerPixel == bitsPerPixel && f.mapped == mapped)
            return f.row;
    return nullptr;
}

} // namespace

void setBlitFastPathsEnabled(bool enabled) { gFastPathsEnabled = enabled; }

} // namespace detail

using detail::BlitSource;

bool DeviceContext::PatBlt(int x, int y, int width, int height, RasterOp rop)
{
    // A negative extent counts back from the pixel after the origin: x = 31, width = -8 covers
    // columns 24..31.
    int64_t left = x, right = int64_t{x} + width, top = y, bottom = int64_t{y} + height;
    if (width < 0) {
        left = right + 1;
        right = int64_t{x} + 1;
    }
    if (height < 0) {
        top = bottom + 1;
        bottom = int64_t{y} + 1;
    }
    auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    const Rect r{clamp(left), clamp(top), clamp(right), clamp(bottom)};
    const detail::RealBrush brush = realise(brush_, detail::rop2Of(detail::ropIndex(rop)));
    const uint32_t index = detail::ropIndex(rop);
    if (!detail::usesPattern(index)) {
        // BLACKNESS, WHITENESS, DSTINVERT and friends paint even with a null brush.
        detail::RealBrush solid;
        solid.null = false;
        solid.solid = true;
        solid.solidOp = detail::rop2AndXor(detail::rop2Of(index), 0, detail::valueMask(surface_->bitsPerPixel()));
        fillRectClipped(r, solid);
        return true;
    }
    fillRectClipped(r, brush);
    return true;
}

bool DeviceContext::BitBlt(int xDest, int yDest, int width, int height, const DeviceContext* source, int xSrc,
                           int ySrc, RasterOp rop)
{
    return StretchBlt(xDest, yDest, width, height, source, xSrc, ySrc, width, height, rop);
}

bool DeviceContext::StretchBlt(int xDest, int yDest, int widthDest, int heightDest, const DeviceContext* source,
                               int xSrc, int ySrc, int widthSrc, int heightSrc, RasterOp rop)
{
    if (!detail::usesSource(detail::ropIndex(rop)))
        return PatBlt(xDest, yDest, widthDest, heightDest, rop);
    if (!source)
        return false;
    const BlitSource src = detail::sourceOf(source->surface());
    return blit(xDest, yDest, widthDest, heightDest, src, xSrc, ySrc, widthSrc, heightSrc, rop);
}

namespace {

// A DIB handed in by pointer and header, checked before any row is read.
bool sourceFromInfo(const void* bits, const BitmapInfo& info, detail::BlitSource& out)
{
    const BitmapInfoHeader& h = info.bmiHeader;
    if (!bits || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN)
        return false;
    const int bpp = h.biBitCount;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return false;
    const int height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int64_t stride = DibSurface::rowBytesFor(h.biWidth, bpp);
    out.width = h.biWidth;
    out.height = height;
    out.bitsPerPixel = bpp;
    const auto* base = static_cast<const uint8_t*>(bits);
    if (h.biHeight > 0) {
        out.top = base + stride * (height - 1);
        out.step = -stride;
    } else {
        out.top = base;
        out.step = stride;
    }
    if (bpp <= 8) {
        size_t n = h.biClrUsed ? h.biClrUsed : (size_t{1} << bpp);
        n = std::min({n, info.bmiColors.size(), size_t{1} << bpp});
        out.table = std::span<const RgbQuad>(info.bmiColors.data(), n);
    }
    return true;
}

} // namespace

int DeviceContext::StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc, int ySrc,
                                 int widthSrc, int heightSrc, const void* bits, const BitmapInfo& info,
                                 unsigned usage, RasterOp rop)
{
    if (usage != DIB_RGB_COLORS)
        return 0;
    const uint32_t index = detail::ropIndex(rop);
    if (!detail::usesSource(index)) {
        PatBlt(xDest, yDest, widthDest, heightDest, rop);
        return std::abs(info.bmiHeader.biHeight);
    }
    detail::BlitSource src;
    if (!sourceFromInfo(bits, info, src))
        return 0;
    // Source rows count from the bottom of a bottom-up DIB.
    int64_t ySrcTop = ySrc;
    if (info.bmiHeader.biHeight > 0)
        ySrcTop = int64_t{src.height} - ySrc - heightSrc;
    if (!blit(xDest, yDest, widthDest, heightDest, src, xSrc, ySrcTop, widthSrc, heightSrc, rop))
        return 0;
    return src.height;
}

int DeviceContext::StretchDIBits(int xDest, int yDest, int widthDest, int heightDest, int xSrc, int ySrc,
                                 int widthSrc, int heightSrc, const DibSurface& source, RasterOp rop)
{
    const BitmapInfo info = BitmapInfo::describe(source);
    return StretchDIBits(xDest, yDest, widthDest, heightDest, xSrc, ySrc, widthSrc, heightSrc, source.bits(), info,
                         DIB_RGB_COLORS, rop);
}

int DeviceContext::SetDIBitsToDevice(int xDest, int yDest, int width, int height, int xSrc, int ySrc,
                                     unsigned startScan, unsigned scanLines, const void* bits,
                                     const BitmapInfo& info, unsigned usage)
{
    if (usage != DIB_RGB_COLORS || !bits)
        return 0;
    // The bits hold scanLines rows starting at startScan (counted from the bottom); present
    // them as a DIB of that many rows.
    BitmapInfo part = info;
    const int fullHeight = std::abs(info.bmiHeader.biHeight);
    const int rows = static_cast<int>(std::min<unsigned>(scanLines, static_cast<unsigned>(fullHeight)));
    if (rows <= 0)
        return 0;
    detail::BlitSource src;
    part.bmiHeader.biHeight = info.bmiHeader.biHeight < 0 ? -rows : rows;
    if (!sourceFromInfo(bits, part, src))
        return 0;
    // Source y is counted from the bottom of the whole DIB; this band starts at startScan.
    int64_t yTop;
    if (info.bmiHeader.biHeight > 0)
        yTop = int64_t{rows} - ySrc - height + int64_t{startScan};
    else
        yTop = int64_t{ySrc} - int64_t{startScan};
    if (!blit(xDest, yDest, width, height, src, xSrc, yTop, width, height, SRCCOPY))
        return 0;
    return rows;
}

int DeviceContext::GetDIBits(unsigned startScan, unsigned scanLines, void* bits, BitmapInfo& info,
                             unsigned usage) const
{
    if (usage != DIB_RGB_COLORS)
        return 0;
    const DibSurface& s = *surface_;
    const int wantBpp = info.bmiHeader.biBitCount ? info.bmiHeader.biBitCount : s.bitsPerPixel();
    if (!bits) {
        info = BitmapInfo::describe(s);
        return s.height();
    }
    if (info.bmiHeader.biCompression != BI_RGB)
        return 0;
    if (wantBpp != s.bitsPerPixel() && wantBpp != 24 && wantBpp != 32)
        return 0;
    const int64_t stride = DibSurface::rowBytesFor(s.width(), wantBpp);
    const int first = static_cast<int>(std::min<unsigned>(startScan, static_cast<unsigned>(s.height())));
    const int count = static_cast<int>(std::min<unsigned>(scanLines, static_cast<unsigned>(s.height() - first)));
    const bool topDown = info.bmiHeader.biHeight < 0;
    auto* out = static_cast<uint8_t*>(bits);
    const detail::DepthOps& srcOps = detail::depthOps(s.bitsPerPixel());
    const detail::DepthOps& dstOps = detail::depthOps(wantBpp);
    std::vector<uint32_t> values(static_cast<size_t>(s.width()));
    for (int i = 0; i < count; ++i) {
        // Row i of the output band is bottom-up row first + i.
        const int bottomUpRow = first + i;
        const int y = s.height() - 1 - bottomUpRow;
        uint8_t* dst = out + stride * (topDown ? (count - 1 - i) : i);
        if (wantBpp == s.bitsPerPixel()) {
            std::memcpy(dst, s.scanLine(y), static_cast<size_t>(std::min<int64_t>(stride, s.rowBytes())));
            continue;
        }
        srcOps.readRow(s.scanLine(y), 0, s.width(), values.data());
        if (s.isPalettised())
            for (uint32_t& v : values)
                v = detail::rgbOf(v < s.colorTable().size() ? s.colorTable()[v] : RgbQuad{});
        std::memset(dst, 0, static_cast<size_t>(stride));
        dstOps.writeRow(dst, 0, s.width(), values.data());
    }
    const int keptHeight = info.bmiHeader.biHeight;
    info = BitmapInfo::describe(s);
    info.bmiHeader.biHeight = keptHeight ? keptHeight : s.height();
    info.bmiHeader.biBitCount = static_cast<uint16_t>(wantBpp);
    info.bmiHeader.biSizeImage = static_cast<uint32_t>(stride * s.height());
    if (wantBpp > 8) {
        info.bmiColors.clear();
        info.bmiHeader.biClrUsed = 0;
    }
    return count;
}

bool DeviceContext::blit(int xDestIn, int yDestIn, int widthDestIn, int heightDestIn, const BlitSource& sourceIn,
                         int64_t xSrcIn, int64_t ySrcIn, int widthSrcIn, int heightSrcIn, RasterOp rop)
{
    if (widthDestIn == 0 || heightDestIn == 0 || widthSrcIn == 0 || heightSrcIn == 0)
        return true;
    // Rectangle arithmetic in 64 bits: any int arguments are valid and none overflows.
    int64_t xDest = xDestIn, yDest = yDestIn, widthDest = widthDestIn, heightDest = heightDestIn;
    int64_t xSrc = xSrcIn, ySrc = ySrcIn, widthSrc = widthSrcIn, heightSrc = heightSrcIn;
    const uint32_t index = detail::ropIndex(rop);
    DibSurface& dest = *surface_;
    const uint32_t mask = detail::valueMask(dest.bitsPerPixel());

    // Normalise both rectangles; opposite signs mirror.
    const bool mirrorX = (widthDest < 0) != (widthSrc < 0);
    const bool mirrorY = (heightDest < 0) != (heightSrc < 0);
    auto norm = [](int64_t& pos, int64_t& len) {
        if (len < 0) {
            pos += len + 1;
            len = -len;
        }
    };
    norm(xDest, widthDest);
    norm(yDest, heightDest);
    norm(xSrc, widthSrc);
    norm(ySrc, heightSrc);
    const bool scaled = widthDest != widthSrc || heightDest != heightSrc;

    const Rect clip = drawClip();
    const int64_t dx0l = std::max<int64_t>(clip.left, xDest), dx1l = std::min<int64_t>(clip.right, xDest + widthDest);
    const int64_t dy0l = std::max<int64_t>(clip.top, yDest), dy1l = std::min<int64_t>(clip.bottom, yDest + heightDest);
    if (dx0l >= dx1l || dy0l >= dy1l)
        return true;
    const int dx0 = static_cast<int>(dx0l), dx1 = static_cast<int>(dx1l);
    const int dy0 = static_cast<int>(dy0l), dy1 = static_cast<int>(dy1l);

    // A scaled or mirrored copy within one surface reads from a snapshot of the source rows it
    // needs, so it never reads what it has already written. Plain copies order their rows
    // instead.
    BlitSource src = sourceIn;
    std::vector<uint8_t> snapshot;
    const bool sameSurface = src.surface == &dest;
    if (sameSurface && (scaled || mirrorX || mirrorY)) {
        const int sy0 = static_cast<int>(std::max<int64_t>(0, ySrc));
        const int sy1 = static_cast<int>(std::min<int64_t>(src.height, ySrc + heightSrc));
        if (sy0 < sy1) {
            const size_t rowBytes = static_cast<size_t>(dest.rowBytes());
            snapshot.resize(rowBytes * static_cast<size_t>(sy1 - sy0));
            for (int y = sy0; y < sy1; ++y)
                std::memcpy(snapshot.data() + rowBytes * static_cast<size_t>(y - sy0), dest.scanLine(y), rowBytes);
            src.top = snapshot.data() - static_cast<ptrdiff_t>(rowBytes) * sy0;
            src.step = static_cast<ptrdiff_t>(rowBytes);
            src.surface = nullptr;
        }
    }

    // Source column of each destination column in [dx0, dx1); -1 where it falls outside.
    const int n = dx1 - dx0;
    std::vector<int> columns(static_cast<size_t>(n));
    int srcMin = INT32_MAX, srcMax = INT32_MIN;
    for (int i = 0; i < n; ++i) {
        int64_t j = detail::mapAxis(dx0 + i - xDest, widthDest, widthSrc, widthDest < widthSrc);
        if (mirrorX)
            j = widthSrc - 1 - j;
        const int64_t sxl = xSrc + j;
        if (sxl < 0 || sxl >= src.width) {
            columns[static_cast<size_t>(i)] = -1;
            continue;
        }
        const int sx = static_cast<int>(sxl);
        columns[static_cast<size_t>(i)] = sx;
        srcMin = std::min(srcMin, sx);
        srcMax = std::max(srcMax, sx);
    }
    if (srcMin > srcMax)
        return true;
    // Reductions in BLACKONWHITE, WHITEONBLACK and HALFTONE combine every source pixel a
    // destination pixel covers instead of picking one.
    const bool shrinkX = widthDest < widthSrc, shrinkY = heightDest < heightSrc;
    const bool boxMode = stretchMode_ != COLORONCOLOR && (shrinkX || shrinkY);
    std::vector<int> boxLo, boxHi;
    if (boxMode) {
        boxLo.resize(static_cast<size_t>(n));
        boxHi.resize(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            int64_t lo = columns[static_cast<size_t>(i)], hi = lo + 1;
            if (shrinkX) {
                detail::boxOf(dx0 + i - xDest, widthDest, widthSrc, mirrorX, lo, hi);
                lo = std::max<int64_t>(lo + xSrc, 0);
                hi = std::min<int64_t>(hi + xSrc, src.width);
                if (lo >= hi) {
                    lo = hi = -1;
                } else {
                    srcMin = std::min(srcMin, static_cast<int>(lo));
                    srcMax = std::max(srcMax, static_cast<int>(hi - 1));
                }
                columns[static_cast<size_t>(i)] = static_cast<int>(lo);
            }
            boxLo[static_cast<size_t>(i)] = static_cast<int>(lo);
            boxHi[static_cast<size_t>(i)] = static_cast<int>(hi);
        }
    }
    const bool allColumns = std::none_of(columns.begin(), columns.end(), [](int c) { return c < 0; });
    const bool contiguous = allColumns && !mirrorX && !scaled;

    detail::ValueConverter converter(src, dest);
    const detail::DepthOps& srcOps = detail::depthOps(src.bitsPerPixel);
    const detail::DepthOps& dstOps = detail::depthOps(dest.bitsPerPixel());
    const bool pattern = detail::usesPattern(index);
    const detail::RealBrush brush = pattern ? realise(brush_, R2_COPYPEN) : detail::RealBrush{};

    // A fast row applies when both sides share one format and every destination pixel has
    // a source pixel; 32-bit rows copy only the colour bytes.
    const int bpp = dest.bitsPerPixel();
    void (*fastRow)(const detail::CopyRow&) = nullptr;
    if (allColumns && converter.identity() && src.bitsPerPixel == bpp && !boxMode)
        fastRow = detail::findFastPath(index, bpp, !contiguous);

    std::vector<uint32_t> srcRow(static_cast<size_t>(srcMax - srcMin + 1));
    std::vector<uint32_t> s(static_cast<size_t>(n)), d(static_cast<size_t>(n)), p;
    if (pattern)
        p.resize(static_cast<size_t>(n));

    // Overlapping unscaled copies within one surface go bottom-up when moving down.
    const bool reverseRows = sameSurface && !scaled && !mirrorY && yDest > ySrc;
    // Combines the converted source row s with pattern and destination, and writes it.
    auto finishRow = [&](int y, uint8_t* drow) {
        if (index != 0xCC && index != 0x33)
            dstOps.readRow(drow, dx0, n, d.data());
        if (pattern) {
            for (int i = 0; i < n; ++i)
                p[static_cast<size_t>(i)] =
                    brush.null ? 0 : brush.solid ? brush.solidOp.x : brush.opAt(dx0 + i, y, brushOrg_).x;
        }
        detail::combineRow(index, mask, pattern ? p.data() : nullptr, s.data(), d.data(), n);
        if (allColumns) {
            dstOps.writeRow(drow, dx0, n, d.data());
        } else {
            // Leave destination pixels without a source pixel as they are.
            int i = 0;
            while (i < n) {
                if (columns[static_cast<size_t>(i)] < 0) {
                    ++i;
                    continue;
                }
                int e = i;
                while (e < n && columns[static_cast<size_t>(e)] >= 0)
                    ++e;
                dstOps.writeRow(drow, dx0 + i, e - i, d.data() + i);
                i = e;
            }
        }
    };

    // Averages are matched into the destination as true colours.
    BlitSource rgbSource;
    rgbSource.bitsPerPixel = 24;
    detail::ValueConverter rgbToDest(rgbSource, dest);
    std::vector<uint32_t> acc[3];
    std::vector<int> count;
    if (boxMode) {
        for (auto& a : acc)
            a.resize(static_cast<size_t>(n));
        count.resize(static_cast<size_t>(n));
    }
    int lastSourceRow = -1;
    const uint8_t* lastDestRow = nullptr;
    for (int k = 0; k < dy1 - dy0; ++k) {
        const int y = reverseRows ? dy1 - 1 - k : dy0 + k;
        if (boxMode) {
            int64_t r0l, r1l;
            if (shrinkY) {
                detail::boxOf(y - yDest, heightDest, heightSrc, mirrorY, r0l, r1l);
            } else {
                r0l = detail::mapAxis(y - yDest, heightDest, heightSrc, false);
                if (mirrorY)
                    r0l = heightSrc - 1 - r0l;
                r1l = r0l + 1;
            }
            const int r0 = static_cast<int>(std::max<int64_t>(r0l + ySrc, 0));
            const int r1 = static_cast<int>(std::min<int64_t>(r1l + ySrc, src.height));
            if (r0 >= r1)
                continue;
            const bool halftone = stretchMode_ == HALFTONE;
            const uint32_t start = stretchMode_ == BLACKONWHITE ? 0xFFFFFFFFu : 0u;
            for (int i = 0; i < n; ++i) {
                s[static_cast<size_t>(i)] = start;
                acc[0][static_cast<size_t>(i)] = acc[1][static_cast<size_t>(i)] = acc[2][static_cast<size_t>(i)] = 0;
                count[static_cast<size_t>(i)] = 0;
            }
            for (int sr = r0; sr < r1; ++sr) {
                const int width = srcMax - srcMin + 1;
                srcOps.readRow(src.row(sr), srcMin, width, srcRow.data());
                if (halftone) {
                    if (src.bitsPerPixel <= 8)
                        for (int c = 0; c < width; ++c) {
                            const uint32_t v = srcRow[static_cast<size_t>(c)];
                            srcRow[static_cast<size_t>(c)] = v < src.table.size() ? detail::rgbOf(src.table[v]) : 0;
                        }
                } else {
                    converter.convert(srcRow.data(), width);
                }
                for (int i = 0; i < n; ++i) {
                    const int lo = boxLo[static_cast<size_t>(i)], hi = boxHi[static_cast<size_t>(i)];
                    for (int c = lo; c < hi && c >= 0; ++c) {
                        const uint32_t v = srcRow[static_cast<size_t>(c - srcMin)];
                        if (halftone) {
                            acc[0][static_cast<size_t>(i)] += (v >> 16) & 255u;
                            acc[1][static_cast<size_t>(i)] += (v >> 8) & 255u;
                            acc[2][static_cast<size_t>(i)] += v & 255u;
                            ++count[static_cast<size_t>(i)];
                        } else if (stretchMode_ == BLACKONWHITE) {
                            s[static_cast<size_t>(i)] &= v;
                        } else {
                            s[static_cast<size_t>(i)] |= v;
                        }
                    }
                }
            }
            if (halftone) {
                for (int i = 0; i < n; ++i) {
                    const uint32_t c = static_cast<uint32_t>(std::max(count[static_cast<size_t>(i)], 1));
                    s[static_cast<size_t>(i)] = (((acc[0][static_cast<size_t>(i)] + c / 2) / c) << 16) |
                                                (((acc[1][static_cast<size_t>(i)] + c / 2) / c) << 8) |
                                                ((acc[2][static_cast<size_t>(i)] + c / 2) / c);
                }
                rgbToDest.convert(s.data(), n);
            }
            uint8_t* drow = dest.scanLine(y);
            finishRow(y, drow);
            continue;
        }
        int64_t j = detail::mapAxis(y - yDest, heightDest, heightSrc, false);
        if (mirrorY)
            j = heightSrc - 1 - j;
        const int64_t syl = ySrc + j;
        if (syl < 0 || syl >= src.height)
            continue;
        const int sy = static_cast<int>(syl);
        uint8_t* drow = dest.scanLine(y);
        const uint8_t* srow = src.row(sy);
        if (fastRow) {
            // Enlarging repeats source rows: a repeat is a copy of the row just written (not at
            // 32 bits, whose fourth bytes belong to the destination).
            if (sy == lastSourceRow && lastDestRow && bpp != 32) {
                const size_t bytesPerPixel = static_cast<size_t>(bpp / 8);
                std::memcpy(drow + bytesPerPixel * static_cast<size_t>(dx0), lastDestRow + bytesPerPixel * static_cast<size_t>(dx0),
                            bytesPerPixel * static_cast<size_t>(n));
            } else {
                fastRow(detail::CopyRow{drow, srow, dx0, n, srcMin, columns.data(),
                                        static_cast<size_t>(DibSurface::rowBytesFor(src.width, src.bitsPerPixel))});
            }
            lastSourceRow = sy;
            lastDestRow = drow;
            continue;
        }
        srcOps.readRow(srow, srcMin, srcMax - srcMin + 1, srcRow.data());
        if (contiguous)
            std::memcpy(s.data(), srcRow.data(), sizeof(uint32_t) * static_cast<size_t>(n));
        else
            for (int i = 0; i < n; ++i) {
                const int c = columns[static_cast<size_t>(i)];
                s[static_cast<size_t>(i)] = c < 0 ? 0 : srcRow[static_cast<size_t>(c - srcMin)];
            }
        converter.convert(s.data(), n);
        finishRow(y, drow);
    }
    return true;
}

} // namespace gdi
