// TextOut through Qt's font engine: glyphs are drawn aliased into a mask, and the mask is
// applied with the text colour (and the background colour in OPAQUE mode) like any other
// painting of the device context.

#include "platform/gdi/device_context.h"

#include "platform/gdi/paint_internal.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <cmath>

namespace gdi {

// The Qt font of the selected Font, kept until another font is selected.
struct TextCache {
    Font font;
    QFont qfont;
};

namespace {

QFont makeQFont(const Font& f)
{
    QFont q(f.family.isEmpty() ? QStringLiteral("Sans Serif") : f.family);
    q.setStyleStrategy(static_cast<QFont::StyleStrategy>(QFont::NoAntialias | QFont::NoSubpixelAntialias));
    q.setHintingPreference(QFont::PreferFullHinting);
    q.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
    q.setItalic(f.italic);
    q.setUnderline(f.underline);
    q.setStrikeOut(f.strikeOut);
    int pixels = f.height < 0 ? -f.height : f.height;
    if (pixels == 0)
        pixels = 16;
    q.setPixelSize(pixels);
    if (f.height > 0) {
        // A positive height is the whole cell: shrink the em so ascent + descent fit in it.
        const QFontMetrics m(q);
        const int cell = m.ascent() + m.descent();
        if (cell > 0 && cell != pixels)
            q.setPixelSize(std::max(1, static_cast<int>(std::lround(double(pixels) * pixels / cell))));
    }
    return q;
}

const QFont& cachedFont(std::unique_ptr<TextCache>& cache, const Font& f)
{
    if (!cache || !(cache->font == f)) {
        if (!cache)
            cache = std::make_unique<TextCache>();
        cache->font = f;
        cache->qfont = makeQFont(f);
    }
    return cache->qfont;
}

} // namespace

// Defined here, where the text cache is a complete type.
DeviceContext::DeviceContext(DibSurface& surface) : surface_(&surface) {}
DeviceContext::~DeviceContext() = default;

Font DeviceContext::SelectFont(const Font& font)
{
    Font old = font_;
    font_ = font;
    return old;
}

Size DeviceContext::GetTextExtentPoint32(const QString& text) const
{
    const QFontMetrics m(cachedFont(textCache_, font_));
    return Size{m.horizontalAdvance(text), m.ascent() + m.descent()};
}

TextMetric DeviceContext::GetTextMetrics() const
{
    const QFontMetrics m(cachedFont(textCache_, font_));
    TextMetric t;
    t.tmAscent = m.ascent();
    t.tmDescent = m.descent();
    t.tmHeight = t.tmAscent + t.tmDescent;
    t.tmExternalLeading = std::max(0, m.leading());
    t.tmAveCharWidth = m.averageCharWidth();
    t.tmMaxCharWidth = m.maxWidth();
    const int em = cachedFont(textCache_, font_).pixelSize();
    t.tmInternalLeading = std::max(0, t.tmHeight - em);
    return t;
}

bool DeviceContext::TextOut(int x, int y, const QString& text)
{
    const QFont& font = cachedFont(textCache_, font_);
    const QFontMetrics m(font);
    const int width = m.horizontalAdvance(text);
    const int height = m.ascent() + m.descent();
    if (width <= 0 || height <= 0)
        return true;
    const Rect clip = drawClip();
    // Only the visible part of the cell is rasterised, so huge fonts cost what they show.
    const int64_t left64 = std::max<int64_t>(x, clip.left), right64 = std::min<int64_t>(int64_t{x} + width, clip.right);
    const int64_t top64 = std::max<int64_t>(y, clip.top), bottom64 = std::min<int64_t>(int64_t{y} + height, clip.bottom);
    if (left64 >= right64 || top64 >= bottom64)
        return true;
    const int left = static_cast<int>(left64), right = static_cast<int>(right64);
    const int top = static_cast<int>(top64), bottom = static_cast<int>(bottom64);

    QImage mask(right - left, bottom - top, QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter painter(&mask);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(QPoint(static_cast<int>(int64_t{x} - left), static_cast<int>(int64_t{y} - top + m.ascent())), text);
    }

    detail::SpanPainter spans(*surface_, clip);
    const uint32_t maskBits = detail::valueMask(surface_->bitsPerPixel());
    const detail::AndXor ink = detail::rop2AndXor(R2_COPYPEN, penBrushValue(textColor_), maskBits);
    const detail::AndXor paper = detail::rop2AndXor(R2_COPYPEN, penBrushValue(bkColor_), maskBits);
    for (int row = top; row < bottom; ++row) {
        if (bkMode_ == OPAQUE)
            spans.solid(row, left, right, paper);
        const uchar* line = mask.constScanLine(row - top);
        int i = 0;
        const int n = right - left;
        while (i < n) {
            if (line[i] < 128) {
                ++i;
                continue;
            }
            int e = i;
            while (e < n && line[e] >= 128)
                ++e;
            spans.solid(row, left + i, left + e, ink);
            i = e;
        }
    }
    return true;
}

} // namespace gdi
