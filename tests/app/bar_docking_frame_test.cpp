// The frame as a docking site: a picture window's tool bar dragged onto an edge of the frame
// docks there and keeps working for its window; dragged back onto its window it takes its own
// place again; it closes with its window and answers the window's "Вид" items meanwhile.

#include "frame_fixture.h"
#include "app/startup.h"
#include "document/form_main.h"
#include "document/up_down.h"
#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"
#include "imaging/dib_graphic.h"
#include "modal_script.h"
#include "platform/framework/canvas.h"
#include "tool_bar_drag.h"
#include "widget_input.h"

#include <QApplication>
#include <QGroupBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace widget_test;

namespace {

enum class Edge { Left, Right, Bottom, Menu };

class BarDockingFrameTest : public FrameTest {
protected:
    // "&Новый" of the frame, answered with a small picture.
    TFormMain* newWindow() { return FrameTest::newWindow(320, 200); }

    QPoint edge(Edge which) const
    {
        const QMdiArea* client = frame->ClientArea;
        const int w = client->width();
        const int h = client->height();
        switch (which) {
        case Edge::Left: return client->mapToGlobal(QPoint(3, h / 2));
        case Edge::Right: return client->mapToGlobal(QPoint(w - 4, h / 2));
        case Edge::Bottom: return client->mapToGlobal(QPoint(w / 2, h - 4));
        case Edge::Menu: return frame->menuBar()->mapToGlobal(QPoint(frame->menuBar()->width() - 40, 8));
        }
        return {};
    }

    // The frame's client area starts at the frame's left edge: nothing is docked there.
    int clientLeft() const { return frame->ClientArea->mapTo(frame, QPoint(0, 0)).x(); }

    static QPoint inView(TFormMain& form) { return form.ImageScrollBox1->mapToGlobal(form.ImageScrollBox1->rect().center()); }

