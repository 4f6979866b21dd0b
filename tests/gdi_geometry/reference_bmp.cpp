#include "reference_bmp.h"

#include <fstream>
#include <iterator>

namespace {
uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t{b[at]} | (uint32_t{b[at + 1]} << 8) | (uint32_t{b[at + 2]} << 16) |
           (uint32_t{b[at + 3]} << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
} // namespace

ReferenceBitmap readReferenceBitmap(const std::string& path)
{
    ReferenceBitmap bmp;
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || le32(b, 14) != 40)
        return bmp;
    const uint32_t offBits = le32(b, 10);
    const int w = static_cast<int>(le32(b, 18));
    const int h = static_cast<int>(le32(b, 22));
    const int bpp = le16(b, 28);
    const uint32_t clrUsed = le32(b, 46);
    if (w <= 0 || h <= 0 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        return bmp;
    const size_t stride = ((static_cast<size_t>(w) * bpp + 31) / 32) * 4;
    if (offBits + stride * h > b.size() || 54 + 4 * size_t{clrUsed} > b.size())
        return bmp;
    for (uint32_t i = 0; i < clrUsed; ++i) {
        const size_t at = 54 + 4 * size_t{i};
        bmp.colorTable.push_back({b[at], b[at + 1], b[at + 2], 0});
    }
    bmp.width = w;
    bmp.height = h;
    bmp.bitsPerPixel = bpp;
    bmp.pixels.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        const uint8_t* row = b.data() + offBits + stride * static_cast<size_t>(h - 1 - y);
        for (int x = 0; x < w; ++x) {
            uint32_t v = 0;
            switch (bpp) {
            case 1: v = (row[x >> 3] >> (7 - (x & 7))) & 1u; break;
            case 4: v = (x & 1) ? (row[x >> 1] & 0x0Fu) : (row[x >> 1] >> 4); break;
            case 8: v = row[x]; break;
            case 24: v = (uint32_t{row[3 * x + 2]} << 16) | (uint32_t{row[3 * x + 1]} << 8) | row[3 * x]; break;
            default: v = (uint32_t{row[4 * x + 2]} << 16) | (uint32_t{row[4 * x + 1]} << 8) | row[4 * x]; break;
            }
            bmp.pixels[static_cast<size_t>(y) * w + x] = v;
        }
    }
    return bmp;
}
