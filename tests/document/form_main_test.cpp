// The picture window: its state when made, New from the frame and from a window, the close
// query, undo through the real work image, and the tool button groups.

#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "document/up_down.h"
#include "drawing/color_grid.h"
#include "editing/image_scroll_box.h"
#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "imaging/formats/png_graphic.h"
#include "modal_script.h"
#include "picture_window_fixture.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"
#include "platform/gdi/device_context.h"
#include "platform/gdi/dib_surface.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <climits>
#include <memory>

namespace {

using widget_test::ModalScript;
using widget_test::pressButton;
using widget_test::setField;
using widget_test::steps;

// Fills the size dialog and confirms it.
widget_test::Answer newSize(const QString& width, const QString& height)
{
    return steps({setField(QStringLiteral("WidthEdit"), width), setField(QStringLiteral("HeightEdit"), height),
                  pressButton(QStringLiteral("Да"))});
}

class FormMainTest : public PictureWindowTest {
protected:
    // A stroke as the mouse protocol makes it: snapshot at the press, paint, copy into the
    // work image at the release.
    static void stroke(TFormMain* form, uint32_t colour, int x)
    {
        form->DrawBfr();
        TDibGraphic* picture = form->GetGraphic();
        for (int y = 0; y < picture->GetHeight(); ++y)
            picture->SetPixelRGB(x, y, colour);
        gdi::DeviceContext from(*picture->DibSection());
        form->Image->Canvas()->Handle()->BitBlt(0, 0, picture->GetWidth(), picture->GetHeight(), &from, 0, 0,
                                                gdi::SRCCOPY);
    }
};

// Changes in a row ask for the work image's copy each; the copy is taken when the work image is
// read, and shows the picture as the last change left it. A work image holding another kind of
// graphic than a bitmap refuses at once, where the change asks, not later at a save.
TEST_F(FormMainTest, WorkImageTakesTheLastChangeWhenReadAndRefusesANonBitmapAtOnce)
{
    TFormMain* form = newPicture(40, 30);
    TDibGraphic* picture = form->GetGraphic();
    picture->SetPixelRGB(5, 5, 0xFF0000u);
    form->Host().UpdateWorkImage();
    picture->SetPixelRGB(6, 5, 0x00FF00u);
    form->Host().UpdateWorkImage();
    const gdi::DibSurface* work = form->Image->Picture()->Bitmap()->Surface();
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->rawPixel(5, 5) & 0xFFFFFFu, 0xFF0000u);
    EXPECT_EQ(work->rawPixel(6, 5) & 0xFFFFFFu, 0x00FF00u);

    auto png = std::make_unique<TPngGraphic>();
    png->NewImage(40, 30, ifTrueColor, nullptr, 96, 96);
    form->Image->Picture()->SetGraphic(std::move(png));
    EXPECT_THROW(form->Host().UpdateWorkImage(), EInvalidOperation);
}

