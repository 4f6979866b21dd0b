#include "platform/twain_dsm/scanned_page.h"

#include <cstring>

namespace {

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

TW_HANDLE ScannedPage::PackedDib() const
{
    constexpr size_t headerSize = 40;
    const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    const size_t imageSize = rowBytes * static_cast<size_t>(height);
    TW_HANDLE handle = twain_memory::Alloc(headerSize + imageSize);
    if (!handle)
        return nullptr;
    uint8_t* block = twain_memory::Lock(handle);
    const uint32_t pelsPerMeter = static_cast<uint32_t>(dpi * 10000 / 254);
    put32(block, headerSize);
    put32(block + 4, static_cast<uint32_t>(width));
    put32(block + 8, static_cast<uint32_t>(height));
    put16(block + 12, 1);
    put16(block + 14, 24);
    put32(block + 16, 0);
    put32(block + 20, static_cast<uint32_t>(imageSize));
    put32(block + 24, pelsPerMeter);
    put32(block + 28, pelsPerMeter);
    for (int y = 0; y < height; ++y) {
        const uint8_t* from = rgb.data() + static_cast<size_t>(y) * width * 3;
        uint8_t* to = block + headerSize + static_cast<size_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return handle;
}

TW_IMAGEINFO ScannedPage::Info() const
{
    TW_IMAGEINFO info{};
    info.XResolution.Whole = static_cast<TW_INT16>(dpi);
    info.YResolution.Whole = static_cast<TW_INT16>(dpi);
    info.ImageWidth = width;
    info.ImageLength = height;
    info.SamplesPerPixel = 3;
    info.BitsPerSample[0] = info.BitsPerSample[1] = info.BitsPerSample[2] = 8;
    info.BitsPerPixel = 24;
    info.Planar = 0;
    info.PixelType = TWPT_RGB;
    info.Compression = 0;
    return info;
}
