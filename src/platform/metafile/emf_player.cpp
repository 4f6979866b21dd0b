#include "platform/metafile/emf_player.h"

#include "platform/framework/exceptions.h"
#include "platform/metafile/dib_record.h"
#include "platform/metafile/emf_document.h"
#include "platform/metafile/playback.h"

#include <uemf.h>

#include <cstring>
#include <vector>

namespace metafile {

namespace {

gdi::ColorRef colour(const U_COLORREF& c)
{
    return gdi::RGB(c.Red, c.Green, c.Blue);
}

gdi::Brush brushFrom(const U_LOGBRUSH& lb)
{
    switch (lb.lbStyle) {
    case U_BS_SOLID:
        return gdi::Brush::solid(colour(lb.lbColor));
    case U_BS_HATCHED:
        return gdi::Brush::hatched(static_cast<int>(lb.lbHatch % 6), colour(lb.lbColor));
    default:
        return gdi::Brush::null();
    }
}

// A DIB brush becomes a tile of its colours, at most 256 x 256 pixels of it.
gdi::Brush brushFromDib(const RecordDib& dib)
{
    gdi::DibSurface surface(std::min(dib.info.bmiHeader.biWidth, 256),
                            std::min(std::abs(dib.info.bmiHeader.biHeight), 256), 32);
    gdi::DeviceContext dc(surface);
    dc.StretchDIBits(0, 0, surface.width(), surface.height(), 0,
                     dib.info.bmiHeader.biHeight > 0 ? dib.info.bmiHeader.biHeight - surface.height() : 0,
                     surface.width(), surface.height(), dib.bits, dib.info, gdi::DIB_RGB_COLORS, gdi::SRCCOPY);
    auto tile = std::make_shared<gdi::ColorTile>();
    tile->width = surface.width();
    tile->height = surface.height();
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            tile->colours.push_back(dc.GetPixel(x, y));
    return gdi::Brush::colorTile(std::move(tile));
}

class EmfRecordPlayer {
public:
    explicit EmfRecordPlayer(Playback& playback) : p_(playback) {}

    void play(uint32_t type, std::span<const uint8_t> record)
    {
        type_ = type;
        record_ = record;
        playRecord();
    }

private:
    [[noreturn]] void damaged() const
    {
        throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1 cannot be played").arg(emfRecordName(type_)));
    }
    // Index 0 stands for the metafile itself: no record creates, selects or deletes it.
    void useObject(bool (Playback::*use)(uint32_t), uint32_t index)
    {
        if (index == 0 || !(p_.*use)(index))
            damaged();
    }
    void create(uint32_t index, const GraphicsObject& object)
    {
        if (index == 0 || !p_.createObject(index, object))
            damaged();
    }
    // The record's fixed part as T; the record must hold at least `bytes` of it.
    template <typename T>
    const T& as(size_t bytes = sizeof(T)) const
    {
        if (record_.size() < bytes)
            damaged();
        return *reinterpret_cast<const T*>(record_.data());
    }
    template <typename Point>
    std::span<const PointD> points(size_t offset, uint64_t count)
    {
        if (offset > record_.size() || count > (record_.size() - offset) / sizeof(Point))
            damaged();
        points_.resize(count);
        for (size_t i = 0; i < count; ++i) {
            Point q;
            std::memcpy(&q, record_.data() + offset + i * sizeof(Point), sizeof q);
            points_[i] = PointD{double(q.x), double(q.y)};
        }
        return points_;
    }
    template <typename Point>
    void polyPoints(uint64_t count, size_t offset);
    template <typename Point>
    void polyPoly(const U_EMRPOLYPOLYLINE& r, size_t pointsOffset, bool closed);
    void text();
    void bitmap(const U_POINTL& dest, const U_POINTL& destSize, const U_POINTL& src, const U_POINTL& srcSize,
                uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits, uint32_t usage, uint32_t rop,
                bool topDownSource);
    void clipRegion();
    void pen();
    void brushFromRecord(uint32_t index, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits);

