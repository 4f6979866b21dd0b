#pragma once
// TGA pictures: colour-mapped, grey and true colour, raw or run-length coded, from any corner.
// Coverage (a 32-bit pixel's or map entry's alpha, grey's second byte) is laid over white when
// the header gives eight alpha bits and no extension area says the alpha is meaningless; the
// attribute bit of 16-bit pixels is ignored, since most writers leave it clear on opaque pixels.
// Written run-length coded from the top-left: 24-bit colour, or 8-bit grey or colour-mapped for
// palettised pictures.

#include "imaging/dib_graphic.h"

class TTgaGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TTgaGraphic"); }
    std::unique_ptr<TDibGraphic> NewInstance() const override;

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;
};
