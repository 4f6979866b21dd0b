#pragma once
// The framework's drawing surface: a pen, a brush and a font over a raster device context,
// with the drawing operations the editor uses. Pen, brush and font changes take effect at the
// next operation.

#include "platform/framework/brush.h"
#include "platform/framework/font.h"
#include "platform/framework/graphics_types.h"
#include "platform/framework/pen.h"

#include <span>

namespace gdi {
class DeviceContext;
}

class TGraphic;

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    QString ClassName() const override { return QStringLiteral("TCanvas"); }

    // The device context drawn on. A canvas without one asks CreateHandle when it draws; the
    // plain canvas then raises EInvalidOperation "Canvas does not allow drawing".
    gdi::DeviceContext* Handle();
    void SetHandle(gdi::DeviceContext* dc);
    bool HandleAllocated() const { return dc_ != nullptr; }

    TPen* Pen() { return &pen_; }
    TBrush* Brush() { return &brush_; }
    TFont* Font() { return &font_; }
    void SetPen(TPen* value) { pen_.Assign(value); }
    void SetBrush(TBrush* value) { brush_.Assign(value); }
    void SetFont(TFont* value) { font_.Assign(value); }

    TCopyMode CopyMode() const { return copyMode_; }
    void SetCopyMode(TCopyMode value) { copyMode_ = value; }
    TPoint PenPos();
    void SetPenPos(TPoint value) { MoveTo(value.x, value.y); }
    // The clip box of the device, (0, 0, width, height) without a clip rectangle.
    TRect ClipRect();

    // Pixels[x][y]: reading outside the device gives CLR_INVALID (0xFFFFFFFF) as a TColor.
    TColor Pixels(int x, int y);
    void SetPixels(int x, int y, TColor color);

    // Graphics: Draw at the graphic's own size, StretchDraw into a rectangle.
    void Draw(int x, int y, TGraphic* graphic);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    // Copies (and stretches) source's rect to dest with CopyMode.
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);

    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.left, rect.top, rect.right, rect.bottom); }
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.left, rect.top, rect.right, rect.bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(std::span<const TPoint> points);
    void Polyline(std::span<const TPoint> points);
    // Fill with the brush, frame with the brush; no pen.
    void FillRect(const TRect& rect);
    void FrameRect(const TRect& rect);
    // fsSurface fills the area of `color` around (x, y); fsBorder fills up to a border of it.
    void FloodFill(int x, int y, TColor color, TFillStyle fillStyle);
    void DrawFocusRect(const TRect& rect);

    // Text in the font's colour; the background is opaque in the brush colour when the brush
    // is solid, transparent otherwise.
    void TextOut(int x, int y, const QString& text);
    void TextRect(const TRect& rect, int x, int y, const QString& text);
    int TextWidth(const QString& text);
    int TextHeight(const QString& text);
    TPoint TextExtent(const QString& text); // width in x, height in y

    // Drawing notifications: before and after every operation that changes pixels.
    TNotifyEvent OnChanging;
    TNotifyEvent OnChange;

protected:
    virtual void CreateHandle();
    virtual void Changing();
    virtual void Changed();

private:
    enum State : unsigned { PenValid = 1, BrushValid = 2, FontValid = 4 };
    // The device with the pen, brush (and font) realised.
    gdi::DeviceContext& RequiredState(unsigned state);

    gdi::DeviceContext* dc_ = nullptr;
    TPen pen_;
    TBrush brush_;
    TFont font_;
    TCopyMode copyMode_ = cmSrcCopy;
};
