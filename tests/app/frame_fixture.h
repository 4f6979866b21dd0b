#pragma once
// The application's forms with the frame shown, for tests that drive the frame and its picture
// windows; and the same made in a working directory of its own, where its config.ini lives.

#include "app/frame_form.h"
#include "app/startup.h"
#include "document/form_main.h"
#include "modal_script.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <memory>

class FrameTest : public ::testing::Test {
public:
    void SetUp() override
    {
        startup::initialiseApplication();
        startFrame();
    }
    void TearDown() override { stopFrame(); }

    void startFrame()
    {
        forms = std::make_unique<startup::ApplicationForms>();
        forms->showFrame();
        frame = FrameForm;
    }
    // Closes every window without asking, then the forms.
    void stopFrame()
    {
        for (QMdiSubWindow* window : frame->ClientArea->subWindowList())
            if (auto* form = qobject_cast<TFormMain*>(window->widget()))
                form->Modified = false;
        forms.reset();
        settle();
    }
    // Runs the deferred deletions of closed windows.
    static void settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }

    QList<TFormMain*> windows() const
    {
        QList<TFormMain*> result;
        for (QMdiSubWindow* window : frame->ClientArea->subWindowList(QMdiArea::CreationOrder))
            result.append(qobject_cast<TFormMain*>(window->widget()));
        return result;
    }
    // The frame's "&Новый", answered with the size.
    TFormMain* newWindow(int width, int height)
    {
        using namespace widget_test;
        ModalScript script;
        script.then(steps({setField(QStringLiteral("WidthEdit"), QString::number(width)),
                           setField(QStringLiteral("HeightEdit"), QString::number(height)),
                           pressButton(QStringLiteral("Да"))}));
        frame->New1->trigger();
        QApplication::processEvents();
        return FormMain;
    }
    void drop(const QStringList& paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        QDropEvent event(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        // Straight to the frame: the application delivers drops only while a drag is on.
        static_cast<QObject*>(frame)->event(&event);
    }

    std::unique_ptr<startup::ApplicationForms> forms;
    TFrameForm* frame = nullptr;
};

class FrameInOwnDirectoryTest : public FrameTest {
public:
    void SetUp() override
    {
        previousDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        FrameTest::SetUp();
    }
    void TearDown() override
    {
        FrameTest::TearDown();
        QDir::setCurrent(previousDir);
    }
    void restartFrame()
    {
        stopFrame();
        startFrame();
    }
    QString configPath() const { return dir.filePath(QStringLiteral("config.ini")); }

    QTemporaryDir dir;
    QString previousDir;
};
