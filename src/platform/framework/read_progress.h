#pragma once
// How far a reader has got through a picture, for whoever waits on it: a window opening a big
// file shows it in its status bar. Readers report as they go; with no listener on the thread
// that reads, a report costs a test and nothing more, and reads on other threads stay silent.

#include <cstdint>
#include <functional>

namespace ReadProgress {

// Listens, on the thread that makes it, while it lives; percent runs from 0 to 100.
class Listener {
public:
    explicit Listener(std::function<void(int percent)> onPercent);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

private:
    std::function<void(int)> onPercent_;
    Listener* outer_;
    int lastPercent_ = -1;
    friend void Report(int64_t done, int64_t total);
};

// done of total units (rows, say) read; passed on only when the whole percent changes.
void Report(int64_t done, int64_t total);

} // namespace ReadProgress
