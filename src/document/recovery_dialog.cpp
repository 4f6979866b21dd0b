#include "document/recovery_dialog.h"

#include "document/form_main.h"
#include "platform/forms/error_display.h"
#include "platform/forms/modal.h"
#include "platform/forms/named_widget.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TRecoveryForm::TRecoveryForm(const std::vector<recovery::RecoveredPicture>& pictures, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("RecoveryForm"));
    setWindowTitle(QStringLiteral("Восстановление рисунков"));
    auto* layout = new QVBoxLayout(this);
    const QString caption = QStringLiteral("Пиктаво был закрыт, не сохранив эти рисунки. Их можно восстановить "
                                           "такими, какими они были при последнем изменении.");
    Caption = forms::named(new QLabel(caption, this), QStringLiteral("Caption"), caption);
    Caption->setWordWrap(true);
    layout->addWidget(Caption);

    PictureList = forms::named(new QListWidget(this), QStringLiteral("PictureList"),
                               QStringLiteral("Рисунки для восстановления"));
    for (const recovery::RecoveredPicture& picture : pictures)
        PictureList->addItem(DescribePicture(picture));
    PictureList->setMinimumWidth(520);
    layout->addWidget(PictureList);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    RestoreBtn = forms::named(new QPushButton(QStringLiteral("Восстановить"), this), QStringLiteral("RestoreBtn"),
                              QStringLiteral("Восстановить"));
    DeleteBtn = forms::named(new QPushButton(QStringLiteral("Удалить"), this), QStringLiteral("DeleteBtn"),
                             QStringLiteral("Удалить"));
    LaterBtn = forms::named(new QPushButton(QStringLiteral("Позже"), this), QStringLiteral("LaterBtn"),
                            QStringLiteral("Позже"));
    RestoreBtn->setDefault(true);
    RestoreBtn->setAccessibleDescription(QStringLiteral("Открыть все рисунки в окнах"));
    DeleteBtn->setAccessibleDescription(QStringLiteral("Удалить журналы этих рисунков"));
    LaterBtn->setAccessibleDescription(QStringLiteral("Решить при следующем запуске"));
    for (QPushButton* button : {RestoreBtn, DeleteBtn, LaterBtn})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    connect(RestoreBtn, &QPushButton::clicked, this, [this] { done(Restore); });
    connect(DeleteBtn, &QPushButton::clicked, this, [this] { done(Delete); });
    connect(LaterBtn, &QPushButton::clicked, this, [this] { done(Later); });
}

QString TRecoveryForm::DescribePicture(const recovery::RecoveredPicture& picture)
{
    const QString& name = picture.info.fileName.isEmpty() ? picture.info.caption : picture.info.fileName;
    QString line = QStringLiteral("%1 — %2 Х %3, изменён %4")
                       .arg(name.isEmpty() || name == QStringLiteral("Без имени") ? QStringLiteral("Без имени")
                                                                                   : QFileInfo(name).fileName())
                       .arg(picture.width)
                       .arg(picture.height)
                       .arg(QDateTime::fromMSecsSinceEpoch(picture.lastChange).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")));
    if (picture.damaged)
        line += QStringLiteral(" (журнал повреждён: восстановится до последнего целого изменения)");
    return line;
}

namespace recovery {

int OfferRecovery(QMdiArea* frameArea)
{
    const QStringList paths = OrphanJournals();
    if (paths.isEmpty())
        return 0;
    std::vector<RecoveredPicture> readable;
    std::vector<RecoveredPicture> unreadable;
    for (const QString& path : paths) {
        RecoveredPicture picture = ReadJournal(path);
        (picture.readable ? readable : unreadable).push_back(std::move(picture));
    }

    int restored = 0;
    if (!readable.empty()) {
        TRecoveryForm form(readable);
        const int answer = forms::Modal::exec(form);
        if (answer == TRecoveryForm::Delete) {
            for (const RecoveredPicture& picture : readable)
                DeleteJournal(picture.path);
        } else if (answer == TRecoveryForm::Restore) {
            for (const RecoveredPicture& picture : readable) {
                // One picture that cannot be made (memory) keeps its journal and lets the others come.
                try {
                    TFormMain::RestoreRecovered(frameArea, picture);
                    ++restored;
                } catch (...) {
                    forms::ErrorDisplay::showCurrent();
                }
            }
        } else {
            // Later, or closed: everything stays for the next start.
            return 0;
        }
    }
    for (const RecoveredPicture& picture : unreadable) {
        const QMessageBox::StandardButton answer = forms::Modal::messageBox(
            nullptr, QMessageBox::Warning, QStringLiteral("Пиктаво"),
            QStringLiteral("Журнал восстановления «%1» не удаётся прочитать: %2. Удалить его?")
                .arg(QDir::toNativeSeparators(picture.path), picture.problem),
            QMessageBox::Yes | QMessageBox::No);
        if (answer == QMessageBox::Yes)
            DeleteJournal(picture.path);
    }
    return restored;
}

} // namespace recovery
