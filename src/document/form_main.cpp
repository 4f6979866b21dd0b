#include "document/form_main.h"

#include "document/clipping_box.h"
#include "document/file_commands.h"
#include "document/new_bmp_form.h"
#include "document/print_commands.h"
#include "document/recovery_journal.h"
#include "document/status_panel.h"
#include "document/up_down.h"
#include "document/window_figure_host.h"
#include "drawing/color_grid.h"
#include "editing/canvas_size.h"
#include "editing/history_band.h"
#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"
#include "editing/slider.h"
#include "editing/zoom_commands.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/bar_docking.h"
#include "platform/forms/error_display.h"
#include "platform/forms/modal.h"
#include "platform/forms/named_widget.h"
#include "platform/framework/qcolor_conversion.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/graphic.h"
#include "platform/framework/image.h"
#include "platform/framework/size_policy.h"
#include "platform/gdi/pixel_memory.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>

#include <cstring>
#include <functional>
#include <new>
#include <span>
#include <utility>

TFormMain* FormMain = nullptr;

namespace {

constexpr QSize GlyphSize(20, 20);

// The picture's canvas, where the pen and brush of the tools live; an empty picture has none.
TCanvas* canvasOf(TDibGraphic* picture)
{
    return picture->GetEmpty() ? nullptr : picture->Canvas();
}

// The glyph's PNG read with its format named, so no reader is probed for it; the doubled one
// beside it only where a screen is doubled. A window shows dozens of glyphs, and it is first
// shown while the program starts.
QIcon glyph(const char* name)
{
    const QString path = QStringLiteral(":/glyphs/%1").arg(QLatin1String(name));
    QIcon icon(QPixmap(path + QStringLiteral(".png"), "PNG"));
    if (qApp->devicePixelRatio() > 1.0)
        icon.addPixmap(QPixmap(path + QStringLiteral("@2x.png"), "PNG"));
    return icon;
}

QToolButton* toolButton(QWidget* parent, const char* objectName, const QString& hint, const char* glyphName,
                        bool checkable = true)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setToolTip(hint);
    button->setIcon(glyph(glyphName));
    button->setIconSize(GlyphSize);
    button->setCheckable(checkable);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(26, 26);
    return button;
}

// Speed buttons of one group release each other. In a group that may be all up a click on the
// pressed button releases it; either way the click runs the button's handler.
void groupButtons(QObject* owner, const QList<QToolButton*>& buttons, bool allowAllUp)
{
    auto* group = new QButtonGroup(owner);
    group->setExclusive(!allowAllUp);
    for (QToolButton* button : buttons)
        group->addButton(button);
    if (allowAllUp) {
        QObject::connect(group, &QButtonGroup::buttonClicked, owner, [buttons](QAbstractButton* clicked) {
            if (!clicked->isChecked())
                return;
            for (QToolButton* other : buttons) {
                if (other != clicked)
                    other->setChecked(false);
            }
        });
    }
}

// A tool button of a bar: its field, name, hint, glyph and click handler.
struct ToolBarButton {
    QToolButton** button;
    const char* name;
    const char* hint;
    const char* glyphName;
    void (TFormMain::*handler)();
};

// One row of the styles bar: a button per style, each stored in its field and clicked into
// onClick, laid out from column 0 of row; returns the buttons in order.
struct StyleButton {
    QToolButton** field;
    const char* name;
    const char* hint;
    const char* glyphName;
};

QList<QToolButton*> styleRow(QWidget* contents, QGridLayout* grid, int row, std::span<const StyleButton> styles,
                             const std::function<void(QToolButton*)>& onClick)
{
    QList<QToolButton*> buttons;
    for (const StyleButton& style : styles) {
        QToolButton* button = toolButton(contents, style.name, QString::fromUtf8(style.hint), style.glyphName);
        QObject::connect(button, &QToolButton::clicked, contents, forms::command([onClick, button] { onClick(button); }));
        grid->addWidget(button, row, static_cast<int>(buttons.size()));
        buttons.append(button);
        *style.field = button;
    }
    return buttons;
}

} // namespace

namespace {

// Picture windows open now: the buffers kept for reuse go back to the system after the last.
int openWindows = 0;

} // namespace

