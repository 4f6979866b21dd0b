#include "editing/undo_history.h"

#include <algorithm>

void UndoHistory::DrawBfr()
{
    // The cursor runs 1..24 and starts again at 1, so the 25th snapshot overwrites slot 1 and
    // the older ones beyond it drop out of reach (undo stops at 0).
    if (undoIndex_ == LastSlot)
        undoIndex_ = 0;
    ++undoIndex_;
    host_.storeSnapshot(undoIndex_);
    host_.setUndoEnabled(true);
    host_.setRedoEnabled(true);
}

void UndoHistory::Undo1Click()
{
    if (host_.selectToolActive())
        return;
    host_.prepareWorkImage();
    // A failure to copy or draw is dropped without a word; the bookkeeping still runs.
    try {
        host_.restoreSnapshot(undoIndex_);
        if (host_.selectionFrameShown())
            host_.dropSelection();
    } catch (...) {
    }
    pushRedo(undoIndex_);
    if (undoIndex_ > 0)
        --undoIndex_;
    if (undoIndex_ == 0)
        host_.setUndoEnabled(false);
}

void UndoHistory::Redo1Click()
{
    if (host_.selectToolActive())
        return;
    host_.prepareWorkImage();
    if (redoCount_ == 0) {
        undoIndex_ = redoSlots_[0];
        host_.setRedoEnabled(false);
        return;
    }
    // The slot the undo before the last one restored: the picture as it was before the last
    // undo (slot 0, nothing, when only one undo is on the stack).
    try {
        host_.restoreSnapshot(redoSlots_[redoCount_ - 1]);
    } catch (...) {
    }
    undoIndex_ = redoSlots_[redoCount_];
    --redoCount_;
}

void UndoHistory::pushRedo(int slot)
{
    // The stack is never cleared, so long runs of edits and undos fill it: the oldest entry
    // gives way, keeping the most recent steps redoable (entry 0 stays the bottom).
    if (redoCount_ == LastSlot) {
        std::copy(redoSlots_.begin() + 2, redoSlots_.end(), redoSlots_.begin() + 1);
        --redoCount_;
    }
    ++redoCount_;
    redoSlots_[redoCount_] = slot;
}
