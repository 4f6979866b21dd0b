#include "imaging/transforms/transform_reference.h"

#include <algorithm>
#include <cmath>

#include "imaging/transforms/convolution_transform.h"
#include "imaging/transforms/lightness_transforms.h"
#include "imaging/transforms/resample_filter.h"
#include "imaging/transforms/saturation.h"

namespace reference {

void brightness(TDibGraphic& picture, double amount)
{
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            picture.SetPixelRGB(x, y, TBrightnessTransform::MapColor(picture.GetPixelRGB(x, y), amount));
}

void contrast(TDibGraphic& picture, bool enhance)
{
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            picture.SetPixelRGB(x, y, TContrastTransform::MapColor(picture.GetPixelRGB(x, y), enhance));
}

void saturation(TDibGraphic& picture, double change)
{
    for (int x = 0; x < picture.GetWidth(); ++x)
        for (int y = 0; y < picture.GetHeight(); ++y)
            picture.SetPixelRGB(x, y, SaturatedColor(picture.GetPixelRGB(x, y), change));
}

void convolution(const TDibGraphic& source, TDibGraphic& dest, const std::array<int8_t, 9>& kernel, int8_t divisor)
{
    const int w = source.GetWidth(), h = source.GetHeight();
    if (w < 3 || h < 3) {
        dest.AssignPicture(&source);
        return;
    }
    dest.NewImage(w, h, ifTrueColor, nullptr, source.XDpi(), source.YDpi());
    for (int x = 0; x < w; ++x) {
        dest.SetPixelRGB(x, 0, source.GetPixelRGB(x, 0));
        dest.SetPixelRGB(x, h - 1, source.GetPixelRGB(x, h - 1));
    }
    for (int y = 0; y < h; ++y) {
        dest.SetPixelRGB(0, y, source.GetPixelRGB(0, y));
        dest.SetPixelRGB(w - 1, y, source.GetPixelRGB(w - 1, y));
    }
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            uint32_t color = 0;
            for (int shift : {16, 8, 0}) {
                int sum = 0;
                for (int row = 0; row < 3; ++row)
                    for (int column = 0; column < 3; ++column)
                        sum += kernel[row * 3 + column]
                             * static_cast<int>((source.GetPixelRGB(x + column - 1, y + row - 1) >> shift) & 0xFF);
                color |= uint32_t{ConvolutionChannel(sum, divisor)} << shift;
            }
            dest.SetPixelRGB(x, y, color);
        }
}

void negative(TDibGraphic& picture)
{
    const int w = picture.GetWidth(), h = picture.GetHeight();
    switch (picture.ImageFormat()) {
    case ifBlackWhite:
    case ifGray16:
    case ifGray256: {
        const uint32_t top = (1u << ImageFormatBitCount(picture.ImageFormat())) - 1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixelIndex(x, y, top - picture.GetPixelIndex(x, y));
        break;
    }
    case ifColor16:
    case ifColor256: {
        TLogPalette palette = picture.LogPalette();
        for (int i = 0; i < palette.palNumEntries; ++i) {
            auto& e = palette.palPalEntry[i];
            e = {uint8_t(255 - e.peRed), uint8_t(255 - e.peGreen), uint8_t(255 - e.peBlue), e.peFlags};
        }
        TDibGraphic saved;
        saved.AssignPicture(&picture);
        picture.NewImage(w, h, picture.ImageFormat(), &palette, picture.XDpi(), picture.YDpi());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixelIndex(x, y, saved.GetPixelIndex(x, y));
        break;
    }
    case ifTrueColor:
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixelRGB(x, y, ~picture.GetPixelRGB(x, y) & 0x00FFFFFF);
        break;
    }
}

void antiAlias(const TDibGraphic& source, TDibGraphic& dest)
{
    if (source.ImageFormat() != ifBlackWhite) {
        dest.AssignPicture(&source);
        return;
    }
    const int w = source.GetWidth(), h = source.GetHeight();
    dest.NewImage(w, h, ifGray16, nullptr, source.XDpi(), source.YDpi());
    auto white = [&](int x, int y) { return x < w ? static_cast<int>(source.GetPixelIndex(x, y)) : 0; };
    for (int y = 0; y < h; ++y) {
        const int below = y + 1 < h ? y + 1 : y;
        for (int x = 0; x < w; ++x) {
            double grey;
            if (x % 4 == 3)
                grey = 7.5 * (white(x, y) + white(x, below));
            else
                grey = 3.75 * (white(x, y) + white(x + 1, y) + white(x, below) + white(x + 1, below));
            dest.SetPixelIndex(x, y, static_cast<uint32_t>(std::nearbyint(grey)));
        }
    }
}

