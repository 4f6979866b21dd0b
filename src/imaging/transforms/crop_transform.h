#pragma once
// Cutting pixels off the four sides of a picture.

#include "imaging/transforms/image_transform.h"

class TCropTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TCropTransform"); }
    // All cuts 0: a copy. Otherwise the cuts must leave at least one pixel each way, else
    // "Invalid crop parameters".
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    int32_t CutTop = 0;
    int32_t CutLeft = 0;
    int32_t CutBottom = 0;
    int32_t CutRight = 0;
};
