#pragma once
// TGA run-length coding: a packet header's top bit says whether one pixel repeats or raw pixels
// follow; its low seven bits give the count less one.

#include "imaging/formats/stream_byte_reader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes pixels of pixelBytes bytes each. A packet may run on into the next row; its remainder
// is kept for the next call.
class TgaPixelDecoder {
public:
    TgaPixelDecoder(StreamByteReader& in, int pixelBytes, bool compressed)
        : in_(in), pixelBytes_(static_cast<size_t>(pixelBytes)), compressed_(compressed)
    {
    }

    // Fills count pixels; false when the data ended first.
    bool readPixels(uint8_t* out, size_t count);

private:
    StreamByteReader& in_;
    size_t pixelBytes_;
    bool compressed_;
    size_t packetLeft_ = 0;
    bool repeating_ = false;
    uint8_t pixel_[4] = {};
};

// Appends the coding of count pixels (one row; packets stop at its end).
void EncodeTgaPixels(const uint8_t* pixels, size_t count, int pixelBytes, std::vector<uint8_t>& out);
