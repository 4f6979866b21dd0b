#include "editing/zoom_renderer.h"

#include "imaging/dib_graphic.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) || defined(__i386__)
#include <tmmintrin.h>
#endif

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
template <int Bits>
void pickRow(const uint8_t* row, const int* columns, int count, const uint32_t* lut, uint32_t* out)
{
    for (int i = 0; i < count; ++i) {
        const uint32_t value = gdi::loadPackedPixel<Bits>(row, columns[i]);
        if constexpr (Bits == 24)
            out[i] = 0xFF000000u | value;
        else
            out[i] = lut[value];
    }
}

using PickRow = void (*)(const uint8_t*, const int*, int, const uint32_t*, uint32_t*);

PickRow pickerFor(int bitCount)
{
    switch (bitCount) {
    case 1:
        return pickRow<1>;
    case 4:
        return pickRow<4>;
    case 8:
        return pickRow<8>;
    default:
        return pickRow<24>;
    }
}

// Consecutive 24-bit pixels to 0xFFRRGGBB: four at a time from three little-endian words
// (b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3), then one by one.
void copyRow24Plain(const uint8_t* row, int count, uint32_t* out)
{
    constexpr uint32_t alpha = 0xFF000000u;
    int i = 0;
    for (; i + 4 <= count; i += 4, row += 12) {
        uint32_t w[3];
        std::memcpy(w, row, sizeof w);
        out[i] = alpha | w[0];
        out[i + 1] = alpha | (w[0] >> 24) | (w[1] << 8);
        out[i + 2] = alpha | (w[1] >> 16) | (w[2] << 16);
        out[i + 3] = alpha | (w[2] >> 8);
    }
    for (; i < count; ++i, row += 3)
        out[i] = alpha | (uint32_t{row[2]} << 16) | (uint32_t{row[1]} << 8) | row[0];
}

#if defined(__x86_64__) || defined(__i386__)
// The same with one byte shuffle per four pixels, on processors that have it.
__attribute__((target("ssse3"))) void copyRow24Shuffled(const uint8_t* row, int count, uint32_t* out)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    int i = 0;
    // Each load reads 16 bytes for 12, so the last four bytes of the row are left to the rest.
    for (; i + 6 <= count; i += 4, row += 12) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_shuffle_epi8(bytes, spread), alpha));
    }
    copyRow24Plain(row, count - i, out + i);
}
#endif

using CopyRow24 = void (*)(const uint8_t*, int, uint32_t*);

CopyRow24 chooseCopyRow24()
{
#if defined(__x86_64__) || defined(__i386__)
    if (__builtin_cpu_supports("ssse3"))
        return copyRow24Shuffled;
#endif
    return copyRow24Plain;
}

// Chosen once for the processor at hand.
const CopyRow24 copyRow24 = chooseCopyRow24();

