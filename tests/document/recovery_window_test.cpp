// A picture window's recovery journal, through the user's path: figures drawn with the mouse,
// the colour menu, undo, "Сохранить как..." and "&Закрыть"; the journal always reads back as
// the picture after the last completed change.

#include "picture_window_fixture.h"

#include "document/recovery_journal.h"
#include "document/recovery_store.h"
#include "editing/image_scroll_box.h"
#include "modal_script.h"
#include "widget_input.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

using widget_test::ModalScript;

class RecoveryWindowTest : public PictureWindowTest {
protected:
    // Lets the window's deferred recording run (a change that waited for a drag to end is
    // looked at again within 20 ms), then waits for the writer.
    static recovery::RecoveredPicture journalled(TFormMain* form)
    {
        QTest::qWait(50);
        form->Journal().flush();
        return recovery::ReadJournal(form->Journal().path());
    }
    static void expectJournalShows(TFormMain* form, const char* after)
    {
        const recovery::RecoveredPicture back = journalled(form);
        ASSERT_TRUE(back.readable) << after << ": " << back.problem.toStdString();
        EXPECT_FALSE(back.damaged) << after;
        TDibGraphic made;
        back.makePicture(made);
        EXPECT_EQ(made.ImageFormat(), form->GetGraphic()->ImageFormat()) << after;
        EXPECT_EQ(pixels(made), pixels(*form->GetGraphic())) << after;
    }
    static void drag(TFormMain* form, QPoint from, QPoint to)
    {
        widget_test::mouseDrag(form->ImageScrollBox1->ImageControl(), from, to);
    }
};

// Figures, a colour command, a change of colour depth, undo and redo each reach the journal.
TEST_F(RecoveryWindowTest, EveryCompletedChangeIsJournalled)
{
    TFormMain* form = newPicture(90, 70);
    form->RectangleButton->click();
    drag(form, QPoint(10, 10), QPoint(50, 40));
    expectJournalShows(form, "rectangle");
    form->LineButton->click();
    drag(form, QPoint(5, 60), QPoint(80, 2));
    expectJournalShows(form, "line");
    form->Obratyt1->trigger();
    expectJournalShows(form, "invert");
    form->Gray16->trigger();
    expectJournalShows(form, "16 greys");
    form->Undo1->trigger();
    expectJournalShows(form, "undo");
    form->Redo1->trigger();
    expectJournalShows(form, "redo");
    EXPECT_EQ(journalled(form).info.caption, form->windowTitle());
}

// A drag still under way is not a completed change: its preview never reaches the journal.
TEST_F(RecoveryWindowTest, DragUnderWayIsNotJournalled)
{
    TFormMain* form = newPicture(60, 40);
    form->LineButton->click();
    drag(form, QPoint(2, 2), QPoint(30, 30));
    const std::vector<uint32_t> before = pixels(*form->GetGraphic());
    QWidget* view = form->ImageScrollBox1->ImageControl();
    widget_test::mousePress(view, QPoint(50, 5));
    widget_test::mouseMove(view, QPoint(10, 35), Qt::LeftButton);
    QTest::qWait(60);
    ASSERT_NE(pixels(*form->GetGraphic()), before); // the preview is in the picture
    TDibGraphic made;
    journalled(form).makePicture(made);
    EXPECT_EQ(pixels(made), before);
    widget_test::mouseRelease(view, QPoint(10, 35));
    expectJournalShows(form, "release");
}

// Saving takes the journal away until the next change, which journals the saved picture anew;
// closing the window takes it away for good.
TEST_F(RecoveryWindowTest, SaveRebasesAndCloseRemoves)
{
    TFormMain* form = newPicture(40, 30);
    form->RectangleButton->click();
    drag(form, QPoint(3, 3), QPoint(30, 20));
    const QString beforeSave = journalled(form).path;
    ASSERT_TRUE(QFile::exists(beforeSave));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.bmp"));
    {
        ModalScript script;
        script.then(widget_test::chooseFile(file, 1));
        form->Saveas1->trigger();
    }
    form->Journal().flush();
    EXPECT_FALSE(QFile::exists(beforeSave));
    EXPECT_TRUE(form->Journal().path().isEmpty());

    drag(form, QPoint(20, 2), QPoint(2, 25));
    expectJournalShows(form, "after save");
    const recovery::RecoveredPicture after = journalled(form);
    EXPECT_EQ(after.info.fileName, file);

    form->Modified = false;
    form->Close1->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFile::exists(after.path); }, 2000));
}

} // namespace
