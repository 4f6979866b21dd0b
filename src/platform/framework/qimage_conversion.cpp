#include "platform/framework/qimage_conversion.h"

#include "platform/framework/size_policy.h"

QImage SurfaceToQImage(const gdi::DibSurface& surface)
{
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    const int width = surface.width();
    const int bits = surface.bitsPerPixel();
    QRgb table[256] = {};
    if (surface.isPalettised()) {
        const auto& colors = surface.colorTable();
        for (size_t i = 0; i < colors.size() && i < 256; ++i)
            table[i] = qRgb(colors[i].red, colors[i].green, colors[i].blue);
    }
    for (int y = 0; y < surface.height(); ++y) {
        const uint8_t* src = surface.scanLine(y);
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        switch (bits) {
        case 32:
            for (int x = 0; x < width; ++x)
                dst[x] = qRgb(src[4 * x + 2], src[4 * x + 1], src[4 * x]);
            break;
        case 24:
            for (int x = 0; x < width; ++x)
                dst[x] = qRgb(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
            break;
        case 8:
            for (int x = 0; x < width; ++x)
                dst[x] = table[src[x]];
            break;
        case 4:
            for (int x = 0; x < width; ++x)
                dst[x] = table[(x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4)];
            break;
        default:
            for (int x = 0; x < width; ++x)
                dst[x] = table[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        }
    }
    return image;
}

std::unique_ptr<gdi::DibSurface> SurfaceFromQImage(const QImage& image)
{
    if (image.isNull())
        return nullptr;
    PictureSizePolicy::check(image.width(), image.height(), 32);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    auto surface = std::make_unique<gdi::DibSurface>(rgb.width(), rgb.height(), 32);
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uint8_t* dst = surface->scanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            dst[4 * x] = static_cast<uint8_t>(qBlue(src[x]));
            dst[4 * x + 1] = static_cast<uint8_t>(qGreen(src[x]));
            dst[4 * x + 2] = static_cast<uint8_t>(qRed(src[x]));
            dst[4 * x + 3] = 0;
        }
    }
    return surface;
}
