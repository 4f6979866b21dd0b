#include "platform/framework/bmp_codec.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/little_endian.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
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
    RaiseDamagedFile(reason);
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
        return little_endian::u16(bytes_, at);
    }
    uint32_t u32(size_t at) const
    {
        need(at, 4);
        return little_endian::u32(bytes_, at);
    }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }

private:
    void need(size_t at, size_t count) const
    {
        if (at > bytes_.size() || count > bytes_.size() - at)
            fail(QStringLiteral("заголовок обрывается"));
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
            fail(QStringLiteral("число плоскостей не равно 1"));
        h.bitCount = dib.u16(10);
    } else {
        // OS/2 2.x headers may stop after any field from 16 bytes on; missing fields are 0.
        const bool os2 = !isWindowsHeaderSize(h.headerSize);
        if (h.headerSize < 16 || (os2 && h.headerSize > 64) || (h.headerSize % 4) != 0)
            fail(QStringLiteral("неизвестный размер заголовка %1").arg(h.headerSize));
        if (h.headerSize > dib.size())
            fail(QStringLiteral("заголовок обрывается"));
        h.width = dib.i32(4);
        const int32_t height = dib.i32(8);
        if (height == std::numeric_limits<int32_t>::min())
            fail(QStringLiteral("высота %1").arg(height));
        h.topDown = height < 0;
        h.height = height < 0 ? -int64_t{height} : height;
        if (dib.u16(12) != 1)
            fail(QStringLiteral("число плоскостей не равно 1"));
        h.bitCount = dib.u16(14);
        const auto field = [&](size_t at) { return h.headerSize >= at + 4 ? dib.u32(at) : 0u; };
        h.compression = field(16);
        h.xPelsPerMeter = std::max(0, static_cast<int32_t>(field(24)));
        h.yPelsPerMeter = std::max(0, static_cast<int32_t>(field(28)));
        h.colorsUsed = field(32);
        if (os2 && h.compression != kRgb && h.compression != kRle8 && h.compression != kRle4)
            fail(QStringLiteral("неизвестный способ сжатия %1").arg(h.compression));
    }

    if (h.width <= 0 || h.height <= 0)
        fail(QStringLiteral("размер рисунка %1 x %2").arg(h.width).arg(h.height));
    switch (h.bitCount) {
    case 1: case 2: case 4: case 8: case 16: case 24: case 32:
        break;
    default:
        fail(QStringLiteral("неизвестное число бит на точку %1").arg(h.bitCount));
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
            fail(QStringLiteral("сжатие %1 при %2 битах на точку").arg(h.compression).arg(h.bitCount));
        if (h.topDown)
            fail(QStringLiteral("сжатые строки не могут идти сверху вниз"));
        break;
    case kBitFields:
    case kAlphaBitFields: {
        if (h.bitCount != 16 && h.bitCount != 32)
            fail(QStringLiteral("битовые маски при %1 битах на точку").arg(h.bitCount));
        size_t at = 40;
        if (h.headerSize == kInfoHeaderBytes) {
            h.maskBytes = h.compression == kBitFields ? 12 : 16;
        } else if (h.headerSize < 52) {
            fail(QStringLiteral("битовые маски не заданы"));
        }
        h.masks = {dib.u32(at), dib.u32(at + 4), dib.u32(at + 8)};
        if (h.bitCount == 16) {
            for (uint32_t mask : h.masks)
                if (mask > 0xFFFF)
                    fail(QStringLiteral("битовая маска шире точки"));
        }
        break;
    }
    default:
        fail(QStringLiteral("неизвестный способ сжатия %1").arg(h.compression));
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

uint64_t sourceRowBytesOf(const Header& h)
{
    return ((static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32) * 4;
}

// The picture's memory: bottom-up rows of the output depth, four-byte padded.
struct Rows {
    uint8_t* bits = nullptr;
    size_t rowBytes = 0;
    int64_t height = 0;
    int bitsPerPixel = 0;

    // Pixel rows as stored: row 0 is the bottom row unless the picture runs top-down.
    uint8_t* stored(int64_t storedRow, bool topDown) const
    {
        const int64_t fromBottom = topDown ? height - 1 - storedRow : storedRow;
        return bits + static_cast<size_t>(fromBottom) * rowBytes;
    }
};

// Rows whose file layout is the picture's: they are read straight into place.
bool storedAsIs(const Header& h)
{
    return h.compression == kRgb && (h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 24);
}

// Converts uncompressed file rows to the picture's depth, a band of rows at a time.
class RowConverter {
public:
    explicit RowConverter(const Header& h)
        : h_(h), source_(gdi::packedRowFormat(h.bitCount)), target_(gdi::packedRowFormat(outputBitsFor(h.bitCount))),
          plain16_(h.masks == std::array<uint32_t, 3>{0x7C00, 0x03E0, 0x001F}),
          plain32_(h.masks == std::array<uint32_t, 3>{0x00FF0000, 0x0000FF00, 0x000000FF}), red32_(h.masks[0]),
          green32_(h.masks[1]), blue32_(h.masks[2])
    {
        // Other 16-bit masks go through a table of all 65536 values, built once per picture.
        if (h.bitCount == 16 && !plain16_) {
            const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
            table16_.resize(65536);
            for (uint32_t v = 0; v < 65536; ++v)
                table16_[v] = {blue(v), green(v), red(v)};
        }
    }

    // Stored rows [first, first + count) from pixels, which starts at row first.
    void convert(const uint8_t* pixels, int64_t first, int64_t count, const Rows& rows) const;

private:
    const Header& h_;
    const gdi::PackedRowFormat& source_;
    const gdi::PackedRowFormat& target_;
    bool plain16_;
    bool plain32_;
    Channel red32_, green32_, blue32_;
    std::vector<std::array<uint8_t, 3>> table16_;
};

void RowConverter::convert(const uint8_t* pixels, int64_t first, int64_t count, const Rows& rows) const
{
    // 2-bit rows widen to 4 bits, 5-5-5 rows to 24 bits and 32-bit rows lose their fourth byte
    // through the packed-row functions.
    const Header& h = h_;
    const uint64_t sourceRowBytes = sourceRowBytesOf(h);
    const int width = static_cast<int>(h.width);

    for (int64_t row = first; row < first + count; ++row) {
        const uint8_t* src = pixels + static_cast<size_t>((row - first) * sourceRowBytes);
        uint8_t* dst = rows.stored(row, h.topDown);
        switch (h.bitCount) {
        case 1:
        case 4:
        case 8:
        case 24:
            std::memcpy(dst, src, static_cast<size_t>(sourceRowBytes));
            break;
        case 2:
            gdi::convertPackedRow(source_, src, 0, target_, dst, 0, width);
            break;
        case 16:
            if (plain16_) {
                gdi::convertPackedRow(source_, src, 0, target_, dst, 0, width);
                break;
            }
            for (int x = 0; x < width; ++x) {
                const auto& bgr = table16_[src[2 * x] | (src[2 * x + 1] << 8)];
                std::memcpy(dst + 3 * static_cast<size_t>(x), bgr.data(), 3);
            }
            break;
        case 32:
            if (plain32_) {
                gdi::convertPackedRow(source_, src, 0, target_, dst, 0, width);
            } else {
                for (int x = 0; x < width; ++x) {
                    const uint8_t* p = src + 4 * static_cast<size_t>(x);
                    const uint32_t v = uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16)
                        | (uint32_t{p[3]} << 24);
                    uint8_t* q = dst + 4 * static_cast<size_t>(x);
                    q[0] = blue32_(v);
                    q[1] = green32_(v);
                    q[2] = red32_(v);
                    q[3] = 0;
                }
            }
            break;
        }
    }
}

// RLE8 and RLE4. Runs are clipped to the row, moves and rows past the picture are dropped,
// skipped pixels stay index 0. Data that ends before the picture does is an error.
void decodeRle(const Header& h, std::span<const uint8_t> data, const Rows& rows)
{
    const bool four = h.compression == kRle4;
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(four ? 4 : 8);
    const int64_t width = h.width;
    const int64_t height = h.height;
    const size_t rowBytes = rows.rowBytes;
    uint8_t* bits = rows.bits;
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
            fail(QStringLiteral("сжатые данные обрываются"));
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
                fail(QStringLiteral("сжатые данные обрываются"));
            x = std::min<int64_t>(x + data[pos], width);
            y += data[pos + 1];
            pos += 2;
            break;
        default: { // literal pixels, padded to a 16-bit boundary
            const size_t literalBytes = four ? (value + 1u) / 2u : value;
            const size_t padded = (literalBytes + 1u) & ~size_t{1};
            if (data.size() - pos < literalBytes)
                fail(QStringLiteral("сжатые данные обрываются"));
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
void coverUsedIndexes(const Rows& rows, int width, std::vector<gdi::RgbQuad>& table)
{
    const int bits = rows.bitsPerPixel;
    const size_t capacity = size_t{1} << bits;
    const size_t size = table.size();
    if (size >= capacity)
        return;
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(bits);
    std::vector<uint8_t> indexes(static_cast<size_t>(width));
    bool outside = size == 0;
    for (int64_t y = 0; y < rows.height && !outside; ++y) {
        format.fetchIndexes(rows.bits + static_cast<size_t>(y) * rows.rowBytes, 0, width, indexes.data());
        outside = *std::max_element(indexes.begin(), indexes.end()) >= size;
    }
    if (outside)
        table.resize(capacity, gdi::RgbQuad{0, 0, 0, 0});
}

// Everything a DIB says before its pixels, checked, with the pixel offset from the DIB's start.
struct Layout {
    Header h;
    std::vector<gdi::RgbQuad> table;
    uint64_t offset = 0;
    int outputBits = 0;
};

// The header, masks and colour table never reach past this many bytes of a DIB, so a stream
// reader needs only this much of it before the pixels.
constexpr size_t kLayoutBytes = 2048;

// front holds the DIB's first bytes: all of them, or at least kLayoutBytes; dibSize is the
// size of the whole DIB.
Layout readLayout(std::span<const uint8_t> front, uint64_t dibSize, bool hasPixelOffset, uint64_t pixelOffset)
{
    const Bytes dib(front);
    Layout layout;
    Header& h = layout.h;
    h = readHeader(dib);

    // The colour table follows the header (and the masks of a 40-byte bit-field header).
    const size_t tableStart = h.headerSize + h.maskBytes;
    const size_t entryBytes = h.core ? 3 : 4;
    const uint64_t declaredEntries = (h.colorsUsed == 0 && h.bitCount <= 8) ? (uint64_t{1} << h.bitCount) : h.colorsUsed;
    if (tableStart > dibSize)
        fail(QStringLiteral("заголовок обрывается"));
    // A file may store fewer colours than its depth allows (its pixel offset says where the
    // rows are), but a colour count that would not fit in the whole file is a lie.
    const bool tableFits = declaredEntries <= (dibSize - tableStart) / entryBytes;
    if (!tableFits && !hasPixelOffset)
        fail(QStringLiteral("таблица цветов обрывается"));
    if (!tableFits && h.colorsUsed != 0)
        fail(QStringLiteral("таблица из %1 цветов не помещается в файле").arg(h.colorsUsed));
    // An offset past the end leaves no place where the rows could be.
    if (hasPixelOffset && pixelOffset > dibSize)
        fail(QStringLiteral("данные точек начинаются за концом файла"));
    const uint64_t computedOffset = tableStart + std::min<uint64_t>(declaredEntries, dibSize) * entryBytes;
    // A file's own pixel offset wins (some writers leave a gap) unless it points into the
    // header.
    uint64_t& offset = layout.offset;
    offset = computedOffset;
    if (hasPixelOffset && pixelOffset >= tableStart)
        offset = pixelOffset;

    if (h.bitCount <= 8) {
        const uint64_t capacity = uint64_t{1} << h.bitCount;
        const uint64_t room = (std::min<uint64_t>(offset, dibSize) - std::min<uint64_t>(tableStart, offset)) / entryBytes;
        const size_t entries = static_cast<size_t>(std::min({declaredEntries, capacity, room}));
        layout.table.reserve(h.bitCount == 2 ? 16 : entries);
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = dib.data() + tableStart + i * entryBytes;
            layout.table.push_back(gdi::RgbQuad{e[0], e[1], e[2], 0});
        }
    }
    if (offset > dibSize)
        fail(QStringLiteral("нет данных точек"));

    layout.outputBits = outputBitsFor(h.bitCount);
    PictureSizePolicy::checkFile(h.width, h.height, layout.outputBits);
    if (h.compression != kRle8 && h.compression != kRle4) {
        if (sourceRowBytesOf(h) * static_cast<uint64_t>(h.height) > dibSize - offset)
            fail(QStringLiteral("данные точек обрываются"));
    }
    return layout;
}

bool compressed(const Header& h)
{
    return h.compression == kRle8 || h.compression == kRle4;
}

std::unique_ptr<gdi::DibSurface> newSurface(const Layout& layout)
{
    try {
        return std::make_unique<gdi::DibSurface>(static_cast<int>(layout.h.width), static_cast<int>(layout.h.height),
                                                 layout.outputBits);
    } catch (const std::bad_alloc&) {
        RaisePictureTooLarge(layout.h.width, layout.h.height);
    }
}

Rows rowsOf(gdi::DibSurface& surface)
{
    return Rows{surface.bits(), static_cast<size_t>(surface.rowBytes()), surface.height(), surface.bitsPerPixel()};
}

DecodedBmp decodedOf(const Layout& layout, std::unique_ptr<gdi::DibSurface> surface, std::vector<gdi::RgbQuad> table)
{
    DecodedBmp result;
    if (layout.outputBits <= 8)
        surface->setColorTable(table);
    result.surface = std::move(surface);
    result.xPelsPerMeter = layout.h.xPelsPerMeter;
    result.yPelsPerMeter = layout.h.yPelsPerMeter;
    result.sourceBitCount = layout.h.bitCount;
    result.sourceCompression = layout.h.compression;
    result.pixelOffset = layout.offset;
    return result;
}

DecodedBmp decodeDib(std::span<const uint8_t> dibBytes, bool hasPixelOffset, uint64_t pixelOffset)
{
    Layout layout = readLayout(dibBytes, dibBytes.size(), hasPixelOffset, pixelOffset);
    const std::span<const uint8_t> pixels = dibBytes.subspan(static_cast<size_t>(layout.offset));
    std::unique_ptr<gdi::DibSurface> surface = newSurface(layout);
    const Rows rows = rowsOf(*surface);
    if (compressed(layout.h))
        decodeRle(layout.h, pixels, rows);
    else
        RowConverter(layout.h).convert(pixels.data(), 0, layout.h.height, rows);
    if (layout.outputBits <= 8)
        coverUsedIndexes(rows, surface->width(), layout.table);
    return decodedOf(layout, std::move(surface), std::move(layout.table));
}

// The rows of a stream's DIB, available bytes from the pixel offset on, into rows.
void readPixels(const Header& h, TStream& stream, uint64_t available, const Rows& rows)
{
    if (compressed(h)) {
        // Run-length data is read whole: it is no longer than the file, and runs may cross rows.
        std::vector<uint8_t> data(static_cast<size_t>(available));
        stream.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
        // Skipped pixels are index 0 whatever the memory held.
        std::memset(rows.bits, 0, rows.rowBytes * static_cast<size_t>(rows.height));
        decodeRle(h, data, rows);
        return;
    }
    const uint64_t rowBytes = sourceRowBytesOf(h);
    if (storedAsIs(h) && rowBytes == rows.rowBytes) {
        if (!h.topDown) {
            stream.ReadBuffer(rows.bits, static_cast<int64_t>(rowBytes * static_cast<uint64_t>(h.height)));
            return;
        }
        for (int64_t row = 0; row < h.height; ++row)
            stream.ReadBuffer(rows.stored(row, true), static_cast<int64_t>(rowBytes));
        return;
    }
    // Other depths are converted about a megabyte of file rows at a time.
    const RowConverter converter(h);
    const int64_t band = std::clamp<int64_t>(static_cast<int64_t>((uint64_t{1} << 20) / rowBytes), 1, h.height);
    std::vector<uint8_t> buffer(static_cast<size_t>(band * rowBytes));
    for (int64_t first = 0; first < h.height; first += band) {
        const int64_t count = std::min(band, h.height - first);
        stream.ReadBuffer(buffer.data(), static_cast<int64_t>(count * rowBytes));
        converter.convert(buffer.data(), first, count, rows);
    }
}

using little_endian::putU16;
using little_endian::putU32;

size_t imageBytesOf(const BmpImage& image)
{
    return static_cast<size_t>(gdi::DibSurface::rowBytesFor(image.width, image.bitsPerPixel))
        * static_cast<size_t>(image.height);
}

// Everything before the rows: the file header (when asked for), a 40-byte header, no
// compression, rows bottom-up and the image's colour table (colours used = its length; a
// palettised image without one gets 2^bits black entries).
std::vector<uint8_t> headerBytes(const BmpImage& image, bool fileHeader)
{
    const int bits = image.bitsPerPixel;
    size_t entries = 0;
    if (bits <= 8)
        entries = image.colorTable.empty() ? (size_t{1} << bits) : image.colorTable.size();
    const size_t headerSize = (fileHeader ? kFileHeaderBytes : 0) + kInfoHeaderBytes + 4 * entries;
    const size_t imageBytes = imageBytesOf(image);
    std::vector<uint8_t> out(headerSize);

    size_t at = 0;
    if (fileHeader) {
        out[0] = 'B';
        out[1] = 'M';
        putU32(out, 2, static_cast<uint32_t>(std::min<size_t>(headerSize + imageBytes, std::numeric_limits<uint32_t>::max())));
        putU32(out, 10, static_cast<uint32_t>(headerSize));
        at = kFileHeaderBytes;
    }
    putU32(out, at + 0, kInfoHeaderBytes);
    putU32(out, at + 4, static_cast<uint32_t>(image.width));
    putU32(out, at + 8, static_cast<uint32_t>(image.height));
    putU16(out, at + 12, 1);
    putU16(out, at + 14, static_cast<uint16_t>(bits));
    putU32(out, at + 16, kRgb);
    putU32(out, at + 20, static_cast<uint32_t>(imageBytes));
    putU32(out, at + 24, static_cast<uint32_t>(image.xPelsPerMeter));
    putU32(out, at + 28, static_cast<uint32_t>(image.yPelsPerMeter));
    putU32(out, at + 32, static_cast<uint32_t>(entries));
    putU32(out, at + 36, 0);
    at += kInfoHeaderBytes;
    for (size_t i = 0; i < entries; ++i, at += 4) {
        if (i < image.colorTable.size()) {
            out[at] = image.colorTable[i].blue;
            out[at + 1] = image.colorTable[i].green;
            out[at + 2] = image.colorTable[i].red;
        }
    }
    return out;
}

BmpImage imageOf(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    return BmpImage{surface.width(),  surface.height(), surface.bitsPerPixel(), surface.colorTable(),
                    surface.bits(),   xPelsPerMeter,    yPelsPerMeter};
}

std::vector<uint8_t> encode(const BmpImage& image, bool fileHeader)
{
    std::vector<uint8_t> out = headerBytes(image, fileHeader);
    const size_t at = out.size();
    const size_t imageBytes = imageBytesOf(image);
    out.resize(at + imageBytes);
    // The image already holds rows bottom-up with four-byte padding, as the file does.
    std::memcpy(out.data() + at, image.bits, imageBytes);
    return out;
}

} // namespace

DecodedBmp decodeFile(std::span<const uint8_t> bytes)
{
    if (bytes.size() < kFileHeaderBytes + 4)
        fail(QStringLiteral("файл слишком короткий"));
    if (bytes[0] != 'B' || bytes[1] != 'M')
        fail(QStringLiteral("это не файл BMP"));
    const uint32_t offBits = Bytes(bytes).u32(10);
    const uint64_t pixelOffset = offBits >= kFileHeaderBytes ? offBits - kFileHeaderBytes : 0;
    return decodeDib(bytes.subspan(kFileHeaderBytes), true, pixelOffset);
}

DecodedBmp decodePackedDib(std::span<const uint8_t> bytes)
{
    return decodeDib(bytes, false, 0);
}

struct BmpReader::State {
    Layout layout;
};

BmpReader::BmpReader(TStream& stream) : stream_(stream)
{
    start_ = stream.Position();
    const uint64_t size = static_cast<uint64_t>(std::max<int64_t>(0, stream.Size() - start_));
    end_ = start_ + static_cast<int64_t>(size);
    std::vector<uint8_t> front(static_cast<size_t>(std::min<uint64_t>(size, kFileHeaderBytes + kLayoutBytes)));
    stream.ReadBuffer(front.data(), static_cast<int64_t>(front.size()));
    if (front.size() < kFileHeaderBytes + 4)
        fail(QStringLiteral("файл слишком короткий"));
    if (front[0] != 'B' || front[1] != 'M')
        fail(QStringLiteral("это не файл BMP"));
    const uint32_t offBits = Bytes(front).u32(10);
    const uint64_t pixelOffset = offBits >= kFileHeaderBytes ? offBits - kFileHeaderBytes : 0;
    const uint64_t dibSize = size - kFileHeaderBytes;
    state_ = std::make_unique<State>(
        State{readLayout(std::span<const uint8_t>(front).subspan(kFileHeaderBytes), dibSize, true, pixelOffset)});
    available_ = dibSize - state_->layout.offset;
}

BmpReader::~BmpReader() = default;

int BmpReader::width() const
{
    return static_cast<int>(state_->layout.h.width);
}

int BmpReader::height() const
{
    return static_cast<int>(state_->layout.h.height);
}

int BmpReader::bitsPerPixel() const
{
    return state_->layout.outputBits;
}

int32_t BmpReader::xPelsPerMeter() const
{
    return state_->layout.h.xPelsPerMeter;
}

int32_t BmpReader::yPelsPerMeter() const
{
    return state_->layout.h.yPelsPerMeter;
}

int BmpReader::sourceBitCount() const
{
    return state_->layout.h.bitCount;
}

uint32_t BmpReader::sourceCompression() const
{
    return state_->layout.h.compression;
}

const std::vector<gdi::RgbQuad>& BmpReader::colorTable() const
{
    return state_->layout.table;
}

void BmpReader::readRows(uint8_t* bits, size_t rowBytes)
{
    Layout& layout = state_->layout;
    stream_.SetPosition(start_ + static_cast<int64_t>(kFileHeaderBytes + layout.offset));
    const Rows rows{bits, rowBytes, layout.h.height, layout.outputBits};
    readPixels(layout.h, stream_, available_, rows);
    if (layout.outputBits <= 8)
        coverUsedIndexes(rows, width(), layout.table);
    // The whole file counts as read, as when it was taken in at once.
    stream_.SetPosition(end_);
}

DecodedBmp readFile(TStream& stream)
{
    BmpReader reader(stream);
    const Layout& layout = reader.state_->layout;
    std::unique_ptr<gdi::DibSurface> surface = newSurface(layout);
    reader.readRows(surface->bits(), static_cast<size_t>(surface->rowBytes()));
    return decodedOf(layout, std::move(surface), layout.table);
}

std::vector<uint8_t> encodeFile(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    return encode(imageOf(surface, xPelsPerMeter, yPelsPerMeter), true);
}

std::vector<uint8_t> encodePackedDib(const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    return encode(imageOf(surface, xPelsPerMeter, yPelsPerMeter), false);
}

void writeFile(TStream& stream, const BmpImage& image)
{
    // The header, then the rows straight from the picture's memory.
    stream.WriteBuffer(headerBytes(image, true));
    stream.WriteBuffer(image.bits, static_cast<int64_t>(imageBytesOf(image)));
}

void writeFile(TStream& stream, const gdi::DibSurface& surface, int32_t xPelsPerMeter, int32_t yPelsPerMeter)
{
    writeFile(stream, imageOf(surface, xPelsPerMeter, yPelsPerMeter));
}

} // namespace BmpCodec
