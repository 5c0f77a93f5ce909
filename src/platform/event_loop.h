// The one thread that owns all session state runs an EventLoop. The desktop program uses Qt's loop,
// the headless program and the tests a poll()/eventfd loop. Other threads only post or send tasks.
#pragma once

#include <chrono>
#include <functional>

namespace orkan {

// How a send-and-wait ended. Only Ran means the task's effects are complete: after StillRunning the
// task goes on by itself on the loop thread, so the sender must not read what it writes.
enum class SendResult : uint8_t {
    Ran,           // the task ran to its end while the sender waited
    Abandoned,     // given up before it started: it never runs
    StillRunning,  // given up while it was running (cancelled or the loop stopping)
};

class EventLoop {
  public:
    using Task = std::function<void()>;
    virtual ~EventLoop() = default;

    // Runs `task` on the loop thread later. Safe from any thread.
    virtual void Post(Task task) = 0;
    // Runs `task` on the loop thread and waits until it has run. Gives up when `cancelled` becomes
    // true or the loop is stopping, so a closing session never deadlocks with the thread that hands
    // data over: before the task started it never runs (Abandoned); once it started it finishes on
    // its own (StillRunning). On the loop thread itself the task runs at once.
    [[nodiscard]] virtual SendResult SendAndWait(Task task, const std::function<bool()>& cancelled) = 0;

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
