#include "imaging/transforms/row_workers.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace row_workers {

namespace {
// Below this much work a second thread costs more than it saves.
std::atomic<int64_t> threshold{int64_t{1} << 16};
} // namespace

int64_t parallelWorkThreshold()
{
    return threshold.load();
}

void setParallelWorkThreshold(int64_t work)
{
    threshold.store(work);
}

void forEachRows(int rows, int64_t workPerRow, const std::function<void(int worker, int first, int last)>& body,
                 const std::function<void(int rowsDone)>& rowsDone)
{
    if (rows <= 0)
        return;
    const bool parallel = std::thread::hardware_concurrency() > 1 && rows >= 2 && workPerRow > 0
                       && static_cast<int64_t>(rows) * workPerRow >= threshold.load();
    const int chunk = std::clamp(rows / 128, 1, 64);
    if (!parallel) {
        for (int first = 0; first < rows; first += chunk) {
            const int last = std::min(rows, first + chunk);
            body(0, first, last);
            if (rowsDone)
                rowsDone(last);
        }
        return;
    }

    std::atomic<int> nextRow{0};
    std::atomic<int> finished{0};
    std::atomic<bool> stop{false};
    auto takeChunks = [&](int worker, bool report) {
        while (!stop.load(std::memory_order_relaxed)) {
            const int first = nextRow.fetch_add(chunk);
            if (first >= rows)
                return;
            const int last = std::min(rows, first + chunk);
            body(worker, first, last);
            const int done = finished.fetch_add(last - first) + (last - first);
            if (report && rowsDone)
                rowsDone(done);
        }
    };
    std::thread helper([&] { takeChunks(1, false); });
    try {
        takeChunks(0, true);
    } catch (...) {
        stop = true;
        helper.join();
        throw;
    }
    helper.join();
    if (rowsDone)
        rowsDone(rows);
}

} // namespace row_workers
