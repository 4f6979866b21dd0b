#include "imaging/transforms/negative_transform.h"

#include <cstring>
#include <vector>

void TNegativeTransform::Apply(TDibGraphic& Picture)
{
    BeginProgress();
    if (Picture.GetEmpty()) {
        EndProgress();
        return;
    }
    const int height = Picture.GetHeight();
    const size_t rowBytes = static_cast<size_t>(Picture.RowBytes());
    switch (Picture.ImageFormat()) {
    case ifBlackWhite:
    case ifGray16:
    case ifGray256:
        // Inverting every bit of a byte is 1 - bit, 15 - nibble and 255 - byte at once; the
        // padding at the ends of the rows is inverted with the pixels.
        ForEachRows(
            height, static_cast<int64_t>(rowBytes),
            [&](int, int first, int last) {
                for (int y = first; y < last; ++y) {
                    uint8_t* row = Picture.ScanLine(y);
                    for (size_t i = 0; i < rowBytes; ++i)
                        row[i] = static_cast<uint8_t>(~row[i]);
                }
            },
            0, height);
        break;
    case ifColor16:
    case ifColor256: {
        TLogPalette palette = Picture.LogPalette();
        for (int i = 0; i < palette.palNumEntries && i < 256; ++i) {
            TPaletteEntry& e = palette.palPalEntry[i];
            e.peRed = static_cast<uint8_t>(255 - e.peRed);
            e.peGreen = static_cast<uint8_t>(255 - e.peGreen);
            e.peBlue = static_cast<uint8_t>(255 - e.peBlue);
        }
        const size_t bytes = rowBytes * static_cast<size_t>(height);
        std::vector<uint8_t> saved(Picture.Bits(), Picture.Bits() + bytes);
        const uint16_t xDpi = Picture.XDpi(), yDpi = Picture.YDpi();
        Picture.NewImage(Picture.GetWidth(), height, Picture.ImageFormat(), &palette, xDpi, yDpi);
        std::memcpy(Picture.Bits(), saved.data(), bytes);
        ReportPosition(height, 0, height);
        break;
    }
    case ifTrueColor: {
        const size_t pixelBytes = static_cast<size_t>(Picture.GetWidth()) * 3;
        ForEachRows(
            height, static_cast<int64_t>(pixelBytes),
            [&](int, int first, int last) {
                for (int y = first; y < last; ++y) {
                    uint8_t* row = Picture.ScanLine(y);
                    for (size_t i = 0; i < pixelBytes; ++i)
                        row[i] = static_cast<uint8_t>(255 - row[i]);
                }
            },
            0, height);
        break;
    }
    }
    EndProgress();
}

void TNegativeTransform::ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest)
{
    Dest.AssignPicture(&Source);
    Apply(Dest);
}
