#pragma once
// The transforms as plain pixel-by-pixel procedures through GetPixelRGB / SetPixelRGB and the
// index accessors, one step after another as defined. They are slow; they are the reference
// that the row-based, cached and threaded code is checked against.

#include <array>
#include <cstdint>

#include "imaging/dib_graphic.h"
#include "platform/gdi/dib_surface.h"

namespace reference {

void brightness(TDibGraphic& picture, double amount);
void contrast(TDibGraphic& picture, bool enhance);
void saturation(TDibGraphic& picture, double change);
void convolution(const TDibGraphic& source, TDibGraphic& dest, const std::array<int8_t, 9>& kernel, int8_t divisor);
void negative(TDibGraphic& picture);
void antiAlias(const TDibGraphic& source, TDibGraphic& dest);
// Filtered resize into dest, which already has its size and format.
void resample(const TDibGraphic& source, TDibGraphic& dest, int filterKind);
void crop(const TDibGraphic& source, TDibGraphic& dest, int top, int left, int bottom, int right);
void convertFromSurface(TDibGraphic& picture, const gdi::DibSurface& drawn, TImageFormat format);
void invert(TDibGraphic& picture);

} // namespace reference
