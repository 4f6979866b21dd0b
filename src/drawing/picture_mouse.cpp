#include "drawing/picture_mouse.h"

#include "drawing/figure_host.h"
#include "drawing/figure_painter.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"
#include "platform/gdi/device_context.h"

#include <climits>
#include <cmath>

namespace {

int truncCoordinate(long double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= static_cast<long double>(INT_MAX))
        return INT_MAX;
    if (v <= static_cast<long double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(v);
}

// Tools whose drag paints an inverting preview that a second paint removes. The others act
// at every call (freehand, fill, pickers, text) or manage their own frame (selection).
bool hasInvertingPreview(DrawingTool tool)
{
    switch (tool) {
    case dtLine:
    case dtRectangle:
    case dtEllipse:
    case dtRoundRect:
    case dtSector:
    case dtArc:
    case dtSide:
    case dtPlus3D:
    case dtBox3D:
    case dtEllipsoid3D:
    case dtCylinder3D:
    case dtTorus3D:
    case dtFrame3D:
    case dtCone3D:
    case dtJug3D:
    case dtSpring3D: return true;
    default: return false;
    }
}

} // namespace

TPoint ViewToPicture(int x, int y, float zoomPercent)
{
    const long double z = zoomPercent;
    return TPoint{truncCoordinate(x / z * 100.0L), truncCoordinate(y / z * 100.0L)};
}

void PictureMouse::MouseDown(int x, int y)
{
    host_.CheckWorkImageTakesChanges();
    f_.ButtonReleased = false;
    f_.SavedScrollPos = host_.ScrollPosition();
    host_.TakeSnapshot();
    const TPoint p = ViewToPicture(x, y, host_.ZoomPercent());
    if (TDibGraphic* picture = host_.Picture(); picture && !picture->GetEmpty())
        picture->Canvas()->MoveTo(p.x, p.y);
    f_.PressPoint = p;
    f_.MovePoint = p;
    host_.SetStatusText(0, QString::asprintf("Нажато: (%d, %d)", p.x, p.y));
    host_.SetModified();
    f_.Drawing = true;
    previewShown_ = false;
}

void PictureMouse::MouseMove(int x, int y)
{
    f_.ButtonReleased = false;
    const TPoint p = ViewToPicture(x, y, host_.ZoomPercent());
    if (f_.Drawing) {
        // Nothing of this drag is in the picture before its first preview; removing one
        // there would leave the degenerate figure at the press point behind for good.
        if (previewShown_ || !hasInvertingPreview(host_.CurrentTool()))
            PaintFigure(host_, false, gdi::R2_NOTXORPEN, f_.PressPoint, f_.MovePoint);
        f_.MovePoint = p;
        PaintFigure(host_, false, gdi::R2_NOTXORPEN, f_.PressPoint, f_.MovePoint);
        previewShown_ = true;
        // The screen follows the picture only every tenth move, which keeps big pictures fast.
        f_.MoveCount = static_cast<int>(static_cast<unsigned>(f_.MoveCount) + 1u);
        if (f_.MoveCount % 10 == 0)
            host_.Redraw();
        const TPoint scroll = host_.ScrollPosition();
        if (scroll.x != f_.SavedScrollPos.x)
            host_.SetHorzScrollPosition(f_.SavedScrollPos.x);
        if (scroll.y != f_.SavedScrollPos.y)
            host_.SetVertScrollPosition(f_.SavedScrollPos.y);
    }
    host_.SetStatusText(1, QString::asprintf("Позиция: (%d, %d)", x, y));
    f_.PointerPoint = p;
}

void PictureMouse::MouseUp(int x, int y)
{
    f_.ButtonReleased = true;
    if (!f_.Drawing)
        return;
    const TPoint p = ViewToPicture(x, y, host_.ZoomPercent());
    PaintFigure(host_, true, gdi::R2_COPYPEN, f_.PressPoint, p);
    f_.Drawing = false;
    previewShown_ = false;
    host_.Redraw();
    host_.UpdateWorkImage();
    host_.SetHorzScrollPosition(f_.SavedScrollPos.x);
    host_.SetVertScrollPosition(f_.SavedScrollPos.y);
}
