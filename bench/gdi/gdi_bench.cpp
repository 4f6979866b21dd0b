// Raster layer speed on a 4000x3000 picture, each figure reported as a ratio to a plain
// memset or memcpy of the same bytes timed in the same run ("x_memset", "x_memcpy" counters).

#include "platform/gdi/device_context.h"
#include "platform/gdi/packed_rows.h"

#include "fastest_run.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

using namespace gdi;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

double memsetSeconds(size_t bytes)
{
    std::vector<uint8_t> buffer(bytes);
    int value = 0;
    return fastest(7, [&] {
        std::memset(buffer.data(), ++value, bytes);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    });
}

double memcpySeconds(size_t bytes)
{
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    return fastest(7, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    });
}

// Runs `body` once per iteration, timing each, and reports the fastest iteration against the
// baseline.
template <class Body>
void timeAgainst(benchmark::State& state, double baseline, const char* counter, Body&& body)
{
    double best = 1e30;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        body();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters[counter] = best / baseline;
    state.counters["best_ms"] = best * 1000.0;
    state.counters["baseline_ms"] = baseline * 1000.0;
}

// Times paint on a whole 24-bit picture against a memset of its bytes; paint gets the device
// context and the iteration's number, so each iteration can change colour and really paint.
template <class Paint>
void paintAgainstMemset(benchmark::State& state, Paint&& paint)
{
    DibSurface surface(kWidth, kHeight, 24);
    DeviceContext dc(surface);
    const double baseline = memsetSeconds(surface.imageBytes());
    int n = 0;
    timeAgainst(state, baseline, "x_memset", [&] {
        paint(dc, ++n);
        benchmark::ClobberMemory();
    });
}

void BM_SolidRectangle24(benchmark::State& state)
{
    paintAgainstMemset(state, [](DeviceContext& dc, int n) {
        dc.SelectBrush(Brush::solid(RGB(static_cast<uint8_t>(n), 40, 200)));
        dc.Rectangle(0, 0, kWidth, kHeight);
    });
}
BENCHMARK(BM_SolidRectangle24)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_SolidEllipse24(benchmark::State& state)
{
    paintAgainstMemset(state, [](DeviceContext& dc, int n) {
        dc.SelectBrush(Brush::solid(RGB(static_cast<uint8_t>(n), 40, 200)));
        dc.Ellipse(0, 0, kWidth, kHeight);
    });
}
BENCHMARK(BM_SolidEllipse24)->Unit(benchmark::kMillisecond)->Iterations(10);

