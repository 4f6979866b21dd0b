#include "imaging/transforms/convolution_transform.h"

#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/transforms/pixel_rows.h"
#include "imaging/transforms/row_workers.h"

namespace {

#if defined(__SSE2__)
// Division of every sum 0..largestSum by divisor as (sum × multiplier) >> (16 + shift) in
// 16-bit lanes, when such a pair exists and every sum, negative or positive, fits 16 bits. The
// pair is checked against the plain division for every sum it will meet, so it is exact.
struct ShortDivision {
    bool usable = false;
    uint16_t multiplier = 0;
    int shift = 0;
};

ShortDivision findShortDivision(const int* k, int divisor)
{
    ShortDivision d;
    int positive = 0, negative = 0;
    for (int i = 0; i < 9; ++i)
        (k[i] > 0 ? positive : negative) += k[i];
    const int largestSum = 255 * positive;
    if (divisor < 2 || largestSum > 32767 || 255 * negative < -32768)
        return d;
    for (int shift = 0; shift < 16; ++shift) {
        const uint32_t m = static_cast<uint32_t>(((uint64_t{1} << (16 + shift)) + divisor - 1) / divisor);
        if (m > 0xFFFF)
            break;
        bool exact = true;
        for (int sum = 0; sum <= largestSum && exact; ++sum)
            exact = static_cast<int>((static_cast<uint32_t>(sum) * m) >> (16 + shift)) == sum / divisor;
        if (exact) {
            d.usable = true;
            d.multiplier = static_cast<uint16_t>(m);
            d.shift = shift;
            return d;
        }
    }
    return d;
}

// Eight channels of one output row: the nine products in 16-bit lanes, negative sums to 0,
// the exact division, and saturation to 255 on packing.
inline __m128i convolveEight(const __m128i* kv, const uint8_t* a, const uint8_t* b, const uint8_t* c,
                             const ShortDivision& d)
{
    const __m128i zero = _mm_setzero_si128();
    auto at = [&](const uint8_t* p) { return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero); };
    __m128i sum = _mm_mullo_epi16(kv[0], at(a));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[1], at(a + 3)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[2], at(a + 6)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[3], at(b)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[4], at(b + 3)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[5], at(b + 6)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[6], at(c)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[7], at(c + 3)));
    sum = _mm_add_epi16(sum, _mm_mullo_epi16(kv[8], at(c + 6)));
    sum = _mm_max_epi16(sum, zero);
    const __m128i quotient = _mm_srl_epi16(_mm_mulhi_epu16(sum, _mm_set1_epi16(static_cast<int16_t>(d.multiplier))),
                                           _mm_cvtsi32_si128(d.shift));
    return quotient;
}
#endif

} // namespace

void TConvolutionTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    Convolve(Source, Dest);
}