TFormMain::TFormMain(QMdiArea* frameArea)
    : QMainWindow(nullptr),
      Toolbox([this] { return canvasOf(GetGraphic()); }),
      UndoImages(UndoHistory::SlotCount),
      History(*this),
      frameArea_(frameArea)
{
    ++openWindows;
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(QStringLiteral("Без имени"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setDockNestingEnabled(true);
    barDocking_ = std::make_unique<forms::BarDocking>(*this, [this] { return dockingSite(); });
    // A dropped bar changes what stands left of the view: the top ruler starts above it again.
    connect(barDocking_.get(), &forms::BarDocking::barDropped, this, [this] {
        layout()->activate();
        placeRulerCorner();
    });

    // 1. The components.
    Image = std::make_unique<TImage>();
    Image->SetVisible(false);
    Image->SetBounds(0, 0, InitialImageWidth, InitialImageHeight);
    Image->SetAutoSize(true);
    createView();
    createMenus();
    createZoomBar();
    create3DBar();
    createRulerBars();
    createToolPanel();
    createStylesBar();
    createStatusBar();
    connectViewCommands();
    forms::nameControls(*this);
    OpenDialog1.filter = file_commands::openFilter(false);
    SaveDialog1.filter = file_commands::saveFilter();

    // 2. Fields and the undo items.
    FileName.clear();
    SelectAllArmed = true;
    Modified = false;
    Undo1->setEnabled(false);
    Redo1->setEnabled(false);
    NewSelectionPending = true;
    OpenedAsJpeg = false;
    SelectionFrameShown = false;

    // 3. A white bitmap of the image control's size in the screen's format, pen at (0, 0).
    setWorkImageSize(InitialImageWidth, InitialImageHeight);

    // 4. The selection backup.
    SelectionBackup = std::make_unique<TBitmap>();
    selection_ = std::make_unique<Selection>(
        static_cast<WindowFigureHost&>(*figureHost_),
        SelectionFields{SelectionRect, SelectionFrameShown, NewSelectionPending, SelectAllArmed, *SelectionBackup,
                        PressPoint, PointerPoint, ButtonReleased});

    // 5.
    TrackBar1->SetPageSize(1);

    // 6. The 25 snapshot slots exist empty from the start (UndoImages).

    // 7. The text tool's font starts as this window's font dialog's.
    TextFont.Assign(&FontDialog1.Font);

    // 8. Rubber-band selection in the view.
    ImageScrollBox1->SetMouseMode(mmSelect);

    journal_ = std::make_unique<recovery::RecoveryJournal>();
}

TFormMain::~TFormMain()
{
    if (Toolbox.TextEdit)
        delete Toolbox.TextEdit.data();
    // The view and its picture go after this body: the kept buffers are released once they have.
    if (--openWindows == 0)
        QTimer::singleShot(0, [] {
            if (openWindows == 0) {
                gdi::PixelMemory::releaseKept();
                history::HistoryMemory::instance().releaseKept();
            }
        });
}

TDibGraphic* TFormMain::GetGraphic() const
{
    return ImageScrollBox1->GetGraphic();
}

void TFormMain::createView()
{
    figureHost_ = std::make_unique<WindowFigureHost>(*this);
    pictureMouse_ = std::make_unique<PictureMouse>(
        *figureHost_, PictureMouseFields{Drawing, PressPoint, MovePoint, PointerPoint, ButtonReleased, MoveCount,
                                         SavedScrollPos});
    ImageScrollBox1 = new TImageScrollBox(this);
    ImageScrollBox1->setObjectName(QStringLiteral("ImageScrollBox1"));
    ImageScrollBox1->SetZoomMode(zmPercent);
    ImageScrollBox1->SetZoomPercent(100);
    ImageScrollBox1->SetCentered(true);
    ImageScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette palette = ImageScrollBox1->palette();
    palette.setColor(QPalette::Window, ColorToQColor(cl3DLight));
    palette.setColor(QPalette::Base, ColorToQColor(cl3DLight));
    ImageScrollBox1->setPalette(palette);
    ImageScrollBox1->viewport()->setPalette(palette);
    setCentralWidget(ImageScrollBox1);
    ImageScrollBox1->OnImageMouseDown = [this](QObject*, TMouseButton, TShiftState, int x, int y) {
        FormMouseDown(x, y);
    };
    ImageScrollBox1->OnImageMouseMove = [this](QObject*, TShiftState, int x, int y) { FormMouseMove(x, y); };
    ImageScrollBox1->OnImageMouseUp = [this](QObject*, TMouseButton, TShiftState, int x, int y) { FormMouseUp(x, y); };
}

void TFormMain::createMenus()
{
    // Every command goes through the default error display.
    auto item = [this](QMenu* menu, const QString& caption, const char* name, void (TFormMain::*handler)() = nullptr) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QLatin1String(name));
        if (handler) {
            connect(action, &QAction::triggered, this, forms::command([this, action, handler] {
                // Qt ticks a checkable item before reporting it; the handlers set the tick.
                if (action->isCheckable())
                    action->setChecked(!action->isChecked());
                (this->*handler)();
            }));
        }
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) {
        QAction* action = menu->addSeparator();
        action->setObjectName(QLatin1String(name));
        return action;
    };

    File1 = new QMenu(QStringLiteral("&Файл"), this);
    File1->setObjectName(QStringLiteral("File1"));
    NewPict = item(File1, QStringLiteral("Новый"), "NewPict", &TFormMain::New1Click);
    Open1 = item(File1, QStringLiteral("&Открыть..."), "Open1", &TFormMain::Open1Click);
    OpenWith1 = item(File1, QStringLiteral("&Открыть с помощью..."), "OpenWith1", &TFormMain::OpenWith1Click);
    Scan = item(File1, QStringLiteral("&Сканировать..."), "Scan", &TFormMain::ScanClick);
    Import = item(File1, QStringLiteral("&Импорт..."), "Import", &TFormMain::ImportClick);
    Close1 = item(File1, QStringLiteral("Закрыть"), "Close1", &TFormMain::Close1Click);
    Sep1 = separator(File1, "Sep1");
    Save1 = item(File1, QStringLiteral("&Сохранить"), "Save1", &TFormMain::Save1Click);
    Saveas1 = item(File1, QStringLiteral("&Сохранить как..."), "Saveas1", &TFormMain::SaveAs1Click);
    Export = item(File1, QStringLiteral("&Экспорт..."), "Export", &TFormMain::ExportClick);
    PrintSetup = item(File1, QStringLiteral("Установки печати"), "PrintSetup", &TFormMain::PrintSetupClick);
    Print1 = item(File1, QStringLiteral("&Печать..."), "Print1", &TFormMain::Print1Click);
    PrintPreview1 = item(File1, QStringLiteral("Предварительный просмотр..."), "PrintPreview1",
                         &TFormMain::PrintPreview1Click);
    Sep2 = separator(File1, "Sep2");
    Exit1 = item(File1, QStringLiteral("&Выход"), "Exit1", &TFormMain::Exit1Click);

    Edit1 = new QMenu(QStringLiteral("&Редактировать"), this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Undo1 = item(Edit1, QStringLiteral("Отменить"), "Undo1", &TFormMain::Undo1Click);
    Undo1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    Redo1 = item(Edit1, QStringLiteral("Повторить"), "Redo1", &TFormMain::Redo1Click);
    Redo1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_Backspace));
    Sep3 = separator(Edit1, "Sep3");
    Cut1 = item(Edit1, QStringLiteral("&Вырезать"), "Cut1", &TFormMain::Cut1Click);
    Cut1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = item(Edit1, QStringLiteral("&Копировать"), "Copy1", &TFormMain::Copy1Click);
    Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = item(Edit1, QStringLiteral("&Вставить"), "Paste1", &TFormMain::Paste1Click);
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    Delete = item(Edit1, QStringLiteral("&Удалить"), "Delete", &TFormMain::DeleteClick);
    Delete->setShortcut(QKeySequence(Qt::Key_Delete));
    SelectAll = item(Edit1, QStringLiteral("&Выделить всё"), "SelectAll", &TFormMain::SelectAllClick);

    ViewItem = new QMenu(QStringLiteral("&Вид"), this);
    ViewItem->setObjectName(QStringLiteral("ViewItem"));
    Tools = item(ViewItem, QStringLiteral("&Инструменты"), "Tools", &TFormMain::ToolsClick);
    Styles = item(ViewItem, QStringLiteral("&Стили"), "Styles", &TFormMain::StylesClick);
    _3DFigures = item(ViewItem, QStringLiteral("&Трёхмерные фигуры"), "_3DFigures", &TFormMain::_3DFiguresClick);
    Scale = item(ViewItem, QStringLiteral("&Масштаб"), "Scale", &TFormMain::ScaleClick);
    Rulers = item(ViewItem, QStringLiteral("&Линейки"), "Rulers", &TFormMain::RulersClick);
    Sep6 = separator(ViewItem, "Sep6");
    AntiAliasing = item(ViewItem, QStringLiteral("&Сглаживание"), "AntiAliasing", &TFormMain::AntiAliasingClick);
    Centered = item(ViewItem, QStringLiteral("По центру"), "Centered", &TFormMain::CenteredClick);
    Sep5 = separator(ViewItem, "Sep5");
    Font1 = item(ViewItem, QStringLiteral("&Шрифт"), "Font1", &TFormMain::Font1Click);
    for (QAction* check : {Tools, Styles, _3DFigures, Scale, Rulers, AntiAliasing, Centered})
        check->setCheckable(true);
    for (QAction* ticked : {Tools, Scale, Rulers, Centered})
        ticked->setChecked(true);

    Color = new QMenu(QStringLiteral("&Цвет"), this);
    Color->setObjectName(QStringLiteral("Color"));
    color2 = item(Color, QStringLiteral("&Монохромный"), "color2", &TFormMain::color2Click);
    Gray16 = item(Color, QStringLiteral("&Cерый( 16 цветов) "), "Gray16", &TFormMain::Gray16Click);
    Gray256 = item(Color, QStringLiteral("&Серый( 256 цветов)"), "Gray256", &TFormMain::Gray256Click);
    Colors16 = item(Color, QStringLiteral("&16 цветов"), "Colors16", &TFormMain::Colors16Click);
    Color256 = item(Color, QStringLiteral("&256 цветов "), "Color256", &TFormMain::Color256Click);
    RGB24 = item(Color, QStringLiteral("&24 бит"), "RGB24", &TFormMain::RGB24Click);
    Obratyt1 = item(Color, QStringLiteral("&Обратить цвета"), "Obratyt1", &TFormMain::Obratyt1Click);

    t1 = new QMenu(QStringLiteral("&Эффекты"), this);
    t1->setObjectName(QStringLiteral("t1"));
    Texture1 = item(t1, QStringLiteral("&Текстура"), "Texture1", &TFormMain::Texture1Click);
    Sep4 = separator(t1, "Sep4");
    TransColor = item(t1, QStringLiteral("&Яркость"), "TransColor", &TFormMain::TransColorClick);
    Contrast = item(t1, QStringLiteral("&Контраст"), "Contrast", &TFormMain::ContrastClick);
    Sharp = item(t1, QStringLiteral("&Резкость"), "Sharp", &TFormMain::SharpClick);
    AntiAlias = item(t1, QStringLiteral("&Выравнивание"), "AntiAlias", &TFormMain::AntiAliasClick);
    Sat = item(t1, QStringLiteral("Насыщенность"), "Sat", &TFormMain::SatClick);
    Trns = item(t1, QStringLiteral("&Преобразование"), "Trns", &TFormMain::TrnsClick);

    createImageMenu();

    MainMenu1 = {{File1, 0}, {Edit1, 0}, {ViewItem, 0}, {Color, 0}, {t1, 0}, {Image1, 0}};
    // The shortcuts work while the window has the focus, whether or not its menus are merged.
    for (const forms::MenuItem& entry : MainMenu1) {
        for (QAction* action : entry.menu->actions()) {
            if (!action->shortcut().isEmpty()) {
                action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
                addAction(action);
            }
        }
    }

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Actual = item(PopupMenu1, QStringLiteral("&1:1"), "Actual", &TFormMain::ActualClick);
    InWidth = item(PopupMenu1, QStringLiteral("По& ширине"), "InWidth", &TFormMain::InWidthClick);
    InHeight = item(PopupMenu1, QStringLiteral("По &высоте "), "InHeight", &TFormMain::InHeightClick);
    ByPage = item(PopupMenu1, QStringLiteral("Вся& страница"), "ByPage", &TFormMain::ByPageClick);
    Sep12 = item(PopupMenu1, QString(), "Sep12");
    Sep11 = item(PopupMenu1, QString(), "Sep11");
}

