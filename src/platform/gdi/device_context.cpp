#include "platform/gdi/device_context.h"

namespace gdi {

struct TextCache {
};

BitmapInfo BitmapInfo::describe(const DibSurface& surface)
{
    BitmapInfo info;
    info.bmiHeader.biWidth = surface.width();
    info.bmiHeader.biHeight = surface.height();
    info.bmiHeader.biBitCount = static_cast<uint16_t>(surface.bitsPerPixel());
    info.bmiHeader.biSizeImage = static_cast<uint32_t>(surface.imageBytes());
    info.bmiColors = surface.colorTable();
    info.bmiHeader.biClrUsed = static_cast<uint32_t>(info.bmiColors.size());
    return info;
}

DeviceContext::DeviceContext(DibSurface& surface) : surface_(&surface) {}
DeviceContext::~DeviceContext() = default;

void DeviceContext::SelectBitmap(DibSurface& surface)
{
    surface_ = &surface;
    hasClip_ = false;
}

Pen DeviceContext::SelectPen(const Pen& pen) { Pen old = pen_; pen_ = pen; return old; }
Brush DeviceContext::SelectBrush(const Brush& brush) { Brush old = brush_; brush_ = brush; return old; }
Font DeviceContext::SelectFont(const Font& font) { Font old = font_; font_ = font; return old; }
int DeviceContext::SetROP2(int mode) { int old = rop2_; rop2_ = mode; return old; }
int DeviceContext::SetBkMode(int mode) { int old = bkMode_; bkMode_ = mode; return old; }
ColorRef DeviceContext::SetBkColor(ColorRef c) { ColorRef old = bkColor_; bkColor_ = c; return old; }
ColorRef DeviceContext::SetTextColor(ColorRef c) { ColorRef old = textColor_; textColor_ = c; return old; }
int DeviceContext::SetPolyFillMode(int mode) { int old = polyFillMode_; polyFillMode_ = mode; return old; }
int DeviceContext::SetArcDirection(int d) { int old = arcDirection_; arcDirection_ = d; return old; }
int DeviceContext::SetStretchBltMode(int mode) { int old = stretchMode_; stretchMode_ = mode; return old; }
Point DeviceContext::SetBrushOrg(int x, int y) { Point old = brushOrg_; brushOrg_ = {x, y}; return old; }
Point DeviceContext::MoveTo(int x, int y) { Point old = position_; position_ = {x, y}; return old; }

int DeviceContext::IntersectClipRect(int, int, int, int) { return ERROR; }
void DeviceContext::SelectClipRect(const Rect*) {}
int DeviceContext::GetClipBox(Rect*) const { return ERROR; }
bool DeviceContext::LineTo(int, int) { return false; }
bool DeviceContext::Polyline(std::span<const Point>) { return false; }
bool DeviceContext::Polygon(std::span<const Point>) { return false; }
bool DeviceContext::Rectangle(int, int, int, int) { return false; }
bool DeviceContext::Ellipse(int, int, int, int) { return false; }
bool DeviceContext::RoundRect(int, int, int, int, int, int) { return false; }
bool DeviceContext::Pie(int, int, int, int, int, int, int, int) { return false; }
bool DeviceContext::Arc(int, int, int, int, int, int, int, int) { return false; }
bool DeviceContext::ArcTo(int, int, int, int, int, int, int, int) { return false; }
bool DeviceContext::Chord(int, int, int, int, int, int, int, int) { return false; }
bool DeviceContext::ExtFloodFill(int, int, ColorRef, int) { return false; }
bool DeviceContext::FillRect(const Rect&, const Brush&) { return false; }
bool DeviceContext::FrameRect(const Rect&, const Brush&) { return false; }
bool DeviceContext::DrawFocusRect(const Rect&) { return false; }
bool DeviceContext::SetPixelV(int, int, ColorRef) { return false; }
ColorRef DeviceContext::SetPixel(int, int, ColorRef) { return CLR_INVALID; }
ColorRef DeviceContext::GetPixel(int, int) const { return CLR_INVALID; }
bool DeviceContext::PatBlt(int, int, int, int, RasterOp) { return false; }
bool DeviceContext::BitBlt(int, int, int, int, const DeviceContext*, int, int, RasterOp) { return false; }
bool DeviceContext::StretchBlt(int, int, int, int, const DeviceContext*, int, int, int, int, RasterOp) { return false; }
int DeviceContext::StretchDIBits(int, int, int, int, int, int, int, int, const void*, const BitmapInfo&, unsigned, RasterOp) { return 0; }
int DeviceContext::StretchDIBits(int, int, int, int, int, int, int, int, const DibSurface&, RasterOp) { return 0; }
int DeviceContext::SetDIBitsToDevice(int, int, int, int, int, int, unsigned, unsigned, const void*, const BitmapInfo&, unsigned) { return 0; }
int DeviceContext::GetDIBits(unsigned, unsigned, void*, BitmapInfo&, unsigned) const { return 0; }
bool DeviceContext::TextOut(int, int, const QString&) { return false; }
Size DeviceContext::GetTextExtentPoint32(const QString&) const { return {}; }
TextMetric DeviceContext::GetTextMetrics() const { return {}; }
uint32_t DeviceContext::penBrushValue(ColorRef) const { return 0; }
uint32_t DeviceContext::nearestValue(ColorRef) const { return 0; }
ColorRef DeviceContext::colorOfValue(uint32_t) const { return 0; }

} // namespace gdi
