#include "platform/forms/bar_docking.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QRubberBand>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>

#include <algorithm>
#include <array>
#include <utility>

namespace forms {

namespace {

// A point no dock area of any window reaches: a bar hovering there shows no gap anywhere.
constexpr QPoint Nowhere(-10000, -10000);

int areaIndex(Qt::ToolBarArea area)
{
    switch (area) {
    case Qt::LeftToolBarArea: return 0;
    case Qt::RightToolBarArea: return 1;
    case Qt::TopToolBarArea: return 2;
    default: return 3;
    }
}

// The central widget's rectangle in the main window, or the whole window without one.
QRect centralRect(const QMainWindow& window)
{
    const QWidget* central = window.centralWidget();
    if (!central || central->isHidden())
        return window.rect();
    return QRect(central->mapTo(&window, QPoint(0, 0)), central->size());
}

} // namespace

BarDocking::BarDocking(QMainWindow& home, std::function<QMainWindow*()> site)
    : home_(home), site_(std::move(site))
{
    // A bar dropped is placed at once, so that the window can put its bars in order right after.
    home_.setAnimated(false);
}

BarDocking::~BarDocking()
{
    // The window is going: its bars elsewhere go with it. No layout is told here, as the frame
    // holding them may be going as well; one that stays learns of each from the reparenting.
    for (const Entry& entry : layout_) {
        if (entry.bar && entry.bar->parentWidget() != &home_) {
            entry.bar->hide();
            entry.bar->setParent(&home_);
        }
    }
}

void BarDocking::addToolBar(Qt::ToolBarArea area, QToolBar* bar)
{
    layout_.push_back(Entry{area, bar});
    home_.addToolBar(area, bar);
    bar->installEventFilter(this);
}

void BarDocking::addToolBarBreak(Qt::ToolBarArea area)
{
    layout_.push_back(Entry{area, nullptr});
    home_.addToolBarBreak(area);
}

void BarDocking::recallBars()
{
    for (const Entry& entry : layout_) {
        QToolBar* bar = entry.bar;
        if (!bar || bar->parentWidget() == &home_)
            continue;
        if (auto* holder = qobject_cast<QMainWindow*>(bar->parentWidget()))
            holder->removeToolBar(bar);
        bar->hide();
        bar->setParent(&home_);
    }
}

QRect BarDocking::handleRect(const QToolBar& bar)
{
    if (!bar.isMovable() || !qobject_cast<QMainWindow*>(bar.parentWidget()))
        return {};
    QStyleOptionToolBar option;
    option.initFrom(&bar);
    option.features = QStyleOptionToolBar::Movable;
    if (bar.orientation() == Qt::Horizontal)
        option.state |= QStyle::State_Horizontal;
    return bar.style()->subElementRect(QStyle::SE_ToolBarHandle, &option, &bar);
}

QMainWindow* BarDocking::site() const
{
    QMainWindow* window = site_ ? site_() : nullptr;
    return window != &home_ ? window : nullptr;
}

bool BarDocking::eventFilter(QObject* watched, QEvent* event)
{
    auto* bar = qobject_cast<QToolBar*>(watched);
    if (!bar || dispatching_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint local = mouse->position().toPoint();
        if (mouse->button() == Qt::LeftButton && handleRect(*bar).contains(local))
            drag_ = Drag{bar, mouse->globalPosition().toPoint(), local, false};
        return false;
    }
    case QEvent::MouseMove: {
        if (drag_.bar != bar)
            return false;
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        if ((global - drag_.pressGlobal).manhattanLength() > QApplication::startDragDistance())
            drag_.moved = true;
        if (drag_.moved)
            showIndicator(targetAt(global, *bar));
        return false;
    }
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (drag_.bar != bar || mouse->button() != Qt::LeftButton)
            return false;
        const Drag drag = std::exchange(drag_, Drag{});
        hideIndicator();
        if (!drag.moved)
            return false;
        const QPoint global = mouse->globalPosition().toPoint();
        const Target target = targetAt(global, *bar);
        // The main window's own drag would plug the bar into whatever gap it showed last; the
        // drop decides here instead, so the bar is first taken beyond the reach of every dock
        // area, where the release lets it go floating.
        QMouseEvent away(QEvent::MouseMove, bar->mapFromGlobal(QPointF(Nowhere)), QPointF(Nowhere), Qt::NoButton,
                         Qt::LeftButton, mouse->modifiers());
        dispatch(*bar, away);
        dispatch(*bar, *event);
        place(*bar, target, global - drag.pressLocal);
        return true;
    }
    default:
        return false;
    }
}

