#include "editing/slider.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Width of the thumb along the channel; the channel ends this far plus a margin from the edge.
constexpr int kThumbWidth = 11;
constexpr int kTickLength = 3;
constexpr int kTickGap = 2;

void sunkenBevel(QPainter& p, const QRect& r, const QPalette& pal)
{
    p.setPen(pal.color(QPalette::Dark));
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(pal.color(QPalette::Light));
    p.drawLine(r.left() + 1, r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top() + 1, r.right(), r.bottom());
}

} // namespace

TSlider::TSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setRange(0, 10);
    setPageStep(2);
    setSingleStep(1);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractSlider::valueChanged, this, [this](int) {
        if (OnChange)
            OnChange(this);
        update();
    });
    connect(this, &QAbstractSlider::rangeChanged, this, [this](int, int) { update(); });
}

TSlider::~TSlider() = default;

void TSlider::SetFrequency(int v)
{
    frequency_ = v;
    update();
}

void TSlider::SetThumbLength(int v)
{
    thumbLength_ = v;
    update();
}

void TSlider::SetTickMarks(TTickMark v)
{
    if (tickMarks_ != v) {
        tickMarks_ = v;
        RecreateWnd();
    }
}

void TSlider::SetTickStyle(TTickStyle v)
{
    if (tickStyle_ != v) {
        tickStyle_ = v;
        RecreateWnd();
    }
}

void TSlider::SetSelStart(int v)
{
    selStart_ = v;
    update();
}

void TSlider::SetSelEnd(int v)
{
    selEnd_ = v;
    update();
}

void TSlider::SetSliderVisible(bool v)
{
    if (sliderVisible_ != v) {
        sliderVisible_ = v;
        RecreateWnd();
    }
}

void TSlider::SetKind(TSliderKind v)
{
    if (kind_ != v) {
        kind_ = v;
        RecreateWnd();
    }
}

void TSlider::HandleNeeded()
{
    if (!handleAllocated_) {
        handleAllocated_ = true;
        CreateParams();
        update();
    }
}

void TSlider::RecreateWnd()
{
    if (handleAllocated_) {
        CreateParams();
        update();
    }
}

void TSlider::CreateParams()
{
    // The thin channel is the track bar without its selection-range style.
    selRangeStyle_ = kind_ != skThin;
}

void TSlider::showEvent(QShowEvent* event)
{
    HandleNeeded();
    QSlider::showEvent(event);
}

int TSlider::channelInset() const { return kThumbWidth / 2 + 5; }

int TSlider::channelLength() const
{
    const int along = orientation() == Qt::Horizontal ? width() : height();
    return std::max(1, along - 2 * channelInset() - 1);
}

int TSlider::valueToPixel(int v) const
{
    const int range = maximum() - minimum();
    if (range <= 0)
        return channelInset();
    return channelInset() + static_cast<int>(int64_t{v - minimum()} * channelLength() / range);
}

int TSlider::pixelToValue(int pixel) const
{
    const int range = maximum() - minimum();
    const int64_t offset = std::clamp(pixel - channelInset(), 0, channelLength());
    return minimum() + static_cast<int>((offset * range + channelLength() / 2) / channelLength());
}

