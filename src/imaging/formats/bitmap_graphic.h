#pragma once
// BMP files as a picture, through the framework's BMP codec. Registered for no extension: the
// program uses it as a plain picture object.
#include "imaging/dib_graphic.h"

class TBitmapGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TBitmapGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TBitmapGraphic>(); }
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TBitmapGraphic>(); }

    // 1-bit files become ifBlackWhite, 4-bit ifColor16, 8-bit ifColor256 (each with the file's
    // colour table), deeper ones ifTrueColor.
    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;
};
