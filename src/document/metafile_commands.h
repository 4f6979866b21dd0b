#pragma once
// Import of a metafile into a new picture window, and export of a window's picture as an
// enhanced metafile holding it as one bitmap.

class QMdiArea;
class QWidget;
class TFormMain;
namespace forms {
struct FileDialogSettings;
}

// Shows the import dialog and reads the chosen metafile into a new picture window, made in
// frameArea; null when the user cancels.
TFormMain* ImportMetafile(QWidget* dialogParent, QMdiArea* frameArea, forms::FileDialogSettings& dialog);

// Records the window's work image as a metafile and, when the user confirms the dialog,
// writes it under the chosen name.
void ExportMetafile(TFormMain& window, forms::FileDialogSettings& dialog);
