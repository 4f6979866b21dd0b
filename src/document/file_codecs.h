#pragma once
// The file formats the dialogs' own entries write or decode directly, apart from the graphic a
// picture holder keeps: JPEG at a chosen quality, TIFF and PNG.

#include <QString>

class TBitmap;

namespace file_codecs {

// Decodes the JPEG file at full size in 24-bit colour into bitmap.
void ReadJpeg(const QString& fileName, TBitmap& bitmap);
// Quality 1..200; everything above 100 writes as 100.
void WriteJpeg(TBitmap& bitmap, int quality, const QString& fileName);

// The TIFF file's first image into bitmap, which becomes 24-bit of the image's size.
void ReadTiff(const QString& fileName, TBitmap& bitmap);
void WriteTiff(TBitmap& bitmap, const QString& fileName);

// Keeps the bitmap's pixel format: a palette picture stays palettised.
void WritePng(TBitmap& bitmap, const QString& fileName);

} // namespace file_codecs