TEST_F(FormMainTest, ANewWindowStartsAsTheFormSaysAndIsFormMain)
{
    TFormMain* form = TFormMain::Create(&area);
    EXPECT_EQ(FormMain, form);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Без имени"));
    EXPECT_TRUE(area.subWindowList().first()->isMaximized());
    EXPECT_FALSE(form->Undo1->isEnabled());
    EXPECT_FALSE(form->Redo1->isEnabled());
    EXPECT_EQ(form->Undo1->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(form->Redo1->shortcut(), QKeySequence(Qt::ALT | Qt::Key_Backspace));
    EXPECT_EQ(form->CurrentTool(), dtLine);
    EXPECT_TRUE(form->LineButton->isChecked());
    EXPECT_TRUE(form->SolidPen->isChecked());
    EXPECT_TRUE(form->SolidBrush->isChecked());
    EXPECT_FALSE(form->Modified);
    EXPECT_TRUE(form->FileName.isEmpty());
    EXPECT_TRUE(form->NewSelectionPending);
    EXPECT_TRUE(form->SelectAllArmed);
    EXPECT_FALSE(form->SelectionFrameShown);
    EXPECT_EQ(form->Image->Picture()->Width(), 1324);
    EXPECT_EQ(form->Image->Picture()->Height(), 651);
    EXPECT_TRUE(form->GetGraphic()->GetEmpty());
    EXPECT_EQ(form->ImageScrollBox1->MouseMode(), mmSelect);
    EXPECT_EQ(form->ImageScrollBox1->ZoomMode(), zmPercent);
    EXPECT_TRUE(form->ImageScrollBox1->Centered());
    EXPECT_EQ(TextFont.Height(), -13);

    for (QToolBar* shown : {form->Panel1, form->ScaleBar, form->ToolBar1, form->ToolBar2})
        EXPECT_TRUE(shown->isVisibleTo(form)) << shown->objectName().toStdString();
    for (QToolBar* hidden : {form->PenBar, form->_3DBar1})
        EXPECT_FALSE(hidden->isVisibleTo(form)) << hidden->objectName().toStdString();
    for (size_t i = 0; i < form->StatusPanels.size(); ++i)
        EXPECT_GE(form->StatusPanels[i]->width(), TFormMain::StatusPanelWidths[i]);

    QStringList menus;
    for (const forms::MenuItem& item : form->mergedMenus()) {
        menus << item.menu->title();
        EXPECT_EQ(item.group, 0);
    }
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Редактировать"), QStringLiteral("&Вид"),
                                  QStringLiteral("&Цвет"), QStringLiteral("&Эффекты"),
                                  QStringLiteral("&Изображение")}));
    EXPECT_TRUE(form->Tools->isChecked());
    EXPECT_FALSE(form->Styles->isChecked());
    EXPECT_TRUE(form->Centered->isChecked());
}

TEST_F(FormMainTest, FramesNewOffersTheNewWindowsSizeAndShowsHeightThenWidth)
{
    QString offeredWidth;
    QString offeredHeight;
    QWidget* focused = nullptr;
    ModalScript script;
    script.then([&](QDialog& dialog) {
        offeredWidth = NewBMPForm->WidthEdit->text();
        offeredHeight = NewBMPForm->HeightEdit->text();
        focused = dialog.focusWidget();
        newSize(QStringLiteral("300"), QStringLiteral("200"))(dialog);
    });
    TFormMain* form = TFormMain::NewPicture(&area, nullptr);
    EXPECT_EQ(offeredWidth, QStringLiteral("1324"));
    EXPECT_EQ(offeredHeight, QStringLiteral("651"));
    EXPECT_EQ(focused, NewBMPForm->WidthEdit);
    EXPECT_EQ(FormMain, form);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:200 Х 300"));
    EXPECT_EQ(form->PanelText(2).at(11), QChar(0x0425)); // Cyrillic Ha, not a Latin X
    const TDibGraphic* picture = form->GetGraphic();
    EXPECT_EQ(picture->GetWidth(), 300);
    EXPECT_EQ(picture->GetHeight(), 200);
    EXPECT_EQ(picture->ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture->XDpi(), 300);
    EXPECT_EQ(picture->GetPixelRGB(299, 199), 0xFFFFFFu);
    EXPECT_FALSE(form->Modified);
}

TEST_F(FormMainTest, WindowsNewOffersItsOwnSizeAndLeavesItAlone)
{
    TFormMain* first = newPicture(640, 480);
    first->Modified = true;
    first->FileName = QStringLiteral("/tmp/a.bmp");
    first->GetGraphic()->SetPixelRGB(5, 5, 0x112233);
    QString offered;
    ModalScript script;
    script.then([&](QDialog& dialog) {
        offered = NewBMPForm->WidthEdit->text() + QLatin1Char('x') + NewBMPForm->HeightEdit->text();
        newSize(QStringLiteral("50"), QStringLiteral("40"))(dialog);
    });
    first->NewPict->trigger();
    EXPECT_EQ(offered, QStringLiteral("640x480"));
    EXPECT_EQ(area.subWindowList().size(), 2);
    EXPECT_NE(FormMain, first);
    EXPECT_EQ(FormMain->GetGraphic()->GetWidth(), 50);
    EXPECT_EQ(first->GetGraphic()->GetPixelRGB(5, 5), 0x112233u);
    EXPECT_TRUE(first->Modified);
    EXPECT_EQ(first->FileName, QStringLiteral("/tmp/a.bmp"));
    EXPECT_EQ(first->PanelText(2), QStringLiteral("Размер:480 Х 640"));
}

