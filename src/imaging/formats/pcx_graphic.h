#pragma once
// PCX pictures: 1, 2, 4 and 8 bits and 24-bit colour, planar or packed, run-length coded;
// written back as PCX so a PCX read and saved stays one.

#include "imaging/dib_graphic.h"

class TPcxGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TPcxGraphic"); }
    std::unique_ptr<TDibGraphic> NewInstance() const override;

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

protected:
    // One PCX image from the stream's position; end is where its data stops (the 256-colour
    // palette sits just before it).
    void ReadPcx(TStream& stream, int64_t end);
    // One PCX image of picture at the stream's position.
    static void WritePcx(const TDibGraphic& picture, TStream& stream);
};