void TFormMain::createZoomBar()
{
    ScaleBar = new QToolBar(QStringLiteral("Масштаб"), this);
    ScaleBar->setObjectName(QStringLiteral("ScaleBar"));
    ScaleEdit = new QLineEdit(QStringLiteral("100"), ScaleBar);
    ScaleEdit->setObjectName(QStringLiteral("ScaleEdit"));
    ScaleEdit->setToolTip(QStringLiteral("Масштаб"));
    ScaleEdit->setFixedWidth(48);
    ScaleUpDown = new TUpDown(ScaleBar);
    ScaleUpDown->setObjectName(QStringLiteral("ScaleUpDown"));
    ScaleUpDown->setToolTip(QStringLiteral("Масштаб"));
    ScaleUpDown->SetRange(1, 1600);
    ScaleUpDown->SetPosition(100);
    ScaleUpDown->SetBuddy(ScaleEdit);
    ScaleMenu = new QToolBar(ScaleBar);
    ScaleMenu->setObjectName(QStringLiteral("ScaleMenu"));
    ScaleMenu->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (QAction* action : {Actual, InWidth, InHeight, ByPage})
        ScaleMenu->addAction(action);
    ScaleBar->addWidget(ScaleEdit);
    ScaleBar->addWidget(ScaleUpDown);
    ScaleBar->addSeparator();
    ScaleBar->addWidget(ScaleMenu);
    barDocking_->addToolBar(Qt::TopToolBarArea, ScaleBar);
}