TEST_F(FormMainTest, CancellingTheSizeDialogLeavesAnEmptyUntitledWindow)
{
    ModalScript script;
    script.then(pressButton(QStringLiteral("Отмена")));
    TFormMain* form = TFormMain::NewPicture(&area, nullptr);
    EXPECT_EQ(area.subWindowList().size(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Без имени"));
    EXPECT_TRUE(form->GetGraphic()->GetEmpty());
    EXPECT_TRUE(form->PanelText(2).isEmpty());
}

struct RefusedSize {
    const char* name;
    const char* width;
    const char* height;
    const char* message; // a part of the message shown
    bool windowStays;    // a field that is no number leaves the window; a refused size does not
};

class RefusedSizes : public FormMainTest, public ::testing::WithParamInterface<RefusedSize> {};

TEST_P(RefusedSizes, AreShownAsAnError)
{
    TFormMain* issuing = TFormMain::Create(&area);
    ModalScript script;
    script.then(newSize(QString::fromUtf8(GetParam().width), QString::fromUtf8(GetParam().height)))
        .then(pressButton(QStringLiteral("OK")));
    issuing->NewPict->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(script.count(), 2);
    EXPECT_TRUE(script.shown()[1].text.contains(QString::fromUtf8(GetParam().message)))
        << script.shown()[1].text.toStdString();
    if (!GetParam().windowStays) {
        EXPECT_EQ(area.subWindowList().size(), 1) << "no empty window is left behind";
        EXPECT_EQ(FormMain, issuing);
        return;
    }
    EXPECT_EQ(area.subWindowList().size(), 2);
    EXPECT_TRUE(FormMain->GetGraphic()->GetEmpty());
    EXPECT_EQ(FormMain->Image->Picture()->Width(), 1324);
    EXPECT_EQ(FormMain->Image->Picture()->Height(), 651);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, RefusedSizes,
    ::testing::Values(RefusedSize{"NotANumber", "12a", "10", "'12a' is not a valid integer value", true},
                      RefusedSize{"ZeroWidth", "0", "10", "больше нуля", false},
                      RefusedSize{"NegativeHeight", "10", "-3", "больше нуля", false},
                      RefusedSize{"BeyondMemory", "2000000000", "2000000000", "не хватает памяти", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormMainTest, ALargePictureOfEightThousandSquareIsMade)
{
    TFormMain* form = newPicture(8000, 8000);
    EXPECT_EQ(form->GetGraphic()->GetWidth(), 8000);
    EXPECT_EQ(form->Image->Picture()->Height(), 8000);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:8000 Х 8000"));
}

TEST_F(FormMainTest, CloseQueryAsksOnlyWhenModified)
{
    TFormMain* a = newPicture(20, 10);
    TFormMain* b = newPicture(20, 10);
    a->Modified = true;
    ModalScript script;
    script.then(pressButton(QStringLiteral("Cancel")));
    EXPECT_FALSE(a->FormCloseQuery());
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Пиктаво"));
    EXPECT_EQ(script.shown()[0].text, QStringLiteral("Сохранить рисунок?"));
    EXPECT_EQ(script.shown()[0].buttons.size(), 3);
    EXPECT_TRUE(b->FormCloseQuery());
    EXPECT_EQ(script.count(), 1);

    script.then(pressButton(QStringLiteral("No")));
    EXPECT_TRUE(a->FormCloseQuery());
}

// The user asked to keep the picture: cancelling the save dialog keeps the window and its
// picture, as cancelling the question does; a completed save then lets it close.
TEST_F(FormMainTest, YesThenACancelledSaveKeepsTheWindowAndItsPicture)
{
    TFormMain* form = newPicture(20, 10);
    stroke(form, 0xFF0000, 1);
    form->Modified = true;
    {
        ModalScript script;
        script.then(pressButton(QStringLiteral("Yes"))).then(widget_test::closeDialog());
        form->Close1->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(script.count(), 2);
    }
    ASSERT_EQ(area.subWindowList().size(), 1);
    EXPECT_TRUE(form->Modified);
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(1, 1), 0xFF0000u);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.bmp"));
    {
        ModalScript script;
        script.then(pressButton(QStringLiteral("Yes"))).then(widget_test::chooseFile(path, 1));
        form->Close1->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(script.count(), 2);
    }
    EXPECT_TRUE(area.subWindowList().isEmpty());
    EXPECT_TRUE(QFile::exists(path));
}

TEST_F(FormMainTest, ClosingReleasesTheScratchPicture)
{
    TFormMain* a = newPicture(20, 10);
    TFormMain* b = newPicture(20, 10);
    ScratchPicture = std::make_unique<TDibGraphic>();
    a->Close1->trigger();
    EXPECT_EQ(ScratchPicture, nullptr);
    b->Close1->trigger();
    EXPECT_EQ(ScratchPicture, nullptr);
}

TEST_F(FormMainTest, ThreeStrokesUndoneStepByStep)
{
    TFormMain* form = newPicture(6, 4);
    stroke(form, 0xFF0000, 1);
    stroke(form, 0x00FF00, 2);
    stroke(form, 0x0000FF, 3);
    EXPECT_TRUE(form->Undo1->isEnabled());
    const TDibGraphic* picture = form->GetGraphic();

    form->Undo1->trigger();
    EXPECT_EQ(picture->GetPixelRGB(3, 0), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(2, 0), 0x00FF00u);
    form->Undo1->trigger();
    EXPECT_EQ(picture->GetPixelRGB(2, 3), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(1, 3), 0xFF0000u);
    form->Undo1->trigger();
    EXPECT_EQ(picture->GetPixelRGB(1, 1), 0xFFFFFFu);
    EXPECT_FALSE(form->Undo1->isEnabled());
    // The work image went along and is now a 32-bit bitmap.
    EXPECT_EQ(form->Image->Picture()->Bitmap()->PixelFormat(), pf32bit);
    EXPECT_EQ(form->Image->Canvas()->Pixels(1, 1), clWhite);
    // The history restores pixels only.
    EXPECT_EQ(picture->GetWidth(), 6);
    EXPECT_FALSE(form->Modified);
}

TEST_F(FormMainTest, UndoAfterTheWorkImageGrewCoversOnlyItsTopLeft)
{
    TFormMain* form = newPicture(4, 4);
    stroke(form, 0xFF0000, 0);
    // The width slider's copy: a wider picture and work image with new pixels on the right.
    TDibGraphic* picture = form->GetGraphic();
    picture->NewImage(8, 4, ifTrueColor, nullptr, 0, 0);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 4; ++y)
            picture->SetPixelRGB(x, y, 0x404040);
    form->Image->Picture()->Bitmap()->SetSize(8, 4);
    form->Image->Canvas()->Brush()->SetColor(0x404040);
    form->Image->Canvas()->FillRect(Rect(0, 0, 8, 4));
    form->Undo1->trigger();
    EXPECT_EQ(picture->GetWidth(), 8);
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(3, 3), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(4, 0), 0x404040u);
}

TEST_F(FormMainTest, UndoAndRedoDoNothingWhileSelecting)
{
    TFormMain* form = newPicture(4, 4);
    stroke(form, 0xFF0000, 0);
    form->Vydelenie->click();
    EXPECT_EQ(form->CurrentTool(), dtSelect);
    form->Undo1Click();
    form->Redo1Click();
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(0, 0), 0xFF0000u);
    EXPECT_TRUE(form->Undo1->isEnabled());
    EXPECT_TRUE(form->Redo1->isEnabled());
    EXPECT_EQ(form->History.UndoIndex(), 1);
}

