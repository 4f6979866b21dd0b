#pragma once
// PNG reading and writing as functions over bytes, shared by the PNG picture class and the
// icon's PNG-compressed entries.
//
// Reading keeps a picture palettised where that is exact: palette files without transparency
// keep their indexes (1-bit black-and-white, otherwise 4 or 8 bits with the file's palette
// padded with black to the depth's size), grey files of up to 16 bits become a grey ramp of 1,
// 4 or 8 bits. Everything else becomes 24 bits; 16-bit samples are scaled to 8, and alpha and
// transparent colours are composited over white, as a viewer on a white page shows the file.
// Gamma and colour-profile chunks change no sample: the picture holds the values the file
// stores. A file that fails to decode raises EPictureFileError; nothing is printed.
//
// Icons need their transparency: asked to keep alpha, every file becomes 32 bits, blue, green,
// red and alpha (not premultiplied; 255 where the file has no transparency).
#include "platform/gdi/dib_surface.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

enum class PngTarget : uint8_t {
    BlackWhite, // 1 bit, black then white
    Gray16,     // 4 bits, grey ramp i * 17
    Gray256,    // 8 bits, grey ramp i
    Color16,    // 4 bits, the file's palette
    Color256,   // 8 bits, the file's palette
    TrueColor,  // 24 bits, or 32 with alpha when alpha is kept
};

enum class PngAlpha : uint8_t {
    OverWhite,
    Kept,
};

// The chunks that tell a viewer how to show the stored samples (gamma, chromaticities, the sRGB
// intent). The picture keeps its samples as stored; these are kept beside it and written back, so
// that a picture opened and saved looks in every viewer as it did. Values as the file stores them.
struct PngColourSpace {
    std::optional<int32_t> gamma; // times 100000
    std::optional<std::array<int32_t, 8>> chromaticities; // white, red, green, blue x and y, times 100000
    std::optional<int> srgbIntent;

    bool operator==(const PngColourSpace&) const = default;
};

struct PngLayout {
    int width = 0;
    int height = 0;
    PngTarget target = PngTarget::TrueColor;
    int bitsPerPixel = 24;
    std::vector<gdi::RgbQuad> colorTable; // for the palettised targets
    uint16_t xDpi = 0;                    // 0 when the file gives no physical size
    uint16_t yDpi = 0;
    PngColourSpace colourSpace;
};

namespace PngCodec {

// Whether the bytes start with the PNG signature.
bool hasSignature(std::span<const uint8_t> bytes);

struct DecodedPng {
    PngLayout layout;
    std::unique_ptr<gdi::DibSurface> surface;
};
DecodedPng decode(std::span<const uint8_t> bytes);

// The same into a surface of the layout's size, depth and colour table that the caller supplies
// once the header is read and checked, so a picture class decodes straight into its pixels.
using SurfaceForPng = std::function<gdi::DibSurface&(const PngLayout& layout)>;
void decodeInto(std::span<const uint8_t> bytes, const SurfaceForPng& surfaceFor,
                PngAlpha alpha = PngAlpha::OverWhite);

// A surface in its natural PNG form: grey when its colour table is the grey ramp of its depth
// (1-bit black and white included), palette for other palettised depths, RGB for 24 and 32
// bits. Reading the result gives the same pixels.
std::vector<uint8_t> encode(const gdi::DibSurface& surface, uint16_t xDpi = 0, uint16_t yDpi = 0,
                            const PngColourSpace& colourSpace = {});

// From this many pixels on, true colour is compressed on two threads.
constexpr uint64_t kParallelPixels = 1'000'000;

// The paths encode takes, open to any size so that tests can compare them: true colour cut
// into that many horizontal parts compressed on two threads when parts is above 1, written
// through the library otherwise; both give the same pixels back.
std::vector<uint8_t> encodeInParts(const gdi::DibSurface& surface, uint16_t xDpi, uint16_t yDpi, int parts,
                                   const PngColourSpace& colourSpace = {});

} // namespace PngCodec
