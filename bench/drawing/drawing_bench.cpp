// Dragging on a big picture, against the cost of one viewport copy, the final paint of each
// shaded body, and the cone's fan against its every-step reference.

#include "drawing/figure_host.h"
#include "drawing/figure_painter.h"
#include "drawing/picture_mouse.h"
#include "drawing/shaded_cone.h"
#include "editing/image_scroll_box.h"
#include "imaging/dib_graphic.h"
#include "platform/framework/canvas.h"
#include "platform/gdi/device_context.h"

#include <benchmark/benchmark.h>

#include <QApplication>

#include <memory>

namespace {

// The window as the protocol sees it, over a real view of viewport size.
class ViewHost : public FigureHost {
public:
    explicit ViewHost(TImageScrollBox& view) : view_(view) {}
    TDibGraphic* Picture() override { return view_.GetGraphic(); }
    DrawingTool CurrentTool() const override { return tool; }
    void SetModified() override {}
    float ZoomPercent() const override { return view_.ZoomPercent(); }
    TPoint ScrollPosition() const override { return {view_.HorzScrollPosition(), view_.VertScrollPosition()}; }
    void Redraw() override { view_.Redraw(true); }

    DrawingTool tool = dtRectangle;

private:
    TImageScrollBox& view_;
};

std::unique_ptr<TDibGraphic> whitePicture(int width, int height)
{
    auto picture = std::make_unique<TDibGraphic>();
    picture->NewImage(width, height, ifTrueColor, nullptr, 0, 0);
    picture->Canvas()->Brush()->SetColor(clWhite);
    picture->Canvas()->FillRect(TRect{0, 0, width, height});
    return picture;
}

// The yardstick: one viewport-sized copy between 24-bit pictures.
void BM_ViewportCopy(benchmark::State& state)
{
    auto source = whitePicture(4000, 3000);
    auto target = whitePicture(1920, 1080);
    for (auto _ : state)
        target->MemoryDC()->BitBlt(0, 0, 1920, 1080, source->MemoryDC(), 1000, 1000, gdi::SRCCOPY);
}
BENCHMARK(BM_ViewportCopy)->Unit(benchmark::kMicrosecond);

// 100 moves of a filled rectangle preview within a 1920 x 1080 viewport of a 4000 x 3000
// picture, with the view redrawn every tenth move; reported per move.
void BM_RectangleDrag(benchmark::State& state)
{
    TImageScrollBox view;
    view.resize(1920, 1080);
    auto picture = whitePicture(4000, 3000);
    view.SetGraphic(picture.get());
    ViewHost host(view);
    host.Picture()->Canvas()->Brush()->SetColor(0x40A0E0);
    bool drawing = false, released = false;
    TPoint press{}, move{}, pointer{}, saved{};
    int moves = 0;
    PictureMouse mouse(host, {drawing, press, move, pointer, released, moves, saved});
    for (auto _ : state) {
        mouse.MouseDown(100, 100);
        for (int i = 1; i <= 100; ++i)
            mouse.MouseMove(100 + i * 17, 100 + i * 9);
        mouse.MouseUp(100 + 100 * 17, 100 + 100 * 9);
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_RectangleDrag)->Unit(benchmark::kMillisecond);

void BM_FinalBody(benchmark::State& state)
{
    auto picture = whitePicture(1200, 1200);
    class Host : public FigureHost {
    public:
        TDibGraphic* p = nullptr;
        DrawingTool tool = dtLine;
        TDibGraphic* Picture() override { return p; }
        DrawingTool CurrentTool() const override { return tool; }
        void SetModified() override {}
    } host;
    host.p = picture.get();
    host.tool = static_cast<DrawingTool>(state.range(0));
    picture->Canvas()->Brush()->SetColor(0x3070D0);
    for (auto _ : state)
        PaintFigure(host, true, gdi::R2_COPYPEN, TPoint{100, 100}, TPoint{1100, 1100});
}
BENCHMARK(BM_FinalBody)
    ->ArgName("tool")
    ->Arg(dtPlus3D)
    ->Arg(dtBox3D)
    ->Arg(dtEllipsoid3D)
    ->Arg(dtCylinder3D)
    ->Arg(dtTorus3D)
    ->Arg(dtFrame3D)
    ->Arg(dtCone3D)
    ->Arg(dtJug3D)
    ->Arg(dtSpring3D)
    ->Unit(benchmark::kMillisecond);

// The cone's fan alone at 1000 x 1000, as painted and with every one of its steps drawn.
void BM_ConeFan(benchmark::State& state)
{
    auto picture = whitePicture(1200, 1200);
    TCanvas& canvas = *picture->Canvas();
    canvas.Brush()->SetColor(0x3070D0);
    const bool everyStep = state.range(0) != 0;
    for (auto _ : state) {
        if (everyStep)
            ShadedConeEveryStep(canvas, TPoint{100, 100}, TPoint{1100, 1100});
        else
            ShadedCone(canvas, TPoint{100, 100}, TPoint{1100, 1100});
    }
}
BENCHMARK(BM_ConeFan)->ArgName("everyStep")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
