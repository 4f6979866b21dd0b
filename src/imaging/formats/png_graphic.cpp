#include "imaging/formats/png_graphic.h"

#include "platform/framework/png_codec.h"
#include "imaging/formats/remaining_bytes.h"
#include "platform/framework/stream.h"

namespace {

TImageFormat imageFormatOf(PngTarget target)
{
    switch (target) {
    case PngTarget::BlackWhite:
        return ifBlackWhite;
    case PngTarget::Gray16:
        return ifGray16;
    case PngTarget::Gray256:
        return ifGray256;
    case PngTarget::Color16:
        return ifColor16;
    case PngTarget::Color256:
        return ifColor256;
    case PngTarget::TrueColor:
        break;
    }
    return ifTrueColor;
}

} // namespace

std::unique_ptr<TGraphic> TPngGraphic::CreateLike() const
{
    auto like = std::make_unique<TPngGraphic>();
    like->colourSpace_ = colourSpace_;
    return like;
}

void TPngGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    const gdi::LargeBuffer file = ReadRemainingBytes(stream);
    PngCodec::decodeInto(file.bytes(), [this](const PngLayout& layout) -> gdi::DibSurface& {
        colourSpace_ = layout.colourSpace;
        const TImageFormat format = imageFormatOf(layout.target);
        // Grey and black-and-white files use the format's own palette.
        const bool ownPalette = format == ifColor16 || format == ifColor256;
        TLogPalette palette;
        if (ownPalette) {
            palette.palVersion = 0x300;
            palette.palNumEntries = static_cast<uint16_t>(layout.colorTable.size());
            for (size_t i = 0; i < layout.colorTable.size(); ++i) {
                const gdi::RgbQuad& c = layout.colorTable[i];
                palette.palPalEntry[i] = TPaletteEntry{c.red, c.green, c.blue, 0};
            }
        }
        NewImage(layout.width, layout.height, format, ownPalette ? &palette : nullptr, layout.xDpi, layout.yDpi);
        return *DibSection();
    });
}

void TPngGraphic::SaveToStream(TStream& stream)
{
    if (GetEmpty())
        return;
    stream.WriteBuffer(PngCodec::encode(*DibSection(), XDpi(), YDpi(), colourSpace_));
}
