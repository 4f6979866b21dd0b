#include "imaging/transforms/pixel_rows.h"

#include <cstring>

namespace pixel_rows {

std::array<uint32_t, 256> paletteColors(const TDibGraphic& picture)
{
    std::array<uint32_t, 256> colors{};
    const TLogPalette& palette = picture.LogPalette();
    for (int i = 0; i < 256; ++i) {
        const TPaletteEntry& e = palette.palPalEntry[i];
        colors[i] = (uint32_t{e.peRed} << 16) | (uint32_t{e.peGreen} << 8) | e.peBlue;
    }
    return colors;
}

void readIndexes(const TDibGraphic& picture, int y, uint8_t* out)
{
    const uint8_t* row = picture.ScanLine(y);
    const int width = picture.GetWidth();
    switch (ImageFormatBitCount(picture.ImageFormat())) {
    case 1:
        for (int x = 0; x < width; ++x)
            out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
        break;
    case 4:
        for (int x = 0; x < width; ++x)
            out[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
        break;
    default:
        std::memcpy(out, row, static_cast<size_t>(width));
        break;
    }
}

void writeIndexes(TDibGraphic& picture, int y, const uint8_t* indexes)
{
    uint8_t* row = picture.ScanLine(y);
    const int width = picture.GetWidth();
    switch (ImageFormatBitCount(picture.ImageFormat())) {
    case 1: {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            uint8_t byte = 0;
            for (int k = 0; k < 8; ++k)
                byte = static_cast<uint8_t>(byte << 1 | (indexes[x + k] != 0));
            row[x >> 3] = byte;
        }
        for (; x < width; ++x) {
            const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            row[x >> 3] = indexes[x] ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
        }
        break;
    }
    case 4: {
        int x = 0;
        for (; x + 2 <= width; x += 2)
            row[x >> 1] = static_cast<uint8_t>((indexes[x] & 0x0F) << 4 | (indexes[x + 1] & 0x0F));
        if (x < width)
            row[x >> 1] = static_cast<uint8_t>((indexes[x] & 0x0F) << 4 | (row[x >> 1] & 0x0F));
        break;
    }
    default:
        std::memcpy(row, indexes, static_cast<size_t>(width));
        break;
    }
}

void readBgr(const TDibGraphic& picture, int y, const std::array<uint32_t, 256>& colors, uint8_t* out)
{
    const int width = picture.GetWidth();
    const uint8_t* row = picture.ScanLine(y);
    switch (ImageFormatBitCount(picture.ImageFormat())) {
    case 24:
        std::memcpy(out, row, static_cast<size_t>(width) * 3);
        return;
    case 8:
        for (int x = 0; x < width; ++x)
            storeBgr(out + 3 * x, colors[row[x]]);
        return;
    case 4:
        for (int x = 0; x < width; ++x)
            storeBgr(out + 3 * x, colors[(x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4)]);
        return;
    default:
        for (int x = 0; x < width; ++x)
            storeBgr(out + 3 * x, colors[(row[x >> 3] >> (7 - (x & 7))) & 1]);
        return;
    }
}

} // namespace pixel_rows
