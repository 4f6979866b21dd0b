#include "document/window_figure_host.h"

#include "document/form_main.h"
#include "editing/canvas_size.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/exceptions.h"
#include "platform/framework/image.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

TDibGraphic* WindowFigureHost::Picture()
{
    return w_.GetGraphic();
}

void WindowFigureHost::SetModified()
{
    w_.Modified = true;
    w_.JournalChange();
}

// A change is about to begin, so the one before it has completed: it reaches the journal now,
// not after a drag that may last long.
void WindowFigureHost::TakeSnapshot()
{
    w_.JournalPendingChange();
    w_.DrawBfr();
}

void WindowFigureHost::TakeSnapshotWithSize()
{
    w_.JournalPendingChange();
    w_.DrawBfrWithSize();
}

TImage* WindowFigureHost::WorkImage()
{
    return w_.Image.get();
}

// Files, exports and prints are written from the work image: it never receives the frame. The
// copy is drawn when something next reads the work image (a save, a print, an undo), so that
// strokes and effects in a row do not each pay for a copy of a big picture. That is the same
// copy: every change of the picture ends here, except Cut and Delete, which take the copy owed
// before they change anything.
void WindowFigureHost::UpdateWorkImage()
{
    w_.JournalChange();
    TImage& workImage = *w_.Image;
    // A copy already owed takes the picture as it will then stand.
    if (workImage.PictureUpdatePending())
        return;
    // Any other graphic than a bitmap refuses the drawing, and that is reported now.
    if (!dynamic_cast<TBitmap*>(workImage.Picture()->Graphic())) {
        drawPictureOnWorkImage();
        return;
    }
    workImage.DeferPictureUpdate([this] { drawPictureOnWorkImage(); }, workImage.PictureWidth(),
                                 workImage.PictureHeight());
}

// The work image is made anew at the picture's size when something next reads it; a copy
// owed at the old size gives way to it.
void WindowFigureHost::PictureResized()
{
    w_.JournalChange();
    const TDibGraphic& picture = *w_.GetGraphic();
    w_.Image->DeferPictureUpdate(
        [this] { w_.SelectionTool().WithoutFrame([this] { FitWorkImageToPicture(*w_.Image, *w_.GetGraphic()); }); },
        picture.GetWidth(), picture.GetHeight());
    w_.PictureSizeFromGeometry();
    w_.ShowPictureSize();
}

void WindowFigureHost::CheckWorkImageTakesChanges()
{
    TImage& workImage = *w_.Image;
    // A copy owed is owed to a bitmap; asking for the picture would make it now.
    if (workImage.PictureUpdatePending())
        return;
    TGraphic* held = workImage.Picture()->Graphic();
    if (held && !dynamic_cast<TBitmap*>(held))
        throw EInvalidOperation(FrameworkMessages::imageCanvasNeedsBitmap());
}

void WindowFigureHost::drawPictureOnWorkImage()
{
    w_.SelectionTool().WithoutFrame([this] { w_.Image->Canvas()->Draw(0, 0, w_.GetGraphic()); });
}

void WindowFigureHost::Redraw()
{
    w_.ImageScrollBox1->Redraw(true);
}

void WindowFigureHost::SetStatusText(int panel, const QString& text)
{
    w_.SetPanelText(panel, text);
}

// The progress display lets paints through while a transform may still be writing rows on its
// helper thread: the view paints from what it rendered before until the work ends.
void WindowFigureHost::ShowProgress(int percent)
{
    w_.ImageScrollBox1->HoldPicture(true);
    progress_.Show(w_.StatusBar1, percent);
}

void WindowFigureHost::HideProgress()
{
    progress_.Hide();
    w_.ImageScrollBox1->HoldPicture(false);
}

DrawingTool WindowFigureHost::CurrentTool() const
{
    return w_.CurrentTool();
}

std::optional<QString> WindowFigureHost::TextEntry() const
{
    if (!w_.Toolbox.TextEdit)
        return std::nullopt;
    return w_.Toolbox.TextEdit->text();
}

void WindowFigureHost::EndTextEntry()
{
    delete w_.Toolbox.TextEdit.data();
    w_.Toolbox.TextEdit = nullptr;
    w_.Toolbox.ChooseTool(dtLine);
    w_.LineButton->setChecked(true);
}

void WindowFigureHost::ShowBrushColor(TColor color)
{
    ShowIndicatorColor(w_.bkclr, color);
}

void WindowFigureHost::ShowPenColor(TColor color)
{
    ShowIndicatorColor(w_.colo, color);
}

float WindowFigureHost::ZoomPercent() const
{
    return w_.ImageScrollBox1->ZoomPercent();
}

TPoint WindowFigureHost::ScrollPosition() const
{
    return TPoint{w_.ImageScrollBox1->HorzScrollPosition(), w_.ImageScrollBox1->VertScrollPosition()};
}

void WindowFigureHost::SetHorzScrollPosition(int position)
{
    w_.ImageScrollBox1->SetHorzScrollPosition(position);
}

void WindowFigureHost::SetVertScrollPosition(int position)
{
    w_.ImageScrollBox1->SetVertScrollPosition(position);
}

void WindowFigureHost::Redraw(bool reload)
{
    w_.ImageScrollBox1->Redraw(reload);
}

void WindowFigureHost::ShowPictureSize()
{
    w_.ShowPictureSize();
}

void WindowFigureHost::WithoutSelectionFrame(const std::function<void()>& change)
{
    w_.SelectionTool().WithoutFrame(change);
}

void WindowFigureHost::EraseSelectionFrame()
{
    w_.SelectionTool().EraseFrame();
}

void WindowFigureHost::PaintSelection(int /*mode*/, TPoint /*start*/, TPoint /*end*/, DrawingTool tool)
{
    // Both work from the window's press and pointer points, not the figure's.
    if (tool == dtSelect)
        w_.SelectionTool().SelectionStep();
    else if (tool == dtPaste)
        w_.SelectionTool().PasteStep();
}

void WindowFigureHost::ChooseSelectTool()
{
    w_.Toolbox.ChooseTool(dtSelect);
    w_.Vydelenie->setChecked(true);
}
