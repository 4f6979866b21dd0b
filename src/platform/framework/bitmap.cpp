#include "platform/framework/bitmap.h"

#include "platform/framework/bmp_codec.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/size_policy.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"

#include <algorithm>
#include <cstring>

namespace {

int bitsFor(TPixelFormat format)
{
    switch (format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf24bit:
        return 24;
    case pf32bit:
    case pfDevice:
        return 32;
    }
    return 32;
}

TPixelFormat formatFor(int bits)
{
    switch (bits) {
    case 1:
        return pf1bit;
    case 4:
        return pf4bit;
    case 8:
        return pf8bit;
    case 24:
        return pf24bit;
    default:
        return pf32bit;
    }
}

gdi::RgbQuad quad(uint8_t r, uint8_t g, uint8_t b)
{
    return gdi::RgbQuad{b, g, r, 0};
}

// The colour table a new palettised bitmap starts with: black and white, the sixteen VGA
// colours, or the twenty static colours around a 6 x 6 x 6 colour cube and a grey ramp.
std::vector<gdi::RgbQuad> defaultColorTable(int bits)
{
    static const gdi::RgbQuad vga[16] = {
        quad(0, 0, 0),       quad(128, 0, 0),   quad(0, 128, 0),   quad(128, 128, 0),
        quad(0, 0, 128),     quad(128, 0, 128), quad(0, 128, 128), quad(128, 128, 128),
        quad(192, 192, 192), quad(255, 0, 0),   quad(0, 255, 0),   quad(255, 255, 0),
        quad(0, 0, 255),     quad(255, 0, 255), quad(0, 255, 255), quad(255, 255, 255),
    };
    std::vector<gdi::RgbQuad> table;
    if (bits == 1) {
        table = {quad(0, 0, 0), quad(255, 255, 255)};
    } else if (bits == 4) {
        table.assign(std::begin(vga), std::end(vga));
    } else if (bits == 8) {
        const gdi::RgbQuad low[10] = {quad(0, 0, 0),       quad(128, 0, 0),   quad(0, 128, 0),   quad(128, 128, 0),
                                      quad(0, 0, 128),     quad(128, 0, 128), quad(0, 128, 128), quad(192, 192, 192),
                                      quad(192, 220, 192), quad(166, 202, 240)};
        const gdi::RgbQuad high[10] = {quad(255, 251, 240), quad(160, 160, 164), quad(128, 128, 128), quad(255, 0, 0),
                                       quad(0, 255, 0),     quad(255, 255, 0),   quad(0, 0, 255),     quad(255, 0, 255),
                                       quad(0, 255, 255),   quad(255, 255, 255)};
        table.assign(std::begin(low), std::end(low));
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    table.push_back(quad(static_cast<uint8_t>(51 * r), static_cast<uint8_t>(51 * g),
                                         static_cast<uint8_t>(51 * b)));
        for (int i = 1; i <= 20; ++i) {
            const auto v = static_cast<uint8_t>(i * 255 / 21);
            table.push_back(quad(v, v, v));
        }
        table.insert(table.end(), std::begin(high), std::end(high));
    }
    return table;
}

std::unique_ptr<gdi::DibSurface> copyOf(const gdi::DibSurface& s)
{
    auto copy = std::make_unique<gdi::DibSurface>(s.width(), s.height(), s.bitsPerPixel(), s.colorTable());
    std::memcpy(copy->bits(), s.bits(), s.imageBytes());
    return copy;
}

} // namespace

