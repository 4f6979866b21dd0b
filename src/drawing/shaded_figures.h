#pragma once
// The shaded bodies of the 3-D tools, painted over their outline at the final paint. Colours
// darken from the brush colour toward the rims.

#include "platform/framework/graphics_types.h"

class TCanvas;
class TDibGraphic;

// Pixel renderers: single pixels straight onto the canvas's device, pen and brush unused.
// When a half-size of the dragged rectangle is 0 the shading is undefined and nothing is
// written.
void ShadedPlus(TCanvas& canvas, TColor color, TPoint end, TPoint start);
void ShadedEllipsoid(TCanvas& canvas, TColor color, TPoint end, TPoint start);
void ShadedTorus(TCanvas& canvas, TColor color, TPoint end, TPoint start);
void ShadedFrame(TCanvas& canvas, TColor color, TPoint end, TPoint start);

// Bodies drawn with the pen and brush; each restores the pen and brush it changes. The box
// gets the pen width the outline step found.
void ShadedBox(TCanvas& canvas, TPoint start, TPoint end, int penWidth);
void ShadedCylinder(TCanvas& canvas, TPoint start, TPoint end);
// The cone is in shaded_cone.h.

// Bodies written pixel by pixel into the picture; ScratchPicture ends up holding a copy of
// the result.
void ShadedJug(TDibGraphic& picture, TColor color, TPoint start, TPoint end);
void ShadedSpring(TDibGraphic& picture, TColor color, TPoint start, TPoint end);
