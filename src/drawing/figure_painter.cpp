#include "drawing/figure_painter.h"

#include "drawing/figure_host.h"
#include "drawing/shaded_case.h"
#include "drawing/tool_state.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"
#include "platform/gdi/device_context.h"

#include <cmath>

namespace {

int half(int v) { return v / 2; }

// Where the pencil and eraser continue from: a quarter pixel toward positive, truncated, so
// a negative coordinate steps one toward zero.
int nextPencilCoordinate(int v) { return static_cast<int>(std::trunc(double(v) + 0.25)); }

void freehand(TCanvas& canvas, TPoint end, int mixMode)
{
    TPen* pen = canvas.Pen();
    const int remembered = pen->Mode();
    pen->SetMode(mixMode);
    canvas.LineTo(end.x, end.y);
    canvas.MoveTo(nextPencilCoordinate(end.x), nextPencilCoordinate(end.y));
    pen->SetMode(remembered);
}

// Width-1 passes shifted one pixel right and down per pen-width step.
template <class Draw>
void steppedBand(TCanvas& canvas, Draw draw)
{
    TPen* pen = canvas.Pen();
    const int width = pen->Width();
    for (int k = 1; k <= width; ++k) {
        pen->SetWidth(1);
        draw(k);
    }
    pen->SetWidth(width);
}

} // namespace

void PaintFigure(FigureHost& host, bool finalPaint, int mode, TPoint s, TPoint e)
{
    host.SetModified();
    TDibGraphic* picture = host.Picture();
    if (!picture || picture->GetEmpty())
        return;
    TCanvas& canvas = *picture->Canvas();
    canvas.Pen()->SetMode(mode);
    host.EraseSelectionFrame();

    const DrawingTool tool = host.CurrentTool();
    switch (tool) {
    case dtLine:
        canvas.MoveTo(s.x, s.y);
        canvas.LineTo(e.x, e.y);
        break;
    case dtRectangle: canvas.Rectangle(s.x, s.y, e.x, e.y); break;
    case dtEllipse: canvas.Ellipse(s.x, s.y, e.x, e.y); break;
    case dtRoundRect: canvas.RoundRect(s.x, s.y, e.x, e.y, half(s.x - e.x), half(s.y - e.y)); break;
    case dtSector:
        steppedBand(canvas, [&](int k) {
            canvas.Pie(s.x + k, s.y + k, e.x + k, e.y + k, half(s.x + e.x + 2 * k), half(s.y + e.y + 2 * k),
                       half(s.x - e.x), half(s.y - e.y));
        });
        break;
    case dtArc:
        canvas.Arc(s.x, s.y, e.x, e.y, half(s.x + e.x), half(s.y + e.y), half(s.x - e.x), half(s.y - e.y));
        break;
    case dtSide:
        steppedBand(canvas, [&](int k) {
            canvas.MoveTo(s.x + k, s.y + k);
            canvas.LineTo(e.x + k, e.y + k);
        });
        break;
    case dtPencil: freehand(canvas, e, gdi::R2_COPYPEN); break;
    case dtEraser: freehand(canvas, e, gdi::R2_WHITE); break;
    case dtFill: canvas.FloodFill(e.x, e.y, canvas.Pixels(e.x, e.y), fsSurface); break;
    case dtPickBrushColor: {
        // Outside the picture the read answers all bits set; that passes on as the colour.
        const TColor picked = canvas.Pixels(e.x, e.y);
        canvas.Brush()->SetColor(picked);
        host.ShowBrushColor(picked);
        break;
    }
    case dtPickPenColor: {
        const TColor picked = canvas.Pixels(e.x, e.y);
        canvas.Pen()->SetColor(picked);
        host.ShowPenColor(picked);
        break;
    }
    case dtText: {
        const std::optional<QString> text = host.TextEntry();
        if (!text)
            break;
        canvas.SetFont(&TextFont);
        canvas.TextOut(s.x, s.y, *text);
        if (finalPaint)
            host.EndTextEntry();
        break;
    }
    case dtPaste:
    case dtSelect: host.PaintSelection(mode, s, e, tool); break;
    case dtPlus3D:
    case dtBox3D:
    case dtEllipsoid3D:
    case dtCylinder3D:
    case dtTorus3D:
    case dtFrame3D:
    case dtCone3D:
    case dtJug3D:
    case dtSpring3D: PaintShadedCase(tool, *picture, canvas, finalPaint, s, e); break;
    }
}