// Consecutive source pixels as 0xFFRRGGBB: true colour by the copy above, which sets the alpha
// in the same pass; palettised rows by the packed-row table, whose lookup carries the alpha.
void copyRow(const gdi::PackedRowFormat& format, const uint8_t* row, int x0, int count, const uint32_t* lut,
             uint32_t* out)
{
    if (format.bitsPerPixel == 24)
        copyRow24(row + 3 * static_cast<size_t>(x0), count, out);
    else
        format.fetchColors(row, x0, count, lut, out);
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

// Column by column 16-bit sums of source rows [top, bottom) over bytes from firstColumn on;
// two and three rows, the usual span heights, go in one sweep each.
void sumRowsNarrow(const TDibGraphic& source, int top, int bottom, int firstColumn, uint16_t* sum, size_t bytes)
{
    const size_t from = 3 * static_cast<size_t>(firstColumn);
    const uint8_t* a = source.ScanLine(top) + from;
    const int rows = bottom - top;
    if (rows == 1) {
        for (size_t i = 0; i < bytes; ++i)
            sum[i] = a[i];
        return;
    }
    const uint8_t* b = source.ScanLine(top + 1) + from;
    if (rows == 3) {
        const uint8_t* c = source.ScanLine(top + 2) + from;
        for (size_t i = 0; i < bytes; ++i)
            sum[i] = static_cast<uint16_t>(a[i] + b[i] + c[i]);
        return;
    }
    for (size_t i = 0; i < bytes; ++i)
        sum[i] = static_cast<uint16_t>(a[i] + b[i]);
    for (int sy = top + 2; sy < bottom; ++sy) {
        const uint8_t* p = source.ScanLine(sy) + from;
        for (size_t i = 0; i < bytes; ++i)
            sum[i] = static_cast<uint16_t>(sum[i] + p[i]);
    }
}

// Sums the spans of one row of column sums, k or k + 1 columns each. A pixel's blue, green and
// red sums travel together as the low three 16-bit lanes of one 64-bit word; no lane carries
// into the next because every span sum fits 16 bits. The fourth lane is the next column's blue
// and is ignored.
template <int K>
void sumSpansNarrow(const uint16_t* sums, const void* spans, int count, int k, uint64_t* pixels)
{
    struct Span {
        uint32_t offset, wide;
    };
    const auto* span = static_cast<const Span*>(spans);
    const int columns = K > 0 ? K : k;
    for (int i = 0; i < count; ++i) {
        const uint16_t* p = sums + span[i].offset;
        uint64_t total = 0, word;
        for (int j = 0; j < columns; ++j) {
            std::memcpy(&word, p + 3 * j, sizeof word);
            total += word;
        }
        std::memcpy(&word, p + 3 * columns, sizeof word);
        total += word & (0 - uint64_t{span[i].wide});
        pixels[i] = total;
    }
}

// Rounded means of the span sums as 0xFFRRGGBB: trunc((sum + n / 2 + 0.5) / n) in single
// precision. That is exact: the true quotient lies at least 0.5 / n from an integer and the
// float error stays below 256 * 2^-23, far smaller for every n the narrow path takes (< 2^14).
void divideNarrow(const uint64_t* pixels, const float* half, const float* scale, int count, uint32_t* out)
{
    const auto* lanes = reinterpret_cast<const uint16_t*>(pixels);
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    auto one = [&](int pixel) {
        const __m128i sum = _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(lanes + 4 * pixel)), zero);
        const __m128 value = _mm_add_ps(_mm_cvtepi32_ps(sum), _mm_loadu_ps(half + 4 * pixel));
        return _mm_cvttps_epi32(_mm_mul_ps(value, _mm_loadu_ps(scale + 4 * pixel)));
    };
    for (; i + 4 <= count; i += 4) {
        const __m128i low = _mm_packs_epi32(one(i), one(i + 1));
        const __m128i high = _mm_packs_epi32(one(i + 2), one(i + 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(_mm_packus_epi16(low, high), alpha));
    }
#endif
    for (; i < count; ++i) {
        uint32_t pixel = 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            const float value = (static_cast<float>(lanes[4 * i + c]) + half[4 * i + c]) * scale[4 * i + c];
            pixel |= static_cast<uint32_t>(static_cast<int>(value)) << (8 * c);
        }
        out[i] = pixel;
    }
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
    const int bitCount = source.BitmapInfo().bmiHeader.biBitCount;
    const PickRow pick = pickerFor(bitCount);
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(bitCount);

    const bool straight = zoomedWidth == W;
    // Enlarging: each source pixel of the window's span is converted once and then repeated,
    // instead of being put together from bytes again for every repeat.
    const bool widened = zoomedWidth > W;
    const int first = columns_[0];
    if (widened) {
        spanPixels_.resize(static_cast<size_t>(columns_[count - 1] - first + 1));
        for (int& column : columns_)
            column -= first;
    }
    int previousRow = -1;
    uint32_t* previousOut = nullptr;
    for (int y = 0; y < window.height(); ++y) {
        uint32_t* row = out + y * stride;
        const int sy = spanStart(window.top() + y, H, zoomedHeight);
        // Enlarged rows repeat: copy the row already made instead of picking it again.
        if (sy == previousRow) {
            std::memcpy(row, previousOut, sizeof(uint32_t) * static_cast<size_t>(count));
        } else if (straight) {
            copyRow(format, source.ScanLine(sy), window.left(), count, lut.data(), row);
        } else if (widened) {
            copyRow(format, source.ScanLine(sy), first, static_cast<int>(spanPixels_.size()), lut.data(),
                    spanPixels_.data());
            for (int i = 0; i < count; ++i)
                row[i] = spanPixels_[columns_[i]];
        } else {
            pick(source.ScanLine(sy), columns_.data(), count, lut.data(), row);
        }
        previousRow = sy;
        previousOut = row;
    }
}

