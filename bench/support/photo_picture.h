#pragma once
// A photograph stands in as smooth gradients with grain: many distinct colours, as a camera
// gives, the same every run so that figures of different runs compare.

#include "imaging/dib_graphic.h"

#include <algorithm>
#include <cstdint>
#include <random>

inline void paintPhoto(TDibGraphic& picture, int width, int height)
{
    picture.NewImage(width, height, ifTrueColor, nullptr, 0, 0);
    std::mt19937 random(3);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = static_cast<int>(random() % 9) - 4;
            row[3 * x] = static_cast<uint8_t>(std::clamp(x * 255 / width + noise, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp(y * 255 / height + noise, 0, 255));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp((x + y) * 255 / (width + height) - noise, 0, 255));
        }
    }
}
