#include "platform/framework/read_progress.h"

#include <utility>

namespace ReadProgress {

namespace {
thread_local Listener* current = nullptr;
}

Listener::Listener(std::function<void(int percent)> onPercent)
    : onPercent_(std::move(onPercent)), outer_(current)
{
    current = this;
}

Listener::~Listener()
{
    current = outer_;
}

void Report(int64_t done, int64_t total)
{
    Listener* listener = current;
    if (!listener || total <= 0)
        return;
    const int percent = static_cast<int>(done >= total ? 100 : done * 100 / total);
    if (percent == listener->lastPercent_)
        return;
    listener->lastPercent_ = percent;
    if (listener->onPercent_)
        listener->onPercent_(percent);
}

} // namespace ReadProgress
