#include "platform/metafile/playback.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace metafile {

namespace {

// Coordinates are clamped far inside int range; the raster layer refuses figures this large.
constexpr double kCoordinateLimit = 1 << 28;
// Bounds what a damaged file can ask of the font engine and of the save stack.
constexpr int kMaxFontPixels = 2048;
constexpr size_t kMaxSavedStates = 1024;
constexpr size_t kMaxPathPoints = 1 << 20;

int clampCoordinate(double v)
{
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::lround(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)));
}

gdi::Brush stockBrush(uint32_t n)
{
    static constexpr gdi::ColorRef greys[] = {gdi::RGB(255, 255, 255), gdi::RGB(192, 192, 192),
                                              gdi::RGB(128, 128, 128), gdi::RGB(64, 64, 64), gdi::RGB(0, 0, 0)};
    return n < 5 ? gdi::Brush::solid(greys[n]) : gdi::Brush::null();
}

} // namespace

struct Playback::SavedState {
    GraphicsObject pen, font;
    gdi::Brush brush;
    int mapMode;
    PointD windowOrg, viewportOrg, windowExt, viewportExt;
    Affine world;
    unsigned textAlign;
    PointD position;
    int rop2, bkMode, polyFillMode, arcDirection, stretchMode;
    gdi::ColorRef bkColor, textColor;
    gdi::Rect clip;
};

Playback::Playback(gdi::DeviceContext& dc, const Affine& referenceToDevice, size_t objectSlots, double pixelsPerMmX,
                   double pixelsPerMmY)
    : dc_(dc),
      referenceToDevice_(referenceToDevice),
      pixelsPerMmX_(pixelsPerMmX),
      pixelsPerMmY_(pixelsPerMmY),
      objects_(objectSlots)
{
    dc_.GetClipBox(&initialClip_);
    selectedPen_.kind = GraphicsObject::Pen;
    selectedPen_.pen = dc_.GetPen();
    selectedFont_.kind = GraphicsObject::Font;
    selectedFont_.font = dc_.GetFont();
    updateTransform();
}

Playback::~Playback() = default;

// ---- Objects ----

bool Playback::createObject(uint32_t index, const GraphicsObject& object)
{
    if (index >= objects_.size())
        return false;
    objects_[index] = object;
    return true;
}

void Playback::createObjectAtFreeSlot(const GraphicsObject& object)
{
    for (GraphicsObject& slot : objects_)
        if (slot.kind == GraphicsObject::None) {
            slot = object;
            return;
        }
}

bool Playback::selectObject(uint32_t index)
{
    if (index & 0x80000000u) {
        selectStockObject(index & 0x7FFFFFFFu);
        return true;
    }
    if (index >= objects_.size())
        return false;
    const GraphicsObject& object = objects_[index];
    switch (object.kind) {
    case GraphicsObject::Pen:
        selectedPen_ = object;
        realisePen();
        break;
    case GraphicsObject::Brush:
        dc_.SelectBrush(object.brush);
        break;
    case GraphicsObject::Font:
        selectedFont_ = object;
        realiseFont();
        break;
    case GraphicsObject::None:
    case GraphicsObject::Other:
        break;
    }
    return true;
}

void Playback::selectStockObject(uint32_t stock)
{
    enum : uint32_t { WhitePen = 6, BlackPen = 7, NullPen = 8, SystemFont = 13, DcBrush = 18, DcPen = 19 };
    if (stock <= 5 || stock == DcBrush) {
        dc_.SelectBrush(stock == DcBrush ? gdi::Brush::solid(gdi::RGB(255, 255, 255)) : stockBrush(stock));
        return;
    }
    if (stock == WhitePen || stock == BlackPen || stock == NullPen || stock == DcPen) {
        selectedPen_.cosmeticPen = true;
        selectedPen_.pen = stock == NullPen    ? gdi::Pen::null()
                           : stock == WhitePen ? gdi::Pen::solid(gdi::RGB(255, 255, 255))
                                               : gdi::Pen::solid(gdi::RGB(0, 0, 0));
        realisePen();
        return;
    }
    if (stock >= 10 && stock <= 17 && stock != 15) {
        selectedFont_.font = gdi::Font{};
        selectedFont_.font.height = -12;
        dc_.SelectFont(selectedFont_.font);
    }
}

