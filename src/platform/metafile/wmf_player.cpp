#include "platform/metafile/wmf_player.h"

#include "platform/framework/exceptions.h"
#include "platform/metafile/dib_record.h"
#include "platform/metafile/playback.h"
#include "platform/metafile/wmf_document.h"

#include <uwmf.h>

#include <cstring>

namespace metafile {

namespace {

class WmfRecordPlayer {
public:
    explicit WmfRecordPlayer(Playback& playback) : p_(playback) {}

    void play(uint16_t function, std::span<const uint8_t> params)
    {
        function_ = function;
        params_ = params;
        playRecord();
    }

private:
    [[noreturn]] void damaged() const
    {
        throw EInvalidGraphic(QStringLiteral("Damaged metafile: %1 cannot be played")
                                  .arg(QString::fromLatin1(U_wmr_names(function_ & U_WMR_MASK))));
    }
    int16_t word(size_t i) const
    {
        if (i * 2 + 2 > params_.size())
            damaged();
        int16_t v;
        std::memcpy(&v, params_.data() + i * 2, 2);
        return v;
    }
    uint16_t uword(size_t i) const { return static_cast<uint16_t>(word(i)); }
    gdi::ColorRef colour(size_t i) const
    {
        const uint32_t c = uint32_t{uword(i)} | uint32_t{uword(i + 1)} << 16;
        return c & 0xFFFFFFu;
    }
    // count points of two words each from word `first`.
    std::span<const PointD> points(size_t first, size_t count)
    {
        if ((first + 2 * count) * 2 > params_.size())
            damaged();
        points_.resize(count);
        for (size_t i = 0; i < count; ++i)
            points_[i] = PointD{double(word(first + 2 * i)), double(word(first + 2 * i + 1))};
        return points_;
    }
    QString string(size_t byteOffset, size_t length) const
    {
        if (byteOffset > params_.size() || length > params_.size() - byteOffset)
            damaged();
        return QString::fromLatin1(reinterpret_cast<const char*>(params_.data() + byteOffset),
                                   static_cast<qsizetype>(length));
    }
    void playRecord();
    void createPen();
    void createBrush();
    void createFont();
    void stretchDib(size_t first, bool hasUsage);