void BarDocking::dispatch(QToolBar& bar, QEvent& event)
{
    dispatching_ = true;
    QApplication::sendEvent(&bar, &event);
    dispatching_ = false;
}

BarDocking::Target BarDocking::targetAt(QPoint global, const QToolBar& bar) const
{
    if (const Qt::ToolBarArea edge = siteEdgeAt(global); edge != Qt::NoToolBarArea)
        return Target{Destination::Site, edge};
    // A bar from elsewhere dropped anywhere on its window goes home; one of the window's own
    // floats over the view unless it is dropped within reach of the window's bars.
    if (overHome(global, bar.parentWidget() == &home_))
        return Target{Destination::Home, homeAreaOf(bar)};
    return Target{};
}

Qt::ToolBarArea BarDocking::siteEdgeAt(QPoint global) const
{
    const QMainWindow* frame = site();
    if (!frame || !frame->isVisible())
        return Qt::NoToolBarArea;
    const QPoint at = frame->mapFromGlobal(global);
    if (!frame->rect().contains(at))
        return Qt::NoToolBarArea;
    // How far inside the client area the point lies from each edge; past an edge (over the
    // frame's menu or its own bars) the distance is negative, and that edge is the nearest.
    const QRect client = centralRect(*frame);
    const std::array<std::pair<int, Qt::ToolBarArea>, 4> distances = {{
        {at.y() - client.top(), Qt::TopToolBarArea},
        {client.bottom() - at.y(), Qt::BottomToolBarArea},
        {at.x() - client.left(), Qt::LeftToolBarArea},
        {client.right() - at.x(), Qt::RightToolBarArea},
    }};
    const auto nearest = std::min_element(distances.begin(), distances.end(),
                                          [](const auto& a, const auto& b) { return a.first < b.first; });
    return nearest->first < SiteEdgeBand ? nearest->second : Qt::NoToolBarArea;
}

bool BarDocking::overHome(QPoint global, bool barsOnly) const
{
    if (!home_.isVisible())
        return false;
    const QPoint at = home_.mapFromGlobal(global);
    if (!home_.rect().contains(at))
        return false;
    // Another picture window in front of this one there takes the point from it.
    if (const auto* subWindow = qobject_cast<const QMdiSubWindow*>(home_.parentWidget())) {
        if (const QMdiArea* area = subWindow->mdiArea()) {
            const QList<QMdiSubWindow*> stack = area->subWindowList(QMdiArea::StackingOrder);
            for (qsizetype i = stack.indexOf(const_cast<QMdiSubWindow*>(subWindow)) + 1; i < stack.size(); ++i) {
                const QMdiSubWindow* above = stack[i];
                if (above->isVisible() && above->rect().contains(above->mapFromGlobal(global)))
                    return false;
            }
        }
    }
    if (!barsOnly)
        return true;
    const QRect inner = centralRect(home_).adjusted(HomeReach, HomeReach, -HomeReach, -HomeReach);
    return !inner.contains(at);
}

Qt::ToolBarArea BarDocking::homeAreaOf(const QToolBar& bar) const
{
    for (const Entry& entry : layout_) {
        if (entry.bar == &bar)
            return entry.area;
    }
    return Qt::TopToolBarArea;
}

