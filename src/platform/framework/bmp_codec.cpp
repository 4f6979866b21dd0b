#include "platform/framework/bmp_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

namespace BmpCodec {

namespace {

constexpr uint32_t kRgb = 0;
constexpr uint32_t kRle8 = 1;
constexpr uint32_t kRle4 = 2;
constexpr uint32_t kBitFields = 3;
constexpr uint32_t kAlphaBitFields = 6;
constexpr size_t kFileHeaderBytes = 14;
constexpr size_t kInfoHeaderBytes = 40;

[[noreturn]] void fail(const QString& reason)
{
    throw EInvalidGraphic(QStringLiteral("Invalid bitmap: %1").arg(reason));
}

// Little-endian fields of a byte span; every read is checked against the span.
class Bytes {
public:
    explicit Bytes(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t size() const { return bytes_.size(); }
    const uint8_t* data() const { return bytes_.data(); }
    uint16_t u16(size_t at) const
    {
        need(at, 2);
        return static_cast<uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }
    uint32_t u32(size_t at) const
    {
        need(at, 4);
        return uint32_t{bytes_[at]} | (uint32_t{bytes_[at + 1]} << 8) | (uint32_t{bytes_[at + 2]} << 16)
            | (uint32_t{bytes_[at + 3]} << 24);
    }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }

private:
    void need(size_t at, size_t count) const
    {
        if (at > bytes_.size() || count > bytes_.size() - at)
            fail(QStringLiteral("the header is truncated"));
    }

    std::span<const uint8_t> bytes_;
};

// One colour of a bit-field pixel, scaled to eight bits.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;

    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (mask != 0) {
            shift = std::countr_zero(mask);
            max = mask >> shift;
        }
    }
    uint8_t operator()(uint32_t pixel) const
    {
        if (max == 0)
            return 0;
        const uint64_t value = (pixel & mask) >> shift;
        return static_cast<uint8_t>((value * 255 + max / 2) / max);
    }
};

struct Header {
    size_t headerSize = 0;
    bool core = false; // 12-byte header with 3-byte colour entries
    int64_t width = 0;
    int64_t height = 0; // always positive; topDown records the sign
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = kRgb;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    std::array<uint32_t, 3> masks{};
    size_t maskBytes = 0; // masks stored after a 40-byte header
};

