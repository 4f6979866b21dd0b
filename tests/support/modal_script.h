#pragma once
// Answers the dialogs a test's code shows through the modal seam, one scripted answer per dialog,
// and records each dialog that was shown.

#include "platform/forms/modal.h"

#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

class QAbstractButton;

namespace widget_test {

using Answer = std::function<void(QDialog&)>;

// What a test can check of a dialog after it has gone.
struct ShownDialog {
    QString title;
    QString text;           // a message box's text
    QStringList buttons;    // the captions of its buttons, without access-key marks
    QString className;
    int result = 0;
};

// Installed for its own lifetime. A dialog beyond the script is recorded and rejected.
class ModalScript {
public:
    ModalScript();
    ~ModalScript();
    ModalScript(const ModalScript&) = delete;
    ModalScript& operator=(const ModalScript&) = delete;

    ModalScript& then(Answer answer);

    const QList<ShownDialog>& shown() const { return shown_; }
    int count() const { return static_cast<int>(shown_.size()); }
    int unanswered() const { return static_cast<int>(answers_.size()); }

private:
    void answer(QDialog& dialog);

    QList<Answer> answers_;
    QList<ShownDialog> shown_;
    forms::Modal::ScopedHandler handler_;
};

// A caption as shown, without its access-key mark.
QString plainCaption(const QString& caption);

// The dialog's button whose caption (without the access-key mark) is the given one; null if none.
QAbstractButton* findButton(QWidget& dialog, const QString& caption);

// Presses the button with the caption; fails the test when there is none.
Answer pressButton(const QString& caption);
// Does nothing: the dialog ends as if closed with its close box.
Answer closeDialog();
// Runs steps in order, e.g. filling fields, then pressing a button.
Answer steps(QList<Answer> answers);
// Sets the text of the line edit, spin box or combo box, or the position of the slider, with the
// given object name.
Answer setField(const QString& objectName, const QString& text);
// In a file dialog: picks the filter entry (counted from 1; 0 keeps the current one), enters the
// path and presses the dialog's accept button.
Answer chooseFile(const QString& path, int filterIndex = 0);

} // namespace widget_test
