#pragma once
// The colour and font dialogs of a picture window, run through the modal seam. Each window keeps
// its own dialog values: the colour dialog's sixteen custom colours stay with the window.

#include "platform/framework/font.h"
#include "platform/framework/graphics_types.h"

#include <array>

class QWidget;

class TColorDialog {
public:
    // The custom colours a new dialog starts with, as canvas colours (blue byte first).
    static const std::array<TColor, 16> InitialCustomColors;

    TColor Color = clBlack;
    std::array<TColor, 16> CustomColors = InitialCustomColors;

    // Shows the dialog on Color; true when confirmed, with Color and CustomColors updated.
    bool Execute(QWidget* parent);
};

class TFontDialog {
public:
    TFontDialog();

    TFont Font;

    // Shows the dialog on Font; true when confirmed, with Font updated.
    bool Execute(QWidget* parent);
};

// A canvas colour as Qt shows it (system colours resolved).
class QColor;
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);
