#include "modal_script.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

namespace widget_test {

ModalScript::ModalScript() : handler_([this](QDialog& dialog) { answer(dialog); }) {}

ModalScript::~ModalScript() = default;

ModalScript& ModalScript::then(Answer answer)
{
    answers_.append(std::move(answer));
    return *this;
}

void ModalScript::answer(QDialog& dialog)
{
    ShownDialog seen;
    seen.title = dialog.windowTitle();
    seen.className = QString::fromLatin1(dialog.metaObject()->className());
    if (auto* box = qobject_cast<QMessageBox*>(&dialog))
        seen.text = box->text();
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty())
            seen.buttons.append(plainCaption(button->text()));
    }
    const qsizetype index = shown_.size();
    shown_.append(seen);

    if (!answers_.isEmpty())
        answers_.takeFirst()(dialog);
    // The dialog may be gone or still open here; the seam rejects one left open.
    shown_[index].result = dialog.isVisible() ? QDialog::Rejected : dialog.result();
}

QString plainCaption(const QString& caption)
{
    QString plain;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;
        plain.append(caption[i]);
    }
    return plain;
}

QAbstractButton* findButton(QWidget& dialog, const QString& caption)
{
    for (QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
        if (plainCaption(button->text()) == caption)
            return button;
    }
    return nullptr;
}

Answer pressButton(const QString& caption)
{
    return [caption](QDialog& dialog) {
        QAbstractButton* button = findButton(dialog, caption);
        if (!button) {
            ADD_FAILURE() << "no button \"" << caption.toStdString() << "\" in dialog \""
                          << dialog.windowTitle().toStdString() << "\"";
            return;
        }
        button->click();
    };
}

Answer closeDialog()
{
    return [](QDialog&) {};
}

Answer steps(QList<Answer> answers)
{
    return [answers = std::move(answers)](QDialog& dialog) {
        for (const Answer& answer : answers)
            answer(dialog);
    };
}

Answer setField(const QString& objectName, const QString& text)
{
    return [objectName, text](QDialog& dialog) {
        QWidget* field = dialog.findChild<QWidget*>(objectName);
        if (auto* edit = qobject_cast<QLineEdit*>(field)) {
            edit->setText(text);
        } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(field)) {
            if (QLineEdit* spinEdit = spin->findChild<QLineEdit*>())
                spinEdit->setText(text);
            spin->interpretText();
        } else if (auto* combo = qobject_cast<QComboBox*>(field)) {
            combo->setCurrentText(text);
        } else if (auto* slider = qobject_cast<QAbstractSlider*>(field)) {
            slider->setValue(text.toInt());
        } else {
            ADD_FAILURE() << "no editable field \"" << objectName.toStdString() << "\"";
        }
    };
}

Answer chooseFile(const QString& path, int filterIndex)
{
    return [path, filterIndex](QDialog& dialog) {
        auto* fileDialog = qobject_cast<QFileDialog*>(&dialog);
        if (!fileDialog) {
            ADD_FAILURE() << "not a file dialog: \"" << dialog.windowTitle().toStdString() << "\"";
            return;
        }
        if (filterIndex > 0) {
            const QStringList filters = fileDialog->nameFilters();
            if (filterIndex > filters.size()) {
                ADD_FAILURE() << "no filter entry " << filterIndex;
                return;
            }
            fileDialog->selectNameFilter(filters[filterIndex - 1]);
        }
        fileDialog->selectFile(path);
        // Through the base class: the file dialog keeps its own accept() protected.
        static_cast<QDialog*>(fileDialog)->accept();
    };
}

} // namespace widget_test