TEST_F(FormMainTest, UndoWithASelectionFrameDropsTheSelectionRectangle)
{
    TFormMain* form = newPicture(4, 4);
    stroke(form, 0xFF0000, 0);
    form->SelectionRect = Rect(1, 1, 3, 3);
    form->SelectionFrameShown = true;
    form->Undo1Click();
    EXPECT_EQ(form->SelectionRect, Rect(0, 0, -90, -900));
    EXPECT_TRUE(form->SelectionFrameShown);
}

// The colour menu runs through the window's picture-command host: one undo step, Modified,
// and the work image left holding the picture as it was before the conversion.
TEST_F(FormMainTest, ColourMenuConvertsThePictureAsOneUndoStep)
{
    TFormMain* form = newPicture(6, 4);
    stroke(form, 0xFF0000, 1);
    form->Modified = false;
    form->Colors16->trigger();
    const TDibGraphic* picture = form->GetGraphic();
    EXPECT_EQ(picture->ImageFormat(), ifColor16);
    EXPECT_EQ(picture->GetPixelRGB(1, 0), 0xAA0000u);
    EXPECT_TRUE(form->Modified);
    // The work image, which Save writes, takes the converted picture.
    EXPECT_EQ(form->Image->Canvas()->Pixels(1, 0), TColor(0x0000AA));

    form->Obratyt1->trigger();
    EXPECT_EQ(picture->GetPixelIndex(1, 0), 15u - 4u);
    // The inversion took no snapshot: undo goes back to the one the conversion took, in the
    // format that snapshot had.
    form->Undo1->trigger();
    EXPECT_EQ(picture->ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture->GetPixelRGB(1, 0), 0xFF0000u);
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0xFFFFFFu);
}