bool Playback::deleteObject(uint32_t index)
{
    // Stock objects are never deleted; asking is harmless.
    if (index & 0x80000000u)
        return true;
    if (index >= objects_.size())
        return false;
    objects_[index] = GraphicsObject{};
    return true;
}

void Playback::realisePen()
{
    gdi::Pen pen = selectedPen_.pen;
    if (!selectedPen_.cosmeticPen && pen.width > 1) {
        const double width = pen.width * total_.lengthScale();
        pen.width = std::clamp(static_cast<int>(std::lround(std::isfinite(width) ? width : 1.0)), 1, 4096);
    } else {
        pen.width = std::min(pen.width, 1);
    }
    dc_.SelectPen(pen);
}

void Playback::realiseFont()
{
    gdi::Font font = selectedFont_.font;
    const double height = font.height * std::abs(total_.m22 != 0 ? total_.m22 : total_.lengthScale());
    font.height = std::isfinite(height) ? std::clamp(static_cast<int>(std::lround(height)), -kMaxFontPixels, kMaxFontPixels) : 0;
    dc_.SelectFont(font);
}

// ---- Mapping ----

void Playback::updateTransform()
{
    static constexpr double unitMm[] = {0, 0, 0.1, 0.01, 0.254, 0.0254, 25.4 / 1440};
    double sx = 1, sy = 1;
    if (mapMode_ >= MM_LOMETRIC && mapMode_ <= MM_TWIPS) {
        sx = pixelsPerMmX_ * unitMm[mapMode_];
        sy = -pixelsPerMmY_ * unitMm[mapMode_];
    } else if (mapMode_ == MM_ISOTROPIC || mapMode_ == MM_ANISOTROPIC) {
        sx = windowExt_.x != 0 ? viewportExt_.x / windowExt_.x : 1;
        sy = windowExt_.y != 0 ? viewportExt_.y / windowExt_.y : 1;
        if (mapMode_ == MM_ISOTROPIC) {
            const double s = std::min(std::abs(sx), std::abs(sy));
            sx = std::copysign(s, sx);
            sy = std::copysign(s, sy);
        }
    }
    const Affine page = Affine::scale(sx, sy, viewportOrg_.x - windowOrg_.x * sx, viewportOrg_.y - windowOrg_.y * sy);
    total_ = world_.then(page).then(referenceToDevice_);
    if (!total_.isFinite())
        total_ = referenceToDevice_;
    realisePen();
    realiseFont();
}

void Playback::setMapMode(int mode)
{
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC || lockedViewport_)
        return;
    mapMode_ = mode;
    updateTransform();
}

void Playback::setWindowOrg(double x, double y)
{
    windowOrg_ = {x, y};
    updateTransform();
}

void Playback::setWindowExt(double cx, double cy)
{
    if (cx == 0 || cy == 0 || (mapMode_ != MM_ISOTROPIC && mapMode_ != MM_ANISOTROPIC))
        return;
    windowExt_ = {cx, cy};
    updateTransform();
}

void Playback::setViewportOrg(double x, double y)
{
    if (lockedViewport_)
        return;
    viewportOrg_ = {x, y};
    updateTransform();
}

void Playback::setViewportExt(double cx, double cy)
{
    if (lockedViewport_ || cx == 0 || cy == 0 || (mapMode_ != MM_ISOTROPIC && mapMode_ != MM_ANISOTROPIC))
        return;
    viewportExt_ = {cx, cy};
    updateTransform();
}

void Playback::offsetWindowOrg(double x, double y)
{
    setWindowOrg(windowOrg_.x + x, windowOrg_.y + y);
}

void Playback::scaleWindowExt(double xNum, double xDenom, double yNum, double yDenom)
{
    if (xDenom == 0 || yDenom == 0)
        return;
    setWindowExt(windowExt_.x * xNum / xDenom, windowExt_.y * yNum / yDenom);
}

void Playback::setWorldTransform(const Affine& world)
{
    if (!world.isFinite())
        return;
    world_ = world;
    updateTransform();
}

void Playback::modifyWorldTransform(const Affine& change, uint32_t mode)
{
    enum : uint32_t { Identity = 1, LeftMultiply, RightMultiply, Set };
    switch (mode) {
    case Identity:
        setWorldTransform(Affine{});
        break;
    case LeftMultiply:
        setWorldTransform(change.then(world_));
        break;
    case RightMultiply:
        setWorldTransform(world_.then(change));
        break;
    case Set:
        setWorldTransform(change);
        break;
    default:
        break;
    }
}

