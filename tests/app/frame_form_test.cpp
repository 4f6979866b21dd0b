#include "frame_fixture.h"

#include "app/startup.h"
#include "modal_script.h"
#include "platform/forms/desktop.h"
#include "test_child.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace widget_test;

namespace {

QStringList captions(const QList<QAction*>& actions)
{
    QStringList result;
    for (const QAction* action : actions) {
        if (action->isVisible())
            result.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    return result;
}

class FrameFormTest : public FrameTest {
protected:
    TestChild* addChild(const QString& caption)
    {
        auto* child = new TestChild(caption);
        QMdiSubWindow* sub = frame->addChildForm(child);
        sub->show();
        frame->ClientArea->setActiveSubWindow(sub);
        return child;
    }

    QStringList bar() const { return captions(frame->menuBar()->actions()); }
};

} // namespace

TEST_F(FrameFormTest, MenuWithoutChild)
{
    EXPECT_EQ(frame->windowTitle(), QStringLiteral("Пиктаво"));
    EXPECT_EQ(bar(), (QStringList{"&Файл", "Справка", "&Окна"}));
    EXPECT_EQ(frame->menuBar()->actions().first(), frame->File1->menuAction());
    EXPECT_EQ(captions(frame->File1->actions()),
              (QStringList{"&Новый", "&Открыть...", "&Импорт...", "-", "&Выход"}));
    EXPECT_FALSE(frame->Hist1->isVisible());
    EXPECT_FALSE(frame->Sep1->isVisible());
    EXPECT_EQ(captions(frame->Help->actions()), (QStringList{"&Справка...", "О программе..."}));
    EXPECT_EQ(captions(frame->Window1->actions()),
              (QStringList{"&Сверху вниз", "Слева направо", "&Каскадом", "&Упорядочить", "-", "&Закрыть всё"}));
    EXPECT_TRUE(frame->ClientArea->subWindowList().isEmpty()) << "no picture window at start";
}

TEST_F(FrameFormTest, FrameLooks)
{
    EXPECT_EQ(frame->size(), QSize(858, 554));
    EXPECT_EQ(frame->ClientArea->background().color(), QColor(190, 222, 238));
    EXPECT_TRUE(frame->font().bold());
    EXPECT_EQ(frame->font().pixelSize(), 13);
    EXPECT_EQ(frame->ProgramDir, QDir::currentPath());
    EXPECT_TRUE(frame->acceptDrops());
}

TEST_F(FrameFormTest, ActiveChildsMenusReplaceTheFileMenu)
{
    TestChild* first = addChild(QStringLiteral("Без имени"));
    EXPECT_EQ(bar(), (QStringList{"&Файл", "&Редактировать", "&Вид", "&Цвет", "&Эффекты", "Справка", "&Окна"}));
    EXPECT_EQ(frame->menuBar()->actions().first(), first->menus[0].menu->menuAction());

    TestChild* second = addChild(QStringLiteral("Второй"));
    EXPECT_EQ(frame->menuBar()->actions().first(), second->menus[0].menu->menuAction());
    EXPECT_EQ(frame->menuBar()->actions().size(), 7);

    frame->ClientArea->setActiveSubWindow(frame->ClientArea->subWindowList().first());
    EXPECT_EQ(frame->menuBar()->actions().first(), first->menus[0].menu->menuAction());

    // With the last child gone, the frame's own File menu is back.
    frame->ClientArea->closeAllSubWindows();
    settle();
    EXPECT_EQ(bar(), (QStringList{"&Файл", "Справка", "&Окна"}));
    EXPECT_EQ(frame->menuBar()->actions().first(), frame->File1->menuAction());
}

TEST_F(FrameFormTest, DeletedChildTakesItsMenusAlong)
{
    TestChild* child = addChild(QStringLiteral("Без имени"));
    delete frame->ClientArea->subWindowList().first();
    Q_UNUSED(child);
    settle();
    EXPECT_EQ(bar(), (QStringList{"&Файл", "Справка", "&Окна"}));
}

TEST_F(FrameFormTest, CloseAllAsksEveryChildFromTheLastIndexAndKeepsARefusingOne)
{
    TestChild* a = addChild(QStringLiteral("a"));
    TestChild* b = addChild(QStringLiteral("b"));
    QStringList asked;
    a->onQuery = [&](TestChild& c) { asked.append(c.windowTitle()); };
    b->onQuery = a->onQuery;
    // b is active, so index 0; the loop starts at index 1, a, which refuses.
    a->mayClose = false;
    QPointer<TestChild> keep(a), gone(b);

    frame->Close_all->trigger();
    settle();

    EXPECT_EQ(asked, (QStringList{"a", "b"}));
    ASSERT_TRUE(keep);
    EXPECT_FALSE(gone);
    ASSERT_EQ(frame->ClientArea->subWindowList().size(), 1);
    EXPECT_EQ(frame->ClientArea->subWindowList().first()->widget(), a);
}

TEST_F(FrameFormTest, CloseAllClosesEveryAgreeingChild)
{
    addChild(QStringLiteral("a"));
    addChild(QStringLiteral("b"));
    addChild(QStringLiteral("c"));
    frame->Close_all->trigger();
    settle();
    EXPECT_TRUE(frame->ClientArea->subWindowList().isEmpty());
    EXPECT_EQ(bar(), (QStringList{"&Файл", "Справка", "&Окна"}));
}

TEST_F(FrameFormTest, ExitRefusedByOneChildKeepsEverythingOpen)
{
    TestChild* a = addChild(QStringLiteral("a"));
    TestChild* b = addChild(QStringLiteral("b"));
    a->mayClose = false;
    QSignalSpy closed(frame, &TFrameForm::closed);

    frame->Exit1->trigger();
    settle();

    EXPECT_TRUE(frame->isVisible());
    EXPECT_EQ(closed.count(), 0);
    EXPECT_EQ(frame->ClientArea->subWindowList().size(), 2);
    EXPECT_TRUE(a->isVisible());
    EXPECT_TRUE(b->isVisible());
}

TEST_F(FrameFormTest, ExitAgreedAsksEachChildOnceAndEnds)
{
    TestChild* a = addChild(QStringLiteral("a"));
    TestChild* b = addChild(QStringLiteral("b"));
    QSignalSpy closed(frame, &TFrameForm::closed);

    frame->Exit1->trigger();

    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(closed.count(), 1);
    EXPECT_EQ(a->queries, 1);
    EXPECT_EQ(b->queries, 1);
}

TEST_F(FrameFormTest, WindowMenuListsOneEntryPerChild)
{
    addChild(QStringLiteral("C:\\Рисунки\\кот.bmp"));
    addChild(QStringLiteral("Без имени"));
    addChild(QStringLiteral("Tom & Jerry"));
    frame->ClientArea->setActiveSubWindow(frame->ClientArea->subWindowList().at(1));
    emit frame->Window1->aboutToShow();

    const QList<QAction*> entries = frame->windowListActions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(plainCaption(entries[0]->text()), QStringLiteral("C:\\Рисунки\\кот.bmp"));
    EXPECT_EQ(plainCaption(entries[1]->text()), QStringLiteral("Без имени"));
    EXPECT_EQ(plainCaption(entries[2]->text()), QStringLiteral("Tom & Jerry"));
    EXPECT_FALSE(entries[0]->isChecked());
    EXPECT_TRUE(entries[1]->isChecked());
    EXPECT_FALSE(entries[2]->isChecked());
    EXPECT_EQ(captions(frame->Window1->actions()).size(), 6 + 1 + 3);

    entries[2]->trigger();
    EXPECT_EQ(frame->ClientArea->activeSubWindow(), frame->ClientArea->subWindowList().at(2));

    frame->Close_all->trigger();
    settle();
    emit frame->Window1->aboutToShow();
    EXPECT_TRUE(frame->windowListActions().isEmpty());
    EXPECT_EQ(captions(frame->Window1->actions()).size(), 6);
}

namespace {
// Stands in for the desktop: records what it was asked to open.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.append(url); }
};
} // namespace