bool isWindowsHeaderSize(size_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

Header readHeader(const Bytes& dib)
{
    Header h;
    h.headerSize = dib.u32(0);
    if (h.headerSize == 12) {
        h.core = true;
        h.width = dib.u16(4);
        h.height = dib.u16(6);
        if (dib.u16(8) != 1)
            fail(QStringLiteral("planes must be 1"));
        h.bitCount = dib.u16(10);
    } else {
        // OS/2 2.x headers may stop after any field from 16 bytes on; missing fields are 0.
        const bool os2 = !isWindowsHeaderSize(h.headerSize);
        if (h.headerSize < 16 || (os2 && h.headerSize > 64) || (h.headerSize % 4) != 0)
            fail(QStringLiteral("header size %1").arg(h.headerSize));
        if (h.headerSize > dib.size())
            fail(QStringLiteral("the header is truncated"));
        h.width = dib.i32(4);
        const int32_t height = dib.i32(8);
        if (height == std::numeric_limits<int32_t>::min())
            fail(QStringLiteral("height %1").arg(height));
        h.topDown = height < 0;
        h.height = height < 0 ? -int64_t{height} : height;
        if (dib.u16(12) != 1)
            fail(QStringLiteral("planes must be 1"));
        h.bitCount = dib.u16(14);
        const auto field = [&](size_t at) { return h.headerSize >= at + 4 ? dib.u32(at) : 0u; };
        h.compression = field(16);
        h.xPelsPerMeter = std::max(0, static_cast<int32_t>(field(24)));
        h.yPelsPerMeter = std::max(0, static_cast<int32_t>(field(28)));
        h.colorsUsed = field(32);
        if (os2 && h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4)
            fail(QStringLiteral("unsupported compression %1").arg(h.compression));
    }

    if (h.width <= 0 || h.height <= 0)
        fail(QStringLiteral("size %1 x %2").arg(h.width).arg(h.height));
    switch (h.bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        fail(QStringLiteral("unsupported bit count %1").arg(h.bitCount));
    }

    switch (h.compression) {
    case kRgb:
        if (h.bitCount == 16)
            h.masks = {0x7C00, 0x03E0, 0x001F};
        else if (h.bitCount == 32)
            h.masks = {0x00FF0000, 0x0000FF00, 0x000000FF};
        break;
    case kRle8:
    case kRle4:
        if (h.bitCount != (h.compression == kRle8 ? 8 : 4))
            fail(QStringLiteral("compression %1 with %2 bits per pixel").arg(h.compression).arg(h.bitCount));
        if (h.topDown)
            fail(QStringLiteral("compressed rows cannot run top-down"));
        break;
    case kBitFields:
    case kAlphaBitFields: {
        if (h.bitCount != 16 && h.bitCount != 32)
            fail(QStringLiteral("bit fields with %1 bits per pixel").arg(h.bitCount));
        size_t at = 40;
        if (h.headerSize == kInfoHeaderBytes) {
            h.maskBytes = h.compression == kBitFields ? 12 : 16;
        } else if (h.headerSize < 52) {
            fail(QStringLiteral("bit fields without masks"));
        }
        h.masks = {dib.u32(at), dib.u32(at + 4), dib.u32(at + 8)};
        if (h.bitCount == 16) {
            for (uint32_t mask : h.masks)
                if (mask > 0xFFFF)
                    fail(QStringLiteral("bit-field mask wider than the pixel"));
        }
        break;
    }
    default:
        fail(QStringLiteral("unsupported compression %1").arg(h.compression));
    }
    return h;
}

int outputBitsFor(int bitCount)
{
    switch (bitCount) {
    case 2:
        return 4;
    case 16:
        return 24;
    default:
        return bitCount;
    }
}

// Pixel rows as stored: row 0 is the bottom row unless the picture runs top-down.
uint8_t* destinationRow(gdi::DibSurface& surface, int64_t storedRow, bool topDown)
{
    const int64_t fromBottom = topDown ? surface.height() - 1 - storedRow : storedRow;
    return surface.bits() + static_cast<size_t>(fromBottom) * static_cast<size_t>(surface.rowBytes());
}

void decodeUncompressed(const Header& h, std::span<const uint8_t> pixels, gdi::DibSurface& surface)
{
    // The caller has checked that every row is there.
    const uint64_t sourceRowBytes = ((static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
    const int width = static_cast<int>(h.width);

    // 2-bit rows widen to 4 bits, 5-5-5 rows to 24 bits and 32-bit rows lose their fourth byte
    // through the packed-row functions.
    const gdi::PackedRowFormat& source = gdi::packedRowFormat(h.bitCount);
    const gdi::PackedRowFormat& target = gdi::packedRowFormat(surface.bitsPerPixel());
    const bool plain16 = h.masks == std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F};
    const bool plain32 = h.masks == std::array<uint32_t, 3>{0x00FF0000, 0x0000FF00, 0x000000FF};

    // Other 16-bit masks go through a table of all 65536 values, built once per picture.
    std::vector<std::array<uint8_t, 3>> table16;
    if (h.bitCount == 16 && !plain16) {
        const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
        table16.resize(65536);
        for (uint32_t v = 0; v < 65536; ++v)
            table16[v] = {blue(v), green(v), red(v)};
    }
    const Channel red32(h.masks[0]), green32(h.masks[1]), blue32(h.masks[2]);

    for (int64_t row = 0; row < h.height; ++row) {
        const uint8_t* src = pixels.data() + static_cast<size_t>(row * sourceRowBytes);
        uint8_t* dst = destinationRow(surface, row, h.topDown);
        switch (h.bitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
            std::memcpy(dst, src, static_cast<size_t>(sourceRowBytes));
            break;
        case 2:
            gdi::convertPackedRow(source, src, 0, target, dst, 0, width);
            break;
        case 16:
            if (plain16) {
                gdi::convertPackedRow(source, src, 0, target, dst, 0, width);
                break;
            }
            for (int x = 0; x < width; ++x) {
                const auto& bgr = table16[src[2 * x] | (src[2 * x + 1] << 8)];
                std::memcpy(dst + 3 * static_cast<size_t>(x), bgr.data(), 3);
            }
            break;
        case 32:
            if (plain32) {
                gdi::convertPackedRow(source, src, 0, target, dst, 0, width);
            } else {
                for (int x = 0; x < width; ++x) {
                    const uint8_t* p = src + 4 * static_cast<size_t>(x);
                    const uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16)
                        | (uint32_t{p[3]} << 24);
                    uint8_t* q = dst + 4 * static_cast<size_t>(x);
                    q[0] = blue32(v);
                    q[1] = green32(v);
                    q[2] = red32(v);
                    q[3] = 0;
                }
            }
            break;
        }
    }
}

// RLE8 and RLE4. Runs are clipped to the row, moves and rows past the picture are dropped,
// skipped pixels stay index 0. Data that ends before the picture does is an error.
void decodeRle(const Header& h, std::span<const uint8_t> data, gdi::DibSurface& surface)
{
    const bool four = h.compression == kRle4;
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(four ? 4 : 8);
    const int64_t width = h.width;
    const int64_t height = h.height;
    const size_t rowBytes = static_cast<size_t>(surface.rowBytes());
    uint8_t* bits = surface.bits();
    int64_t x = 0;
    int64_t y = 0; // stored row, from the bottom
    size_t pos = 0;
    uint8_t indexes[256];

    // Indexes [0, count) go to the current row from x on, as far as the row reaches.
    const auto put = [&](int64_t count) {
        const int n = static_cast<int>(std::min(count, width - x));
        format.storeIndexes(indexes, static_cast<int>(x), n, bits + static_cast<size_t>(y) * rowBytes);
    };

    while (y < height) {
        if (data.size() - pos < 2)
            fail(QStringLiteral("the compressed data is truncated"));
        const uint8_t count = data[pos];
        const uint8_t value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            // At 4 bits a run alternates the byte's two indexes.
            for (int i = 0; i < count; ++i)
                indexes[i] = four ? ((i & 1) ? (value & 0x0Fu) : (value >> 4)) : value;
            put(count);
            x = std::min<int64_t>(x + count, width);
            continue;
        }
        switch (value) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of bitmap
            return;
        case 2: // move right and up
            if (data.size() - pos < 2)
                fail(QStringLiteral("the compressed data is truncated"));
            x = std::min<int64_t>(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
            break;
        default: { // literal pixels, padded to a 16-bit boundary
            const size_t literalBytes = four ? (value + 1u) / 2u : value;
            const size_t padded = (literalBytes + 1u) & ~size_t{1};
            if (data.size() - pos < literalBytes)
                fail(QStringLiteral("the compressed data is truncated"));
            format.fetchIndexes(data.data() + pos, 0, value, indexes);
            put(value);
            x = std::min<int64_t>(x + value, width);
            pos += std::min(padded, data.size() - pos);
            break;
        }
        }
    }
}

