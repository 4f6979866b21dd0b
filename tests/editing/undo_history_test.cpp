// The undo history's bookkeeping: which slot each step writes or restores, the redo stack and
// the menu state, against a window that records what it is asked to do.

#include "editing/undo_history.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace {

class RecordingHost : public UndoHistory::Host {
public:
    bool selectTool = false;
    bool frameShown = false;
    bool failRestore = false;
    bool undoEnabled = false;
    bool redoEnabled = false;
    int selectionDrops = 0;
    int preparations = 0;
    std::vector<int> stored;
    std::vector<int> restored;

    bool selectToolActive() const override { return selectTool; }
    void storeSnapshot(int slot) override { stored.push_back(slot); }
    void prepareWorkImage() override { ++preparations; }
    void restoreSnapshot(int slot) override
    {
        restored.push_back(slot);
        if (failRestore)
            throw std::bad_alloc();
    }
    bool selectionFrameShown() const override { return frameShown; }
    void dropSelection() override { ++selectionDrops; }
    void setUndoEnabled(bool enabled) override { undoEnabled = enabled; }
    void setRedoEnabled(bool enabled) override { redoEnabled = enabled; }
};

class UndoHistoryTest : public ::testing::Test {
protected:
    void snapshots(int count)
    {
        for (int i = 0; i < count; ++i)
            history.DrawBfr();
    }

    RecordingHost host;
    UndoHistory history{host};
};

TEST_F(UndoHistoryTest, ThreeStrokesThreeUndosRestoreNewestFirstAndDisableUndo)
{
    snapshots(3);
    EXPECT_EQ(host.stored, (std::vector<int>{1, 2, 3}));
    EXPECT_TRUE(host.undoEnabled);
    EXPECT_TRUE(host.redoEnabled);

    history.Undo1Click();
    history.Undo1Click();
    EXPECT_TRUE(host.undoEnabled);
    history.Undo1Click();
    EXPECT_EQ(host.restored, (std::vector<int>{3, 2, 1}));
    EXPECT_FALSE(host.undoEnabled);
    EXPECT_EQ(history.UndoIndex(), 0);
    EXPECT_EQ(history.RedoCount(), 3);
    EXPECT_EQ(host.preparations, 3);
}

TEST_F(UndoHistoryTest, TwentyFifthSnapshotOverwritesSlotOneAndOnlyItIsReachable)
{
    snapshots(25);
    EXPECT_EQ(host.stored.back(), 1);
    EXPECT_EQ(host.stored[23], 24);
    history.Undo1Click();
    EXPECT_EQ(host.restored, (std::vector<int>{1}));
    EXPECT_FALSE(host.undoEnabled);
    // Slots 2..24 are out of reach: a further undo restores the empty slot 0.
    history.Undo1Click();
    EXPECT_EQ(host.restored.back(), 0);
}

TEST_F(UndoHistoryTest, OneStrokeUndoRedoRestoresNothingThenTheSameSlotAgain)
{
    snapshots(1);
    history.Undo1Click();
    history.Redo1Click();
    // The state before the first undo is not kept: redo draws slot 0, which draws nothing.
    EXPECT_EQ(host.restored, (std::vector<int>{1, 0}));
    EXPECT_EQ(history.UndoIndex(), 1);
    EXPECT_EQ(history.RedoCount(), 0);
    // Redo never enables undo again.
    EXPECT_FALSE(host.undoEnabled);
    history.Undo1Click();
    EXPECT_EQ(host.restored.back(), 1);
}

TEST_F(UndoHistoryTest, TwoStrokesTwoUndosOneRedoReturnsToAfterTheFirstStroke)
{
    snapshots(2);
    history.Undo1Click();
    history.Undo1Click();
    history.Redo1Click();
    // Slot 2 was taken just before the second stroke: the picture after the first.
    EXPECT_EQ(host.restored, (std::vector<int>{2, 1, 2}));
    EXPECT_EQ(history.UndoIndex(), 1);
    EXPECT_EQ(history.RedoCount(), 1);
}

TEST_F(UndoHistoryTest, RedoWithNothingUndoneDrawsNothingAndDisablesRedoOnly)
{
    snapshots(1);
    history.Redo1Click();
    EXPECT_TRUE(host.restored.empty());
    EXPECT_EQ(history.UndoIndex(), 0);
    EXPECT_FALSE(host.redoEnabled);
    EXPECT_TRUE(host.undoEnabled);
    EXPECT_EQ(host.preparations, 1);

    history.Undo1Click();
    EXPECT_EQ(host.restored, (std::vector<int>{0}));
    EXPECT_EQ(history.RedoSlot(1), 0);
    EXPECT_FALSE(host.undoEnabled);
}

TEST_F(UndoHistoryTest, NothingAtAllHappensWhileTheSelectionToolIsCurrent)
{
    snapshots(2);
    host.selectTool = true;
    history.Undo1Click();
    history.Redo1Click();
    EXPECT_TRUE(host.restored.empty());
    EXPECT_EQ(host.preparations, 0);
    EXPECT_EQ(history.UndoIndex(), 2);
    EXPECT_EQ(history.RedoCount(), 0);
    EXPECT_TRUE(host.undoEnabled);
    EXPECT_TRUE(host.redoEnabled);
}

TEST_F(UndoHistoryTest, UndoDropsTheSelectionOnlyWhileAFrameIsShown)
{
    snapshots(2);
    history.Undo1Click();
    EXPECT_EQ(host.selectionDrops, 0);
    host.frameShown = true;
    history.Undo1Click();
    EXPECT_EQ(host.selectionDrops, 1);
    // Redo leaves the selection alone.
    history.Redo1Click();
    EXPECT_EQ(host.selectionDrops, 1);
}

TEST_F(UndoHistoryTest, AFailedRestoreIsDroppedAndTheBookkeepingStillRuns)
{
    snapshots(2);
    host.failRestore = true;
    host.frameShown = true;
    EXPECT_NO_THROW(history.Undo1Click());
    EXPECT_EQ(host.selectionDrops, 0);
    EXPECT_EQ(history.UndoIndex(), 1);
    EXPECT_EQ(history.RedoCount(), 1);
    EXPECT_NO_THROW(history.Redo1Click());
    EXPECT_EQ(history.UndoIndex(), 2);
    EXPECT_EQ(history.RedoCount(), 0);
}

// Guards the full redo stack: more than 24 edit-and-undo pairs used to write past its room.
TEST_F(UndoHistoryTest, AFullRedoStackDropsItsOldestEntry)
{
    for (int i = 0; i < 30; ++i) {
        history.DrawBfr();
        history.Undo1Click();
    }
    EXPECT_EQ(history.RedoCount(), UndoHistory::LastSlot);
    EXPECT_EQ(history.RedoSlot(0), 0);
    // Each pair takes slot 1 and undoes it.
    for (int entry = 1; entry <= UndoHistory::LastSlot; ++entry)
        EXPECT_EQ(history.RedoSlot(entry), 1) << "entry " << entry;

    history.DrawBfr();
    history.DrawBfr();
    history.Undo1Click();
    EXPECT_EQ(history.RedoCount(), UndoHistory::LastSlot);
    EXPECT_EQ(history.RedoSlot(UndoHistory::LastSlot), 2);
    history.Redo1Click();
    EXPECT_EQ(host.restored.back(), 1);
    EXPECT_EQ(history.UndoIndex(), 2);
}

} // namespace
