#pragma once
// The selection tool, paste mode and the clipboard commands of a picture window.
//
// The selection frame is a dotted focus rectangle drawn into the picture's pixels with
// exclusive-or, so drawing it again removes it. While dragging, every step moves the selection
// by a seventh of the way from the press to the pointer; on release the picture goes back to
// the backup taken when the selection was made and the selected area is placed once at its new
// place, so a move duplicates it.
//
// The frame belongs to the screen only: the work image (what files, exports and prints are
// written from) receives the picture with the frame taken out, and the backup never holds it.

#include "editing/paste_source.h"
#include "platform/framework/graphics_types.h"

#include <functional>
#include <vector>

class TBitmap;
class TCanvas;
class TDibGraphic;

// What the selection needs of its window.
class SelectionHost {
public:
    virtual ~SelectionHost() = default;
    // The view's picture; null while the window has none.
    virtual TDibGraphic* Picture() = 0;
    virtual void SetModified() = 0;
    // Shows the picture anew (with reload).
    virtual void Redraw() = 0;
    // "&Выделить всё" makes the selection tool current.
    virtual void ChooseSelectTool() = 0;
};

// The window's own fields that the selection reads and writes.
struct SelectionFields {
    TRect& SelectionRect;
    bool& SelectionFrameShown;
    bool& NewSelectionPending;
    bool& SelectAllArmed;
    TBitmap& SelectionBackup;
    // Kept by the mouse protocol: the last press, the pointer as the previous move left it,
    // and whether this paint is the one made on release.
    const TPoint& PressPoint;
    const TPoint& PointerPoint;
    const bool& ButtonReleased;
};

class Selection {
public:
    Selection(SelectionHost& host, SelectionFields fields) : host_(host), f_(fields) {}

    // Removes a shown frame; first step of every figure paint.
    void EraseFrame();
    // One paint of the selection tool and of paste mode.
    void SelectionStep();
    void PasteStep();

    // The clipboard commands act on SelectionRect whatever it holds; an empty or inverted
    // rectangle (nothing to copy) leaves the clipboard and the picture alone.
    void Copy1Click();
    void Cut1Click();
    void DeleteClick();
    // Selects the whole picture, or, used again, deselects.
    void SelectAllClick();

    // Forgets the selection: the frame goes, and neither the rectangle nor a later drag refers
    // to the picture as it was (for changes that move every pixel).
    void Forget();

    // Runs read with every frame taken out of the picture's pixels, then puts them back.
    void WithoutFrame(const std::function<void()>& read);
    // The frames drawn in the picture's pixels now: the selection's and any a snapshot brought
    // back. A snapshot records them so that undo can show them again.
    const std::vector<TRect>& FramesInPicture() const { return drawnFrames_; }
    // Undo or redo replaced the pixels with a snapshot taken without frames; the frames it
    // recorded are drawn again, and the next paint erases them like the selection's own.
    void PixelsRestored(const std::vector<TRect>& framesInSnapshot);

    const TRect& GrabRect() const { return grabRect_; }
    const TRect& OriginRect() const { return originRect_; }
    const TRect& TargetRect() const { return targetRect_; }

private:
    // The picture's canvas; null while there is no picture.
    TCanvas* canvas();
    // Draws the focus rectangle, which removes it when it is drawn there already.
    void drawFrame(const TRect& rect);
    void eraseDrawnFrames();
    void backUpPicture();
    bool isMove() const;
    void moveStep();
    void newSelectionStep();

    SelectionHost& host_;
    SelectionFields f_;
    TRect grabRect_{0, 0, 0, 0};
    TRect originRect_{0, 0, 0, 0};
    TRect targetRect_{0, 0, 0, 0};
    // Frames exclusive-or'ed into the pixels now. Erasing takes out exactly these, so a frame
    // the flag no longer describes (after redo, say) is never drawn in by mistake.
    std::vector<TRect> drawnFrames_;
    PasteSource pasteSource_;
};
