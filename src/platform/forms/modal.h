#pragma once
// The one way modal dialogs and message boxes are shown. Tests replace the nested event loop with
// a handler that fills the real dialog's fields and presses one of its buttons, so a test can
// drive a dialog without blocking.

#include <QMessageBox>
#include <QString>

#include <functional>

class QDialog;
class QWidget;

namespace forms {

class Modal {
public:
    // Receives the dialog, already shown (not modally); ends it by pressing a button or calling
    // done(). A dialog the handler leaves open is rejected.
    using Handler = std::function<void(QDialog&)>;

    // Shows the dialog modally and returns its result code (QDialog::Accepted, Rejected or the
    // value passed to done()). File dialogs are always Qt's own so that tests can work them.
    static int exec(QDialog& dialog);

    // A plain message box; returns the button that ended it, NoButton when it was closed some
    // other way.
    static QMessageBox::StandardButton messageBox(QWidget* parent, QMessageBox::Icon icon,
                                                  const QString& title, const QString& text,
                                                  QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                                                  QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);

    // Installs a handler in place of the nested loop and returns the previous one (empty: none).
    static Handler setHandler(Handler handler);
    static bool hasHandler();

    // Installs a handler for the lifetime of the guard and puts the previous one back after.
    class ScopedHandler {
    public:
        explicit ScopedHandler(Handler handler) : previous_(setHandler(std::move(handler))) {}
        ~ScopedHandler() { setHandler(std::move(previous_)); }
        ScopedHandler(const ScopedHandler&) = delete;
        ScopedHandler& operator=(const ScopedHandler&) = delete;

    private:
        Handler previous_;
    };
};

} // namespace forms
