// The picture view's redraw cost against one plain copy of the viewport's bytes, for a
// 1920 x 1080 viewport on a 4000 x 3000 picture, and its memory at 1600 %.
#include "editing/image_scroll_box.h"
#include "platform/framework/canvas.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;
constexpr int kPictureWidth = 4000;
constexpr int kPictureHeight = 3000;

const TDibGraphic& bigPicture()
{
    static const std::unique_ptr<TDibGraphic> picture = [] {
        auto picture = std::make_unique<TDibGraphic>();
        TDibGraphic& p = *picture;
        p.NewImage(kPictureWidth, kPictureHeight, ifTrueColor, nullptr, 96, 96);
        std::mt19937 random(3);
        for (int y = 0; y < kPictureHeight; ++y) {
            uint8_t* row = p.ScanLine(y);
            for (int i = 0; i < 3 * kPictureWidth; ++i)
                row[i] = static_cast<uint8_t>(random());
        }
        return picture;
    }();
    return *picture;
}

// A view whose client area is the 1920 x 1080 viewport while both scroll bars show.
struct View {
    QWidget host;
    TImageScrollBox* view = new TImageScrollBox(&host);

    View()
    {
        const int bar = view->verticalScrollBar()->sizeHint().width();
        const int barHeight = view->horizontalScrollBar()->sizeHint().height();
        host.resize(kViewportWidth + bar, kViewportHeight + barHeight);
        view->setGeometry(0, 0, kViewportWidth + bar, kViewportHeight + barHeight);
        host.show();
        // Painting needs an exposed window.
        if (!QTest::qWaitForWindowExposed(&host))
            qWarning("the view was never exposed; redraws will not paint");
        view->SetGraphic(&bigPicture());
    }
};

// Left alive on purpose: a static view would be destroyed after the application object and
// crash the exit.
View& sharedView()
{
    static View* v = new View;
    return *v;
}

int64_t viewportBytes() { return int64_t{kViewportWidth} * kViewportHeight * 4; }

void BM_PlainViewportCopy(benchmark::State& state)
{
    std::vector<uint8_t> from(static_cast<size_t>(viewportBytes()), 1), to(static_cast<size_t>(viewportBytes()));
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * viewportBytes());
}
BENCHMARK(BM_PlainViewportCopy);

// What changed in the picture before each redraw.
enum class Change {
    None,   // a redraw for the layout alone (a zoom or mode chosen again, centring)
    Stroke, // a 400 x 300 figure drawn on the canvas near the top-left corner, where every
            // redraw puts the view, as after a mouse release
    All,    // every row rewritten, as after an effect
};

// Redraw and rendering what it shows: the work a redraw makes after the given change.
void redrawAt(benchmark::State& state, TImageScrollBox* view, Change change)
{
    TDibGraphic* picture = view->GetGraphic();
    TCanvas& canvas = *picture->Canvas();
    uint32_t colour = 0;
    for (auto _ : state) {
        if (change == Change::Stroke) {
            canvas.Brush()->SetColor(TColor(++colour & 0xFFFFFF));
            canvas.Rectangle(20, 20, 420, 320);
        } else if (change == Change::All) {
            benchmark::DoNotOptimize(picture->Bits());
        }
        view->Redraw(change != Change::None);
        view->RenderVisible();
    }
    state.counters["client_w"] = view->ClientWidth();
    state.counters["client_h"] = view->ClientHeight();
    state.counters["shown_w"] = view->DisplayedSize().width();
    state.SetBytesProcessed(state.iterations() * viewportBytes());
}

// Zoom percent 0 stands for fit-to-page.
void showAt(TImageScrollBox* view, int zoom)
{
    if (zoom > 0)
        view->SetZoomPercent(zoom);
    else
        view->SetZoomMode(zmFitToPage);
}

void BM_Redraw(benchmark::State& state)
{
    TImageScrollBox* view = sharedView().view;
    showAt(view, static_cast<int>(state.range(0)));
    redrawAt(state, view, static_cast<Change>(state.range(1)));
    view->SetZoomMode(zmPercent);
}
// Zoom percent (0: fit to page) x change (0 none, 1 a stroke, 2 every row).
BENCHMARK(BM_Redraw)->ArgsProduct({{100, 250, 1600, 0}, {0, 1, 2}});

