#pragma once
// BMP reading and writing as pure functions over bytes, shared by the bitmap class and the
// picture file classes.
//
// Reading accepts the core (OS/2, 12-byte), OS/2 2.x, 40-byte, v2/v3 (52/56), v4 and v5
// headers; 1, 2, 4, 8, 16, 24 and 32 bits per pixel; RLE4, RLE8 and bit-field masks;
// bottom-up and top-down rows. The result is always one of the depths a DibSurface stores:
// 1, 4 and 8 bits keep their indexes (2 bits widen to 4), 16 bits become 24, 32 bits stay 32
// (alpha dropped). Palettised results carry a colour table long enough for every index the
// pixels use: when an index lies past the file's table, the table is filled up with black to
// 2^bits entries. Pixels that RLE data skips stay index 0. Every failure raises
// EInvalidGraphic with a short reason.

#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct DecodedBmp {
    std::unique_ptr<gdi::DibSurface> surface;
    int32_t xPelsPerMeter = 0; // 0 when the file gives none or a negative value
    int32_t yPelsPerMeter = 0;
    int sourceBitCount = 0;     // bits per pixel in the file
    uint32_t sourceCompression = 0;
};

namespace BmpCodec {

// A whole BMP file, starting with "BM".
DecodedBmp decodeFile(std::span<const uint8_t> bytes);
// A packed DIB: the header, colour table (or masks) and rows, without the file header.
DecodedBmp decodePackedDib(std::span<const uint8_t> bytes);

// A BMP file with a 40-byte header, no compression, rows bottom-up and the surface's colour
// table (colours used = its length; a palettised surface without one gets 2^bits black
// entries).
std::vector<uint8_t> encodeFile(const gdi::DibSurface& surface, int32_t xPelsPerMeter = 0, int32_t yPelsPerMeter = 0);
// The same without the 14-byte file header.
std::vector<uint8_t> encodePackedDib(const gdi::DibSurface& surface, int32_t xPelsPerMeter = 0,
                                     int32_t yPelsPerMeter = 0);

} // namespace BmpCodec
