#pragma once
// BMP reading and writing as pure functions over bytes, shared by the bitmap class and the
// picture file classes.
//
// Reading accepts the core (OS/2, 12-byte), OS/2 2.x, 40-byte, v2/v3 (52/56), v4 and v5
// headers; 1, 2, 4, 8, 16, 24 and 32 bits per pixel; RLE4, RLE8 and bit-field masks;
// bottom-up and top-down rows. The result is always one of the depths a DibSurface stores:
// 1, 4 and 8 bits keep their indexes (2 bits widen to 4), 16 bits become 24, 32 bits stay 32
// (alpha dropped). Palettised results carry a colour table long enough for every index the
// pixels use: when an index lies past the file's table, the table is filled up with black to
// 2^bits entries. Pixels that RLE data skips stay index 0. Every failure raises
// EPictureFileError with a short reason.

#include "platform/gdi/dib_surface.h"

class TStream;

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct DecodedBmp {
    std::unique_ptr<gdi::DibSurface> surface;
    int32_t xPelsPerMeter = 0; // 0 when the file gives none or a negative value
    int32_t yPelsPerMeter = 0;
    int sourceBitCount = 0;     // bits per pixel in the file
    uint32_t sourceCompression = 0;
    // Where the rows start, counted from the DIB's header: data stored after them (an icon's
    // mask) and bytes the decode drops (a 32-bit pixel's fourth byte) are found from it.
    uint64_t pixelOffset = 0;
};

// Rows of a picture in memory as a BMP file keeps them: bottom-up, each padded to four bytes.
struct BmpImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::span<const gdi::RgbQuad> colorTable;
    const uint8_t* bits = nullptr;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
};

namespace BmpCodec {

// Reads a BMP file from a stream's position in two steps, so the rows can go straight into a
// picture's own memory: the constructor reads and checks everything before the pixels (no
// pixel memory is needed yet), readRows then fills the caller's rows. Rows stored as the
// picture keeps them are read in one piece; other depths are converted a band at a time.
class BmpReader {
public:
    explicit BmpReader(TStream& stream);
    ~BmpReader();
    BmpReader(const BmpReader&) = delete;
    BmpReader& operator=(const BmpReader&) = delete;

    int width() const;
    int height() const;
    // Of the rows readRows delivers: 1, 4, 8, 24 or 32.
    int bitsPerPixel() const;
    int32_t xPelsPerMeter() const;
    int32_t yPelsPerMeter() const;
    int sourceBitCount() const;
    uint32_t sourceCompression() const;
    // The file's colour table; after readRows filled up as the class comment says.
    const std::vector<gdi::RgbQuad>& colorTable() const;

    // bits: height() rows of bitsPerPixel(), bottom-up, rowBytes apart (at least the padded
    // row). Leaves the stream at the end of the file.
    void readRows(uint8_t* bits, size_t rowBytes);

private:
    struct State;
    friend DecodedBmp readFile(TStream& stream);

    TStream& stream_;
    std::unique_ptr<State> state_;
    int64_t start_ = 0;
    int64_t end_ = 0;
    uint64_t available_ = 0;
};

// A whole BMP file from a stream's position, as decodeFile reads it from bytes.
DecodedBmp readFile(TStream& stream);

// A whole BMP file, starting with "BM".
DecodedBmp decodeFile(std::span<const uint8_t> bytes);
// A packed DIB: the header, colour table (or masks) and rows, without the file header.
DecodedBmp decodePackedDib(std::span<const uint8_t> bytes);

// A BMP file with a 40-byte header, no compression, rows bottom-up and the surface's colour
// table (colours used = its length; a palettised surface without one gets 2^bits black
// entries).
std::vector<uint8_t> encodeFile(const gdi::DibSurface& surface, int32_t xPelsPerMeter = 0, int32_t yPelsPerMeter = 0);
// The same without the 14-byte file header.
std::vector<uint8_t> encodePackedDib(const gdi::DibSurface& surface, int32_t xPelsPerMeter = 0,
                                     int32_t yPelsPerMeter = 0);

// The file encodeFile makes, written to a stream: the header, then the rows straight from the
// image's memory.
void writeFile(TStream& stream, const BmpImage& image);
void writeFile(TStream& stream, const gdi::DibSurface& surface, int32_t xPelsPerMeter = 0, int32_t yPelsPerMeter = 0);

} // namespace BmpCodec