namespace {
// The desktop's data folders pointed at an empty folder of the test's own, so that a copy of the
// help page installed on this machine does not answer for the program.
class DataFolders {
public:
    DataFolders() : home_(qgetenv("XDG_DATA_HOME")), dirs_(qgetenv("XDG_DATA_DIRS"))
    {
        qputenv("XDG_DATA_HOME", root.filePath(QStringLiteral("home")).toLocal8Bit());
        qputenv("XDG_DATA_DIRS", root.filePath(QStringLiteral("system")).toLocal8Bit());
    }
    ~DataFolders()
    {
        restore("XDG_DATA_HOME", home_);
        restore("XDG_DATA_DIRS", dirs_);
    }
    // Puts a help page where the program installs it under the given data folder.
    QString install(const QString& folder)
    {
        const QString dir = root.filePath(folder + QStringLiteral("/pictavo"));
        QDir().mkpath(dir);
        QFile page(dir + QStringLiteral("/Пиктаво.htm"));
        page.open(QIODevice::WriteOnly);
        return QFileInfo(page).absoluteFilePath();
    }
    QTemporaryDir root;

private:
    static void restore(const char* name, const QByteArray& value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    QByteArray home_, dirs_;
};
} // namespace

TEST_F(FrameFormTest, HelpOpensThePageOfTheWorkingDirectoryAndSaysNothingWithoutIt)
{
    DataFolders dataFolders;
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    QTemporaryDir dir;
    struct Restore {
        QString directory = QDir::currentPath();
        ~Restore()
        {
            QDir::setCurrent(directory);
            QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        }
    } restore;
    QDir::setCurrent(dir.path());
    ModalScript script;

    frame->Help1->trigger();
    EXPECT_TRUE(desktop.opened.isEmpty());
    EXPECT_EQ(script.count(), 0) << "no message when the page is missing";

    QFile page(dir.filePath(QStringLiteral("Пиктаво.htm")));
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.close();
    frame->Help1->trigger();
    ASSERT_EQ(desktop.opened.size(), 1);
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(QFileInfo(page).absoluteFilePath()));
    EXPECT_EQ(script.count(), 0);
}