void TFormMain::create3DBar()
{
    barDocking_->addToolBarBreak(Qt::TopToolBarArea);
    _3DBar1 = new QToolBar(QStringLiteral("Трёхмерные фигуры"), this);
    _3DBar1->setObjectName(QStringLiteral("_3DBar1"));
    _3DBar1->setToolTip(QStringLiteral("Цилиндр"));
    const ToolBarButton entries[] = {
        {&Plus1, "Plus1", "Трёхмерный плюс", "plus3d", &TFormMain::Plus1Click},
        {&Cube1, "Cube1", "Параллелепипед", "box3d", &TFormMain::Cube1Click},
        {&Circle1, "Circle1", "Эллипсоид", "ellipsoid3d", &TFormMain::Circle1Click},
        {&Cylinder1, "Cylinder1", "", "cylinder3d", &TFormMain::Cylinder1Click},
        {&Tor1, "Tor1", "Тор", "torus3d", &TFormMain::Tor1Click},
        {&Top1, "Top1", "Рамка", "frame3d", &TFormMain::Top1Click},
        {&Conus, "Conus", "Конус", "cone3d", &TFormMain::ConusClick},
        {&SpeedButton1, "SpeedButton1", "Кувшин", "jug3d", &TFormMain::SpeedButton1Click},
        {&Proug, "Proug", "Пружина", "spring3d", &TFormMain::ProugClick},
    };
    for (const ToolBarButton& entry : entries) {
        QToolButton* button = toolButton(_3DBar1, entry.name, QString::fromUtf8(entry.hint), entry.glyphName);
        // Without a hint of its own the button shows the bar's.
        if (button->toolTip().isEmpty())
            button->setToolTip(_3DBar1->toolTip());
        connect(button, &QToolButton::clicked, this, forms::command([this, h = entry.handler] { (this->*h)(); }));
        _3DBar1->addWidget(button);
        *entry.button = button;
    }
    groupButtons(this, {Plus1, Cube1, Circle1, Cylinder1, Tor1, Top1, Conus, SpeedButton1}, false);
    groupButtons(this, {Proug}, false);
    barDocking_->addToolBar(Qt::TopToolBarArea, _3DBar1);
    _3DBar1->hide();
}

