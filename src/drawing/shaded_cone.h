#pragma once
// The cone: a fan of lines from its apex to the lower half of an ellipse, painted with the pen
// in shades of the brush colour, brightest on the axis and dark at the sides.

#include "platform/framework/graphics_types.h"

class TCanvas;

// The row of the outline's two base corners: sy + half(H) + half(trunc(sin(45 rad) × H)).
int ConeBaseY(TPoint start, TPoint end);

// The fan steps its radius by 0.01 pixel and so repeats nearly every line many times. The lines
// whose repeats cannot change the picture under the pen's mix mode are drawn once or not at
// all; the pixels are those of ShadedConeEveryStep. Restores the pen colour.
void ShadedCone(TCanvas& canvas, TPoint start, TPoint end);

// The fan with every step drawn in order: the general path, and the reference ShadedCone is
// checked against.
void ShadedConeEveryStep(TCanvas& canvas, TPoint start, TPoint end);