TEST_F(FormMainTest, ToolButtonsStoreTheirToolAndReleaseOnlyTheirOwnGroup)
{
    TFormMain* form = TFormMain::Create(&area);
    struct Case {
        QToolButton* button;
        DrawingTool tool;
    };
    const Case cases[] = {
        {form->RectangleButton, dtRectangle}, {form->EllipseButton, dtEllipse}, {form->RoundRectButton, dtRoundRect},
        {form->PenBut, dtSector},             {form->Penn, dtArc},              {form->IButton, dtSide},
        {form->Pencil1, dtPencil},            {form->Fill, dtFill},             {form->Sel, dtEraser},
        {form->Vydelenie, dtSelect},          {form->Plus1, dtPlus3D},          {form->Cube1, dtBox3D},
        {form->Circle1, dtEllipsoid3D},       {form->Cylinder1, dtCylinder3D},  {form->Tor1, dtTorus3D},
        {form->Top1, dtFrame3D},              {form->Conus, dtCone3D},          {form->SpeedButton1, dtJug3D},
        {form->Proug, dtSpring3D},            {form->LineButton, dtLine},       {form->ViewButton, dtPickPenColor},
        {form->Rasp, dtPickBrushColor},
    };
    for (const Case& c : cases) {
        c.button->click();
        EXPECT_EQ(form->CurrentTool(), c.tool) << c.button->objectName().toStdString();
        EXPECT_TRUE(c.button->isChecked()) << c.button->objectName().toStdString();
    }
    form->Paste1->trigger();
    EXPECT_EQ(form->CurrentTool(), dtPaste);

    // A 3-D figure leaves the tools panel's button pressed; the last click decides the tool.
    form->EllipseButton->click();
    form->Cube1->click();
    EXPECT_TRUE(form->EllipseButton->isChecked());
    EXPECT_EQ(form->CurrentTool(), dtBox3D);
    EXPECT_FALSE(form->Plus1->isChecked());
    EXPECT_TRUE(form->Proug->isChecked()); // alone in its group and never released
    EXPECT_EQ(form->Cylinder1->toolTip(), QStringLiteral("Цилиндр"));

    form->Vydelenie->click();
    form->NewSelectionPending = false;
    form->Vydelenie->click();
    EXPECT_TRUE(form->NewSelectionPending);
}

