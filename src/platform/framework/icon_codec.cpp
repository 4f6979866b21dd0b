#include "platform/framework/icon_codec.h"

#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/little_endian.h"
#include "platform/framework/png_codec.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace IconCodec {

namespace {

constexpr size_t kDirectoryBytes = 6;
constexpr size_t kEntryBytes = 16;
constexpr uint16_t kIconType = 1;
constexpr uint16_t kCursorType = 2;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitFields = 3;

[[noreturn]] void fail(const QString& reason)
{
    RaiseDamagedFile(reason);
}

// Within one entry: the reason is not shown, the next entry is tried.
[[noreturn]] void fail()
{
    fail(QStringLiteral("значок не читается"));
}

using little_endian::u16;
using little_endian::u32;

uint32_t bigEndian32(std::span<const uint8_t> bytes, size_t at)
{
    return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8)
        | uint32_t{bytes[at + 3]};
}

using little_endian::putU16;
using little_endian::putU32;

// One directory entry with the size its own header gives (the directory's sizes are often
// wrong, and cannot say more than 256).
struct Candidate {
    std::span<const uint8_t> bytes;
    bool png = false;
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    int index = 0;

    int distance() const { return std::abs(width - kPreferredSize) + std::abs(height - kPreferredSize); }
};

std::optional<Candidate> inspect(std::span<const uint8_t> entry, int index)
{
    Candidate c{entry, false, 0, 0, 0, index};
    int64_t width = 0;
    int64_t height = 0;
    if (PngCodec::hasSignature(entry)) {
        if (entry.size() < 24 || std::memcmp(entry.data() + 12, "IHDR", 4) != 0)
            return std::nullopt;
        c.png = true;
        width = bigEndian32(entry, 16);
        height = bigEndian32(entry, 20);
        c.bitsPerPixel = 32;
    } else if (entry.size() >= 16 && u32(entry, 0) == 12) {
        width = u16(entry, 4);
        height = u16(entry, 6) / 2;
        c.bitsPerPixel = u16(entry, 10);
    } else if (entry.size() >= 16 && u32(entry, 0) >= 16) {
        width = static_cast<int32_t>(u32(entry, 4));
        height = std::abs(int64_t{static_cast<int32_t>(u32(entry, 8))}) / 2;
        c.bitsPerPixel = u16(entry, 14);
    }
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return std::nullopt;
    c.width = static_cast<int>(width);
    c.height = static_cast<int>(height);
    return c;
}

// The directory's entries whose data lies wholly inside the file, after the directory.
std::vector<Candidate> readDirectory(std::span<const uint8_t> data)
{
    if (data.size() < kDirectoryBytes || u16(data, 0) != 0)
        fail(QStringLiteral("это не файл значков"));
    const uint16_t type = u16(data, 2);
    const size_t count = u16(data, 4);
    if ((type != kIconType && type != kCursorType) || count == 0 || count > kMaxEntries)
        fail(QStringLiteral("неверный каталог значков"));
    const size_t tableEnd = kDirectoryBytes + count * kEntryBytes;
    if (tableEnd > data.size())
        fail(QStringLiteral("каталог значков обрывается"));
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < count; ++i) {
        const size_t at = kDirectoryBytes + i * kEntryBytes;
        const uint64_t size = u32(data, at + 8);
        const uint64_t offset = u32(data, at + 12);
        if (offset < tableEnd || offset > data.size() || size > data.size() - offset)
            continue;
        if (auto c = inspect(data.subspan(static_cast<size_t>(offset), static_cast<size_t>(size)), static_cast<int>(i)))
            candidates.push_back(*c);
    }
    return candidates;
}

QImage newImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull())
        fail();
    return image;
}

QImage decodePng(std::span<const uint8_t> entry)
{
    std::unique_ptr<gdi::DibSurface> surface;
    PngCodec::decodeInto(
        entry,
        [&surface](const PngLayout& layout) -> gdi::DibSurface& {
            if (layout.width > kMaxSide || layout.height > kMaxSide)
                fail();
            surface = std::make_unique<gdi::DibSurface>(layout.width, layout.height, layout.bitsPerPixel);
            return *surface;
        },
        PngAlpha::Kept);
    // Blue, green, red, alpha in memory is the image's own pixel layout.
    QImage image = newImage(surface->width(), surface->height());
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), surface->scanLine(y), static_cast<size_t>(image.width()) * 4);
    return image;
}

// Where a DIB entry's rows lie once decoded: the colour rows from pixelOffset, the mask rows
// straight after them, both bottom-up unless the header's height is negative.
struct DibRows {
    std::span<const uint8_t> bytes;
    uint64_t pixelOffset = 0;
    uint64_t rowBytes = 0;
    uint64_t maskOffset = 0;
    uint64_t maskRowBytes = 0;
    int height = 0;
    bool topDown = false;

