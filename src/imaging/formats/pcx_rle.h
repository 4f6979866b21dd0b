#pragma once
// PCX run-length coding: a byte with its two top bits set repeats the next byte (its low six
// bits) times; any other byte stands for itself.

#include "imaging/formats/stream_byte_reader.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes one scan line (all planes) after another. Many writers let a run carry on into the
// next line, so a run's remainder is kept for the next call rather than dropped or overrun.
class PcxLineDecoder {
public:
    PcxLineDecoder(StreamByteReader& in, bool compressed) : in_(in), compressed_(compressed) {}

    // Fills count bytes; false when the data ended first (the line is then incomplete).
    bool readLine(uint8_t* line, size_t count);

private:
    StreamByteReader& in_;
    bool compressed_;
    uint8_t runValue_ = 0;
    size_t runLeft_ = 0;
};

// Appends the coding of one line; runs stop at the line's end, as most readers expect.
void EncodePcxLine(const uint8_t* line, size_t count, std::vector<uint8_t>& out);