// Without a page in the working folder, the copy installed with the program opens: the user's
// own data folder before the system's; a page in the working folder still comes first.
TEST_F(FrameFormTest, HelpFallsBackToTheInstalledPage)
{
    struct Case {
        bool local;
        QStringList installedIn; // data folders holding pictavo/Пиктаво.htm
        QString expected;        // "local", or the data folder whose copy opens
    };
    const Case cases[] = {
        {false, {QStringLiteral("system")}, QStringLiteral("system")},
        {false, {QStringLiteral("home"), QStringLiteral("system")}, QStringLiteral("home")},
        {true, {QStringLiteral("system")}, QStringLiteral("local")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.installedIn.join(u',').toStdString() + (c.local ? " with a local page" : ""));
        DataFolders dataFolders;
        QList<QUrl> opened;
        const forms::UrlOpener previous = forms::SetUrlOpener([&](const QUrl& url) { opened.append(url); });
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QString expected;
        for (const QString& folder : c.installedIn) {
            const QString installed = dataFolders.install(folder);
            if (folder == c.expected)
                expected = installed;
        }
        if (c.local) {
            QFile page(dir.filePath(QStringLiteral("Пиктаво.htm")));
            page.open(QIODevice::WriteOnly);
            expected = QFileInfo(page).absoluteFilePath();
        }
        ModalScript script;
        frame->Help1->trigger();
        QDir::setCurrent(before);
        forms::SetUrlOpener(previous);
        ASSERT_EQ(opened.size(), 1);
        EXPECT_EQ(opened[0], QUrl::fromLocalFile(expected));
        EXPECT_EQ(script.count(), 0);
    }
}

