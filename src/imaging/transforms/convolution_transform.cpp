#include "imaging/transforms/convolution_transform.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/transforms/pixel_rows.h"
#include "imaging/transforms/row_workers.h"

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
                std::vector<int32_t>& sum = sums[worker];
                sum.resize(inner);
                const uint8_t* a = rows[0];
                const uint8_t* b = rows[1];
                const uint8_t* c = rows[2];
                for (size_t i = 0; i < inner; ++i)
                    sum[i] = k[0] * a[i] + k[1] * a[i + 3] + k[2] * a[i + 6] + k[3] * b[i] + k[4] * b[i + 3]
                           + k[5] * b[i + 6] + k[6] * c[i] + k[7] * c[i + 3] + k[8] * c[i + 6];
                for (size_t i = 0; i < inner; ++i)
                    out[i + 3] = sum[i] < 0 ? 0 : channelOf[static_cast<size_t>(sum[i])];
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
