// The selection tool, paste mode and the clipboard commands through a real picture window, its
// mouse protocol and the desktop clipboard.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "editing/selection.h"
#include "editing/slider.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "widget_input.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolButton>

#include <ostream>
#include <string>

namespace {

constexpr uint32_t White = 0xFFFFFF;
constexpr uint32_t Red = 0xFF0000;

class SelectionTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        QGuiApplication::clipboard()->clear();
    }

    // A white picture with a red block at (0, 0, 150, 80), the window at 100 %, where view
    // and picture coordinates agree.
    TFormMain* picture()
    {
        TFormMain* form = newPicture(300, 200);
        TDibGraphic* p = form->GetGraphic();
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 150; ++x)
                p->SetPixelRGB(x, y, Red);
        form->Image->Canvas()->Draw(0, 0, p);
        clean = pixels(*p);
        return form;
    }

    // The pointer comes to from, presses, moves to each point in turn and is released at the
    // last one.
    static void drag(TFormMain* form, TPoint from, std::initializer_list<TPoint> moves)
    {
        form->FormMouseMove(from.x, from.y);
        form->FormMouseDown(from.x, from.y);
        TPoint last = from;
        for (TPoint p : moves) {
            form->FormMouseMove(p.x, p.y);
            last = p;
        }
        form->FormMouseUp(last.x, last.y);
    }

    // Selects from press to release with two moves at the release point, so that the grab
    // rectangle is the same as the selection.
    static void select(TFormMain* form, TPoint from, TPoint to)
    {
        form->VydelenieClick();
        drag(form, from, {to, to});
    }

    // Whether the picture differs from its clean state exactly on the border of r and
    // somewhere there: a frame, and nothing else.
    bool showsFrameOnlyAt(const TDibGraphic& p, const TRect& r) const
    {
        bool any = false;
        for (int y = 0; y < p.GetHeight(); ++y) {
            for (int x = 0; x < p.GetWidth(); ++x) {
                const bool differs = p.GetPixelRGB(x, y) != clean[static_cast<size_t>(y * p.GetWidth() + x)];
                const bool border = x >= r.left && x < r.right && y >= r.top && y < r.bottom &&
                                    (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
                if (differs && !border)
                    return false;
                any = any || differs;
            }
        }
        return any;
    }

    std::vector<uint32_t> clean;
};

TEST_F(SelectionTest, DraggingMakesASelectionWithAFrameAndCopyPutsItOnTheClipboard)
{
    TFormMain* form = picture();
    select(form, {100, 40}, {200, 90});
    EXPECT_EQ(form->SelectionRect, Rect(100, 40, 200, 90));
    EXPECT_EQ(form->SelectionTool().GrabRect(), Rect(100, 40, 200, 90));
    EXPECT_TRUE(form->SelectionFrameShown);
    EXPECT_TRUE(showsFrameOnlyAt(*form->GetGraphic(), Rect(100, 40, 200, 90)));
    const std::vector<uint32_t> before = pixels(*form->GetGraphic());

    // Another program reads it as an image: the red block's corner lies inside the area.
    form->Copy1->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(100, 50));
    EXPECT_EQ(copied.pixel(20, 20) & 0xFFFFFF, Red);
    EXPECT_EQ(copied.pixel(70, 20) & 0xFFFFFF, White);
    EXPECT_EQ(copied.pixel(20, 45) & 0xFFFFFF, White);
    // Copy changes neither the picture nor the selection.
    EXPECT_EQ(pixels(*form->GetGraphic()), before);
    EXPECT_EQ(form->SelectionRect, Rect(100, 40, 200, 90));
}

TEST_F(SelectionTest, CutWhitensTheInsideAndKeepsTheFrame)
{
    TFormMain* form = picture();
    select(form, {10, 20}, {110, 70});
    const std::vector<uint32_t> framed = pixels(*form->GetGraphic());
    form->Cut1->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(100, 50));
    const TDibGraphic& p = *form->GetGraphic();
    EXPECT_EQ(p.GetPixelRGB(11, 21), White);
    EXPECT_EQ(p.GetPixelRGB(108, 68), White);
    for (int x = 10; x < 110; ++x)
        EXPECT_EQ(p.GetPixelRGB(x, 20), framed[static_cast<size_t>(20 * 300 + x)]) << x;
    EXPECT_EQ(p.GetPixelRGB(9, 20), Red);
    EXPECT_TRUE(form->SelectionFrameShown);
}

