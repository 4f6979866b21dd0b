#pragma once
// The fastest of several runs of a piece of work: the figure least disturbed by the rest of the
// machine, which the benchmarks' ratios are made of.

#include <algorithm>
#include <chrono>

template <class F>
double fastest(int runs, F&& f)
{
    using Clock = std::chrono::steady_clock;
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}
