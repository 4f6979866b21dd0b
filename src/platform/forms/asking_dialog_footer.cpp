#include "platform/forms/asking_dialog_footer.h"

#include "platform/forms/named_widget.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace forms {

AskingDialogFooter addAskingDialogFooter(QDialog& dialog, QVBoxLayout& layout, const QString& note)
{
    AskingDialogFooter footer;
    footer.NoteLabel = named(new QLabel(note, &dialog), QStringLiteral("NoteLabel"), note);
    footer.NoteLabel->setWordWrap(true);
    layout.addWidget(footer.NoteLabel);
    footer.ErrorLabel = named(new QLabel(&dialog), QStringLiteral("ErrorLabel"), QStringLiteral("Ошибка"));
    footer.ErrorLabel->setStyleSheet(QStringLiteral("color: #a00000"));
    footer.ErrorLabel->setWordWrap(true);
    layout.addWidget(footer.ErrorLabel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    footer.OKBtn = named(new QPushButton(QStringLiteral("&Да"), &dialog), QStringLiteral("OKBtn"), QStringLiteral("Да"));
    footer.OKBtn->setDefault(true);
    footer.CancelBtn =
        named(new QPushButton(QStringLiteral("&Отмена"), &dialog), QStringLiteral("CancelBtn"), QStringLiteral("Отмена"));
    QObject::connect(footer.OKBtn, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(footer.CancelBtn, &QPushButton::clicked, &dialog, &QDialog::reject);
    buttons->addWidget(footer.OKBtn);
    buttons->addWidget(footer.CancelBtn);
    layout.addLayout(buttons);
    return footer;
}

} // namespace forms
