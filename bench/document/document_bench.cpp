// The undo history's cost on a big picture: one snapshot, one restore through the work image
// (also into another pixel format), and the memory a full history of 24 snapshots holds, as a multiple of the picture's bytes.

#include "editing/snapshot_store.h"
#include "editing/undo_history.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/image.h"
#include "platform/gdi/dib_surface.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstring>
#include <memory>

namespace {

constexpr int Width = 4000;
constexpr int Height = 3000;

std::unique_ptr<TDibGraphic> bigPicture()
{
    auto picture = std::make_unique<TDibGraphic>();
    picture->NewImage(Width, Height, ifTrueColor, nullptr, 0, 0);
    std::memset(picture->Bits(), 0x7F, static_cast<size_t>(picture->RowBytes()) * Height);
    return picture;
}

double peakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) * 1024.0;
}

void BM_SnapshotIntoReusedSlot(benchmark::State& state)
{
    const auto picture = bigPicture();
    SnapshotStore store(UndoHistory::SlotCount);
    store.store(1, *picture);
    for (auto _ : state) {
        store.store(1, *picture);
        benchmark::DoNotOptimize(store.snapshot(1));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(picture->RowBytes()) * Height);
}
BENCHMARK(BM_SnapshotIntoReusedSlot)->Unit(benchmark::kMillisecond);

// A work image of the big picture's size in the screen's format, as a window keeps it.
void prepareBigWorkImage(TImage& work)
{
    work.SetAutoSize(true);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(pf32bit);
    bitmap->SetSize(Width, Height);
    work.Picture()->SetGraphic(std::unique_ptr<TGraphic>(std::move(bitmap)));
    SnapshotStore::prepareWorkImage(work);
}

void BM_RestoreThroughWorkImage(benchmark::State& state)
{
    const auto picture = bigPicture();
    SnapshotStore store(UndoHistory::SlotCount);
    store.store(1, *picture);
    TImage work;
    prepareBigWorkImage(work);
    for (auto _ : state)
        store.restoreInto(1, work, *picture);
}
BENCHMARK(BM_RestoreThroughWorkImage)->Unit(benchmark::kMillisecond);

// Undo and redo across a colour-depth command: a true-colour and a 256-grey slot restored in
// turn, so that every restore makes the picture anew in the slot's format.
void BM_RestoreAcrossFormats(benchmark::State& state)
{
    const auto picture = bigPicture();
    SnapshotStore store(UndoHistory::SlotCount);
    store.store(1, *picture);
    TDibGraphic grey;
    grey.NewImage(Width, Height, ifGray256, nullptr, 0, 0);
    std::memset(grey.Bits(), 0x40, static_cast<size_t>(grey.RowBytes()) * Height);
    store.store(2, grey);
    TImage work;
    prepareBigWorkImage(work);
    int slot = 2;
    for (auto _ : state) {
        store.restoreInto(slot, work, *picture);
        slot = 3 - slot;
    }
}
BENCHMARK(BM_RestoreAcrossFormats)->Unit(benchmark::kMillisecond);

// Run alone (--benchmark_filter=FullHistory) for a clean peak: the counters give the picture's
// bytes, what the 24 slots hold, and the peak resident memory over the picture's bytes.
void BM_FullHistoryMemory(benchmark::State& state)
{
    for (auto _ : state) {
        const double before = peakResidentBytes();
        const auto picture = bigPicture();
        SnapshotStore store(UndoHistory::SlotCount);
        for (int slot = 1; slot <= UndoHistory::LastSlot; ++slot)
            store.store(slot, *picture);
        const double pictureBytes = static_cast<double>(picture->RowBytes()) * Height;
        state.counters["picture_MB"] = pictureBytes / 1e6;
        state.counters["slots_MB"] = static_cast<double>(store.bytes()) / 1e6;
        state.counters["slots_x_picture"] = static_cast<double>(store.bytes()) / pictureBytes;
        state.counters["peak_rss_x_picture"] = peakResidentBytes() / pictureBytes;
        state.counters["peak_growth_x_picture"] = (peakResidentBytes() - before) / pictureBytes;
    }
}
BENCHMARK(BM_FullHistoryMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
