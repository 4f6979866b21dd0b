// PatBlt, BitBlt, StretchBlt, StretchDIBits, SetDIBitsToDevice and GetDIBits.
//
// A blit is planned one axis at a time (which source pixel, or span, each destination pixel
// takes), then drawn a row at a time: a fast row from the table where one applies, otherwise the
// general row that fetches and converts the source pixels, combines them with pattern and
// destination, and stores them.

#include "platform/gdi/device_context.h"

#include "platform/gdi/blit_fast_rows.h"
#include "platform/gdi/blit_plan.h"
#include "platform/gdi/blit_rows.h"
#include "platform/gdi/blit_source.h"
#include "platform/gdi/color_match.h"
#include "platform/gdi/paint_internal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace gdi {
namespace detail {
namespace {

uint32_t ropIndex(RasterOp rop) { return (rop >> 16) & 0xFFu; }
bool usesSource(uint32_t index) { return ((index >> 2) ^ index) & 0x33u; }
bool usesPattern(uint32_t index) { return ((index >> 4) ^ index) & 0x0Fu; }

// The mix mode a raster operation without source amounts to.
int rop2Of(uint32_t index)
{
    const uint32_t n = (index & 1u) | ((index >> 1) & 1u) << 1 | ((index >> 4) & 1u) << 2 | ((index >> 5) & 1u) << 3;
    return static_cast<int>(n) + 1;
}

} // namespace
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
    out.sampling = detail::Sampling::Dib;
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

namespace {

// A scaled or mirrored copy within one surface reads from a snapshot of the source rows it
// needs, so that it never reads what it has already written. Plain copies order their rows
// instead.
std::vector<uint8_t> snapshotRows(detail::BlitSource& src, const DibSurface& dest, int64_t ySrc, int64_t heightSrc)
{
    std::vector<uint8_t> snapshot;
    const int64_t top = heightSrc < 0 ? ySrc + heightSrc + 1 : ySrc;
    const int y0 = static_cast<int>(std::clamp<int64_t>(top, 0, src.height));
    const int y1 = static_cast<int>(std::clamp<int64_t>(top + std::abs(heightSrc), 0, src.height));
    if (y0 >= y1)
        return snapshot;
    const size_t rowBytes = static_cast<size_t>(dest.rowBytes());
    snapshot.resize(rowBytes * static_cast<size_t>(y1 - y0));
    for (int y = y0; y < y1; ++y)
        std::memcpy(snapshot.data() + rowBytes * static_cast<size_t>(y - y0), dest.scanLine(y), rowBytes);
    src.top = snapshot.data() - static_cast<ptrdiff_t>(rowBytes) * y0;
    src.step = static_cast<ptrdiff_t>(rowBytes);
    src.surface = nullptr;
    return snapshot;
}

// What one blit draws with, whichever rows draw it.
struct BlitJob {
    DibSurface& dest;
    const detail::BlitSource& source;
    uint32_t ropIndex;
    const detail::RealBrush* pattern; // null when the operation uses none
    Point brushOrigin;
};

int64_t lengthOf(int extent) { return std::abs(int64_t{extent}); }

void drawReducing(const BlitJob& job, const detail::AxisCall& across, const detail::AxisCall& down, int stretchMode)
{
    const detail::AxisSpans columns = detail::reducingSpans(across);
    const detail::AxisSpans rows = detail::reducingSpans(down);
    detail::ReducingRow fetch(job.source, columns, stretchMode, job.dest);
    if (fetch.empty())
        return;
    detail::RowStore store(job.dest, job.ropIndex, job.pattern, job.brushOrigin, columns.first, columns.low);
    for (int i = 0; i < rows.size(); ++i) {
        const size_t at = static_cast<size_t>(i);
        if (rows.low[at] >= 0)
            store.store(rows.first + i, fetch.combine(rows.low[at], rows.high[at]));
    }
}

void drawSampled(const BlitJob& job, const detail::AxisMap& columns, const detail::AxisMap& rows, bool bottomUp)
{
    const detail::BlitSource& src = job.source;
    detail::ValueConverter converter(src, job.dest);
    detail::SampledRow fetch(src, columns, converter);
    if (fetch.empty())
        return;
    detail::RowStore store(job.dest, job.ropIndex, job.pattern, job.brushOrigin, columns.first, columns.source);

    // A fast row applies when no value needs converting and every destination pixel has a
    // source pixel.
    const bool allColumns = std::none_of(columns.source.begin(), columns.source.end(), [](int c) { return c < 0; });
    const int bpp = job.dest.bitsPerPixel();
    detail::CopyRowFunction fastRow = nullptr;
    if (allColumns && converter.identity())
        fastRow = detail::findFastRow(job.ropIndex, src.bitsPerPixel, bpp, !fetch.contiguous());
    else if (allColumns && converter.colors())
        fastRow = detail::findFastRow(job.ropIndex, src.bitsPerPixel, bpp, !fetch.contiguous(), true);
    const size_t sourceRowBytes = static_cast<size_t>(DibSurface::rowBytesFor(src.width, src.bitsPerPixel));

    int lastSourceRow = -1;
    const uint8_t* lastDestRow = nullptr;
    for (int k = 0; k < rows.size(); ++k) {
        const int i = bottomUp ? rows.size() - 1 - k : k;
        const int sy = rows.source[static_cast<size_t>(i)];
        if (sy < 0)
            continue;
        const int y = rows.first + i;
        if (!fastRow) {
            store.store(y, fetch.fetch(src.row(sy)));
            continue;
        }
        uint8_t* drow = job.dest.scanLine(y);
        // Enlarging repeats source rows: a repeat is a copy of the row just written (not into
        // 32 bits, whose fourth bytes belong to the destination).
        if (sy == lastSourceRow && bpp != 32) {
            const size_t bytesPerPixel = static_cast<size_t>(bpp / 8);
            const size_t from = bytesPerPixel * static_cast<size_t>(columns.first);
            std::memcpy(drow + from, lastDestRow + from, bytesPerPixel * static_cast<size_t>(columns.size()));
        } else {
            fastRow(detail::CopyRow{drow, src.row(sy), columns.first, columns.size(), fetch.sourceLow(),
                                    columns.source.data(), sourceRowBytes, converter.colors()});
        }
        lastSourceRow = sy;
        lastDestRow = drow;
    }
}

} // namespace

bool DeviceContext::blit(int xDest, int yDest, int widthDest, int heightDest, const BlitSource& source, int64_t xSrc,
                         int64_t ySrc, int widthSrc, int heightSrc, RasterOp rop)
{
    if (widthDest == 0 || heightDest == 0 || widthSrc == 0 || heightSrc == 0)
        return true;
    DibSurface& dest = *surface_;
    const Rect clip = drawClip();
    const detail::AxisCall across{xDest, widthDest, xSrc, widthSrc, source.width, clip.left, clip.right};
    const detail::AxisCall down{yDest, heightDest, ySrc, heightSrc, source.height, clip.top, clip.bottom};
    const bool mirrored = (widthDest < 0) != (widthSrc < 0) || (heightDest < 0) != (heightSrc < 0);
    const bool scaled = lengthOf(widthDest) != lengthOf(widthSrc) || lengthOf(heightDest) != lengthOf(heightSrc);

    BlitSource src = source;
    const bool sameSurface = src.surface == &dest;
    std::vector<uint8_t> snapshot;
    if (sameSurface && (scaled || mirrored))
        snapshot = snapshotRows(src, dest, ySrc, heightSrc);
    const uint32_t index = detail::ropIndex(rop);
    const detail::RealBrush brush = detail::usesPattern(index) ? realise(brush_, R2_COPYPEN) : detail::RealBrush{};
    const BlitJob job{dest, src, index, detail::usesPattern(index) ? &brush : nullptr, brushOrg_};

    // Reductions in BLACKONWHITE, WHITEONBLACK and HALFTONE combine every source pixel a
    // destination pixel covers instead of picking one.
    const bool reducingX = lengthOf(widthDest) < lengthOf(widthSrc);
    if (stretchMode_ != COLORONCOLOR && (reducingX || lengthOf(heightDest) < lengthOf(heightSrc))) {
        drawReducing(job, across, down, stretchMode_);
        return true;
    }
    const bool stretchBlt = source.sampling == detail::Sampling::StretchBlt;
    const detail::AxisMap columns =
        stretchBlt ? detail::mapStretchAxis(across, true) : detail::mapCentreSampledAxis(across, reducingX);
    const detail::AxisMap rows = stretchBlt ? detail::mapStretchAxis(down, false) : detail::mapCentreSampledAxis(down, false);
    // Rows go bottom-up, in the order of the destination's memory, which streams several times
    // faster than the reverse, except a plain copy moving up within one surface: it must read
    // each row before it overwrites it.
    drawSampled(job, columns, rows, !(sameSurface && !scaled && !mirrored && yDest < ySrc));
    return true;
}

} // namespace gdi
