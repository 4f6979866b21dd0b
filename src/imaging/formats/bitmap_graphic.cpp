#include "imaging/formats/bitmap_graphic.h"

#include "platform/framework/bmp_codec.h"
#include "platform/framework/stream.h"
#include "platform/gdi/packed_rows.h"

#include <cstring>

namespace {

TImageFormat formatForDepth(int bits)
{
    switch (bits) {
    case 1:
        return ifBlackWhite;
    case 4:
        return ifColor16;
    case 8:
        return ifColor256;
    default:
        return ifTrueColor;
    }
}

} // namespace

void TBitmapGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    const DecodedBmp decoded = BmpCodec::decodeFile(stream.ReadRemaining());
    const gdi::DibSurface& source = *decoded.surface;
    const TImageFormat format = formatForDepth(source.bitsPerPixel());
    TLogPalette palette;
    palette.palVersion = 0x300;
    palette.palNumEntries = static_cast<uint16_t>(source.colorTable().size());
    for (size_t i = 0; i < source.colorTable().size() && i < 256; ++i) {
        const gdi::RgbQuad& c = source.colorTable()[i];
        palette.palPalEntry[i] = TPaletteEntry{c.red, c.green, c.blue, 0};
    }
    NewImage(source.width(), source.height(), format, format == ifTrueColor ? nullptr : &palette,
             decoded.xPelsPerMeter > 0 ? PelsPerMeterToDpi(decoded.xPelsPerMeter) : 0,
             decoded.yPelsPerMeter > 0 ? PelsPerMeterToDpi(decoded.yPelsPerMeter) : 0);
    if (source.bitsPerPixel() == 32) {
        const gdi::PackedRowFormat& from = gdi::packedRowFormat(32);
        const gdi::PackedRowFormat& to = gdi::packedRowFormat(24);
        for (int y = 0; y < source.height(); ++y)
            gdi::convertPackedRow(from, source.scanLine(y), 0, to, ScanLine(y), 0, source.width());
    } else {
        std::memcpy(Bits(), source.bits(), source.imageBytes());
    }
}

void TBitmapGraphic::SaveToStream(TStream& stream)
{
    if (GetEmpty())
        return;
    stream.WriteBuffer(
        BmpCodec::encodeFile(*DibSection(), BitmapInfo().bmiHeader.biXPelsPerMeter, BitmapInfo().bmiHeader.biYPelsPerMeter));
}
