#include "platform/framework/canvas.h"

#include "platform/framework/bitmap.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/graphic.h"
#include "platform/gdi/device_context.h"

#include <array>

namespace {

int gdiPenStyle(TPenStyle style)
{
    switch (style) {
    case psSolid:
        return gdi::PS_SOLID;
    case psDash:
        return gdi::PS_DASH;
    case psDot:
        return gdi::PS_DOT;
    case psDashDot:
        return gdi::PS_DASHDOT;
    case psDashDotDot:
        return gdi::PS_DASHDOTDOT;
    case psClear:
        return gdi::PS_NULL;
    case psInsideFrame:
        return gdi::PS_INSIDEFRAME;
    }
    return gdi::PS_SOLID;
}

gdi::Brush gdiBrush(TBrush& brush)
{
    // A pattern bitmap is painted as it is, every pixel in its own colour.
    if (std::shared_ptr<const gdi::ColorTile> tile = brush.Tile())
        return gdi::Brush::colorTile(std::move(tile));
    const gdi::ColorRef color = ColorToRGB(brush.Color());
    switch (brush.Style()) {
    case bsSolid:
        return gdi::Brush::solid(color);
    case bsClear:
        return gdi::Brush::null();
    case bsHorizontal:
        return gdi::Brush::hatched(gdi::HS_HORIZONTAL, color);
    case bsVertical:
        return gdi::Brush::hatched(gdi::HS_VERTICAL, color);
    case bsFDiagonal:
        return gdi::Brush::hatched(gdi::HS_FDIAGONAL, color);
    case bsBDiagonal:
        return gdi::Brush::hatched(gdi::HS_BDIAGONAL, color);
    case bsCross:
        return gdi::Brush::hatched(gdi::HS_CROSS, color);
    case bsDiagCross:
        return gdi::Brush::hatched(gdi::HS_DIAGCROSS, color);
    }
    return gdi::Brush::solid(color);
}

} // namespace

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

gdi::DeviceContext* TCanvas::Handle()
{
    Changing();
    return &RequiredState(PenValid | BrushValid | FontValid);
}

void TCanvas::SetHandle(gdi::DeviceContext* dc)
{
    dc_ = dc;
}

void TCanvas::CreateHandle()
{
}

