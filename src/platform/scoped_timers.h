// The timers of one owner (a session runtime, a macro runner, a window) on a loop that others share:
// the owner's own small ids map onto loop ids that nobody else uses, and going away stops exactly the
// timers it started, never another session's.
#pragma once

#include <chrono>
#include <set>

#include "platform/event_loop.h"

namespace orkan {

class ScopedTimers {
  public:
    explicit ScopedTimers(EventLoop& loop) : loop_(loop), base_(loop.ReserveTimerBlock()) {}
    ~ScopedTimers() { StopAll(); }
    ScopedTimers(const ScopedTimers&) = delete;
    ScopedTimers& operator=(const ScopedTimers&) = delete;

    // `id` is the owner's own, 0 to EventLoop::kTimerBlockSize - 1. Starting a running id restarts it.
    void Start(int id, std::chrono::milliseconds period, bool once, EventLoop::Task task) {
        started_.insert(id);
        loop_.StartTimer(base_ + id, period, once, std::move(task));
    }
    void Stop(int id) {
        started_.erase(id);
        loop_.StopTimer(base_ + id);
    }
    void StopAll() {
        for (int id : started_) loop_.StopTimer(base_ + id);
        started_.clear();
    }
    EventLoop& loop() { return loop_; }

  private:
    EventLoop& loop_;
    const int base_;
    std::set<int> started_;
};

}  // namespace orkan