TEST_F(FormMainTest, BrushGroupMayBeAllUpAndRaspToggles)
{
    TFormMain* form = TFormMain::Create(&area);
    form->ViewButton->click();
    EXPECT_TRUE(form->ViewButton->isChecked());
    EXPECT_FALSE(form->SolidBrush->isChecked());
    form->HorizontalBrush->click();
    EXPECT_FALSE(form->ViewButton->isChecked());
    EXPECT_EQ(form->CurrentTool(), dtPickPenColor);
    form->HorizontalBrush->click();
    EXPECT_FALSE(form->HorizontalBrush->isChecked());

    form->Rasp->click();
    EXPECT_TRUE(form->Rasp->isChecked());
    form->LineButton->click();
    form->Rasp->click();
    EXPECT_FALSE(form->Rasp->isChecked());
    EXPECT_EQ(form->CurrentTool(), dtPickBrushColor);
    EXPECT_TRUE(form->HorizontalBrush->isChecked() == false && form->ViewButton->isChecked() == false);

    // The pen group is never all up.
    form->SolidPen->click();
    EXPECT_TRUE(form->SolidPen->isChecked());
}

TEST_F(FormMainTest, PenWidthArrowsStepThePenSizeFieldWithinTheirRange)
{
    TFormMain* form = TFormMain::Create(&area);
    EXPECT_EQ(form->PenSize->text(), QStringLiteral("1"));
    form->PenWidth->StepDown();
    form->PenWidth->StepDown();
    EXPECT_EQ(form->PenSize->text(), QStringLiteral("0"));
    form->PenSize->setText(QStringLiteral("100"));
    form->PenWidth->StepUp();
    EXPECT_EQ(form->PenWidth->Position(), 100);
}

TEST_F(FormMainTest, TextClickPlacesTheFieldAtTheMiddleOfTheWindow)
{
    TFormMain* form = TFormMain::Create(&area);
    form->Text->click();
    ASSERT_NE(form->Toolbox.TextEdit, nullptr);
    EXPECT_EQ(form->Toolbox.TextEdit->pos(), QPoint(form->width() / 2, form->height() / 2));
    EXPECT_EQ(form->CurrentTool(), dtText);
}

// Lets posted layout requests run, as the event loop would between two user actions.
void settleLayouts()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
}

void click(QWidget* widget, Qt::MouseButton button, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), widget->mapToGlobal(QPointF(at)), button, button,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), widget->mapToGlobal(QPointF(at)), button,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// The grid starts black on white, so a first left click changes only the pen; it is used with
// the mouse only, and a right click sets the brush without opening the bars' menu.
TEST_F(FormMainTest, PaletteGridPicksPenAndBrushAndTakesNoFocusOrMenu)
{
    TFormMain* form = newPicture(40, 30);
    form->PenBar->show();
    settleLayouts();
    TCColorGrid* grid = form->CColorGrid1;
    EXPECT_EQ(grid->size(), QSize(256, 56));
    EXPECT_EQ(grid->GridOrdering(), go8x2);
    EXPECT_EQ(grid->ForegroundIndex(), 0);
    EXPECT_EQ(grid->BackgroundIndex(), 15);
    EXPECT_EQ(grid->focusPolicy(), Qt::NoFocus);
    TCanvas* canvas = form->GetGraphic()->Canvas();

    QWidget* focusedBefore = QApplication::focusWidget();
    click(grid, Qt::LeftButton, grid->CellRect(9).center());
    EXPECT_EQ(canvas->Pen()->Color(), 0x0000FFu) << "red pen";
    EXPECT_EQ(canvas->Brush()->Color(), 0xFFFFFFu) << "the brush stays white";
    EXPECT_FALSE(grid->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), focusedBefore);

    QObject watch;
    bool menuOpened = false;
    QTimer::singleShot(0, &watch, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            menuOpened = true;
            popup->close();
        }
    });
    const QPoint blue = grid->CellRect(12).center();
    click(grid, Qt::RightButton, blue);
    QContextMenuEvent request(QContextMenuEvent::Mouse, blue, grid->mapToGlobal(blue));
    QApplication::sendEvent(grid, &request);
    QCoreApplication::processEvents();
    EXPECT_FALSE(menuOpened);
    EXPECT_EQ(canvas->Brush()->Color(), 0xFF0000u) << "blue brush";
    EXPECT_EQ(canvas->Pen()->Color(), 0x0000FFu);
}

