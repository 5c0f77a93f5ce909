// The one thread that owns all session state runs an EventLoop. The desktop program uses Qt's loop,
// the headless program and the tests a poll()/eventfd loop. Other threads only post or send tasks.
#pragma once

#include <chrono>
#include <functional>

namespace orkan {

class EventLoop {
public:
    using Task = std::function<void()>;
    virtual ~EventLoop() = default;

    // Runs `task` on the loop thread later. Safe from any thread.
    virtual void Post(Task task) = 0;
    // Runs `task` on the loop thread and waits until it has run. Returns false without running it
    // when `cancelled` becomes true first or the loop is stopping, so a closing session never
    // deadlocks with the thread that hands data over.
    virtual bool SendAndWait(Task task, const std::function<bool()>& cancelled) = 0;

    // Timers by id, as the session uses them (1 blink/once-a-second, 3 locator, 4 macro steps, ...).
    // Starting a running id restarts it. Loop thread only.
    virtual void StartTimer(int id, std::chrono::milliseconds period, bool once, Task task) = 0;
    virtual void StopTimer(int id) = 0;

    // Calls `ready` on the loop thread whenever `fd` is readable. Loop thread only.
    virtual void WatchReadable(int fd, Task ready) = 0;
    virtual void UnwatchReadable(int fd) = 0;

    virtual bool IsLoopThread() const = 0;

    // A block of timer ids no other owner on this loop uses (see ScopedTimers). Loop thread only.
    int ReserveTimerBlock() { return next_timer_block_ += kTimerBlockSize; }
    static constexpr int kTimerBlockSize = 256;

private:
    int next_timer_block_ = 1 << 16;  // below: ids callers choose themselves
};

}  // namespace orkan
