// One selection-drag step, one paste step and one canvas-size slider step on a 4000 x 3000
// picture, against one plain copy of a 1920 x 1080 viewport's bytes timed in the same run.
#include "editing/canvas_size.h"
#include "editing/selection.h"
#include "editing/slider.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/image.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;
constexpr int kPictureWidth = 4000;
constexpr int kPictureHeight = 3000;

void randomPicture(TDibGraphic& p, int width, int height)
{
    p.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    std::mt19937 random(3);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = p.ScanLine(y);
        for (int i = 0; i < 3 * width; ++i)
            row[i] = static_cast<uint8_t>(random());
    }
}

// A picture window reduced to what the selection and the sliders use.
struct Window : SelectionHost, CanvasSizeHost {
    TDibGraphic picture;
    TImage workImage;
    TRect selectionRect{0, 0, 0, 0};
    bool frameShown = false, newPending = true, selectAllArmed = true, released = false;
    TBitmap backup;
    TPoint press{0, 0}, pointer{0, 0};
    Selection selection{*this, SelectionFields{selectionRect, frameShown, newPending, selectAllArmed, backup,
                                               press, pointer, released}};

    Window() { randomPicture(picture, kPictureWidth, kPictureHeight); }

    TDibGraphic* Picture() override { return &picture; }
    TImage* WorkImage() override { return &workImage; }
    void SetModified() override {}
    void Redraw() override {}
    void Redraw(bool) override {}
    void ShowPictureSize() override {}
    void ChooseSelectTool() override {}
};

void BM_PlainViewportCopy(benchmark::State& state)
{
    const size_t bytes = size_t{kViewportWidth} * kViewportHeight * 4;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlainViewportCopy);

// A 2000 x 1500 selection dragged: each step erases the frame, copies the area one seventh of
// the way toward the pointer and draws the frame there.
void BM_SelectionDragStep(benchmark::State& state)
{
    Window w;
    w.press = {100, 100};
    w.pointer = {2100, 1600};
    w.selection.SelectionStep(); // a new selection from (100, 100) to (2100, 1600)
    w.released = true;
    w.selection.SelectionStep(); // released: the backup and the grab rectangle
    w.released = false;
    w.newPending = false;
    w.press = {500, 500};
    int step = 0;
    for (auto _ : state) {
        // Back and forth by 7 pixels, so the selection stays where it is.
        w.pointer = (++step & 1) ? TPoint{549, 549} : TPoint{451, 451};
        w.selection.EraseFrame();
        w.selection.SelectionStep();
    }
}
BENCHMARK(BM_SelectionDragStep)->Unit(benchmark::kMillisecond);

// Paste mode reads the clipboard anew at every step: a 2000 x 1500 picture put there as an image.
void BM_PasteStep(benchmark::State& state)
{
    Window w;
    QImage image(2000, 1500, QImage::Format_RGB32);
    image.fill(QColor(10, 200, 30));
    QGuiApplication::clipboard()->setImage(image);
    w.press = {300, 200};
    for (auto _ : state) {
        w.selection.EraseFrame();
        w.selection.PasteStep();
    }
}
BENCHMARK(BM_PasteStep)->Unit(benchmark::kMillisecond);

// The width slider narrower by the argument's pixels and back, alternately. One pixel keeps
// the rows' length in bytes (both widths pad to the same four-byte boundary); two pixels
// change it, so every row of the picture moves.
void BM_CanvasSizeStep(benchmark::State& state)
{
    const int narrower = kPictureWidth - static_cast<int>(state.range(0));
    Window w;
    TSlider slider;
    slider.SetMax(kPictureWidth + 2);
    slider.SetPosition(kPictureWidth);
    int step = 0;
    for (auto _ : state) {
        slider.blockSignals(true);
        slider.SetPosition((++step & 1) ? narrower : kPictureWidth);
        slider.blockSignals(false);
        ChangePictureWidth(w, slider);
    }
}
BENCHMARK(BM_CanvasSizeStep)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
