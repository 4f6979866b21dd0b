#pragma once
// Small helpers shared by the picture-format tests.
#include "imaging/dib_graphic.h"

#include "file_bytes.h"

#include <QFile>
#include <QImage>
#include <QRandomGenerator>

#include <cstdint>
#include <vector>

// A reference pixel as a viewer on a white page shows it: 0x00RRGGBB.
inline uint32_t overWhite(QRgb p)
{
    const unsigned a = qAlpha(p);
    const unsigned white = 255 * (255 - a) + 127;
    const unsigned r = (qRed(p) * a + white) / 255;
    const unsigned g = (qGreen(p) * a + white) / 255;
    const unsigned b = (qBlue(p) * a + white) / 255;
    return (r << 16) | (g << 8) | b;
}

// The largest channel difference between the picture and the reference composited over white.
inline int maxDifference(const TDibGraphic& picture, const QImage& referenceImage)
{
    const QImage reference = referenceImage.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < picture.GetHeight(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
        for (int x = 0; x < picture.GetWidth(); ++x) {
            const uint32_t got = picture.GetPixelRGB(x, y);
            const uint32_t want = overWhite(line[x]);
            for (int shift : {0, 8, 16})
                worst = std::max(worst, std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)));
        }
    }
    return worst;
}

// Every pixel of the picture set at random: indexes below the palette's size, or colours.
inline void fillRandomly(TDibGraphic& picture, uint32_t seed)
{
    QRandomGenerator random(seed);
    const bool palettised = picture.IsPalettised();
    const uint32_t colours = palettised ? std::max<uint32_t>(1, picture.LogPalette().palNumEntries) : 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x) {
            if (palettised)
                picture.SetPixelIndex(x, y, random.bounded(colours));
            else
                picture.SetPixelRGB(x, y, random.generate() & 0xFFFFFF);
        }
}

inline bool samePixels(const TDibGraphic& a, const TDibGraphic& b)
{
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight())
        return false;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelRGB(x, y) != b.GetPixelRGB(x, y))
                return false;
    return true;
}
