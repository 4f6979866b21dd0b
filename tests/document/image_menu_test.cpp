// The "&Изображение" menu and "Вставить как новый рисунок" through the user's path: a picture
// drawn with the mouse, the menu's items triggered, their dialogs answered, then undo and redo.

#include "picture_window_fixture.h"

#include "editing/image_scroll_box.h"
#include "modal_script.h"
#include "platform/forms/picture_size_form.h"
#include "platform/forms/rotate_angle_form.h"
#include "platform/framework/image.h"
#include "platform/framework/size_policy.h"
#include "widget_input.h"

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <functional>
#include <set>

namespace {

using namespace widget_test;

class ImageMenuTest : public PictureWindowTest {
protected:
    void SetUp() override
    {
        PictureWindowTest::SetUp();
        QGuiApplication::clipboard()->clear();
    }
    void TearDown() override
    {
        PictureSizePolicy::setMaxBytes(0);
        PictureWindowTest::TearDown();
    }

    // A 60 x 40 white picture with a black rectangle drawn on it with the mouse, off-centre so
    // that every turn and mirror moves it.
    TFormMain* drawnPicture()
    {
        TFormMain* form = newPicture(60, 40);
        form->RectangleButton->click();
        draw(form, QPoint(5, 4), QPoint(25, 30));
        form->Modified = false;
        return form;
    }

    // A drag on the view at 100 %, where view and picture coordinates agree.
    static void draw(TFormMain* form, QPoint from, QPoint to)
    {
        mouseDrag(form->ImageScrollBox1->ImageControl(), from, to);
    }

    static QString sizeText(int width, int height)
    {
        return QStringLiteral("Размер:%1 Х %2").arg(height).arg(width);
    }

    // The picture's size and pixels, the work image's size and the status text agree with a
    // picture of width x height holding expected.
    static void expectPicture(TFormMain* form, int width, int height, const std::vector<uint32_t>& expected,
                              const std::string& what)
    {
        const TDibGraphic& picture = *form->GetGraphic();
        ASSERT_EQ(picture.GetWidth(), width) << what;
        ASSERT_EQ(picture.GetHeight(), height) << what;
        EXPECT_EQ(form->Image->PictureWidth(), width) << what;
        EXPECT_EQ(form->Image->PictureHeight(), height) << what;
        EXPECT_EQ(form->PanelText(2), sizeText(width, height)) << what;
        EXPECT_TRUE(pixels(picture) == expected) << what;
    }
};

// What each command makes of a w x h picture: the new size and where each new pixel comes from.
struct Mapping {
    int width;
    int height;
    std::function<uint32_t(const std::vector<uint32_t>&, int x, int y)> pixel;
};

} // namespace

