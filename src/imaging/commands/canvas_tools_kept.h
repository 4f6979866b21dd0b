#pragma once
// Keeps the user's pen and brush across a change that may give the picture a new canvas.

#include "imaging/dib_graphic.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"
#include "platform/framework/pen.h"

// The user's pen and brush live on the picture's canvas, which a transform may replace; they
// are put back on whatever canvas the picture has afterwards.
class CanvasToolsKept {
public:
    explicit CanvasToolsKept(TDibGraphic& picture) : picture_(picture)
    {
        if (TCanvas* canvas = picture.Canvas()) {
            pen_.Assign(canvas->Pen());
            brush_.Assign(canvas->Brush());
            kept_ = true;
        }
    }
    ~CanvasToolsKept()
    {
        TCanvas* canvas = picture_.Canvas();
        if (!kept_ || !canvas)
            return;
        canvas->Pen()->Assign(&pen_);
        canvas->Brush()->Assign(&brush_);
    }
    CanvasToolsKept(const CanvasToolsKept&) = delete;
    CanvasToolsKept& operator=(const CanvasToolsKept&) = delete;

private:
    TDibGraphic& picture_;
    TPen pen_;
    TBrush brush_;
    bool kept_ = false;
};