void TCanvas::Changing()
{
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed()
{
    if (OnChange)
        OnChange(this);
}

gdi::DeviceContext& TCanvas::RequiredState(unsigned state)
{
    if (!dc_)
        CreateHandle();
    if (!dc_)
        throw EInvalidOperation(FrameworkMessages::noCanvasHandle());
    gdi::DeviceContext& dc = *dc_;
    // Realised before every operation: cheap value copies, and drawing through Handle()
    // elsewhere cannot leave a stale pen or brush behind.
    if (state & PenValid) {
        dc.SelectPen(gdi::Pen{gdiPenStyle(pen_.Style()), pen_.Width(), ColorToRGB(pen_.Color())});
        dc.SetROP2(pen_.Mode());
    }
    if (state & BrushValid) {
        dc.SelectBrush(gdiBrush(brush_));
        // Text and hatch gaps are opaque in the brush colour only under a solid brush.
        const gdi::ColorRef color = ColorToRGB(brush_.Color());
        if (brush_.Style() == bsSolid) {
            dc.SetBkColor(color);
            dc.SetBkMode(gdi::OPAQUE);
        } else {
            dc.SetBkColor(~color & 0xFFFFFFu);
            dc.SetBkMode(gdi::TRANSPARENT);
        }
    }
    if (state & FontValid) {
        gdi::Font font;
        font.family = font_.Name();
        font.height = font_.Height();
        font.weight = (font_.Style() & fsBold) ? gdi::FW_BOLD : gdi::FW_NORMAL;
        font.italic = font_.Style() & fsItalic;
        font.underline = font_.Style() & fsUnderline;
        font.strikeOut = font_.Style() & fsStrikeOut;
        font.charset = font_.Charset();
        dc.SelectFont(font);
        dc.SetTextColor(ColorToRGB(font_.Color()));
    }
    return dc;
}

TPoint TCanvas::PenPos()
{
    return RequiredState(0).GetCurrentPosition();
}

TRect TCanvas::ClipRect()
{
    TRect box;
    RequiredState(0).GetClipBox(&box);
    return box;
}

TColor TCanvas::Pixels(int x, int y)
{
    return static_cast<TColor>(RequiredState(0).GetPixel(x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color)
{
    Changing();
    RequiredState(0).SetPixel(x, y, ColorToRGB(color));
    Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    Changing();
    graphic->Draw(*this, Bounds(x, y, graphic->Width(), graphic->Height()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic)
{
    if (!graphic || graphic->Empty())
        return;
    Changing();
    graphic->Draw(*this, rect);
    Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source)
{
    Changing();
    gdi::DeviceContext& dc = RequiredState(BrushValid);
    gdi::DeviceContext& src = canvas == this ? dc : canvas->RequiredState(0);
    dc.StretchBlt(dest.left, dest.top, RectWidth(dest), RectHeight(dest), &src, source.left, source.top,
                  RectWidth(source), RectHeight(source), copyMode_);
    Changed();
}

void TCanvas::MoveTo(int x, int y)
{
    RequiredState(0).MoveTo(x, y);
}

void TCanvas::LineTo(int x, int y)
{
    Changing();
    RequiredState(PenValid | BrushValid).LineTo(x, y);
    Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState(PenValid | BrushValid).Rectangle(x1, y1, x2, y2);
    Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    Changing();
    RequiredState(PenValid | BrushValid).Ellipse(x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3)
{
    Changing();
    RequiredState(PenValid | BrushValid).RoundRect(x1, y1, x2, y2, x3, y3);
    Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState(PenValid | BrushValid).Pie(x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState(PenValid | BrushValid).Arc(x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Changing();
    RequiredState(PenValid | BrushValid).Chord(x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points)
{
    Changing();
    RequiredState(PenValid | BrushValid).Polygon(points);
    Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points)
{
    Changing();
    RequiredState(PenValid | BrushValid).Polyline(points);
    Changed();
}

void TCanvas::FillRect(const TRect& rect)
{
    Changing();
    gdi::DeviceContext& dc = RequiredState(BrushValid);
    dc.FillRect(rect, dc.GetBrush());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect)
{
    Changing();
    gdi::DeviceContext& dc = RequiredState(BrushValid);
    dc.FrameRect(rect, dc.GetBrush());
    Changed();
}

void TCanvas::FloodFill(int x, int y, TColor color, TFillStyle fillStyle)
{
    Changing();
    RequiredState(PenValid | BrushValid)
        .ExtFloodFill(x, y, ColorToRGB(color), fillStyle == fsSurface ? gdi::FLOODFILLSURFACE : gdi::FLOODFILLBORDER);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect)
{
    Changing();
    RequiredState(BrushValid).DrawFocusRect(rect);
    Changed();
}

void TCanvas::TextOut(int x, int y, const QString& text)
{
    Changing();
    gdi::DeviceContext& dc = RequiredState(BrushValid | FontValid);
    dc.TextOut(x, y, text);
    dc.MoveTo(x + dc.GetTextExtentPoint32(text).cx, y);
    Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const QString& text)
{
    Changing();
    gdi::DeviceContext& dc = RequiredState(BrushValid | FontValid);
    TRect oldClip;
    dc.GetClipBox(&oldClip);
    if (brush_.Style() == bsSolid)
        dc.FillRect(rect, gdi::Brush::solid(ColorToRGB(brush_.Color())));
    dc.IntersectClipRect(rect.left, rect.top, rect.right, rect.bottom);
    dc.TextOut(x, y, text);
    dc.SelectClipRect(&oldClip);
    Changed();
}

int TCanvas::TextWidth(const QString& text)
{
    return TextExtent(text).x;
}

int TCanvas::TextHeight(const QString& text)
{
    return TextExtent(text).y;
}

TPoint TCanvas::TextExtent(const QString& text)
{
    const gdi::Size size = RequiredState(FontValid).GetTextExtentPoint32(text);
    return TPoint{size.cx, size.cy};
}
