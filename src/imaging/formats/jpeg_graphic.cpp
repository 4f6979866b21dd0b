#include "imaging/formats/jpeg_graphic.h"

#include "platform/framework/jpeg_codec.h"
#include "imaging/formats/remaining_bytes.h"
#include "platform/framework/stream.h"

void TJpegGraphic::ReadImage(TStream& stream, int32_t /*imageIndex*/)
{
    const gdi::LargeBuffer file = ReadRemainingBytes(stream);
    JpegCodec::decodeInto(file.bytes(), [this](int width, int height, uint16_t xDpi, uint16_t yDpi) -> gdi::DibSurface& {
        NewImage(width, height, ifTrueColor, nullptr, xDpi, yDpi);
        return *DibSection();
    });
}

void TJpegGraphic::SaveToStream(TStream& stream)
{
    if (GetEmpty())
        return;
    stream.WriteBuffer(JpegCodec::encode(*DibSection(), quality_, XDpi(), YDpi()));
}
