#pragma once
// Open and save dialogs described the way the forms describe them: a title, a filter string of
// "description|patterns" pairs, a filter index counted from 1 and a default extension. They are
// Qt's own dialogs, shown through the modal seam.

#include <QString>
#include <QStringList>

class QFileDialog;
class QWidget;

namespace forms {

struct FileDialogSettings {
    QString title;
    QString filter;
    int filterIndex = 1;
    QString defaultExt;
    QString initialDir;
    // In: the name proposed. Out, after OK: the full path chosen.
    QString fileName;
};

enum class FileDialogKind { Open, Save };

// One name filter per pair. "*.*" is every file, as the dialogs have always meant it, and every
// pattern also matches its upper-case spelling, since the file system here tells case apart.
QStringList nameFilters(const QString& filter);

// Sets the dialog up from the settings (filters, index, default extension, folder, name).
void configureFileDialog(QFileDialog& dialog, FileDialogKind kind, const FileDialogSettings& settings);

// The entry chosen in the dialog, counted from 1; 0 when it has no filters.
int selectedFilterIndex(const QFileDialog& dialog);

// Shows the dialog; on OK stores the chosen path and filter index in the settings and returns true.
bool executeFileDialog(QWidget* parent, FileDialogKind kind, FileDialogSettings& settings);

} // namespace forms
