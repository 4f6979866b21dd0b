#pragma once
// The lower part of the dialogs that ask for a value: a note on what the command will do, a line
// for the reason a value is refused (the dialog stays open), and the "Да" and "Отмена" buttons.

#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QVBoxLayout;

namespace forms {

struct AskingDialogFooter {
    QLabel* NoteLabel = nullptr;
    QLabel* ErrorLabel = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;
};

// Adds the footer to the dialog's layout; "Да" accepts (through the dialog's accept, which may
// refuse), "Отмена" rejects.
AskingDialogFooter addAskingDialogFooter(QDialog& dialog, QVBoxLayout& layout, const QString& note);

} // namespace forms