bool BarDocking::dockedHome(const QToolBar& bar) const
{
    return bar.parentWidget() == &home_ && !bar.isWindow();
}

void BarDocking::place(QToolBar& bar, const Target& target, QPoint floatingAt)
{
    switch (target.destination) {
    case Destination::Home:
        if (bar.parentWidget() != &home_) {
            if (auto* holder = qobject_cast<QMainWindow*>(bar.parentWidget()))
                holder->removeToolBar(&bar);
        }
        home_.addToolBar(target.area, &bar);
        bar.show();
        break;
    case Destination::Site: {
        QMainWindow* frame = site();
        if (auto* holder = qobject_cast<QMainWindow*>(bar.parentWidget()))
            holder->removeToolBar(&bar);
        frame->setAnimated(false);
        frame->addToolBar(target.area, &bar);
        bar.show();
        break;
    }
    case Destination::Float:
        if (bar.isWindow())
            bar.move(floatingAt);
        break;
    }
    settleHome();
    emit barDropped(&bar);
}

void BarDocking::settleHome()
{
    // Every bar docked in the window leaves and comes back in the order the window was built
    // in: a bar that came home is in its own place again, and no earlier drop left a trace.
    std::vector<std::pair<QToolBar*, bool>> docked; // the bar, and whether it was hidden
    for (const Entry& entry : layout_) {
        if (entry.bar && dockedHome(*entry.bar)) {
            docked.emplace_back(entry.bar, entry.bar->isHidden());
            home_.removeToolBar(entry.bar);
        }
    }
    // A break comes only between two bars present: a bar away leaves no empty line behind.
    std::array<bool, 4> breakPending{};
    std::array<bool, 4> started{};
    for (const Entry& entry : layout_) {
        const int area = areaIndex(entry.area);
        if (!entry.bar) {
            breakPending[area] = true;
            continue;
        }
        const auto found = std::find_if(docked.begin(), docked.end(),
                                        [&](const auto& item) { return item.first == entry.bar; });
        if (found == docked.end())
            continue;
        if (breakPending[area] && started[area])
            home_.addToolBarBreak(entry.area);
        breakPending[area] = false;
        started[area] = true;
        home_.addToolBar(entry.area, entry.bar);
        entry.bar->setVisible(!found->second);
    }
}

void BarDocking::showIndicator(const Target& target)
{
    QWidget* over = nullptr;
    QRect rect;
    if (target.destination == Destination::Site) {
        QMainWindow* frame = site();
        over = frame;
        const QRect client = centralRect(*frame);
        const int thickness = 2 * SiteEdgeBand;
        switch (target.area) {
        case Qt::LeftToolBarArea: rect = QRect(client.left(), client.top(), thickness, client.height()); break;
        case Qt::RightToolBarArea:
            rect = QRect(client.right() - thickness + 1, client.top(), thickness, client.height());
            break;
        case Qt::TopToolBarArea: rect = QRect(client.left(), client.top(), client.width(), thickness); break;
        default: rect = QRect(client.left(), client.bottom() - thickness + 1, client.width(), thickness); break;
        }
    } else if (target.destination == Destination::Home && drag_.bar && drag_.bar->parentWidget() != &home_) {
        over = &home_;
        rect = home_.rect();
    }
    if (!over) {
        hideIndicator();
        return;
    }
    if (!indicator_ || indicator_->parentWidget() != over) {
        if (indicator_)
            indicator_->deleteLater();
        indicator_ = new QRubberBand(QRubberBand::Rectangle, over);
        indicator_->setObjectName(QStringLiteral("BarDropIndicator"));
        indicator_->setAccessibleName(QStringLiteral("Место стыковки"));
    }
    indicator_->setGeometry(rect);
    indicator_->show();
    indicator_->raise();
}

void BarDocking::hideIndicator()
{
    if (indicator_)
        indicator_->hide();
}

} // namespace forms
