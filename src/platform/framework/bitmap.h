#pragma once
// The framework bitmap: DIB pixel memory of 1, 4, 8, 24 or 32 bits per pixel (or the
// screen's device format), a canvas that draws into it, and BMP reading and writing.

#include "platform/framework/canvas.h"
#include "platform/framework/graphic.h"

#include <memory>

namespace gdi {
class DibSurface;
class DeviceContext;
} // namespace gdi

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    QString ClassName() const override { return QStringLiteral("TBitmap"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TBitmap>(); }

    // A bitmap source is copied, null empties; others go through the source's AssignTo.
    void Assign(TPersistent* source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;

    bool GetEmpty() const override;
    int GetHeight() const override;
    int GetWidth() const override;
    // Resizing keeps the top-left content; new area is filled with the canvas brush colour.
    void SetHeight(int value) override;
    void SetWidth(int value) override;
    void SetSize(int width, int height);

    void LoadFromStream(TStream& stream) override;  // a BMP file
    void SaveToStream(TStream& stream) override;    // a BMP file, 40-byte header, no compression
    void LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette) override;
    void SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette) override;

    // Drawing into the bitmap.
    TCanvas* Canvas();

    // Changing the format converts the pixels (to the nearest palette colour for palettised
    // formats). pfDevice is the screen's 32-bit device format.
    TPixelFormat PixelFormat() const;
    void SetPixelFormat(TPixelFormat value);
    // bmDDB converts to the screen's format (or monochrome), bmDIB keeps the pixel format.
    TBitmapHandleType HandleType() const { return handleType_; }
    void SetHandleType(TBitmapHandleType value);
    bool Monochrome() const;
    void SetMonochrome(bool value);

    // The pixel memory (null while empty) and the platform bitmap around it.
    gdi::DibSurface* Surface() const;
    HBITMAP Handle() const { return handle_; }
    // Adopts a platform bitmap (null empties).
    void SetHandle(const HBITMAP& value);
    HPALETTE Palette() const;
    // Row y from the top, for direct pixel access.
    uint8_t* ScanLine(int y);

    // White (or any colour) pixels left out when drawn with Transparent on; tmAuto takes the
    // colour of the bottom-left pixel.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode value) { transparentMode_ = value; }

    // Releases nothing here; kept for callers that free device resources between uses.
    void Dormant() {}
    void FreeImage() {}

private:
    class BitmapCanvas;
    friend class BitmapCanvas;

    // Replaces the pixel memory; the canvas is moved onto it.
    void setSurface(std::shared_ptr<gdi::DibSurface> surface, bool dibSection);
    void convertTo(int bitsPerPixel, bool dibSection, bool monochrome);
    gdi::DeviceContext* deviceContext();

    HBITMAP handle_;
    TBitmapHandleType handleType_ = bmDDB;
    // The format an empty bitmap takes when it is given a size.
    TPixelFormat emptyFormat_ = pf32bit;
    std::unique_ptr<gdi::DibSurface> emptySurface_;
    std::unique_ptr<gdi::DeviceContext> dc_;
    std::unique_ptr<TCanvas> canvas_;
    TColor transparentColor_ = clDefault;
    TTransparentMode transparentMode_ = tmAuto;
};