    Playback& p_;
    uint16_t function_ = 0;
    std::span<const uint8_t> params_;
    std::vector<PointD> points_;
};

void WmfRecordPlayer::createPen()
{
    GraphicsObject object;
    object.kind = GraphicsObject::Pen;
    object.pen = gdi::Pen{uword(0) & gdi::PS_STYLE_MASK, word(1), colour(3)};
    object.cosmeticPen = word(1) <= 1;
    p_.createObjectAtFreeSlot(object);
}

void WmfRecordPlayer::createBrush()
{
    GraphicsObject object;
    object.kind = GraphicsObject::Brush;
    const uint16_t style = uword(0);
    if (style == gdi::BS_SOLID)
        object.brush = gdi::Brush::solid(colour(1));
    else if (style == gdi::BS_HATCHED)
        object.brush = gdi::Brush::hatched(uword(3) % 6, colour(1));
    else
        object.brush = gdi::Brush::null();
    p_.createObjectAtFreeSlot(object);
}

void WmfRecordPlayer::createFont()
{
    GraphicsObject object;
    object.kind = GraphicsObject::Font;
    object.font.height = word(0);
    object.font.weight = word(4);
    const uint16_t italicUnderline = uword(5), strikeCharset = uword(6);
    object.font.italic = (italicUnderline & 0xFF) != 0;
    object.font.underline = (italicUnderline >> 8) != 0;
    object.font.strikeOut = (strikeCharset & 0xFF) != 0;
    constexpr size_t faceOffset = 18;
    if (params_.size() > faceOffset) {
        const size_t room = std::min<size_t>(params_.size() - faceOffset, 32);
        const char* face = reinterpret_cast<const char*>(params_.data() + faceOffset);
        object.font.family = QString::fromLatin1(face, static_cast<qsizetype>(strnlen(face, room)));
    }
    p_.createObjectAtFreeSlot(object);
}

// The DIB blits: rop, [usage], source height, width, y, x, destination height, width, y, x, DIB.
void WmfRecordPlayer::stretchDib(size_t first, bool hasUsage)
{
    const uint32_t rop = uint32_t{uword(0)} | uint32_t{uword(1)} << 16;
    const size_t a = hasUsage ? 3 : 2;
    const int srcH = word(a), srcW = word(a + 1), ySrc = word(a + 2), xSrc = word(a + 3);
    const int dstH = word(a + 4), dstW = word(a + 5), yDst = word(a + 6), xDst = word(a + 7);
    const size_t dibOffset = (first + a + 8) * 2;
    if (dibOffset >= params_.size()) {
        p_.patBlt(xDst, yDst, dstW, dstH, rop);
        return;
    }
    const std::optional<RecordDib> dib = readPackedDib(params_.subspan(dibOffset));
    if (!dib)
        return;
    const int height = std::abs(dib->info.bmiHeader.biHeight);
    // Blits name the source's top row; a bottom-up DIB counts rows from its bottom.
    const int ySrcDib = !hasUsage && dib->info.bmiHeader.biHeight > 0 ? height - ySrc - srcH : ySrc;
    p_.dib(xDst, yDst, dstW, dstH, xSrc, ySrcDib, srcW, srcH, dib->bits, dib->info,
           hasUsage && uword(2) == 1 ? gdi::DIB_PAL_COLORS : gdi::DIB_RGB_COLORS, rop);
}

void WmfRecordPlayer::playRecord()
{
    gdi::DeviceContext& dc = p_.dc();
    switch (function_) {
    case 0x020B: p_.setWindowOrg(word(1), word(0)); break;
    case 0x020C: p_.setWindowExt(word(1), word(0)); break;
    case 0x020F: p_.offsetWindowOrg(word(1), word(0)); break;
    case 0x0410: p_.scaleWindowExt(word(3), word(2), word(1), word(0)); break;
    case 0x0102: dc.SetBkMode(uword(0) == 1 ? gdi::TRANSPARENT : gdi::OPAQUE); break;
    case 0x0201: dc.SetBkColor(colour(0)); break;
    case 0x0209: dc.SetTextColor(colour(0)); break;
    case 0x0104:
        if (uword(0) >= 1 && uword(0) <= 16)
            dc.SetROP2(uword(0));
        break;
    case 0x0106: dc.SetPolyFillMode(uword(0) == 2 ? gdi::WINDING : gdi::ALTERNATE); break;
    case 0x012E: p_.setTextAlign(uword(0)); break;
    case 0x0214: p_.moveTo(word(1), word(0)); break;
    case 0x0213: p_.lineTo(word(1), word(0)); break;
    case 0x041B: p_.rectangle(word(3), word(2), word(1), word(0)); break;
    case 0x0418: p_.ellipse(word(3), word(2), word(1), word(0)); break;
    case 0x061C: p_.roundRect(word(5), word(4), word(3), word(2), word(1), word(0)); break;
    case 0x0817:
    case 0x081A:
    case 0x0830: {
        const Playback::ArcKind kind = function_ == 0x0817   ? Playback::ArcKind::Arc
                                       : function_ == 0x081A ? Playback::ArcKind::Pie
                                                             : Playback::ArcKind::Chord;
        p_.arc(kind, word(7), word(6), word(5), word(4), PointD{double(word(3)), double(word(2))},
               PointD{double(word(1)), double(word(0))});
        break;
    }
    case 0x0324: p_.polygon(points(1, uword(0))); break;
    case 0x0325: p_.polyline(points(1, uword(0))); break;
    case 0x0538: {
        const size_t polys = uword(0);
        size_t first = 1 + polys;
        for (size_t i = 0; i < polys; ++i) {
            const size_t n = uword(1 + i);
            p_.polygon(points(first, n));
            first += 2 * n;
        }
        break;
    }
    case 0x041F: p_.setPixel(word(3), word(2), colour(0)); break;
    case 0x0416: p_.intersectClip(word(3), word(2), word(1), word(0)); break;
    case 0x001E: p_.saveDC(); break;
    case 0x0127: p_.restoreDC(word(0)); break;
    case 0x012D: p_.selectObject(uword(0)); break;
    case 0x01F0: p_.deleteObject(uword(0)); break;
    case 0x02FA: createPen(); break;
    case 0x02FC: createBrush(); break;
    case 0x02FB: createFont(); break;
    case 0x00F7:
    case 0x01F9:
    case 0x0142:
    case 0x06FF: {
        GraphicsObject slotOnly;
        slotOnly.kind = GraphicsObject::Other;
        p_.createObjectAtFreeSlot(slotOnly);
        break;
    }
    case 0x0521: {
        const size_t length = uword(0);
        const size_t padded = (length + 1) & ~size_t{1};
        const QString s = string(2, length);
        const size_t after = 1 + padded / 2;
        p_.text(word(after + 1), word(after), s, nullptr);
        break;
    }
    case 0x0A32: {
        const int y = word(0), x = word(1);
        const size_t length = uword(2);
        const uint16_t options = uword(3);
        size_t offset = 8;
        double rect[4];
        const bool hasRect = options & 0x0006;
        if (hasRect) {
            for (int i = 0; i < 4; ++i)
                rect[i] = word(4 + i);
            offset += 8;
        }
        p_.text(x, y, string(offset, length), hasRect && (options & 0x0002) ? rect : nullptr);
        break;
    }
    case 0x0F43: stretchDib(0, true); break;
    case 0x0B41: stretchDib(0, false); break;
    default:
        break;
    }
}

} // namespace

void playWmf(const WmfDocument& document, gdi::DeviceContext& dc, const gdi::Rect& destination)
{
    const gdi::Rect& box = document.box();
    const double boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;
    if (boxWidth == 0 || boxHeight == 0)
        return;
    const Affine toDevice = Affine::scale((destination.right - destination.left) / std::abs(boxWidth),
                                          (destination.bottom - destination.top) / std::abs(boxHeight),
                                          destination.left, destination.top);
    gdi::Rect clip;
    dc.GetClipBox(&clip);
    const gdi::Pen pen = dc.GetPen();
    const gdi::Brush brush = dc.GetBrush();
    const gdi::Font font = dc.GetFont();
    dc.SelectPen(gdi::Pen::solid(gdi::RGB(0, 0, 0)));
    dc.SelectBrush(gdi::Brush::solid(gdi::RGB(255, 255, 255)));
    {
        Playback playback(dc, toDevice, static_cast<size_t>(document.objectCount()), 96 / 25.4, 96 / 25.4);
        // The player owns the viewport: the box's extent at the origin, and the file's window
        // mapped onto it.
        playback.setMapMode(MM_ANISOTROPIC);
        playback.setWindowOrg(box.left, box.top);
        playback.setWindowExt(boxWidth, boxHeight);
        playback.setViewportExt(std::abs(boxWidth), std::abs(boxHeight));
        playback.lockViewport();
        WmfRecordPlayer player(playback);
        try {
            document.forEachRecord([&](uint16_t function, std::span<const uint8_t> params) { player.play(function, params); });
        } catch (...) {
            dc.SelectClipRect(&clip);
            dc.SelectPen(pen);
            dc.SelectBrush(brush);
            dc.SelectFont(font);
            throw;
        }
    }
    dc.SelectClipRect(&clip);
    dc.SelectPen(pen);
    dc.SelectBrush(brush);
    dc.SelectFont(font);
}

} // namespace metafile
