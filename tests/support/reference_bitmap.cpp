#include "reference_bitmap.h"

#include <fstream>
#include <iterator>

namespace {

uint32_t le16(std::span<const uint8_t> b, size_t at) { return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8); }
uint32_t le32(std::span<const uint8_t> b, size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }

uint32_t storedValue(const uint8_t* row, int x, int bpp)
{
    switch (bpp) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4);
    case 8: return row[x];
    case 24: return (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x];
    default: return (uint32_t{row[4 * x + 2]} << 16) | (uint32_t{row[4 * x + 1]} << 8) | row[4 * x];
    }
}

} // namespace

uint32_t ReferenceBitmap::rgbAt(int x, int y) const
{
    const uint32_t v = at(x, y);
    if (bitsPerPixel > 8)
        return v;
    const gdi::RgbQuad& q = colorTable.at(v);
    return (uint32_t{q.red} << 16) | (uint32_t{q.green} << 8) | q.blue;
}

std::unique_ptr<gdi::DibSurface> ReferenceBitmap::toSurface() const
{
    auto surface = std::make_unique<gdi::DibSurface>(width, height, bitsPerPixel, colorTable);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            surface->setRawPixel(x, y, at(x, y));
    return surface;
}

std::optional<ReferenceBitmap> decodeReferenceBitmap(std::span<const uint8_t> b)
{
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le32(b, 14) != 40)
        return std::nullopt;
    const auto width = static_cast<int32_t>(le32(b, 18));
    const auto height = static_cast<int32_t>(le32(b, 22));
    const int bpp = static_cast<int>(le16(b, 28));
    const uint32_t offBits = le32(b, 10);
    uint32_t colours = le32(b, 46);
    if (colours == 0 && bpp <= 8)
        colours = 1u << bpp;
    if (width <= 0 || height <= 0 || width > 1 << 16 || height > 1 << 16 || colours > 256)
        return std::nullopt;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32)
        return std::nullopt;
    const size_t stride = ((size_t{static_cast<uint32_t>(width)} * bpp + 31) / 32) * 4;
    if (54 + size_t{4} * colours > b.size() || offBits > b.size() || b.size() - offBits < stride * height)
        return std::nullopt;

    ReferenceBitmap bmp;
    bmp.width = width;
    bmp.height = height;
    bmp.bitsPerPixel = bpp;
    for (uint32_t i = 0; i < colours; ++i) {
        const size_t at = 54 + size_t{4} * i;
        bmp.colorTable.push_back({b[at], b[at + 1], b[at + 2], 0});
    }
    bmp.pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = b.data() + offBits + stride * static_cast<size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x)
            bmp.pixels.push_back(storedValue(row, x, bpp));
    }
    return bmp;
}

std::optional<ReferenceBitmap> readReferenceBitmap(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decodeReferenceBitmap(bytes);
}