TEST_F(SelectionTest, DeleteWhitensTheWholeRectangleAndDrawsTheFrameOnIt)
{
    TFormMain* form = picture();
    select(form, {10, 20}, {110, 70});
    form->Delete->trigger();
    const TDibGraphic& p = *form->GetGraphic();
    EXPECT_EQ(p.GetPixelRGB(50, 40), White);
    // The frame shows on white: the border holds other colours, the next paint erases it.
    int onBorder = 0;
    for (int x = 10; x < 110; ++x)
        onBorder += p.GetPixelRGB(x, 20) != White;
    EXPECT_GT(onBorder, 0);
    form->SelectionTool().EraseFrame();
    for (int x = 10; x < 110; ++x)
        EXPECT_EQ(p.GetPixelRGB(x, 20), White) << x;
}

// The must-show move: the two steps of the move event see the pointer as it was before it
// and shift nothing; the released step shifts by (120 - 50) / 7 = 10.
TEST_F(SelectionTest, AMoveDuplicatesTheSelectionTenPixelsRight)
{
    TFormMain* form = picture();
    select(form, {10, 10}, {200, 100});
    ASSERT_EQ(form->SelectionTool().GrabRect(), Rect(10, 10, 200, 100));
    drag(form, {50, 50}, {{120, 50}});
    EXPECT_EQ(form->SelectionRect, Rect(20, 10, 210, 100));
    EXPECT_EQ(form->SelectionTool().GrabRect(), Rect(20, 10, 210, 100));
    const TDibGraphic& p = *form->GetGraphic();
    // The red block now also starts at column 20; columns 11..19 keep theirs.
    EXPECT_EQ(p.GetPixelRGB(15, 40), Red);
    EXPECT_EQ(p.GetPixelRGB(159, 40), Red);
    EXPECT_EQ(p.GetPixelRGB(160, 40), White);
    EXPECT_EQ(p.GetPixelRGB(150, 90), White);
}

TEST_F(SelectionTest, AFirstStepInsideTheGrabRectangleRightAfterChoosingTheToolDrawsNothing)
{
    TFormMain* form = picture();
    select(form, {10, 10}, {200, 100});
    form->VydelenieClick();
    form->FormMouseMove(50, 50);
    form->FormMouseDown(50, 50);
    form->FormMouseMove(60, 50); // the first step stops; the second finds the flag cleared
    EXPECT_FALSE(form->NewSelectionPending);
    EXPECT_EQ(form->SelectionRect, Rect(10, 10, 200, 100));
    EXPECT_TRUE(showsFrameOnlyAt(*form->GetGraphic(), Rect(10, 10, 200, 100)));
    form->FormMouseUp(60, 50);
}

TEST_F(SelectionTest, PasteAtThePressPointFromAnotherProgram)
{
    TFormMain* form = picture();
    QImage other(20, 10, QImage::Format_RGB32);
    other.fill(QColor(0, 0, 255));
    QGuiApplication::clipboard()->setImage(other);

    form->Paste1->trigger();
    EXPECT_EQ(form->CurrentTool(), dtPaste);
    drag(form, {30, 40}, {{80, 90}, {90, 100}});
    const TDibGraphic& p = *form->GetGraphic();
    EXPECT_EQ(p.GetPixelRGB(30, 40), 0x0000FFu);
    EXPECT_EQ(p.GetPixelRGB(49, 49), 0x0000FFu);
    EXPECT_EQ(p.GetPixelRGB(50, 45), Red);
    EXPECT_EQ(p.GetPixelRGB(29, 40), Red);
    EXPECT_EQ(p.GetPixelRGB(85, 95), White); // never at the pointer
    EXPECT_TRUE(form->Undo1->isEnabled());
    // The work image has it too: a save now writes the pasted picture.
    EXPECT_EQ(form->Image->Canvas()->Pixels(35, 45), TColor(0xFF0000));
}

