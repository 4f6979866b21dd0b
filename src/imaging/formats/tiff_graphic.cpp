#include "imaging/formats/tiff_graphic.h"

#include "imaging/formats/tiff_reader.h"
#include "imaging/formats/tiff_writer.h"
#include "platform/framework/stream.h"

int32_t TTiffGraphic::GetImageCount(TStream& stream)
{
    const int64_t start = stream.Position();
    const int32_t count = TiffReader::countImages(stream);
    stream.SetPosition(start);
    return count;
}

void TTiffGraphic::ReadImage(TStream& stream, int32_t imageIndex)
{
    TiffReader::readImage(*this, stream, imageIndex);
}

void TTiffGraphic::SaveToStream(TStream& stream)
{
    TiffWriter::writeImage(*this, stream);
}

void TTiffGraphic::Register()
{
    const TDibGraphicClass* cls = DibGraphicClassOf<TTiffGraphic>();
    RegisterGraphicFormat(QStringLiteral("tif"), QStringLiteral("TIFF file"), cls);
    RegisterGraphicFormat(QStringLiteral("tiff"), QStringLiteral("TIFF file"), cls);
}
