#include "platform/gdi/device_context.h"

#include "platform/gdi/color_match.h"
#include "platform/gdi/geometry/geometry.h"
#include "platform/gdi/line_raster.h"
#include "platform/gdi/paint_internal.h"

#include <algorithm>
#include <utility>
#include <cstdlib>

namespace gdi {

using detail::AndXor;
using detail::RealBrush;
using detail::SpanPainter;

namespace detail {

const uint8_t* hatchBits(int hatch)
{
    static const uint8_t kHatches[6][8] = {
        {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // HS_HORIZONTAL
        {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // HS_VERTICAL
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // HS_FDIAGONAL
        {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // HS_BDIAGONAL
        {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // HS_CROSS
        {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // HS_DIAGCROSS
    };
    return kHatches[std::clamp(hatch, 0, 5)];
}

} // namespace detail

namespace {

Rect normalised(Rect r)
{
    if (r.right < r.left)
        std::swap(r.left, r.right);
    if (r.bottom < r.top)
        std::swap(r.top, r.bottom);
    return r;
}

Rect intersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
        r.right = r.left;
    if (r.bottom < r.top)
        r.bottom = r.top;
    return r;
}

// Dash patterns of the cosmetic styled pens, in pixels: on, off, on, off...
struct DashPattern {
    const int* lengths;
    int count;
    int total;
};

const DashPattern* dashPattern(int style)
{
    static const int dash[] = {18, 6};
    static const int dot[] = {3, 3};
    static const int dashDot[] = {9, 6, 3, 6};
    static const int dashDotDot[] = {9, 3, 3, 3, 3, 3};
    static const DashPattern patterns[] = {
        {dash, 2, 24}, {dot, 2, 6}, {dashDot, 4, 24}, {dashDotDot, 6, 24}};
    switch (style) {
    case PS_DASH:
        return &patterns[0];
    case PS_DOT:
        return &patterns[1];
    case PS_DASHDOT:
        return &patterns[2];
    case PS_DASHDOTDOT:
        return &patterns[3];
    default:
        return nullptr;
    }
}

bool dashOn(const DashPattern& p, int position)
{
    int pos = position % p.total;
    for (int i = 0; i < p.count; ++i) {
        if (pos < p.lengths[i])
            return (i & 1) == 0;
        pos -= p.lengths[i];
    }
    return true;
}

geometry::PenShape penShape(const Pen& pen)
{
    return geometry::PenShape{std::max(pen.width, 1), pen.lineStyle() == PS_INSIDEFRAME};
}

geometry::ArcDirection arcDirectionOf(int d)
{
    return d == AD_CLOCKWISE ? geometry::ArcDirection::Clockwise : geometry::ArcDirection::CounterClockwise;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and state

BitmapInfo BitmapInfo::describe(const DibSurface& surface)
{
    BitmapInfo info;
    info.bmiHeader.biWidth = surface.width();
    info.bmiHeader.biHeight = surface.height();
    info.bmiHeader.biBitCount = static_cast<uint16_t>(surface.bitsPerPixel());
    info.bmiHeader.biSizeImage = static_cast<uint32_t>(surface.imageBytes());
    if (surface.isPalettised())
        info.bmiColors = surface.colorTable();
    info.bmiHeader.biClrUsed = static_cast<uint32_t>(info.bmiColors.size());
    return info;
}


void DeviceContext::SelectBitmap(DibSurface& surface)
{
    surface_ = &surface;
    hasClip_ = false;
}

Pen DeviceContext::SelectPen(const Pen& pen)
{
    Pen old = pen_;
    pen_ = pen;
    return old;
}
Brush DeviceContext::SelectBrush(const Brush& brush)
{
    Brush old = brush_;
    brush_ = brush;
    return old;
}
int DeviceContext::SetROP2(int mode)
{
    if (mode < R2_BLACK || mode > R2_WHITE)
        return 0;
    int old = rop2_;
    rop2_ = mode;
    return old;
}
int DeviceContext::SetBkMode(int mode)
{
    if (mode != OPAQUE && mode != TRANSPARENT)
        return 0;
    int old = bkMode_;
    bkMode_ = mode;
    return old;
}
ColorRef DeviceContext::SetBkColor(ColorRef c)
{
    ColorRef old = bkColor_;
    bkColor_ = c;
    return old;
}
ColorRef DeviceContext::SetTextColor(ColorRef c)
{
    ColorRef old = textColor_;
    textColor_ = c;
    return old;
}
int DeviceContext::SetPolyFillMode(int mode)
{
    if (mode != ALTERNATE && mode != WINDING)
        return 0;
    int old = polyFillMode_;
    polyFillMode_ = mode;
    return old;
}
int DeviceContext::SetArcDirection(int d)
{
    if (d != AD_COUNTERCLOCKWISE && d != AD_CLOCKWISE)
        return 0;
    int old = arcDirection_;
    arcDirection_ = d;
    return old;
}
int DeviceContext::SetStretchBltMode(int mode)
{
    if (mode < BLACKONWHITE || mode > HALFTONE)
        return 0;
    int old = stretchMode_;
    stretchMode_ = mode;
    return old;
}
Point DeviceContext::SetBrushOrg(int x, int y)
{
    Point old = brushOrg_;
    brushOrg_ = {x, y};
    return old;
}
Point DeviceContext::MoveTo(int x, int y)
{
    Point old = position_;
    position_ = {x, y};
    dashPosition_ = 0;
    return old;
}

int DeviceContext::IntersectClipRect(int left, int top, int right, int bottom)
{
    const Rect r = normalised(Rect{left, top, right, bottom});
    clip_ = hasClip_ ? intersect(clip_, r) : r;
    hasClip_ = true;
    return (clip_.right > clip_.left && clip_.bottom > clip_.top) ? SIMPLEREGION : NULLREGION;
}

void DeviceContext::SelectClipRect(const Rect* rect)
{
    hasClip_ = rect != nullptr;
    if (rect)
        clip_ = normalised(*rect);
}

int DeviceContext::GetClipBox(Rect* rect) const
{
    const Rect r = drawClip();
    if (rect)
        *rect = r;
    return (r.right > r.left && r.bottom > r.top) ? SIMPLEREGION : NULLREGION;
}

Rect DeviceContext::drawClip() const
{
    const Rect surfaceRect{0, 0, surface_->width(), surface_->height()};
    return hasClip_ ? intersect(surfaceRect, clip_) : surfaceRect;
}

// ---------------------------------------------------------------------------------------------
// Colours

uint32_t DeviceContext::penBrushValue(ColorRef c) const { return detail::penBrushValue(*surface_, c, bkColor_); }
uint32_t DeviceContext::nearestValue(ColorRef c) const { return detail::nearestValue(*surface_, c); }
ColorRef DeviceContext::colorOfValue(uint32_t value) const { return detail::colorOfValue(*surface_, value); }

AndXor DeviceContext::mixFor(uint32_t value) const
{
    return detail::rop2AndXor(rop2_, value, detail::valueMask(surface_->bitsPerPixel()));
}

RealBrush DeviceContext::realise(const Brush& brush, int rop2) const
{
    RealBrush rb;
    const uint32_t mask = detail::valueMask(surface_->bitsPerPixel());
    auto mix = [&](uint32_t v) { return detail::rop2AndXor(rop2, v, mask); };
    const AndXor nop{0xFFFFFFFFu, 0};
    switch (brush.style) {
    case BS_NULL:
        return rb;
    case BS_SOLID:
        rb.null = false;
        rb.solid = true;
        rb.solidOp = mix(penBrushValue(brush.color));
        return rb;
    case BS_HATCHED: {
        rb.null = false;
        const uint8_t* bits = detail::hatchBits(brush.hatch);
        const AndXor line = mix(penBrushValue(brush.color));
        const AndXor gap = bkMode_ == OPAQUE ? mix(penBrushValue(bkColor_)) : nop;
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                rb.cells[r][c] = ((bits[r] << c) & 0x80) ? line : gap;
        return rb;
    }
    case BS_PATTERN:
    case BS_DIBPATTERN: {
        rb.null = false;
        AndXor zero, one;
        if (brush.style == BS_PATTERN) {
            // A monochrome bitmap: clear bits take the text colour, set bits the background.
            zero = mix(penBrushValue(textColor_));
            one = mix(penBrushValue(bkColor_));
        } else {
            zero = mix(penBrushValue(detail::colorRefOf(detail::rgbOf(brush.colors[0]))));
            one = mix(penBrushValue(detail::colorRefOf(detail::rgbOf(brush.colors[1]))));
        }
        for (int r = 0; r < 8; ++r)
            for (int c = 0; c < 8; ++c)
                rb.cells[r][c] = ((brush.pattern[r] << c) & 0x80) ? one : zero;
        return rb;
    }
    case BS_DIBPATTERNPT: {
        if (!brush.tile || brush.tile->width <= 0 || brush.tile->height <= 0)
            return rb;
        // What a tile's colours become depends on the tile, the mix, the background colour (the
        // 1-bpp rule) and the surface's depth and colour table, nothing else.
        TileCache* cache = tileCache_.get();
        if (cache && cache->tile.lock() == brush.tile && cache->rop2 == rop2 && cache->bkColor == bkColor_ &&
            cache->bitsPerPixel == surface_->bitsPerPixel() && cache->colorTable == surface_->colorTable())
            return cache->brush;
        realiseTile(*brush.tile, rb, mix);
        if (!cache) {
            tileCache_ = std::make_unique<TileCache>();
            cache = tileCache_.get();
        }
        cache->tile = brush.tile;
        cache->rop2 = rop2;
        cache->bkColor = bkColor_;
        cache->bitsPerPixel = surface_->bitsPerPixel();
        cache->colorTable = surface_->colorTable();
        cache->brush = rb;
        return rb;
    }
    default:
        return rb;
    }
}

template <typename Mix>
void DeviceContext::realiseTile(const ColorTile& tile, RealBrush& rb, const Mix& mix) const
{
    rb.null = false;
    rb.tileWidth = tile.width;
    rb.tileHeight = tile.height;
    auto realised = std::make_shared<RealBrush::Tile>();
    std::vector<AndXor>& ops = realised->ops;
    ops.resize(tile.colours.size());
    const uint32_t mask = detail::valueMask(surface_->bitsPerPixel());
    bool stores = true;
    // On two colours a picture is matched pixel by pixel too, not by the monochrome brush rule
    // that paints every colour but the background in one of the two.
    const bool mono = surface_->bitsPerPixel() == 1;
    for (size_t i = 0; i < tile.colours.size(); ++i) {
        ops[i] = mix(mono ? nearestValue(tile.colours[i]) : penBrushValue(tile.colours[i]));
        stores = stores && (ops[i].a & mask) == 0;
    }
    // 32-bit pixels keep their fourth byte, so only 8 and 24 bits can be copied as bytes.
    const int bpp = surface_->bitsPerPixel();
    if (stores && (bpp == 8 || bpp == 24)) {
        const size_t pixel = static_cast<size_t>(bpp / 8);
        realised->bytes.resize(ops.size() * pixel);
        for (size_t i = 0; i < ops.size(); ++i)
            for (size_t k = 0; k < pixel; ++k)
                realised->bytes[i * pixel + k] = static_cast<uint8_t>(ops[i].x >> (8 * k));
    }
    rb.tile = std::move(realised);
}

// ---------------------------------------------------------------------------------------------
// Painting helpers

void DeviceContext::fillSpans(const SpanList& spans, const RealBrush& brush)
{
    if (brush.null)
        return;
    SpanPainter painter(*surface_, drawClip());
    for (const Span& s : spans)
        painter.brush(s.y, s.x0, s.x1, brush, brushOrg_);
}

void DeviceContext::penSpans(const SpanList& spans)
{
    SpanPainter painter(*surface_, drawClip());
    const AndXor op = mixFor(penBrushValue(pen_.color));
    for (const Span& s : spans)
        painter.solid(s.y, s.x0, s.x1, op);
}

// Plots the one-pixel pen: its colour on dashes, the background colour in opaque gaps.
class DeviceContext::PenStepper {
public:
    PenStepper(const DeviceContext& dc, const Rect& clip)
        : painter_(*dc.surface_, clip), on_(dc.mixFor(dc.penBrushValue(dc.pen_.color))),
          off_(dc.mixFor(dc.penBrushValue(dc.bkColor_))), dashes_(dashPattern(dc.pen_.lineStyle())),
          opaque_(dc.bkMode_ == OPAQUE)
    {
    }

    // `position` counts pixels along the figure from its first.
    void plot(int x, int y, int64_t position)
    {
        if (!dashes_ || dashOn(*dashes_, static_cast<int>(position % dashes_->total)))
            painter_.pixel(x, y, on_);
        else if (opaque_)
            painter_.pixel(x, y, off_);
    }

    int patternLength() const { return dashes_ ? dashes_->total : 1; }

private:
    SpanPainter painter_;
    AndXor on_, off_;
    const DashPattern* dashes_;
    bool opaque_;
};

void DeviceContext::penPaths(const std::vector<std::vector<Point>>& paths)
{
    PenStepper pen(*this, drawClip());
    int64_t position = 0;
    for (const auto& path : paths)
        for (const Point& p : path)
            pen.plot(p.x, p.y, position++);
}

bool DeviceContext::penIsWide() const
{
    return pen_.width > 1;
}

void DeviceContext::cosmeticLine(Point a, Point b)
{
    const Rect clip = drawClip();
    PenStepper pen(*this, clip);
    const int start = dashPosition_;
    const int length = detail::rasterLine(a, b, clip, [&](int x, int y, int i) { pen.plot(x, y, int64_t{start} + i); });
    dashPosition_ = static_cast<int>((int64_t{start} + length) % pen.patternLength());
}

void DeviceContext::strokeLine(Point a, Point b)
{
    if (pen_.lineStyle() == PS_NULL)
        return;
    if (penIsWide()) {
        const Point ends[2] = {a, b};
        if (!tooLarge(ends))
            penSpans(geometry::wideLine(a, b, pen_.width));
    } else
        cosmeticLine(a, b);
}

// ---------------------------------------------------------------------------------------------
// Lines

bool DeviceContext::LineTo(int x, int y)
{
    // Each LineTo starts the dash pattern afresh; only a Polyline carries it across corners.
    dashPosition_ = 0;
    strokeLine(position_, Point{x, y});
    position_ = {x, y};
    return true;
}

bool DeviceContext::Polyline(std::span<const Point> points)
{
    if (points.size() < 2)
        return !points.empty();
    if (pen_.lineStyle() == PS_NULL)
        return true;
    if (penIsWide()) {
        if (tooLarge(points))
            return false;
        penSpans(geometry::widePolyline(points, pen_.width));
        return true;
    }
    const int saved = dashPosition_;
    dashPosition_ = 0;
    for (size_t i = 1; i < points.size(); ++i)
        cosmeticLine(points[i - 1], points[i]);
    dashPosition_ = saved;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Figures

void DeviceContext::paintFigure(const geometry::Figure& figure)
{
    // An open figure (an arc, a line) has no inside: its brush is not realised at all.
    const RealBrush brush = figure.interior.empty() ? RealBrush{} : realise(brush_, rop2_);
    if (pen_.lineStyle() == PS_NULL) {
        fillSpans(figure.interior, brush);
        return;
    }
    if (!figure.penArea.empty()) {
        fillSpans(geometry::subtractSpans(figure.interior, figure.penArea), brush);
        penSpans(figure.penArea);
        return;
    }
    if (!figure.outline.empty()) {
        // The brush runs under a one-pixel outline too: with a mix mode such as NOT-XOR the
        // outline pixels get both.
        fillSpans(figure.interior, brush);
        penPaths(figure.outline);
        return;
    }
    fillSpans(figure.interior, brush);
}

bool DeviceContext::Rectangle(int left, int top, int right, int bottom)
{
    Rect r = normalised(Rect{left, top, right, bottom});
    const RealBrush brush = realise(brush_, rop2_);
    const int style = pen_.lineStyle();
    const int64_t width = int64_t{r.right} - r.left, height = int64_t{r.bottom} - r.top;
    if (style == PS_NULL) {
        // Without a pen the brush stops one pixel short on the right and at the bottom.
        if (width > 1 && height > 1)
            fillRectClipped(Rect{r.left, r.top, r.right - 1, r.bottom - 1}, brush);
        return true;
    }
    // The frame is four lines that each leave out their last point, so a 1x1 box draws nothing.
    if (width < 1 || height < 1 || (width == 1 && height == 1))
        return true;
    const Rect clip = drawClip();
    if (penIsWide()) {
        // Edges far outside the clip are pulled in to just outside it: every visible pixel
        // stays as it was and the work stays bounded by the clip.
        const int margin = pen_.width + 2;
        if (int64_t{r.right} + margin < clip.left || int64_t{r.left} - margin > clip.right ||
            int64_t{r.bottom} + margin < clip.top || int64_t{r.top} - margin > clip.bottom)
            return true;
        r.left = static_cast<int>(std::max<int64_t>(r.left, int64_t{clip.left} - margin));
        r.top = static_cast<int>(std::max<int64_t>(r.top, int64_t{clip.top} - margin));
        r.right = static_cast<int>(std::min<int64_t>(r.right, int64_t{clip.right} + margin));
        r.bottom = static_cast<int>(std::min<int64_t>(r.bottom, int64_t{clip.bottom} + margin));
        const SpanList pen = geometry::wideRectangle(r, pen_.width, style == PS_INSIDEFRAME);
        // The brush fills inside the pen's centre line; the pen covers what it reaches.
        SpanList inner;
        for (int y = std::max(r.top + 1, clip.top); y < std::min(r.bottom - 1, clip.bottom); ++y)
            if (r.left + 1 < r.right - 1)
                inner.push_back({y, r.left + 1, r.right - 1});
        fillSpans(geometry::subtractSpans(inner, pen), brush);
        penSpans(pen);
        return true;
    }
    // One-pixel pen: the frame runs on the outermost pixels, the brush fills inside it.
    fillRectClipped(Rect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, brush);
    PenStepper pen(*this, clip);
    const int x0 = std::max(r.left, clip.left), x1 = std::min(r.right, clip.right);
    const int y0 = std::max(r.top, clip.top), y1 = std::min(r.bottom, clip.bottom);
    if (x0 >= x1 || y0 >= y1)
        return true;
    if (width == 1) {
        for (int y = y0; y < y1; ++y)
            pen.plot(r.left, y, y - r.top);
        return true;
    }
    if (height == 1) {
        for (int x = x0; x < x1; ++x)
            pen.plot(x, r.top, r.right - 1 - x);
        return true;
    }
    // Counter-clockwise from the top-right corner, each side leaving out its last pixel; a dash
    // pattern runs on around the corners. Only the visible part of each side is walked.
    const int64_t w1 = width - 1, h1 = height - 1;
    const int l = r.left, t = r.top, rr = r.right - 1, bb = r.bottom - 1;
    if (t >= y0 && t < y1) // top, right to left
        for (int x = std::max(x0, l + 1); x <= std::min(x1 - 1, rr); ++x)
            pen.plot(x, t, rr - x);
    if (l >= x0 && l < x1) // left, downwards
        for (int y = std::max(y0, t); y <= std::min(y1 - 1, bb - 1); ++y)
            pen.plot(l, y, w1 + (y - t));
    if (bb >= y0 && bb < y1) // bottom, left to right
        for (int x = std::max(x0, l); x <= std::min(x1 - 1, rr - 1); ++x)
            pen.plot(x, bb, w1 + h1 + (x - l));
    if (rr >= x0 && rr < x1) // right, upwards
        for (int y = std::max(y0, t + 1); y <= std::min(y1 - 1, bb); ++y)
            pen.plot(rr, y, 2 * w1 + h1 + (bb - y));
    return true;
}

void DeviceContext::fillRectClipped(const Rect& q, const RealBrush& brush)
{
    if (brush.null || q.right <= q.left || q.bottom <= q.top)
        return;
    SpanPainter painter(*surface_, drawClip());
    const Rect c = intersect(q, painter.clip());
    for (int y = c.top; y < c.bottom; ++y)
        painter.brush(y, c.left, c.right, brush, brushOrg_);
}

namespace {
// A curved figure in a box of at most one pixel (the editor's click) paints nothing.
bool dotBox(int left, int top, int right, int bottom)
{
    return std::abs(int64_t{right} - left) <= 1 && std::abs(int64_t{bottom} - top) <= 1;
}
} // namespace

bool DeviceContext::tooLarge(int left, int top, int right, int bottom)
{
    return std::abs(int64_t{right} - left) > kMaxFigureExtent || std::abs(int64_t{bottom} - top) > kMaxFigureExtent;
}

bool DeviceContext::tooLarge(std::span<const Point> points)
{
    if (points.empty())
        return false;
    int minX = points[0].x, maxX = minX, minY = points[0].y, maxY = minY;
    for (const Point& p : points) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y);
        maxY = std::max(maxY, p.y);
    }
    return tooLarge(minX, minY, maxX, maxY);
}

bool DeviceContext::Ellipse(int left, int top, int right, int bottom)
{
    if (dotBox(left, top, right, bottom))
        return true;
    if (tooLarge(left, top, right, bottom))
        return false;
    paintFigure(geometry::ellipse(Rect{left, top, right, bottom}, penShape(pen_)));
    return true;
}

bool DeviceContext::RoundRect(int left, int top, int right, int bottom, int width, int height)
{
    if (dotBox(left, top, right, bottom))
        return true;
    if (tooLarge(left, top, right, bottom))
        return false;
    paintFigure(geometry::roundRect(Rect{left, top, right, bottom}, width, height, penShape(pen_)));
    return true;
}

bool DeviceContext::Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    if (dotBox(left, top, right, bottom))
        return true;
    if (tooLarge(left, top, right, bottom))
        return false;
    paintFigure(geometry::pie(Rect{left, top, right, bottom}, {x1, y1}, {x2, y2}, arcDirectionOf(arcDirection_),
                              penShape(pen_)));
    return true;
}

bool DeviceContext::Chord(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    if (dotBox(left, top, right, bottom))
        return true;
    if (tooLarge(left, top, right, bottom))
        return false;
    paintFigure(geometry::chord(Rect{left, top, right, bottom}, {x1, y1}, {x2, y2}, arcDirectionOf(arcDirection_),
                                penShape(pen_)));
    return true;
}

bool DeviceContext::Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    if (dotBox(left, top, right, bottom))
        return true;
    if (tooLarge(left, top, right, bottom))
        return false;
    geometry::Figure f = geometry::arc(Rect{left, top, right, bottom}, {x1, y1}, {x2, y2},
                                       arcDirectionOf(arcDirection_), penShape(pen_));
    f.interior.clear();
    paintFigure(f);
    return true;
}

bool DeviceContext::ArcTo(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2)
{
    if (tooLarge(left, top, right, bottom))
        return false;
    geometry::ArcToResult r = geometry::arcTo(position_, Rect{left, top, right, bottom}, {x1, y1}, {x2, y2},
                                              arcDirectionOf(arcDirection_), penShape(pen_));
    r.figure.interior.clear();
    paintFigure(r.figure);
    position_ = r.newCurrentPosition;
    return true;
}

bool DeviceContext::Polygon(std::span<const Point> points)
{
    if (points.size() < 2)
        return false;
    if (tooLarge(points))
        return false;
    paintFigure(geometry::polygon(points,
                                  polyFillMode_ == WINDING ? geometry::PolyFillMode::Winding : geometry::PolyFillMode::Alternate,
                                  penShape(pen_)));
    return true;
}

bool DeviceContext::ExtFloodFill(int x, int y, ColorRef color, int type)
{
    const Rect clip = drawClip();
    if (x < clip.left || y < clip.top || x >= clip.right || y >= clip.bottom)
        return false;
    const uint32_t value = nearestValue(color);
    const SpanList region = geometry::floodFill(
        *surface_, x, y, value, type == FLOODFILLSURFACE ? geometry::FloodFillKind::Surface : geometry::FloodFillKind::Border,
        clip);
    if (region.empty())
        return false;
    fillSpans(region, realise(brush_, rop2_));
    return true;
}

bool DeviceContext::FillRect(const Rect& rect, const Brush& brush)
{
    fillRectClipped(normalised(rect), realise(brush, R2_COPYPEN));
    return true;
}

bool DeviceContext::FrameRect(const Rect& rect, const Brush& brush)
{
    const Rect r = normalised(rect);
    if (r.right <= r.left || r.bottom <= r.top)
        return true;
    const RealBrush b = realise(brush, R2_COPYPEN);
    fillRectClipped(Rect{r.left, r.top, r.right, r.top + 1}, b);
    if (r.bottom - r.top > 1)
        fillRectClipped(Rect{r.left, r.bottom - 1, r.right, r.bottom}, b);
    fillRectClipped(Rect{r.left, r.top + 1, r.left + 1, r.bottom - 1}, b);
    if (r.right - r.left > 1)
        fillRectClipped(Rect{r.right - 1, r.top + 1, r.right, r.bottom - 1}, b);
    return true;
}

bool DeviceContext::DrawFocusRect(const Rect& rect)
{
    // A one-pixel checker frame inverted through a pattern brush, as PatBlt PATINVERT.
    static constexpr std::array<uint8_t, 8> kChecker{0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    const Brush saved = SelectBrush(Brush::monoPattern(kChecker));
    const int64_t l = rect.left, t = rect.top, r = rect.right, b = rect.bottom;
    auto c = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
    PatBlt(c(l), c(t), c(r - l), 1, PATINVERT);
    PatBlt(c(l), c(b - 1), c(r - l), 1, PATINVERT);
    PatBlt(c(l), c(t + 1), 1, c(b - t - 2), PATINVERT);
    PatBlt(c(r - 1), c(t + 1), 1, c(b - t - 2), PATINVERT);
    SelectBrush(saved);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pixels

bool DeviceContext::SetPixelV(int x, int y, ColorRef c)
{
    const Rect clip = drawClip();
    if (x < clip.left || y < clip.top || x >= clip.right || y >= clip.bottom)
        return true;
    detail::depthOps(surface_->bitsPerPixel()).put(surface_->scanLine(y), x, nearestValue(c));
    return true;
}

ColorRef DeviceContext::SetPixel(int x, int y, ColorRef c)
{
    const Rect clip = drawClip();
    if (x < clip.left || y < clip.top || x >= clip.right || y >= clip.bottom)
        return CLR_INVALID;
    const uint32_t v = nearestValue(c);
    detail::depthOps(surface_->bitsPerPixel()).put(surface_->scanLine(y), x, v);
    return colorOfValue(v);
}

ColorRef DeviceContext::GetPixel(int x, int y) const
{
    const Rect clip = drawClip();
    if (x < clip.left || y < clip.top || x >= clip.right || y >= clip.bottom)
        return CLR_INVALID;
    return colorOfValue(detail::depthOps(surface_->bitsPerPixel()).get(std::as_const(*surface_).scanLine(y), x));
}

} // namespace gdi