void TFormMain::createRulerBars()
{
    barDocking_->addToolBarBreak(Qt::TopToolBarArea);
    ToolBar1 = new QToolBar(QStringLiteral("Линейка"), this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setContentsMargins(0, 0, 0, 0);
    GroupBox1 = new QGroupBox(ToolBar1);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFlat(true);
    GroupBox1->setStyleSheet(QStringLiteral("QGroupBox { border: none; }"));
    GroupBox1->setFixedHeight(28);
    LabeledSlider1 = new TLabeledSlider(ToolBar1);
    LabeledSlider1->setObjectName(QStringLiteral("LabeledSlider1"));
    LabeledSlider1->setOrientation(Qt::Horizontal);
    LabeledSlider1->SetMax(100);
    LabeledSlider1->SetPosition(0);
    LabeledSlider1->SetFrequency(1);
    LabeledSlider1->SetThumbLength(4);
    LabeledSlider1->SetTickMarks(tmTopLeft);
    LabeledSlider1->SetTickStyle(tsAuto);
    LabeledSlider1->SetFontSize(7);
    LabeledSlider1->SetLabelTop(14);
    LabeledSlider1->setFixedHeight(28);
    LabeledSlider1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ToolBar1->addWidget(GroupBox1);
    ToolBar1->addWidget(LabeledSlider1);
    barDocking_->addToolBar(Qt::TopToolBarArea, ToolBar1);

    ToolBar2 = new QToolBar(QStringLiteral("Линейка"), this);
    ToolBar2->setObjectName(QStringLiteral("ToolBar2"));
    ToolBar2->setMovable(false);
    LabeledSlider2 = new TLabeledSlider(ToolBar2);
    LabeledSlider2->setObjectName(QStringLiteral("LabeledSlider2"));
    LabeledSlider2->setOrientation(Qt::Vertical);
    LabeledSlider2->SetMax(100);
    LabeledSlider2->SetPosition(0);
    LabeledSlider2->SetFrequency(1);
    LabeledSlider2->SetSliderVisible(false);
    LabeledSlider2->SetThumbLength(4);
    LabeledSlider2->SetTickMarks(tmTopLeft);
    LabeledSlider2->SetTickStyle(tsAuto);
    LabeledSlider2->SetFontSize(7);
    LabeledSlider2->SetLabelTop(0);
    // Wide enough for the label 100 it starts with, so no digit is cut at its edge.
    LabeledSlider2->FitWidthToLabel(17, 100);
    LabeledSlider2->setMinimumHeight(200);
    LabeledSlider2->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    ToolBar2->addWidget(LabeledSlider2);
}

void TFormMain::createToolPanel()
{
    Panel1 = new QToolBar(QStringLiteral("Инструменты"), this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setOrientation(Qt::Vertical);
    auto* contents = new QWidget(Panel1);
    auto* grid = new QGridLayout(contents);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(1);

    const ToolBarButton entries[] = {
        {&LineButton, "LineButton", "Прямая", "line", &TFormMain::LineButtonClick},
        {&RectangleButton, "RectangleButton", "Прямоугольник", "rectangle", &TFormMain::RectangleButtonClick},
        {&EllipseButton, "EllipseButton", "Овал", "ellipse", &TFormMain::EllipseButtonClick},
        {&RoundRectButton, "RoundRectButton", "Скругл. прямоугольник", "roundrect", &TFormMain::RoundRectButtonClick},
        {&PenBut, "PenBut", "Сектор", "sector", &TFormMain::PenButClick},
        {&Penn, "Penn", "Дуга", "arc", &TFormMain::PennClick},
        {&IButton, "IButton", "Сторона", "side", &TFormMain::IButtonClick},
        {&Sel, "Sel", "Ластик", "eraser", &TFormMain::SelClick},
        {&Text, "Text", "Текст", "text", &TFormMain::TextClick},
        {&Vydelenie, "Vydelenie", "Выделить", "select", &TFormMain::VydelenieClick},
        {&Pencil1, "Pencil1", "Карандаш", "pencil", &TFormMain::Pencil1Click},
        {&Fill, "Fill", "Заливка", "fill", &TFormMain::FillClick},
    };
    QList<QToolButton*> group;
    int index = 0;
    for (const ToolBarButton& entry : entries) {
        QToolButton* button = toolButton(contents, entry.name, QString::fromUtf8(entry.hint), entry.glyphName);
        connect(button, &QToolButton::clicked, this, forms::command([this, h = entry.handler] { (this->*h)(); }));
        grid->addWidget(button, index / 2, index % 2);
        group.append(button);
        *entry.button = button;
        ++index;
    }
    groupButtons(this, group, false);
    LineButton->setChecked(true);

    const int row = (index + 1) / 2;
    colo = new QLabel(QStringLiteral("     "), contents);
    colo->setObjectName(QStringLiteral("colo"));
    colo->setToolTip(QStringLiteral("Цвет пера"));
    colo->setFixedSize(24, 24);
    colo->setFrameShape(QFrame::Panel);
    colo->setFrameShadow(QFrame::Sunken);
    ShowIndicatorColor(colo, clWindowText);
    bkclr = new QLineEdit(contents);
    bkclr->setObjectName(QStringLiteral("bkclr"));
    bkclr->setToolTip(QStringLiteral("Цвет заливки"));
    bkclr->setMaxLength(10);
    bkclr->setFixedSize(24, 24);
    ShowIndicatorColor(bkclr, clWhite);
    grid->addWidget(colo, row, 0, Qt::AlignCenter);
    grid->addWidget(bkclr, row, 1, Qt::AlignCenter);

    CheckBox1 = new QCheckBox(QStringLiteral("Скрыть"), contents);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setToolTip(QStringLiteral("Отключить изменение размеров рисунка"));
    grid->addWidget(CheckBox1, row + 1, 0, 1, 2);

    TrackBar2 = new TSlider(contents);
    TrackBar2->setObjectName(QStringLiteral("TrackBar2"));
    TrackBar2->setOrientation(Qt::Vertical);
    TrackBar2->setToolTip(QStringLiteral("Высота"));
    TrackBar2->SetMin(0);
    TrackBar2->SetMax(913);
    TrackBar2->SetPosition(913);
    TrackBar2->SetPageSize(1);
    TrackBar2->setMinimumHeight(140);
    // A column of its own beside the buttons: hiding it makes the panel that much narrower.
    TrackBar2->setFixedWidth(ViewOptions::HiddenSlidersNarrowing - grid->horizontalSpacing());
    grid->addWidget(TrackBar2, 0, 2, row + 3, 1, Qt::AlignHCenter);
    grid->setRowStretch(row + 2, 1);

    // In a short window the panel clips its lower end rather than pile its controls up.
    Panel1->addWidget(new ClippingBox(contents, Qt::Vertical));
    barDocking_->addToolBar(Qt::LeftToolBarArea, Panel1);
    // The left ruler stands in its own column beside the tool panel, next to the picture.
    barDocking_->addToolBarBreak(Qt::LeftToolBarArea);
    barDocking_->addToolBar(Qt::LeftToolBarArea, ToolBar2);
}

void TFormMain::createStylesBar()
{
    PenBar = new QToolBar(QStringLiteral("Стили"), this);
    PenBar->setObjectName(QStringLiteral("PenBar"));
    PenBar->setWindowTitle(QStringLiteral("Стили"));
    auto* contents = new QWidget(PenBar);
    auto* grid = new QGridLayout(contents);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(1);
    grid->setVerticalSpacing(0);

    Label2 = new QLabel(QStringLiteral("Л     и     н     и     и"), contents);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = new QLabel(QStringLiteral("З  а  л  и  в  к  а"), contents);
    Label3->setObjectName(QStringLiteral("Label3"));

    const StyleButton pens[] = {
        {&SolidPen, "SolidPen", "Обычная", "pen_solid"},
        {&DashPen, "DashPen", "Пунктир", "pen_dash"},
        {&DotPen, "DotPen", "Мелк. пунктир", "pen_dot"},
        {&DashDotPen, "DashDotPen", "Пунктир с точкой", "pen_dashdot"},
        {&DashDotDotPen, "DashDotDotPen", "Пунктир с 2 точками", "pen_dashdotdot"},
        {&ClearPen, "ClearPen", "Нет", "pen_clear"},
    };
    const QList<QToolButton*> penGroup = styleRow(contents, grid, 1, pens, [this](QToolButton* b) { SetPenStyle(b); });
    for (QToolButton* button : penGroup)
        penStyleButtons_.append(button);
    int column = static_cast<int>(penGroup.size());
    groupButtons(this, penGroup, false);
    SolidPen->setChecked(true);

    PenColor = toolButton(contents, "PenColor", QStringLiteral("Цвет пера..."), "pen_color", false);
    connect(PenColor, &QToolButton::clicked, this, forms::command([this] { PenColorClick(); }));
    grid->addWidget(PenColor, 1, column++);
    ViewButton = toolButton(contents, "ViewButton", QStringLiteral("Цвет пера с рисунка"), "pick_pen");
    connect(ViewButton, &QToolButton::clicked, this, forms::command([this] { ViewButtonClick(); }));
    grid->addWidget(ViewButton, 1, column++);

    PenSize = new QLineEdit(contents);
    PenSize->setObjectName(QStringLiteral("PenSize"));
    PenSize->setToolTip(QStringLiteral("Толщина пера"));
    PenSize->setFixedWidth(36);
    PenWidth = new TUpDown(contents);
    PenWidth->setObjectName(QStringLiteral("PenWidth"));
    PenWidth->setToolTip(QStringLiteral("Толщина пера"));
    PenWidth->SetRange(0, 100);
    PenWidth->SetPosition(1);
    PenWidth->SetBuddy(PenSize);
    connect(PenSize, &QLineEdit::textChanged, this, forms::command([this] { PenSizeChange(); }));
    auto* penWidthBox = new QWidget(contents);
    auto* penWidthLayout = new QHBoxLayout(penWidthBox);
    penWidthLayout->setContentsMargins(4, 0, 0, 0);
    penWidthLayout->setSpacing(0);
    penWidthLayout->addWidget(PenSize);
    penWidthLayout->addWidget(PenWidth);
    grid->addWidget(penWidthBox, 1, column++, 1, 2);

    const StyleButton brushes[] = {
        {&SolidBrush, "SolidBrush", "Сплошная", "brush_solid"},
        {&ClearBrush, "ClearBrush", "Нет", "brush_clear"},
        {&HorizontalBrush, "HorizontalBrush", "Гор. линии", "brush_horizontal"},
        {&VerticalBrush, "VerticalBrush", "Верт. линии", "brush_vertical"},
        {&FDiagonalBrush, "FDiagonalBrush", "Диагональ 1", "brush_fdiagonal"},
        {&BDiagonalBrush, "BDiagonalBrush", "Диагональ 2", "brush_bdiagonal"},
        {&CrossBrush, "CrossBrush", "Решётка", "brush_cross"},
        {&DiagCrossBrush, "DiagCrossBrush", "Решётка и диагонали", "brush_diagcross"},
    };
    const QList<QToolButton*> brushRow =
        styleRow(contents, grid, 3, brushes, [this](QToolButton* b) { SetBrushStyle(b); });
    for (QToolButton* button : brushRow)
        brushStyleButtons_.append(button);
    column = static_cast<int>(brushRow.size());
    // The pen's pick-from-picture button shares the brush styles' group.
    groupButtons(this, QList<QToolButton*>{ViewButton} + brushRow, true);
    SolidBrush->setChecked(true);

    BrushColor = toolButton(contents, "BrushColor", QStringLiteral("Цвет заливки..."), "brush_color", false);
    connect(BrushColor, &QToolButton::clicked, this, forms::command([this] { BrushColorClick(); }));
    grid->addWidget(BrushColor, 3, column++);
    Rasp = toolButton(contents, "Rasp", QStringLiteral("Цвет заливки с рисунка..."), "pick_brush");
    connect(Rasp, &QToolButton::clicked, this, forms::command([this] { RaspClick(); }));
    grid->addWidget(Rasp, 3, column++);
    groupButtons(this, {Rasp}, true);

    grid->addWidget(Label2, 0, 0, 1, 6);
    grid->addWidget(Label3, 2, 0, 1, 8);

    CColorGrid1 = new TCColorGrid(contents);
    CColorGrid1->setObjectName(QStringLiteral("CColorGrid1"));
    CColorGrid1->setToolTip(QStringLiteral("Палитра (цвет пера - левая кнопка мыши, заливки - правая)"));
    CColorGrid1->SetGridOrdering(go8x2);
    CColorGrid1->setFixedSize(256, 56);
    // White background before the change event is wired: the window starts with a black pen on
    // a white brush, and the first left click changes only the pen.
    CColorGrid1->SetBackgroundIndex(15);
    // Used with the mouse only: no focus, no focus frame.
    CColorGrid1->SetTabStop(false);
    // The FG/BG marks in the metric twin of the classic Times face, bold, 13 pixels.
    QFont labelFont(QStringLiteral("Liberation Serif"));
    labelFont.setPixelSize(13);
    labelFont.setBold(true);
    CColorGrid1->setFont(labelFont);
    CColorGrid1->OnChange = forms::command([this](TCColorGrid*) { CColorGrid1Change(); });
    grid->addWidget(CColorGrid1, 0, 11, 4, 1, Qt::AlignVCenter);

    TrackBar1 = new TSlider(contents);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setOrientation(Qt::Horizontal);
    TrackBar1->setToolTip(QStringLiteral("Ширина"));
    TrackBar1->SetMin(0);
    TrackBar1->SetMax(1857);
    TrackBar1->SetPosition(1857);
    TrackBar1->SetPageSize(1);
    TrackBar1->setMinimumWidth(120);
    grid->addWidget(TrackBar1, 0, 12, 4, 1, Qt::AlignVCenter);
    grid->setColumnStretch(12, 1);
    grid->setColumnMinimumWidth(10, 8);

    PenBar->addWidget(contents);
    barDocking_->addToolBar(Qt::BottomToolBarArea, PenBar);
    PenBar->hide();
}

void TFormMain::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    // Each panel is sized for its longest text: positions of six digits with a sign (a view of a
    // zoomed picture reaches them), sides of five digits.
    const QString widestTexts[] = {
        QStringLiteral("Нажато: (-000000, -000000)"),
        QStringLiteral("Позиция: (-000000, -000000)"),
        QStringLiteral("Размер:00000 Х 00000"),
        QString(),
    };
    auto* strip = new QWidget;
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (size_t i = 0; i < StatusPanels.size(); ++i) {
        auto* panel = new StatusPanel(StatusPanelWidths[i], widestTexts[i], strip);
        panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        row->addWidget(panel);
        StatusPanels[i] = panel;
    }
    row->addStretch(1);
    // A window narrower than the panels clips the last ones; none is squeezed.
    StatusBar1->addWidget(new ClippingBox(strip, Qt::Horizontal), 1);
    setStatusBar(StatusBar1);
}

QString TFormMain::PanelText(int panel) const
{
    return StatusPanels.at(static_cast<size_t>(panel))->text();
}

void TFormMain::SetPanelText(int panel, const QString& text)
{
    StatusPanels.at(static_cast<size_t>(panel))->setText(text);
}

void TFormMain::ShowPictureSize()
{
    // Read without taking a copy of the picture the work image may still owe.
    SetPanelText(2, QStringLiteral("Размер:%1 Х %2").arg(Image->PictureHeight()).arg(Image->PictureWidth()));
}

void TFormMain::setWorkImageSize(int width, int height)
{
    if (width <= 0 || height <= 0)
        throw Exception(QStringLiteral("Ширина и высота рисунка должны быть больше нуля (введено %1 на %2)")
                            .arg(width)
                            .arg(height));
    PictureSizePolicy::checkWindow(width, height);
    auto bitmap = std::make_unique<TBitmap>();
    try {
        bitmap->SetPixelFormat(pfDevice);
        // Sizing fills the new area with the brush colour: that makes the page white.
        bitmap->Canvas()->Brush()->SetColor(clWhite);
        bitmap->SetSize(width, height);
        bitmap->Canvas()->MoveTo(0, 0);
    } catch (const std::bad_alloc&) {
        throw Exception(PictureSizePolicy::tooLargeMessage(width, height));
    }
    Image->Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
}

void TFormMain::placeRulerCorner()
{
    // The top ruler starts where the view does: past the tool panel and the left ruler.
    const int viewLeft = ImageScrollBox1->mapTo(this, QPoint(0, 0)).x();
    const int rulerLeft = LabeledSlider1->mapTo(this, QPoint(0, 0)).x();
    const int corner = std::max(0, GroupBox1->width() + viewLeft - rulerLeft);
    if (corner != GroupBox1->width())
        GroupBox1->setFixedWidth(corner);
}

void TFormMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    placeRulerCorner();
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The bars have their sizes only once the layout has run.
    QTimer::singleShot(0, this, [this] { placeRulerCorner(); });
}

