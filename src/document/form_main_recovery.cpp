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
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
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

// PICTAVO_JOURNAL_TRACE names a file that gets a line for every picture handed to a journal and
// every picture restored, with a digest of it and the window's identity: the kill test compares
// what came back with what each window held a second before the kill. Nothing else reads it.
void trace(const QString& what, const QString& journal, const TDibGraphic& picture, const void* window)
{
    static const QString path = qEnvironmentVariable("PICTAVO_JOURNAL_TRACE");
    if (path.isEmpty() || picture.GetEmpty())
        return;
    const gdi::DibSurface& surface = *picture.DibSection();
    QCryptographicHash digest(QCryptographicHash::Sha1);
    const int shape[] = {surface.width(), surface.height(), picture.ImageFormat()};
    digest.addData(QByteArrayView(reinterpret_cast<const char*>(shape), sizeof shape));
    digest.addData(QByteArrayView(reinterpret_cast<const char*>(surface.colorTable().data()),
                                  static_cast<qsizetype>(surface.colorTable().size() * sizeof(gdi::RgbQuad))));
    digest.addData(QByteArrayView(reinterpret_cast<const char*>(std::as_const(surface).bits()),
                                  static_cast<qsizetype>(surface.imageBytes())));
    QFile file(path);
    if (!file.open(QIODevice::Append))
        return;
    file.write(QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(what)
                   .arg(QDateTime::currentMSecsSinceEpoch())
                   .arg(journal, QString::fromLatin1(digest.result().toHex()))
                   .arg(reinterpret_cast<quintptr>(window), 0, 16)
                   .toUtf8());
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
    if (SelectionFrameShown) {
        selection_->WithoutFrame([&] {
            journal_->recordChange(*picture, info);
            trace(QStringLiteral("change"), journal_->path(), *picture, this);
        });
    } else {
        journal_->recordChange(*picture, info);
        trace(QStringLiteral("change"), journal_->path(), *picture, this);
    }
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
    trace(QStringLiteral("restored"), recovered.path, *form->GetGraphic(), form);
    return form;
}