// The bitmap's canvas draws on the bitmap's own device context and reports its drawing as a
// change of the bitmap.
class TBitmap::BitmapCanvas : public TCanvas {
public:
    explicit BitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

protected:
    void CreateHandle() override { SetHandle(bitmap_.deviceContext()); }
    void Changed() override
    {
        TCanvas::Changed();
        bitmap_.Changed(&bitmap_);
    }

private:
    TBitmap& bitmap_;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap()
{
    // The canvas refers to the device context, which refers to a surface: release in order.
    canvas_.reset();
    dc_.reset();
}

gdi::DibSurface* TBitmap::Surface() const
{
    return handle_ ? handle_->surface.get() : nullptr;
}

bool TBitmap::GetEmpty() const
{
    return !handle_;
}

int TBitmap::GetWidth() const
{
    return handle_ ? handle_->surface->width() : 0;
}

int TBitmap::GetHeight() const
{
    return handle_ ? handle_->surface->height() : 0;
}

gdi::DeviceContext* TBitmap::deviceContext()
{
    gdi::DibSurface* surface = Surface();
    if (!surface) {
        if (!emptySurface_)
            emptySurface_ = std::make_unique<gdi::DibSurface>(1, 1, 32);
        surface = emptySurface_.get();
    }
    if (!dc_)
        dc_ = std::make_unique<gdi::DeviceContext>(*surface);
    else if (&dc_->surface() != surface)
        dc_->SelectBitmap(*surface);
    return dc_.get();
}

void TBitmap::setSurface(std::shared_ptr<gdi::DibSurface> surface, bool dibSection)
{
    HBITMAP previous = handle_;
    if (surface) {
        auto object = std::make_shared<BitmapObject>();
        object->surface = std::move(surface);
        object->dibSection = dibSection;
        if (previous) {
            object->xPelsPerMeter = previous->xPelsPerMeter;
            object->yPelsPerMeter = previous->yPelsPerMeter;
        }
        handle_ = std::move(object);
    } else {
        handle_.reset();
    }
    handleType_ = dibSection ? bmDIB : bmDDB;
    // Move the device context off the old pixels before they may go.
    if (dc_)
        deviceContext();
}

TCanvas* TBitmap::Canvas()
{
    if (!canvas_)
        canvas_ = std::make_unique<BitmapCanvas>(*this);
    return canvas_.get();
}

TPixelFormat TBitmap::PixelFormat() const
{
    if (handleType_ == bmDDB)
        return Monochrome() ? pf1bit : pfDevice;
    const gdi::DibSurface* s = Surface();
    return s ? formatFor(s->bitsPerPixel()) : emptyFormat_;
}

void TBitmap::SetPixelFormat(TPixelFormat value)
{
    if (value == PixelFormat())
        return;
    emptyFormat_ = value == pfDevice ? pf32bit : value;
    const bool dib = value != pfDevice;
    if (Empty()) {
        handleType_ = dib ? bmDIB : bmDDB;
        return;
    }
    convertTo(bitsFor(value), dib, false);
    Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType value)
{
    if (value == handleType_)
        return;
    if (Empty()) {
        handleType_ = value;
        return;
    }
    if (value == bmDDB) {
        // A device-dependent bitmap is in the screen's format, or monochrome.
        convertTo(Monochrome() ? 1 : 32, false, Monochrome());
    } else {
        handle_->dibSection = true;
        handleType_ = bmDIB;
    }
    Changed(this);
}

bool TBitmap::Monochrome() const
{
    const gdi::DibSurface* s = Surface();
    return s ? s->bitsPerPixel() == 1 : emptyFormat_ == pf1bit;
}

void TBitmap::SetMonochrome(bool value)
{
    if (value == Monochrome())
        return;
    if (Empty()) {
        emptyFormat_ = value ? pf1bit : pf32bit;
        handleType_ = bmDDB;
        return;
    }
    convertTo(value ? 1 : 32, false, value);
    Changed(this);
}

void TBitmap::convertTo(int bitsPerPixel, bool dibSection, bool monochrome)
{
    gdi::DibSurface& old = *Surface();
    std::vector<gdi::RgbQuad> table = defaultColorTable(bitsPerPixel);
    if (monochrome)
        table = defaultColorTable(1);
    auto converted = std::make_shared<gdi::DibSurface>(old.width(), old.height(), bitsPerPixel, table);
    {
        // The raster layer's blit matches every colour to the new colour table.
        gdi::DeviceContext target(*converted);
        gdi::DeviceContext& source = *deviceContext();
        target.BitBlt(0, 0, old.width(), old.height(), &source, 0, 0, gdi::SRCCOPY);
    }
    setSurface(std::move(converted), dibSection);
}

void TBitmap::SetWidth(int value)
{
    SetSize(value, GetHeight());
}

void TBitmap::SetHeight(int value)
{
    SetSize(GetWidth(), value);
}

void TBitmap::SetSize(int width, int height)
{
    if (width == GetWidth() && height == GetHeight())
        return;
    if (width <= 0 || height <= 0) {
        // Zero in either direction leaves no pixels, but the other size is not remembered.
        setSurface(nullptr, handleType_ == bmDIB);
        Changed(this);
        return;
    }
    const gdi::DibSurface* old = Surface();
    const int bits = old ? old->bitsPerPixel() : (handleType_ == bmDDB ? (emptyFormat_ == pf1bit ? 1 : 32) : bitsFor(emptyFormat_));
    std::vector<gdi::RgbQuad> table = old ? old->colorTable() : defaultColorTable(bits);
    PictureSizePolicy::check(width, height, bits);
    auto resized = std::make_shared<gdi::DibSurface>(width, height, bits, table);
    {
        gdi::DeviceContext target(*resized);
        // New area takes the canvas brush colour; the old pixels keep their place at the top left.
        const TColor fill = canvas_ ? canvas_->Brush()->Color() : clWhite;
        const bool clearBrush = canvas_ && canvas_->Brush()->Style() == bsClear;
        if (!clearBrush)
            target.FillRect(gdi::Rect{0, 0, width, height}, gdi::Brush::solid(ColorToRGB(fill)));
        if (old)
            target.BitBlt(0, 0, std::min(width, old->width()), std::min(height, old->height()), deviceContext(), 0, 0,
                          gdi::SRCCOPY);
    }
    setSurface(std::move(resized), handleType_ == bmDIB);
    Changed(this);
}

void TBitmap::Assign(TPersistent* source)
{
    if (source == this)
        return;
    if (!source) {
        setSurface(nullptr, handleType_ == bmDIB);
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        if (bitmap->Surface()) {
            std::shared_ptr<gdi::DibSurface> copy = copyOf(*bitmap->Surface());
            setSurface(std::move(copy), bitmap->handleType_ == bmDIB);
            handle_->xPelsPerMeter = bitmap->handle_->xPelsPerMeter;
            handle_->yPelsPerMeter = bitmap->handle_->yPelsPerMeter;
        } else {
            setSurface(nullptr, bitmap->handleType_ == bmDIB);
        }
        handleType_ = bitmap->handleType_;
        emptyFormat_ = bitmap->emptyFormat_;
        transparentColor_ = bitmap->transparentColor_;
        transparentMode_ = bitmap->transparentMode_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TBitmap::Draw(TCanvas& canvas, const TRect& rect)
{
    const gdi::DibSurface* surface = Surface();
    if (!surface)
        return;
    gdi::DeviceContext& dest = *canvas.Handle();
    gdi::DeviceContext& source = *deviceContext();
    const int destBits = dest.surface().bitsPerPixel();
    const bool halftone = destBits <= 8 && destBits < surface->bitsPerPixel();
    dest.SetStretchBltMode(halftone ? gdi::HALFTONE : gdi::COLORONCOLOR);
    if (halftone)
        dest.SetBrushOrg(0, 0);
    const int w = RectWidth(rect);
    const int h = RectHeight(rect);
    if (!Transparent()) {
        dest.StretchBlt(rect.left, rect.top, w, h, &source, 0, 0, surface->width(), surface->height(), canvas.CopyMode());
        return;
    }
    // Transparent drawing leaves out the transparent colour, sampling the nearest source pixel.
    if (w == 0 || h == 0)
        return;
    const gdi::ColorRef hole = ColorToRGB(TransparentColor()) & 0xFFFFFFu;
    TRect clip;
    dest.GetClipBox(&clip);
    const int x0 = std::max(std::min(rect.left, rect.right), clip.left);
    const int x1 = std::min(std::max(rect.left, rect.right), clip.right);
    const int y0 = std::max(std::min(rect.top, rect.bottom), clip.top);
    const int y1 = std::min(std::max(rect.top, rect.bottom), clip.bottom);
    for (int y = y0; y < y1; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y - rect.top) * surface->height() / h);
        for (int x = x0; x < x1; ++x) {
            const int sx = static_cast<int>(static_cast<int64_t>(x - rect.left) * surface->width() / w);
            const gdi::ColorRef c = source.GetPixel(sx, sy);
            if (c != hole && c != gdi::CLR_INVALID)
                dest.SetPixelV(x, y, c);
        }
    }
}

TColor TBitmap::TransparentColor() const
{
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault)
        return transparentColor_;
    if (Monochrome() || Empty())
        return clWhite;
    const gdi::DibSurface& s = *Surface();
    const uint32_t raw = s.rawPixel(0, s.height() - 1);
    if (s.isPalettised()) {
        if (raw >= s.colorTable().size())
            return clBlack;
        const gdi::RgbQuad& q = s.colorTable()[raw];
        return static_cast<TColor>(gdi::RGB(q.red, q.green, q.blue));
    }
    return static_cast<TColor>(gdi::RGB(static_cast<uint8_t>(raw >> 16), static_cast<uint8_t>(raw >> 8),
                                        static_cast<uint8_t>(raw)));
}

