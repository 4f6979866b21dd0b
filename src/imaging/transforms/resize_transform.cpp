#include "imaging/transforms/resize_transform.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "imaging/transforms/palette_index_finder.h"
#include "imaging/transforms/pixel_rows.h"
#include "imaging/transforms/row_workers.h"
#include "imaging/transforms/resample_filter.h"

namespace {

// Writes a row of colours (blue, green, red bytes) into a picture of any format: bytes for true
// colour, nearest palette entries otherwise.
class RowWriter {
public:
    explicit RowWriter(TDibGraphic& dest) : dest_(dest)
    {
        if (dest.ImageFormat() != ifTrueColor) {
            for (auto& finder : finders_)
                finder.emplace(dest.LogPalette());
            for (auto& buffer : indexes_)
                buffer.resize(static_cast<size_t>(dest.GetWidth()));
        }
    }

    void write(int worker, int y, const uint8_t* bgr)
    {
        const int width = dest_.GetWidth();
        if (dest_.ImageFormat() == ifTrueColor) {
            std::copy(bgr, bgr + 3 * static_cast<size_t>(width), dest_.ScanLine(y));
            return;
        }
        PaletteIndexFinder& finder = *finders_[worker];
        uint8_t* indexes = indexes_[worker].data();
        for (int x = 0; x < width; ++x)
            indexes[x] = static_cast<uint8_t>(finder.nearestIndex(pixel_rows::bgrAt(bgr + 3 * x)));
        pixel_rows::writeIndexes(dest_, y, indexes);
    }

private:
    TDibGraphic& dest_;
    std::optional<PaletteIndexFinder> finders_[row_workers::MaxWorkers];
    std::vector<uint8_t> indexes_[row_workers::MaxWorkers];
};

// One destination row of the horizontal pass. Each channel's sum adds weight × value term by
// term in contributor order; the vector form does exactly that in three lanes at once, on the
// row already widened to four floats a pixel (fourth lane unused).
#if defined(__SSE2__)
struct alignas(16) WidePixel {
    float lanes[4];
};

void widenRow(const uint8_t* in, float* wide, int w)
{
    const __m128i zero = _mm_setzero_si128();
    for (int x = 0; x < w; ++x) {
        int32_t bytes;
        std::memcpy(&bytes, in + 3 * static_cast<size_t>(x), 4);
        const __m128i lanes = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(bytes), zero), zero);
        _mm_store_ps(wide + 4 * static_cast<size_t>(x), _mm_cvtepi32_ps(lanes));
    }
}

// clampRound on four lanes at once, as 32-bit integers: a NaN lane gives 0 like the scalar
// form, and the same add-and-subtract of 2^23 rounds in the same mode.
inline __m128i clampRoundFour(__m128 sum)
{
    const __m128 limited = _mm_min_ps(_mm_max_ps(sum, _mm_setzero_ps()), _mm_set1_ps(255.f));
    const __m128 shift = _mm_set1_ps(8388608.f);
    return _mm_cvttps_epi32(_mm_sub_ps(_mm_add_ps(limited, shift), shift));
}

inline __m128 contributorSum(const resample::ContributorTable& across, int i, const float* wide)
{
    const resample::Contributor* c = across.list.data() + across.first[i];
    const resample::Contributor* end = across.list.data() + across.first[i + 1];
    __m128 sum = _mm_setzero_ps();
    for (; c != end; ++c)
        sum = _mm_add_ps(sum, _mm_mul_ps(_mm_set1_ps(c->weight), _mm_load_ps(wide + 4 * static_cast<size_t>(c->pixel))));
    return sum;
}