void resample(const TDibGraphic& source, TDibGraphic& dest, int filterKind)
{
    const int w = source.GetWidth(), h = source.GetHeight();
    const int W = dest.GetWidth(), H = dest.GetHeight();
    TDibGraphic work;
    work.NewImage(W, h, ifTrueColor, nullptr, 0, 0);
    const resample::ContributorTable across = resample::buildContributors(w, W, filterKind);
    for (int y = 0; y < h; ++y)
        for (int i = 0; i < W; ++i) {
            float sums[3] = {0.f, 0.f, 0.f};
            for (int k = across.first[i]; k < across.first[i + 1]; ++k) {
                const uint32_t c = source.GetPixelRGB(across.list[k].pixel, y);
                for (int ch = 0; ch < 3; ++ch)
                    sums[ch] += across.list[k].weight * static_cast<float>((c >> (16 - 8 * ch)) & 0xFF);
            }
            work.SetPixelRGB(i, y, (uint32_t{resample::clampRound(sums[0])} << 16)
                                       | (uint32_t{resample::clampRound(sums[1])} << 8) | resample::clampRound(sums[2]));
        }
    const resample::ContributorTable down = resample::buildContributors(h, H, filterKind);
    for (int x = 0; x < W; ++x)
        for (int j = 0; j < H; ++j) {
            float sums[3] = {0.f, 0.f, 0.f};
            for (int k = down.first[j]; k < down.first[j + 1]; ++k) {
                const uint32_t c = work.GetPixelRGB(x, down.list[k].pixel);
                for (int ch = 0; ch < 3; ++ch)
                    sums[ch] += down.list[k].weight * static_cast<float>((c >> (16 - 8 * ch)) & 0xFF);
            }
            dest.SetPixelRGB(x, j, (uint32_t{resample::clampRound(sums[0])} << 16)
                                       | (uint32_t{resample::clampRound(sums[1])} << 8) | resample::clampRound(sums[2]));
        }
}

void crop(const TDibGraphic& source, TDibGraphic& dest, int top, int left, int bottom, int right)
{
    const int w = source.GetWidth() - left - right, h = source.GetHeight() - top - bottom;
    dest.NewImage(w, h, source.ImageFormat(), &source.LogPalette(), source.XDpi(), source.YDpi());
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (source.ImageFormat() == ifTrueColor)
                dest.SetPixelRGB(x, y, source.GetPixelRGB(x + left, y + top));
            else
                dest.SetPixelIndex(x, y, source.GetPixelIndex(x + left, y + top));
        }
}

void convertFromSurface(TDibGraphic& picture, const gdi::DibSurface& drawn, TImageFormat format)
{
    const int w = picture.GetWidth(), h = picture.GetHeight();
    picture.NewImage(w, h, format, nullptr, 300, 300);
    const auto& table = drawn.colorTable();
    for (int y = 0; y < std::min(h, drawn.height()); ++y)
        for (int x = 0; x < std::min(w, drawn.width()); ++x) {
            uint32_t color = drawn.rawPixel(x, y);
            if (drawn.isPalettised()) {
                const gdi::RgbQuad q = color < table.size() ? table[color] : gdi::RgbQuad{};
                color = (uint32_t{q.red} << 16) | (uint32_t{q.green} << 8) | q.blue;
            }
            picture.SetPixelRGB(x, y, color & 0x00FFFFFF);
        }
}

void invert(TDibGraphic& picture)
{
    const int w = picture.GetWidth(), h = picture.GetHeight();
    if (picture.ImageFormat() == ifTrueColor) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                picture.SetPixelRGB(x, y, ~picture.GetPixelRGB(x, y) & 0x00FFFFFF);
        return;
    }
    const uint32_t top = (1u << ImageFormatBitCount(picture.ImageFormat())) - 1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            picture.SetPixelIndex(x, y, top - picture.GetPixelIndex(x, y));
}

} // namespace reference
