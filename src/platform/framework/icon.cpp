#include "platform/framework/icon.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/icon_codec.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"

#include <algorithm>

void TIcon::Assign(TPersistent* source)
{
    if (source == this)
        return;
    if (!source) {
        data_.clear();
        image_ = QImage();
        Changed(this);
        return;
    }
    if (auto* icon = dynamic_cast<TIcon*>(source)) {
        data_ = icon->data_;
        image_ = icon->image_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TIcon::AssignTo(TPersistent* dest)
{
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        bitmap->Assign(nullptr);
        if (!Empty()) {
            bitmap->SetSize(GetWidth(), GetHeight());
            bitmap->Canvas()->Draw(0, 0, this);
        }
        return;
    }
    TGraphic::AssignTo(dest);
}

void TIcon::Draw(TCanvas& canvas, const TRect& rect)
{
    if (image_.isNull())
        return;
    const int w = RectWidth(rect);
    const int h = RectHeight(rect);
    if (w == 0 || h == 0)
        return;
    gdi::DeviceContext& dc = *canvas.Handle();
    TRect clip;
    dc.GetClipBox(&clip);
    const int x0 = std::max(std::min(rect.left, rect.right), clip.left);
    const int x1 = std::min(std::max(rect.left, rect.right), clip.right);
    const int y0 = std::max(std::min(rect.top, rect.bottom), clip.top);
    const int y1 = std::min(std::max(rect.top, rect.bottom), clip.bottom);
    // Icons are small: blend pixel by pixel, nearest source pixel when scaled.
    for (int y = y0; y < y1; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y - rect.top) * image_.height() / h);
        const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(sy));
        for (int x = x0; x < x1; ++x) {
            const int sx = static_cast<int>(static_cast<int64_t>(x - rect.left) * image_.width() / w);
            const QRgb p = line[sx];
            const int alpha = qAlpha(p);
            if (alpha == 0)
                continue;
            int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if (alpha < 255) {
                const gdi::ColorRef under = dc.GetPixel(x, y);
                r = (r * alpha + gdi::GetRValue(under) * (255 - alpha) + 127) / 255;
                g = (g * alpha + gdi::GetGValue(under) * (255 - alpha) + 127) / 255;
                b = (b * alpha + gdi::GetBValue(under) * (255 - alpha) + 127) / 255;
            }
            dc.SetPixelV(x, y, gdi::RGB(static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)));
        }
    }
}

void TIcon::SetHeight(int value)
{
    (void)value;
    if (!Empty())
        throw EInvalidGraphicOperation(FrameworkMessages::changeIconSize());
}

void TIcon::SetWidth(int value)
{
    (void)value;
    if (!Empty())
        throw EInvalidGraphicOperation(FrameworkMessages::changeIconSize());
}

void TIcon::LoadFromStream(TStream& stream)
{
    std::vector<uint8_t> data = stream.ReadRemaining();
    QImage image = IconCodec::decode(data);
    data_ = std::move(data);
    image_ = std::move(image);
    Changed(this);
}

void TIcon::SaveToStream(TStream& stream)
{
    stream.WriteBuffer(data_);
}

void TIcon::LoadFromClipboardFormat(unsigned short /*format*/, const HBITMAP& /*data*/, const HPALETTE& /*palette*/)
{
    throw EInvalidGraphic(QStringLiteral("Clipboard does not support Icons"));
}

void TIcon::SaveToClipboardFormat(unsigned short& /*format*/, HBITMAP& /*data*/, HPALETTE& /*palette*/)
{
    throw EInvalidGraphic(QStringLiteral("Clipboard does not support Icons"));
}