void TBitmap::SetTransparentColor(TColor value)
{
    transparentColor_ = value;
    transparentMode_ = value == clDefault ? tmAuto : tmFixed;
    Changed(this);
}

void TBitmap::SetHandle(const HBITMAP& value)
{
    if (value && value->surface) {
        handle_ = value;
        handleType_ = value->dibSection ? bmDIB : bmDDB;
        if (dc_)
            deviceContext();
    } else {
        setSurface(nullptr, handleType_ == bmDIB);
    }
    Changed(this);
}

HPALETTE TBitmap::Palette() const
{
    const gdi::DibSurface* s = Surface();
    if (!s || !s->isPalettised())
        return nullptr;
    auto palette = std::make_shared<PaletteObject>();
    palette->entries = s->colorTable();
    return palette;
}

uint8_t* TBitmap::ScanLine(int y)
{
    gdi::DibSurface* s = Surface();
    if (!s || y < 0 || y >= s->height())
        throw EInvalidGraphic(QStringLiteral("Scan line index out of range"));
    return s->scanLine(y);
}

void TBitmap::LoadFromStream(TStream& stream)
{
    DecodedBmp decoded = BmpCodec::readFile(stream);
    setSurface(std::shared_ptr<gdi::DibSurface>(std::move(decoded.surface)), true);
    handle_->xPelsPerMeter = decoded.xPelsPerMeter;
    handle_->yPelsPerMeter = decoded.yPelsPerMeter;
    Changed(this);
}