void Playback::saveDC()
{
    if (saved_.size() >= kMaxSavedStates)
        return;
    SavedState s{selectedPen_, selectedFont_, dc_.GetBrush(), mapMode_, windowOrg_, viewportOrg_, windowExt_,
                 viewportExt_, world_, textAlign_, position_, dc_.GetROP2(), dc_.GetBkMode(), dc_.GetPolyFillMode(),
                 dc_.GetArcDirection(), dc_.GetStretchBltMode(), dc_.GetBkColor(), dc_.GetTextColor(), {}};
    dc_.GetClipBox(&s.clip);
    saved_.push_back(std::move(s));
}

bool Playback::restoreDC(int relative)
{
    // Negative: that many states back; positive: the state with that number (1 = the first saved).
    const int64_t count = static_cast<int64_t>(saved_.size());
    const int64_t target = relative < 0 ? count + relative : int64_t{relative} - 1;
    if (target < 0 || target >= count)
        return false;
    SavedState s = std::move(saved_[static_cast<size_t>(target)]);
    saved_.resize(static_cast<size_t>(target));
    selectedPen_ = s.pen;
    selectedFont_ = s.font;
    dc_.SelectBrush(s.brush);
    mapMode_ = s.mapMode;
    windowOrg_ = s.windowOrg;
    viewportOrg_ = s.viewportOrg;
    windowExt_ = s.windowExt;
    viewportExt_ = s.viewportExt;
    world_ = s.world;
    textAlign_ = s.textAlign;
    position_ = s.position;
    dc_.SetROP2(s.rop2);
    dc_.SetBkMode(s.bkMode);
    dc_.SetPolyFillMode(s.polyFillMode);
    dc_.SetArcDirection(s.arcDirection);
    dc_.SetStretchBltMode(s.stretchMode);
    dc_.SetBkColor(s.bkColor);
    dc_.SetTextColor(s.textColor);
    dc_.SelectClipRect(&s.clip);
    updateTransform();
    return true;
}

// ---- Clipping ----

void Playback::intersectClip(double left, double top, double right, double bottom)
{
    const gdi::Rect r = deviceRect(left, top, right, bottom);
    dc_.IntersectClipRect(r.left, r.top, r.right, r.bottom);
}

void Playback::selectDeviceClip(const gdi::Rect* rect)
{
    dc_.SelectClipRect(&initialClip_);
    if (!rect)
        return;
    const Affine& m = referenceToDevice_;
    const int x0 = clampCoordinate(m.mapX(rect->left, rect->top)), y0 = clampCoordinate(m.mapY(rect->left, rect->top));
    const int x1 = clampCoordinate(m.mapX(rect->right, rect->bottom));
    const int y1 = clampCoordinate(m.mapY(rect->right, rect->bottom));
    dc_.IntersectClipRect(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1));
}

// ---- Coordinates ----

gdi::Point Playback::device(double x, double y) const
{
    return gdi::Point{clampCoordinate(total_.mapX(x, y)), clampCoordinate(total_.mapY(x, y))};
}

