#pragma once
// JPEG files as a picture: read into a 24-bit picture, written as baseline JPEG.
#include "imaging/dib_graphic.h"

class TJpegGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TJpegGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TJpegGraphic>(); }
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TJpegGraphic>(); }

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

    // 1..100 as the writer uses it; values outside are clamped when writing.
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int value) { quality_ = value; }

private:
    int quality_ = 90;
};
