#include "imaging/formats/picture_formats.h"

#include "imaging/formats/dcx_graphic.h"
#include "imaging/formats/icon_graphic.h"
#include "imaging/formats/jpeg_graphic.h"
#include "imaging/formats/pcx_graphic.h"
#include "imaging/formats/png_graphic.h"
#include "imaging/formats/tga_graphic.h"
#include "imaging/formats/tiff_graphic.h"
#include "imaging/formats/webp_graphic.h"
#include "platform/framework/jpeg_image.h"
#include "platform/framework/picture.h"
#include "platform/metafile/metafile.h"

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
        const QString pcx = QStringLiteral("ZSoft PC Paintbrush");
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("pcx"), pcx, DibGraphicClassOf<TPcxGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("pcc"), pcx, DibGraphicClassOf<TPcxGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("dcx"), QStringLiteral("DCX file"),
                                           DibGraphicClassOf<TDcxGraphic>());
        const QString targa = QStringLiteral("Truevision Targa");
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("tga"), targa, DibGraphicClassOf<TTgaGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("vst"), QStringLiteral("Truevision Vista"),
                                           DibGraphicClassOf<TTgaGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("afi"), targa, DibGraphicClassOf<TTgaGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("png"), QStringLiteral("Portable Network Graphic"),
                                           DibGraphicClassOf<TPngGraphic>());
        TDibGraphic::RegisterGraphicFormat(QStringLiteral("webp"), QStringLiteral("WebP Image"),
                                           DibGraphicClassOf<TWebpGraphic>());
        // Pictures assigned to a framework icon are written as an icon file by the icon class.
        TDibGraphic::SetIconWriter(&TIconGraphic::WriteIcon);
        TPicture::RegisterFileFormat(QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"), CreateGraphicOf<TMetafile>);
        TPicture::RegisterFileFormat(QStringLiteral("wmf"), QStringLiteral("Metafiles"), CreateGraphicOf<TMetafile>);
        return true;
    }();
    (void)registered;
}