bool ZoomRenderer::renderAveragedNarrow(const TDibGraphic& source, int zoomedWidth, int zoomedHeight,
                                        const QRect& window, uint32_t* out, ptrdiff_t stride)
{
    const int W = source.GetWidth(), H = source.GetHeight();
    const int count = window.width();
    const NarrowKey key{W, H, zoomedWidth, zoomedHeight, window.left(), count};
    if (!(key == narrowKey_)) {
        narrowKey_ = key;
        narrowUsable_ = false;
        // Span widths and heights: each takes at most two neighbouring values.
        int kMin = W, kMax = 0;
        for (int i = 0; i < count; ++i) {
            const int left = spanStart(window.left() + i, W, zoomedWidth);
            const int width = std::max(spanStart(window.left() + i + 1, W, zoomedWidth), left + 1) - left;
            kMin = std::min(kMin, width);
            kMax = std::max(kMax, width);
        }
        int rMin = H, rMax = 0;
        for (int64_t y = 0; y < zoomedHeight; ++y) {
            const int top = spanStart(y, H, zoomedHeight);
            const int rows = std::max(spanStart(y + 1, H, zoomedHeight), top + 1) - top;
            rMin = std::min(rMin, rows);
            rMax = std::max(rMax, rows);
            if (rMax - rMin > 1)
                break;
        }
        // 16-bit lanes hold the sum of 257 bytes at most.
        if (kMax - kMin > 1 || rMax - rMin > 1 || int64_t{kMin + 1} * (rMin + 1) > 257)
            return false;
        narrowUsable_ = true;
        narrowColumns_ = kMin;
        narrowRows_ = rMin;
        const int first = spanStart(window.left(), W, zoomedWidth);
        const int last = spanStart(window.left() + count - 1, W, zoomedWidth);
        const int end = std::max(spanStart(window.left() + count, W, zoomedWidth), last + 1);
        narrowFirst_ = first;
        narrowSumCount_ = 3 * static_cast<size_t>(end - first);
        // Room for the last span's k + 1 columns and the ignored fourth lane past them.
        narrowSums_.assign(narrowSumCount_ + 3 * static_cast<size_t>(kMin + 1) + 4, 0);
        narrowSpans_.resize(static_cast<size_t>(count));
        narrowPixels_.resize(static_cast<size_t>(count));
        for (auto& table : narrowHalf_)
            table.assign(4 * static_cast<size_t>(count), 0.0f);
        for (auto& table : narrowScale_)
            table.assign(4 * static_cast<size_t>(count), 0.0f);
        for (int i = 0; i < count; ++i) {
            const int left = spanStart(window.left() + i, W, zoomedWidth);
            const int width = std::max(spanStart(window.left() + i + 1, W, zoomedWidth), left + 1) - left;
            narrowSpans_[i] = {static_cast<uint32_t>(3 * (left - first)), static_cast<uint32_t>(width - kMin)};
            for (int extra = 0; extra < 2; ++extra) {
                const uint32_t n = static_cast<uint32_t>(width * (rMin + extra));
                for (int c = 0; c < 3; ++c) {
                    narrowHalf_[extra][4 * i + c] = static_cast<float>(n / 2) + 0.5f;
                    narrowScale_[extra][4 * i + c] = 1.0f / static_cast<float>(n);
                }
            }
        }
    }
    if (!narrowUsable_)
        return false;

    using SumSpans = void (*)(const uint16_t*, const void*, int, int, uint64_t*);
    const int k = narrowColumns_;
    const SumSpans sumSpans = k == 1 ? sumSpansNarrow<1> : k == 2 ? sumSpansNarrow<2> : k == 3 ? sumSpansNarrow<3>
                                                                                              : sumSpansNarrow<0>;
    auto renderRows = [&](int from, int to, uint16_t* sums, uint64_t* pixels) {
        for (int y = from; y < to; ++y) {
            const int64_t zy = window.top() + y;
            const int top = spanStart(zy, H, zoomedHeight);
            const int bottom = std::max(spanStart(zy + 1, H, zoomedHeight), top + 1);
            sumRowsNarrow(source, top, bottom, narrowFirst_, sums, narrowSumCount_);
            sumSpans(sums, narrowSpans_.data(), count, k, pixels);
            const int extra = bottom - top - narrowRows_;
            divideNarrow(pixels, narrowHalf_[extra].data(), narrowScale_[extra].data(), count, out + y * stride);
        }
    };
    // The work is bounded by reading the source; a second core reads the lower half of the
    // window. Small windows are not worth starting a thread for.
    const int rows = window.height();
    const int64_t sourceBytes = static_cast<int64_t>(narrowSumCount_) * rows * narrowRows_;
    if (rows >= 2 && sourceBytes >= (int64_t{1} << 20) && std::thread::hardware_concurrency() > 1) {
        narrowSums2_.resize(narrowSums_.size());
        std::fill(narrowSums2_.begin(), narrowSums2_.end(), uint16_t{0});
        narrowPixels2_.resize(narrowPixels_.size());
        const int middle = rows / 2;
        std::thread helper(renderRows, middle, rows, narrowSums2_.data(), narrowPixels2_.data());
        renderRows(0, middle, narrowSums_.data(), narrowPixels_.data());
        helper.join();
    } else {
        renderRows(0, rows, narrowSums_.data(), narrowPixels_.data());
    }
    return true;
}

