#pragma once
// Icon files as a picture: read at the icon's own size onto black, written as one icon of the
// system's icon size. Registered for no extension; it writes the icon when a picture is
// assigned to a framework icon.
#include "imaging/dib_graphic.h"

class TIconGraphic : public TDibGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TIconGraphic"); }
    std::unique_ptr<TGraphic> Create() const override { return std::make_unique<TIconGraphic>(); }
    std::unique_ptr<TDibGraphic> NewInstance() const override { return std::make_unique<TIconGraphic>(); }

    void ReadImage(TStream& stream, int32_t imageIndex) override;
    void SaveToStream(TStream& stream) override;

    // One 32 x 32 icon: the picture drawn with its top left at (0, 0) over black, all opaque.
    static void WriteIcon(TDibGraphic& picture, TStream& stream);
};
