#pragma once
// What every picture command needs of a picture window: the picture, the undo snapshot, the
// work image that files are written from, the Modified flag, the redraw and the status panels.
// The window implements it; tests implement it over a bare picture.

#include <QString>

class TDibGraphic;
class TImage;

class PictureHost {
public:
    virtual ~PictureHost() = default;

    // The view's picture; null while the window has none.
    virtual TDibGraphic* Picture() = 0;
    virtual void SetModified() = 0;

    // Undo snapshot of the picture before it changes.
    virtual void TakeSnapshot() {}
    // A snapshot whose undo brings back the picture's size and format too, for commands that
    // change them (turns, scaling, cropping).
    virtual void TakeSnapshotWithSize() { TakeSnapshot(); }
    // The hidden work image that Save, Print and Export read; null where there is none.
    virtual TImage* WorkImage() { return nullptr; }
    // Copies the picture onto the work image.
    virtual void UpdateWorkImage() {}
    // The picture has a new size: the work image takes its size and pixels, the status panels
    // and the rest of the window follow.
    virtual void PictureResized() { UpdateWorkImage(); }
    // Raises the error of a work image that cannot take the changed picture (one holding an
    // icon read from a file), so that a change is refused before anything has changed.
    virtual void CheckWorkImageTakesChanges() {}
    // Shows the picture's pixels, palette and size anew.
    virtual void Redraw() {}
    virtual void SetStatusText(int /*panel*/, const QString& /*text*/) {}
    // Long work's progress, 0..100, shown while it runs (the window keeps repainting), and its end.
    virtual void ShowProgress(int /*percent*/) {}
    virtual void HideProgress() {}
};
