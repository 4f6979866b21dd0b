#pragma once
// The 128-byte PCX header: what a reader needs from it, checked, and how a writer lays it out.

#include <array>
#include <cstdint>

// How the bits of a scan line become pixels.
enum class PcxLayout : uint8_t {
    Mono,       // 1 bit, 1 plane: black and white
    BitPlanes,  // 1 bit, 2 to 4 planes: plane p gives bit p of a 16-colour index
    Packed2,    // 2 bits, 1 plane, header palette
    Packed4,    // 4 bits, 1 plane, header palette
    Indexed8,   // 8 bits, 1 plane, palette at the end of the file (grey without it)
    Rgb,        // 8 bits, 3 planes: red, green and blue lines
    Rgba,       // 8 bits, 4 planes: red, green, blue and alpha lines
};

struct PcxHeader {
    static constexpr int kSize = 128;

    uint8_t version = 5;
    bool compressed = true;
    uint8_t bitsPerPixel = 8;
    uint8_t planes = 1;
    int32_t width = 0;
    int32_t height = 0;
    uint16_t xDpi = 0;
    uint16_t yDpi = 0;
    std::array<uint8_t, 48> palette16{};
    // Bytes of one plane of one line as the decoder uses it: the file's value when it covers
    // the width, else the smallest even count that does.
    uint32_t bytesPerLine = 0;
    uint16_t paletteInfo = 1;
    PcxLayout layout = PcxLayout::Indexed8;

    uint32_t lineBytes() const { return bytesPerLine * planes; }
};

// Raises EPictureFileError with the reason when the bytes are not a PCX header this reader can use.
PcxHeader ParsePcxHeader(const uint8_t* bytes);

// The header of a compressed version 5 file; bytesPerLine must already be even.
std::array<uint8_t, PcxHeader::kSize> SerializePcxHeader(const PcxHeader& header);
