#include "imaging/formats/picture_formats.h"

#include "imaging/formats/jpeg_graphic.h"
#include "imaging/formats/tiff_graphic.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"

void RegisterPictureFormats()
{
    static const bool registered = [] {
        // Each format class adds its registration here, in the order of the registry table.
        for (const char* extension : {"jpg", "jpeg"})
            TDibGraphic::RegisterGraphicFormat(QString::fromLatin1(extension), QStringLiteral("JPEG Image File"),
                                               DibGraphicClassOf<TJpegGraphic>());
        // The framework's own JPEG class comes after, so the holder reads JPEG files with it.
        for (const char* extension : {"jpg", "jpeg"})
            TPicture::RegisterFileFormat(QString::fromLatin1(extension), QStringLiteral("JPEG Image File"),
                                         &CreateGraphicOf<TJPEGImage>);
        TTiffGraphic::Register();
        return true;
    }();
    (void)registered;
}
