// Writing colours into a 256-colour picture, measured against a memset of the same bytes.
#include "imaging/dib_graphic.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000; // 12 million pixels

// Smooth gradients with soft shapes and a little sensor noise: neighbouring pixels are close
// but seldom equal, as in a photograph.
const std::vector<uint32_t>& photoColours()
{
    static const std::vector<uint32_t> colours = [] {
        std::vector<uint32_t> c(static_cast<size_t>(kWidth) * kHeight);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> noise(-3, 3);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const double u = double(x) / kWidth;
                const double v = double(y) / kHeight;
                const double blob = std::exp(-((u - 0.4) * (u - 0.4) + (v - 0.5) * (v - 0.5)) * 12);
                auto clamp = [](double d) { return uint32_t(std::lround(std::fmin(255.0, std::fmax(0.0, d)))); };
                const uint32_t r = clamp(60 + 150 * blob + 30 * std::sin(u * 9) + noise(random));
                const uint32_t g = clamp(90 + 90 * v + 40 * blob + noise(random));
                const uint32_t b = clamp(170 - 120 * v + 50 * std::cos(v * 7 + u * 3) + noise(random));
                c[size_t(y) * kWidth + x] = (r << 16) | (g << 8) | b;
            }
        return c;
    }();
    return colours;
}

void BM_MemsetBaseline(benchmark::State& state)
{
    TDibGraphic picture;
    picture.NewImage(kWidth, kHeight, ifColor256, nullptr, 0, 0);
    const size_t bytes = size_t(picture.RowBytes()) * kHeight;
    int value = 0;
    for (auto _ : state) {
        std::memset(picture.Bits(), ++value, bytes);
        benchmark::DoNotOptimize(picture.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}

void BM_SetPixelRGBColor256(benchmark::State& state)
{
    const std::vector<uint32_t>& colours = photoColours();
    TDibGraphic picture;
    for (auto _ : state) {
        // A fresh picture each time, so the matcher starts with nothing learnt.
        state.PauseTiming();
        picture.NewImage(kWidth, kHeight, ifColor256, nullptr, 0, 0);
        state.ResumeTiming();
        const uint32_t* c = colours.data();
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                picture.SetPixelRGB(x, y, *c++);
        benchmark::DoNotOptimize(picture.Bits());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

} // namespace

BENCHMARK(BM_MemsetBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetPixelRGBColor256)->Unit(benchmark::kMillisecond);

// Runs both and prints the ratio of processor times, so the figure depends neither on the
// machine nor on other work sharing it.
int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    struct Collect : benchmark::ConsoleReporter {
        std::map<std::string, double> times;
        void ReportRuns(const std::vector<Run>& runs) override
        {
            for (const Run& r : runs)
                if (r.run_type == Run::RT_Iteration)
                    times[r.benchmark_name()] = r.GetAdjustedCPUTime();
            ConsoleReporter::ReportRuns(runs);
        }
    } reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto base = reporter.times.find("BM_MemsetBaseline");
    const auto set = reporter.times.find("BM_SetPixelRGBColor256");
    if (base != reporter.times.end() && set != reporter.times.end() && base->second > 0)
        std::printf("SetPixelRGB / memset over 12 million 256-colour pixels: %.1f\n", set->second / base->second);
    benchmark::Shutdown();
    return 0;
}
