#pragma once
// Whole-row pixel access for the transforms' fast paths: one format test per row, none per
// pixel. Values match GetPixelRGB / SetPixelIndex pixel for pixel.

#include <array>
#include <cstdint>

#include "imaging/dib_graphic.h"
#include "platform/gdi/packed_rows.h"

namespace pixel_rows {

// 0x00RRGGBB of every possible stored index (what GetPixelRGB returns for it).
std::array<uint32_t, 256> paletteColors(const TDibGraphic& picture);

// The stored indexes of row y (palettised pictures only), one byte per pixel.
void readIndexes(const TDibGraphic& picture, int y, uint8_t* out);

// Stores one index per pixel into row y as the index writer does: 1 bit stores 1 for any
// nonzero index, 4 bits the low nibble, 8 bits the byte. Row padding is left alone.
void writeIndexes(TDibGraphic& picture, int y, const uint8_t* indexes);

// Row y as blue, green, red bytes, three per pixel, for any format.
void readBgr(const TDibGraphic& picture, int y, const std::array<uint32_t, 256>& colors, uint8_t* out);

// The 0x00RRGGBB colour of the blue, green, red bytes at p, and back.
inline uint32_t bgrAt(const uint8_t* p)
{
    return gdi::loadPackedPixel<24>(p, 0);
}

inline void storeBgr(uint8_t* p, uint32_t color)
{
    gdi::storePackedPixel<24>(p, 0, color);
}

} // namespace pixel_rows
