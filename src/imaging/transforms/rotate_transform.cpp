#include "imaging/transforms/rotate_transform.h"

#include "imaging/transforms/pixel_rows.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Positions in 32.32 fixed point; the bilinear weights keep their top 11 fraction bits, which
// keeps every weighted sum of one channel below 2^32.
constexpr int WeightBits = 11;
constexpr uint32_t WeightOne = 1u << WeightBits;

struct Sampler {
    const uint8_t* top;  // row 0 of the source, blue, green, red bytes
    ptrdiff_t stride;    // from one row to the next one down
    int width;
    int height;
    uint8_t background[3];

    const uint8_t* pixel(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return background;
        return top + y * stride + static_cast<ptrdiff_t>(x) * 3;
    }
};

inline uint8_t blend(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint32_t wx, uint32_t wy)
{
    const uint32_t upper = a * (WeightOne - wx) + b * wx;
    const uint32_t lower = c * (WeightOne - wx) + d * wx;
    return static_cast<uint8_t>((upper * (WeightOne - wy) + lower * wy + (1u << (2 * WeightBits - 1))) >>
                                (2 * WeightBits));
}

} // namespace

void TRotateTransform::TurnedSize(int width, int height, double angle, int& turnedWidth, int& turnedHeight)
{
    const double radians = angle * std::numbers::pi / 180.0;
    const double c = std::abs(std::cos(radians));
    const double s = std::abs(std::sin(radians));
    // A little slack, so that a size that is whole in exact arithmetic does not grow by one.
    turnedWidth = std::max(1, static_cast<int>(std::ceil(width * c + height * s - 1e-6)));
    turnedHeight = std::max(1, static_cast<int>(std::ceil(width * s + height * c - 1e-6)));
}

void TRotateTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    BeginProgress();
    if (Source.GetEmpty())
        throw EPictureError(QStringLiteral("Source graphic too small"));
    const int width = Source.GetWidth();
    const int height = Source.GetHeight();
    int turnedWidth = 0;
    int turnedHeight = 0;
    TurnedSize(width, height, Angle, turnedWidth, turnedHeight);

    // Other formats are sampled from a true-colour copy of their colours, made once.
    std::vector<uint8_t> copy;
    Sampler sampler{};
    if (Source.ImageFormat() == ifTrueColor) {
        sampler.top = Source.ScanLine(0);
        sampler.stride = -static_cast<ptrdiff_t>(Source.RowBytes());
    } else {
        const size_t rowBytes = 3 * static_cast<size_t>(width);
        copy.resize(rowBytes * static_cast<size_t>(height));
        const std::array<uint32_t, 256> colors = pixel_rows::paletteColors(Source);
        for (int y = 0; y < height; ++y)
            pixel_rows::readBgr(Source, y, colors, copy.data() + rowBytes * static_cast<size_t>(y));
        sampler.top = copy.data();
        sampler.stride = static_cast<ptrdiff_t>(rowBytes);
    }
    sampler.width = width;
    sampler.height = height;
    sampler.background[0] = static_cast<uint8_t>(Background);
    sampler.background[1] = static_cast<uint8_t>(Background >> 8);
    sampler.background[2] = static_cast<uint8_t>(Background >> 16);

    Dest.NewImage(turnedWidth, turnedHeight, ifTrueColor, nullptr, Source.XDpi(), Source.YDpi());
    uint8_t* destBits = Dest.Bits();
    const ptrdiff_t destRowBytes = Dest.RowBytes();

    // The source position of the centre of destination pixel (x, y), turning back about the
    // centres of both pictures: u = dx cos + dy sin, v = -dx sin + dy cos.
    const double radians = Angle * std::numbers::pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    constexpr double Fixed = 4294967296.0; // 2^32
    const auto stepX = static_cast<int64_t>(std::llround(c * Fixed));
    const auto stepY = static_cast<int64_t>(std::llround(-s * Fixed));

    ForEachRows(
        turnedHeight, int64_t{turnedWidth} * 3,
        [&](int, int first, int last) {
            for (int y = first; y < last; ++y) {
                uint8_t* out = destBits + static_cast<ptrdiff_t>(turnedHeight - 1 - y) * destRowBytes;
                const double dx = 0.5 - turnedWidth / 2.0;
                const double dy = y + 0.5 - turnedHeight / 2.0;
                const double fx = dx * c + dy * s + width / 2.0 - 0.5;
                const double fy = -dx * s + dy * c + height / 2.0 - 0.5;
                int64_t px = std::llround(fx * Fixed);
                int64_t py = std::llround(fy * Fixed);
                for (int x = 0; x < turnedWidth; ++x, px += stepX, py += stepY, out += 3) {
                    const int x0 = static_cast<int>(px >> 32);
                    const int y0 = static_cast<int>(py >> 32);
                    const auto wx = static_cast<uint32_t>((px >> (32 - WeightBits)) & (WeightOne - 1));
                    const auto wy = static_cast<uint32_t>((py >> (32 - WeightBits)) & (WeightOne - 1));
                    const uint8_t *a, *b, *cc, *d;
                    if (x0 >= 0 && y0 >= 0 && x0 + 1 < width && y0 + 1 < height) {
                        a = sampler.top + y0 * sampler.stride + static_cast<ptrdiff_t>(x0) * 3;
                        b = a + 3;
                        cc = a + sampler.stride;
                        d = cc + 3;
                    } else if (x0 < -1 || y0 < -1 || x0 >= width || y0 >= height) {
                        out[0] = sampler.background[0];
                        out[1] = sampler.background[1];
                        out[2] = sampler.background[2];
                        continue;
                    } else {
                        a = sampler.pixel(x0, y0);
                        b = sampler.pixel(x0 + 1, y0);
                        cc = sampler.pixel(x0, y0 + 1);
                        d = sampler.pixel(x0 + 1, y0 + 1);
                    }
                    for (int k = 0; k < 3; ++k)
                        out[k] = blend(a[k], b[k], cc[k], d[k], wx, wy);
                }
                std::fill(out, destBits + static_cast<ptrdiff_t>(turnedHeight - 1 - y) * destRowBytes + destRowBytes,
                          uint8_t{0});
            }
        },
        0, turnedHeight);
    EndProgress();
}
