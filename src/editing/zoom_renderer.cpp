#include "editing/zoom_renderer.h"

#include "imaging/dib_graphic.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Start of the source span of zoomed index i: i * source / zoomed, in 64 bits.
inline int spanStart(int64_t i, int source, int zoomed) { return static_cast<int>(i * source / zoomed); }

std::array<uint32_t, 256> paletteLookup(const TDibGraphic& source)
{
    std::array<uint32_t, 256> lut{};
    const TLogPalette& palette = source.LogPalette();
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        lut[i] = 0xFF000000u | (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    return lut;
}

// One row of picked pixels per format; the format is chosen once per render, not per pixel.
void pickRow24(const uint8_t* row, const int* columns, int count, const uint32_t*, uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const uint8_t* p = row + 3 * static_cast<size_t>(columns[i]);
        out[i] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
}

void pickRow8(const uint8_t* row, const int* columns, int count, const uint32_t* lut, uint32_t* out)
{
    for (int i = 0; i < count; ++i)
        out[i] = lut[row[columns[i]]];
}

void pickRow4(const uint8_t* row, const int* columns, int count, const uint32_t* lut, uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const int x = columns[i];
        out[i] = lut[(row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F];
    }
}

void pickRow1(const uint8_t* row, const int* columns, int count, const uint32_t* lut, uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const int x = columns[i];
        out[i] = lut[(row[x >> 3] >> (7 - (x & 7))) & 1];
    }
}

using PickRow = void (*)(const uint8_t*, const int*, int, const uint32_t*, uint32_t*);

// At 100 % the columns are consecutive: convert the row straight through.
void copyRow24(const uint8_t* row, int count, uint32_t* out)
{
    for (int i = 0; i < count; ++i, row += 3)
        out[i] = 0xFF000000u | (uint32_t{row[2]} << 16) | (uint32_t{row[1]} << 8) | row[0];
}


PickRow pickerFor(int bitCount)
{
    switch (bitCount) {
    case 1:
        return pickRow1;
    case 4:
        return pickRow4;
    case 8:
        return pickRow8;
    default:
        return pickRow24;
    }
}

// Column by column sums of source rows [top, bottom), bytes from firstColumn on.
template <typename T>
void sumRows(const TDibGraphic& source, int top, int bottom, int firstColumn, T* sum, size_t bytes)
{
    std::memset(sum, 0, bytes * sizeof(T));
    for (int sy = top; sy < bottom; ++sy) {
        const uint8_t* p = source.ScanLine(sy) + 3 * static_cast<size_t>(firstColumn);
        for (size_t i = 0; i < bytes; ++i)
            sum[i] = static_cast<T>(sum[i] + p[i]);
    }
}

struct Sum3 {
    uint32_t b = 0, g = 0, r = 0;
};

template <typename T>
Sum3 sumSpan(const T* sum, size_t from, size_t to)
{
    Sum3 s;
    for (size_t i = from; i < to; i += 3) {
        s.b += sum[i];
        s.g += sum[i + 1];
        s.r += sum[i + 2];
    }
    return s;
}

} // namespace

bool ZoomRenderer::averages(const TDibGraphic& source)
{
    return source.ImageFormat() == ifTrueColor && int64_t{source.GetWidth()} * source.GetHeight() > 1024;
}

void ZoomRenderer::render(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                          uint32_t* out, ptrdiff_t stride)
{
    if (source.GetEmpty() || window.isEmpty() || zoomedWidth < 1 || zoomedHeight < 1)
        return;
    Q_ASSERT(window.left() >= 0 && window.top() >= 0 && window.right() < zoomedWidth && window.bottom() < zoomedHeight);
    // Enlarging never averages: every span is a single source pixel.
    const bool shrinking = zoomedWidth < source.GetWidth() || zoomedHeight < source.GetHeight();
    if (averages(source) && shrinking)
        renderAveraged(source, zoomedWidth, zoomedHeight, window, out, stride);
    else
        renderPicked(source, zoomedWidth, zoomedHeight, window, out, stride);
}