// Paste mode keeps a converted copy of the clipboard's picture between steps; a picture another
// program puts there meanwhile must be pasted, not the kept copy.
TEST_F(SelectionTest, PasteTakesThePictureAnotherProgramPutThereSince)
{
    TFormMain* form = picture();
    QImage blue(20, 10, QImage::Format_RGB32);
    blue.fill(QColor(0, 0, 255));
    QGuiApplication::clipboard()->setImage(blue);
    form->Paste1->trigger();
    drag(form, {30, 40}, {{31, 41}});

    QImage green(5, 4, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    QGuiApplication::clipboard()->setImage(green);
    drag(form, {100, 120}, {{101, 121}});
    const TDibGraphic& p = *form->GetGraphic();
    EXPECT_EQ(p.GetPixelRGB(30, 40), 0x0000FFu);
    EXPECT_EQ(p.GetPixelRGB(100, 120), 0x00FF00u);
    EXPECT_EQ(p.GetPixelRGB(104, 123), 0x00FF00u);
    EXPECT_EQ(p.GetPixelRGB(105, 120), White);
    EXPECT_EQ(p.GetPixelRGB(100, 124), White);
}

TEST_F(SelectionTest, PasteWithNoPictureOnTheClipboardChangesNothing)
{
    TFormMain* form = picture();
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    form->Paste1Click();
    drag(form, {30, 40}, {{80, 90}});
    EXPECT_EQ(pixels(*form->GetGraphic()), clean);
    EXPECT_TRUE(form->Undo1->isEnabled());
    EXPECT_TRUE(form->Modified);
}

TEST_F(SelectionTest, SelectAllTwiceSelectsTheWholePictureThenDeselects)
{
    TFormMain* form = picture();
    form->SelectAll->trigger();
    EXPECT_EQ(form->SelectionRect, Rect(0, 0, 300, 200));
    EXPECT_EQ(form->SelectionTool().OriginRect(), Rect(0, 0, 300, 200));
    EXPECT_EQ(form->CurrentTool(), dtSelect);
    EXPECT_TRUE(form->Vydelenie->isChecked());
    EXPECT_TRUE(showsFrameOnlyAt(*form->GetGraphic(), Rect(0, 0, 300, 200)));
    EXPECT_FALSE(form->SelectAllArmed);

    form->SelectAll->trigger();
    EXPECT_EQ(form->SelectionRect, Rect(0, 0, -9, -9));
    EXPECT_TRUE(form->SelectAllArmed);
    EXPECT_EQ(pixels(*form->GetGraphic()), clean);
}

struct SelectAllCase {
    const char* name;
    QAction* TFormMain::*depth; // the colour menu's command that gives the picture its depth
    int zoom;
    friend void PrintTo(const SelectAllCase& c, std::ostream* os) { *os << c.name; }
};

class SelectAllOnScreen : public SelectionTest, public ::testing::WithParamInterface<SelectAllCase> {
protected:
    // The screen as the view last rendered it: the visible part of the zoomed picture.
    static std::vector<uint32_t> screen(TImageScrollBox* view)
    {
        const TDibGraphic* shown = view->GetDisplayedGraphic();
        return pixels(*shown);
    }
    // The same part of the zoomed picture rendered afresh from the picture's pixels.
    static std::vector<uint32_t> fresh(TImageScrollBox* view)
    {
        const TDibGraphic* shown = view->GetDisplayedGraphic();
        const QPoint origin = view->DisplayedOrigin();
        std::vector<uint32_t> out;
        for (int y = 0; y < shown->GetHeight(); ++y)
            for (int x = 0; x < shown->GetWidth(); ++x)
                out.push_back(view->DisplayedPixel(origin.x() + x, origin.y() + y));
        return out;
    }
};

// "&Выделить всё" on a picture drawn with the mouse: the screen shows the frame the picture's
// pixels now hold, at every depth and zoom, and the second use takes it off the screen again.
TEST_P(SelectAllOnScreen, ShowsTheFrameAndTheSecondUseRemovesIt)
{
    TFormMain* form = newPicture(120, 80);
    form->RectangleButton->click();
    widget_test::mouseDrag(form->ImageScrollBox1->ImageControl(), QPoint(20, 15), QPoint(90, 60));
    (form->*GetParam().depth)->trigger();
    form->ScaleEdit->setText(QString::number(GetParam().zoom));
    TImageScrollBox* view = form->ImageScrollBox1;
    ASSERT_FLOAT_EQ(view->ZoomPercent(), static_cast<float>(GetParam().zoom));
    const TDibGraphic& picture = *form->GetGraphic();
    clean = pixels(picture);
    const std::vector<uint32_t> before = screen(view);

    form->SelectAll->trigger();
    EXPECT_TRUE(showsFrameOnlyAt(picture, Rect(0, 0, 120, 80)));
    const std::vector<uint32_t> framed = screen(view);
    EXPECT_EQ(framed, fresh(view));
    EXPECT_NE(framed, before);
    // The top-left corner lies on the frame at every zoom: it shows changed.
    EXPECT_NE(view->GetDisplayedGraphic()->GetPixelRGB(0, 0), before[0]);

    form->SelectAll->trigger();
    EXPECT_EQ(pixels(picture), clean);
    EXPECT_EQ(screen(view), before);
}

INSTANTIATE_TEST_SUITE_P(
    DepthsAndZooms, SelectAllOnScreen,
    ::testing::Values(SelectAllCase{"Monochrome100", &TFormMain::color2, 100},
                      SelectAllCase{"Gray16At300", &TFormMain::Gray16, 300},
                      SelectAllCase{"Colors16At50", &TFormMain::Colors16, 50},
                      SelectAllCase{"Gray256At100", &TFormMain::Gray256, 100},
                      SelectAllCase{"Color256At200", &TFormMain::Color256, 200},
                      SelectAllCase{"TrueColorAt50", &TFormMain::RGB24, 50},
                      SelectAllCase{"TrueColorAt100", &TFormMain::RGB24, 100},
                      SelectAllCase{"TrueColorAt400", &TFormMain::RGB24, 400}),
    [](const auto& info) { return std::string(info.param.name); });

// An empty or inverted selection has nothing to copy: the clipboard and the picture stay.
TEST_F(SelectionTest, CommandsOnAnEmptyOrInvertedSelectionDoNothing)
{
    TFormMain* form = picture();
    QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
    for (const TRect& r : {Rect(0, 0, 0, 0), Rect(0, 0, -90, -900), Rect(100, 100, 50, 60)}) {
        form->SelectionRect = r;
        form->Copy1Click();
        form->Cut1Click();
        form->DeleteClick();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        EXPECT_EQ(pixels(*form->GetGraphic()), clean);
    }
}

// Files are written from the work image, which never receives the frame; the screen keeps it.
TEST_F(SelectionTest, AFileSavedWhileTheFrameShowsHasNoFrame)
{
    TFormMain* form = picture();
    select(form, {10, 20}, {110, 70});
    ASSERT_TRUE(showsFrameOnlyAt(*form->GetGraphic(), Rect(10, 20, 110, 70)));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("framed.bmp"));
    form->Image->Picture()->SaveToFile(file);
    TBitmap saved;
    saved.LoadFromFile(file);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            ASSERT_EQ(saved.Canvas()->Pixels(x, y) & 0xFFFFFF,
                      y < 80 && x < 150 ? TColor(0x0000FF) : TColor(0xFFFFFF))
                << x << "," << y;
}

