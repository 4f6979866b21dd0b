#pragma once
// Reads the reference pictures (plain uncompressed BMP, bottom-up) into raw stored values.

#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <string>
#include <vector>

struct ReferenceBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<gdi::RgbQuad> colorTable;
    std::vector<uint32_t> pixels;   // top row first; index or 0x00RRGGBB

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Empty result (width 0) when the file is missing or not a BMP this reader knows.
ReferenceBitmap readReferenceBitmap(const std::string& path);
