#pragma once
// Transparent pixels as a viewer on a white page shows them: one row of blue, green, red, alpha
// made blue, green, red, rounded to the nearest level.

#include <cstdint>

namespace gdi {

inline void compositeRowOverWhite(const uint8_t* bgra, uint8_t* bgr, int width)
{
    for (int x = 0; x < width; ++x, bgra += 4, bgr += 3) {
        const unsigned alpha = bgra[3];
        const unsigned white = 255 * (255 - alpha) + 127;
        bgr[0] = static_cast<uint8_t>((bgra[0] * alpha + white) / 255);
        bgr[1] = static_cast<uint8_t>((bgra[1] * alpha + white) / 255);
        bgr[2] = static_cast<uint8_t>((bgra[2] * alpha + white) / 255);
    }
}

} // namespace gdi