// The renderer alone on the fit-to-page window (36 %: 1440 x 1080 from the whole picture).
void BM_RenderAveraged36(benchmark::State& state)
{
    const TDibGraphic& picture = bigPicture();
    const int w = 1440, h = 1080;
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    ZoomRenderer renderer;
    for (auto _ : state) {
        renderer.render(picture, w, h, QRect(0, 0, w, h), out.data(), w);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * int64_t{picture.RowBytes()} * picture.GetHeight());
}
BENCHMARK(BM_RenderAveraged36);

// The floor of any fresh render that shows the whole picture: reading its 36 MB once, on one
// core or split over two as the renderer does.
uint64_t sumWords(const uint8_t* bytes, size_t words)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < words; ++i) {
        uint64_t word;
        std::memcpy(&word, bytes + i * sizeof word, sizeof word);
        sum += word;
    }
    return sum;
}

void BM_ReadWholePicture(benchmark::State& state)
{
    const TDibGraphic& picture = bigPicture();
    const size_t words = static_cast<size_t>(picture.RowBytes()) * picture.GetHeight() / sizeof(uint64_t);
    const uint8_t* bits = picture.Bits();
    for (auto _ : state) {
        if (state.range(0) == 1) {
            benchmark::DoNotOptimize(sumWords(bits, words));
            continue;
        }
        uint64_t lower = 0;
        std::thread helper([&] { lower = sumWords(bits, words / 2); });
        benchmark::DoNotOptimize(sumWords(bits + words / 2 * sizeof(uint64_t), words - words / 2));
        helper.join();
        benchmark::DoNotOptimize(lower);
    }
    state.SetBytesProcessed(state.iterations() * int64_t{picture.RowBytes()} * picture.GetHeight());
}
BENCHMARK(BM_ReadWholePicture)->Arg(1)->Arg(2)->UseRealTime();

// A redraw after every row changed, with the widget painted onto its backing store: what a
// scroll by one screen is measured against, as both render a whole viewport and paint it.
void BM_RedrawAndPaint_Percent(benchmark::State& state)
{
    TImageScrollBox* view = sharedView().view;
    view->SetZoomPercent(static_cast<double>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(view->GetGraphic()->Bits());
        view->Redraw(true);
        view->ImageControl()->repaint();
    }
    state.SetBytesProcessed(state.iterations() * viewportBytes());
}
BENCHMARK(BM_RedrawAndPaint_Percent)->Arg(100)->Arg(1600);

// One screen further each time, wrapping at the end; the scroll repaints at once.
void BM_ScrollOneScreen_Percent(benchmark::State& state)
{
    TImageScrollBox* view = sharedView().view;
    view->SetZoomPercent(static_cast<double>(state.range(0)));
    QScrollBar* bar = view->horizontalScrollBar();
    for (auto _ : state) {
        const int next = bar->value() + view->ClientWidth();
        bar->setValue(next > bar->maximum() ? 0 : next);
    }
    state.SetBytesProcessed(state.iterations() * viewportBytes());
}
BENCHMARK(BM_ScrollOneScreen_Percent)->Arg(100)->Arg(1600);

long statusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field)));
    return -1;
}

// Peak resident growth from making a view of the picture and showing it at 1600 %, scrolled
// to the far corner, in units of the picture's own bytes. The view keeps its own copy of the
// picture, so 1.0 is the floor.
void BM_PeakMemoryAt1600(benchmark::State& state)
{
    const TDibGraphic& picture = bigPicture();
    const double pictureBytes = static_cast<double>(picture.RowBytes()) * picture.GetHeight();
    double growth = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the peak to the current size
        const long before = statusKilobytes("VmRSS:");
        {
            View v;
            v.view->SetZoomPercent(1600);
            v.view->SetHorzScrollPosition(v.view->horizontalScrollBar()->maximum());
            v.view->SetVertScrollPosition(v.view->verticalScrollBar()->maximum());
            v.view->ImageControl()->repaint();
            benchmark::DoNotOptimize(v.view->GetDisplayedGraphic());
        }
        const long peak = statusKilobytes("VmHWM:");
        growth = (static_cast<double>(peak - before) * 1024.0) / pictureBytes;
    }
    state.counters["peak_growth_per_picture"] = growth;
}
BENCHMARK(BM_PeakMemoryAt1600)->Iterations(1);

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