void TSlider::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(rect(), pal.color(QPalette::Window));

    const bool horizontal = orientation() == Qt::Horizontal;
    const int across = horizontal ? height() : width();
    const bool ticksBefore = tickStyle_ != tsNone && (tickMarks_ == tmTopLeft || tickMarks_ == tmBoth);
    const bool ticksAfter = tickStyle_ != tsNone && (tickMarks_ == tmBottomRight || tickMarks_ == tmBoth);
    const int thumbAcross = std::clamp(thumbLength_, 4, std::max(4, across));
    int thumbStart = ticksBefore ? kTickLength + kTickGap + 1 : 2;
    if (!ticksBefore && !ticksAfter)
        thumbStart = std::max(0, (across - thumbAcross) / 2);
    const int centre = thumbStart + thumbAcross / 2;

    // The channel: a sunken groove, wider when it carries a selection range.
    const int groove = selRangeStyle_ ? 8 : 4;
    const int inset = channelInset();
    const int along = horizontal ? width() : height();
    QRect channel = horizontal ? QRect(inset - 3, centre - groove / 2, along - 2 * inset + 6, groove)
                               : QRect(centre - groove / 2, inset - 3, groove, along - 2 * inset + 6);
    p.fillRect(channel.adjusted(1, 1, -1, -1), pal.color(QPalette::Base));
    sunkenBevel(p, channel, pal);
    if (selRangeStyle_ && selEnd_ > selStart_) {
        const int a = valueToPixel(std::max(selStart_, minimum()));
        const int b = valueToPixel(std::min(selEnd_, maximum()));
        const QRect sel = horizontal ? QRect(a, channel.top() + 2, b - a + 1, groove - 4)
                                     : QRect(channel.left() + 2, a, groove - 4, b - a + 1);
        p.fillRect(sel, pal.color(QPalette::Highlight));
    }

    // Ticks: every Frequency units with automatic ticks, only the ends otherwise.
    p.setPen(pal.color(QPalette::WindowText));
    auto tickAt = [&](int v) {
        const int pos = valueToPixel(v);
        if (ticksBefore) {
            const int end = thumbStart - kTickGap;
            horizontal ? p.drawLine(pos, end - kTickLength, pos, end - 1) : p.drawLine(end - kTickLength, pos, end - 1, pos);
        }
        if (ticksAfter) {
            const int start = thumbStart + thumbAcross + kTickGap;
            horizontal ? p.drawLine(pos, start, pos, start + kTickLength - 1) : p.drawLine(start, pos, start + kTickLength - 1, pos);
        }
    };
    if (tickStyle_ != tsNone) {
        tickAt(minimum());
        tickAt(maximum());
        if (tickStyle_ == tsAuto && frequency_ > 0) {
            // Ticks closer than two pixels would merge into a bar.
            const int range = maximum() - minimum();
            const int step = range > 0 && channelLength() / std::max(1, range / frequency_) < 2
                                 ? frequency_ * ((2 * range) / std::max(1, channelLength()) / frequency_ + 1)
                                 : frequency_;
            for (int v = minimum() + step; v < maximum(); v += step)
                tickAt(v);
        }
    }

    if (sliderVisible_) {
        const int pos = valueToPixel(value());
        const QRect thumb = horizontal ? QRect(pos - kThumbWidth / 2, thumbStart, kThumbWidth, thumbAcross)
                                       : QRect(thumbStart, pos - kThumbWidth / 2, thumbAcross, kThumbWidth);
        p.fillRect(thumb, pal.color(QPalette::Button));
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(thumb.topLeft(), thumb.topRight());
        p.drawLine(thumb.topLeft(), thumb.bottomLeft());
        p.setPen(pal.color(QPalette::Shadow));
        p.drawLine(thumb.bottomLeft(), thumb.bottomRight());
        p.drawLine(thumb.topRight(), thumb.bottomRight());
        if (hasFocus()) {
            QPen dots(pal.color(QPalette::WindowText), 1, Qt::DotLine);
            p.setPen(dots);
            p.setBrush(Qt::NoBrush);
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
    }
}

void TSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    const int pixel = orientation() == Qt::Horizontal ? event->position().toPoint().x() : event->position().toPoint().y();
    if (std::abs(pixel - valueToPixel(value())) <= kThumbWidth / 2 && sliderVisible_) {
        setSliderDown(true);
    } else {
        // A click beside the thumb pages toward the click.
        const int target = pixelToValue(pixel);
        setValue(target > value() ? std::min(target, value() + pageStep()) : std::max(target, value() - pageStep()));
    }
    event->accept();
}

void TSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (!isSliderDown()) {
        event->ignore();
        return;
    }
    const int pixel = orientation() == Qt::Horizontal ? event->position().toPoint().x() : event->position().toPoint().y();
    setValue(pixelToValue(pixel));
}

void TSlider::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        setSliderDown(false);
    event->accept();
}
