#pragma once
// Painting the current tool's figure between two picture points with a pen mix mode:
// R2_NOTXORPEN draws and removes previews, R2_COPYPEN paints for good.

#include "platform/framework/graphics_types.h"

class FigureHost;

// finalPaint: the button has been released and this is the figure's last paint (the 3-D
// bodies and the end of text entry happen only then).
void PaintFigure(FigureHost& host, bool finalPaint, int mode, TPoint start, TPoint end);
