#include "imaging/formats/pcx_graphic.h"

#include "imaging/formats/palette_format.h"
#include "imaging/formats/pcx_header.h"
#include "imaging/formats/pcx_rle.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

constexpr uint8_t kPaletteMarker = 0x0C;
constexpr int64_t kEndPaletteBytes = 1 + 768;
// The densest PCX coding: two bytes for a run of 63.
constexpr uint64_t kBestRatio = 32;

TLogPalette paletteOf(const uint8_t* rgb, int count)
{
    TLogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<uint16_t>(count);
    for (int i = 0; i < count; ++i)
        palette.palPalEntry[i] = TPaletteEntry{rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 0};
    return palette;
}

// The 256-colour palette that may follow the image data; false when there is none.
bool readEndPalette(TStream& stream, int64_t dataStart, int64_t end, TLogPalette& palette)
{
    if (end - dataStart < kEndPaletteBytes)
        return false;
    std::array<uint8_t, kEndPaletteBytes> bytes{};
    stream.SetPosition(end - kEndPaletteBytes);
    const bool found = stream.Read(bytes.data(), kEndPaletteBytes) == kEndPaletteBytes && bytes[0] == kPaletteMarker;
    stream.SetPosition(dataStart);
    if (found)
        palette = paletteOf(bytes.data() + 1, 256);
    return found;
}

// The two colours of a one-bit picture, from the header palette; false when the file means
// plain black and white. Many writers leave that palette unset (all zero) or fill in the
// standard sixteen colours whatever the depth, and version 3 files carry none.
bool monoPalette(const PcxHeader& h, TLogPalette& palette)
{
    const uint8_t* rgb = h.palette16.data();
    const bool same = std::equal(rgb, rgb + 3, rgb + 3);
    const bool standard = std::equal(rgb, rgb + 6, std::array<uint8_t, 6>{0, 0, 0, 0, 0, 170}.begin());
    const bool blackWhite = std::equal(rgb, rgb + 6, std::array<uint8_t, 6>{0, 0, 0, 255, 255, 255}.begin());
    if (h.version == 3 || same || standard || blackWhite)
        return false;
    palette = paletteOf(rgb, 2);
    return true;
}

// Eight pixels of one bit plane spread to the low bit of eight 4-bit pixels, in row order.
constexpr std::array<uint32_t, 256> kSpreadBits = [] {
    std::array<uint32_t, 256> table{};
    for (uint32_t v = 0; v < 256; ++v) {
        uint32_t out = 0;
        for (uint32_t i = 0; i < 8; ++i) {
            if (v & (0x80u >> i))
                out |= (i % 2 == 0 ? 0x10u : 0x01u) << (8 * (i / 2));
        }
        table[v] = out;
    }
    return table;
}();

void combineBitPlanes(const uint8_t* line, const PcxHeader& h, uint8_t* row)
{
    const uint32_t bytes = (static_cast<uint32_t>(h.width) + 7) / 8;
    for (uint32_t i = 0; i < bytes; ++i) {
        uint32_t nibbles = 0;
        for (uint32_t p = 0; p < h.planes; ++p)
            nibbles |= kSpreadBits[line[p * h.bytesPerLine + i]] << p;
        for (uint32_t k = 0; k < 4; ++k)
            row[4 * i + k] = static_cast<uint8_t>(nibbles >> (8 * k));
    }
}

void interleaveRgb(const uint8_t* line, const PcxHeader& h, uint8_t* row)
{
    const uint8_t* red = line;
    const uint8_t* green = line + h.bytesPerLine;
    const uint8_t* blue = line + 2 * h.bytesPerLine;
    for (int32_t x = 0; x < h.width; ++x) {
        row[3 * x] = blue[x];
        row[3 * x + 1] = green[x];
        row[3 * x + 2] = red[x];
    }
}

void interleaveRgbaOverWhite(const uint8_t* line, const PcxHeader& h, uint8_t* row)
{
    const uint8_t* red = line;
    const uint8_t* green = line + h.bytesPerLine;
    const uint8_t* blue = line + 2 * h.bytesPerLine;
    const uint8_t* alpha = line + 3 * h.bytesPerLine;
    for (int32_t x = 0; x < h.width; ++x) {
        row[3 * x] = OverWhite(blue[x], alpha[x]);
        row[3 * x + 1] = OverWhite(green[x], alpha[x]);
        row[3 * x + 2] = OverWhite(red[x], alpha[x]);
    }
}