TEST_F(ImageMenuTest, EachItemChangesThePictureAndUndoAndRedoStepAcrossIt)
{
    constexpr int W = 60;
    constexpr int H = 40;
    auto at = [](const std::vector<uint32_t>& p, int x, int y) { return p[static_cast<size_t>(y * W + x)]; };
    struct Case {
        const char* name;
        QAction* TFormMain::*item;
        Answer answer; // empty: the item asks nothing
        Mapping result;
    };
    const Case cases[] = {
        {"flip left-right", &TFormMain::FlipHorizontal, {},
         {W, H, [&](const auto& p, int x, int y) { return at(p, W - 1 - x, y); }}},
        {"flip top-bottom", &TFormMain::FlipVertical, {},
         {W, H, [&](const auto& p, int x, int y) { return at(p, x, H - 1 - y); }}},
        {"clockwise", &TFormMain::RotateClockwise, {},
         {H, W, [&](const auto& p, int x, int y) { return at(p, y, H - 1 - x); }}},
        {"counter-clockwise", &TFormMain::RotateCounterClockwise, {},
         {H, W, [&](const auto& p, int x, int y) { return at(p, W - 1 - y, x); }}},
        {"half turn", &TFormMain::Rotate180, {},
         {W, H, [&](const auto& p, int x, int y) { return at(p, W - 1 - x, H - 1 - y); }}},
        {"angle -90", &TFormMain::RotateAngle,
         steps({setField(QStringLiteral("AngleEdit"), QStringLiteral("-90")), pressButton(QStringLiteral("Да"))}),
         {H, W, [&](const auto& p, int x, int y) { return at(p, W - 1 - y, x); }}},
        {"size 50 per cent, triangle", &TFormMain::PictureSize,
         steps({setField(QStringLiteral("UnitsBox"), QStringLiteral("проценты")),
                setField(QStringLiteral("WidthEdit"), QStringLiteral("50")),
                setField(QStringLiteral("HeightEdit"), QStringLiteral("50")),
                setField(QStringLiteral("FilterBox"), QStringLiteral("Треугольный")), pressButton(QStringLiteral("Да"))}),
         {W / 2, H / 2, {}}},
    };
    for (const Case& c : cases) {
        TFormMain* form = drawnPicture();
        const std::vector<uint32_t> before = pixels(*form->GetGraphic());
        ModalScript script;
        if (c.answer)
            script.then(c.answer);
        (form->*c.item)->trigger();
        EXPECT_EQ(script.count(), c.answer ? 1 : 0) << c.name;
        std::vector<uint32_t> expected;
        if (c.result.pixel) {
            for (int y = 0; y < c.result.height; ++y)
                for (int x = 0; x < c.result.width; ++x)
                    expected.push_back(c.result.pixel(before, x, y));
        } else {
            expected = pixels(*form->GetGraphic());
        }
        expectPicture(form, c.result.width, c.result.height, expected, std::string(c.name) + ", done");
        EXPECT_NE(expected, before) << c.name;
        EXPECT_TRUE(form->Modified) << c.name;
        const std::vector<uint32_t> done = pixels(*form->GetGraphic());

        // A stroke on the changed picture, then back across it and forward again.
        draw(form, QPoint(2, 2), QPoint(12, 12));
        form->Undo1->trigger();
        expectPicture(form, c.result.width, c.result.height, done, std::string(c.name) + ", stroke undone");
        form->Undo1->trigger();
        expectPicture(form, W, H, before, std::string(c.name) + ", undone");
        form->Redo1->trigger();
        expectPicture(form, c.result.width, c.result.height, done, std::string(c.name) + ", redone");
        form->Modified = false;
    }
}

