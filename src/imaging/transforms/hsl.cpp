#include "imaging/transforms/hsl.h"

THsl RGBToHSL(uint32_t Color)
{
    return hsl_detail::rgbToHsl(Color);
}

uint32_t HSLToRGB(double H, double S, double L)
{
    return hsl_detail::hslToRgb(H, S, L);
}
