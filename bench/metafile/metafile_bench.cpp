// Import of a metafile of 10,000 drawing records (reading it and playing it into the new
// window's 1324 x 651 bitmap) against the same figures drawn by direct calls on the raster
// layer in the same run ("x_direct" counter: the import's time over the direct calls' time).

#include "platform/framework/bitmap.h"
#include "platform/framework/canvas.h"
#include "platform/framework/stream.h"
#include "platform/gdi/device_context.h"
#include "platform/metafile/metafile.h"

#include <uemf.h>

#include "fastest_run.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 1324;
constexpr int kHeight = 651;
constexpr int kRecords = 10000;

// One drawing step, kept both as a record and as the direct call it stands for.
struct Step {
    enum Kind { Pen, Brush, Rectangle, Ellipse, Polygon, Polyline, Line } kind;
    gdi::Rect box;
    gdi::ColorRef colour = 0;
    std::vector<gdi::Point> points;
};

std::vector<Step> makeSteps()
{
    std::mt19937 random(7);
    auto coordinate = [&](int limit) { return static_cast<int>(random() % static_cast<unsigned>(limit)); };
    std::vector<Step> steps;
    for (int i = 0; i < kRecords; ++i) {
        Step step;
        step.kind = static_cast<Step::Kind>(i % 50 == 0 ? Step::Pen : i % 50 == 25 ? Step::Brush : 2 + i % 5);
        const int x = coordinate(kWidth - 60), y = coordinate(kHeight - 60);
        step.box = gdi::Rect{x, y, x + 10 + coordinate(50), y + 10 + coordinate(50)};
        step.colour = gdi::RGB(random() & 255, random() & 255, random() & 255);
        for (int k = 0; k < 6; ++k)
            step.points.push_back(gdi::Point{x + coordinate(60), y + coordinate(60)});
        steps.push_back(std::move(step));
    }
    return steps;
}

void append(std::vector<uint8_t>& out, char* record)
{
    uint32_t size;
    std::memcpy(&size, record + 4, 4);
    out.insert(out.end(), record, record + size);
    std::free(record);
}

std::vector<uint8_t> recordSteps(const std::vector<Step>& steps)
{
    std::vector<uint8_t> out;
    const U_RECTL page{0, 0, kWidth - 1, kHeight - 1};
    const U_RECTL frame{0, 0, kWidth * 2540 / 96, kHeight * 2540 / 96};
    append(out, U_EMRHEADER_set(page, frame, nullptr, 0, nullptr, U_SIZEL{1920, 960}, U_SIZEL{508, 254}, 0));
    for (const Step& s : steps) {
        const U_RECTL box{s.box.left, s.box.top, s.box.right, s.box.bottom};
        std::vector<U_POINT16> points;
        for (const gdi::Point& p : s.points)
            points.push_back(U_POINT16{static_cast<int16_t>(p.x), static_cast<int16_t>(p.y)});
        const U_COLORREF colour = colorref3_set(gdi::GetRValue(s.colour), gdi::GetGValue(s.colour), gdi::GetBValue(s.colour));
        switch (s.kind) {
        case Step::Pen:
            append(out, U_EMRCREATEPEN_set(1, logpen_set(U_PS_SOLID, U_POINT{1, 0}, colour)));
            append(out, U_EMRSELECTOBJECT_set(1));
            break;
        case Step::Brush:
            append(out, U_EMRCREATEBRUSHINDIRECT_set(2, logbrush_set(U_BS_SOLID, colour, 0)));
            append(out, U_EMRSELECTOBJECT_set(2));
            break;
        case Step::Rectangle: append(out, U_EMRRECTANGLE_set(box)); break;
        case Step::Ellipse: append(out, U_EMRELLIPSE_set(box)); break;
        case Step::Polygon: append(out, U_EMRPOLYGON16_set(box, 6, points.data())); break;
        case Step::Polyline: append(out, U_EMRPOLYLINE16_set(box, 6, points.data())); break;
        case Step::Line:
            append(out, U_EMRMOVETOEX_set(U_POINTL{s.box.left, s.box.top}));
            append(out, U_EMRLINETO_set(U_POINTL{s.box.right, s.box.bottom}));
            break;
        }
    }
    EMFTRACK track{};
    append(out, U_EMREOF_set(0, nullptr, &track));
    const uint32_t total = static_cast<uint32_t>(out.size());
    std::memcpy(out.data() + offsetof(U_EMRHEADER, nBytes), &total, 4);
    const uint16_t handles = 3;
    std::memcpy(out.data() + offsetof(U_EMRHEADER, nHandles), &handles, 2);
    return out;
}

void drawDirectly(gdi::DeviceContext& dc, const std::vector<Step>& steps)
{
    for (const Step& s : steps) {
        switch (s.kind) {
        case Step::Pen: dc.SelectPen(gdi::Pen::solid(s.colour)); break;
        case Step::Brush: dc.SelectBrush(gdi::Brush::solid(s.colour)); break;
        case Step::Rectangle: dc.Rectangle(s.box.left, s.box.top, s.box.right, s.box.bottom); break;
        case Step::Ellipse: dc.Ellipse(s.box.left, s.box.top, s.box.right, s.box.bottom); break;
        case Step::Polygon: dc.Polygon(s.points); break;
        case Step::Polyline: dc.Polyline(s.points); break;
        case Step::Line:
            dc.MoveTo(s.box.left, s.box.top);
            dc.LineTo(s.box.right, s.box.bottom);
            break;
        }
    }
}

void BM_ImportTenThousandRecords(benchmark::State& state)
{
    const std::vector<Step> steps = makeSteps();
    const std::vector<uint8_t> bytes = recordSteps(steps);
    TBitmap target;
    target.SetPixelFormat(pf32bit);
    target.SetSize(kWidth, kHeight);
    auto import = [&] {
        TMemoryStream stream;
        stream.WriteBuffer(bytes);
        stream.SetPosition(0);
        TMetafile metafile;
        metafile.LoadFromStream(stream);
        target.Canvas()->Draw(0, 0, &metafile);
    };
    const double direct = fastest(5, [&] {
        gdi::DeviceContext dc(*target.Surface());
        drawDirectly(dc, steps);
    });
    double best = 1e30;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        import();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["x_direct"] = best / direct;
    state.counters["direct_ms"] = direct * 1000;
}
BENCHMARK(BM_ImportTenThousandRecords)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
