#pragma once
// Rows of TIFF samples (contiguous, unsigned, as libtiff hands them over) turned into rows of
// a picture. One converter is picked per image, so the row loop makes no format decisions.

#include <cstddef>
#include <cstdint>

namespace TiffRows {

enum class Alpha : uint8_t { None, Associated, Unassociated };

struct Context {
    uint32_t width = 0;
    uint32_t samplesPerPixel = 1;
    size_t sampleRowBytes = 0; // the bytes of one row of samples
    bool minIsWhite = false;
    Alpha alpha = Alpha::None;
};

using Converter = void (*)(const uint8_t* samples, uint8_t* row, const Context& context);

// Same layout in and out: 1, 4 or 8-bit grey or palette indexes; inverted for min-is-white.
void copyRow(const uint8_t* samples, uint8_t* row, const Context& context);
void copyInvertedRow(const uint8_t* samples, uint8_t* row, const Context& context);
void invertInPlace(uint8_t* row, size_t bytes);

// 1- or 2-bit values widened to 4-bit ones: greys scaled to 16 levels, palette indexes kept.
void grey2ToGrey16Row(const uint8_t* samples, uint8_t* row, const Context& context);
void palette1ToColor16Row(const uint8_t* samples, uint8_t* row, const Context& context);
void palette2ToColor16Row(const uint8_t* samples, uint8_t* row, const Context& context);

// 8 or 16-bit grey (the first sample of each pixel, alpha composited over white) to 8-bit grey.
Converter greyConverter(int bitsPerSample, Alpha alpha);
// 8 or 16-bit red, green, blue (alpha composited over white) to blue, green, red bytes.
Converter rgbConverter(int bitsPerSample, Alpha alpha);

// 8 or 16-bit cyan, magenta, yellow, black (further samples ignored) to blue, green, red bytes.
Converter cmykConverter(int bitsPerSample);

// A libtiff RGBA raster row (premultiplied when the image had alpha) to blue, green, red bytes
// over white.
void rgbaRasterRow(const uint32_t* raster, uint8_t* row, uint32_t width);

} // namespace TiffRows