// Undo brings back the frame a snapshot showed, on the screen only: the work image stays
// clean, and the next paint erases that frame too.
TEST_F(SelectionTest, UndoShowsTheSnapshotsFrameButNeverPutsItInTheWorkImage)
{
    TFormMain* form = picture();
    select(form, {10, 20}, {110, 70});
    form->LineButtonClick();
    drag(form, {200, 150}, {{250, 150}});
    form->Undo1Click();
    EXPECT_TRUE(showsFrameOnlyAt(*form->GetGraphic(), Rect(10, 20, 110, 70)));
    EXPECT_EQ(form->SelectionRect, Rect(10, 20, 110, 70)); // no frame shown at the undo
    for (int x = 10; x < 110; ++x)
        ASSERT_EQ(form->Image->Canvas()->Pixels(x, 20) & 0xFFFFFF, x < 150 ? TColor(0x0000FF) : clWhite) << x;

    drag(form, {290, 190}, {{290, 190}});
    EXPECT_EQ(form->GetGraphic()->GetPixelRGB(10, 20), Red);
}

// The size sliders copy the picture through the work image: the frame stays out of it.
TEST_F(SelectionTest, ASizeStepWhileTheFrameShowsKeepsItOutOfTheWorkImage)
{
    TFormMain* form = picture();
    select(form, {10, 20}, {110, 70});
    form->TrackBar2->SetPosition(150);
    for (int x = 10; x < 110; ++x)
        ASSERT_EQ(form->Image->Canvas()->Pixels(x, 20) & 0xFFFFFF, TColor(0x0000FF)) << x;
    EXPECT_NE(form->GetGraphic()->GetPixelRGB(10, 20), Red); // still framed on the screen
}

} // namespace
