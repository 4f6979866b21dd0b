#pragma once
// The framework's JPEG image: a decoded picture held as a 24-bit bitmap, written back as
// baseline JPEG data at its compression quality.
#include "platform/framework/bitmap.h"
#include "platform/framework/graphic.h"

#include <vector>

class TJPEGImage : public TGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TJPEGImage"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TJPEGImage>(); }
    // JPEG images and bitmaps are copied; null empties; others go through the source's AssignTo.
    void Assign(TPersistent* source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool GetEmpty() const override { return bitmap_.Empty(); }
    int GetHeight() const override { return bitmap_.Height(); }
    int GetWidth() const override { return bitmap_.Width(); }
    // A JPEG image takes its size from its pixels only.
    void SetHeight(int) override {}
    void SetWidth(int) override {}
    // Reads JPEG data from the stream's position to its end. Writing gives back the data read
    // while nothing changed, and otherwise compresses the pixels at CompressionQuality().
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // Copying out goes through the bitmap; a JPEG image is never read from the clipboard.
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) override;
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) override;

    // 1..100; any higher value writes as 100 and any lower as 1.
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int value);

    // The pixels (24 bits after a read).
    const TBitmap& Bitmap() const { return bitmap_; }

protected:
    // A bitmap destination gets a 24-bit copy of the pixels.
    void AssignTo(TPersistent* dest) override;

private:
    TBitmap bitmap_;
    // The file data the pixels came from, while they and the quality are unchanged.
    std::vector<uint8_t> data_;
    int quality_ = 90;
};
