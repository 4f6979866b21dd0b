#pragma once
// One picture command run in the order every command keeps: undo snapshot, the change itself,
// the work image, Modified, redraw. A command is its change and the steps it takes; what a
// step does is the host's.

#include "imaging/picture_host.h"

#include <functional>

class TDibGraphic;

struct PictureCommandSteps {
    // When the work image is brought up to date: not at all, from the picture as it was before
    // the change (the colour-depth commands), or from the changed picture.
    enum class WorkImage { Untouched, BeforeChange, AfterChange };

    bool snapshot = true;
    WorkImage workImage = WorkImage::AfterChange;
    // The change may give the picture another size: the snapshot keeps the size for undo, and
    // the work image is made anew at the picture's new size after the change.
    bool resizes = false;
};

// Runs change on the host's picture. Nothing happens without a picture. An exception from a
// step or from the change ends the command there: what ran before it stays done, nothing after
// it runs, and the exception goes on to the caller.
void RunPictureCommand(PictureHost& host, const PictureCommandSteps& steps,
                       const std::function<void(TDibGraphic&)>& change);
