#pragma once
// 3 × 3 convolution into a true-colour picture, and its sharpen and smooth kernels.

#include <array>

#include "imaging/transforms/image_transform.h"

class TConvolutionTransform : public TImageTransform {
public:
    QString ClassName() const override { return QStringLiteral("TConvolutionTransform"); }
    // A picture under 3 pixels in either direction is copied as it is; otherwise Dest becomes
    // true colour with the border copied and every inner pixel convolved.
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    // Row by row: top row left to right, then the middle row, then the bottom row.
    std::array<int8_t, 9> Kernel = {0, 0, 0, 0, 1, 0, 0, 0, 0};
    int8_t KernelDivisor = 1;

protected:
    void Convolve(const TDibGraphic& Source, TDibGraphic& Dest);
};

class TSharpenTransform : public TConvolutionTransform {
public:
    TSharpenTransform() { Kernel = {-1, -2, -1, -2, 1, -2, -1, -2, -1}; }
    QString ClassName() const override { return QStringLiteral("TSharpenTransform"); }
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    uint8_t Strength = 10;
};

class TSmoothTransform : public TConvolutionTransform {
public:
    TSmoothTransform() { Kernel = {1, 2, 1, 2, 1, 2, 1, 2, 1}; }
    QString ClassName() const override { return QStringLiteral("TSmoothTransform"); }
    void ApplyOnDest(const TDibGraphic& Source, TDibGraphic& Dest) override;

    uint8_t Strength = 20;
};

// round((100 - strength) / 4), halves to the even neighbour: the base of the centre
// coefficient and the divisor of sharpen and smooth.
int ConvolutionStrengthBase(int strength);

// One output channel from a kernel sum: a negative sum gives 0, otherwise sum div divisor,
// at most 255. A divisor of 0 counts as 1.
inline uint8_t ConvolutionChannel(int sum, int divisor)
{
    if (sum < 0)
        return 0;
    const int value = sum / (divisor == 0 ? 1 : divisor);
    // A negative divisor (only from a strength above 100) cannot give a channel below 0.
    return static_cast<uint8_t>(value > 255 ? 255 : (value < 0 ? 0 : value));
}
