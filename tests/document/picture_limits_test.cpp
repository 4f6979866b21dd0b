// Pictures past the size the machine can hold, through every way a user makes or grows one: a
// clear message, the window's picture untouched, no empty window left behind.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "editing/slider.h"
#include "imaging/formats/picture_formats.h"
#include "modal_script.h"
#include "platform/framework/image.h"
#include "platform/framework/size_policy.h"
#include "widget_input.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QToolButton>

#include <functional>

namespace {

using namespace widget_test;

// 8 MiB: a window holds about 1.2 megapixels (seven bytes a pixel: its picture at three, its
// work image at four).
constexpr uint64_t LimitBytes = uint64_t{8} << 20;

class PictureLimitsTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        RegisterPictureFormats();
        QGuiApplication::clipboard()->clear();
        PictureSizePolicy::setMaxBytes(LimitBytes);
    }
    void TearDown() override
    {
        PictureSizePolicy::setMaxBytes(0);
        QGuiApplication::clipboard()->clear();
        PictureWindowTest::TearDown();
    }

    // A one-colour picture as the clipboard holds it from another program.
    static void copyToClipboard(int width, int height)
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(0, 0, 255));
        QGuiApplication::clipboard()->setImage(image);
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(PictureLimitsTest, PastTheLimitEveryWaySaysSoAndKeepsThePicture)
{
    const QString bigPng = dir.filePath(QStringLiteral("большой.png"));
    {
        QImage image(1100, 1100, QImage::Format_RGB32);
        image.fill(Qt::green);
        ASSERT_TRUE(image.save(bigPng));
    }
    struct Case {
        const char* name;
        int width; // of the window's picture before
        int height;
        std::function<void(TFormMain*, ModalScript&)> act;
        const char* message; // the last dialog shown
    };
    const char* tooLarge1100 = "Рисунок 1100 на 1100 точек слишком велик: для него не хватает памяти";
    const Case cases[] = {
        {"new", 100, 100,
         [](TFormMain* form, ModalScript& script) {
             script.then(steps({setField(QStringLiteral("WidthEdit"), QStringLiteral("1100")),
                                setField(QStringLiteral("HeightEdit"), QStringLiteral("1100")),
                                pressButton(QStringLiteral("Да"))}));
             form->NewPict->trigger();
         },
         tooLarge1100},
        {"open", 100, 100,
         [&](TFormMain* form, ModalScript& script) {
             script.then(chooseFile(bigPng));
             form->Open1->trigger();
         },
         "Файл %1 не открыт: рисунок 1100 x 1100 точек слишком велик"},
        {"width slider", 1024, 1170,
         [](TFormMain* form, ModalScript&) { form->TrackBar1->SetPosition(1026); },
         "Рисунок 1026 на 1170 точек слишком велик: для него не хватает памяти"},
        {"height slider", 1500, 798,
         [](TFormMain* form, ModalScript&) { form->TrackBar2->SetPosition(800); },
         "Рисунок 1500 на 800 точек слишком велик: для него не хватает памяти"},
        {"paste", 100, 100,
         [](TFormMain* form, ModalScript&) {
             copyToClipboard(1500, 1500);
             form->Paste1->trigger();
             EXPECT_NE(form->CurrentTool(), dtPaste);
         },
         "Рисунок 1500 на 1500 точек слишком велик: для него не хватает памяти"},
        {"paste as new", 100, 100,
         [](TFormMain* form, ModalScript&) {
             copyToClipboard(1100, 1100);
             form->PasteAsNew->trigger();
         },
         tooLarge1100},
        {"rotate by 45 degrees", 1000, 1000,
         [](TFormMain* form, ModalScript& script) {
             script.then(steps({setField(QStringLiteral("AngleEdit"), QStringLiteral("45")),
                                pressButton(QStringLiteral("Да"))}));
             form->RotateAngle->trigger();
         },
         "Рисунок 1415 на 1415 точек слишком велик: для него не хватает памяти"},
    };
    for (const Case& c : cases) {
        TFormMain* form = newPicture(c.width, c.height);
        ASSERT_NE(form, nullptr) << c.name;
        form->RectangleButton->click();
        mouseDrag(form->ImageScrollBox1->ImageControl(), QPoint(5, 4), QPoint(25, 30));
        form->Modified = false;
        const std::vector<uint32_t> before = pixels(*form->GetGraphic());
        const int windows = static_cast<int>(area.subWindowList().size());
        const bool couldUndo = form->Undo1->isEnabled();

        ModalScript script;
        c.act(form, script);
        const QString message = QString::fromUtf8(c.message).replace(QStringLiteral("%1"), QDir::toNativeSeparators(bigPng));
        EXPECT_EQ(script.shown().value(script.count() - 1).text, message) << c.name;
        EXPECT_EQ(static_cast<int>(area.subWindowList().size()), windows) << c.name;
        EXPECT_EQ(form->GetGraphic()->GetWidth(), c.width) << c.name;
        EXPECT_EQ(form->GetGraphic()->GetHeight(), c.height) << c.name;
        EXPECT_EQ(form->Image->PictureWidth(), c.width) << c.name;
        EXPECT_EQ(form->Image->PictureHeight(), c.height) << c.name;
        EXPECT_TRUE(pixels(*form->GetGraphic()) == before) << c.name;
        EXPECT_FALSE(form->Modified) << c.name;
        EXPECT_EQ(form->Undo1->isEnabled(), couldUndo) << c.name;
        form->Modified = false;
    }
}