    // The top ruler starts above the view's left edge: the window has closed up behind a bar.
    static void expectRulerAboveView(TFormMain& form)
    {
        placementsIn(form, {});
        EXPECT_EQ(form.LabeledSlider1->mapTo(&form, QPoint(0, 0)).x(), form.ImageScrollBox1->mapTo(&form, QPoint(0, 0)).x());
    }

};

struct FrameDock {
    const char* name;
    QToolBar* TFormMain::*bar;
    QAction* TFormMain::*showItem; // the "Вид" item that shows a bar hidden at first
    Edge edge;
    Qt::ToolBarArea area;
    std::function<void(TFormMain&)> use;          // a button of the bar pressed
    std::function<bool(const TFormMain&)> used;   // what the press did to the window
};

class BarsOnTheFrame : public BarDockingFrameTest, public ::testing::WithParamInterface<FrameDock> {};

TEST_P(BarsOnTheFrame, StayDockedAndWorkForTheirOwnWindow)
{
    const FrameDock& dock = GetParam();
    TFormMain* owner = newWindow();
    if (dock.showItem)
        (owner->*dock.showItem)->trigger();
    QToolBar* bar = owner->*dock.bar;

    dragToolBar(*bar, edge(dock.edge));
    EXPECT_EQ(bar->parentWidget(), frame);
    EXPECT_EQ(frame->toolBarArea(bar), dock.area);
    EXPECT_FALSE(bar->isFloating());
    EXPECT_TRUE(bar->isVisible());
    expectRulerAboveView(*owner);

    // Another window made and active: the bar still acts on the window it came from.
    TFormMain* other = newWindow();
    ASSERT_NE(other, owner);
    dock.use(*owner);
    EXPECT_TRUE(dock.used(*owner));
    EXPECT_FALSE(dock.used(*other));
    EXPECT_EQ(frame->toolBarArea(bar), dock.area) << "a new window leaves the frame's bars where they are";
}

INSTANTIATE_TEST_SUITE_P(
    Bars, BarsOnTheFrame,
    ::testing::Values(
        FrameDock{"ToolPanelOnTheLeft", &TFormMain::Panel1, nullptr, Edge::Left, Qt::LeftToolBarArea,
                  [](TFormMain& form) { mouseClick(form.RectangleButton, QPoint(5, 5)); },
                  [](const TFormMain& form) { return form.CurrentTool() == dtRectangle; }},
        FrameDock{"StylesBarAtTheBottom", &TFormMain::PenBar, &TFormMain::Styles, Edge::Bottom,
                  Qt::BottomToolBarArea, [](TFormMain& form) { mouseClick(form.DashPen, QPoint(5, 5)); },
                  [](const TFormMain& form) { return form.GetGraphic()->Canvas()->Pen()->Style() == psDash; }},
        FrameDock{"ThreeDBarOnTheRight", &TFormMain::_3DBar1, &TFormMain::_3DFigures, Edge::Right,
                  Qt::RightToolBarArea, [](TFormMain& form) { mouseClick(form.Cube1, QPoint(5, 5)); },
                  [](const TFormMain& form) { return form.CurrentTool() == dtBox3D; }},
        FrameDock{"ZoomBarDroppedOnTheMenu", &TFormMain::ScaleBar, nullptr, Edge::Menu, Qt::TopToolBarArea,
                  [](TFormMain& form) { mouseClick(form.ScaleUpDown->UpButton(), QPoint(3, 3)); },
                  [](const TFormMain& form) { return form.ImageScrollBox1->ZoomPercent() == 101.0f; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BarDockingFrameTest, ABarDraggedBackFromTheFrameTakesItsPlaceInItsWindow)
{
    TFormMain* owner = newWindow();
    dragToolBar(*owner->Panel1, edge(Edge::Left));
    ASSERT_EQ(owner->Panel1->parentWidget(), frame);

    dragToolBar(*owner->Panel1, inView(*owner));
    EXPECT_EQ(owner->Panel1->parentWidget(), owner);
    EXPECT_FALSE(owner->Panel1->isFloating());
    EXPECT_EQ(clientLeft(), 0) << "nothing is left docked on the frame";

    const auto layout = [](TFormMain& form) {
        return placementsIn(form, {form.ScaleBar, form.ToolBar1, form.GroupBox1, form.LabeledSlider1, form.Panel1,
                                   form.ToolBar2, form.LabeledSlider2, form.ImageScrollBox1, form.StatusBar1});
    };
    // Taken first: a new window in front restores the others from maximised.
    const QSize size = owner->size();
    const std::vector<Placement> returned = layout(*owner);
    TFormMain* fresh = newWindow();
    ASSERT_EQ(size, fresh->size());
    EXPECT_EQ(returned, layout(*fresh));
}

TEST_F(BarDockingFrameTest, ClosingTheWindowTakesItsBarsOffTheFrame)
{
    TFormMain* owner = newWindow();
    TFormMain* other = newWindow();
    QPointer<QToolBar> othersBar = other->Panel1;
    dragToolBar(*othersBar, edge(Edge::Bottom));
    ASSERT_EQ(othersBar->parentWidget(), frame);

    // The first window brought to the front from the window list.
    ASSERT_EQ(frame->windowListActions().size(), 2);
    frame->windowListActions().first()->trigger();
    QApplication::processEvents();
    ASSERT_EQ(frame->ClientArea->activeSubWindow()->widget(), owner);
    owner->_3DFigures->trigger();
    QPointer<QToolBar> docked = owner->_3DBar1;
    QPointer<QToolBar> floated = owner->Panel1;
    dragToolBar(*docked, edge(Edge::Right));
    dragToolBar(*floated, edge(Edge::Left));
    // Off the frame again, over the desktop: it floats, the frame's now.
    dragToolBar(*floated, frame->mapToGlobal(QPoint(frame->width() + 150, 60)));
    ASSERT_EQ(docked->parentWidget(), frame);
    ASSERT_TRUE(floated->isFloating());

    owner->Close1->trigger();
    settle();
    EXPECT_TRUE(docked.isNull());
    EXPECT_TRUE(floated.isNull());
    ASSERT_FALSE(othersBar.isNull()) << "another window's bar stays";
    EXPECT_EQ(othersBar->parentWidget(), frame);
    EXPECT_EQ(frame->toolBarArea(othersBar), Qt::BottomToolBarArea);
    EXPECT_EQ(frame->findChildren<QToolBar*>(Qt::FindDirectChildrenOnly), QList<QToolBar*>{othersBar.data()});
}

TEST_F(BarDockingFrameTest, TheViewMenuShowsAndHidesABarOnTheFrame)
{
    TFormMain* owner = newWindow();
    owner->_3DFigures->trigger();
    dragToolBar(*owner->Panel1, edge(Edge::Left));
    dragToolBar(*owner->_3DBar1, edge(Edge::Bottom));
    ASSERT_EQ(owner->Panel1->parentWidget(), frame);
    ASSERT_EQ(owner->_3DBar1->parentWidget(), frame);
    const int besidePanel = clientLeft();
    ASSERT_GT(besidePanel, 0);

    // The corner before the top ruler spans the left ruler alone: the panel is not beside the view.
    owner->Tools->trigger();
    EXPECT_FALSE(owner->Tools->isChecked());
    EXPECT_FALSE(owner->Panel1->isVisible());
    EXPECT_EQ(clientLeft(), 0);
    EXPECT_EQ(owner->GroupBox1->width(), owner->ToolBar2->width());
    owner->Tools->trigger();
    EXPECT_TRUE(owner->Tools->isChecked());
    EXPECT_TRUE(owner->Panel1->isVisible());
    EXPECT_EQ(clientLeft(), besidePanel);
    EXPECT_EQ(owner->GroupBox1->width(), owner->ToolBar2->width());

    owner->_3DFigures->trigger();
    EXPECT_FALSE(owner->_3DFigures->isChecked());
    EXPECT_FALSE(owner->_3DBar1->isVisible());
    owner->_3DFigures->trigger();
    EXPECT_TRUE(owner->_3DFigures->isChecked());
    EXPECT_TRUE(owner->_3DBar1->isVisible());
    EXPECT_EQ(frame->toolBarArea(owner->_3DBar1), Qt::BottomToolBarArea);
}

} // namespace
