#pragma once
// JPEG reading and writing as functions over bytes, shared by the framework's JPEG image and the
// picture file classes.
//
// Reading gives a 24-bit surface whatever the file holds: grey, YCbCr, RGB, CMYK and YCCK
// (Adobe's inverted CMYK recognised by its marker); baseline, progressive and arithmetic-coded
// files. The size is checked against the picture size policy before anything is allocated.
// Every failure raises EInvalidGraphic with the library's own message; nothing is printed.
#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

struct DecodedJpeg {
    std::unique_ptr<gdi::DibSurface> surface;
    uint16_t xDpi = 0; // 0 when the file gives no physical density
    uint16_t yDpi = 0;
};

namespace JpegCodec {

DecodedJpeg decode(std::span<const uint8_t> bytes);

// The same into a 24-bit surface of the file's size that the caller supplies once the header
// is read and checked, so a picture class can decode straight into its own pixels.
using SurfaceForJpeg = std::function<gdi::DibSurface&(int width, int height, uint16_t xDpi, uint16_t yDpi)>;
void decodeInto(std::span<const uint8_t> bytes, const SurfaceForJpeg& surfaceFor);

// A baseline JFIF file of the surface's colours (any depth); quality is clamped to 1..100, so
// every value above 100 gives the file of 100.
std::vector<uint8_t> encode(const gdi::DibSurface& surface, int quality, uint16_t xDpi = 0, uint16_t yDpi = 0);

} // namespace JpegCodec