void decodeRow(const uint8_t* line, const PcxHeader& h, uint8_t* row)
{
    switch (h.layout) {
    case PcxLayout::Mono:
        std::memcpy(row, line, (static_cast<size_t>(h.width) + 7) / 8);
        break;
    case PcxLayout::BitPlanes:
        combineBitPlanes(line, h, row);
        break;
    case PcxLayout::Packed2:
        gdi::convertPackedRow(gdi::packedRowFormat(2), line, 0, gdi::packedRowFormat(4), row, 0, h.width);
        break;
    case PcxLayout::Packed4:
        std::memcpy(row, line, (static_cast<size_t>(h.width) + 1) / 2);
        break;
    case PcxLayout::Indexed8:
        std::memcpy(row, line, static_cast<size_t>(h.width));
        break;
    case PcxLayout::Rgb:
        interleaveRgb(line, h, row);
        break;
    case PcxLayout::Rgba:
        interleaveRgbaOverWhite(line, h, row);
        break;
    }
}

// ---- writing ------------------------------------------------------------------------------

uint32_t evenBytes(uint64_t bits)
{
    const uint32_t bytes = static_cast<uint32_t>((bits + 7) / 8);
    return bytes + bytes % 2;
}

bool isBlackAndWhite(const TDibGraphic& picture)
{
    const TPaletteEntry* e = picture.LogPalette().palPalEntry;
    return picture.ImageFormat() == ifBlackWhite && e[0] == TPaletteEntry{0, 0, 0, e[0].peFlags}
        && e[1] == TPaletteEntry{255, 255, 255, e[1].peFlags};
}

PcxHeader headerFor(const TDibGraphic& picture)
{
    PcxHeader h;
    h.width = picture.GetWidth();
    h.height = picture.GetHeight();
    h.xDpi = picture.XDpi();
    h.yDpi = picture.YDpi();
    const TImageFormat format = picture.ImageFormat();
    h.paletteInfo = format == ifGray16 || format == ifGray256 ? 2 : 1;
    if (isBlackAndWhite(picture)) {
        h.layout = PcxLayout::Mono;
        h.bitsPerPixel = 1;
        h.planes = 1;
        // Readers that honour the header palette find black and white there.
        std::fill(h.palette16.begin() + 3, h.palette16.begin() + 6, uint8_t{255});
    } else if (format == ifTrueColor) {
        h.layout = PcxLayout::Rgb;
        h.planes = 3;
    } else if (format == ifGray256 || format == ifColor256) {
        h.layout = PcxLayout::Indexed8;
    } else {
        // Up to 16 colours: four bit planes and the header palette, which every reader knows.
        h.layout = PcxLayout::BitPlanes;
        h.bitsPerPixel = 1;
        h.planes = 4;
        const TLogPalette& palette = picture.LogPalette();
        const int count = std::min<int>(16, palette.palNumEntries);
        for (int i = 0; i < count; ++i) {
            h.palette16[3 * i] = palette.palPalEntry[i].peRed;
            h.palette16[3 * i + 1] = palette.palPalEntry[i].peGreen;
            h.palette16[3 * i + 2] = palette.palPalEntry[i].peBlue;
        }
    }
    h.bytesPerLine = evenBytes(static_cast<uint64_t>(h.width) * h.bitsPerPixel);
    return h;
}

void splitBitPlanes(const uint8_t* indexes, const PcxHeader& h, uint8_t* line)
{
    for (int32_t x = 0; x < h.width; ++x) {
        const uint8_t mask = static_cast<uint8_t>(0x80u >> (x % 8));
        for (uint32_t p = 0; p < 4; ++p) {
            if (indexes[x] & (1u << p))
                line[p * h.bytesPerLine + x / 8] |= mask;
        }
    }
}

void splitRgb(const uint8_t* row, const PcxHeader& h, uint8_t* line)
{
    uint8_t* red = line;
    uint8_t* green = line + h.bytesPerLine;
    uint8_t* blue = line + 2 * h.bytesPerLine;
    for (int32_t x = 0; x < h.width; ++x) {
        blue[x] = row[3 * x];
        green[x] = row[3 * x + 1];
        red[x] = row[3 * x + 2];
    }
}

void encodeRow(const TDibGraphic& picture, int32_t y, const PcxHeader& h, std::vector<uint8_t>& indexes,
               uint8_t* line)
{
    const uint8_t* row = picture.ScanLine(y);
    std::memset(line, 0, h.lineBytes());
    switch (h.layout) {
    case PcxLayout::Mono: {
        const size_t bytes = (static_cast<size_t>(h.width) + 7) / 8;
        std::memcpy(line, row, bytes);
        if (h.width % 8)
            line[bytes - 1] &= static_cast<uint8_t>(0xFF00u >> (h.width % 8));
        break;
    }
    case PcxLayout::BitPlanes:
        gdi::packedRowFormat(ImageFormatBitCount(picture.ImageFormat())).fetchIndexes(row, 0, h.width, indexes.data());
        splitBitPlanes(indexes.data(), h, line);
        break;
    case PcxLayout::Indexed8:
        std::memcpy(line, row, static_cast<size_t>(h.width));
        break;
    default:
        splitRgb(row, h, line);
        break;
    }
}

