#include "editing/labeled_slider.h"

#include <QEvent>
#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

TRulerOverlay::TRulerOverlay(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
}

void TRulerOverlay::EnsureBitmap(int width, int height, qreal scale)
{
    if (bitmap_.isNull()) {
        // As many pixels as the screen gives the ruler, so the digits are drawn sharp on a
        // scaled screen instead of being stretched from a bitmap of the ruler's logical size.
        // Drawing into it still goes in the ruler's own units.
        bitmap_ = QImage(std::max(1, int(std::ceil(width * scale))), std::max(1, int(std::ceil(height * scale))),
                         QImage::Format_RGB32);
        bitmap_.setDevicePixelRatio(scale);
        bitmap_.fill(Qt::white);
    }
}

void TRulerOverlay::BitmapChanged()
{
    shown_ = bitmap_.convertToFormat(QImage::Format_ARGB32);
    const uint32_t white = 0xFFFFFFFFu;
    for (int y = 0; y < shown_.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(shown_.scanLine(y));
        for (int x = 0; x < shown_.width(); ++x)
            if (row[x] == white)
                row[x] = 0;
    }
    update();
}

void TRulerOverlay::paintEvent(QPaintEvent*)
{
    if (shown_.isNull())
        return;
    QPainter p(this);
    p.drawImage(0, 0, shown_);
}

TLabeledSlider::TLabeledSlider(QWidget* parent) : TSlider(parent), overlay_(new TRulerOverlay(this))
{
    overlay_->hide();
}

void TLabeledSlider::SetLabelInterval(int v)
{
    if (labelInterval_ != v) {
        labelInterval_ = v;
        RecreateWnd();
    }
}

void TLabeledSlider::SetLabelTop(int v)
{
    if (labelTop_ != v) {
        labelTop_ = v;
        RecreateWnd();
    }
}

void TLabeledSlider::SetFontSize(int v)
{
    if (fontSize_ != v) {
        fontSize_ = v;
        RecreateWnd();
    }
}

int TLabeledSlider::HorizontalLabelX(int v, int width, int max)
{
    // The product is a 32-bit one; it wraps like the control's own arithmetic would.
    const auto product = static_cast<int32_t>(static_cast<uint32_t>(v) * static_cast<uint32_t>(width));
    return static_cast<int>(std::trunc((product / max + 10) * 0.9469696969696969));
}

int TLabeledSlider::VerticalLabelY(int v, int height, int max)
{
    const auto product = static_cast<int32_t>(static_cast<uint32_t>(v) * static_cast<uint32_t>(height));
    return static_cast<int>(std::trunc((product / max + 9) * 0.946073793755913));
}

// A plain track bar builds when shown; a ruler waits until it is first painted. By then its
// window has its laid-out size; and the window of a file opened behind another (several files
// opened at once) is not painted until it is brought forward, maximised like the rest, so it
// does not keep a label bitmap, and labels, of the size it had while out of sight.
void TLabeledSlider::showEvent(QShowEvent* event)
{
    QSlider::showEvent(event);
}

void TLabeledSlider::paintEvent(QPaintEvent* event)
{
    if (!HandleAllocated())
        HandleNeeded();
    TSlider::paintEvent(event);
}

QFont TLabeledSlider::labelFont() const
{
    QFont font = this->font();
    font.setPointSize(fontSize_);
    return font;
}

int TLabeledSlider::LabelExtent(int v) const
{
    return labelTop_ + QFontMetrics(labelFont()).horizontalAdvance(QString::number(v));
}

void TLabeledSlider::FitWidthToLabel(int minimumWidth, int v)
{
    fitMinimumWidth_ = minimumWidth;
    fitValue_ = v;
    fitWidth();
}

void TLabeledSlider::fitWidth()
{
    if (fitValue_ >= 0)
        setFixedWidth(std::max(fitMinimumWidth_, LabelExtent(fitValue_)));
}

// A window takes its font from the frame only when it is placed there, after it was made.
void TLabeledSlider::changeEvent(QEvent* event)
{
    TSlider::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitWidth();
}

void TLabeledSlider::CreateParams()
{
    TSlider::CreateParams();
    rebuildLabels();
}

void TLabeledSlider::rebuildLabels()
{
    overlay_->setGeometry(0, 0, width(), height());
    overlay_->setObjectName(QStringLiteral("Image") + objectName());
    overlay_->EnsureBitmap(width(), height(), devicePixelRatioF());
    QImage& bitmap = overlay_->Bitmap();
    labels_.clear();
    {
        QPainter p(&bitmap);
        p.fillRect(QRect(0, 0, overlay_->width(), overlay_->height()), Qt::white);
        // A ruler with Max 0 (or below) has no scale to label; an interval of 0 asks for none,
        // and a negative one would never reach Max.
        if (labelInterval_ > 0 && Max() >= 1) {
            p.setFont(labelFont());
            p.setPen(Qt::black);
            const bool horizontal = orientation() == Qt::Horizontal;
            const int last = Max();
            for (int64_t v = 0; v <= last; v += labelInterval_) {
                const int value = static_cast<int>(v);
                const QPoint at = horizontal ? QPoint(HorizontalLabelX(value, width(), last), labelTop_)
                                             : QPoint(labelTop_, VerticalLabelY(value, height(), last));
                const QString text = QString::number(value);
                // Opaque text: its cell is white, which the overlay does not paint.
                p.fillRect(QRect(at, QSize(p.fontMetrics().horizontalAdvance(text), p.fontMetrics().height())), Qt::white);
                p.drawText(at.x(), at.y() + p.fontMetrics().ascent(), text);
                labels_.push_back({value, at});
            }
        }
    }
    overlay_->BitmapChanged();
    overlay_->show();
    overlay_->raise();
}