TEST_F(ImageMenuTest, BadInputKeepsTheDialogOpenWithAMessageAndNothingChanges)
{
    struct Case {
        const char* name;
        QAction* TFormMain::*item;
        QList<Answer> fields;
        QString message; // empty: cancelled
    };
    const QString angleMessage = QStringLiteral("Угол должен быть числом от -360 до 360 градусов.");
    const QString pixelsMessage = QStringLiteral("Ширина и высота рисунка должны быть целыми числами от 2 до 100000 точек.");
    const Case cases[] = {
        {"angle past 360", &TFormMain::RotateAngle, {setField(QStringLiteral("AngleEdit"), QStringLiteral("360.5"))},
         angleMessage},
        {"angle not a number", &TFormMain::RotateAngle, {setField(QStringLiteral("AngleEdit"), QStringLiteral("сорок"))},
         angleMessage},
        {"angle cancelled", &TFormMain::RotateAngle, {setField(QStringLiteral("AngleEdit"), QStringLiteral("30"))}, {}},
        {"width of one pixel", &TFormMain::PictureSize, {setField(QStringLiteral("WidthEdit"), QStringLiteral("1"))},
         pixelsMessage},
        {"height not a number", &TFormMain::PictureSize, {setField(QStringLiteral("HeightEdit"), QStringLiteral(""))},
         pixelsMessage},
        {"per cent past 1000", &TFormMain::PictureSize,
         {setField(QStringLiteral("UnitsBox"), QStringLiteral("проценты")),
          setField(QStringLiteral("WidthEdit"), QStringLiteral("1001"))},
         QStringLiteral("Ширина и высота в процентах должны быть целыми числами от 1 до 1000.")},
        {"past the picture-size rule", &TFormMain::PictureSize,
         {setField(QStringLiteral("WidthEdit"), QStringLiteral("90000")),
          setField(QStringLiteral("HeightEdit"), QStringLiteral("90000"))},
         QStringLiteral("Рисунок 90000 на 90000 точек слишком велик: для него не хватает памяти")},
        {"size cancelled", &TFormMain::PictureSize, {setField(QStringLiteral("WidthEdit"), QStringLiteral("30"))}, {}},
    };
    for (const Case& c : cases) {
        TFormMain* form = newPicture(60, 40);
        const std::vector<uint32_t> before = pixels(*form->GetGraphic());
        QString shown;
        bool stayedOpen = false;
        ModalScript script;
        QList<Answer> answer = c.fields;
        answer << pressButton(c.message.isEmpty() ? QStringLiteral("Отмена") : QStringLiteral("Да"));
        answer << [&](QDialog& dialog) {
            stayedOpen = dialog.isVisible() && dialog.result() == 0;
            shown = dialog.findChild<QLabel*>(QStringLiteral("ErrorLabel"))->text();
        };
        script.then(steps(answer));
        (form->*c.item)->trigger();
        ASSERT_EQ(script.count(), 1) << c.name;
        if (!c.message.isEmpty()) {
            EXPECT_TRUE(stayedOpen) << c.name;
            EXPECT_EQ(shown, c.message) << c.name;
        }
        expectPicture(form, 60, 40, before, c.name);
        EXPECT_FALSE(form->Modified) << c.name;
        EXPECT_FALSE(form->Undo1->isEnabled()) << c.name;
        form->Modified = false;
    }
}

TEST_F(ImageMenuTest, KeepingProportionsFollowsTheSideTyped)
{
    TPictureSizeForm dialog(60, 40, {QStringLiteral("a"), QStringLiteral("b")}, 1);
    keyClicks(dialog.WidthEdit, QStringLiteral("0")); // 600
    EXPECT_EQ(dialog.HeightEdit->text(), QStringLiteral("400"));
    dialog.UnitsBox->setCurrentIndex(1);
    EXPECT_EQ(dialog.WidthEdit->text(), QStringLiteral("1000"));
    EXPECT_EQ(dialog.HeightEdit->text(), QStringLiteral("1000"));
    dialog.HeightEdit->clear();
    keyClicks(dialog.HeightEdit, QStringLiteral("25"));
    EXPECT_EQ(dialog.WidthEdit->text(), QStringLiteral("25"));
    const auto chosen = dialog.Chosen();
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->width, 15);
    EXPECT_EQ(chosen->height, 10);
    EXPECT_EQ(chosen->filter, 1);
}

TEST_F(ImageMenuTest, CropTakesThePartOfASelectionInsideThePictureAndIsOfferedOnlyWithAFrame)
{
    TFormMain* form = drawnPicture();
    const std::vector<uint32_t> before = pixels(*form->GetGraphic());
    emit form->Image1->aboutToShow();
    EXPECT_FALSE(form->CropToSelection->isEnabled());
    emit form->Image1->aboutToHide();
    form->CropToSelection->trigger();
    expectPicture(form, 60, 40, before, "no frame");

    // A selection dragged up and left, from past the picture's corner.
    form->Vydelenie->click();
    draw(form, QPoint(75, 55), QPoint(20, 25));
    ASSERT_TRUE(form->SelectionFrameShown);
    emit form->Image1->aboutToShow();
    EXPECT_TRUE(form->CropToSelection->isEnabled());
    emit form->Image1->aboutToHide();
    form->CropToSelection->trigger();
    std::vector<uint32_t> inside;
    for (int y = 25; y < 40; ++y)
        for (int x = 20; x < 60; ++x)
            inside.push_back(before[static_cast<size_t>(y * 60 + x)]);
    expectPicture(form, 40, 15, inside, "cropped");
    EXPECT_FALSE(form->SelectionFrameShown);

    // The line tool is current again, so undo takes the crop back at once.
    EXPECT_EQ(form->CurrentTool(), dtLine);
    EXPECT_TRUE(form->LineButton->isChecked());
    form->Undo1->trigger();
    expectPicture(form, 60, 40, before, "undone");
}

