#pragma once
// Puts the canvas's pen colour and width and its brush colour and style back as they were
// when it was made. The shaded bodies repaint with the pen and brush and must leave them as
// the user chose them.

#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/pen.h"

class CanvasToolsKeeper {
public:
    explicit CanvasToolsKeeper(TCanvas& canvas)
        : canvas_(canvas), penColor_(canvas.Pen()->Color()), penWidth_(canvas.Pen()->Width()),
          brushColor_(canvas.Brush()->Color()), brushStyle_(canvas.Brush()->Style())
    {
    }
    CanvasToolsKeeper(const CanvasToolsKeeper&) = delete;
    CanvasToolsKeeper& operator=(const CanvasToolsKeeper&) = delete;

    ~CanvasToolsKeeper()
    {
        canvas_.Pen()->SetColor(penColor_);
        canvas_.Pen()->SetWidth(penWidth_);
        // A colour set on a clear brush makes it solid, so the style goes back last.
        canvas_.Brush()->SetColor(brushColor_);
        canvas_.Brush()->SetStyle(brushStyle_);
    }

    int penWidth() const { return penWidth_; }

private:
    TCanvas& canvas_;
    TColor penColor_;
    int penWidth_;
    TColor brushColor_;
    TBrushStyle brushStyle_;
};