// In the frame's font every status text fits its panel: the widths hold the usual values
// without moving, and longer values widen their panel instead of losing their end.
TEST_F(FormMainTest, StatusTextsFitTheirPanels)
{
    QFont frameFont(QStringLiteral("DejaVu Sans"));
    frameFont.setPixelSize(13);
    frameFont.setBold(true);
    area.setFont(frameFont);
    TFormMain* form = TFormMain::Create(&area);
    settleLayouts();
    std::array<int, 4> widths{};
    for (size_t i = 0; i < widths.size(); ++i)
        widths[i] = form->StatusPanels[i]->width();

    struct Case {
        int panel;
        QString text;
        bool usual;
    };
    const Case cases[] = {
        {0, QStringLiteral("Нажато: (271, 175)"), true},
        {1, QStringLiteral("Позиция: (271, 175)"), true},
        {1, QStringLiteral("Позиция: (-123456, -999999)"), true},
        {2, QStringLiteral("Размер:651 Х 1324"), true},
        {2, QStringLiteral("Размер:88888 Х 99999"), true},
        {0, QString::asprintf("Нажато: (%d, %d)", INT_MIN, INT_MIN), false},
        {1, QString::asprintf("Позиция: (%d, %d)", INT_MIN, INT_MAX), false},
        {2, QStringLiteral("Размер:%1 Х %1").arg(INT_MAX), false},
    };
    for (const Case& c : cases) {
        QLabel* panel = form->StatusPanels[static_cast<size_t>(c.panel)];
        form->SetPanelText(c.panel, c.text);
        settleLayouts();
        // The label's own measure of the room its text needs.
        EXPECT_GE(panel->width(), panel->QLabel::sizeHint().width()) << c.text.toStdString();
        if (c.usual) {
            EXPECT_EQ(panel->width(), widths[static_cast<size_t>(c.panel)]) << c.text.toStdString();
        }
    }
}

// A window tiled short keeps its tile and its tool panel's controls apart: the panel's lower
// end is clipped and the wheel brings it into view.
TEST_F(FormMainTest, AShortWindowClipsItsToolPanelInsteadOfPilingUpItsControls)
{
    TFormMain* form = TFormMain::Create(&area);
    QMdiSubWindow* window = area.subWindowList().first();
    window->showNormal();
    window->setGeometry(0, 0, 700, 220);
    settleLayouts();
    EXPECT_EQ(window->height(), 220);

    QList<QWidget*> controls{form->colo, form->bkclr, form->CheckBox1, form->TrackBar2};
    for (QToolButton* button : {form->LineButton, form->RectangleButton, form->EllipseButton, form->RoundRectButton,
                                form->PenBut, form->Penn, form->IButton, form->Sel, form->Text, form->Vydelenie,
                                form->Pencil1, form->Fill})
        controls.append(button);
    auto placeOf = [&](QWidget* control) { return QRect(control->mapTo(form->Panel1, QPoint(0, 0)), control->size()); };
    for (qsizetype i = 0; i < controls.size(); ++i) {
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(placeOf(controls[i]).intersects(placeOf(controls[j])))
                << controls[i]->objectName().toStdString() << " and " << controls[j]->objectName().toStdString();
    }
    EXPECT_EQ(form->LineButton->size(), QSize(26, 26));
    EXPECT_GT(placeOf(form->TrackBar2).bottom(), form->Panel1->height()) << "the slider's end is clipped";

    QWidget* box = form->TrackBar2->parentWidget()->parentWidget();
    const int sliderTop = placeOf(form->TrackBar2).top();
    const QPointF inside(box->width() / 2, box->height() / 2);
    QWheelEvent wheel(inside, box->mapToGlobal(inside), QPoint(), QPoint(0, -120 * 20), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box, &wheel);
    EXPECT_LT(placeOf(form->TrackBar2).top(), sliderTop);
    EXPECT_LE(placeOf(form->TrackBar2).bottom(), box->mapTo(form->Panel1, QPoint(0, box->height() - 1)).y())
        << "scrolled to its end, the slider is in view";
}

} // namespace

