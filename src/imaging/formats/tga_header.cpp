#include "imaging/formats/tga_header.h"

#include "platform/framework/exceptions.h"

#include <QString>

namespace {

uint16_t word(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void putWord(uint8_t* p, uint32_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

bool isColourDepth(int bits)
{
    return bits == 15 || bits == 16 || bits == 24 || bits == 32;
}

void checkDepths(const TgaHeader& h)
{
    switch (h.kind) {
    case TgaKind::ColorMapped:
        if (!h.hasColorMap || h.mapLength == 0)
            RaiseDamagedFile(QStringLiteral("у рисунка с таблицей цветов нет таблицы"));
        if (h.pixelBits != 8)
            RaiseDamagedFile(QStringLiteral("неподдерживаемая глубина индексов TGA %1").arg(h.pixelBits));
        if (!isColourDepth(h.mapEntryBits))
            RaiseDamagedFile(QStringLiteral("неподдерживаемый размер элемента таблицы цветов TGA %1").arg(h.mapEntryBits));
        break;
    case TgaKind::TrueColor:
        if (!isColourDepth(h.pixelBits))
            RaiseDamagedFile(QStringLiteral("неподдерживаемая глубина цвета TGA %1").arg(h.pixelBits));
        break;
    case TgaKind::Grey:
        if (h.pixelBits != 8 && h.pixelBits != 16)
            RaiseDamagedFile(QStringLiteral("неподдерживаемая глубина серого TGA %1").arg(h.pixelBits));
        break;
    }
}

} // namespace

uint8_t TgaHeader::imageType() const
{
    const uint8_t base = kind == TgaKind::ColorMapped ? 1 : kind == TgaKind::TrueColor ? 2 : 3;
    return compressed ? static_cast<uint8_t>(base + 8) : base;
}

TgaHeader ParseTgaHeader(const uint8_t* b)
{
    TgaHeader h;
    h.idLength = b[0];
    if (b[1] > 1)
        RaiseDamagedFile(QStringLiteral("неизвестный тип таблицы цветов TGA %1").arg(b[1]));
    h.hasColorMap = b[1] == 1;
    const uint8_t type = b[2];
    switch (type & 7) {
    case 1: h.kind = TgaKind::ColorMapped; break;
    case 2: h.kind = TgaKind::TrueColor; break;
    case 3: h.kind = TgaKind::Grey; break;
    default: RaiseDamagedFile(QStringLiteral("неподдерживаемый тип рисунка TGA %1").arg(type));
    }
    if ((type & ~uint8_t{8}) > 3)
        RaiseDamagedFile(QStringLiteral("неподдерживаемый тип рисунка TGA %1").arg(type));
    h.compressed = (type & 8) != 0;
    h.mapFirst = word(b + 3);
    h.mapLength = word(b + 5);
    h.mapEntryBits = b[7];
    h.width = word(b + 12);
    h.height = word(b + 14);
    if (h.width == 0 || h.height == 0)
        RaiseDamagedFile(QStringLiteral("неверный размер рисунка %1 x %2").arg(h.width).arg(h.height));
    h.pixelBits = b[16];
    h.alphaBits = b[17] & 0x0F;
    h.rightToLeft = (b[17] & 0x10) != 0;
    h.topToBottom = (b[17] & 0x20) != 0;
    checkDepths(h);
    return h;
}

std::array<uint8_t, TgaHeader::kSize> SerializeTgaHeader(const TgaHeader& h)
{
    std::array<uint8_t, TgaHeader::kSize> b{};
    b[0] = h.idLength;
    b[1] = h.hasColorMap ? 1 : 0;
    b[2] = h.imageType();
    putWord(b.data() + 3, h.mapFirst);
    putWord(b.data() + 5, h.mapLength);
    b[7] = h.mapEntryBits;
    putWord(b.data() + 12, static_cast<uint32_t>(h.width));
    putWord(b.data() + 14, static_cast<uint32_t>(h.height));
    b[16] = h.pixelBits;
    b[17] = static_cast<uint8_t>(h.alphaBits | (h.rightToLeft ? 0x10 : 0) | (h.topToBottom ? 0x20 : 0));
    return b;
}
