#include "imaging/formats/pcx_header.h"

#include "platform/framework/exceptions.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t kManufacturer = 0x0A;

uint16_t word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void putWord(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

bool layoutOf(int bits, int planes, PcxLayout& layout)
{
    if (planes == 1) {
        switch (bits) {
        case 1: layout = PcxLayout::Mono; return true;
        case 2: layout = PcxLayout::Packed2; return true;
        case 4: layout = PcxLayout::Packed4; return true;
        case 8: layout = PcxLayout::Indexed8; return true;
        default: return false;
        }
    }
    if (bits == 1 && planes >= 2 && planes <= 4) {
        layout = PcxLayout::BitPlanes;
        return true;
    }
    if (bits == 8 && (planes == 3 || planes == 4)) {
        layout = planes == 3 ? PcxLayout::Rgb : PcxLayout::Rgba;
        return true;
    }
    return false;
}

} // namespace

PcxHeader ParsePcxHeader(const uint8_t* b)
{
    if (b[0] != kManufacturer)
        RaiseDamagedFile(QStringLiteral("это не файл PCX"));
    PcxHeader h;
    h.version = b[1];
    if (h.version > 5 || h.version == 1)
        RaiseDamagedFile(QStringLiteral("неизвестная версия PCX %1").arg(h.version));
    if (b[2] > 1)
        RaiseDamagedFile(QStringLiteral("неизвестный способ кодирования PCX %1").arg(b[2]));
    h.compressed = b[2] == 1;
    h.bitsPerPixel = b[3];
    const int xMin = word(b + 4), yMin = word(b + 6), xMax = word(b + 8), yMax = word(b + 10);
    if (xMax < xMin || yMax < yMin)
        RaiseDamagedFile(QStringLiteral("неверные границы рисунка"));
    h.width = xMax - xMin + 1;
    h.height = yMax - yMin + 1;
    h.xDpi = word(b + 12);
    h.yDpi = word(b + 14);
    std::memcpy(h.palette16.data(), b + 16, h.palette16.size());
    h.planes = b[65];
    if (!layoutOf(h.bitsPerPixel, h.planes, h.layout))
        RaiseDamagedFile(
            QStringLiteral("неподдерживаемое строение PCX: %1 бит x %2 плоскостей").arg(h.bitsPerPixel).arg(h.planes));
    // Some writers put too small a value here; the lines are then as long as the width needs,
    // rounded to even as the format asks.
    const uint32_t needed = (static_cast<uint32_t>(h.width) * h.bitsPerPixel + 7) / 8;
    const uint32_t given = word(b + 66);
    h.bytesPerLine = given >= needed ? given : needed + needed % 2;
    h.paletteInfo = word(b + 68);
    return h;
}

std::array<uint8_t, PcxHeader::kSize> SerializePcxHeader(const PcxHeader& h)
{
    std::array<uint8_t, PcxHeader::kSize> b{};
    b[0] = kManufacturer;
    b[1] = 5;
    b[2] = 1;
    b[3] = h.bitsPerPixel;
    putWord(b.data() + 8, static_cast<uint32_t>(h.width - 1));
    putWord(b.data() + 10, static_cast<uint32_t>(h.height - 1));
    putWord(b.data() + 12, h.xDpi);
    putWord(b.data() + 14, h.yDpi);
    std::copy(h.palette16.begin(), h.palette16.end(), b.begin() + 16);
    b[65] = h.planes;
    putWord(b.data() + 66, h.bytesPerLine);
    putWord(b.data() + 68, h.paletteInfo);
    return b;
}
