#pragma once
// The font dialog of a picture window, run through the modal seam.

#include "platform/framework/font.h"

class QWidget;

class TFontDialog {
public:
    TFontDialog();

    TFont Font;

    // Shows the dialog on Font; true when confirmed, with Font updated.
    bool Execute(QWidget* parent);
};
