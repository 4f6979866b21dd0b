#pragma once
// Colour negative in place: bytes inverted for black and white and the greys, palette entries
// inverted for the colour palettes, channels inverted for true colour.

#include "imaging/transforms/image_transform.h"

class TNegativeTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TNegativeTransform"); }
    void Apply(TDibGraphic& Picture) override;
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;
};