void writeEndPalette(const TLogPalette& palette, TStream& stream)
{
    std::array<uint8_t, kEndPaletteBytes> bytes{};
    bytes[0] = kPaletteMarker;
    for (int i = 0; i < 256; ++i) {
        bytes[1 + 3 * i] = palette.palPalEntry[i].peRed;
        bytes[2 + 3 * i] = palette.palPalEntry[i].peGreen;
        bytes[3 + 3 * i] = palette.palPalEntry[i].peBlue;
    }
    stream.WriteBuffer(bytes.data(), kEndPaletteBytes);
}

} // namespace

std::unique_ptr<TDibGraphic> TPcxGraphic::NewInstance() const
{
    return std::make_unique<TPcxGraphic>();
}

void TPcxGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    ReadPcx(stream, stream.Size());
}

void TPcxGraphic::ReadPcx(TStream& stream, int64_t end)
{
    const int64_t start = stream.Position();
    std::array<uint8_t, PcxHeader::kSize> raw{};
    if (end - start < PcxHeader::kSize || stream.Read(raw.data(), PcxHeader::kSize) != PcxHeader::kSize)
        RaiseDamagedFile(QStringLiteral("файл короче своего заголовка"));
    const PcxHeader h = ParsePcxHeader(raw.data());
    const int64_t dataStart = start + PcxHeader::kSize;
    const uint64_t encoded = static_cast<uint64_t>(h.lineBytes()) * static_cast<uint64_t>(h.height);
    if (static_cast<uint64_t>(end - dataStart) * kBestRatio < encoded)
        RaiseDamagedFile(QStringLiteral("данных слишком мало для рисунка %1 x %2").arg(h.width).arg(h.height));

    TLogPalette palette;
    const TLogPalette* chosen = &palette;
    int64_t dataEnd = end;
    TImageFormat format = ifTrueColor;
    switch (h.layout) {
    case PcxLayout::Mono:
        format = ifBlackWhite;
        chosen = monoPalette(h, palette) ? &palette : nullptr;
        break;
    case PcxLayout::BitPlanes:
    case PcxLayout::Packed2:
    case PcxLayout::Packed4:
        // Version 3 files carry no palette and mean the standard 16 colours.
        palette = h.version == 3 ? *DefaultPalette(ifColor16) : paletteOf(h.palette16.data(), 16);
        format = PaletteFormat(palette, true);
        break;
    case PcxLayout::Indexed8:
        if (readEndPalette(stream, dataStart, end, palette)) {
            format = PaletteFormat(palette, false);
            dataEnd = end - kEndPaletteBytes;
        } else {
            format = ifGray256;
            chosen = nullptr;
        }
        break;
    case PcxLayout::Rgb:
    case PcxLayout::Rgba:
        chosen = nullptr;
        break;
    }
    PictureSizePolicy::checkFile(h.width, h.height, ImageFormatBitCount(format));
    NewImage(h.width, h.height, format, chosen, h.xDpi, h.yDpi);

    // A short file keeps the rows it has; the rest stay as the new picture left them.
    StreamByteReader in(stream, dataEnd);
    PcxLineDecoder decoder(in, h.compressed);
    std::vector<uint8_t> line(h.lineBytes());
    int32_t y = 0;
    for (; y < h.height && decoder.readLine(line.data(), line.size()); ++y)
        decodeRow(line.data(), h, ScanLine(y));
    if (y == 0) {
        FreeImage();
        RaiseDamagedFile(QStringLiteral("нет данных рисунка"));
    }
}

void TPcxGraphic::SaveToStream(TStream& stream)
{
    WritePcx(*this, stream);
}

void TPcxGraphic::WritePcx(const TDibGraphic& picture, TStream& stream)
{
    if (picture.GetEmpty())
        throw EPictureError(QStringLiteral("Cannot save an empty picture"));
    if (picture.GetWidth() > 65536 || picture.GetHeight() > 65536)
        throw EPictureError(QStringLiteral("The picture is too large for a PCX file"));
    const PcxHeader h = headerFor(picture);
    if (h.bytesPerLine > 0xFFFF)
        throw EPictureError(QStringLiteral("The picture is too wide for a PCX file"));
    const auto header = SerializePcxHeader(h);
    stream.WriteBuffer(header.data(), PcxHeader::kSize);

    std::vector<uint8_t> line(h.lineBytes());
    std::vector<uint8_t> indexes(static_cast<size_t>(h.width));
    std::vector<uint8_t> out;
    out.reserve(2 * line.size() + 65536);
    for (int32_t y = 0; y < h.height; ++y) {
        encodeRow(picture, y, h, indexes, line.data());
        for (uint32_t p = 0; p < h.planes; ++p)
            EncodePcxLine(line.data() + p * h.bytesPerLine, h.bytesPerLine, out);
        if (out.size() >= 65536 || y + 1 == h.height) {
            stream.WriteBuffer(out);
            out.clear();
        }
    }
    if (h.layout == PcxLayout::Indexed8)
        writeEndPalette(picture.LogPalette(), stream);
}
