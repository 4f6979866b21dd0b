#pragma once
// Reads the pictures of the reference corpus (plain uncompressed BMP, 40-byte header,
// bottom-up rows) into the values the platform stored.

#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct ReferenceBitmap {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::vector<gdi::RgbQuad> colorTable;
    std::vector<uint32_t> pixels;   // top row first; index, or 0x00RRGGBB above 8 bits

    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    // 0x00RRGGBB, through the colour table when the picture has one.
    uint32_t rgbAt(int x, int y) const;
    // A surface holding the same stored values, for comparing with one the raster layer drew.
    std::unique_ptr<gdi::DibSurface> toSurface() const;
};

// Nothing when the bytes are not such a picture or are cut short.
std::optional<ReferenceBitmap> decodeReferenceBitmap(std::span<const uint8_t> bytes);
std::optional<ReferenceBitmap> readReferenceBitmap(const std::string& path);
