#include "platform/framework/qimage_conversion.h"

#include "platform/framework/size_policy.h"
#include "platform/gdi/packed_rows.h"

QImage SurfaceToQImage(const gdi::DibSurface& surface)
{
    QImage image(surface.width(), surface.height(), QImage::Format_RGB32);
    const int width = surface.width();
    QRgb table[256] = {};
    if (surface.isPalettised()) {
        const auto& colors = surface.colorTable();
        for (size_t i = 0; i < colors.size() && i < 256; ++i)
            table[i] = qRgb(colors[i].red, colors[i].green, colors[i].blue);
    }
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(surface.bitsPerPixel());
    for (int y = 0; y < surface.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image.scanLine(y));
        format.fetchColors(surface.scanLine(y), 0, width, table, row);
        // Direct colours come without the opaque alpha the image format wants.
        if (!format.isPalettised())
            for (int x = 0; x < width; ++x)
                row[x] |= 0xFF000000u;
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
    // The store drops the alpha byte, which the surface keeps zero.
    const gdi::PackedRowFormat& format = gdi::packedRowFormat(32);
    for (int y = 0; y < rgb.height(); ++y)
        format.store(reinterpret_cast<const uint32_t*>(rgb.constScanLine(y)), 0, rgb.width(), surface->scanLine(y));
    return surface;
}
