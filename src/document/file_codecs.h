#pragma once
// The file formats the dialogs' own entries write or decode directly, apart from the graphic a
// picture holder keeps: JPEG at a chosen quality, TIFF, PNG and WebP.

#include <QString>

class TBitmap;
class TGraphic;

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

// Lossy at the WebP class's quality when the picture was read from a lossy WebP file (opened is
// the class that read it, or null), otherwise lossless: a drawing loses nothing.
void WriteWebp(TBitmap& bitmap, const TGraphic* opened, const QString& fileName);

} // namespace file_codecs
