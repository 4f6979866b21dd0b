#include "platform/forms/color_dialog.h"

#include "platform/forms/modal.h"
#include "platform/framework/qcolor_conversion.h"

#include <QColorDialog>

const std::array<TColor, 16> TColorDialog::InitialCustomColors = {
    0xFF8484, 0xDBDCA7, 0xB7EC97, 0xDECDA5, 0xA0E2B6, 0x8CEFF7, 0xE8B09B, 0xE699EA,
    0x97ECD9, 0xEA99D8, 0xD8ABC7, 0xD9F58D, 0xB4A2E1, 0xB5DBA8, 0xFD9B86, 0xC0B7CC,
};

bool TColorDialog::Execute(QWidget* parent)
{
    // Qt keeps one set of custom colours for the whole program: this window's set is put in
    // before the dialog runs and read back when it is confirmed.
    for (int i = 0; i < static_cast<int>(CustomColors.size()); ++i)
        QColorDialog::setCustomColor(i, ColorToQColor(CustomColors[static_cast<size_t>(i)]));
    QColorDialog dialog(ColorToQColor(Color), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    if (forms::Modal::exec(dialog) != QDialog::Accepted)
        return false;
    Color = QColorToColor(dialog.selectedColor().isValid() ? dialog.selectedColor() : dialog.currentColor());
    for (int i = 0; i < static_cast<int>(CustomColors.size()); ++i)
        CustomColors[static_cast<size_t>(i)] = QColorToColor(QColorDialog::customColor(i));
    return true;
}
