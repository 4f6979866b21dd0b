#pragma once
// Replacing every pixel's colour by a function of that colour alone (brightness, contrast,
// saturation): per pixel on true colour, split over the row workers; once per stored index on
// palettised pictures, whose new index is the nearest palette entry, as SetPixelRGB would store.

#include <array>
#include <functional>
#include <vector>

#include "imaging/dib_graphic.h"
#include "imaging/transforms/pixel_rows.h"
#include "imaging/transforms/row_workers.h"

namespace color_map {

template <class ColorFunction>
void mapColors(TDibGraphic& picture, ColorFunction function, const std::function<void(int rowsDone)>& rowsDone)
{
    if (picture.GetEmpty())
        return;
    const int width = picture.GetWidth();
    const int height = picture.GetHeight();
    if (picture.ImageFormat() == ifTrueColor) {
        row_workers::forEachRows(
            height, width * 24,
            [&](int, int first, int last) {
                for (int y = first; y < last; ++y) {
                    uint8_t* p = picture.ScanLine(y);
                    for (int x = 0; x < width; ++x, p += 3)
                        pixel_rows::storeBgr(p, function(pixel_rows::bgrAt(p)));
                }
            },
            rowsDone);
        return;
    }
    const auto colors = pixel_rows::paletteColors(picture);
    const int indexCount = 1 << ImageFormatBitCount(picture.ImageFormat());
    std::array<uint8_t, 256> newIndex{};
    for (int i = 0; i < indexCount; ++i)
        newIndex[i] = static_cast<uint8_t>(TRgbToPaletteConverter::SearchPalette(picture.LogPalette(), function(colors[i])));
    std::vector<uint8_t> indexes(static_cast<size_t>(width));
    row_workers::forEachRows(
        height, 0,
        [&](int, int first, int last) {
            for (int y = first; y < last; ++y) {
                pixel_rows::readIndexes(picture, y, indexes.data());
                for (int x = 0; x < width; ++x)
                    indexes[x] = newIndex[indexes[x]];
                pixel_rows::writeIndexes(picture, y, indexes.data());
            }
        },
        rowsDone);
}

} // namespace color_map
