#include "tool_bar_drag.h"

#include <QApplication>
#include <QLayout>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>

namespace widget_test {

namespace {
void send(QToolBar& bar, QEvent::Type type, QPoint global, Qt::MouseButton button, Qt::MouseButtons held)
{
    // The bar moves under the pointer while it is dragged: each position is its own at the time.
    const QPointF local = bar.mapFromGlobal(QPointF(global));
    QMouseEvent event(type, local, QPointF(global), button, held, Qt::NoModifier);
    QApplication::sendEvent(&bar, &event);
}
} // namespace

QPoint toolBarHandle(const QToolBar& bar)
{
    // Where the style draws the handle of a movable bar.
    QStyleOptionToolBar option;
    option.initFrom(&bar);
    option.features = QStyleOptionToolBar::Movable;
    if (bar.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    const QRect handle = bar.style()->subElementRect(QStyle::SE_ToolBarHandle, &option, &bar);
    return bar.mapToGlobal(handle.center());
}

void dragToolBar(QToolBar& bar, QPoint to, int moves)
{
    const QPoint from = toolBarHandle(bar);
    send(bar, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= moves; ++i)
        send(bar, QEvent::MouseMove, from + (to - from) * i / moves, Qt::NoButton, Qt::LeftButton);
    send(bar, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    QApplication::processEvents();
}

} // namespace widget_test

namespace widget_test {

std::ostream& operator<<(std::ostream& out, const Placement& placement)
{
    const QRect& r = placement.rect;
    return out << placement.name << " (" << r.x() << ", " << r.y() << ") " << r.width() << " x " << r.height()
               << (placement.shown ? "" : " hidden");
}

std::vector<Placement> placementsIn(QWidget& window, std::initializer_list<QWidget*> widgets)
{
    if (window.layout())
        window.layout()->activate();
    QApplication::processEvents();
    const QPoint origin = window.mapToGlobal(QPoint(0, 0));
    std::vector<Placement> placements;
    for (QWidget* widget : widgets) {
        placements.push_back(Placement{widget->objectName().toStdString(),
                                       QRect(widget->mapToGlobal(QPoint(0, 0)) - origin, widget->size()),
                                       widget->isVisibleTo(&window) && !widget->isWindow()});
    }
    return placements;
}

} // namespace widget_test
