#pragma once
// The 3-D figures' case of figure painting: the outline at every call in the call's mix mode,
// the shaded body over it only at the final paint. The pen and brush are left as it found them.

#include "drawing/drawing_tool.h"
#include "platform/framework/graphics_types.h"

class TCanvas;
class TDibGraphic;

void PaintShadedCase(DrawingTool tool, TDibGraphic& picture, TCanvas& canvas, bool finalPaint, TPoint start,
                     TPoint end);
