#pragma once
// One size policy for every picture reader: header dimensions are checked against it before
// anything is allocated, so a lying header cannot ask for gigabytes.

#include <cstdint>

namespace PictureSizePolicy {

// Bytes one decoded picture may take. By default a quarter of the machine's memory, at least
// 256 MiB (an 8000 x 8000 picture at 32 bits) and at most 4 GiB.
uint64_t maxBytes();
// Tests and fuzzers lower it; 0 restores the default.
void setMaxBytes(uint64_t bytes);

// Raises EInvalidGraphic when width x height at bitsPerPixel (rows padded to four bytes)
// does not fit the policy, or when either side is not positive.
void check(int64_t width, int64_t height, int bitsPerPixel);

} // namespace PictureSizePolicy
