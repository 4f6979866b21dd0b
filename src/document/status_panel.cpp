#include "document/status_panel.h"

#include <QFontMetrics>

#include <algorithm>
#include <utility>

namespace {

QChar widestDigit(const QFontMetrics& metrics)
{
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    }
    return widest;
}

} // namespace

StatusPanel::StatusPanel(int minimumWidth, QString widestText, QWidget* parent)
    : QLabel(parent), minimumWidth_(minimumWidth), widestText_(std::move(widestText))
{
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    // As wide as the hint: the bar neither squeezes nor stretches a panel.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
}

QSize StatusPanel::sizeHint() const
{
    // The font is the one the panel has now: a window takes its font from the frame only once
    // it is placed there, after its panels were made.
    const QFontMetrics metrics = fontMetrics();
    const QSize own = QLabel::sizeHint();
    // Measured as the label measures its own text: the frame, the margins and, on a framed label
    // without an indent of its own, an indent of one 'x'.
    const auto textWidth = [&](const QString& s) {
        return metrics.boundingRect(QRect(0, 0, 4000, 4000), int(alignment()), s).width();
    };
    const QMargins frame = contentsMargins();
    int indentWidth = indent();
    if (indentWidth < 0)
        indentWidth = frameWidth() > 0 ? metrics.horizontalAdvance(u'x') - 2 * margin() : 0;
    const int chrome = frame.left() + frame.right() + 2 * margin() + std::max(0, indentWidth);
    const QString widest = QString(widestText_).replace(u'0', widestDigit(metrics));
    const int width = std::max({minimumWidth_, own.width(), chrome + textWidth(widest)});
    // An empty panel is as tall as a written one, so the bar does not jump at the first text.
    const int height = std::max(own.height(), metrics.height() + frame.top() + frame.bottom() + 2 * margin());
    return {width, height};
}
