#pragma once
// The saturation effect: every pixel's HSL saturation moved by a change, limited to 0..1.

#include "imaging/dib_graphic.h"

// The change for a slider position of -100..100: position × 0.00125, at most ±0.125.
double SaturationChange(int sliderPosition);

// Changes Picture in place; the format is kept and palettised pictures get the nearest palette
// colours. Greys stay grey.
void ChangeSaturation(TDibGraphic& Picture, double change);

uint32_t SaturatedColor(uint32_t color, double change);
