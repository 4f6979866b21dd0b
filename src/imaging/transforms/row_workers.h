#pragma once
// Splits a job over picture rows between the calling thread and, for big jobs, one more.

#include <cstdint>
#include <functional>

namespace row_workers {

// Runs body(worker, firstRow, lastRow) over rows [0, rows) in chunks; worker is 0 on the calling
// thread and 1 on the helper, so per-worker state can be kept without locks. rowsDone(n) is
// called on the calling thread only, with n rising to rows. A workPerRow of 0 keeps the job on
// the calling thread (for bodies that share a buffer). body must not throw; if rowsDone
// throws, the helper is stopped and joined before the exception leaves.
void forEachRows(int rows, int64_t workPerRow, const std::function<void(int worker, int first, int last)>& body,
                 const std::function<void(int rowsDone)>& rowsDone);

// Two workers at most.
constexpr int MaxWorkers = 2;

// The least work (rows × work per row) for which a second thread joins in. Tests lower it to
// run the two-thread paths on small pictures.
int64_t parallelWorkThreshold();
void setParallelWorkThreshold(int64_t work);

} // namespace row_workers
