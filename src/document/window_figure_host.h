#pragma once
// What figures, the mouse protocol, the selection, the size sliders and every picture command
// see of a picture window.

#include "document/status_progress.h"
#include "drawing/figure_host.h"
#include "editing/canvas_size.h"
#include "editing/selection.h"

class TFormMain;

class WindowFigureHost : public FigureHost, public CanvasSizeHost, public SelectionHost {
public:
    explicit WindowFigureHost(TFormMain& window) : w_(window) {}

    // PictureHost
    TDibGraphic* Picture() override;
    void SetModified() override;
    void TakeSnapshot() override;
    void TakeSnapshotWithSize() override;
    TImage* WorkImage() override;
    void UpdateWorkImage() override;
    void PictureResized() override;
    void CheckWorkImageTakesChanges() override;
    void Redraw() override;
    void SetStatusText(int panel, const QString& text) override;
    void ShowProgress(int percent) override;
    void HideProgress() override;

    // FigureHost
    DrawingTool CurrentTool() const override;
    std::optional<QString> TextEntry() const override;
    void EndTextEntry() override;
    void ShowBrushColor(TColor color) override;
    void ShowPenColor(TColor color) override;
    float ZoomPercent() const override;
    TPoint ScrollPosition() const override;
    void SetHorzScrollPosition(int position) override;
    void SetVertScrollPosition(int position) override;
    void EraseSelectionFrame() override;
    void PaintSelection(int mode, TPoint start, TPoint end, DrawingTool tool) override;

    // CanvasSizeHost (the picture, work image and Modified are PictureHost's)
    void Redraw(bool reload) override;
    void ShowPictureSize() override;
    void WithoutSelectionFrame(const std::function<void()>& change) override;

    // SelectionHost
    void ChooseSelectTool() override;

private:
    void drawPictureOnWorkImage();

    TFormMain& w_;
    StatusProgress progress_;
};
