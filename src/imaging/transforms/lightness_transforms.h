#pragma once
// Brightness and contrast: the lightness of every pixel changed in the HSL model, in place.
// The picture keeps its format; palettised pictures receive the nearest palette colours.

#include "imaging/transforms/image_transform.h"

class TBrightnessTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TBrightnessTransform"); }
    void Apply(TDibGraphic& Picture) override;
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    // Stores Value limited to -100..100.
    void SetAmount(double Value);

    // Percent of full lightness added, -100..100.
    double Amount = 5.0;

    // The new colour of one pixel.
    static uint32_t MapColor(uint32_t color, double amount);
};

class TContrastTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TContrastTransform"); }
    void Apply(TDibGraphic& Picture) override;
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    // True: more contrast; false: less.
    bool Enhance = true;

    static uint32_t MapColor(uint32_t color, bool enhance);
};
