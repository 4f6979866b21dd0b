// The picture window's size sliders, zoom bar and "&Вид" items.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "editing/labeled_slider.h"
#include "editing/slider.h"
#include "editing/zoom_commands.h"
#include "document/up_down.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

namespace {

class CanvasSizeZoomViewTest : public PictureWindowTest {
protected:
    // A picture whose every column has its own colour, so cuts show which columns stayed.
    TFormMain* stripedPicture(int width, int height)
    {
        TFormMain* form = newPicture(width, height);
        TDibGraphic* picture = form->GetGraphic();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                picture->SetPixelRGB(x, y, static_cast<uint32_t>(x * 7 + y * 0x10000));
        return form;
    }
};

TEST_F(CanvasSizeZoomViewTest, WidthSliderCutsColumnsOffTheRight)
{
    TFormMain* form = stripedPicture(640, 480);
    form->TrackBar1->SetPosition(300);
    const TDibGraphic* picture = form->GetGraphic();
    ASSERT_EQ(picture->GetWidth(), 300);
    EXPECT_EQ(picture->GetHeight(), 480);
    EXPECT_EQ(picture->GetPixelRGB(299, 10), 299u * 7 + 10 * 0x10000);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:480 Х 300"));
    EXPECT_EQ(form->Image->Picture()->Width(), 300);
    EXPECT_EQ(form->TrackBar1->Max(), 642);
    EXPECT_TRUE(form->Modified);
    EXPECT_FALSE(form->Undo1->isEnabled()); // no snapshot
}

// The slider starts at 1857 whatever the picture: its first change cuts the range to the
// picture's width + 2, the position follows and the picture grows by two white columns.
TEST_F(CanvasSizeZoomViewTest, WidthSliderAtItsStartPositionClampsToTwoPastThePicture)
{
    TFormMain* form = stripedPicture(640, 480);
    form->TrackBar1Change();
    const TDibGraphic* picture = form->GetGraphic();
    EXPECT_EQ(form->TrackBar1->Max(), 642);
    EXPECT_EQ(form->TrackBar1->Position(), 642);
    ASSERT_EQ(picture->GetWidth(), 642);
    EXPECT_EQ(picture->GetPixelRGB(639, 0), 639u * 7);
    EXPECT_EQ(picture->GetPixelRGB(640, 5), 0xFFFFFFu);
    EXPECT_EQ(picture->GetPixelRGB(641, 479), 0xFFFFFFu);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:480 Х 642"));
}

TEST_F(CanvasSizeZoomViewTest, HeightSliderMakesEveryPictureTwentyFourBits)
{
    TFormMain* form = stripedPicture(64, 48);
    form->Color256Click();
    ASSERT_EQ(form->GetGraphic()->ImageFormat(), ifColor256);
    form->TrackBar2->SetPosition(20);
    const TDibGraphic* picture = form->GetGraphic();
    EXPECT_EQ(picture->ImageFormat(), ifTrueColor);
    EXPECT_EQ(picture->GetHeight(), 20);
    EXPECT_EQ(picture->GetWidth(), 64);
    EXPECT_EQ(picture->XDpi(), 300);
    EXPECT_EQ(form->TrackBar2->Max(), 50);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:20 Х 64"));
}

// Steps both ways on a true-colour picture: the picture keeps its top-left pixels, whatever it
// has beyond the kept ones is white, and the work image holds exactly the same pixels.
TEST_F(CanvasSizeZoomViewTest, StepsBothWaysKeepTheTopLeftAndWhitenTheRest)
{
    TFormMain* form = stripedPicture(40, 30);
    struct Step {
        bool width;
        int position;
        int keptWidth, keptHeight; // of the original stripes
    };
    const Step steps[] = {{true, 37, 37, 30}, {false, 32, 37, 30}, {true, 39, 37, 30}, {false, 25, 37, 25}};
    for (const Step& s : steps) {
        (s.width ? form->TrackBar1 : form->TrackBar2)->SetPosition(s.position);
        const TDibGraphic* picture = form->GetGraphic();
        const gdi::DibSurface* work = form->Image->Picture()->Bitmap()->Surface();
        ASSERT_NE(work, nullptr);
        const int width = picture->GetWidth();
        const int height = picture->GetHeight();
        ASSERT_EQ(s.width ? width : height, s.position);
        ASSERT_EQ(work->width(), width);
        ASSERT_EQ(work->height(), height);
        EXPECT_EQ(picture->XDpi(), 300);
        int wrong = 0, differ = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint32_t expected = x < s.keptWidth && y < s.keptHeight ? static_cast<uint32_t>(x * 7 + y * 0x10000)
                                                                              : 0xFFFFFFu;
                wrong += picture->GetPixelRGB(x, y) != expected;
                differ += (work->rawPixel(x, y) & 0xFFFFFFu) != expected;
            }
        EXPECT_EQ(wrong, 0) << "after the slider at " << s.position;
        EXPECT_EQ(differ, 0) << "work image after the slider at " << s.position;
    }
}