void horizontalRow(const resample::ContributorTable& across, const float* wide, uint8_t* out, int W)
{
    // All pixels but the last store four bytes; the fourth is overwritten by the next pixel.
    // Two pixels a step keep two independent chains of additions going.
    int i = 0;
    for (; i + 2 < W; i += 2) {
        const resample::Contributor* list = across.list.data();
        const resample::Contributor* c0 = list + across.first[i];
        const resample::Contributor* c1 = list + across.first[i + 1];
        const resample::Contributor* end0 = c1;
        const resample::Contributor* end1 = list + across.first[i + 2];
        __m128 sum0 = _mm_setzero_ps(), sum1 = _mm_setzero_ps();
        for (; c0 != end0 && c1 != end1; ++c0, ++c1) {
            sum0 = _mm_add_ps(sum0, _mm_mul_ps(_mm_set1_ps(c0->weight), _mm_load_ps(wide + 4 * static_cast<size_t>(c0->pixel))));
            sum1 = _mm_add_ps(sum1, _mm_mul_ps(_mm_set1_ps(c1->weight), _mm_load_ps(wide + 4 * static_cast<size_t>(c1->pixel))));
        }
        for (; c0 != end0; ++c0)
            sum0 = _mm_add_ps(sum0, _mm_mul_ps(_mm_set1_ps(c0->weight), _mm_load_ps(wide + 4 * static_cast<size_t>(c0->pixel))));
        for (; c1 != end1; ++c1)
            sum1 = _mm_add_ps(sum1, _mm_mul_ps(_mm_set1_ps(c1->weight), _mm_load_ps(wide + 4 * static_cast<size_t>(c1->pixel))));
        const __m128i both = _mm_packs_epi32(clampRoundFour(sum0), clampRoundFour(sum1));
        const __m128i bytes = _mm_packus_epi16(both, both);
        const int32_t first = _mm_cvtsi128_si32(bytes);
        const int32_t second = _mm_cvtsi128_si32(_mm_srli_si128(bytes, 4));
        std::memcpy(out + 3 * static_cast<size_t>(i), &first, 4);
        std::memcpy(out + 3 * static_cast<size_t>(i + 1), &second, 4);
    }
    for (; i + 1 < W; ++i) {
        const __m128i bytes = clampRoundFour(contributorSum(across, i, wide));
        const int32_t packed = _mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(bytes, bytes), bytes));
        std::memcpy(out + 3 * static_cast<size_t>(i), &packed, 4);
    }
    if (W >= 1) {
        alignas(16) float lanes[4];
        _mm_store_ps(lanes, contributorSum(across, W - 1, wide));
        uint8_t* last = out + 3 * static_cast<size_t>(W - 1);
        for (int c = 0; c < 3; ++c)
            last[c] = resample::clampRound(lanes[c]);
    }
}
#else
void horizontalRow(const resample::ContributorTable& across, const uint8_t* in, uint8_t* out, int W)
{
    for (int i = 0; i < W; ++i) {
        const resample::Contributor* c = across.list.data() + across.first[i];
        const resample::Contributor* end = across.list.data() + across.first[i + 1];
        float b = 0.f, g = 0.f, r = 0.f;
        for (; c != end; ++c) {
            const uint8_t* p = in + 3 * static_cast<size_t>(c->pixel);
            b += c->weight * static_cast<float>(p[0]);
            g += c->weight * static_cast<float>(p[1]);
            r += c->weight * static_cast<float>(p[2]);
        }
        out[3 * i] = resample::clampRound(b);
        out[3 * i + 1] = resample::clampRound(g);
        out[3 * i + 2] = resample::clampRound(r);
    }
}
#endif

} // namespace

void TResizeTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    BeginProgress();
    const TImageFormat format = ForceFormat ? TargetFormat : Source.ImageFormat();
    Dest.NewImage(NewWidth, NewHeight, format, format == Source.ImageFormat() ? &Source.LogPalette() : nullptr,
                  Source.XDpi(), Source.YDpi());
    if (Filtered)
        Resample(Source, Dest);
    else
        Stretch(Source, Dest);
    EndProgress();
}

// Unfiltered: each destination pixel takes the source pixel its top-left corner falls on, or,
// for big true-colour sources, the rounded mean of the source pixels its area covers.
void TResizeTransform::Stretch(const TDibGraphic& Source, TDibGraphic& Dest)
{
    const int w = Source.GetWidth(), h = Source.GetHeight();
    const int W = Dest.GetWidth(), H = Dest.GetHeight();
    if (w < 1 || h < 1 || W < 1 || H < 1)
        return;
    const bool averaging = Source.ImageFormat() == ifTrueColor && static_cast<int64_t>(w) * h > 1024;
    // Source spans [from[i], from[i + 1]) of every destination column, never empty.
    auto spans = [](int src, int dst) {
        std::vector<int> from(static_cast<size_t>(dst) + 1);
        for (int i = 0; i <= dst; ++i)
            from[i] = static_cast<int>(static_cast<int64_t>(i) * src / dst);
        return from;
    };
    const std::vector<int> columns = spans(w, W), rows = spans(h, H);
    const auto colors = pixel_rows::paletteColors(Source);
    const size_t sourceRow = static_cast<size_t>(w) * 3;
    std::vector<uint8_t> input[row_workers::MaxWorkers], output[row_workers::MaxWorkers];
    std::vector<uint32_t> sums[row_workers::MaxWorkers];
    RowWriter writer(Dest);

    ForEachRows(
        H, int64_t{W} * 3 * (averaging ? std::max(1, w / W) * std::max(1, h / H) : 1),
        [&](int worker, int first, int last) {
            std::vector<uint8_t>& in = input[worker];
            std::vector<uint8_t>& out = output[worker];
            in.resize(sourceRow);
            out.resize(static_cast<size_t>(W) * 3);
            for (int y = first; y < last; ++y) {
                if (!averaging) {
                    pixel_rows::readBgr(Source, rows[y], colors, in.data());
                    for (int x = 0; x < W; ++x)
                        std::copy_n(in.data() + 3 * static_cast<size_t>(columns[x]), 3, out.data() + 3 * static_cast<size_t>(x));
                } else {
                    const int top = rows[y], bottom = std::max(rows[y + 1], top + 1);
                    std::vector<uint32_t>& sum = sums[worker];
                    sum.assign(sourceRow, 0);
                    for (int sy = top; sy < bottom; ++sy) {
                        const uint8_t* p = Source.ScanLine(sy);
                        for (size_t i = 0; i < sourceRow; ++i)
                            sum[i] += p[i];
                    }
                    for (int x = 0; x < W; ++x) {
                        const int left = columns[x], right = std::max(columns[x + 1], left + 1);
                        const uint32_t count = static_cast<uint32_t>((right - left) * (bottom - top));
                        for (int c = 0; c < 3; ++c) {
                            uint32_t total = 0;
                            for (int sx = left; sx < right; ++sx)
                                total += sum[3 * static_cast<size_t>(sx) + c];
                            out[3 * static_cast<size_t>(x) + c] = static_cast<uint8_t>((total + count / 2) / count);
                        }
                    }
                }
                writer.write(worker, y, out.data());
            }
        },
        0, H);
}

