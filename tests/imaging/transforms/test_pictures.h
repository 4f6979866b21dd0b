#pragma once
// Small pictures for the transform tests.

#include <QString>

#include <cstring>
#include <functional>
#include <random>

#include "imaging/dib_graphic.h"

namespace test_pictures {

inline QString errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EPictureError& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

inline uint32_t rgb(int r, int g, int b)
{
    return (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}

// A picture of one colour (true colour) or one index (palettised).
inline void fill(TDibGraphic& picture, int width, int height, TImageFormat format, uint32_t value)
{
    picture.NewImage(width, height, format, nullptr, 72, 72);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifTrueColor)
                picture.SetPixelRGB(x, y, value);
            else
                picture.SetPixelIndex(x, y, value);
        }
}

// Random pixel bytes, row padding included; a palette of random colours for the colour
// formats, so that nearest-colour matching meets ties and duplicates only by chance.
inline void randomPicture(TDibGraphic& picture, int width, int height, TImageFormat format, std::mt19937& random,
                          bool randomPalette = false)
{
    TLogPalette palette{};
    const TLogPalette* chosen = nullptr;
    if (randomPalette && format != ifTrueColor) {
        palette.palVersion = 0x300;
        palette.palNumEntries = static_cast<uint16_t>(1 << ImageFormatBitCount(format));
        for (int i = 0; i < palette.palNumEntries; ++i)
            palette.palPalEntry[i] = {uint8_t(random()), uint8_t(random()), uint8_t(random()), 0};
        // A duplicate entry: the lower index must win.
        if (palette.palNumEntries > 4)
            palette.palPalEntry[3] = palette.palPalEntry[1];
        chosen = &palette;
    }
    picture.NewImage(width, height, format, chosen, 96, 120);
    const size_t bytes = static_cast<size_t>(picture.RowBytes()) * height;
    for (size_t i = 0; i < bytes; ++i)
        picture.Bits()[i] = static_cast<uint8_t>(random());
}

inline bool samePixels(const TDibGraphic& a, const TDibGraphic& b, QString* where = nullptr)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight() || a.ImageFormat() != b.ImageFormat()) {
        if (where)
            *where = QStringLiteral("shape differs");
        return false;
    }
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) {
            const bool indexed = a.ImageFormat() != ifTrueColor;
            const uint32_t va = indexed ? a.GetPixelIndex(x, y) : a.GetPixelRGB(x, y);
            const uint32_t vb = indexed ? b.GetPixelIndex(x, y) : b.GetPixelRGB(x, y);
            if (va != vb) {
                if (where)
                    *where = QStringLiteral("(%1, %2): %3 vs %4").arg(x).arg(y).arg(va, 0, 16).arg(vb, 0, 16);
                return false;
            }
        }
    return true;
}

inline const TImageFormat allFormats[] = {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor};

} // namespace test_pictures