// The work image's copy of a resized picture may be taken late, but always of the picture as
// the step left it: Delete changes the picture afterwards and the work image must not see that.
TEST_F(CanvasSizeZoomViewTest, WorkImageKeepsThePictureAsTheStepLeftItWhenDeleteFollows)
{
    TFormMain* form = stripedPicture(40, 30);
    form->TrackBar1->SetPosition(38);
    form->SelectionRect = Rect(2, 3, 20, 25);
    form->DeleteClick();
    ASSERT_EQ(form->GetGraphic()->GetPixelRGB(5, 5), 0xFFFFFFu); // deleted in the picture
    const gdi::DibSurface* work = form->Image->Picture()->Bitmap()->Surface();
    ASSERT_NE(work, nullptr);
    ASSERT_EQ(work->width(), 38);
    int differ = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 38; ++x)
            differ += (work->rawPixel(x, y) & 0xFFFFFFu) != static_cast<uint32_t>(x * 7 + y * 0x10000);
    EXPECT_EQ(differ, 0);
}

// A slider at 0 keeps one row or column rather than a picture without pixels.
TEST_F(CanvasSizeZoomViewTest, SliderAtZeroLeavesOnePixel)
{
    TFormMain* form = stripedPicture(30, 20);
    form->TrackBar2->SetPosition(0);
    EXPECT_EQ(form->GetGraphic()->GetHeight(), 1);
    form->TrackBar1->SetPosition(0);
    EXPECT_EQ(form->GetGraphic()->GetWidth(), 1);
    EXPECT_EQ(form->PanelText(2), QStringLiteral("Размер:1 Х 1"));
}

TEST_F(CanvasSizeZoomViewTest, ZoomBoxSetsTheZoomAndTheRulersFollow)
{
    TFormMain* form = newPicture(200, 100);
    form->ScaleEdit->setText(QStringLiteral("250"));
    EXPECT_FLOAT_EQ(form->ImageScrollBox1->ZoomPercent(), 250.0f);
    EXPECT_EQ(form->ImageScrollBox1->ZoomMode(), zmPercent);
    for (TLabeledSlider* ruler : {form->LabeledSlider1, form->LabeledSlider2}) {
        EXPECT_EQ(ruler->Max(), 40);
        EXPECT_FALSE(ruler->SliderVisible());
    }

    // Out of range or no number: the up-down reports its old position and the zoom stays.
    for (const char* typed : {"1601", "0", "abc", ""}) {
        form->LabeledSlider1->SetMax(7);
        form->ScaleEdit->setText(QString::fromLatin1(typed));
        EXPECT_FLOAT_EQ(form->ImageScrollBox1->ZoomPercent(), 250.0f) << typed;
        EXPECT_EQ(form->LabeledSlider1->Max(), 40) << typed;
    }
}

// The vertical ruler is as wide as its labels at 100 %: no digit of 100 is cut at its edge, in
// the bold font a window takes from the frame when it is placed there.
TEST_F(CanvasSizeZoomViewTest, VerticalRulerShowsItsWidestLabelWhole)
{
    QFont frameFont(QStringLiteral("DejaVu Sans"));
    frameFont.setPixelSize(13);
    frameFont.setBold(true);
    area.setFont(frameFont);
    TFormMain* form = newPicture(200, 100);
    TLabeledSlider* ruler = form->LabeledSlider2;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&area));
    ruler->repaint(); // the labels are written when the ruler is first painted
    ASSERT_EQ(ruler->Max(), 100);
    ASSERT_FALSE(ruler->Labels().empty());
    EXPECT_EQ(ruler->Labels().back().value, 100);
    for (const TLabeledSlider::Label& label : ruler->Labels())
        EXPECT_LE(ruler->LabelExtent(label.value), ruler->width()) << label.value;
}

TEST_F(CanvasSizeZoomViewTest, RulerMaximumFollowsTheZoom)
{
    EXPECT_EQ(RulerMaxForZoom(100), 100);
    EXPECT_EQ(RulerMaxForZoom(200), 50);
    EXPECT_EQ(RulerMaxForZoom(57), 175);
    EXPECT_EQ(RulerMaxForZoom(1600), 6);
    EXPECT_EQ(RulerMaxForZoom(20000), 1); // a fit zoom past 10000 % still leaves a range
}

