#pragma once
// PackBits, the byte-oriented run-length code of TIFF strips: a run of three or more equal bytes
// becomes a count and the byte, everything else literal groups of up to 128 bytes. Rows are
// packed one at a time, so no run crosses a row's end.

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace PackBits {

// The most bytes a row of this many bytes can pack to.
constexpr size_t maxPackedSize(size_t bytes)
{
    return bytes + (bytes + 127) / 128;
}

// Packs the row into out, which has room for maxPackedSize(bytes); returns the bytes written.
size_t packRow(const uint8_t* row, size_t bytes, uint8_t* out);

} // namespace PackBits
