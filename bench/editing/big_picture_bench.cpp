// The picture view on a 20000 x 20000 24-bit picture at 1600 %, against one plain copy of the
// 1920 x 1080 viewport's bytes: a redraw there must stay within four such copies however big
// the picture, since it renders only what the viewport shows. Each redraw's counter
// "x_viewport_copy" is its fastest run over the fastest copy.
#include "editing/image_scroll_box.h"
#include "platform/framework/brush.h"
#include "platform/framework/canvas.h"

#include "fastest_run.h"

#include <QApplication>
#include <QScrollBar>
#include <QTest>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int kViewportWidth = 1920;
constexpr int kViewportHeight = 1080;
constexpr int kSide = 20000;

TDibGraphic& bigPicture()
{
    static const std::unique_ptr<TDibGraphic> picture = [] {
        auto picture = std::make_unique<TDibGraphic>();
        picture->NewImage(kSide, kSide, ifTrueColor, nullptr, 96, 96);
        // Diagonal bands: every row differs from its neighbours, as in a photograph's detail.
        for (int y = 0; y < kSide; ++y) {
            uint8_t* row = picture->ScanLine(y);
            for (int x = 0; x < kSide; ++x) {
                row[3 * x] = static_cast<uint8_t>(x + y);
                row[3 * x + 1] = static_cast<uint8_t>(x - y);
                row[3 * x + 2] = static_cast<uint8_t>(x ^ y);
            }
        }
        return picture;
    }();
    return *picture;
}

// A view whose client area is the viewport, at 1600 % in the middle of the picture.
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
        if (!QTest::qWaitForWindowExposed(&host))
            qWarning("the view was never exposed; redraws will not paint");
        view->SetGraphic(&bigPicture());
        view->SetZoomPercent(1600);
        QApplication::processEvents();
        // In the middle of the picture, once the layout has given the scroll bars their range.
        view->SetHorzScrollPosition(view->horizontalScrollBar()->maximum() / 2);
        view->SetVertScrollPosition(view->verticalScrollBar()->maximum() / 2);
        QApplication::processEvents();
        view->RenderVisible();
    }
};

// Left alive on purpose: a static view would be destroyed after the application object.
View& sharedView()
{
    static View* v = new View;
    return *v;
}

constexpr size_t viewportBytes() { return size_t{kViewportWidth} * kViewportHeight * 4; }

double fastestViewportCopy()
{
    static const double seconds = [] {
        std::vector<uint8_t> from(viewportBytes(), 1), to(viewportBytes());
        return fastest(200, [&] {
            std::memcpy(to.data(), from.data(), from.size());
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        });
    }();
    return seconds;
}

void BM_PlainViewportCopy(benchmark::State& state)
{
    std::vector<uint8_t> from(viewportBytes(), 1), to(viewportBytes());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * viewportBytes()));
}
BENCHMARK(BM_PlainViewportCopy);

// What changed before each redraw: nothing (a redraw for the layout alone), a small figure
// drawn where the view shows (as after a mouse release), or the view moved by one screen, so
// that every pixel of the viewport is rendered afresh from the picture.
enum class Change { None, Stroke, NextScreen };

// Arguments: the change, and whether the view is also painted onto its window (1) or only
// rendered (0).
void BM_Redraw1600OnTwentyThousandSquare(benchmark::State& state)
{
    View& v = sharedView();
    const auto change = static_cast<Change>(state.range(0));
    const bool painted = state.range(1) != 0;
    TCanvas& canvas = *bigPicture().Canvas();
    QScrollBar* bar = v.view->horizontalScrollBar();
    uint32_t colour = 0;
    double best = 1e30;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        if (change == Change::NextScreen) {
            // A redraw puts the view back at the top left; scrolling alone keeps the place.
            bar->setValue(bar->value() == 0 ? kViewportWidth : 0);
        } else {
            if (change == Change::Stroke) {
                canvas.Brush()->SetColor(TColor(++colour & 0xFFFFFF));
                canvas.Rectangle(10, 10, 110, 60);
            }
            v.view->Redraw(change == Change::Stroke);
        }
        if (painted)
            v.view->ImageControl()->repaint();
        else
            v.view->RenderVisible();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
    }
    state.counters["x_viewport_copy"] = best / fastestViewportCopy();
    state.counters["shown_w"] = v.view->DisplayedSize().width();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * viewportBytes()));
}
BENCHMARK(BM_Redraw1600OnTwentyThousandSquare)->ArgsProduct({{0, 1, 2}, {0, 1}});

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