gdi::Rect Playback::deviceRect(double left, double top, double right, double bottom) const
{
    const gdi::Point a = device(left, top), b = device(right, bottom);
    return gdi::Rect{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

const std::vector<gdi::Point>& Playback::devicePoints(std::span<const PointD> points)
{
    scratch_.resize(points.size());
    for (size_t i = 0; i < points.size(); ++i)
        scratch_[i] = device(points[i]);
    return scratch_;
}

// ---- Paths ----

void Playback::beginPath()
{
    inPath_ = true;
    path_.clear();
}

void Playback::abortPath()
{
    inPath_ = false;
    path_.clear();
}

void Playback::closeFigure()
{
    if (inPath_ && !path_.empty() && path_.back().size() > 1)
        path_.back().push_back(path_.back().front());
}

void Playback::addToPath(std::span<const PointD> points, bool closed)
{
    size_t total = 0;
    for (const auto& figure : path_)
        total += figure.size();
    if (total + points.size() > kMaxPathPoints)
        return;
    path_.emplace_back(points.begin(), points.end());
    if (closed && !points.empty())
        path_.back().push_back(points.front());
}

void Playback::fillPath(bool stroke, bool fill)
{
    inPath_ = false;
    const gdi::Pen pen = dc_.GetPen();
    for (const auto& figure : path_) {
        if (figure.size() < 2)
            continue;
        const auto& pts = devicePoints(figure);
        if (fill) {
            dc_.SelectPen(gdi::Pen::null());
            dc_.Polygon(pts);
            dc_.SelectPen(pen);
        }
        if (stroke)
            dc_.Polyline(pts);
    }
    path_.clear();
}

void Playback::clipToPath()
{
    inPath_ = false;
    bool any = false;
    gdi::Rect box{};
    for (const auto& figure : path_)
        for (const PointD& p : figure) {
            const gdi::Point d = device(p);
            if (!any)
                box = gdi::Rect{d.x, d.y, d.x, d.y};
            box = gdi::Rect{std::min(box.left, d.x), std::min(box.top, d.y), std::max(box.right, d.x),
                            std::max(box.bottom, d.y)};
            any = true;
        }
    if (any)
        dc_.IntersectClipRect(box.left, box.top, box.right, box.bottom);
    path_.clear();
}

// ---- Drawing ----

void Playback::moveTo(double x, double y)
{
    position_ = {x, y};
    if (inPath_) {
        path_.emplace_back();
        path_.back().push_back(position_);
        return;
    }
    const gdi::Point d = device(x, y);
    dc_.MoveTo(d.x, d.y);
}

void Playback::lineTo(double x, double y)
{
    if (inPath_) {
        if (path_.empty())
            path_.push_back({position_});
        path_.back().push_back({x, y});
        position_ = {x, y};
        return;
    }
    const gdi::Point from = device(position_);
    const gdi::Point to = device(x, y);
    dc_.MoveTo(from.x, from.y);
    dc_.LineTo(to.x, to.y);
    position_ = {x, y};
}

void Playback::polyline(std::span<const PointD> points)
{
    if (points.empty())
        return;
    if (inPath_) {
        addToPath(points, false);
        return;
    }
    dc_.Polyline(devicePoints(points));
}

void Playback::polylineTo(std::span<const PointD> points)
{
    for (const PointD& p : points)
        lineTo(p.x, p.y);
}

void Playback::polygon(std::span<const PointD> points)
{
    if (points.size() < 2)
        return;
    if (inPath_) {
        addToPath(points, true);
        return;
    }
    dc_.Polygon(devicePoints(points));
}

void Playback::polyBezier(std::span<const PointD> points, bool fromCurrent)
{
    // Flattened into lines: each cubic piece becomes 16 segments.
    std::vector<PointD> line;
    PointD start = fromCurrent ? position_ : (points.empty() ? PointD{} : points[0]);
    size_t i = fromCurrent ? 0 : 1;
    line.push_back(start);
    for (; i + 3 <= points.size(); i += 3) {
        const PointD p0 = start, p1 = points[i], p2 = points[i + 1], p3 = points[i + 2];
        for (int k = 1; k <= 16; ++k) {
            const double t = k / 16.0, u = 1 - t;
            line.push_back({u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x,
                            u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y});
        }
        start = p3;
    }
    if (fromCurrent) {
        polylineTo(std::span<const PointD>(line).subspan(1));
        return;
    }
    polyline(line);
}

std::vector<PointD> Playback::ellipsePoints(double left, double top, double right, double bottom) const
{
    std::vector<PointD> points;
    const double cx = (left + right) / 2, cy = (top + bottom) / 2, rx = (right - left) / 2, ry = (bottom - top) / 2;
    constexpr int steps = 64;
    for (int k = 0; k < steps; ++k) {
        const double a = 2 * std::numbers::pi * k / steps;
        points.push_back({cx + rx * std::cos(a), cy + ry * std::sin(a)});
    }
    return points;
}

void Playback::drawFigure(std::span<const PointD> outline, bool closed)
{
    if (closed)
        polygon(outline);
    else
        polyline(outline);
}

void Playback::rectangle(double left, double top, double right, double bottom)
{
    if (inPath_ || total_.rotatesOrShears()) {
        const PointD corners[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
        drawFigure(corners, true);
        return;
    }
    const gdi::Rect r = deviceRect(left, top, right, bottom);
    dc_.Rectangle(r.left, r.top, r.right, r.bottom);
}

void Playback::roundRect(double left, double top, double right, double bottom, double width, double height)
{
    if (inPath_ || total_.rotatesOrShears()) {
        rectangle(left, top, right, bottom);
        return;
    }
    const gdi::Rect r = deviceRect(left, top, right, bottom);
    const double s = total_.lengthScale();
    dc_.RoundRect(r.left, r.top, r.right, r.bottom, clampCoordinate(std::abs(width * total_.m11)),
                  clampCoordinate(std::abs(height * (total_.m22 != 0 ? total_.m22 : s))));
}

void Playback::ellipse(double left, double top, double right, double bottom)
{
    if (inPath_ || total_.rotatesOrShears()) {
        drawFigure(ellipsePoints(left, top, right, bottom), true);
        return;
    }
    const gdi::Rect r = deviceRect(left, top, right, bottom);
    dc_.Ellipse(r.left, r.top, r.right, r.bottom);
}

void Playback::arc(ArcKind kind, double left, double top, double right, double bottom, PointD start, PointD end)
{
    if (inPath_)
        return;
    const gdi::Rect r = deviceRect(left, top, right, bottom);
    const gdi::Point s = device(start), e = device(end);
    // A mirroring map turns the arc's direction round.
    const bool mirrored = total_.m11 * total_.m22 - total_.m12 * total_.m21 < 0;
    const gdi::Point a = mirrored ? e : s, b = mirrored ? s : e;
    switch (kind) {
    case ArcKind::Arc:
        dc_.Arc(r.left, r.top, r.right, r.bottom, a.x, a.y, b.x, b.y);
        break;
    case ArcKind::ArcTo:
        dc_.ArcTo(r.left, r.top, r.right, r.bottom, a.x, a.y, b.x, b.y);
        position_ = end;
        break;
    case ArcKind::Chord:
        dc_.Chord(r.left, r.top, r.right, r.bottom, a.x, a.y, b.x, b.y);
        break;
    case ArcKind::Pie:
        dc_.Pie(r.left, r.top, r.right, r.bottom, a.x, a.y, b.x, b.y);
        break;
    }
}

void Playback::setPixel(double x, double y, gdi::ColorRef colour)
{
    const gdi::Point d = device(x, y);
    dc_.SetPixelV(d.x, d.y, colour);
}

void Playback::fillRect(double left, double top, double right, double bottom, const gdi::Brush& brush)
{
    dc_.FillRect(deviceRect(left, top, right, bottom), brush);
}

void Playback::text(double x, double y, const QString& text, const double* opaqueRect)
{
    if (opaqueRect)
        fillRect(opaqueRect[0], opaqueRect[1], opaqueRect[2], opaqueRect[3], gdi::Brush::solid(dc_.GetBkColor()));
    if (text.isEmpty())
        return;
    const bool fromCurrent = textAlign_ & TA_UPDATECP;
    gdi::Point at = device(fromCurrent ? position_ : PointD{x, y});
    const gdi::Size extent = dc_.GetTextExtentPoint32(text);
    if ((textAlign_ & TA_BASELINE) == TA_BASELINE)
        at.y -= dc_.GetTextMetrics().tmAscent;
    else if (textAlign_ & TA_BOTTOM)
        at.y -= extent.cy;
    if ((textAlign_ & TA_CENTER) == TA_CENTER)
        at.x -= extent.cx / 2;
    else if (textAlign_ & TA_RIGHT)
        at.x -= extent.cx;
    dc_.TextOut(at.x, at.y, text);
    if (fromCurrent && total_.m11 != 0)
        position_.x += extent.cx / total_.m11;
}

void Playback::patBlt(double x, double y, double cx, double cy, gdi::RasterOp rop)
{
    const gdi::Rect r = deviceRect(x, y, x + cx, y + cy);
    dc_.PatBlt(r.left, r.top, r.right - r.left, r.bottom - r.top, rop);
}

void Playback::dib(double x, double y, double cx, double cy, int xSrc, int ySrc, int cxSrc, int cySrc,
                   const void* bits, const gdi::BitmapInfo& info, unsigned usage, gdi::RasterOp rop)
{
    const gdi::Point a = device(x, y), b = device(x + cx, y + cy);
    dc_.StretchDIBits(a.x, a.y, b.x - a.x, b.y - a.y, xSrc, ySrc, cxSrc, cySrc, bits, info, usage, rop);
}

} // namespace metafile
