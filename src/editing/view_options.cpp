#include "editing/view_options.h"

#include "editing/image_scroll_box.h"

#include <QAction>
#include <QCheckBox>
#include <QLayout>
#include <QWidget>

namespace {

// Bars report their new sizes only after the window's layout has run.
void settleLayout(QWidget* child)
{
    if (QWidget* window = child->window(); window && window->layout())
        window->layout()->activate();
}

// "Hidden" in the sense of the bar's own flag, so that it holds for a window not shown yet.
bool shown(const QWidget* bar)
{
    return !bar->isHidden();
}

} // namespace

void ViewOptions::ToolsClick()
{
    c_.Tools->setChecked(!c_.Tools->isChecked());
    c_.Panel1->setVisible(c_.Tools->isChecked());
    placeCorner(c_.Tools->isChecked());
}

void ViewOptions::StylesClick()
{
    c_.Styles->setChecked(!c_.Styles->isChecked());
    c_.PenBar->setVisible(c_.Styles->isChecked());
}

void ViewOptions::_3DFiguresClick()
{
    c_._3DBar1->setVisible(!shown(c_._3DBar1));
    c_._3DFigures->setChecked(shown(c_._3DBar1));
}

void ViewOptions::ScaleClick()
{
    c_.ScaleBar->setVisible(!shown(c_.ScaleBar));
    c_.Scale->setChecked(shown(c_.ScaleBar));
}

void ViewOptions::RulersClick()
{
    const bool show = !c_.Rulers->isChecked();
    c_.ToolBar1->setVisible(show);
    c_.ToolBar2->setVisible(show);
    c_.Rulers->setChecked(show);
}

void ViewOptions::AntiAliasingClick()
{
    c_.View->SetAntiAliased(!c_.AntiAliasing->isChecked());
    c_.AntiAliasing->setChecked(c_.View->AntiAliased());
    c_.View->Redraw(true);
}

void ViewOptions::CenteredClick()
{
    // The view always fills the client area, so aligning it there again has nothing to do.
    c_.View->SetCentered(!c_.Centered->isChecked());
    c_.Centered->setChecked(c_.View->Centered());
    c_.View->Redraw(false);
}

void ViewOptions::CheckBox1Click()
{
    const bool hide = c_.CheckBox1->isChecked();
    const int panelWidth = c_.Panel1->width();
    if (hide) {
        for (QWidget* slider : {c_.TrackBar1, c_.TrackBar2}) {
            slider->setEnabled(false);
            slider->setVisible(false);
        }
        c_.Panel1->setFixedWidth(panelWidth - HiddenSlidersNarrowing);
    } else {
        for (QWidget* slider : {c_.TrackBar2, c_.TrackBar1}) {
            slider->setEnabled(true);
            slider->setVisible(true);
        }
        c_.Panel1->setFixedWidth(panelWidth + HiddenSlidersNarrowing);
    }
    placeCorner(true);
}

void ViewOptions::placeCorner(bool panelShown)
{
    settleLayout(c_.Panel1);
    // A tool panel floating or docked on the frame takes no room beside the view.
    const bool besideView =
        panelShown && !c_.Panel1->isWindow() && c_.Panel1->parentWidget() == c_.ToolBar2->parentWidget();
    const int width = besideView ? c_.Panel1->width() + c_.ToolBar2->width() : c_.ToolBar2->width();
    c_.GroupBox1->setFixedWidth(width);
}
