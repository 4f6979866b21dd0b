#pragma once
// Resizing a picture: unfiltered stretching, or resampling in two passes with one of six
// filters.

#include "imaging/transforms/image_transform.h"

class TResizeTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TResizeTransform"); }
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    int32_t NewWidth = 300;
    int32_t NewHeight = 200;
    bool Filtered = false;
    // When on, Dest gets TargetFormat instead of Source's format.
    bool ForceFormat = false;
    TImageFormat TargetFormat = ifTrueColor;
    // Index of the filter table: triangle, Hermite, Bell, cubic B-spline, Lanczos3, Mitchell.
    uint8_t FilterKind = 0;

private:
    void Stretch(const TDibGraphic& Source, TDibGraphic& Dest);
    void Resample(const TDibGraphic& Source, TDibGraphic& Dest);
};