void TResizeTransform::Resample(const TDibGraphic& Source, TDibGraphic& Dest)
{
    const int w = Source.GetWidth(), h = Source.GetHeight();
    const int W = Dest.GetWidth(), H = Dest.GetHeight();
    if (w < 1 || h < 1)
        throw EPictureError(QStringLiteral("Source graphic too small"));
    if (W < 2 || H < 2)
        throw EPictureError(QStringLiteral("Destination graphic too small"));
    if (FilterKind >= resample::FilterCount)
        throw EPictureError(QStringLiteral("Internal error: Invalid resize filter"));

    const resample::ContributorTable across = resample::buildContributors(w, W, FilterKind);
    const resample::ContributorTable down = resample::buildContributors(h, H, FilterKind);
    const size_t workRow = static_cast<size_t>(W) * 3;
    std::vector<uint8_t> work(workRow * static_cast<size_t>(h));
    const auto colors = pixel_rows::paletteColors(Source);
    const bool trueColor = Source.ImageFormat() == ifTrueColor;
    std::vector<uint8_t> expanded[row_workers::MaxWorkers];
#if defined(__SSE2__)
    std::vector<WidePixel> widened[row_workers::MaxWorkers];
#endif

    // Horizontal pass into the W × h work rows. Source rows are copied with one spare byte so
    // a pixel's three channels can be loaded as four.
    ForEachRows(
        h, static_cast<int64_t>(across.list.size()) * 3,
        [&](int worker, int first, int last) {
            std::vector<uint8_t>& in = expanded[worker];
            in.resize(static_cast<size_t>(w) * 3 + 1);
            for (int y = first; y < last; ++y) {
                if (trueColor)
                    std::memcpy(in.data(), Source.ScanLine(y), static_cast<size_t>(w) * 3);
                else
                    pixel_rows::readBgr(Source, y, colors, in.data());
#if defined(__SSE2__)
                std::vector<WidePixel>& wide = widened[worker];
                wide.resize(static_cast<size_t>(w));
                widenRow(in.data(), reinterpret_cast<float*>(wide.data()), w);
                horizontalRow(across, reinterpret_cast<const float*>(wide.data()), work.data() + workRow * static_cast<size_t>(y), W);
#else
                horizontalRow(across, in.data(), work.data() + workRow * static_cast<size_t>(y), W);
#endif
            }
        },
        0, int64_t{h} + H);

    // Vertical pass: every row's sums are built contributor by contributor, which adds the
    // terms of each pixel in the same order as a sum down its column.
    RowWriter writer(Dest);
    std::vector<float> sums[row_workers::MaxWorkers];
    std::vector<uint8_t> rows[row_workers::MaxWorkers];
    ForEachRows(
        H, static_cast<int64_t>(down.list.size()) * W * 3 / std::max(1, H),
        [&](int worker, int first, int last) {
            std::vector<float>& sum = sums[worker];
            std::vector<uint8_t>& row = rows[worker];
            row.resize(workRow);
            for (int y = first; y < last; ++y) {
                sum.assign(workRow, 0.f);
                for (int k = down.first[y]; k < down.first[y + 1]; ++k) {
                    const float weight = down.list[k].weight;
                    const uint8_t* in = work.data() + workRow * static_cast<size_t>(down.list[k].pixel);
                    for (size_t i = 0; i < workRow; ++i)
                        sum[i] += weight * static_cast<float>(in[i]);
                }
                size_t i = 0;
#if defined(__SSE2__)
                for (; i + 16 <= workRow; i += 16) {
                    const float* s = sum.data() + i;
                    const __m128i low = _mm_packs_epi32(clampRoundFour(_mm_loadu_ps(s)), clampRoundFour(_mm_loadu_ps(s + 4)));
                    const __m128i high = _mm_packs_epi32(clampRoundFour(_mm_loadu_ps(s + 8)), clampRoundFour(_mm_loadu_ps(s + 12)));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(row.data() + i), _mm_packus_epi16(low, high));
                }
#endif
                for (; i < workRow; ++i)
                    row[i] = resample::clampRound(sum[i]);
                writer.write(worker, y, row.data());
            }
        },
        h, int64_t{h} + H);
}
