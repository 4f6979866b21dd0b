#pragma once
// What figure painting and the picture mouse protocol need of a picture window beyond what
// every picture command needs. The window implements it; tests implement it over a bare picture.

#include "drawing/drawing_tool.h"
#include "imaging/picture_host.h"
#include "platform/framework/graphics_types.h"

#include <QString>

#include <optional>

class FigureHost : public PictureHost {
public:
    virtual DrawingTool CurrentTool() const = 0;

    // The text field's current text, nothing when the window has no text field.
    virtual std::optional<QString> TextEntry() const { return std::nullopt; }
    // The text was stamped for good: the field goes, the line tool comes back.
    virtual void EndTextEntry() {}

    // The picked colours go to these indicators.
    virtual void ShowBrushColor(TColor /*color*/) {}
    virtual void ShowPenColor(TColor /*color*/) {}

    // The selection tools and the selection frame belong to the selection code.
    virtual void EraseSelectionFrame() {}
    virtual void PaintSelection(int /*mode*/, TPoint /*start*/, TPoint /*end*/, DrawingTool /*tool*/) {}

    // ---- The view and the window, for the mouse protocol ----
    virtual float ZoomPercent() const { return 100.0f; }
    virtual TPoint ScrollPosition() const { return TPoint{0, 0}; }
    virtual void SetHorzScrollPosition(int /*position*/) {}
    virtual void SetVertScrollPosition(int /*position*/) {}
};
