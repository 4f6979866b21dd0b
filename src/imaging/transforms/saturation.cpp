#include "imaging/transforms/saturation.h"

#include "imaging/transforms/color_map.h"
#include "imaging/transforms/hsl.h"

double SaturationChange(int sliderPosition)
{
    return sliderPosition * 0.00125;
}

uint32_t SaturatedColor(uint32_t color, double change)
{
    const THsl hsl = hsl_detail::rgbToHsl(color);
    double S = hsl.S + change;
    if (S > 1)
        S = 1;
    else if (!(S >= 0))
        S = 0;
    return hsl_detail::hslToRgb(hsl.H, S, hsl.L);
}

void ChangeSaturation(TDibGraphic& Picture, double change)
{
    color_map::mapColors(Picture, [change](uint32_t c) { return SaturatedColor(c, change); }, {});
}
