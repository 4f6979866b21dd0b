// The frame's part in the undo history of all windows: its memory budget from config.ini, the
// spill files earlier runs left behind, and the one notice when the history outgrows it.

#include "app/frame_form.h"

#include "editing/history_band.h"
#include "platform/forms/modal.h"
#include "platform/framework/profile.h"

#include <QApplication>
#include <QPointer>

namespace {

const QString HistorySection = QStringLiteral("History");
// Megabytes the undo history of all windows may hold in memory before older steps go to disk.
const QString MemoryKey = QStringLiteral("MemoryMB");

} // namespace

void TFrameForm::setUpUndoHistory()
{
    history::HistoryMemory& memory = history::HistoryMemory::instance();
    bool valid = false;
    const qulonglong megabytes =
        TIniFile(ConfigPath()).ReadString(HistorySection, MemoryKey, QString()).toULongLong(&valid);
    if (valid && megabytes > 0 && megabytes < (qulonglong{1} << 40))
        memory.setBudget(static_cast<size_t>(megabytes) << 20);
    history::HistoryMemory::removeStaleSpillFiles(memory.spillFolder());
    // Told from the background thread; shown on this one, once.
    QPointer<TFrameForm> frame(this);
    memory.setShortOfMemoryNotice([frame] {
        QMetaObject::invokeMethod(
            qApp,
            [frame] {
                forms::Modal::messageBox(frame, QMessageBox::Warning, QStringLiteral("Пиктаво"),
                                         QStringLiteral("Истории правок не хватает памяти: в папку кэша нельзя "
                                                        "записать её старые шаги. Они остаются в памяти, "
                                                        "все шаги по-прежнему можно отменить."));
            },
            Qt::QueuedConnection);
    });
}
