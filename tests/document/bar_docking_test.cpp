// A picture window's tool bars dragged by their handles: floated, dropped back on the window,
// moved along their edge. Whatever the sequence, the window ends with the layout of a new one,
// the rulers beside the view.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"
#include "tool_bar_drag.h"

#include <QApplication>
#include <QGroupBox>
#include <QStatusBar>
#include <QToolBar>

#include <string>
#include <vector>

using namespace widget_test;

namespace {

// Where a bar is dropped, relative to its window.
enum class Spot {
    View,    // the middle of the picture: the bar floats there
    Left,    // over the tool panel's place at the left edge
    Top,     // over the zoom bar at the top
    Bottom,  // over the status bar at the bottom
    Outside, // beside the window, off the client area
};

struct Step {
    const char* bar;
    Spot spot;
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

QToolBar* barNamed(TFormMain& form, const char* name)
{
    auto* bar = form.findChild<QToolBar*>(QLatin1String(name));
    if (!bar) {
        ADD_FAILURE() << "no bar " << name;
    }
    return bar;
}

// Every bar, ruler and the view.
std::vector<Placement> layoutOf(TFormMain& form)
{
    return placementsIn(form, {form.ScaleBar, form._3DBar1, form.ToolBar1, form.GroupBox1, form.LabeledSlider1,
                               form.Panel1, form.ToolBar2, form.LabeledSlider2, form.PenBar, form.ImageScrollBox1,
                               form.StatusBar1});
}

class BarDockingTest : public PictureWindowTest {
protected:
    // A window with every bar shown, so that every bar has its place to keep.
    TFormMain* windowWithAllBars()
    {
        TFormMain* form = newPicture(320, 200);
        form->Styles->trigger();
        form->_3DFigures->trigger();
        QApplication::processEvents();
        return form;
    }

    QPoint spot(TFormMain& form, Spot where) const
    {
        const QRect view(form.ImageScrollBox1->mapTo(&form, QPoint(0, 0)), form.ImageScrollBox1->size());
        switch (where) {
        case Spot::View: return form.mapToGlobal(view.center());
        case Spot::Left: return form.mapToGlobal(QPoint(20, view.center().y()));
        case Spot::Top: return form.mapToGlobal(QPoint(view.center().x(), form.ScaleBar->height() / 2));
        case Spot::Bottom: return form.mapToGlobal(QPoint(view.center().x(), form.height() - 8));
        case Spot::Outside: return area.mapToGlobal(QPoint(area.width() + 120, 40));
        }
        return {};
    }
};

class BarSequences : public BarDockingTest, public ::testing::WithParamInterface<Sequence> {};

TEST_P(BarSequences, LeaveTheLayoutOfANewWindow)
{
    TFormMain* form = windowWithAllBars();
    for (const Step& step : GetParam().steps) {
        QToolBar* bar = barNamed(*form, step.bar);
        ASSERT_TRUE(bar);
        dragToolBar(*bar, spot(*form, step.spot));
        const bool floats = step.spot == Spot::View || step.spot == Spot::Outside;
        EXPECT_EQ(bar->isFloating(), floats) << step.bar;
    }
    for (QToolBar* bar : {form->Panel1, form->PenBar, form->_3DBar1, form->ScaleBar}) {
        EXPECT_FALSE(bar->isFloating()) << bar->objectName().toStdString() << " is docked in its window again";
        EXPECT_EQ(bar->parentWidget(), form);
    }

    // Taken first: a new window in front restores the others from maximised.
    const QSize size = form->size();
    const std::vector<Placement> after = layoutOf(*form);
    TFormMain* fresh = windowWithAllBars();
    ASSERT_EQ(size, fresh->size());
    EXPECT_EQ(after, layoutOf(*fresh));
}

INSTANTIATE_TEST_SUITE_P(
    DragAndDrop, BarSequences,
    ::testing::Values(
        // The vertical ruler once ended up above the panel, cut down to 0..20.
        Sequence{"ToolPanelFloatedAndDockedAtTheLeftEdge", {{"Panel1", Spot::View}, {"Panel1", Spot::Left}}},
        Sequence{"ToolPanelDroppedOnTheTopBars", {{"Panel1", Spot::Top}}},
        Sequence{"ThreeDBarFloatedAndDockedBack", {{"_3DBar1", Spot::View}, {"_3DBar1", Spot::Top}}},
        Sequence{"ZoomBarDroppedAtTheLeftEdge", {{"ScaleBar", Spot::Left}}},
        Sequence{"StylesBarFloatedAndDockedBack", {{"PenBar", Spot::Outside}, {"PenBar", Spot::Bottom}}},
        Sequence{"TwoBarsFloatedAndDockedInTurn",
                 {{"Panel1", Spot::View},
                  {"_3DBar1", Spot::Outside},
                  {"Panel1", Spot::Top},
                  {"_3DBar1", Spot::Left}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BarDockingTest, AFloatingToolPanelLeavesTheRulersBesideTheView)
{
    TFormMain* form = newPicture(320, 200);
    QApplication::processEvents();
    const std::vector<Placement> before = layoutOf(*form);
    const int rulerLength = form->LabeledSlider2->height();

    dragToolBar(*form->Panel1, spot(*form, Spot::View));
    ASSERT_TRUE(form->Panel1->isFloating());
    layoutOf(*form);

    const QPoint view = form->ImageScrollBox1->mapTo(form, QPoint(0, 0));
    const QPoint leftRuler = form->ToolBar2->mapTo(form, QPoint(0, 0));
    EXPECT_EQ(leftRuler.x(), 0) << "the vertical ruler takes the panel's place at the edge";
    EXPECT_EQ(leftRuler.x() + form->ToolBar2->width(), view.x());
    EXPECT_EQ(form->LabeledSlider1->mapTo(form, QPoint(0, 0)).x(), view.x())
        << "the horizontal ruler starts above the view's left edge";
    EXPECT_EQ(form->LabeledSlider2->height(), rulerLength) << "the vertical ruler keeps its length";

    // The "Вид" item still hides and shows the floating panel; the rulers stay where they are.
    form->Tools->trigger();
    EXPECT_FALSE(form->Panel1->isVisible());
    EXPECT_EQ(form->LabeledSlider1->mapTo(form, QPoint(0, 0)).x(), view.x());
    form->Tools->trigger();
    EXPECT_TRUE(form->Panel1->isVisible());
    EXPECT_TRUE(form->Tools->isChecked());

    dragToolBar(*form->Panel1, spot(*form, Spot::Left));
    EXPECT_EQ(layoutOf(*form), before);
}

} // namespace
