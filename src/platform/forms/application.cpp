#include "platform/forms/application.h"

#include "platform/forms/error_display.h"

namespace forms {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorDisplay::showCurrent();
        return false;
    }
}

} // namespace forms
