#include "document/file_codecs.h"

#include "imaging/formats/png_graphic.h"
#include "imaging/formats/tiff_graphic.h"
#include "imaging/formats/webp_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/jpeg_image.h"

namespace file_codecs {

void ReadJpeg(const QString& fileName, TBitmap& bitmap)
{
    TJPEGImage jpeg;
    jpeg.LoadFromFile(fileName);
    bitmap.Assign(&jpeg);
}

void WriteJpeg(TBitmap& bitmap, int quality, const QString& fileName)
{
    TJPEGImage jpeg;
    jpeg.Assign(&bitmap);
    jpeg.SetCompressionQuality(quality);
    jpeg.SaveToFile(fileName);
}

void ReadTiff(const QString& fileName, TBitmap& bitmap)
{
    TTiffGraphic tiff;
    tiff.LoadFromFile(fileName);
    bitmap.Assign(&tiff);
    bitmap.SetPixelFormat(pf24bit);
}

void WriteTiff(TBitmap& bitmap, const QString& fileName)
{
    TTiffGraphic tiff;
    tiff.NewImage(bitmap.Width(), bitmap.Height(), ifTrueColor, nullptr, 300, 300);
    // The copy takes the bitmap's own size and pixel format.
    tiff.Assign(&bitmap);
    tiff.SaveToFile(fileName);
}

void WritePng(TBitmap& bitmap, const QString& fileName)
{
    TPngGraphic png;
    // The copy takes the bitmap's own size and pixel format; PNG keeps each losslessly.
    png.Assign(&bitmap);
    png.SaveToFile(fileName);
}

void WriteWebp(TBitmap& bitmap, const TGraphic* opened, const QString& fileName)
{
    TWebpGraphic webp;
    if (const auto* read = dynamic_cast<const TWebpGraphic*>(opened))
        webp.SetLossless(read->Lossless());
    webp.Assign(&bitmap);
    webp.SaveToFile(fileName);
}

} // namespace file_codecs
