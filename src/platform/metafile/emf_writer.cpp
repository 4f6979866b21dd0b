#include "platform/metafile/emf_writer.h"

#include "platform/framework/exceptions.h"
#include "platform/gdi/device_context.h"

#include <uemf.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace metafile {

namespace {

// A reference device of exactly 96 dots per inch: 1920 pixels to 508 mm, 960 to 254 mm.
constexpr int kDevicePixelsX = 1920, kDevicePixelsY = 960;
constexpr int kDeviceMmX = 508, kDeviceMmY = 254;

struct FreeRecord {
    void operator()(void* p) const { std::free(p); }
};
using Record = std::unique_ptr<char, FreeRecord>;

void append(std::vector<uint8_t>& out, const Record& record)
{
    if (!record)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    uint32_t size;
    std::memcpy(&size, record.get() + 4, 4);
    out.insert(out.end(), record.get(), record.get() + size);
}

int32_t hundredthsMm(int pixels)
{
    return static_cast<int32_t>(std::lround(pixels * 2540.0 / 96.0));
}

} // namespace

std::vector<uint8_t> writeBitmapEmf(int width, int height, int x, int y, const gdi::DibSurface& picture)
{
    const U_RECTL bounds{0, 0, std::max(width, 1) - 1, std::max(height, 1) - 1};
    const U_RECTL frame{0, 0, hundredthsMm(width), hundredthsMm(height)};
    std::vector<uint8_t> out;
    append(out, Record(U_EMRHEADER_set(bounds, frame, nullptr, 0, nullptr, U_SIZEL{kDevicePixelsX, kDevicePixelsY},
                                       U_SIZEL{kDeviceMmX, kDeviceMmY}, 0)));

    // The picture as 24-bit bottom-up rows, read through the raster layer.
    // Only read: a device context is the one way into the rows in any depth.
    gdi::DibSurface& source = const_cast<gdi::DibSurface&>(picture);
    gdi::DeviceContext reader(source);
    gdi::BitmapInfo info;
    info.bmiHeader.biWidth = picture.width();
    info.bmiHeader.biHeight = picture.height();
    info.bmiHeader.biBitCount = 24;
    const size_t rowBytes = static_cast<size_t>(gdi::DibSurface::rowBytesFor(picture.width(), 24));
    std::vector<uint8_t> bits(rowBytes * static_cast<size_t>(picture.height()));
    reader.GetDIBits(0, static_cast<unsigned>(picture.height()), bits.data(), info, gdi::DIB_RGB_COLORS);

    const U_BITMAPINFOHEADER header = bitmapinfoheader_set(picture.width(), picture.height(), 1, 24, U_BI_RGB,
                                                           static_cast<uint32_t>(bits.size()), 3780, 3780, 0, 0);
    std::unique_ptr<U_BITMAPINFO, FreeRecord> bmi(reinterpret_cast<U_BITMAPINFO*>(bitmapinfo_set(header, nullptr)));
    const U_RECTL drawn{x, y, x + picture.width() - 1, y + picture.height() - 1};
    append(out, Record(U_EMRSTRETCHDIBITS_set(drawn, U_POINTL{x, y}, U_POINTL{picture.width(), picture.height()},
                                              U_POINTL{0, 0}, U_POINTL{picture.width(), picture.height()},
                                              U_DIB_RGB_COLORS, U_SRCCOPY, bmi.get(),
                                              static_cast<uint32_t>(bits.size()), reinterpret_cast<char*>(bits.data()))));
    EMFTRACK track{};
    append(out, Record(U_EMREOF_set(0, nullptr, &track)));

    // The header counts the file's bytes and records, as a finished recording does.
    const uint32_t total = static_cast<uint32_t>(out.size()), records = 3;
    std::memcpy(out.data() + offsetof(U_EMRHEADER, nBytes), &total, 4);
    std::memcpy(out.data() + offsetof(U_EMRHEADER, nRecords), &records, 4);
    const uint16_t handles = 1;
    std::memcpy(out.data() + offsetof(U_EMRHEADER, nHandles), &handles, 2);
    return out;
}

} // namespace metafile