namespace {
class FailingFrame : public TFrameForm {
public:
    bool started = false;
    void New1Click() override
    {
        started = true;
        throw std::runtime_error("Неизвестное расширение файла рисунка (.xyz)");
    }
};
} // namespace

TEST_F(FrameFormTest, ErrorInAFrameCommandIsShownUnderTheApplicationTitle)
{
    FailingFrame failing;
    ModalScript script;
    script.then(pressButton(QStringLiteral("OK")));
    failing.New1->trigger();
    EXPECT_TRUE(failing.started);
    ASSERT_EQ(script.count(), 1);
    EXPECT_EQ(script.shown()[0].title, QStringLiteral("Пиктаво"));
    EXPECT_EQ(script.shown()[0].text, QStringLiteral("Неизвестное расширение файла рисунка (.xyz)"));
    EXPECT_EQ(script.shown()[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(script.unanswered(), 0);
}

TEST_F(FrameFormTest, TileStacksOrPlacesSideBySideAndUnmaximises)
{
    addChild(QStringLiteral("a"));
    addChild(QStringLiteral("b"));
    const QList<QMdiSubWindow*> subs = frame->ClientArea->subWindowList(QMdiArea::CreationOrder);
    subs[1]->showMaximized();
    const QRect area = frame->ClientArea->viewport()->rect();

    frame->Tile1->trigger();
    EXPECT_EQ(frame->tileMode(), TFrameForm::TileMode::Horizontal);
    EXPECT_FALSE(subs[1]->isMaximized());
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width(), area.height() / 2));
    EXPECT_EQ(subs[1]->geometry().top(), area.height() / 2);
    EXPECT_EQ(subs[1]->geometry().bottom(), area.bottom());

    frame->Tile2->trigger();
    EXPECT_EQ(frame->tileMode(), TFrameForm::TileMode::Vertical);
    EXPECT_EQ(subs[0]->geometry(), QRect(0, 0, area.width() / 2, area.height()));
    EXPECT_EQ(subs[1]->geometry().left(), area.width() / 2);
    EXPECT_EQ(subs[1]->geometry().right(), area.right());
}

TEST_F(FrameFormTest, ArrangeIconsPutsMinimisedChildrenAlongTheBottom)
{
    addChild(QStringLiteral("a"));
    addChild(QStringLiteral("b"));
    addChild(QStringLiteral("c"));
    const QList<QMdiSubWindow*> subs = frame->ClientArea->subWindowList(QMdiArea::CreationOrder);
    subs[0]->showMinimized();
    subs[2]->showMinimized();
    subs[0]->move(100, 40);
    subs[2]->move(300, 10);

    frame->Arrangeicons1->trigger();

    const int bottom = frame->ClientArea->viewport()->rect().bottom();
    EXPECT_EQ(subs[0]->geometry().left(), 0);
    EXPECT_EQ(subs[0]->geometry().bottom(), bottom);
    EXPECT_EQ(subs[2]->geometry().left(), subs[0]->geometry().right() + 1);
    EXPECT_EQ(subs[2]->geometry().bottom(), bottom);
    EXPECT_FALSE(subs[1]->isMinimized());
}

TEST_F(FrameFormTest, CascadeLeavesEveryChildVisibleAndOffset)
{
    addChild(QStringLiteral("a"));
    addChild(QStringLiteral("b"));
    frame->Cascade1->trigger();
    const QList<QMdiSubWindow*> subs = frame->ClientArea->subWindowList(QMdiArea::CreationOrder);
    EXPECT_LT(subs[0]->geometry().top(), subs[1]->geometry().top());
    EXPECT_LT(subs[0]->geometry().left(), subs[1]->geometry().left());
}

#include "frame_form_test.moc"
