#include "imaging/transforms/color_depth.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/transforms/palette_index_finder.h"
#include "imaging/transforms/pixel_rows.h"
#include "imaging/transforms/row_workers.h"
#include "platform/gdi/packed_rows.h"

void ConvertPictureFromSurface(TDibGraphic& Picture, const gdi::DibSurface& Drawn, TImageFormat Format)
{
    if (Picture.GetEmpty())
        return;
    const int width = Picture.GetWidth();
    const int height = Picture.GetHeight();
    Picture.NewImage(width, height, Format, nullptr, 300, 300);
    const int overlapWidth = std::min(width, Drawn.width());
    const int overlapHeight = std::min(height, Drawn.height());
    if (overlapWidth <= 0 || overlapHeight <= 0)
        return;

    // Surface colour tables hold entries the DIB way (blue, green, red); indexes past the table
    // read as black.
    std::array<uint32_t, 256> table{};
    const auto& entries = Drawn.colorTable();
    for (size_t i = 0; i < entries.size() && i < table.size(); ++i)
        table[i] = (uint32_t{entries[i].red} << 16) | (uint32_t{entries[i].green} << 8) | entries[i].blue;

    const gdi::PackedRowFormat& drawnFormat = gdi::packedRowFormat(Drawn.bitsPerPixel());
    const gdi::PackedRowFormat& trueColorFormat = gdi::packedRowFormat(24);
    const bool trueColor = Format == ifTrueColor;
    std::optional<PaletteIndexFinder> finders[row_workers::MaxWorkers];
    std::vector<uint32_t> colors[row_workers::MaxWorkers];
    std::vector<uint8_t> indexes[row_workers::MaxWorkers];
    row_workers::forEachRows(
        overlapHeight, int64_t{overlapWidth} * 8,
        [&](int worker, int first, int last) {
            std::vector<uint32_t>& rowColors = colors[worker];
            rowColors.resize(static_cast<size_t>(overlapWidth));
            if (!trueColor && !finders[worker]) {
                finders[worker].emplace(Picture.LogPalette());
                // Pixels right of the overlap keep index 0.
                indexes[worker].assign(static_cast<size_t>(width), 0);
            }
            for (int y = first; y < last; ++y) {
                drawnFormat.fetchColors(Drawn.scanLine(y), 0, overlapWidth, table.data(), rowColors.data());
                if (trueColor) {
                    trueColorFormat.store(rowColors.data(), 0, overlapWidth, Picture.ScanLine(y));
                    continue;
                }
                PaletteIndexFinder& finder = *finders[worker];
                uint8_t* rowIndexes = indexes[worker].data();
                // Neighbouring pixels often share a colour; the last answer is kept for them.
                uint32_t lastColor = ~rowColors[0];
                uint8_t lastIndex = 0;
                for (int x = 0; x < overlapWidth; ++x) {
                    if (rowColors[x] != lastColor) {
                        lastColor = rowColors[x];
                        lastIndex = static_cast<uint8_t>(finder.nearestIndex(lastColor));
                    }
                    rowIndexes[x] = lastIndex;
                }
                pixel_rows::writeIndexes(Picture, y, rowIndexes);
            }
        },
        {});
}

void InvertPictureColors(TDibGraphic& Picture)
{
    if (Picture.GetEmpty())
        return;
    const int64_t bits = int64_t{Picture.GetWidth()} * ImageFormatBitCount(Picture.ImageFormat());
    const size_t wholeBytes = static_cast<size_t>(bits / 8);
    const int restBits = static_cast<int>(bits % 8);
    const uint8_t restMask = static_cast<uint8_t>(0xFF00 >> restBits);
    row_workers::forEachRows(
        Picture.GetHeight(), static_cast<int64_t>(wholeBytes),
        [&](int, int first, int last) {
            for (int y = first; y < last; ++y) {
                uint8_t* row = Picture.ScanLine(y);
                for (size_t i = 0; i < wholeBytes; ++i)
                    row[i] = static_cast<uint8_t>(~row[i]);
                if (restBits)
                    row[wholeBytes] ^= restMask;
            }
        },
        {});
}
