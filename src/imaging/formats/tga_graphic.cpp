#include "imaging/formats/tga_graphic.h"

#include "imaging/formats/palette_format.h"
#include "imaging/formats/tga_header.h"
#include "imaging/formats/tga_rle.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace {

// The densest TGA coding: one packet header and one pixel for 128 pixels.
constexpr uint64_t kBestRatio = 128;
constexpr std::array<char, 18> kFooterSignature = {'T', 'R', 'U', 'E', 'V', 'I', 'S', 'I', 'O',
                                                   'N', '-', 'X', 'F', 'I', 'L', 'E', '.', '\0'};
constexpr int kFooterSize = 26;
constexpr int kAttributesTypeAt = 494;

uint32_t dword(const uint8_t* p)
{
    return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

bool carriesAlpha(const TgaHeader& h)
{
    if (h.alphaBits != 8)
        return false;
    switch (h.kind) {
    case TgaKind::ColorMapped: return h.mapEntryBits == 32;
    case TgaKind::TrueColor: return h.pixelBits == 32;
    case TgaKind::Grey: return h.pixelBits == 16;
    }
    return false;
}

// A version 2 file may say in its extension area that its alpha holds nothing (0) or nothing
// useful (1, 2); older files have no say, and their alpha bits count.
bool alphaIsMeant(TStream& stream, int64_t start, int64_t end)
{
    if (end - start < TgaHeader::kSize + kFooterSize)
        return true;
    std::array<uint8_t, kFooterSize> footer{};
    stream.SetPosition(end - kFooterSize);
    if (stream.Read(footer.data(), kFooterSize) != kFooterSize
        || std::memcmp(footer.data() + 8, kFooterSignature.data(), kFooterSignature.size()) != 0)
        return true;
    const int64_t extension = dword(footer.data());
    uint8_t type = 3;
    if (extension == 0 || start + extension + kAttributesTypeAt + 1 > end - kFooterSize)
        return true;
    stream.SetPosition(start + extension + kAttributesTypeAt);
    return stream.Read(&type, 1) != 1 || type > 2;
}

uint32_t mapEntryColour(const uint8_t* p, int bits, bool withAlpha)
{
    if (bits <= 16) {
        const uint32_t v = p[0] | (uint32_t{p[1]} << 8);
        return (gdi::expandChannel5((v >> 10) & 31) << 16) | (gdi::expandChannel5((v >> 5) & 31) << 8)
            | gdi::expandChannel5(v & 31);
    }
    if (bits == 32 && withAlpha)
        return (uint32_t{OverWhite(p[2], p[3])} << 16) | (uint32_t{OverWhite(p[1], p[3])} << 8) | OverWhite(p[0], p[3]);
    return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

// Map entry i goes to palette slot first + i, so pixel values index the palette directly.
TLogPalette paletteOf(const TgaHeader& h, const std::vector<uint8_t>& map, bool withAlpha)
{
    TLogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = 256;
    const int bytes = h.mapEntryBytes();
    for (int i = 0; i < h.mapLength && h.mapFirst + i < 256; ++i) {
        const uint32_t c = mapEntryColour(map.data() + static_cast<size_t>(i) * bytes, h.mapEntryBits, withAlpha);
        palette.palPalEntry[h.mapFirst + i] =
            TPaletteEntry{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c), 0};
    }
    return palette;
}

void reversePixels(uint8_t* pixels, int32_t count, int bytes)
{
    for (int32_t a = 0, b = count - 1; a < b; ++a, --b) {
        for (int k = 0; k < bytes; ++k)
            std::swap(pixels[a * bytes + k], pixels[b * bytes + k]);
    }
}

void greyOverWhite(const uint8_t* in, int32_t width, bool withAlpha, uint8_t* row)
{
    for (int32_t x = 0; x < width; ++x)
        row[x] = withAlpha ? OverWhite(in[2 * x], in[2 * x + 1]) : in[2 * x];
}

void colourOverWhite(const uint8_t* in, int32_t width, uint8_t* row)
{
    for (int32_t x = 0; x < width; ++x) {
        const uint8_t alpha = in[4 * x + 3];
        for (int k = 0; k < 3; ++k)
            row[3 * x + k] = OverWhite(in[4 * x + k], alpha);
    }
}

void decodeRow(const TgaHeader& h, const uint8_t* in, bool withAlpha, uint8_t* row)
{
    switch (h.pixelBits) {
    case 8:
        std::memcpy(row, in, static_cast<size_t>(h.width));
        break;
    case 15:
    case 16:
        if (h.kind == TgaKind::Grey)
            greyOverWhite(in, h.width, withAlpha, row);
        else
            gdi::convertPackedRow(gdi::packedRowFormat(16), in, 0, gdi::packedRowFormat(24), row, 0, h.width);
        break;
    case 24:
        std::memcpy(row, in, static_cast<size_t>(h.width) * 3);
        break;
    default:
        if (withAlpha)
            colourOverWhite(in, h.width, row);
        else
            gdi::convertPackedRow(gdi::packedRowFormat(32), in, 0, gdi::packedRowFormat(24), row, 0, h.width);
        break;
    }
}

TgaHeader headerFor(const TDibGraphic& picture)
{
    TgaHeader h;
    h.width = picture.GetWidth();
    h.height = picture.GetHeight();
    h.compressed = true;
    h.topToBottom = true;
    const TImageFormat format = picture.ImageFormat();
    if (format == ifTrueColor)
        return h;
    h.pixelBits = 8;
    if (format == ifGray256 && PaletteFormat(picture.LogPalette(), false) == ifGray256) {
        h.kind = TgaKind::Grey;
        return h;
    }
    h.kind = TgaKind::ColorMapped;
    h.hasColorMap = true;
    h.mapLength = static_cast<uint16_t>(1u << ImageFormatBitCount(format));
    h.mapEntryBits = 24;
    return h;
}

std::vector<uint8_t> colourMapOf(const TDibGraphic& picture, int entries)
{
    std::vector<uint8_t> map(static_cast<size_t>(entries) * 3);
    for (int i = 0; i < entries; ++i) {
        const TPaletteEntry& e = picture.LogPalette().palPalEntry[i];
        map[3 * i] = e.peBlue;
        map[3 * i + 1] = e.peGreen;
        map[3 * i + 2] = e.peRed;
    }
    return map;
}

} // namespace

