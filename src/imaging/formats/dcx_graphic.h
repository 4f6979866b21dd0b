#pragma once
// DCX files: a table of page offsets followed by PCX pages. A load gives the first page; with
// MultiImage on, every page becomes a frame.

#include "imaging/formats/pcx_graphic.h"

#include <vector>

class TDcxGraphic : public TPcxGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TDcxGraphic"); }
    std::unique_ptr<TDibGraphic> NewInstance() const override;

    int32_t GetImageCount(TStream& stream) override;
    void ReadImage(TStream& stream, int32_t imageIndex) override;
    // One page, or one page per frame when the picture holds frames.
    void SaveToStream(TStream& stream) override;

private:
    // Page offsets from the table at the stream's position, each checked to lie in the file.
    static std::vector<uint32_t> readPageTable(TStream& stream);
};