void TConvolutionTransform::Convolve(const TDibGraphic& Source, TDibGraphic& Dest)
{
    BeginProgress();
    const int width = Source.GetWidth();
    const int height = Source.GetHeight();
    if (width < 3 || height < 3) {
        Dest.AssignPicture(&Source);
        EndProgress();
        return;
    }
    Dest.NewImage(width, height, ifTrueColor, nullptr, Source.XDpi(), Source.YDpi());
    const int divisor = KernelDivisor == 0 ? 1 : KernelDivisor;
    int k[9];
    for (int i = 0; i < 9; ++i)
        k[i] = Kernel[i];

    // Every sum a row can give (0 up to 255 × the positive coefficients) maps to its channel
    // through one table, so the row loop has no division and its sums vectorise.
    int largestSum = 0;
    for (int c : k)
        largestSum += c > 0 ? 255 * c : 0;
    std::vector<uint8_t> channelOf(static_cast<size_t>(largestSum) + 1);
    for (int sum = 0; sum <= largestSum; ++sum)
        channelOf[sum] = ConvolutionChannel(sum, divisor);
    std::vector<int32_t> sums[row_workers::MaxWorkers];
#if defined(__SSE2__)
    const ShortDivision division = findShortDivision(k, divisor);
    __m128i kv[9];
    for (int i = 0; i < 9; ++i)
        kv[i] = _mm_set1_epi16(static_cast<int16_t>(k[i]));
#endif

    const auto colors = pixel_rows::paletteColors(Source);
    const size_t rowSize = static_cast<size_t>(width) * 3;
    const bool trueColor = Source.ImageFormat() == ifTrueColor;
    // Palettised sources are expanded into a window of three rows per worker.
    std::vector<uint8_t> windows[row_workers::MaxWorkers];
    if (!trueColor)
        for (auto& w : windows)
            w.resize(rowSize * 3);

    // Border rows first: they are copied as they are.
    for (int y : {0, height - 1})
        pixel_rows::readBgr(Source, y, colors, Dest.ScanLine(y));

    ForEachRows(
        height - 2, width * 27,
        [&](int worker, int first, int last) {
            const uint8_t* rows[3];
            for (int y = first + 1; y <= last; ++y) {
                if (trueColor) {
                    for (int r = 0; r < 3; ++r)
                        rows[r] = Source.ScanLine(y - 1 + r);
                } else {
                    uint8_t* window = windows[worker].data();
                    for (int r = 0; r < 3; ++r) {
                        // Row y - 1 + r lives in slot (y - 1 + r) mod 3; only the new row is read
                        // once the window is full.
                        const int sourceRow = y - 1 + r;
                        uint8_t* slot = window + rowSize * static_cast<size_t>(sourceRow % 3);
                        if (y == first + 1 || r == 2)
                            pixel_rows::readBgr(Source, sourceRow, colors, slot);
                        rows[r] = slot;
                    }
                }
                uint8_t* out = Dest.ScanLine(y);
                std::memcpy(out, rows[1], 3);
                std::memcpy(out + rowSize - 3, rows[1] + rowSize - 3, 3);
                // Channel i of the row sees channels i - 3, i and i + 3 of the rows above, at and
                // below: the same channel of the left, own and right pixel.
                const size_t inner = rowSize - 6;
                const uint8_t* a = rows[0];
                const uint8_t* b = rows[1];
                const uint8_t* c = rows[2];
                size_t done = 0;
#if defined(__SSE2__)
                // Sixteen channels a step; a step reads up to byte done + 21 of the source rows,
                // which have inner + 6 bytes.
                if (division.usable) {
                    for (; done + 16 <= inner; done += 16) {
                        const __m128i low = convolveEight(kv, a + done, b + done, c + done, division);
                        const __m128i high = convolveEight(kv, a + done + 8, b + done + 8, c + done + 8, division);
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 + done), _mm_packus_epi16(low, high));
                    }
                }
#endif
                if (done == inner)
                    continue;
                a += done;
                b += done;
                c += done;
                uint8_t* rest = out + done;
                const size_t left = inner - done;
                std::vector<int32_t>& sum = sums[worker];
                sum.resize(left);
                for (size_t i = 0; i < left; ++i)
                    sum[i] = k[0] * a[i] + k[1] * a[i + 3] + k[2] * a[i + 6] + k[3] * b[i] + k[4] * b[i + 3]
                           + k[5] * b[i + 6] + k[6] * c[i] + k[7] * c[i + 3] + k[8] * c[i + 6];
                for (size_t i = 0; i < left; ++i)
                    rest[i + 3] = sum[i] < 0 ? 0 : channelOf[static_cast<size_t>(sum[i])];
            }
        },
        0, height - 2);
    EndProgress();
}

int ConvolutionStrengthBase(int strength)
{
    return static_cast<int>(std::nearbyint((100.0 - strength) / 4));
}

void TSharpenTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    const int a = ConvolutionStrengthBase(Strength);
    Kernel[4] = static_cast<int8_t>(a + 15);
    KernelDivisor = static_cast<int8_t>(a + 3);
    Convolve(Source, Dest);
}

void TSmoothTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    const int a = ConvolutionStrengthBase(Strength);
    Kernel[4] = static_cast<int8_t>(a + 15);
    KernelDivisor = static_cast<int8_t>(a + 27);
    Convolve(Source, Dest);
}