std::unique_ptr<TDibGraphic> TTgaGraphic::NewInstance() const
{
    return std::make_unique<TTgaGraphic>();
}

void TTgaGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    const int64_t start = stream.Position();
    const int64_t end = stream.Size();
    std::array<uint8_t, TgaHeader::kSize> raw{};
    if (end - start < TgaHeader::kSize || stream.Read(raw.data(), TgaHeader::kSize) != TgaHeader::kSize)
        RaiseDamagedFile(QStringLiteral("файл короче своего заголовка"));
    const TgaHeader h = ParseTgaHeader(raw.data());
    const int64_t mapStart = start + TgaHeader::kSize + h.idLength;
    const int64_t dataStart = mapStart + h.mapBytes();
    if (dataStart > end)
        RaiseDamagedFile(QStringLiteral("таблица цветов выходит за конец файла"));
    const uint64_t pixelBytes = uint64_t{static_cast<uint32_t>(h.width)} * static_cast<uint32_t>(h.height) * h.pixelBytes();
    if (static_cast<uint64_t>(end - dataStart) * kBestRatio < pixelBytes)
        RaiseDamagedFile(QStringLiteral("данных слишком мало для рисунка %1 x %2").arg(h.width).arg(h.height));

    const bool withAlpha = carriesAlpha(h) && alphaIsMeant(stream, start, end);
    TLogPalette palette;
    const TLogPalette* chosen = nullptr;
    TImageFormat format = h.kind == TgaKind::Grey ? ifGray256 : ifTrueColor;
    if (h.kind == TgaKind::ColorMapped) {
        std::vector<uint8_t> map(static_cast<size_t>(h.mapBytes()));
        stream.SetPosition(mapStart);
        stream.ReadBuffer(map.data(), static_cast<int64_t>(map.size()));
        palette = paletteOf(h, map, withAlpha);
        chosen = &palette;
        format = PaletteFormat(palette, false);
    }
    PictureSizePolicy::checkFile(h.width, h.height, ImageFormatBitCount(format));
    NewImage(h.width, h.height, format, chosen, 0, 0);

    // A short file keeps the rows it has; the rest stay as the new picture left them.
    stream.SetPosition(dataStart);
    StreamByteReader in(stream, end);
    TgaPixelDecoder decoder(in, h.pixelBytes(), h.compressed);
    std::vector<uint8_t> pixels(static_cast<size_t>(h.width) * h.pixelBytes());
    int32_t rows = 0;
    for (; rows < h.height && decoder.readPixels(pixels.data(), static_cast<size_t>(h.width)); ++rows) {
        if (h.rightToLeft)
            reversePixels(pixels.data(), h.width, h.pixelBytes());
        decodeRow(h, pixels.data(), withAlpha, ScanLine(h.topToBottom ? rows : h.height - 1 - rows));
    }
    if (rows == 0) {
        FreeImage();
        RaiseDamagedFile(QStringLiteral("нет данных рисунка"));
    }
}

void TTgaGraphic::SaveToStream(TStream& stream)
{
    if (GetEmpty())
        throw EPictureError(QStringLiteral("Cannot save an empty picture"));
    if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF)
        throw EPictureError(QStringLiteral("The picture is too large for a TGA file"));
    const TgaHeader h = headerFor(*this);
    const auto header = SerializeTgaHeader(h);
    stream.WriteBuffer(header.data(), TgaHeader::kSize);
    if (h.hasColorMap)
        stream.WriteBuffer(colourMapOf(*this, h.mapLength));

    const int bits = ImageFormatBitCount(ImageFormat());
    const bool unpack = bits < 8;
    std::vector<uint8_t> indexes(unpack ? static_cast<size_t>(h.width) : 0);
    std::vector<uint8_t> out;
    out.reserve(65536 + static_cast<size_t>(h.width) * 4 + 1024);
    const TDibGraphic& self = *this; // reading rows must not count as a change
    for (int32_t y = 0; y < h.height; ++y) {
        const uint8_t* row = self.ScanLine(y);
        if (unpack) {
            gdi::packedRowFormat(bits).fetchIndexes(row, 0, h.width, indexes.data());
            row = indexes.data();
        }
        EncodeTgaPixels(row, static_cast<size_t>(h.width), h.pixelBytes(), out);
        if (out.size() >= 65536 || y + 1 == h.height) {
            stream.WriteBuffer(out);
            out.clear();
        }
    }
}
