#include "platform/forms/modal.h"

#include <QDialog>
#include <QFileDialog>
#include <QPointer>

namespace forms {

namespace {
Modal::Handler& installedHandler()
{
    static Modal::Handler handler;
    return handler;
}
} // namespace

int Modal::exec(QDialog& dialog)
{
    if (auto* fileDialog = qobject_cast<QFileDialog*>(&dialog))
        fileDialog->setOption(QFileDialog::DontUseNativeDialog, true);

    // Copied: the handler may install another one while it runs (a dialog opening a dialog).
    Handler handler = installedHandler();
    if (!handler)
        return dialog.exec();

    // Shown, so that whatever the dialog sets up when it appears is in place for the handler.
    QPointer<QDialog> guard(&dialog);
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    handler(dialog);
    if (guard && dialog.isVisible())
        dialog.reject();
    return guard ? dialog.result() : QDialog::Rejected;
}

QMessageBox::StandardButton Modal::messageBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                                              const QString& text, QMessageBox::StandardButtons buttons,
                                              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, title, text, buttons, parent);
    if (defaultButton != QMessageBox::NoButton)
        box.setDefaultButton(defaultButton);
    exec(box);
    return box.clickedButton() ? box.standardButton(box.clickedButton()) : QMessageBox::NoButton;
}

Modal::Handler Modal::setHandler(Handler handler)
{
    Handler previous = std::move(installedHandler());
    installedHandler() = std::move(handler);
    return previous;
}

bool Modal::hasHandler()
{
    return static_cast<bool>(installedHandler());
}

} // namespace forms
