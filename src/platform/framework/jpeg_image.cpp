#include "platform/framework/jpeg_image.h"

#include "platform/framework/exceptions.h"
#include "platform/framework/jpeg_codec.h"
#include "platform/framework/stream.h"
#include "platform/gdi/dib_surface.h"

#include <algorithm>

namespace {

// Pels per metre from dots per inch, as the bitmap keeps its resolution.
int32_t pelsPerMeter(uint16_t dpi)
{
    return static_cast<int32_t>((dpi * 10000 + 127) / 254);
}

uint16_t dpiOf(int32_t pelsPerMeter)
{
    return pelsPerMeter > 0 ? static_cast<uint16_t>(std::min<int64_t>(65535, (int64_t{pelsPerMeter} * 254 + 5000) / 10000))
                            : 0;
}

} // namespace

void TJPEGImage::Assign(TPersistent* source)
{
    if (source == this)
        return;
    if (!source) {
        bitmap_.Assign(nullptr);
        data_.clear();
        Changed(this);
        return;
    }
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
        bitmap_.Assign(&jpeg->bitmap_);
        data_ = jpeg->data_;
        quality_ = jpeg->quality_;
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        bitmap_.Assign(bitmap);
        data_.clear();
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest)
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->Assign(&bitmap_);
        if (!bitmap->Empty() && bitmap->PixelFormat() != pf24bit)
            bitmap->SetPixelFormat(pf24bit);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect)
{
    bitmap_.Draw(canvas, rect);
}

void TJPEGImage::LoadFromStream(TStream& stream)
{
    std::vector<uint8_t> data = stream.ReadRemaining();
    DecodedJpeg decoded = JpegCodec::decode(data);
    auto handle = std::make_shared<BitmapObject>();
    handle->surface = std::move(decoded.surface);
    handle->xPelsPerMeter = decoded.xDpi ? pelsPerMeter(decoded.xDpi) : 0;
    handle->yPelsPerMeter = decoded.yDpi ? pelsPerMeter(decoded.yDpi) : 0;
    bitmap_.SetHandle(handle);
    data_ = std::move(data);
    Changed(this);
}

void TJPEGImage::SaveToStream(TStream& stream)
{
    if (!data_.empty()) {
        stream.WriteBuffer(data_);
        return;
    }
    const gdi::DibSurface* surface = bitmap_.Surface();
    if (!surface)
        return;
    const HBITMAP& handle = bitmap_.Handle();
    stream.WriteBuffer(
        JpegCodec::encode(*surface, quality_, dpiOf(handle->xPelsPerMeter), dpiOf(handle->yPelsPerMeter)));
}

void TJPEGImage::SetCompressionQuality(int value)
{
    if (value == quality_)
        return;
    quality_ = value;
    data_.clear();
}

void TJPEGImage::LoadFromClipboardFormat(unsigned short /*format*/, const HBITMAP& /*data*/,
                                         const HPALETTE& /*palette*/)
{
    throw EInvalidGraphic(FrameworkMessages::unknownClipboardFormat());
}

void TJPEGImage::SaveToClipboardFormat(unsigned short& format, HBITMAP& data, HPALETTE& palette)
{
    bitmap_.SaveToClipboardFormat(format, data, palette);
}