// What the user sees of a drag: the preview reaches the zoomed screen only with a redraw (at
// every tenth move), the release shows the final figure, and undo takes it off again.
TEST_F(FormMainTest, ADraggedRectangleReachesTheZoomedScreenAsTheWindowRedraws)
{
    TFormMain* form = newPicture(400, 300);
    TImageScrollBox* view = form->ImageScrollBox1;
    view->SetZoomPercent(200);
    form->RectangleButton->click();
    QWidget* image = view->ImageControl();
    auto send = [&](QEvent::Type type, QPoint picturePoint, Qt::MouseButton button, Qt::MouseButtons held) {
        const QPointF at(picturePoint * 2);
        QMouseEvent e(type, at, image->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(image, &e);
    };
    // The screen at a picture point, shown 2 x 2 from the zoomed top-left.
    auto onScreen = [&](QPoint picturePoint) {
        const TDibGraphic* shown = view->GetDisplayedGraphic();
        const QPoint at = picturePoint * 2 - view->DisplayedOrigin();
        return shown->GetPixelRGB(at.x(), at.y());
    };
    const QPoint leftEdge(20, 40);
    ASSERT_EQ(onScreen(leftEdge), 0xFFFFFFu);

    send(QEvent::MouseButtonPress, QPoint(20, 20), Qt::LeftButton, Qt::LeftButton);
    int moves = 0;
    for (; moves < 9; ++moves)
        send(QEvent::MouseMove, QPoint(60 + moves, 60 + moves), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(leftEdge.x(), leftEdge.y()), 0x000000u) << "the preview is drawn";
    EXPECT_EQ(onScreen(leftEdge), 0xFFFFFFu) << "but not yet shown";
    send(QEvent::MouseMove, QPoint(60 + moves, 60 + moves), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(onScreen(leftEdge), 0x000000u) << "shown at the tenth move";

    send(QEvent::MouseButtonRelease, QPoint(120, 90), Qt::LeftButton, Qt::NoButton);
    const TDibGraphic* picture = form->GetGraphic();
    for (QPoint p : {leftEdge, QPoint(119, 50), QPoint(70, 89), QPoint(69, 69), QPoint(150, 150)})
        EXPECT_EQ(onScreen(p), picture->GetPixelRGB(p.x(), p.y())) << p.x() << ", " << p.y();
    EXPECT_EQ(onScreen(QPoint(119, 50)), 0x000000u) << "the final right edge";

    form->Undo1->trigger();
    EXPECT_EQ(onScreen(leftEdge), 0xFFFFFFu);
    EXPECT_EQ(onScreen(QPoint(119, 50)), 0xFFFFFFu);
}

// Screen readers and scripted tests find a control by its name: every button, slider and edit of
// the window has one, and an accessible name as well.
TEST_F(FormMainTest, EveryControlCarriesItsNameAndAnAccessibleName)
{
    TFormMain* form = newPicture(40, 30);
    QStringList unnamed;
    for (QWidget* control : form->findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QAbstractButton*>(control) || qobject_cast<QAbstractSlider*>(control) ||
                               qobject_cast<QLineEdit*>(control);
        // The toolkit's own parts (a tool bar's extension button, a scroll area's bars) are
        // named by it.
        const auto isToolkits = [](QWidget* w) { return w && w->objectName().startsWith(QStringLiteral("qt_")); };
        if (!isControl || isToolkits(control) || isToolkits(control->parentWidget()))
            continue;
        if (control->objectName().isEmpty() || control->accessibleName().isEmpty())
            unnamed.append(QStringLiteral("%1 \"%2\" in %3")
                               .arg(QString::fromLatin1(control->metaObject()->className()), control->objectName(),
                                    control->parentWidget()->objectName()));
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral("\n")).toStdString();
}
