#pragma once
// PNG files as a picture: every colour type and depth read, palette and grey files kept
// palettised where exact, and each picture format written in its natural PNG form.
#include "imaging/dib_graphic.h"
#include "platform/framework/png_codec.h"

class TPngGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TPngGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TPngGraphic>(); }
    // Carries the colour space the file named, so that the file written looks as the one read.
    std::unique_ptr<TGraphic> CreateLike() const override;
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TPngGraphic>(); }

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

    const PngColourSpace& ColourSpace() const { return colourSpace_; }

private:
    PngColourSpace colourSpace_;
};