    void playRecord();

    Playback& p_;
    uint32_t type_ = 0;
    std::span<const uint8_t> record_;
    std::vector<PointD> points_;
};

template <typename Point>
void EmfRecordPlayer::polyPoints(uint64_t count, size_t offset)
{
    const std::span<const PointD> pts = points<Point>(offset, count);
    switch (type_) {
    case U_EMR_POLYGON:
    case U_EMR_POLYGON16:
        p_.polygon(pts);
        break;
    case U_EMR_POLYLINE:
    case U_EMR_POLYLINE16:
        p_.polyline(pts);
        break;
    case U_EMR_POLYLINETO:
    case U_EMR_POLYLINETO16:
        p_.polylineTo(pts);
        break;
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYBEZIER16:
        p_.polyBezier(pts, false);
        break;
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYBEZIERTO16:
        p_.polyBezier(pts, true);
        break;
    default:
        break;
    }
}

template <typename Point>
void EmfRecordPlayer::polyPoly(const U_EMRPOLYPOLYLINE& r, size_t countsOffset, bool closed)
{
    const uint64_t polys = r.nPolys;
    if (polys > (record_.size() - countsOffset) / 4)
        damaged();
    const size_t pointsOffset = countsOffset + polys * 4;
    const std::span<const PointD> all = points<Point>(pointsOffset, r.cptl);
    const std::vector<PointD> copy(all.begin(), all.end());
    uint64_t used = 0;
    for (uint64_t i = 0; i < polys; ++i) {
        uint32_t n;
        std::memcpy(&n, record_.data() + countsOffset + i * 4, 4);
        if (n > copy.size() - used)
            damaged();
        const std::span<const PointD> one(copy.data() + used, n);
        if (closed)
            p_.polygon(one);
        else
            p_.polyline(one);
        used += n;
    }
}

void EmfRecordPlayer::text()
{
    const auto& r = as<U_EMREXTTEXTOUTW>();
    const U_EMRTEXT& t = r.emrtext;
    const bool wide = type_ == U_EMR_EXTTEXTOUTW;
    const uint64_t bytes = uint64_t{t.nChars} * (wide ? 2 : 1);
    const std::span<const uint8_t> chars = recordSlice(record_, t.offString, bytes);
    if (bytes > 0 && chars.empty())
        damaged();
    QString s;
    if (wide) {
        std::vector<char16_t> units(t.nChars);
        std::memcpy(units.data(), chars.data(), bytes);
        s = QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
    } else {
        s = QString::fromLatin1(reinterpret_cast<const char*>(chars.data()), static_cast<qsizetype>(bytes));
    }
    const size_t rectOffset = offsetof(U_EMREXTTEXTOUTW, emrtext) + sizeof(U_EMRTEXT);
    double opaque[4];
    const bool hasRect = !(t.fOptions & U_ETO_NO_RECT) && (t.fOptions & U_ETO_OPAQUE)
                         && record_.size() >= rectOffset + sizeof(U_RECTL);
    if (hasRect) {
        U_RECTL rc;
        std::memcpy(&rc, record_.data() + rectOffset, sizeof rc);
        opaque[0] = rc.left, opaque[1] = rc.top, opaque[2] = rc.right, opaque[3] = rc.bottom;
    }
    p_.text(t.ptlReference.x, t.ptlReference.y, s, hasRect ? opaque : nullptr);
}

void EmfRecordPlayer::bitmap(const U_POINTL& dest, const U_POINTL& destSize, const U_POINTL& src,
                             const U_POINTL& srcSize, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits,
                             uint32_t cbBits, uint32_t usage, uint32_t rop, bool topDownSource)
{
    if (cbBmi == 0) {
        p_.patBlt(dest.x, dest.y, destSize.x, destSize.y, rop);
        return;
    }
    const std::optional<RecordDib> dib = readRecordDib(recordSlice(record_, offBmi, cbBmi), recordSlice(record_, offBits, cbBits));
    if (!dib)
        return; // a bitmap the raster layer does not draw is left out, like the platform does
    int ySrc = src.y;
    // Blits name the source's top row; a bottom-up DIB counts rows from its bottom.
    if (topDownSource && dib->info.bmiHeader.biHeight > 0)
        ySrc = static_cast<int>(int64_t{dib->info.bmiHeader.biHeight} - src.y - srcSize.y);
    p_.dib(dest.x, dest.y, destSize.x, destSize.y, src.x, ySrc, srcSize.x, srcSize.y, dib->bits, dib->info,
           usage == 1 ? gdi::DIB_PAL_COLORS : gdi::DIB_RGB_COLORS, rop);
}

void EmfRecordPlayer::clipRegion()
{
    const auto& r = as<U_EMREXTSELECTCLIPRGN>(U_SIZE_EMREXTSELECTCLIPRGN);
    if (r.cbRgnData < sizeof(U_RGNDATAHEADER)) {
        if (r.iMode == U_RGN_COPY)
            p_.selectDeviceClip(nullptr);
        return;
    }
    if (record_.size() < U_SIZE_EMREXTSELECTCLIPRGN + sizeof(U_RGNDATAHEADER))
        damaged();
    U_RGNDATAHEADER h;
    std::memcpy(&h, record_.data() + U_SIZE_EMREXTSELECTCLIPRGN, sizeof h);
    // The region's bounds stand in for the region: the raster layer clips to one rectangle.
    const gdi::Rect bounds{h.rclBounds.left, h.rclBounds.top, h.rclBounds.right, h.rclBounds.bottom};
    if (r.iMode == U_RGN_COPY || r.iMode == U_RGN_AND)
        p_.selectDeviceClip(&bounds);
}

void EmfRecordPlayer::pen()
{
    GraphicsObject object;
    object.kind = GraphicsObject::Pen;
    if (type_ == U_EMR_CREATEPEN) {
        const auto& r = as<U_EMRCREATEPEN>();
        object.pen = gdi::Pen{static_cast<int>(r.lopn.lopnStyle & gdi::PS_STYLE_MASK), r.lopn.lopnWidth.x,
                              colour(r.lopn.lopnColor)};
        object.cosmeticPen = r.lopn.lopnWidth.x <= 1;
        create(r.ihPen, object);
        return;
    }
    const auto& r = as<U_EMREXTCREATEPEN>(U_SIZE_EMREXTCREATEPEN - sizeof(U_EXTLOGPEN) + U_SIZE_EXTLOGPEN);
    const bool geometric = (r.elp.elpPenStyle & gdi::PS_TYPE_MASK) == gdi::PS_GEOMETRIC;
    const int width = static_cast<int>(std::min<uint32_t>(r.elp.elpWidth, 1u << 20));
    object.pen = gdi::Pen{static_cast<int>(r.elp.elpPenStyle & gdi::PS_STYLE_MASK), geometric ? width : 1,
                          colour(r.elp.elpColor)};
    if (r.elp.elpBrushStyle == U_BS_NULL)
        object.pen = gdi::Pen::null();
    object.cosmeticPen = !geometric;
    create(r.ihPen, object);
}

void EmfRecordPlayer::brushFromRecord(uint32_t index, uint32_t offBmi, uint32_t cbBmi, uint32_t offBits, uint32_t cbBits)
{
    const std::optional<RecordDib> dib = readRecordDib(recordSlice(record_, offBmi, cbBmi), recordSlice(record_, offBits, cbBits));
    GraphicsObject object;
    object.kind = GraphicsObject::Brush;
    object.brush = dib ? brushFromDib(*dib) : gdi::Brush::solid(gdi::RGB(0, 0, 0));
    create(index, object);
}

void EmfRecordPlayer::playRecord()
{
    gdi::DeviceContext& dc = p_.dc();
    switch (type_) {
    case U_EMR_POLYBEZIER:
    case U_EMR_POLYGON:
    case U_EMR_POLYLINE:
    case U_EMR_POLYBEZIERTO:
    case U_EMR_POLYLINETO:
        polyPoints<U_POINTL>(as<U_EMRPOLYLINE>(U_SIZE_EMRPOLYLINE).cptl, U_SIZE_EMRPOLYLINE);
        break;
    case U_EMR_POLYBEZIER16:
    case U_EMR_POLYGON16:
    case U_EMR_POLYLINE16:
    case U_EMR_POLYBEZIERTO16:
    case U_EMR_POLYLINETO16:
        polyPoints<U_POINT16>(as<U_EMRPOLYLINE16>(U_SIZE_EMRPOLYLINE16).cpts, U_SIZE_EMRPOLYLINE16);
        break;
    case U_EMR_POLYPOLYLINE:
    case U_EMR_POLYPOLYGON:
        polyPoly<U_POINTL>(as<U_EMRPOLYPOLYLINE>(U_SIZE_EMRPOLYPOLYLINE), U_SIZE_EMRPOLYPOLYLINE,
                           type_ == U_EMR_POLYPOLYGON);
        break;
    case U_EMR_POLYPOLYLINE16:
    case U_EMR_POLYPOLYGON16:
        polyPoly<U_POINT16>(as<U_EMRPOLYPOLYLINE>(U_SIZE_EMRPOLYPOLYLINE16), U_SIZE_EMRPOLYPOLYLINE16,
                            type_ == U_EMR_POLYPOLYGON16);
        break;
    case U_EMR_SETWINDOWEXTEX: {
        const auto& r = as<U_EMRSETWINDOWEXTEX>();
        p_.setWindowExt(r.szlExtent.cx, r.szlExtent.cy);
        break;
    }
    case U_EMR_SETWINDOWORGEX: {
        const auto& r = as<U_EMRSETWINDOWORGEX>();
        p_.setWindowOrg(r.ptlOrigin.x, r.ptlOrigin.y);
        break;
    }
    case U_EMR_SETVIEWPORTEXTEX: {
        const auto& r = as<U_EMRSETVIEWPORTEXTEX>();
        p_.setViewportExt(r.szlExtent.cx, r.szlExtent.cy);
        break;
    }
    case U_EMR_SETVIEWPORTORGEX: {
        const auto& r = as<U_EMRSETVIEWPORTORGEX>();
        p_.setViewportOrg(r.ptlOrigin.x, r.ptlOrigin.y);
        break;
    }
    case U_EMR_SETBRUSHORGEX: {
        const auto& r = as<U_EMRSETBRUSHORGEX>();
        dc.SetBrushOrg(r.ptlOrigin.x, r.ptlOrigin.y);
        break;
    }
    case U_EMR_SETPIXELV: {
        const auto& r = as<U_EMRSETPIXELV>();
        p_.setPixel(r.ptlPixel.x, r.ptlPixel.y, colour(r.crColor));
        break;
    }
    case U_EMR_SETMAPMODE:
        p_.setMapMode(static_cast<int>(as<U_EMRSETMAPMODE>().iMode));
        break;
    case U_EMR_SETBKMODE:
        dc.SetBkMode(as<U_EMRSETBKMODE>().iMode == 1 ? gdi::TRANSPARENT : gdi::OPAQUE);
        break;
    case U_EMR_SETPOLYFILLMODE:
        dc.SetPolyFillMode(as<U_EMRSETPOLYFILLMODE>().iMode == 2 ? gdi::WINDING : gdi::ALTERNATE);
        break;
    case U_EMR_SETROP2: {
        const uint32_t mode = as<U_EMRSETROP2>().iMode;
        if (mode >= 1 && mode <= 16)
            dc.SetROP2(static_cast<int>(mode));
        break;
    }
    case U_EMR_SETSTRETCHBLTMODE: {
        const uint32_t mode = as<U_EMRSETSTRETCHBLTMODE>().iMode;
        if (mode >= 1 && mode <= 4)
            dc.SetStretchBltMode(static_cast<int>(mode));
        break;
    }
    case U_EMR_SETTEXTALIGN:
        p_.setTextAlign(as<U_EMRSETTEXTALIGN>().iMode);
        break;
    case U_EMR_SETTEXTCOLOR:
        dc.SetTextColor(colour(as<U_EMRSETTEXTCOLOR>().crColor));
        break;
    case U_EMR_SETBKCOLOR:
        dc.SetBkColor(colour(as<U_EMRSETBKCOLOR>().crColor));
        break;
    case U_EMR_MOVETOEX: {
        const auto& r = as<U_EMRMOVETOEX>();
        p_.moveTo(r.ptl.x, r.ptl.y);
        break;
    }
    case U_EMR_LINETO: {
        const auto& r = as<U_EMRLINETO>();
        p_.lineTo(r.ptl.x, r.ptl.y);
        break;
    }
    case U_EMR_INTERSECTCLIPRECT: {
        const auto& r = as<U_EMRINTERSECTCLIPRECT>();
        p_.intersectClip(r.rclClip.left, r.rclClip.top, r.rclClip.right, r.rclClip.bottom);
        break;
    }
    case U_EMR_EXTSELECTCLIPRGN:
        clipRegion();
        break;
    case U_EMR_SCALEVIEWPORTEXTEX:
        break;
    case U_EMR_SCALEWINDOWEXTEX: {
        const auto& r = as<U_EMRSCALEWINDOWEXTEX>();
        p_.scaleWindowExt(r.xNum, r.xDenom, r.yNum, r.yDenom);
        break;
    }
    case U_EMR_SAVEDC:
        p_.saveDC();
        break;
    case U_EMR_RESTOREDC:
        if (!p_.restoreDC(as<U_EMRRESTOREDC>().iRelative))
            damaged();
        break;
    case U_EMR_SETWORLDTRANSFORM: {
        const U_XFORM& x = as<U_EMRSETWORLDTRANSFORM>().xform;
        p_.setWorldTransform(Affine{x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy});
        break;
    }
    case U_EMR_MODIFYWORLDTRANSFORM: {
        const auto& r = as<U_EMRMODIFYWORLDTRANSFORM>();
        const U_XFORM& x = r.xform;
        p_.modifyWorldTransform(Affine{x.eM11, x.eM12, x.eM21, x.eM22, x.eDx, x.eDy}, r.iMode);
        break;
    }
    case U_EMR_SELECTOBJECT:
        useObject(&Playback::selectObject, as<U_EMRSELECTOBJECT>().ihObject);
        break;
    case U_EMR_DELETEOBJECT:
        useObject(&Playback::deleteObject, as<U_EMRDELETEOBJECT>().ihObject);
        break;
    case U_EMR_CREATEPEN:
    case U_EMR_EXTCREATEPEN:
        pen();
        break;
    case U_EMR_CREATEBRUSHINDIRECT: {
        const auto& r = as<U_EMRCREATEBRUSHINDIRECT>();
        GraphicsObject object;
        object.kind = GraphicsObject::Brush;
        object.brush = brushFrom(r.lb);
        create(r.ihBrush, object);
        break;
    }
    case U_EMR_CREATEDIBPATTERNBRUSHPT:
    case U_EMR_CREATEMONOBRUSH: {
        const auto& r = as<U_EMRCREATEDIBPATTERNBRUSHPT>();
        brushFromRecord(r.ihBrush, r.offBmi, r.cbBmi, r.offBits, r.cbBits);
        break;
    }
    case U_EMR_EXTCREATEFONTINDIRECTW: {
        const auto& r = as<U_EMREXTCREATEFONTINDIRECTW>(U_SIZE_EMREXTCREATEFONTINDIRECTW_LOGFONT);
        const U_LOGFONT& lf = r.elfw.elfLogFont;
        GraphicsObject object;
        object.kind = GraphicsObject::Font;
        qsizetype length = 0;
        while (length < U_LF_FACESIZE && lf.lfFaceName[length] != 0)
            ++length;
        object.font.family = QString::fromUtf16(reinterpret_cast<const char16_t*>(lf.lfFaceName), length);
        object.font.height = lf.lfHeight;
        object.font.weight = lf.lfWeight;
        object.font.italic = lf.lfItalic != 0;
        object.font.underline = lf.lfUnderline != 0;
        object.font.strikeOut = lf.lfStrikeOut != 0;
        object.font.charset = lf.lfCharSet;
        create(r.ihFont, object);
        break;
    }
    case U_EMR_ELLIPSE: {
        const U_RECTL& b = as<U_EMRELLIPSE>().rclBox;
        p_.ellipse(b.left, b.top, b.right, b.bottom);
        break;
    }
    case U_EMR_RECTANGLE: {
        const U_RECTL& b = as<U_EMRRECTANGLE>().rclBox;
        p_.rectangle(b.left, b.top, b.right, b.bottom);
        break;
    }
    case U_EMR_ROUNDRECT: {
        const auto& r = as<U_EMRROUNDRECT>();
        p_.roundRect(r.rclBox.left, r.rclBox.top, r.rclBox.right, r.rclBox.bottom, r.szlCorner.cx, r.szlCorner.cy);
        break;
    }
    case U_EMR_ARC:
    case U_EMR_ARCTO:
    case U_EMR_CHORD:
    case U_EMR_PIE: {
        const auto& r = as<U_EMRARC>();
        const Playback::ArcKind kind = type_ == U_EMR_ARC     ? Playback::ArcKind::Arc
                                       : type_ == U_EMR_ARCTO ? Playback::ArcKind::ArcTo
                                       : type_ == U_EMR_CHORD ? Playback::ArcKind::Chord
                                                              : Playback::ArcKind::Pie;
        p_.arc(kind, r.rclBox.left, r.rclBox.top, r.rclBox.right, r.rclBox.bottom,
               PointD{double(r.ptlStart.x), double(r.ptlStart.y)}, PointD{double(r.ptlEnd.x), double(r.ptlEnd.y)});
        break;
    }
    case U_EMR_SETARCDIRECTION:
        dc.SetArcDirection(as<U_EMRSETARCDIRECTION>().iArcDirection == 2 ? gdi::AD_CLOCKWISE : gdi::AD_COUNTERCLOCKWISE);
        break;
    case U_EMR_BEGINPATH:
        p_.beginPath();
        break;
    case U_EMR_ENDPATH:
        p_.endPath();
        break;
    case U_EMR_CLOSEFIGURE:
        p_.closeFigure();
        break;
    case U_EMR_ABORTPATH:
        p_.abortPath();
        break;
    case U_EMR_FILLPATH:
        p_.fillPath(false, true);
        break;
    case U_EMR_STROKEANDFILLPATH:
        p_.fillPath(true, true);
        break;
    case U_EMR_STROKEPATH:
        p_.fillPath(true, false);
        break;
    case U_EMR_SELECTCLIPPATH:
        p_.clipToPath();
        break;
    case U_EMR_EXTTEXTOUTA:
    case U_EMR_EXTTEXTOUTW:
        text();
        break;
    case U_EMR_BITBLT: {
        const auto& r = as<U_EMRBITBLT>();
        bitmap(r.Dest, r.cDest, r.Src, r.cDest, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, r.iUsageSrc,
               r.dwRop, true);
        break;
    }
    case U_EMR_STRETCHBLT: {
        const auto& r = as<U_EMRSTRETCHBLT>();
        bitmap(r.Dest, r.cDest, r.Src, r.cSrc, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, r.iUsageSrc,
               r.dwRop, true);
        break;
    }
    case U_EMR_STRETCHDIBITS: {
        const auto& r = as<U_EMRSTRETCHDIBITS>();
        bitmap(r.Dest, r.cDest, r.Src, r.cSrc, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, r.iUsageSrc,
               r.dwRop, false);
        break;
    }
    case U_EMR_SETDIBITSTODEVICE: {
        const auto& r = as<U_EMRSETDIBITSTODEVICE>();
        if (r.cbBmiSrc > 0)
            bitmap(r.Dest, r.cSrc, r.Src, r.cSrc, r.offBmiSrc, r.cbBmiSrc, r.offBitsSrc, r.cbBitsSrc, r.iUsageSrc,
                   gdi::SRCCOPY, false);
        break;
    }
    default:
        // Palettes, colour management, comments, escapes, OpenGL and the rarer figures leave
        // the picture as it is.
        break;
    }
}

} // namespace

void playEmf(const EmfDocument& document, gdi::DeviceContext& dc, const gdi::Rect& destination)
{
    const EmfHeader& h = document.header();
    const double ppmX = document.pixelsPerMmX(), ppmY = document.pixelsPerMmY();
    // The picture frame, in reference-device pixels, is what fills the destination.
    double left = h.frame.left * ppmX / 100.0, right = h.frame.right * ppmX / 100.0;
    double top = h.frame.top * ppmY / 100.0, bottom = h.frame.bottom * ppmY / 100.0;
    if (right <= left || bottom <= top) {
        left = h.bounds.left, right = h.bounds.right + 1.0;
        top = h.bounds.top, bottom = h.bounds.bottom + 1.0;
    }
    if (right <= left || bottom <= top)
        return;
    const double sx = (destination.right - destination.left) / (right - left);
    const double sy = (destination.bottom - destination.top) / (bottom - top);
    const Affine toDevice = Affine::scale(sx, sy, destination.left - left * sx, destination.top - top * sy);

    // The device context's own state is the caller's; playback leaves it as it found it.
    const gdi::Pen pen = dc.GetPen();
    const gdi::Brush brush = dc.GetBrush();
    const gdi::Font font = dc.GetFont();
    gdi::Rect clip;
    dc.GetClipBox(&clip);
    struct Restore {
        gdi::DeviceContext& dc;
        gdi::Pen pen;
        gdi::Brush brush;
        gdi::Font font;
        gdi::Rect clip;
        int rop2, bkMode, polyFill, stretch;
        gdi::ColorRef bk, text;
        ~Restore()
        {
            dc.SelectPen(pen);
            dc.SelectBrush(brush);
            dc.SelectFont(font);
            dc.SelectClipRect(&clip);
            dc.SetROP2(rop2);
            dc.SetBkMode(bkMode);
            dc.SetPolyFillMode(polyFill);
            dc.SetStretchBltMode(stretch);
            dc.SetBkColor(bk);
            dc.SetTextColor(text);
        }
    } restore{dc, pen, brush, font, clip, dc.GetROP2(), dc.GetBkMode(), dc.GetPolyFillMode(), dc.GetStretchBltMode(),
              dc.GetBkColor(), dc.GetTextColor()};

    // A fresh device context's defaults, as the platform starts each playback.
    dc.SelectPen(gdi::Pen::solid(gdi::RGB(0, 0, 0)));
    dc.SelectBrush(gdi::Brush::solid(gdi::RGB(255, 255, 255)));
    dc.SetROP2(gdi::R2_COPYPEN);
    dc.SetBkMode(gdi::OPAQUE);
    dc.SetBkColor(gdi::RGB(255, 255, 255));
    dc.SetTextColor(gdi::RGB(0, 0, 0));
    dc.SetPolyFillMode(gdi::ALTERNATE);
    Playback playback(dc, toDevice, h.handles, ppmX, ppmY);
    EmfRecordPlayer player(playback);
    document.forEachRecord([&](uint32_t type, std::span<const uint8_t> record) {
        player.play(type, record);
        return true;
    });
}

} // namespace metafile
