#pragma once
// A picture window's undo and redo: whole-picture snapshots in slots 1..24 (slot 0 is never
// written and stands for "nothing"), a cursor over them and a stack of the slots that undo
// restored, so that redo can step forward again.

#include <array>

class UndoHistory {
public:
    static constexpr int SlotCount = 25;
    static constexpr int LastSlot = SlotCount - 1;

    // What the history reaches of its window.
    class Host {
    public:
        virtual ~Host() = default;
        // Undo and redo do nothing at all while the selection tool is current.
        virtual bool selectToolActive() const = 0;
        // Copies the whole picture into a slot (1..24).
        virtual void storeSnapshot(int slot) = 0;
        // Makes sure the work image holds a 32-bit bitmap of its own size and pixels.
        virtual void prepareWorkImage() = 0;
        // Draws the slot over the work image at (0, 0), the work image over the picture, and
        // redraws the view; the picture takes the slot's pixel format and palette, keeping its
        // size. Slot 0 draws nothing but still copies and redraws. May throw.
        virtual void restoreSnapshot(int slot) = 0;
        virtual bool selectionFrameShown() const = 0;
        // Drops the selection rectangle (the frame flag is left alone).
        virtual void dropSelection() = 0;
        virtual void setUndoEnabled(bool enabled) = 0;
        virtual void setRedoEnabled(bool enabled) = 0;
    };

    explicit UndoHistory(Host& host) : host_(host) {}

    // Takes a snapshot of the picture before a change.
    void DrawBfr();
    void Undo1Click();
    void Redo1Click();

    int UndoIndex() const { return undoIndex_; }
    int RedoCount() const { return redoCount_; }
    int RedoSlot(int entry) const { return redoSlots_.at(entry); }

private:
    void pushRedo(int slot);

    Host& host_;
    int undoIndex_ = 0;
    // Entry 0 is the bottom and always 0; entries 1..RedoCount hold restored slots.
    std::array<int, SlotCount> redoSlots_{};
    int redoCount_ = 0;
};
