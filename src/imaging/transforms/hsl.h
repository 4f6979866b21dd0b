#pragma once
// The hue-saturation-lightness model of the brightness, contrast and saturation commands.
// Doubles throughout: the exact results (and the exact round trip of every 24-bit colour)
// depend on these operations being done in this order and in this precision.

#include <cstdint>

// H, S and L lie in 0..1; H = -1 means the colour has no hue (a grey).
struct THsl {
    double H = -1.0;
    double S = 0.0;
    double L = 0.0;
};

// Color is 0x00RRGGBB; the top byte is ignored.
THsl RGBToHSL(uint32_t Color);

// Returns 0x00RRGGBB. Channels are rounded as trunc(channel * 255 + 0.5); values outside 0..1
// (which only out-of-range arguments can give) are limited to 0..255.
uint32_t HSLToRGB(double H, double S, double L);

namespace hsl_detail {

// RGBToHSL split so that callers can reuse the lightness of a (max, min) pair: L depends only
// on the largest and smallest channel.
inline THsl rgbToHsl(uint32_t color)
{
    const double r = static_cast<double>((color >> 16) & 0xFF) / 255;
    const double g = static_cast<double>((color >> 8) & 0xFF) / 255;
    const double b = static_cast<double>(color & 0xFF) / 255;
    double max = r;
    if (g > max)
        max = g;
    if (b > max)
        max = b;
    double min = r;
    if (g < min)
        min = g;
    if (b < min)
        min = b;
    THsl out;
    out.L = (max + min) / 2;
    const double delta = max - min;
    if (delta == 0)
        return out;
    out.S = out.L <= 0.5 ? delta / (max + min) : delta / (2 - max - min);
    double h;
    if (r == max)
        h = g == min ? 5 + (max - b) / delta : 1 - (max - g) / delta;
    else if (g == max)
        h = b == min ? 1 + (max - r) / delta : 3 - (max - b) / delta;
    else
        h = r == min ? 3 + (max - g) / delta : 5 - (max - r) / delta;
    out.H = h / 6;
    return out;
}

inline uint32_t channelByte(double channel)
{
    double v = channel * 255 + 0.5;
    if (!(v >= 0))
        v = 0;
    else if (v > 255)
        v = 255;
    return static_cast<uint32_t>(v);
}

inline uint32_t hslToRgb(double H, double S, double L)
{
    const double v = L <= 0.5 ? L * (1 + S) : L + S - L * S;
    double red, green, blue;
    if (S == 0 || H == -1) {
        red = green = blue = L;
    } else {
        const double m = 2 * L - v;
        const double h = 6 * H;
        // Truncation toward zero; a hue of exactly 1 gives sextant 6, which counts as 0.
        const double sextantValue = h >= -2147483648.0 && h < 2147483648.0 ? h : 0.0;
        const int sextant = static_cast<int>(sextantValue);
        const double fract = h - sextant;
        const double mid1 = m + (v - m) * fract;
        const double mid2 = v - (v - m) * fract;
        switch (sextant) {
        case 1: red = mid2; green = v; blue = m; break;
        case 2: red = m; green = v; blue = mid1; break;
        case 3: red = m; green = mid2; blue = v; break;
        case 4: red = mid1; green = m; blue = v; break;
        case 5: red = v; green = m; blue = mid2; break;
        default: red = v; green = mid1; blue = m; break;
        }
    }
    return (channelByte(red) << 16) | (channelByte(green) << 8) | channelByte(blue);
}

} // namespace hsl_detail