// When an index lies past the file's colour table, the table is filled up with black to the
// full 2^bits entries, so every stored index names a colour.
void coverUsedIndexes(gdi::DibSurface& surface, std::vector<gdi::RgbQuad>& table)
{
    const int bits = surface.bitsPerPixel();
    const size_t capacity = size_t{1} << bits;
    const size_t size = table.size();
    if (size >= capacity)
        return;
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(bits);
    std::vector<uint8_t> indexes(static_cast<size_t>(surface.width()));
    bool outside = size == 0;
    for (int y = 0; y < surface.height() && !outside; ++y) {
        format.fetchIndexes(surface.scanLine(y), 0, surface.width(), indexes.data());
        outside = *std::max_element(indexes.begin(), indexes.end()) >= size;
    }
    if (outside)
        table.resize(capacity, gdi::RgbQuad{0, 0, 0, 0});
}

DecodedBmp decodeDib(std::span<const uint8_t> dibBytes, bool hasPixelOffset, uint64_t pixelOffset)
{
    const Bytes dib(dibBytes);
    const Header h = readHeader(dib);

    // The colour table follows the header (and the masks of a 40-byte bit-field header).
    const size_t tableStart = h.headerSize + h.maskBytes;
    const size_t entryBytes = h.core ? 3 : 4;
    const uint64_t declaredEntries = (h.colorsUsed == 0 && h.bitCount <= 8) ? (uint64_t{1} << h.bitCount) : h.colorsUsed;
    if (tableStart > dib.size())
        fail(QStringLiteral("the header is truncated"));
    if (declaredEntries > (dib.size() - tableStart) / entryBytes && !hasPixelOffset)
        fail(QStringLiteral("the colour table is truncated"));
    const uint64_t computedOffset = tableStart + std::min<uint64_t>(declaredEntries, dib.size()) * entryBytes;
    // A file's own pixel offset wins (some writers leave a gap) unless it points into the
    // header or past the end.
    uint64_t offset = computedOffset;
    if (hasPixelOffset && pixelOffset >= tableStart && pixelOffset <= dib.size())
        offset = pixelOffset;

    std::vector<gdi::RgbQuad> table;
    if (h.bitCount <= 8) {
        const uint64_t capacity = uint64_t{1} << h.bitCount;
        const uint64_t room = (std::min<uint64_t>(offset, dib.size()) - std::min<uint64_t>(tableStart, offset)) / entryBytes;
        const size_t entries = static_cast<size_t>(std::min({declaredEntries, capacity, room}));
        table.reserve(h.bitCount == 2 ? 16 : entries);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = dib.data() + tableStart + i * entryBytes;
            table.push_back(gdi::RgbQuad{e[0], e[1], e[2], 0});
        }
    }
    if (offset > dib.size())
        fail(QStringLiteral("the pixel data is missing"));

    const int outputBits = outputBitsFor(h.bitCount);
    PictureSizePolicy::check(h.width, h.height, outputBits);
    const std::span<const uint8_t> pixels = dibBytes.subspan(static_cast<size_t>(offset));
    if (h.compression != kRle8 && h.compression != kRle4) {
        const uint64_t sourceRowBytes = ((static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
        if (sourceRowBytes * static_cast<uint64_t>(h.height) > pixels.size())
            fail(QStringLiteral("the pixel data is truncated"));
    }

    DecodedBmp result;
    try {
        result.surface = std::make_unique<gdi::DibSurface>(static_cast<int>(h.width), static_cast<int>(h.height), outputBits);
    } catch (const std::bad_alloc&) {
        throw EInvalidGraphic(QStringLiteral("Picture too large: %1 x %2 pixels").arg(h.width).arg(h.height));
    }
    result.xPelsPerMeter = h.xPelsPerMeter;
    result.yPelsPerMeter = h.yPelsPerMeter;
    result.sourceBitCount = h.bitCount;
    result.sourceCompression = h.compression;
    if (h.compression == kRle8 || h.compression == kRle4)
        decodeRle(h, pixels, *result.surface);
    else
        decodeUncompressed(h, pixels, *result.surface);
    if (outputBits <= 8) {
        coverUsedIndexes(*result.surface, table);
        result.surface->setColorTable(table);
    }
    return result;
}

void putU16(std::vector<uint8_t>& out, size_t at, uint16_t v)
{
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void putU32(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> encode(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter, bool fileHeader)
{
    const int bits = surface.bitsPerPixel();
    size_t entries = 0;
    if (bits <= 8)
        entries = surface.colorTable().empty() ? (size_t{1} << bits) : surface.colorTable().size();
    const size_t headerBytes = (fileHeader ? kFileHeaderBytes : 0) + kInfoHeaderBytes + 4 * entries;
    const size_t imageBytes = surface.imageBytes();
    std::vector<uint8_t> out(headerBytes + imageBytes);

    size_t at = 0;
    if (fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        putU32(out, 2, static_cast<uint32_t>(std::min<size_t>(out.size(), std::numeric_limits<uint32_t>::max())));
        putU32(out, 10, static_cast<uint32_t>(headerBytes));
        at = kFileHeaderBytes;
    }
    putU32(out, at + 0, kInfoHeaderBytes);
    putU32(out, at + 4, static_cast<uint32_t>(surface.width()));
    putU32(out, at + 8, static_cast<uint32_t>(surface.height()));
    putU16(out, at + 12, 1);
    putU16(out, at + 14, static_cast<uint16_t>(bits));
    putU32(out, at + 16, kRgb);
    putU32(out, at + 20, static_cast<uint32_t>(imageBytes));
    putU32(out, at + 24, static_cast<uint32_t>(xPelsPerMeter));
    putU32(out, at + 28, static_cast<uint32_t>(yPelsPerMeter));
    putU32(out, at + 32, static_cast<uint32_t>(entries));
    putU32(out, at + 36, 0);
    at += kInfoHeaderBytes;
    const auto& table = surface.colorTable();
    for (size_t i = 0; i < entries; ++i, at += 4) {
        if (i < table.size()) {
            out[at] = table[i].blue;
            out[at + 1] = table[i].green;
            out[at + 2] = table[i].red;
        }
    }
    // The surface already holds rows bottom-up with four-byte padding, as the file does.
    std::memcpy(out.data() + at, surface.bits(), imageBytes);
    return out;
}

} // namespace

DecodedBmp decodeFile(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kFileHeaderBytes + 4)
        fail(QStringLiteral("the file is too short"));
    if (bytes[0] != 'B' || bytes[1] != 'M')
        fail(QStringLiteral("not a BMP file"));
    const uint32_t offBits = Bytes(bytes).u32(10);
    const uint64_t pixelOffset = offBits >= kFileHeaderBytes ? offBits - kFileHeaderBytes : 0;
    return decodeDib(bytes.subspan(kFileHeaderBytes), true, pixelOffset);
}

DecodedBmp decodePackedDib(std::span<const uint8_t> bytes)
{
    return decodeDib(bytes, false, 0);
}

std::vector<uint8_t> encodeFile(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    return encode(surface, xPelsPerMeter, yPelsPerMeter, true);
}

std::vector<uint8_t> encodePackedDib(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    return encode(surface, xPelsPerMeter, yPelsPerMeter, false);
}

} // namespace BmpCodec
