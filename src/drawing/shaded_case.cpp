#include "drawing/shaded_case.h"

#include "drawing/canvas_tools_keeper.h"
#include "drawing/shaded_cone.h"
#include "drawing/shaded_figures.h"
#include "platform/framework/canvas.h"

#include <array>

namespace {

int half(int v) { return v / 2; }

void outlineOnly(TCanvas& canvas, TPoint s, TPoint e)
{
    TBrush* brush = canvas.Brush();
    const TBrushStyle style = brush->Style();
    brush->SetStyle(bsClear);
    canvas.Ellipse(s.x, s.y, e.x, e.y);
    brush->SetStyle(style);
}

void coneOutline(TCanvas& canvas, TPoint s, TPoint e)
{
    const int r = half(e.x - s.x);
    const int xc = s.x + r;
    const int yb = ConeBaseY(s, e);
    const std::array<TPoint, 4> outline{TPoint{xc, s.y + 20}, TPoint{xc + r, yb}, TPoint{xc - r, yb},
                                        TPoint{xc, s.y + 20}};
    canvas.Polygon(outline);
}

void paintOutline(DrawingTool tool, TCanvas& canvas, TPoint s, TPoint e)
{
    switch (tool) {
    case dtPlus3D:
    case dtEllipsoid3D:
    case dtCylinder3D: canvas.Ellipse(s.x, s.y, e.x, e.y); break;
    case dtBox3D:
        canvas.Pen()->SetWidth(1);
        canvas.Rectangle(s.x, s.y, e.x, e.y);
        break;
    case dtTorus3D:
    case dtFrame3D: outlineOnly(canvas, s, e); break;
    case dtCone3D: coneOutline(canvas, s, e); break;
    case dtJug3D:
    case dtSpring3D: canvas.DrawFocusRect(TRect{s.x, s.y, e.x, e.y}); break;
    default: break;
    }
}

void paintBody(DrawingTool tool, TDibGraphic& picture, TCanvas& canvas, TPoint s, TPoint e, int boxPenWidth)
{
    const TColor c = canvas.Brush()->Color();
    switch (tool) {
    case dtPlus3D: ShadedPlus(canvas, c, e, s); break;
    case dtEllipsoid3D: ShadedEllipsoid(canvas, c, e, s); break;
    case dtTorus3D: ShadedTorus(canvas, c, e, s); break;
    case dtFrame3D: ShadedFrame(canvas, c, e, s); break;
    case dtBox3D: ShadedBox(canvas, s, e, boxPenWidth); break;
    case dtCylinder3D: ShadedCylinder(canvas, s, e); break;
    case dtCone3D: ShadedCone(canvas, s, e); break;
    case dtJug3D: ShadedJug(picture, c, s, e); break;
    case dtSpring3D: ShadedSpring(picture, c, s, e); break;
    default: break;
    }
}

} // namespace

void PaintShadedCase(DrawingTool tool, TDibGraphic& picture, TCanvas& canvas, bool finalPaint, TPoint start,
                     TPoint end)
{
    const CanvasToolsKeeper keeper(canvas);
    paintOutline(tool, canvas, start, end);
    if (finalPaint)
        paintBody(tool, picture, canvas, start, end, keeper.penWidth());
}
