#pragma once
// Mirroring a picture and turning it by a right angle. Both only move pixels, so they keep
// every pixel format, palette and stored value exactly: doing a flip twice, or a quarter turn
// four times, gives back the same bytes.

#include "imaging/transforms/image_transform.h"

enum TOrientation : uint8_t {
    orFlipHorizontal, // left and right exchanged
    orFlipVertical,   // top and bottom exchanged
    orRotateClockwise,
    orRotateCounterClockwise,
    orRotate180,
};

class TOrientationTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TOrientationTransform"); }
    // Flips and the half turn work in the picture's own memory; quarter turns make a new image.
    void Apply(TDibGraphic& Picture) override;
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    TOrientation Orientation = orFlipHorizontal;

private:
    void flipInPlace(TDibGraphic& picture, bool horizontal, bool vertical);
    void quarterTurn(const TDibGraphic& source, TDibGraphic& dest, bool clockwise);
};