void ZoomRenderer::renderAveraged(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, const QRect& window,
                                  uint32_t* out, ptrdiff_t stride)
{
    if (renderAveragedNarrow(source, zoomedWidth, zoomedHeight, window, out, stride))
        return;
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

std::pair<int, int> ZoomRenderer::zoomedRowsShowing(int sourceFirst, int sourceLast, int sourceHeight,
                                                    int zoomedHeight)
{
    const int H = sourceHeight, h = zoomedHeight;
    sourceFirst = std::max(sourceFirst, 0);
    sourceLast = std::min(sourceLast, H - 1);
    if (sourceFirst > sourceLast || h < 1)
        return {0, -1};
    // Zoomed row z shows source rows top(z) up to, not including, bottom(z).
    auto top = [&](int64_t z) { return spanStart(z, H, h); };
    auto bottom = [&](int64_t z) { return std::max(top(z + 1), top(z) + 1); };
    // Start near the proportional row and step to the exact bounds; both move by a row or two.
    int first = static_cast<int>(std::min<int64_t>(int64_t{sourceFirst} * h / H, h - 1));
    while (first > 0 && bottom(first - 1) > sourceFirst)
        --first;
    while (first < h - 1 && bottom(first) <= sourceFirst)
        ++first;
    int last = static_cast<int>(std::min<int64_t>(int64_t{sourceLast + 1} * h / H, h - 1));
    while (last > 0 && top(last) > sourceLast)
        --last;
    while (last < h - 1 && top(last + 1) <= sourceLast)
        ++last;
    return {first, last};
}

uint32_t ZoomRenderer::pixelAt(const TDibGraphic& source, int zoomedWidth, int zoomedHeight, int x, int y)
{
    ZoomRenderer renderer;
    uint32_t pixel = 0;
    renderer.render(source, zoomedWidth, zoomedHeight, QRect(x, y, 1, 1), &pixel, 1);
    return pixel & 0x00FFFFFFu;
}
