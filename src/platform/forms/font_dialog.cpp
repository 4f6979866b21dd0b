#include "platform/forms/font_dialog.h"

#include "platform/forms/modal.h"

#include <QFontDialog>

TFontDialog::TFontDialog()
{
    Font.SetHeight(-13);
}

bool TFontDialog::Execute(QWidget* parent)
{
    QFontDialog dialog(Font.ToQFont(), parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (forms::Modal::exec(dialog) != QDialog::Accepted)
        return false;
    const TColor color = Font.Color();
    Font.AssignQFont(dialog.selectedFont());
    // The dialog has no colour of its own to offer; the font keeps its colour.
    Font.SetColor(color);
    return true;
}
