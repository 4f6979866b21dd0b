#pragma once
// The tool bars of one main window that the user drags by their handles. Where a bar is dropped
// decides where it goes: on an edge of the docking site (the frame around the window) it docks
// there; on its own window's bar areas it goes back to the place the window was built with, so
// the window's layout is always that of a new window; anywhere else it floats. A bar away from
// its window keeps working for it, and comes back to it when the window closes, to go with it.

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <Qt>

#include <functional>
#include <vector>

class QMainWindow;
class QRubberBand;
class QToolBar;
class QWidget;

namespace forms {

class BarDocking : public QObject {
    Q_OBJECT
public:
    // How near an edge of the site's client area a drop docks on that edge.
    static constexpr int SiteEdgeBand = 12;
    // How far into the window's central widget a drop still counts as one on the window's bars,
    // as far as a dragged bar reaches out for a dock area of its own window.
    static constexpr int HomeReach = 80;

    // site names the window that takes bars on its edges, when there is one (it may change as
    // the window is moved into a frame, so it is asked at each drop).
    BarDocking(QMainWindow& home, std::function<QMainWindow*()> site);
    ~BarDocking() override;

    // The window's own layout, built with these in place of the main window's calls of the same
    // names and remembered, so that a bar coming home takes its place again.
    void addToolBar(Qt::ToolBarArea area, QToolBar* bar);
    void addToolBarBreak(Qt::ToolBarArea area);

    // Bars docked on the site or floating from it come back to the window, hidden, so that
    // nothing of a closing window is left on the frame.
    void recallBars();

    // The handle a bar is dragged by, in the bar's coordinates; empty for a bar that stays put.
    static QRect handleRect(const QToolBar& bar);

signals:
    // A dragged bar was dropped and placed: the window's own layout may have changed.
    void barDropped(QToolBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Destination { Float, Home, Site };
    struct Target {
        Destination destination = Destination::Float;
        Qt::ToolBarArea area = Qt::NoToolBarArea;
    };
    struct Entry {
        Qt::ToolBarArea area;
        QPointer<QToolBar> bar; // null: a break before the next bar of the area
    };
    struct Drag {
        QPointer<QToolBar> bar;
        QPoint pressGlobal;
        QPoint pressLocal;
        bool moved = false;
    };

    QMainWindow* site() const;
    Target targetAt(QPoint global, const QToolBar& bar) const;
    // Whether the point is on the window, where no other window stands in front; barsOnly: and
    // within reach of its bars.
    bool overHome(QPoint global, bool barsOnly) const;
    Qt::ToolBarArea siteEdgeAt(QPoint global) const;
    Qt::ToolBarArea homeAreaOf(const QToolBar& bar) const;
    bool dockedHome(const QToolBar& bar) const;
    // Hands the event to the bar as if no filter stood between.
    void dispatch(QToolBar& bar, QEvent& event);
    // Puts a bar the drag has let go floating where the drop asks for.
    void place(QToolBar& bar, const Target& target, QPoint floatingAt);
    // Takes the bars docked in the window out and puts them back in the order it was built.
    void settleHome();
    void showIndicator(const Target& target);
    void hideIndicator();

    QMainWindow& home_;
    std::function<QMainWindow*()> site_;
    std::vector<Entry> layout_;
    Drag drag_;
    bool dispatching_ = false;
    QPointer<QRubberBand> indicator_;
};

} // namespace forms