// The editor's fill: the whole uniform picture is the region, alternating colours so every
// iteration really fills.
void BM_FloodFill24(benchmark::State& state)
{
    paintAgainstMemset(state, [](DeviceContext& dc, int n) {
        dc.SelectBrush(Brush::solid(n % 2 ? RGB(10, 20, 30) : RGB(200, 100, 50)));
        const ColorRef c = dc.GetPixel(kWidth / 2, kHeight / 2);
        dc.ExtFloodFill(kWidth / 2, kHeight / 2, c, FLOODFILLSURFACE);
    });
}
BENCHMARK(BM_FloodFill24)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_StretchBltColorOnColor24(benchmark::State& state)
{
    DibSurface source(kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = source.scanLine(y);
        for (int i = 0; i < kWidth * 3; ++i)
            row[i] = static_cast<uint8_t>(i * 7 + y);
    }
    DibSurface target(kWidth / 4, kHeight / 4, 24);
    DeviceContext from(source), dc(target);
    dc.SetStretchBltMode(COLORONCOLOR);
    const double baseline = memcpySeconds(target.imageBytes());
    timeAgainst(state, baseline, "x_memcpy", [&] {
        dc.StretchBlt(0, 0, kWidth / 4, kHeight / 4, &from, 0, 0, kWidth, kHeight, SRCCOPY);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_StretchBltColorOnColor24)->Unit(benchmark::kMillisecond)->Iterations(20);

// Undo restores a picture through the 32-bit work image: its 24-bit snapshot onto the work
// image, then the work image onto the 24-bit picture, both whole-picture copies.
void BM_UndoRestoreRows24(benchmark::State& state)
{
    DibSurface snapshot(kWidth, kHeight, 24), work(kWidth, kHeight, 32), picture(kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
        uint8_t* row = snapshot.scanLine(y);
        for (int i = 0; i < kWidth * 3; ++i)
            row[i] = static_cast<uint8_t>(i * 7 + y);
    }
    DeviceContext from(snapshot), through(work), to(picture);
    const double baseline = memcpySeconds(picture.imageBytes());
    timeAgainst(state, baseline, "x_memcpy", [&] {
        through.BitBlt(0, 0, kWidth, kHeight, &from, 0, 0, SRCCOPY);
        to.BitBlt(0, 0, kWidth, kHeight, &through, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_UndoRestoreRows24)->Unit(benchmark::kMillisecond)->Iterations(10);

// ---- packed rows: a 4000 x 3000 row set of one depth against a memcpy of its bytes ----------

struct PackedRowSet {
    int bits;
    size_t rowBytes;
    std::vector<uint8_t> bytes;

    explicit PackedRowSet(int bitsPerPixel)
        : bits(bitsPerPixel), rowBytes(static_cast<size_t>(DibSurface::rowBytesFor(kWidth, bitsPerPixel))),
          bytes(rowBytes * kHeight)
    {
        std::mt19937 random(7);
        for (uint8_t& b : bytes)
            b = static_cast<uint8_t>(random());
    }
    uint8_t* row(int y) { return bytes.data() + rowBytes * static_cast<size_t>(y); }
};

// Every row fetched into one row buffer, as a row loop that works on the values does.
void BM_PackedFetchRows(benchmark::State& state)
{
    PackedRowSet set(static_cast<int>(state.range(0)));
    const PackedRowFormat& format = packedRowFormat(set.bits);
    std::vector<uint32_t> values(kWidth);
    timeAgainst(state, memcpySeconds(set.bytes.size()), "x_memcpy", [&] {
        for (int y = 0; y < kHeight; ++y) {
            format.fetch(set.row(y), 0, kWidth, values.data());
            benchmark::DoNotOptimize(values.data());
        }
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_PackedFetchRows)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Iterations(10);

// Every row fetched into a whole 32-bit image, as a conversion to another picture does.
void BM_PackedFetchImage(benchmark::State& state)
{
    PackedRowSet set(static_cast<int>(state.range(0)));
    const PackedRowFormat& format = packedRowFormat(set.bits);
    std::vector<uint32_t> image(static_cast<size_t>(kWidth) * kHeight);
    timeAgainst(state, memcpySeconds(set.bytes.size()), "x_memcpy", [&] {
        for (int y = 0; y < kHeight; ++y)
            format.fetch(set.row(y), 0, kWidth, image.data() + static_cast<size_t>(kWidth) * y);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_PackedFetchImage)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Iterations(10);

// One row buffer stored into every row of the set.
void BM_PackedStoreRows(benchmark::State& state)
{
    PackedRowSet set(static_cast<int>(state.range(0)));
    const PackedRowFormat& format = packedRowFormat(set.bits);
    std::vector<uint32_t> values(kWidth);
    std::mt19937 random(11);
    for (uint32_t& v : values)
        v = random();
    timeAgainst(state, memcpySeconds(set.bytes.size()), "x_memcpy", [&] {
        for (int y = 0; y < kHeight; ++y)
            format.store(values.data(), 0, kWidth, set.row(y));
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_PackedStoreRows)->Arg(1)->Arg(4)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

// A drag with a texture brush: a megapixel tile, and a dozen small figures painted with it as the
// preview follows the mouse. Each figure costs its own pixels, not a pass over the whole tile:
// reported against a memset of the tile's bytes, which the dozen figures together stay well below.
void BM_TextureBrushDragPreviews24(benchmark::State& state)
{
    constexpr int kTile = 1000;
    auto tile = std::make_shared<ColorTile>();
    tile->width = kTile;
    tile->height = kTile;
    tile->colours.reserve(size_t{kTile} * kTile);
    for (int i = 0; i < kTile * kTile; ++i)
        tile->colours.push_back(RGB(static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 3), static_cast<uint8_t>(i >> 7)));
    DibSurface surface(kWidth, kHeight, 24);
    DeviceContext dc(surface);
    dc.SelectBrush(Brush::colorTile(tile));
    dc.SetROP2(R2_NOTXORPEN);
    const double baseline = memsetSeconds(size_t{kTile} * kTile * 3);
    timeAgainst(state, baseline, "x_memset", [&] {
        for (int i = 0; i < 12; ++i)
            dc.Ellipse(100 + 10 * i, 100, 140 + 10 * i, 140);
        benchmark::ClobberMemory();
    });
}
BENCHMARK(BM_TextureBrushDragPreviews24)->Unit(benchmark::kMillisecond)->Iterations(10);

BENCHMARK_MAIN();