TEST_F(ImageMenuTest, PasteAsNewOpensTheClipboardsPictureInANewUntitledWindow)
{
    TFormMain* form = drawnPicture();
    form->PasteAsNew->trigger();
    EXPECT_EQ(area.subWindowList().size(), 1) << "no picture on the clipboard, no window";

    form->Vydelenie->click();
    draw(form, QPoint(0, 0), QPoint(30, 20));
    form->Copy1->trigger();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(30, 20));
    form->PasteAsNew->trigger();
    ASSERT_EQ(area.subWindowList().size(), 2);
    TFormMain* pasted = FormMain;
    ASSERT_NE(pasted, form);
    std::vector<uint32_t> expected;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 30; ++x)
            expected.push_back(copied.pixel(x, y) & 0xFFFFFF);
    expectPicture(pasted, 30, 20, expected, "pasted");
    EXPECT_TRUE(pasted->FileName.isEmpty());
    EXPECT_TRUE(pasted->Modified);
    EXPECT_FALSE(pasted->Undo1->isEnabled());
}

TEST_F(ImageMenuTest, TheMenuComesAfterTheEffectsWithAccessKeysAndShortcutsOfItsOwn)
{
    TFormMain* form = newPicture(10, 10);
    ASSERT_GE(form->MainMenu1.size(), 6u);
    EXPECT_EQ(form->MainMenu1[4].menu, form->t1);
    EXPECT_EQ(form->MainMenu1[5].menu, form->Image1);
    EXPECT_EQ(form->Image1->title(), QStringLiteral("&Изображение"));
    QStringList captions;
    std::set<QChar> keys;
    for (QAction* action : form->Image1->actions()) {
        if (action->isSeparator())
            continue;
        captions << plainCaption(action->text());
        const qsizetype mark = action->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(mark, 0) << action->text().toStdString();
        EXPECT_TRUE(keys.insert(action->text().at(mark + 1).toLower()).second) << action->text().toStdString();
    }
    EXPECT_EQ(captions, (QStringList{QStringLiteral("Отразить слева направо"), QStringLiteral("Отразить сверху вниз"),
                                     QStringLiteral("Повернуть на 90° по часовой стрелке"),
                                     QStringLiteral("Повернуть на 90° против часовой стрелки"),
                                     QStringLiteral("Повернуть на 180°"), QStringLiteral("Повернуть на угол..."),
                                     QStringLiteral("Размер рисунка..."), QStringLiteral("Обрезать по выделению")}));
    EXPECT_EQ(form->Edit1->actions().last(), form->PasteAsNew);
    std::set<QChar> editKeys;
    for (QAction* action : form->Edit1->actions()) {
        const qsizetype mark = action->text().indexOf(QLatin1Char('&'));
        if (action != form->PasteAsNew && mark >= 0)
            editKeys.insert(action->text().at(mark + 1).toLower());
    }
    const qsizetype mark = form->PasteAsNew->text().indexOf(QLatin1Char('&'));
    EXPECT_FALSE(editKeys.count(form->PasteAsNew->text().at(mark + 1).toLower()));
    // The new shortcuts are taken by nothing else in the window.
    for (QAction* mine : {form->PasteAsNew, form->CropToSelection, form->PictureSize}) {
        ASSERT_FALSE(mine->shortcut().isEmpty());
        for (const forms::MenuItem& entry : form->MainMenu1)
            for (QAction* other : entry.menu->actions())
                if (other != mine) {
                    EXPECT_NE(other->shortcut(), mine->shortcut()) << other->text().toStdString();
                }
    }
}
