#pragma once
// The "&Вид" items and the "Скрыть" box: which bars, rulers and sliders a picture window shows,
// whether its view centres and smooths the picture, and the ruler corner that keeps the top
// ruler starting above the view's left edge.

class QAction;
class QCheckBox;
class QWidget;
class TImageScrollBox;

// The window's controls these switch; the window owns them all.
struct ViewControls {
    QAction* Tools;
    QAction* Styles;
    QAction* _3DFigures;
    QAction* Scale;
    QAction* Rulers;
    QAction* AntiAliasing;
    QAction* Centered;
    QWidget* Panel1;    // the tool panel
    QWidget* PenBar;    // the styles bar
    QWidget* _3DBar1;   // the 3-D figures bar
    QWidget* ScaleBar;  // the zoom bar
    QWidget* ToolBar1;  // the horizontal ruler bar
    QWidget* ToolBar2;  // the vertical ruler bar
    QWidget* GroupBox1; // the corner at the left end of the horizontal ruler
    QWidget* TrackBar1; // the width slider
    QWidget* TrackBar2; // the height slider
    QCheckBox* CheckBox1;
    TImageScrollBox* View;
};

class ViewOptions {
public:
    // How much narrower the tool panel gets while the sliders are hidden.
    static constexpr int HiddenSlidersNarrowing = 25;

    explicit ViewOptions(const ViewControls& controls) : c_(controls) {}

    void ToolsClick();
    void StylesClick();
    void _3DFiguresClick();
    void ScaleClick();
    void RulersClick();
    void AntiAliasingClick();
    void CenteredClick();
    void CheckBox1Click();

private:
    // The corner is as wide as what stands left of the view: the tool panel and the left ruler.
    void placeCorner(bool panelShown);

    ViewControls c_;
};
