// The shared-band store against plain whole copies: two windows' worth of undo history run the
// same seeded sequence of edits, snapshots, undos and redos, and after every step their
// pictures, work images, cursors and menu states must be the same. A second run squeezes the
// history budget so that nearly every band is spilled to disk while the steps go on.

#include "editing/history_band.h"
#include "editing/snapshot_store.h"
#include "editing/undo_history.h"
#include "imaging/dib_graphic.h"
#include "imaging/transforms/color_depth_command.h"
#include "imaging/transforms/lightness_transforms.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"
#include "whole_copy_store.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <array>
#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <utility>

namespace {

bool holds(const SnapshotStore& store, int slot)
{
    return store.holds(slot);
}

bool holds(const WholeCopyStore& store, int slot)
{
    return store.snapshot(slot) != nullptr;
}

// One picture window's undo history as the window wires it, over a store of either kind.
template <class Store>
class Window : public UndoHistory::Host {
public:
    TDibGraphic picture;
    TImage work;
    Store store{UndoHistory::SlotCount};
    UndoHistory history{*this};
    std::array<bool, UndoHistory::SlotCount> sized{};
    bool nextSized = false;
    bool selectTool = false;
    bool frameShown = false;
    int selectionDrops = 0;
    bool undoEnabled = false;
    bool redoEnabled = false;

    bool selectToolActive() const override { return selectTool; }
    void storeSnapshot(int slot) override
    {
        sized.at(static_cast<size_t>(slot)) = std::exchange(nextSized, false);
        store.store(slot, picture);
    }
    void prepareWorkImage() override { Store::prepareWorkImage(work); }
    void restoreSnapshot(int slot) override
    {
        if (sized.at(static_cast<size_t>(slot)) && holds(store, slot)) {
            store.restoreWhole(slot, picture);
            copyIntoWorkImage();
            return;
        }
        store.restoreInto(slot, work, picture);
    }
    bool selectionFrameShown() const override { return frameShown; }
    void dropSelection() override { ++selectionDrops; }
    void setUndoEnabled(bool enabled) override { undoEnabled = enabled; }
    void setRedoEnabled(bool enabled) override { redoEnabled = enabled; }

