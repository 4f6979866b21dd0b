#pragma once
// TIFF files as pictures: reads any image of a file through libtiff, writes one image.

#include "imaging/dib_graphic.h"

class TTiffGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TTiffGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TTiffGraphic>(); }
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TTiffGraphic>(); }

    int32_t GetImageCount(TStream& stream) override;
    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

    // "tif" and "tiff".
    static void Register();
};