QMainWindow* TFormMain::dockingSite() const
{
    // The frame around the client area, when the window lives in one.
    auto* frame = frameArea_ ? qobject_cast<QMainWindow*>(frameArea_->window()) : nullptr;
    return frame && frame->centralWidget() == frameArea_ ? frame : nullptr;
}

// ---- Lifecycle ----

TFormMain* TFormMain::Create(QMdiArea* frameArea)
{
    auto* form = new TFormMain(frameArea);
    if (frameArea) {
        QMdiSubWindow* subWindow = frameArea->addSubWindow(form);
        subWindow->setAttribute(Qt::WA_DeleteOnClose);
        subWindow->setWindowIcon(glyph("picture_window"));
        subWindow->showMaximized();
    } else {
        form->setAttribute(Qt::WA_DeleteOnClose);
    }
    FormMain = form;
    return form;
}

TFormMain* TFormMain::NewPicture(QMdiArea* frameArea, const TFormMain* issuing)
{
    TFormMain* previous = FormMain;
    TFormMain* form = Create(frameArea);
    TPicture* offered = (issuing ? issuing : form)->Image->Picture();
    NewBMPForm->WidthEdit->setText(QString::number(offered->Width()));
    NewBMPForm->HeightEdit->setText(QString::number(offered->Height()));
    NewBMPForm->WidthEdit->setFocus();
    NewBMPForm->WidthEdit->selectAll();
    if (forms::Modal::exec(*NewBMPForm) != QDialog::Accepted)
        return form;

    const int width = StrToInt(NewBMPForm->WidthEdit->text());
    const int height = StrToInt(NewBMPForm->HeightEdit->text());
    TDibGraphic* picture = form->GetGraphic();
    try {
        form->setWorkImageSize(width, height);
        picture->NewImage(width, height, ifTrueColor, nullptr, 300, 300);
    } catch (...) {
        // A size refused leaves no empty window behind: nothing in it to keep.
        form->Discard();
        FormMain = previous;
        throw;
    }
    // The work image is white: so is the new picture's every byte.
    std::memset(picture->Bits(), 0xFF, static_cast<size_t>(picture->RowBytes()) * static_cast<size_t>(height));
    form->ImageScrollBox1->Redraw(true);
    form->FileName.clear();
    form->Modified = false;
    form->Panel1->setFocus();
    form->ShowPictureSize();
    return form;
}

