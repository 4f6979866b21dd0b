#pragma once
// Platform objects that graphics hand to each other and to the clipboard: a bitmap (a DIB
// section, or a device-dependent bitmap in the screen's format or monochrome) and a palette.

#include "platform/gdi/dib_surface.h"

#include <memory>
#include <vector>

struct BitmapObject {
    std::shared_ptr<gdi::DibSurface> surface;
    // False for a device-dependent bitmap: 32 bits per pixel, or 1 bit when monochrome.
    bool dibSection = true;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
};
using HBITMAP = std::shared_ptr<BitmapObject>;

struct PaletteObject {
    std::vector<gdi::RgbQuad> entries;
};
using HPALETTE = std::shared_ptr<const PaletteObject>;