    // What a completed figure or a size step does: the work image becomes the picture.
    void copyIntoWorkImage()
    {
        TBitmap* bitmap = work.Picture()->Bitmap();
        bitmap->SetPixelFormat(pf32bit);
        bitmap->SetSize(picture.GetWidth(), picture.GetHeight());
        const TRect whole = Rect(0, 0, picture.GetWidth(), picture.GetHeight());
        work.Canvas()->SetCopyMode(cmSrcCopy);
        work.Canvas()->CopyRect(whole, picture.Canvas(), whole);
    }
};

// The same random choices for both windows: each step draws its numbers once.
struct Step {
    int kind;
    std::array<int, 8> n;
};

constexpr TImageFormat kFormats[] = {ifTrueColor, ifColor256, ifGray256, ifColor16, ifGray16, ifBlackWhite};

template <class Store>
void apply(Window<Store>& w, const Step& s)
{
    TDibGraphic& p = w.picture;
    const int width = p.GetWidth();
    const int height = p.GetHeight();
    auto at = [](int value, int range) { return range > 0 ? value % range : 0; };
    switch (s.kind) {
    case 0: { // a stroke: a press takes a snapshot, the figure is drawn, the work image follows
        w.history.DrawBfr();
        TCanvas& c = *p.Canvas();
        c.Pen()->SetColor(static_cast<TColor>(s.n[0] & 0xFFFFFF));
        c.Pen()->SetWidth(1 + at(s.n[1], 4));
        const int x0 = at(s.n[2], width), y0 = at(s.n[3], height);
        // Mostly short strokes, now and then one across the picture.
        const int reach = s.n[6] % 5 == 0 ? width + height : 6;
        c.MoveTo(x0, y0);
        c.LineTo(x0 + at(s.n[4], reach) - reach / 2, y0 + at(s.n[5], reach) - reach / 2);
        if (s.n[7] % 3 != 0)
            w.copyIntoWorkImage();
        break;
    }
    case 1: { // an effect on the whole picture
        w.history.DrawBfr();
        TBrightnessTransform brighter;
        brighter.SetAmount(at(s.n[0], 41) - 20);
        brighter.Apply(p);
        break;
    }
    case 2: // a colour-depth command
        w.history.DrawBfr();
        ConvertColorDepth(p, w.work, kFormats[at(s.n[0], 6)]);
        break;
    case 3: { // a size step of the slider: no snapshot, the picture comes out true-colour
        const int newWidth = std::max(1, width + at(s.n[0], 5) - 3);
        const int newHeight = std::max(1, height + at(s.n[1], 70) - 40);
        TDibGraphic resized;
        resized.NewImage(newWidth, newHeight, ifTrueColor, nullptr, 0, 0);
        resized.Canvas()->Brush()->SetColor(static_cast<TColor>(0xFFFFFF));
        resized.Canvas()->FillRect(Rect(0, 0, newWidth, newHeight));
        const TRect kept = Rect(0, 0, std::min(width, newWidth), std::min(height, newHeight));
        resized.Canvas()->CopyRect(kept, p.Canvas(), kept);
        p.SwapImage(resized);
        w.copyIntoWorkImage();
        break;
    }
    case 4: { // a geometry command: its snapshot brings the size back on undo
        w.nextSized = true;
        w.history.DrawBfr();
        TDibGraphic turned;
        turned.NewImage(height, width, p.ImageFormat(), &p.LogPalette(), 0, 0);
        for (int y = 0; y < width; ++y)
            for (int x = 0; x < height; ++x)
                turned.SetPixelRGB(x, y, p.GetPixelRGB(y, x));
        p.SwapImage(turned);
        w.copyIntoWorkImage();
        break;
    }
    case 5: { // a paste: a block of another picture laid on at a press
        w.history.DrawBfr();
        TCanvas& c = *p.Canvas();
        c.Brush()->SetColor(static_cast<TColor>(s.n[0] & 0xFFFFFF));
        const int x0 = at(s.n[1], width), y0 = at(s.n[2], height);
        c.FillRect(Rect(x0, y0, x0 + 1 + at(s.n[3], 40), y0 + 1 + at(s.n[4], 90)));
        break;
    }
    case 6:
    case 7:
        w.history.Undo1Click();
        break;
    case 8:
        w.history.Redo1Click();
        break;
    case 9: // the selection tool comes and goes; a frame with it
        w.selectTool = s.n[0] % 4 == 0;
        w.frameShown = s.n[1] % 3 == 0;
        break;
    default:
        break;
    }
}

std::vector<uint8_t> pixels(const gdi::DibSurface* surface)
{
    if (!surface)
        return {};
    const uint8_t* bits = std::as_const(*surface).bits();
    return {bits, bits + surface->imageBytes()};
}

template <class A, class B>
void expectSame(const Window<A>& fresh, const Window<B>& model, int step)
{
    SCOPED_TRACE("step " + std::to_string(step));
    ASSERT_EQ(fresh.picture.GetEmpty(), model.picture.GetEmpty());
    ASSERT_EQ(fresh.picture.ImageFormat(), model.picture.ImageFormat());
    ASSERT_EQ(fresh.picture.GetWidth(), model.picture.GetWidth());
    ASSERT_EQ(fresh.picture.GetHeight(), model.picture.GetHeight());
    ASSERT_EQ(fresh.picture.DibSection()->colorTable(), model.picture.DibSection()->colorTable());
    ASSERT_EQ(fresh.picture.XDpi(), model.picture.XDpi());
    ASSERT_TRUE(pixels(fresh.picture.DibSection()) == pixels(model.picture.DibSection())) << "picture pixels";
    const TBitmap* freshWork = const_cast<TImage&>(fresh.work).Picture()->Bitmap();
    const TBitmap* modelWork = const_cast<TImage&>(model.work).Picture()->Bitmap();
    ASSERT_EQ(freshWork->GetWidth(), modelWork->GetWidth());
    ASSERT_EQ(freshWork->GetHeight(), modelWork->GetHeight());
    ASSERT_TRUE(pixels(freshWork->Surface()) == pixels(modelWork->Surface())) << "work image pixels";
    ASSERT_EQ(fresh.history.UndoIndex(), model.history.UndoIndex());
    ASSERT_EQ(fresh.history.RedoCount(), model.history.RedoCount());
    for (int entry = 0; entry <= fresh.history.RedoCount(); ++entry)
        ASSERT_EQ(fresh.history.RedoSlot(entry), model.history.RedoSlot(entry));
    ASSERT_EQ(fresh.undoEnabled, model.undoEnabled);
    ASSERT_EQ(fresh.redoEnabled, model.redoEnabled);
    ASSERT_EQ(fresh.selectionDrops, model.selectionDrops);
}

template <class Store>
void start(Window<Store>& w, TImageFormat format)
{
    w.picture.NewImage(150, 200, format, nullptr, 96, 96);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 150; ++x)
            w.picture.SetPixelRGB(x, y, static_cast<uint32_t>((x * 7 + y * 3) * 0x010203) & 0xFFFFFF);
    w.copyIntoWorkImage();
}