void TFormMain::New1Click()
{
    NewPicture(frameArea_, this);
}

void TFormMain::Close1Click()
{
    if (QMdiSubWindow* subWindow = qobject_cast<QMdiSubWindow*>(parentWidget()))
        subWindow->close();
    else
        close();
}

void TFormMain::Exit1Click()
{
    // Exactly as the frame's own "&Выход": the frame closes, asking every window first.
    if (frameArea_ && frameArea_->window())
        frameArea_->window()->close();
    else
        close();
}

bool TFormMain::FormCloseQuery()
{
    if (!Modified)
        return true;
    const QMessageBox::StandardButton answer =
        forms::Modal::messageBox(nullptr, QMessageBox::Information, QStringLiteral("Пиктаво"),
                                 QStringLiteral("Сохранить рисунок?"),
                                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton)
        return false;
    if (answer == QMessageBox::Yes) {
        // The user asked to keep the picture: a cancelled save dialog, like a save that failed,
        // keeps the window open instead of losing the picture.
        try {
            return file_commands::SaveAs(*this);
        } catch (...) {
            forms::ErrorDisplay::showCurrent();
            return false;
        }
    }
    return true;
}

void TFormMain::Discard()
{
    Modified = false;
    Close1Click();
}

void TFormMain::FormClose()
{
    ScratchPicture.reset();
    journal_->remove();
    // Bars docked on the frame close with the window.
    barDocking_->recallBars();
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

void TFormMain::Open1Click()
{
    file_commands::OpenFromWindow(*this);
}

void TFormMain::Save1Click()
{
    file_commands::Save(*this);
}

void TFormMain::SaveAs1Click()
{
    file_commands::SaveAs(*this);
}

// ---- Canvas size, zoom and view ----

void TFormMain::connectViewCommands()
{
    viewOptions_ = std::make_unique<ViewOptions>(ViewControls{
        Tools, Styles, _3DFigures, Scale, Rulers, AntiAliasing, Centered, Panel1, PenBar, _3DBar1, ScaleBar, ToolBar1,
        ToolBar2, GroupBox1, TrackBar1, TrackBar2, CheckBox1, ImageScrollBox1});
    TrackBar1->OnChange = forms::command([this](TSlider*) { TrackBar1Change(); });
    TrackBar2->OnChange = forms::command([this](TSlider*) { TrackBar2Change(); });
    connect(CheckBox1, &QCheckBox::clicked, this, forms::command([this] { CheckBox1Click(); }));
    connect(ScaleEdit, &QLineEdit::textChanged, this, forms::command([this] { ScaleEditChange(); }));
}

void TFormMain::TrackBar1Change()
{
    sizeFromGeometry_ = false;
    ChangePictureWidth(static_cast<WindowFigureHost&>(*figureHost_), *TrackBar1);
}

void TFormMain::TrackBar2Change()
{
    sizeFromGeometry_ = false;
    ChangePictureHeight(static_cast<WindowFigureHost&>(*figureHost_), *TrackBar2);
}

void TFormMain::ScaleEditChange()
{
    ApplyZoomPercent(*ImageScrollBox1, ScaleUpDown->Position(), *LabeledSlider1, *LabeledSlider2);
}

void TFormMain::fitZoom(TZoomMode mode)
{
    ScaleUpDown->SetPosition(FitZoom(*ImageScrollBox1, mode));
}

void TFormMain::ActualClick()
{
    fitZoom(zmOriginalSize);
}

void TFormMain::InWidthClick()
{
    fitZoom(zmFitWidth);
}

void TFormMain::InHeightClick()
{
    fitZoom(zmFitHeight);
}

void TFormMain::ByPageClick()
{
    fitZoom(zmFullPage);
}

// ---- Tools ----

void TFormMain::VydelenieClick()
{
    Toolbox.ChooseTool(dtSelect);
    NewSelectionPending = true;
}

void TFormMain::TextClick()
{
    Toolbox.TextClick(this, width(), height());
}

void TFormMain::SetPenStyle(QObject* sender)
{
    static constexpr TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear};
    const qsizetype index = penStyleButtons_.indexOf(sender);
    if (index >= 0)
        Toolbox.SetPenStyle(styles[index]);
}