void ZoomRenderer::renderPicked(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                                uint32_t* out, ptrdiff_t stride)
{
    const int W = source.GetWidth(), H = source.GetHeight();
    const int count = window.width();
    columns_.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        columns_[i] = spanStart(window.left() + i, W, zoomedWidth);
    const auto lut = paletteLookup(source);
    const PickRow pick = pickerFor(source.BitmapInfo().bmiHeader.biBitCount);

    const bool straight = zoomedWidth == W && source.ImageFormat() == ifTrueColor;
    int previousRow = -1;
    uint32_t* previousOut = nullptr;
    for (int y = 0; y < window.height(); ++y) {
        uint32_t* row = out + y * stride;
        const int sy = spanStart(window.top() + y, H, zoomedHeight);
        // Enlarged rows repeat: copy the row already made instead of picking it again.
        if (sy == previousRow)
            std::memcpy(row, previousOut, sizeof(uint32_t) * static_cast<size_t>(count));
        else if (straight)
            copyRow24(source.ScanLine(sy) + 3 * static_cast<size_t>(window.left()), count, row);
        else
            pick(source.ScanLine(sy), columns_.data(), count, lut.data(), row);
        previousRow = sy;
        previousOut = row;
    }
}

void ZoomRenderer::renderAveraged(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                                  uint32_t* out, ptrdiff_t stride)
{
    const int W = source.GetWidth(), H = source.GetHeight();
    const int count = window.width();
    // Span starts of the window's columns plus one past the last; a span is never empty.
    columns_.resize(static_cast<size_t>(count) + 1);
    for (int i = 0; i <= count; ++i)
        columns_[i] = spanStart(window.left() + i, W, zoomedWidth);
    const int firstColumn = columns_[0];
    const int endColumn = std::max(columns_[count], columns_[count - 1] + 1);
    const size_t sumBytes = 3 * static_cast<size_t>(endColumn - firstColumn);
    sums_.resize(sumBytes);
    std::vector<Reciprocal>& reciprocals = reciprocals_;
    reciprocals.resize(static_cast<size_t>(count));
    uint32_t reciprocalRows = 0;

    for (int y = 0; y < window.height(); ++y) {
        const int64_t zy = window.top() + y;
        const int top = spanStart(zy, H, zoomedHeight);
        const int bottom = std::max(spanStart(zy + 1, H, zoomedHeight), top + 1);
        const uint32_t rowsCovered = static_cast<uint32_t>(bottom - top);
        // Sixteen-bit sums hold up to 257 rows of bytes and halve the traffic of the inner loop.
        const bool narrow = rowsCovered <= 257;
        if (narrow)
            sumRows(source, top, bottom, firstColumn, reinterpret_cast<uint16_t*>(sums_.data()), sumBytes);
        else
            sumRows(source, top, bottom, firstColumn, sums_.data(), sumBytes);
        // Span heights take one or two values, so the divisors are rarely rebuilt.
        if (rowsCovered != reciprocalRows) {
            for (int i = 0; i < count; ++i) {
                const int left = columns_[i];
                const int right = std::max(columns_[i + 1], left + 1);
                reciprocals[i] = Reciprocal(static_cast<uint32_t>(right - left) * rowsCovered);
            }
            reciprocalRows = rowsCovered;
        }
        uint32_t* row = out + y * stride;
        for (int i = 0; i < count; ++i) {
            const int left = columns_[i];
            const int right = std::max(columns_[i + 1], left + 1);
            const Reciprocal& d = reciprocals[i];
            const uint32_t half = d.divisor / 2;
            const size_t from = 3 * static_cast<size_t>(left - firstColumn);
            const size_t to = 3 * static_cast<size_t>(right - firstColumn);
            const Sum3 s = narrow ? sumSpan(reinterpret_cast<const uint16_t*>(sums_.data()), from, to)
                                  : sumSpan(sums_.data(), from, to);
            const uint32_t b = s.b, g = s.g, r = s.r;
            row[i] = 0xFF000000u | (d.divide(r + half) << 16) | (d.divide(g + half) << 8) | d.divide(b + half);
        }
    }
}

uint32_t ZoomRenderer::pixelAt(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, int x, int y)
{
    ZoomRenderer renderer;
    uint32_t pixel = 0;
    renderer.render(source, zoomedWidth, zoomedHeight, QRect(x, y, 1, 1), &pixel, 1);
    return pixel & 0x00FFFFFFu;
}
