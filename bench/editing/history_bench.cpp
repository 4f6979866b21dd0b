// The undo history on a 4000 x 3000 true-colour picture, every figure as a ratio measured in
// this one run: what 24 one-pixel strokes and 24 brightness steps leave in the history, what
// one snapshot costs after a whole change and after a one-pixel stroke, and what one undo or
// redo step costs, each against a plain copy of the picture's bytes.
//
// Run from a Release build: pictavo_history_bench [budget in MB]

#include "../support/fastest_run.h"
#include "editing/history_band.h"
#include "editing/snapshot_store.h"
#include "editing/undo_history.h"
#include "imaging/dib_graphic.h"
#include "imaging/transforms/lightness_transforms.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <utility>
#include <vector>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

// A window's undo history over the band store, wired as the window wires it.
class Window : public UndoHistory::Host {
public:
    TDibGraphic picture;
    TImage work;
    SnapshotStore store{UndoHistory::SlotCount};
    UndoHistory history{*this};

    bool selectToolActive() const override { return false; }
    void storeSnapshot(int slot) override { store.store(slot, picture); }
    void prepareWorkImage() override { SnapshotStore::prepareWorkImage(work); }
    void restoreSnapshot(int slot) override { store.restoreInto(slot, work, picture); }
    bool selectionFrameShown() const override { return false; }
    void dropSelection() override {}
    void setUndoEnabled(bool) override {}
    void setRedoEnabled(bool) override {}

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

// A photograph stands in as smooth shading with grain: what a camera gives.
void paintPhoto(TDibGraphic& picture)
{
    std::mt19937 random(7);
    for (int y = 0; y < Height; ++y) {
        uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < Width; ++x) {
            const int grain = static_cast<int>(random() % 9) - 4;
            row[3 * x] = static_cast<uint8_t>(std::clamp((x * 255) / Width + grain, 0, 255));
            row[3 * x + 1] = static_cast<uint8_t>(std::clamp((y * 255) / Height + grain, 0, 255));
            row[3 * x + 2] = static_cast<uint8_t>(std::clamp(((x + y) * 127) / (Width + Height) + 64 + grain, 0, 255));
        }
    }
}

void paintWhite(TDibGraphic& picture)
{
    std::memset(picture.Bits(), 0xFF, static_cast<size_t>(picture.RowBytes()) * Height);
}

size_t historyBytes()
{
    history::HistoryMemory& memory = history::HistoryMemory::instance();
    memory.settle();
    return memory.memoryBytes() + memory.spilledBytes();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QTemporaryDir cache;
    history::HistoryMemory& memory = history::HistoryMemory::instance();
    memory.setSpillFolder(cache.path().toStdString());
    if (argc > 1)
        memory.setBudget(static_cast<size_t>(std::atoll(argv[1])) << 20);

    const size_t pictureBytes = static_cast<size_t>(gdi::DibSurface::rowBytesFor(Width, 24)) * Height;
    std::vector<uint8_t> from(pictureBytes, 1), to(pictureBytes, 2);
    const double copy = fastest(10, [&] { std::memcpy(to.data(), from.data(), pictureBytes); });
    std::printf("picture %d x %d, 24 bits: %.1f MB; one copy of it %.2f ms; budget %.0f MB\n", Width, Height,
                pictureBytes / 1e6, copy * 1e3, memory.budget() / 1048576.0);

    // 24 one-pixel strokes on a white page.
    {
        Window w;
        w.picture.NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
        paintWhite(w.picture);
        w.copyIntoWorkImage();
        for (int i = 0; i < UndoHistory::LastSlot; ++i) {
            w.history.DrawBfr();
            w.picture.SetPixelRGB(100 + 150 * i, 100 + 120 * i, 0x000000);
        }
        const size_t bytes = historyBytes();
        std::printf("24 one-pixel strokes: history %.3f MB (target at most 1 MB; whole copies %.0f MB): %.5f x whole\n",
                    bytes / 1048576.0, 24.0 * pictureBytes / 1e6, bytes / (24.0 * pictureBytes));
    }

    // 24 brightness steps on a photograph, then the costs of snapshots and of undo and redo.
    {
        Window w;
        w.picture.NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
        paintPhoto(w.picture);
        w.copyIntoWorkImage();
        TBrightnessTransform brighter;
        brighter.SetAmount(2);
        double wholeSnapshot = 1e30;
        for (int i = 0; i < UndoHistory::LastSlot; ++i) {
            wholeSnapshot = std::min(wholeSnapshot, fastest(1, [&] { w.history.DrawBfr(); }));
            brighter.Apply(w.picture);
            memory.settle();
        }
        const size_t bytes = historyBytes();
        std::printf("24 brightness steps: history %.1f MB (in memory %.1f MB, spilled %.1f MB): %.3f x the whole "
                    "copies (target at most 0.5)\n",
                    bytes / 1e6, memory.memoryBytes() / 1e6, memory.spilledBytes() / 1e6,
                    bytes / (24.0 * pictureBytes));
        std::printf("snapshot after a whole change: %.2f ms = %.3f x a copy (target at most 1)\n", wholeSnapshot * 1e3,
                    wholeSnapshot / copy);

        // Undo and redo across the brightness steps (every band differs), the background settled
        // between them.
        double undo = 1e30, redo = 1e30;
        for (int i = 0; i < 6; ++i) {
            undo = std::min(undo, fastest(1, [&] { w.history.Undo1Click(); }));
            memory.settle();
        }
        for (int i = 0; i < 5; ++i) {
            redo = std::min(redo, fastest(1, [&] { w.history.Redo1Click(); }));
            memory.settle();
        }
        std::printf("undo of a brightness step: %.2f ms = %.3f x a copy; redo: %.2f ms = %.3f x a copy (target at most "
                    "2)\n",
                    undo * 1e3, undo / copy, redo * 1e3, redo / copy);

        double strokeSnapshot = 1e30;
        for (int i = 0; i < 8; ++i) {
            w.picture.SetPixelRGB(200 + i, 300 + 350 * i, 0x102030);
            strokeSnapshot = std::min(strokeSnapshot, fastest(1, [&] { w.history.DrawBfr(); }));
            memory.settle();
        }
        std::printf("snapshot after a one-pixel stroke: %.3f ms = %.4f x a copy (target at most 0.05)\n",
                    strokeSnapshot * 1e3, strokeSnapshot / copy);
        double strokeUndo = 1e30;
        for (int i = 0; i < 4; ++i) {
            strokeUndo = std::min(strokeUndo, fastest(1, [&] { w.history.Undo1Click(); }));
            memory.settle();
        }
        std::printf("undo of a one-pixel stroke: %.3f ms = %.4f x a copy\n", strokeUndo * 1e3, strokeUndo / copy);
    }
    memory.shutdown();
    return 0;
}
