#pragma once
// A picture window's current tool and what its tool, style and colour controls do to the pen
// and brush of the picture's canvas, and the text tool's entry field and font.

#include "drawing/drawing_tool.h"
#include "platform/framework/font.h"
#include "platform/framework/graphics_types.h"

#include <QPointer>

#include <functional>
#include <memory>

class QLineEdit;
class QWidget;
class TCanvas;
class TCColorGrid;
class TColorDialog;
class TFontDialog;
class TDibGraphic;

// The text tool's font, shared by every window for the whole run.
extern TFont TextFont;
// A picture some shaded figures paint through; any window's closing releases it.
extern std::unique_ptr<TDibGraphic> ScratchPicture;

// Shows a colour as the background of an indicator (a label or an edit box).
void ShowIndicatorColor(QWidget* indicator, TColor color);

class ToolState {
public:
    // The canvas the pen and brush belong to. The picture makes a new one whenever it is
    // re-created, so it is asked for each time; null while the picture is empty.
    using CanvasSource = std::function<TCanvas*()>;

    explicit ToolState(CanvasSource canvas) : canvas_(std::move(canvas)) {}

    DrawingTool CurrentTool = dtLine;
    // The window's current text entry field, if any.
    QPointer<QLineEdit> TextEdit;

    void ChooseTool(DrawingTool tool) { CurrentTool = tool; }

    void SetPenStyle(TPenStyle style);
    void SetBrushStyle(TBrushStyle style);

    // Run the dialog on the pen's (brush's) colour; confirmed, the colour goes to the pen
    // (brush) and the indicator shows what the pen (brush) now holds. Cancelled: nothing.
    void PenColorClick(TColorDialog& dialog, QWidget* indicator, QWidget* parent);
    void BrushColorClick(TColorDialog& dialog, QWidget* indicator, QWidget* parent);

    // The up-down control's position, taken as a signed 16-bit value.
    void PenSizeChange(int position);

    // Both grid choices are applied on every change.
    void CColorGrid1Change(const TCColorGrid& grid, QWidget* penIndicator, QWidget* brushIndicator);

    // A new entry field at the middle of the window, with TextFont and the focus; the text
    // tool becomes current. An earlier field stays where it is.
    QLineEdit* TextClick(QWidget* window, int clientWidth, int clientHeight);

    // Confirmed, TextFont becomes the chosen font.
    static void Font1Click(TFontDialog& dialog, QWidget* parent);

private:
    CanvasSource canvas_;
};