    size_t fileRow(int y) const { return static_cast<size_t>(topDown ? y : height - 1 - y); }
    const uint8_t* pixels(int y) const { return bytes.data() + pixelOffset + fileRow(y) * rowBytes; }
    const uint8_t* mask(int y) const { return bytes.data() + maskOffset + fileRow(y) * maskRowBytes; }
};

bool anyAlpha(const DibRows& rows, int width)
{
    for (int y = 0; y < rows.height; ++y) {
        const uint8_t* row = rows.pixels(y);
        for (int x = 0; x < width; ++x)
            if (row[4 * static_cast<size_t>(x) + 3] != 0)
                return true;
    }
    return false;
}

void applyAlpha(QImage& image, const DibRows& rows)
{
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* row = rows.pixels(y);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = (line[x] & 0x00FFFFFFu) | (QRgb{row[4 * static_cast<size_t>(x) + 3]} << 24);
    }
}

void applyMask(QImage& image, const DibRows& rows)
{
    for (int y = 0; y < image.height(); ++y) {
        const uint8_t* mask = rows.mask(y);
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (mask[x >> 3] & (0x80u >> (x & 7)))
                line[x] = 0;
    }
}

QImage opaqueColours(const gdi::DibSurface& surface)
{
    std::array<uint32_t, 256> colors{};
    const auto& table = surface.colorTable();
    for (size_t i = 0; i < table.size() && i < colors.size(); ++i)
        colors[i] = (uint32_t{table[i].red} << 16) | (uint32_t{table[i].green} << 8) | table[i].blue;
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(surface.bitsPerPixel());
    QImage image = newImage(surface.width(), surface.height());
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<uint32_t*>(image.scanLine(y));
        format.fetchColors(surface.scanLine(y), 0, image.width(), colors.data(), line);
        for (int x = 0; x < image.width(); ++x)
            line[x] |= 0xFF000000u;
    }
    return image;
}

QImage decodeBitmap(std::span<const uint8_t> entry)
{
    // The header's height counts the colour rows and the mask rows; the BMP reader is given a
    // copy that counts the colour rows only.
    std::vector<uint8_t> dib(entry.begin(), entry.end());
    bool topDown = false;
    if (u32(dib, 0) == 12) {
        putU16(dib, 6, static_cast<uint16_t>(u16(dib, 6) / 2));
    } else {
        const int64_t height = static_cast<int32_t>(u32(dib, 8));
        topDown = height < 0;
        const int64_t half = std::abs(height) / 2;
        putU32(dib, 8, static_cast<uint32_t>(static_cast<int32_t>(topDown ? -half : half)));
    }
    const DecodedBmp decoded = BmpCodec::decodePackedDib(dib);
    const uint32_t compression = decoded.sourceCompression;
    if (compression != kCompressionRgb && compression != kCompressionBitFields)
        fail(); // the mask's place after run-length rows is unknown
    const gdi::DibSurface& surface = *decoded.surface;
    DibRows rows;
    rows.bytes = dib;
    rows.pixelOffset = decoded.pixelOffset;
    rows.rowBytes = static_cast<uint64_t>(gdi::DibSurface::rowBytesFor(surface.width(), decoded.sourceBitCount));
    rows.height = surface.height();
    rows.topDown = topDown;
    rows.maskOffset = rows.pixelOffset + rows.rowBytes * static_cast<uint64_t>(rows.height);
    rows.maskRowBytes = static_cast<uint64_t>(gdi::DibSurface::rowBytesFor(surface.width(), 1));

    QImage image = opaqueColours(surface);
    // 32-bit entries made for alpha carry it in the fourth byte; older ones leave it zero and
    // rely on the mask like the other depths.
    if (decoded.sourceBitCount == 32 && compression == kCompressionRgb && anyAlpha(rows, image.width())) {
        applyAlpha(image, rows);
        return image;
    }
    if (rows.maskOffset + rows.maskRowBytes * static_cast<uint64_t>(rows.height) > dib.size())
        fail();
    applyMask(image, rows);
    return image;
}

bool nearerFirst(const Candidate& a, const Candidate& b)
{
    if (a.distance() != b.distance())
        return a.distance() < b.distance();
    if (a.bitsPerPixel != b.bitsPerPixel)
        return a.bitsPerPixel > b.bitsPerPixel;
    return a.index < b.index;
}

} // namespace

QImage decode(std::span<const uint8_t> data)
{
    std::vector<Candidate> candidates = readDirectory(data);
    std::sort(candidates.begin(), candidates.end(), nearerFirst);
    for (const Candidate& c : candidates) {
        try {
            return c.png ? decodePng(c.bytes) : decodeBitmap(c.bytes);
        } catch (const std::exception&) {
            // A damaged entry leaves the others to choose from.
        }
    }
    fail(QStringLiteral("ни один значок в файле не читается"));
}

} // namespace IconCodec
