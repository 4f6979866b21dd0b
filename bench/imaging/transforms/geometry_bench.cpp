// Mirrors, quarter turns and crops of a 4000 x 3000 true-colour picture, each reported as a
// ratio to a plain memcpy of the picture's bytes timed in the same run ("x_memcpy"), the way
// the commands run them: mirrors in the picture's own memory, turns and crops into a new one.

#include "imaging/transforms/crop_transform.h"
#include "imaging/transforms/orientation_transform.h"
#include "imaging/transforms/rotate_transform.h"

#include "fastest_run.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

double memcpySeconds(size_t bytes)
{
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    return fastest(7, [&] {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    });
}

void makePicture(TDibGraphic& picture)
{
    picture.NewImage(kWidth, kHeight, ifTrueColor, nullptr, 0, 0);
    uint8_t* bits = picture.Bits();
    const size_t bytes = static_cast<size_t>(picture.RowBytes()) * kHeight;
    for (size_t i = 0; i < bytes; ++i)
        bits[i] = static_cast<uint8_t>(i * 7 + i / 9973);
}

template <class Body>
void timeAgainstMemcpy(benchmark::State& state, const TDibGraphic& picture, Body&& body)
{
    const double baseline = memcpySeconds(static_cast<size_t>(picture.RowBytes()) * picture.GetHeight());
    double best = 1e30;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        body();
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    state.counters["x_memcpy"] = best / baseline;
    state.counters["best_ms"] = best * 1000.0;
    state.counters["baseline_ms"] = baseline * 1000.0;
}

void orientation(benchmark::State& state, TOrientation orientation)
{
    TDibGraphic picture;
    makePicture(picture);
    TOrientationTransform transform;
    transform.Orientation = orientation;
    timeAgainstMemcpy(state, picture, [&] { transform.Apply(picture); });
}

void FlipHorizontal(benchmark::State& state) { orientation(state, orFlipHorizontal); }
BENCHMARK(FlipHorizontal)->Unit(benchmark::kMillisecond)->Iterations(10);
void FlipVertical(benchmark::State& state) { orientation(state, orFlipVertical); }
BENCHMARK(FlipVertical)->Unit(benchmark::kMillisecond)->Iterations(10);
void RotateClockwise(benchmark::State& state) { orientation(state, orRotateClockwise); }
BENCHMARK(RotateClockwise)->Unit(benchmark::kMillisecond)->Iterations(10);
void Rotate180(benchmark::State& state) { orientation(state, orRotate180); }
BENCHMARK(Rotate180)->Unit(benchmark::kMillisecond)->Iterations(10);

// A selection of most of the picture: a tenth cut off each side.
void CropToSelection(benchmark::State& state)
{
    TDibGraphic picture;
    makePicture(picture);
    TCropTransform transform;
    transform.CutLeft = transform.CutRight = kWidth / 10;
    transform.CutTop = transform.CutBottom = kHeight / 10;
    timeAgainstMemcpy(state, picture, [&] {
        TDibGraphic cropped;
        transform.ApplyOnDest(picture, cropped);
        benchmark::DoNotOptimize(cropped.Bits());
    });
}
BENCHMARK(CropToSelection)->Unit(benchmark::kMillisecond)->Iterations(10);

void Rotate17(benchmark::State& state)
{
    TDibGraphic picture;
    makePicture(picture);
    TRotateTransform transform;
    transform.Angle = 17.0;
    timeAgainstMemcpy(state, picture, [&] {
        TDibGraphic turned;
        transform.ApplyOnDest(picture, turned);
        benchmark::DoNotOptimize(turned.Bits());
    });
}
BENCHMARK(Rotate17)->Unit(benchmark::kMillisecond)->Iterations(5);

// What a turn pays before it moves a pixel: a new picture of the same size, written once.
void NewPicture(benchmark::State& state)
{
    TDibGraphic picture;
    makePicture(picture);
    timeAgainstMemcpy(state, picture, [&] {
        TDibGraphic fresh;
        fresh.NewImage(kHeight, kWidth, ifTrueColor, nullptr, 0, 0);
        std::memset(fresh.Bits(), 1, static_cast<size_t>(fresh.RowBytes()) * kWidth);
        benchmark::DoNotOptimize(fresh.Bits());
    });
}
BENCHMARK(NewPicture)->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

BENCHMARK_MAIN();
