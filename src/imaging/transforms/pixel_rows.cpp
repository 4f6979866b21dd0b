#include "imaging/transforms/pixel_rows.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/packed_rows.h"

namespace pixel_rows {

namespace {

// Rows pass through the packed-row functions a chunk at a time, on the stack.
constexpr int kChunk = 512;

const gdi::PackedRowFormat& formatOf(const TDibGraphic& picture)
{
    return gdi::packedRowFormat(ImageFormatBitCount(picture.ImageFormat()));
}

} // namespace

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
    formatOf(picture).fetchIndexes(picture.ScanLine(y), 0, picture.GetWidth(), out);
}

void writeIndexes(TDibGraphic& picture, int y, const uint8_t* indexes)
{
    const gdi::PackedRowFormat& format = formatOf(picture);
    uint8_t* row = picture.ScanLine(y);
    const int width = picture.GetWidth();
    if (format.bitsPerPixel != 1) {
        format.storeIndexes(indexes, 0, width, row);
        return;
    }
    uint8_t bits[kChunk];
    for (int x = 0; x < width; x += kChunk) {
        const int n = std::min(kChunk, width - x);
        for (int i = 0; i < n; ++i)
            bits[i] = indexes[x + i] != 0;
        format.storeIndexes(bits, x, n, row);
    }
}

void readBgr(const TDibGraphic& picture, int y, const std::array<uint32_t, 256>& colors, uint8_t* out)
{
    const int width = picture.GetWidth();
    const uint8_t* row = picture.ScanLine(y);
    const gdi::PackedRowFormat& format = formatOf(picture);
    if (format.bitsPerPixel == 24) {
        std::memcpy(out, row, static_cast<size_t>(width) * 3);
        return;
    }
    const gdi::PackedRowFormat& bgr = gdi::packedRowFormat(24);
    uint32_t values[kChunk];
    for (int x = 0; x < width; x += kChunk) {
        const int n = std::min(kChunk, width - x);
        format.fetchColors(row, x, n, colors.data(), values);
        bgr.store(values, x, n, out);
    }
}

} // namespace pixel_rows
