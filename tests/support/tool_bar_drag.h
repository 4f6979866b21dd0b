#pragma once
// Dragging a tool bar by its handle, as a user does: a press on the handle, moves with the button
// held, and a release at a point on the screen. Each event goes to the bar, which holds the
// mouse while it is dragged. And the layout of a window, to compare with another's.

#include <QPoint>
#include <QRect>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

class QToolBar;
class QWidget;

namespace widget_test {

// The middle of the bar's handle, on the screen.
QPoint toolBarHandle(const QToolBar& bar);
// Drags the bar by its handle to `to` (global coordinates) in `moves` steps and lets it go there.
void dragToolBar(QToolBar& bar, QPoint to, int moves = 6);

// Where a widget stands in a window, and whether it is shown there.
struct Placement {
    std::string name;
    QRect rect;
    bool shown;
    bool operator==(const Placement&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Placement& placement);

// The placements of the widgets, by object name, after the window's layout has run. A widget
// floating in a window of its own counts as not shown in this one.
std::vector<Placement> placementsIn(QWidget& window, std::initializer_list<QWidget*> widgets);

} // namespace widget_test
