#pragma once
// Arithmetic the shaded bodies share: truncation, the brush colour's channels and their
// shades, and the measures of the round bodies.

#include "platform/framework/graphics_types.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace shading {

// The bodies' slant uses sin and cos of 45 taken as radians; the look depends on it.
inline const double kSin45 = std::sin(45.0);
inline const double kCos45 = std::cos(45.0);

inline int64_t half(int64_t v) { return v / 2; }

// Truncation toward zero that stays defined for any real: out-of-range values saturate.
inline int truncToInt(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT_MAX;
    if (v <= -2147483648.0)
        return INT_MIN;
    return static_cast<int>(v);
}

struct Rgb {
    uint32_t r, g, b;
};

// The brush colour's three low bytes, red lowest.
inline Rgb channels(TColor color)
{
    const auto v = static_cast<uint32_t>(color);
    return {v & 0xFFu, (v >> 8) & 0xFFu, (v >> 16) & 0xFFu};
}

inline uint32_t scaled(uint32_t channel, double f) { return static_cast<uint32_t>(truncToInt(channel * f)) & 0xFFu; }

// shade(f) as a device colour, red in the lowest byte.
inline uint32_t shade(const Rgb& c, double f)
{
    return scaled(c.r, f) | (scaled(c.g, f) << 8) | (scaled(c.b, f) << 16);
}

inline TColor toTColor(uint32_t deviceColor) { return static_cast<TColor>(deviceColor); }

// shade(f) as a picture colour, blue in the lowest byte.
inline uint32_t shadeRgb(const Rgb& c, double f)
{
    return (scaled(c.r, f) << 16) | (scaled(c.g, f) << 8) | scaled(c.b, f);
}

// The measures the cylinder and the cone share: the half width r, the centre column xc, the
// middle row yc and half the slanted height h.
struct RoundBody {
    double r;
    int xc;
    double yc;
    double h;
};

inline RoundBody roundBody(TPoint start, TPoint end)
{
    const int64_t height = int64_t{end.y} - start.y;
    const double r = double(half(int64_t{end.x} - start.x));
    const int e = truncToInt(kSin45 * double(height));
    return {r, truncToInt(start.x + r), double(start.y) + double(half(height)), double(half(e))};
}

} // namespace shading