void TBitmap::SaveToStream(TStream& stream)
{
    const gdi::DibSurface* s = Surface();
    if (!s)
        return;
    BmpCodec::writeFile(stream, *s, handle_->xPelsPerMeter, handle_->yPelsPerMeter);
}

void TBitmap::LoadFromClipboardFormat(unsigned short format, const HBITMAP& data, const HPALETTE& palette)
{
    if (format != CF_BITMAP || !data || !data->surface)
        throw EInvalidGraphic(FrameworkMessages::unknownClipboardFormat());
    std::shared_ptr<gdi::DibSurface> copy = copyOf(*data->surface);
    if (palette && copy->isPalettised() && !data->dibSection)
        copy->setColorTable(palette->entries);
    setSurface(std::move(copy), data->dibSection);
    Changed(this);
}

void TBitmap::SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette)
{
    format = CF_BITMAP;
    const gdi::DibSurface* s = Surface();
    if (!s) {
        data.reset();
        palette.reset();
        return;
    }
    auto object = std::make_shared<BitmapObject>();
    object->surface = copyOf(*s);
    object->dibSection = handle_->dibSection;
    object->xPelsPerMeter = handle_->xPelsPerMeter;
    object->yPelsPerMeter = handle_->yPelsPerMeter;
    data = std::move(object);
    palette = Palette();
}
