// The frame's ways of opening pictures: its Open dialog and the recent file it keeps in
// config.ini, dropped files, and files named on the command line.

#include "frame_fixture.h"

#include "app/startup.h"
#include "document/form_main.h"
#include "modal_script.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/picture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace widget_test;

namespace {

QStringList visibleCaptions(const QMenu& menu)
{
    QStringList result;
    for (const QAction* action : menu.actions())
        if (action->isVisible())
            result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return result;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FrameFilesTest : public FrameInOwnDirectoryTest {
public:
    QString makeBmp(const QString& name, int width, int height, TPixelFormat format = pf24bit)
    {
        TBitmap bitmap;
        bitmap.SetPixelFormat(format);
        bitmap.SetSize(width, height);
        const QString path = dir.filePath(name);
        bitmap.SaveToFile(path);
        return path;
    }
};

TEST_F(FrameFilesTest, TheRecentFileIsKeptAcrossRunsAndOpensAgain)
{
    // First run, no config.ini: no recent item.
    EXPECT_EQ(visibleCaptions(*frame->File1),
              (QStringList{QStringLiteral("&Новый"), QStringLiteral("&Открыть..."), QStringLiteral("&Импорт..."),
                           QStringLiteral("-"), QStringLiteral("&Выход")}));
    QFile other(configPath());
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("; kept\n[Window]\nleft=10\n");
    other.close();

    const QString first = makeBmp(QStringLiteral("first.bmp"), 12, 7, pf8bit);
    const QString second = makeBmp(QStringLiteral("second.bmp"), 3, 3);
    {
        ModalScript script;
        script.then(chooseFile(first, 1)).then(chooseFile(second, 1));
        frame->Open1->trigger();
        frame->Open1->trigger();
        ASSERT_EQ(script.count(), 2);
        EXPECT_EQ(script.shown()[0].title, QStringLiteral("Открыть рисунок..."));
    }
    EXPECT_EQ(readAll(configPath()), QByteArray("; kept\n[Window]\nleft=10\n\n[Names]\n1=") + second.toUtf8() + "\n");
    EXPECT_FALSE(frame->Hist1->isVisible()) << "the item shows what the frame read when it was made";

    // A picture window's Open leaves config.ini alone.
    {
        ModalScript script;
        script.then(chooseFile(first, 1));
        windows().last()->Open1->trigger();
    }
    EXPECT_TRUE(readAll(configPath()).contains(second.toUtf8()));

    restartFrame();
    EXPECT_EQ(frame->HistoryName, second);
    EXPECT_TRUE(frame->Sep1->isVisible());
    EXPECT_TRUE(frame->Hist1->isVisible());
    EXPECT_EQ(frame->Hist1->text(), second);

    frame->Hist1->trigger();
    ASSERT_EQ(windows().size(), 1);
    TFormMain* window = windows().first();
    EXPECT_EQ(window->windowTitle(), second);
    EXPECT_TRUE(window->FileName.isEmpty());
    EXPECT_EQ(window->PanelText(2), QStringLiteral("Размер:3 Х 3"));
    EXPECT_EQ(window->GetGraphic()->GetWidth(), 3);
}

TEST_F(FrameFilesTest, DroppedFilesOpenInOrderUntilOneFails)
{
    const QString a = makeBmp(QStringLiteral("a.bmp"), 4, 2, pf8bit);
    const QString b = makeBmp(QStringLiteral("b.bmp"), 5, 3);
    const QString c = makeBmp(QStringLiteral("c.bmp"), 6, 4);
    drop({a, b, c});
    QList<TFormMain*> opened = windows();
    ASSERT_EQ(opened.size(), 3);
    const QStringList names{a, b, c};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(opened[i]->windowTitle(), names[i]);
        EXPECT_TRUE(opened[i]->FileName.isEmpty());
        EXPECT_FALSE(opened[i]->Modified);
        EXPECT_EQ(opened[i]->GetGraphic()->GetWidth(), 4 + i);
        // Whatever the file's depth, a dropped file is shown in 24 bits.
        EXPECT_EQ(opened[i]->GetGraphic()->ImageFormat(), ifTrueColor);
    }
    EXPECT_FALSE(QFile::exists(configPath())) << "only the frame's Open writes the entry";

    const QString cursor = dir.filePath(QStringLiteral("arrow.cur"));
    QFile::copy(a, cursor);
    ModalScript script;
    script.then(closeDialog());
    drop({cursor, a});
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].text, QStringLiteral("Unknown picture file extension (.cur)"));
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    opened = windows();
    ASSERT_EQ(opened.size(), 3) << "the bad file leaves no window, and the file after it is not opened";

    // Untitled, so Save asks for a name.
    ModalScript save;
    save.then(closeDialog());
    opened.first()->Save1->trigger();
    ASSERT_EQ(save.count(), 1);
    EXPECT_EQ(save.shown()[0].title, QStringLiteral("Сохранить рисунок как..."));
}

TEST_F(FrameFilesTest, AFailedWriteOfTheEntryKeepsTheOpenedWindow)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("config.ini"))); // a folder where the file goes
    const QString picture = makeBmp(QStringLiteral("p.bmp"), 2, 2);
    ModalScript script;
    script.then(chooseFile(picture, 1)).then(closeDialog());
    frame->Open1->trigger();
    ASSERT_EQ(script.count(), 2);
    EXPECT_EQ(script.shown()[1].text, QStringLiteral("Unable to write to %1").arg(configPath()));
    ASSERT_EQ(windows().size(), 1);
    EXPECT_EQ(windows().first()->FileName, picture);
}

// The editor started with files named: each opens as a dropped file would, and an unreadable
// one stops at its error (which no one answers here).
TEST(CommandLineFiles, NamedFilesAreOpened)
{
    QTemporaryDir dir;
    TBitmap bitmap;
    bitmap.SetSize(40, 30);
    const QString picture = dir.filePath(QStringLiteral("кот.bmp"));
    bitmap.SaveToFile(picture);
    const QString cursor = dir.filePath(QStringLiteral("arrow.cur"));
    QFile::copy(picture, cursor);

    auto run = [&](const QStringList& arguments, int waitMs) {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("PICTAVO_QUIT_WHEN_SHOWN"), QStringLiteral("1"));
        program->setProcessEnvironment(environment);
        program->setWorkingDirectory(dir.path());
        program->start(QStringLiteral(PICTAVO_EXECUTABLE), arguments);
        const bool finished = program->waitForFinished(waitMs);
        if (!finished) {
            program->kill();
            program->waitForFinished();
        }
        return std::make_pair(finished, program->exitCode());
    };
    const auto good = run({picture}, 60000);
    EXPECT_TRUE(good.first);
    EXPECT_EQ(good.second, 0);
    EXPECT_FALSE(run({cursor}, 8000).first) << "the bad file's error box holds the program";
}

} // namespace