void TFormMain::SetBrushStyle(QObject* sender)
{
    static constexpr TBrushStyle styles[] = {bsSolid,     bsClear,     bsHorizontal, bsVertical,
                                             bsFDiagonal, bsBDiagonal, bsCross,      bsDiagCross};
    const qsizetype index = brushStyleButtons_.indexOf(sender);
    if (index >= 0)
        Toolbox.SetBrushStyle(styles[index]);
}

void TFormMain::PenSizeChange()
{
    Toolbox.PenSizeChange(PenWidth->Position());
}

void TFormMain::CColorGrid1Change()
{
    Toolbox.CColorGrid1Change(*CColorGrid1, colo, bkclr);
}

// ---- Undo ----

void TFormMain::storeSnapshot(int slot)
{
    // Slots hold the picture without the selection frame, so that undo never brings a frame
    // into the work image; the frames are noted and shown again on the picture by the restore.
    sizedSnapshots_.at(static_cast<size_t>(slot)) = std::exchange(nextSnapshotWithSize_, false) || sizeFromGeometry_;
    selection_->WithoutFrame([&] { UndoImages.store(slot, *GetGraphic()); });
    snapshotFrames_.at(static_cast<size_t>(slot)) = selection_->FramesInPicture();
}

void TFormMain::prepareWorkImage()
{
    SnapshotStore::prepareWorkImage(*Image);
}

void TFormMain::restoreSnapshot(int slot)
{
    if (sizedSnapshots_.at(static_cast<size_t>(slot)) && UndoImages.holds(slot)) {
        restoreSnapshotWithSize(slot);
        return;
    }
    UndoImages.restoreInto(slot, *Image, *GetGraphic());
    selection_->PixelsRestored(snapshotFrames_.at(static_cast<size_t>(slot)));
    ImageScrollBox1->Redraw(true);
}

// Every other change of the picture ends by bringing the work image up to date; Cut and Delete
// do not, so a copy the work image still owes is taken from the picture before they change it.
void TFormMain::Cut1Click()
{
    Image->SettlePicture();
    selection_->Cut1Click();
}

void TFormMain::DeleteClick()
{
    Image->SettlePicture();
    selection_->DeleteClick();
}

void TFormMain::dropSelection()
{
    SelectionRect = Rect(0, 0, -90, -900);
}

void TFormMain::setUndoEnabled(bool enabled)
{
    Undo1->setEnabled(enabled);
}

void TFormMain::setRedoEnabled(bool enabled)
{
    Redo1->setEnabled(enabled);
}

void TFormMain::PenColorClick()
{
    Toolbox.PenColorClick(ColorDialog1, colo, this);
}

void TFormMain::BrushColorClick()
{
    Toolbox.BrushColorClick(ColorDialog1, bkclr, this);
}
