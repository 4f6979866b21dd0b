#pragma once
// Black and white shown in 16 greys: each pixel's grey counts the white pixels of the 2 × 2
// square it starts, within groups of four columns.

#include "imaging/transforms/image_transform.h"

class TAntiAliasTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TAntiAliasTransform"); }
    // Only black-and-white pictures change; any other picture is left as it is.
    void Apply(TDibGraphic& Picture) override;
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;
};
