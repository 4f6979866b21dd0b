#pragma once
// Which rows of a bitmap may have been written since someone last asked. Writers note the rows
// they take for writing; whoever keeps renders of the bitmap takes the note and redoes only
// those rows.

#include <algorithm>
#include <atomic>
#include <climits>

namespace gdi {

// Rows first..last, both included; empty when first > last.
struct RowRange {
    int first = INT_MAX;
    int last = -1;

    static RowRange all() { return {0, INT_MAX}; }
    bool empty() const { return first > last; }
    void unite(const RowRange& other)
    {
        first = std::min(first, other.first);
        last = std::max(last, other.last);
    }
    friend bool operator==(const RowRange&, const RowRange&) = default;
};

class RowChangeNote {
public:
    // Transforms note rows from several threads at once. A row inside the range already costs
    // two plain reads, so writers do not keep taking the cache line from each other.
    void note(int row) { noteRows(row, row); }
    void noteRows(int first, int last)
    {
        lower(first_, first);
        raise(last_, last);
    }
    void noteAll() { noteRows(0, INT_MAX); }
    // The rows noted since the last take; the note is empty afterwards.
    RowRange take()
    {
        return {first_.exchange(INT_MAX, std::memory_order_relaxed), last_.exchange(-1, std::memory_order_relaxed)};
    }

private:
    static void lower(std::atomic<int>& bound, int value)
    {
        int current = bound.load(std::memory_order_relaxed);
        while (value < current && !bound.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
        }
    }
    static void raise(std::atomic<int>& bound, int value)
    {
        int current = bound.load(std::memory_order_relaxed);
        while (value > current && !bound.compare_exchange_weak(current, value, std::memory_order_relaxed)) {
        }
    }

    std::atomic<int> first_{0};
    std::atomic<int> last_{INT_MAX}; // a new bitmap counts as written everywhere
};

} // namespace gdi
