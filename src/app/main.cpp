// Start-up: the application object, its title, the forms in their order, then the message loop.
// The command line is not read.

#include "app/about_box.h"
#include "app/frame_form.h"
#include "app/startup.h"
#include "platform/forms/application.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

namespace {

// PICTAVO_QUIT_WHEN_SHOWN ends the program as soon as the frame has first been painted: the
// start-up benchmark times exactly that.
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

// PICTAVO_DEMO plays a short scene for scripted screenshots; nothing else reads it.
void playDemo(const QByteArray& scene)
{
    if (scene == "about")
        QTimer::singleShot(1500, FrameForm, [] { FrameForm->About->trigger(); });
    else if (scene == "menu")
        QTimer::singleShot(1500, FrameForm, [] { FrameForm->menuBar()->setActiveAction(FrameForm->File1->menuAction()); });
}

} // namespace

int main(int argc, char** argv)
{
    // Qt acts on options of its own (a style sheet file, a session to restore): it is given only
    // the program's name, so nothing on the command line is ever opened.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    forms::Application application(qtArgc, qtArgv);
    startup::initialiseApplication();

    startup::ApplicationForms forms;
    application.setQuitOnLastWindowClosed(false);
    QObject::connect(FrameForm, &TFrameForm::closed, &application, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    QuitWhenPainted quitWhenPainted;
    if (qEnvironmentVariableIsSet("PICTAVO_QUIT_WHEN_SHOWN"))
        FrameForm->installEventFilter(&quitWhenPainted);
    playDemo(qgetenv("PICTAVO_DEMO"));

    forms.showFrame();
    return application.exec();
}
