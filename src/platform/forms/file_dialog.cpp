#include "platform/forms/file_dialog.h"

#include "platform/forms/modal.h"

#include <QFileDialog>

namespace forms {

QStringList nameFilters(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (trimmed == QLatin1String("*.*")) {
                patterns.append(QStringLiteral("*"));
                continue;
            }
            patterns.append(trimmed);
            if (trimmed.toUpper() != trimmed)
                patterns.append(trimmed.toUpper());
        }
        // The patterns go last in parentheses, where the dialog looks for them; it shows only
        // the description.
        result.append(parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')'));
    }
    return result;
}

void configureFileDialog(QFileDialog& dialog, FileDialogKind kind, const FileDialogSettings& settings)
{
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setWindowTitle(settings.title);
    dialog.setAcceptMode(kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    const QStringList filters = nameFilters(settings.filter);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        // An index out of range means the first entry.
        const int index = settings.filterIndex >= 1 && settings.filterIndex <= filters.size() ? settings.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!settings.defaultExt.isEmpty())
        dialog.setDefaultSuffix(settings.defaultExt);
    if (!settings.initialDir.isEmpty())
        dialog.setDirectory(settings.initialDir);
    if (!settings.fileName.isEmpty())
        dialog.selectFile(settings.fileName);
}

int selectedFilterIndex(const QFileDialog& dialog)
{
    // With the details hidden the dialog reports only the description of the entry.
    const QString selected = dialog.selectedNameFilter();
    const QStringList filters = dialog.nameFilters();
    for (qsizetype i = 0; i < filters.size(); ++i) {
        const QString& filter = filters[i];
        if (filter == selected || filter.left(filter.lastIndexOf(QStringLiteral(" ("))) == selected)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

bool executeFileDialog(QWidget* parent, FileDialogKind kind, FileDialogSettings& settings)
{
    QFileDialog dialog(parent);
    configureFileDialog(dialog, kind, settings);
    if (Modal::exec(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    settings.fileName = dialog.selectedFiles().constFirst();
    if (const int index = selectedFilterIndex(dialog))
        settings.filterIndex = index;
    return true;
}

} // namespace forms
