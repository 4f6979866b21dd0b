// The picture window's side of crash recovery: every completed change goes to its journal, a
// save starts the journal again, and a recovered picture comes back in a window of its own.

#include "document/form_main.h"

#include "document/recovery_journal.h"
#include "document/recovery_store.h"
#include "editing/image_scroll_box.h"
#include "editing/selection.h"
#include "imaging/dib_graphic.h"
#include "platform/forms/modal.h"
#include "platform/framework/graphic.h"
#include "platform/framework/picture.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>

namespace {

// The user hears once per run that unsaved work is not protected; the journals keep trying.
void installFailureNotice()
{
    static const bool installed = [] {
        recovery::RecoveryJournal::setFailureHandler([](const QString& reason) {
            // Not inside the stroke or command that found it: after the event is over.
            QTimer::singleShot(0, qApp, [reason] {
                forms::Modal::messageBox(
                    nullptr, QMessageBox::Warning, QStringLiteral("Пиктаво"),
                    QStringLiteral("Несохранённая работа не защищена от сбоя: журнал восстановления не "
                                   "записывается (%1). Пиктаво попробует снова позже.")
                        .arg(reason),
                    QMessageBox::Ok);
            });
        });
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace

void TFormMain::JournalChange()
{
    if (journalPending_)
        return;
    journalPending_ = true;
    QTimer::singleShot(0, this, [this] { recordJournal(); });
}

void TFormMain::JournalPendingChange()
{
    if (journalPending_)
        recordJournal();
}

void TFormMain::recordJournal()
{
    // A drag still drawing its preview, or a command whose helper threads may still be writing
    // rows, has not completed: it is recorded once it has.
    if (Drawing || ImageScrollBox1->PictureHeld()) {
        QTimer::singleShot(20, this, [this] { recordJournal(); });
        return;
    }
    journalPending_ = false;
    TDibGraphic* picture = GetGraphic();
    if (!picture)
        return;
    installFailureNotice();
    const recovery::JournalInfo info{FileName, windowTitle(), OpenedFormat ? OpenedFormat->ClassName() : QString(),
                                     OpenedAsJpeg};
    // The journal holds the picture without the selection frame, as the undo slots do.
    if (SelectionFrameShown)
        selection_->WithoutFrame([&] { journal_->recordChange(*picture, info); });
    else
        journal_->recordChange(*picture, info);
}

void TFormMain::JournalSaved()
{
    journal_->rebase();
}

TFormMain* TFormMain::RestoreRecovered(QMdiArea* frameArea, const recovery::RecoveredPicture& recovered)
{
    TFormMain* previous = FormMain;
    TFormMain* form = Create(frameArea);
    try {
        form->setWorkImageSize(recovered.width, recovered.height);
        recovered.makePicture(*form->GetGraphic());
    } catch (...) {
        // A picture that cannot be made leaves no empty window behind; its journal stays.
        form->Discard();
        FormMain = previous;
        throw;
    }
    const recovery::JournalInfo& info = recovered.info;
    form->FileName = info.fileName;
    form->OpenedAsJpeg = info.jpeg;
    // Save writes the class the file was read with again, when that class is still known.
    if (!info.formatClass.isEmpty() && !info.fileName.isEmpty()) {
        if (TGraphicClass cls = TPicture::FindFileFormat(QFileInfo(info.fileName).suffix().toLower())) {
            std::unique_ptr<TGraphic> format = cls();
            if (format && format->ClassName() == info.formatClass)
                form->OpenedFormat = std::move(format);
        }
    }
    form->setWindowTitle(info.caption.isEmpty() ? QStringLiteral("Без имени") : info.caption);
    form->Host().UpdateWorkImage();
    form->ImageScrollBox1->Redraw(true);
    // Nothing of it is in a file: closing the window asks first.
    form->Modified = true;
    form->ShowPictureSize();
    // Journalled at once, so that the old journal can go as soon as this one is on the disk.
    form->journalPending_ = false;
    form->recordJournal();
    form->journal_->retireAfterSync(recovered.path);
    return form;
}
