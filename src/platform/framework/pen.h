#pragma once
// The canvas pen: colour, width, style and mix mode.

#include "platform/framework/graphics_object.h"
#include "platform/framework/graphics_types.h"

class TPen : public TGraphicsObject {
public:
    QString ClassName() const override { return QStringLiteral("TPen"); }
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    int Width() const { return width_; }
    void SetWidth(int value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    // The mix mode as a ROP2 code (R2_COPYPEN, R2_NOTXORPEN, ...).
    int Mode() const { return mode_; }
    void SetMode(int value);

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
    int mode_ = pmCopy;
};