TEST_F(CanvasSizeZoomViewTest, FitToWidthEndsAsAWholePercentage)
{
    TFormMain* form = newPicture(1000, 100);
    QApplication::processEvents();
    // Size the frame so that the view's client area is 800 pixels wide.
    const int grow = 800 - form->ImageScrollBox1->ClientWidth();
    area.resize(area.width() + grow, area.height());
    QApplication::processEvents();
    ASSERT_EQ(form->ImageScrollBox1->ClientWidth(), 800);

    form->InWidth->trigger();
    EXPECT_EQ(form->ScaleUpDown->Position(), 80);
    EXPECT_EQ(form->ScaleEdit->text(), QStringLiteral("80"));
    EXPECT_EQ(form->ImageScrollBox1->ZoomMode(), zmPercent);
    EXPECT_FLOAT_EQ(form->ImageScrollBox1->ZoomPercent(), 80.0f);
    EXPECT_EQ(form->LabeledSlider1->Max(), 125);

    form->Actual->trigger();
    EXPECT_EQ(form->ScaleUpDown->Position(), 100);
    EXPECT_FLOAT_EQ(form->ImageScrollBox1->ZoomPercent(), 100.0f);
}

TEST_F(CanvasSizeZoomViewTest, FitCommandsHandTheTruncatedZoomToTheZoomBox)
{
    TFormMain* form = newPicture(3000, 2000);
    QApplication::processEvents();
    for (QAction* fit : {form->InHeight, form->ByPage}) {
        form->Actual->trigger();
        fit->trigger();
        const float zoom = form->ImageScrollBox1->ZoomPercent();
        EXPECT_LT(zoom, 100.0f) << fit->objectName().toStdString();
        EXPECT_EQ(form->ScaleUpDown->Position(), static_cast<int>(zoom)) << fit->objectName().toStdString();
    }
}

TEST_F(CanvasSizeZoomViewTest, ViewItemsShowAndHideTheirBarsWithTheTick)
{
    TFormMain* form = newPicture(50, 40);
    struct Item {
        QAction* action;
        QList<QWidget*> bars;
        bool shownAtStart;
    };
    const Item items[] = {
        {form->Tools, {form->Panel1}, true},
        {form->Styles, {form->PenBar}, false},
        {form->_3DFigures, {form->_3DBar1}, false},
        {form->Scale, {form->ScaleBar}, true},
        {form->Rulers, {form->ToolBar1, form->ToolBar2}, true},
    };
    for (const Item& item : items) {
        const std::string name = item.action->objectName().toStdString();
        for (bool shown : {!item.shownAtStart, item.shownAtStart}) {
            item.action->trigger();
            EXPECT_EQ(item.action->isChecked(), shown) << name;
            for (QWidget* bar : item.bars)
                EXPECT_EQ(bar->isVisibleTo(form), shown) << name << " " << bar->objectName().toStdString();
        }
    }
}

TEST_F(CanvasSizeZoomViewTest, CentringAndSmoothingFollowTheirItems)
{
    TFormMain* form = newPicture(50, 40);
    form->Centered->trigger();
    EXPECT_FALSE(form->Centered->isChecked());
    EXPECT_FALSE(form->ImageScrollBox1->Centered());
    form->Centered->trigger();
    EXPECT_TRUE(form->ImageScrollBox1->Centered());

    form->AntiAliasing->trigger();
    EXPECT_TRUE(form->AntiAliasing->isChecked());
    EXPECT_TRUE(form->ImageScrollBox1->AntiAliased());
    form->AntiAliasing->trigger();
    EXPECT_FALSE(form->ImageScrollBox1->AntiAliased());
}

// The corner left of the top ruler is as wide as the tool panel and the left ruler together,
// or the left ruler alone while the tool panel is hidden.
TEST_F(CanvasSizeZoomViewTest, HidingTheSlidersNarrowsTheToolPanelAndTheRulerCorner)
{
    TFormMain* form = newPicture(50, 40);
    QApplication::processEvents();
    const int panelWidth = form->Panel1->width();

    form->CheckBox1->click();
    EXPECT_FALSE(form->TrackBar1->isVisibleTo(form));
    EXPECT_FALSE(form->TrackBar2->isVisibleTo(form));
    EXPECT_FALSE(form->TrackBar2->isEnabled());
    EXPECT_EQ(form->Panel1->width(), panelWidth - 25);
    EXPECT_EQ(form->GroupBox1->width(), form->Panel1->width() + form->ToolBar2->width());

    form->CheckBox1->click();
    EXPECT_TRUE(form->TrackBar2->isVisibleTo(form));
    EXPECT_TRUE(form->TrackBar1->isEnabled());
    EXPECT_EQ(form->Panel1->width(), panelWidth);
    EXPECT_EQ(form->GroupBox1->width(), panelWidth + form->ToolBar2->width());

    form->Tools->trigger();
    EXPECT_EQ(form->GroupBox1->width(), form->ToolBar2->width());
}

} // namespace
