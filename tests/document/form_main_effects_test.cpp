// The picture window's "&Эффекты" menu: each item asks, and a cancelled question leaves the
// picture, the undo history and Modified as they were.

#include "document/form_main.h"
#include "document/new_bmp_form.h"
#include "document/status_progress.h"
#include "imaging/dib_graphic.h"
#include "modal_script.h"
#include "picture_window_fixture.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"

#include <QAction>
#include <QProgressBar>
#include <QStatusBar>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QSlider>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace widget_test;

Answer slideAndPress(int position, const QString& button)
{
    return steps({setField(QStringLiteral("ChangeBar"), QString::number(position)), pressButton(button)});
}

class FormMainEffectsTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        form = newPicture(6, 4);
        picture = form->GetGraphic();
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 6; ++x)
                picture->SetPixelRGB(x, y, 0x808080);
        form->Modified = false;
    }

    TFormMain* form = nullptr;
    TDibGraphic* picture = nullptr;
};

} // namespace

TEST_F(FormMainEffectsTest, CancelledQuestionsChangeNothingAndLeaveNothingToUndo)
{
    struct Case {
        const char* name;
        QAction* TFormMain::*item;
        Answer answer;
    };
    const Case cases[] = {
        {"brightness, cancel", &TFormMain::TransColor, slideAndPress(50, QStringLiteral("Отмена"))},
        {"brightness, closed", &TFormMain::TransColor, closeDialog()},
        {"sharpness", &TFormMain::Sharp, slideAndPress(50, QStringLiteral("Отмена"))},
        {"smoothing", &TFormMain::AntiAlias, slideAndPress(50, QStringLiteral("Отмена"))},
        {"saturation", &TFormMain::Sat, slideAndPress(50, QStringLiteral("Отмена"))},
        {"contrast, closed", &TFormMain::Contrast, closeDialog()},
        {"texture", &TFormMain::Texture1, closeDialog()},
    };
    for (const Case& c : cases) {
        ModalScript script;
        script.then(c.answer);
        (form->*c.item)->trigger();
        EXPECT_EQ(script.count(), 1) << c.name;
        EXPECT_EQ(picture->GetPixelRGB(2, 2), 0x808080u) << c.name;
        EXPECT_EQ(picture->ImageFormat(), ifTrueColor) << c.name;
        EXPECT_FALSE(form->Modified) << c.name;
        EXPECT_FALSE(form->Undo1->isEnabled()) << c.name;
        EXPECT_EQ(picture->Canvas()->Brush()->Bitmap(), nullptr) << c.name;
    }
}

TEST_F(FormMainEffectsTest, ConfirmedEffectsAreOneUndoStepEach)
{
    ModalScript script;
    script.then(slideAndPress(100, QStringLiteral("Да")));
    form->TransColor->trigger();
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Яркость"));
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0xFFFFFFu);
    EXPECT_TRUE(form->Modified);
    // The work image, which Save writes, shows the effect at once.
    EXPECT_EQ(form->Image->Canvas()->Pixels(0, 0), TColor(0xFFFFFF));

    script.then(pressButton(QStringLiteral("Yes")));
    form->Undo1->trigger();
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0x808080u);
    picture->SetPixelRGB(0, 0, 0x404040);
    form->Contrast->trigger();
    ASSERT_EQ(script.count(), 2);
    EXPECT_EQ(script.shown()[1].title, QStringLiteral("Контраст"));
    EXPECT_EQ(script.shown()[1].text, QStringLiteral("Увеличить?"));
    EXPECT_EQ(picture->GetPixelRGB(0, 0), 0x333333u);

    script.then(slideAndPress(30, QStringLiteral("Да")));
    form->Sharp->trigger();
    EXPECT_EQ(script.shown()[2].title, QStringLiteral("Резкость"));
}

TEST_F(FormMainEffectsTest, TextureIsChosenThroughTheOpenPictureDialog)
{
    QTemporaryDir dir;
    TBitmap tile;
    tile.SetSize(2, 2);
    const QString path = dir.filePath(QStringLiteral("tile.bmp"));
    tile.SaveToFile(path);
    ModalScript script;
    script.then(chooseFile(path));
    form->Texture1->trigger();
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Открыть текстуру..."));
    ASSERT_NE(picture->Canvas()->Brush()->Bitmap(), nullptr);
    EXPECT_FALSE(form->Modified);
    EXPECT_FALSE(form->Undo1->isEnabled());
}

// On a big picture the status bar shows the work's progress while it runs (here every step,
// however quick the work), and hides it after.
TEST_F(FormMainEffectsTest, ABigPictureShowsProgressInTheStatusBar)
{
    const int least = StatusProgress::LeastDuration();
    StatusProgress::SetLeastDuration(0);
    picture->NewImage(1200, 900, ifTrueColor, nullptr, 72, 72);
    ModalScript script;
    script.then(slideAndPress(20, QStringLiteral("Да")));
    form->TransColor->trigger();
    StatusProgress::SetLeastDuration(least);
    const QProgressBar* indicator = form->StatusBar1->findChild<QProgressBar*>(QStringLiteral("Progress"));
    ASSERT_NE(indicator, nullptr);
    EXPECT_EQ(indicator->value(), 100);
    EXPECT_FALSE(indicator->isVisible());
    EXPECT_FALSE(form->ImageScrollBox1->PictureHeld()) << "the view must repaint from the picture again";
    EXPECT_TRUE(form->Modified);
}
