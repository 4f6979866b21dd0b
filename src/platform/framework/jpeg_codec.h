#pragma once
// JPEG reading and writing as functions over bytes, shared by the framework's JPEG image and the
// picture file classes.
//
// Reading gives a 24-bit surface whatever the file holds: grey, YCbCr, RGB, CMYK and YCCK
// (Adobe's inverted CMYK recognised by its marker); baseline, progressive and arithmetic-coded
// files. The size is checked against the picture size policy before anything is allocated.
// A file that fails to decode raises EPictureFileError keeping the library's own message;
// nothing is printed.
#include "platform/gdi/dib_surface.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

struct DecodedJpeg {
    std::unique_ptr<gdi::DibSurface> surface;
    uint16_t xDpi = 0; // 0 when the file gives no physical density
    uint16_t yDpi = 0;
};

namespace JpegCodec {

DecodedJpeg decode(std::span<const uint8_t> bytes);

// The same into a 24-bit surface of the file's size that the caller supplies once the header
// is read and checked, so a picture class can decode straight into its own pixels.
using SurfaceForJpeg = std::function<gdi::DibSurface&(int width, int height, uint16_t xDpi, uint16_t yDpi)>;
void decodeInto(std::span<const uint8_t> bytes, const SurfaceForJpeg& surfaceFor);

// A baseline JFIF file of the surface's colours (any depth); quality is clamped to 1..100, so
// every value above 100 gives the file of 100.
std::vector<uint8_t> encode(const gdi::DibSurface& surface, int quality, uint16_t xDpi = 0, uint16_t yDpi = 0);

// From this many pixels on, decoding and encoding use a second thread.
constexpr uint64_t kParallelPixels = 1'000'000;

// The two-thread paths behind decodeInto and encode, open to any size so that they can be
// compared with the one-thread ones. decodeSplitInto decodes the rows from splitRow down on a
// second thread (progressive and arithmetic-coded files, and a split of 0 or the height and
// beyond, stay on one; -1 chooses as decodeInto does). encodeInBands encodes bands of bandRows
// rows (rounded down to a multiple of 16, at least 16) on two threads and joins them into one
// baseline file with restart markers; a band as high as the picture gives the one-thread file.
void decodeSplitInto(std::span<const uint8_t> bytes, const SurfaceForJpeg& surfaceFor, int splitRow);
std::vector<uint8_t> encodeInBands(const gdi::DibSurface& surface, int quality, uint16_t xDpi, uint16_t yDpi,
                                   int bandRows);

} // namespace JpegCodec
