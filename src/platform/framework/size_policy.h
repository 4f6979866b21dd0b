#pragma once
// One size and memory policy for every picture: readers check header dimensions against it
// before anything is allocated, so a lying header cannot ask for gigabytes, and new pictures and
// work images are refused by the same rule instead of failing half-way through an allocation.

#include <QString>

#include <cstdint>

namespace PictureSizePolicy {

// Bytes one decoded picture may take. By default a quarter of the machine's memory, at least
// 256 MiB (an 8000 x 8000 picture at 32 bits) and at most 4 GiB.
uint64_t maxBytes();
// Tests and fuzzers lower it; 0 restores the default.
void setMaxBytes(uint64_t bytes);

// Whether width x height at bitsPerPixel (rows padded to four bytes) fits the policy; false
// when either side is not positive.
bool fits(int64_t width, int64_t height, int bitsPerPixel);

// Raises EInvalidGraphic when width x height at bitsPerPixel (rows padded to four bytes)
// does not fit the policy, or when either side is not positive.
void check(int64_t width, int64_t height, int bitsPerPixel);

// The same for a size read from a file: a side that is not positive is damage, a picture
// beyond the policy too large to open; both raise EPictureFileError. A file is read to be
// edited, so a picture no window could hold is refused here too, before its reader allocates.
void checkFile(int64_t width, int64_t height, int bitsPerPixel);

// What a user reads when a picture of width x height is past the policy.
QString tooLargeMessage(int64_t width, int64_t height);

// Whether a picture window can hold a picture of width x height: its picture at 24 bits and its
// work image at 32 together (seven bytes a pixel) fit the policy. New, Open, paste, scan, the
// size sliders and the picture commands all ask this before they change anything.
bool fitsWindow(int64_t width, int64_t height);

// Raises Exception with tooLargeMessage when a window cannot hold width x height (sides that
// are not positive are the caller's to refuse first).
void checkWindow(int64_t width, int64_t height);

} // namespace PictureSizePolicy
