// The yardstick for the editor's start-up: a Qt program that shows an empty main window and, with
// PICTAVO_QUIT_WHEN_SHOWN set, quits when it is first painted, exactly as the editor does.

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QTimer>

namespace {
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
} // namespace

int main(int argc, char** argv)
{
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication application(qtArgc, qtArgv);
    QMainWindow window;
    window.resize(858, 554);
    QuitWhenPainted quitWhenPainted;
    if (qEnvironmentVariableIsSet("PICTAVO_QUIT_WHEN_SHOWN"))
        window.installEventFilter(&quitWhenPainted);
    window.show();
    return application.exec();
}
