#include "imaging/transforms/lightness_transforms.h"

#include <cmath>
#include <memory>
#include <numbers>

#include "imaging/transforms/color_map.h"
#include "imaging/transforms/hsl.h"

namespace {

double limitLightness(double L)
{
    if (L > 1)
        return 1;
    if (!(L >= 0))
        return 0;
    return L;
}

double contrastLightness(double L, bool enhance)
{
    const double k = enhance ? 1 : -1;
    return limitLightness(L + ((std::sin((L - 0.5) * std::numbers::pi) + 1) * 0.5 - L) * k * 0.5);
}

// L depends only on the largest and smallest channel, so the sine is taken once per pair.
class ContrastTable {
public:
    explicit ContrastTable(bool enhance) : values_(256 * 256)
    {
        for (int max = 0; max < 256; ++max)
            for (int min = 0; min <= max; ++min) {
                const double L = (static_cast<double>(max) / 255 + static_cast<double>(min) / 255) / 2;
                values_[max * 256 + min] = contrastLightness(L, enhance);
            }
    }
    double operator()(uint32_t color) const
    {
        const int r = (color >> 16) & 0xFF, g = (color >> 8) & 0xFF, b = color & 0xFF;
        const int max = std::max(r, std::max(g, b));
        const int min = std::min(r, std::min(g, b));
        return values_[max * 256 + min];
    }

private:
    std::vector<double> values_;
};

} // namespace

void TBrightnessTransform::SetAmount(double Value)
{
    Amount = Value > 100 ? 100 : (Value < -100 ? -100 : Value);
}

uint32_t TBrightnessTransform::MapColor(uint32_t color, double amount)
{
    const THsl hsl = hsl_detail::rgbToHsl(color);
    return hsl_detail::hslToRgb(hsl.H, hsl.S, limitLightness(hsl.L + amount / 100));
}

void TBrightnessTransform::Apply(TDibGraphic& Picture)
{
    BeginProgress();
    const double amount = Amount;
    std::function<void(int)> rowsDone;
    if (OnPercentChange)
        rowsDone = [&](int done) { ReportPosition(done, 0, Picture.GetHeight()); };
    color_map::mapColors(Picture, [amount](uint32_t c) { return MapColor(c, amount); }, rowsDone);
    EndProgress();
}

void TBrightnessTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    Dest.AssignPicture(&Source);
    Apply(Dest);
}

uint32_t TContrastTransform::MapColor(uint32_t color, bool enhance)
{
    const THsl hsl = hsl_detail::rgbToHsl(color);
    return hsl_detail::hslToRgb(hsl.H, hsl.S, contrastLightness(hsl.L, enhance));
}

void TContrastTransform::Apply(TDibGraphic& Picture)
{
    BeginProgress();
    const ContrastTable table(Enhance);
    std::function<void(int)> rowsDone;
    if (OnPercentChange)
        rowsDone = [&](int done) { ReportPosition(done, 0, Picture.GetHeight()); };
    color_map::mapColors(
        Picture,
        [&table](uint32_t c) {
            const THsl hsl = hsl_detail::rgbToHsl(c);
            return hsl_detail::hslToRgb(hsl.H, hsl.S, table(c));
        },
        rowsDone);
    EndProgress();
}

void TContrastTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    Dest.AssignPicture(&Source);
    Apply(Dest);
}
