// Start-up: the application object, its title, the forms in their order, the files named on the
// command line (each opened as a dropped file is), then the message loop.

#include "app/about_box.h"
#include "app/frame_form.h"
#include "app/startup.h"
#include "document/form_main.h"
#include "document/picture_read_ahead.h"
#include "editing/image_scroll_box.h"
#include "imaging/formats/picture_formats.h"
#include "platform/forms/error_display.h"
#include "platform/forms/jpg_par.h"
#include "platform/forms/modal.h"
#include "platform/forms/application.h"

#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include <optional>

namespace {

// PICTAVO_QUIT_WHEN_SHOWN ends the program as soon as the frame has first been painted, or, when
// files were named, the last one's picture: the start-up benchmark times exactly that.
class QuitWhenPainted : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return false;
    }
};

// Scenes in the window of a file named in PICTAVO_FILES: one of its menus opened, or an item chosen.
void openWindowMenu(QMenu* TFormMain::*menu)
{
    if (FormMain)
        FrameForm->menuBar()->setActiveAction((FormMain->*menu)->menuAction());
}

void chooseWindowItem(QAction* TFormMain::*item)
{
    if (FormMain)
        (FormMain->*item)->trigger();
}

// PICTAVO_DEMO plays a short scene for scripted screenshots; nothing else reads it.
void playDemo(const QByteArray& scene)
{
    if (scene == "about")
        QTimer::singleShot(1500, FrameForm, [] { FrameForm->About->trigger(); });
    else if (scene == "menu")
        QTimer::singleShot(1500, FrameForm, [] { FrameForm->menuBar()->setActiveAction(FrameForm->File1->menuAction()); });
    else if (scene == "open")
        QTimer::singleShot(1500, FrameForm, [] { FrameForm->Open1->trigger(); });
    else if (scene == "jpeg-quality")
        QTimer::singleShot(1500, FrameForm, [] { forms::Modal::exec(*JPGPar); });
    else if (scene == "picture-menu")
        QTimer::singleShot(1500, FrameForm, [] { openWindowMenu(&TFormMain::File1); });
    else if (scene == "image-menu")
        QTimer::singleShot(1500, FrameForm, [] { openWindowMenu(&TFormMain::Image1); });
    else if (scene == "print-preview")
        QTimer::singleShot(1500, FrameForm, [] { chooseWindowItem(&TFormMain::PrintPreview1); });
    else if (scene == "picture-size")
        QTimer::singleShot(1500, FrameForm, [] { chooseWindowItem(&TFormMain::PictureSize); });
}

} // namespace

int main(int argc, char** argv)
{
    // Qt acts on options of its own (a style sheet file, a session to restore): it is given only
    // the program's name. Every other argument is a picture file to open, except options, which
    // are not ours (a file manager passes full paths).
    QStringList fileNames;
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (!argument.startsWith(u'-'))
            fileNames.append(argument);
    }
    // The first picture is read while the application and its windows are built.
    std::optional<PictureReadAhead> readAhead;
    if (!fileNames.isEmpty()) {
        RegisterPictureFormats();
        readAhead.emplace(QDir::current().absoluteFilePath(fileNames.first()));
    }
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    forms::Application application(qtArgc, qtArgv);
    startup::initialiseApplication();

    startup::ApplicationForms forms;
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(FrameForm, &TFrameForm::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    forms.showFrame();
    forms::command([&] { FrameForm->OpenFilesByName(fileNames, readAhead ? &*readAhead : nullptr); })();
    // Once the frame is up, the pictures a killed or crashed run left unsaved are offered.
    QTimer::singleShot(0, FrameForm, [&forms] { forms::command([&forms] { forms.offerRecovery(); })(); });

    QuitWhenPainted quitWhenPainted;
    if (qEnvironmentVariableIsSet("PICTAVO_QUIT_WHEN_SHOWN")) {
        if (!fileNames.isEmpty() && FormMain) {
            // The picture is drawn by the view's image control, the viewport's child.
            for (QWidget* child : FormMain->ImageScrollBox1->viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                child->installEventFilter(&quitWhenPainted);
        } else {
            FrameForm->installEventFilter(&quitWhenPainted);
        }
    }
    playDemo(qgetenv("PICTAVO_DEMO"));
    return application.exec();
}