struct Run {
    const char* name;
    TImageFormat format;
    unsigned seed;
    bool tinyBudget;
};

void PrintTo(const Run& run, std::ostream* out)
{
    *out << run.name;
}

class HistoryDifferential : public ::testing::TestWithParam<Run> {
protected:
    void SetUp() override
    {
        history::HistoryMemory& memory = history::HistoryMemory::instance();
        budget_ = memory.budget();
        ASSERT_TRUE(cache_.isValid());
        memory.setSpillFolder(cache_.path().toStdString());
        if (GetParam().tinyBudget)
            memory.setBudget(1);
    }
    void TearDown() override
    {
        history::HistoryMemory& memory = history::HistoryMemory::instance();
        memory.settle();
        memory.setBudget(budget_);
    }

    QTemporaryDir cache_;
    size_t budget_ = 0;
};

TEST_P(HistoryDifferential, GivesBackWhatWholeCopiesWouldAfterEveryStep)
{
    Window<SnapshotStore> fresh;
    Window<WholeCopyStore> model;
    start(fresh, GetParam().format);
    start(model, GetParam().format);
    std::mt19937 random(GetParam().seed);
    // Weights: strokes and undos most, then redos, pastes, effects, the rest now and then.
    std::discrete_distribution<int> kind({30, 6, 3, 4, 2, 8, 14, 14, 12, 4, 3});
    constexpr int kSteps = 1500;
    for (int i = 0; i < kSteps; ++i) {
        Step s{kind(random), {}};
        for (int& n : s.n)
            n = static_cast<int>(random() & 0x7FFFFFFF);
        if (s.kind == 10) {
            // Let the background catch up now and then, so restores meet every way a band is kept.
            history::HistoryMemory::instance().settle();
            continue;
        }
        apply(fresh, s);
        apply(model, s);
        expectSame(fresh, model, i);
        if (HasFatalFailure())
            return;
    }
    if (GetParam().tinyBudget) {
        history::HistoryMemory::instance().settle();
        EXPECT_GT(history::HistoryMemory::instance().spilledBytes(), 0u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, HistoryDifferential,
    ::testing::Values(Run{"TrueColor", ifTrueColor, 1, false}, Run{"Color256", ifColor256, 2, false},
                      Run{"Gray16", ifGray16, 3, false}, Run{"BlackWhite", ifBlackWhite, 4, false},
                      Run{"TrueColorSpilling", ifTrueColor, 5, true}, Run{"Color16Spilling", ifColor16, 6, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The budget squeezed to nothing: every band goes to the spill file as soon as it is packed,
// and all 24 steps still come back exactly, down and up again.
class HistoryBudget : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(cache_.isValid());
        budget_ = memory().budget();
    }
    void TearDown() override
    {
        memory().settle();
        memory().setBudget(budget_);
        memory().setShortOfMemoryNotice({});
        memory().setSpillFolder(cache_.path().toStdString());
    }
    static history::HistoryMemory& memory() { return history::HistoryMemory::instance(); }

    QTemporaryDir cache_;
    size_t budget_ = 0;
};

TEST_F(HistoryBudget, ATinyBudgetSpillsNearlyEverythingAndKeepsEveryStep)
{
    memory().setSpillFolder(cache_.path().toStdString());
    int notices = 0;
    memory().setShortOfMemoryNotice([&notices] { ++notices; });
    memory().setBudget(1);
    Window<SnapshotStore> fresh;
    Window<WholeCopyStore> model;
    start(fresh, ifTrueColor);
    start(model, ifTrueColor);
    for (int i = 0; i < UndoHistory::LastSlot; ++i) {
        const Step s{i % 2 == 0 ? 1 : 0, {i * 7919, i * 104729, i * 31, i * 17, i * 13, i * 11, i, 1}};
        apply(fresh, s);
        apply(model, s);
    }
    memory().settle();
    EXPECT_GT(memory().spilledBytes(), 0u);
    EXPECT_EQ(memory().memoryBytes(), 0u);
    for (int i = 0; i < UndoHistory::LastSlot; ++i) {
        apply(fresh, Step{6, {}});
        apply(model, Step{6, {}});
        expectSame(fresh, model, i);
    }
    for (int i = 0; i < UndoHistory::LastSlot; ++i) {
        apply(fresh, Step{8, {}});
        apply(model, Step{8, {}});
        expectSame(fresh, model, UndoHistory::LastSlot + i);
    }
    EXPECT_EQ(notices, 0);
}

TEST_F(HistoryBudget, ASpillFileThatCannotBeWrittenKeepsEverythingInMemoryAndTellsOnce)
{
    // The cache folder lies under a plain file: it can never be made.
    QFile blocker(cache_.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    memory().setSpillFolder(cache_.filePath("file/cache").toStdString());
    int notices = 0;
    memory().setShortOfMemoryNotice([&notices] { ++notices; });
    memory().setBudget(1);
    Window<SnapshotStore> fresh;
    Window<WholeCopyStore> model;
    start(fresh, ifTrueColor);
    start(model, ifTrueColor);
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < UndoHistory::LastSlot; ++i) {
            const Step s{i % 2 == 0 ? 1 : 0, {i * 7919, i * 104729, i * 31, i * 17, i * 13, i * 11, i, 1}};
            apply(fresh, s);
            apply(model, s);
        }
        memory().settle();
    }
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(memory().spilledBytes(), 0u);
    EXPECT_GT(memory().memoryBytes(), memory().budget());
    for (int i = 0; i < UndoHistory::LastSlot; ++i) {
        apply(fresh, Step{6, {}});
        apply(model, Step{6, {}});
        expectSame(fresh, model, i);
    }
}

// Spill files of runs that ended are removed at start; a running process keeps its own, and
// other files stay.
TEST(HistorySpillFiles, OnlyThoseOfProcessesNoLongerRunningAreRemoved)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    // A process id nobody has now.
    pid_t gone = 4000000;
    while (kill(gone, 0) == 0 || errno == EPERM)
        --gone;
    const QStringList names = {QStringLiteral("history-%1.spill").arg(gone),
                               QStringLiteral("history-%1.spill").arg(getpid()),
                               QStringLiteral("history-1.spill"), // init: always running
                               QStringLiteral("history-x.spill"), QStringLiteral("notes.txt")};
    for (const QString& name : names) {
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    history::HistoryMemory::removeStaleSpillFiles(folder.path().toStdString());
    EXPECT_FALSE(QFile::exists(folder.filePath(names[0])));
    for (int i = 1; i < names.size(); ++i)
        EXPECT_TRUE(QFile::exists(folder.filePath(names[i]))) << names[i].toStdString();
}

} // namespace
