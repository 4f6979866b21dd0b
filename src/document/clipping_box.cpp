#include "document/clipping_box.h"

#include <QEvent>
#include <QWheelEvent>

#include <algorithm>

ClippingBox::ClippingBox(QWidget* contents, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), contents_(contents), orientation_(orientation)
{
    contents_->setParent(this);
    contents_->installEventFilter(this);
    setSizePolicy(orientation == Qt::Horizontal ? QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed)
                                                : QSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding));
    placeContents();
}

QSize ClippingBox::sizeHint() const
{
    return contents_->sizeHint().expandedTo(contents_->minimumSizeHint());
}

QSize ClippingBox::minimumSizeHint() const
{
    // Across the orientation the contents get all they ask for; along it, whatever there is.
    const QSize wanted = sizeHint();
    return orientation_ == Qt::Horizontal ? QSize(0, wanted.height()) : QSize(wanted.width(), 0);
}

bool ClippingBox::eventFilter(QObject* watched, QEvent* event)
{
    // The contents changed what they need: the box follows, then places them again.
    if (watched == contents_ && event->type() == QEvent::LayoutRequest) {
        updateGeometry();
        placeContents();
    }
    return QWidget::eventFilter(watched, event);
}

void ClippingBox::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeContents();
}

void ClippingBox::wheelEvent(QWheelEvent* event)
{
    const QPoint step = event->angleDelta();
    const int delta = step.y() != 0 ? step.y() : step.x();
    const int hidden = along(contents_->size()) - along(size());
    if (delta == 0 || hidden <= 0) {
        event->ignore();
        return;
    }
    // One notch of the wheel moves the contents by 20 pixels.
    offset_ = std::clamp(offset_ - delta * 20 / 120, 0, hidden);
    placeContents();
    event->accept();
}

void ClippingBox::placeContents()
{
    const QSize needed = contents_->minimumSizeHint().expandedTo(contents_->minimumSize());
    const QSize placed = size().expandedTo(needed).boundedTo(contents_->maximumSize());
    offset_ = std::clamp(offset_, 0, std::max(0, along(placed) - along(size())));
    const QPoint origin = orientation_ == Qt::Horizontal ? QPoint(-offset_, 0) : QPoint(0, -offset_);
    contents_->setGeometry(QRect(origin, placed));
}
