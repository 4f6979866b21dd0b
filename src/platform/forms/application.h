#pragma once
// The application object: an error escaping any event handler (mouse, keys, timers, menus) stops
// at the event that raised it and goes to the default error display; the loop runs on.

#include <QApplication>

namespace forms {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace forms
