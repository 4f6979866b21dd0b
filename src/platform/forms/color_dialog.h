#pragma once
// The colour dialog of a picture window, run through the modal seam. Each window keeps its own
// dialog values: the sixteen custom colours stay with the window.

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
