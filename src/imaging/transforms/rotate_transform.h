#pragma once
// Turning a picture by any angle. The result is a true-colour picture just large enough to
// hold the whole turned picture; the corners it uncovers take the background colour. Pixels
// are sampled bilinearly, the background counting as the colour outside the picture, so the
// turned edges blend into it.

#include "imaging/transforms/image_transform.h"

class TRotateTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TRotateTransform"); }
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    // Degrees, clockwise on the screen.
    double Angle = 0.0;
    // 0x00RRGGBB.
    uint32_t Background = 0x00FFFFFF;

    // The size of the turned picture of width x height.
    static void TurnedSize(int width, int height, double angle, int& turnedWidth, int& turnedHeight);
};
