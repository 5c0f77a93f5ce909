// The event loop of the headless program and the tests: the loop thread sleeps in epoll_wait() on
// an eventfd (posted work), the watched descriptors and the nearest timer. The descriptors stay
// registered between turns, so a turn costs one call however many are watched.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/event_loop.h"

namespace orkan {

class PollEventLoop final : public EventLoop {
  public:
    // Throws std::system_error when the kernel gives no eventfd or epoll instance: without them
    // nothing can wake the loop.
    PollEventLoop();
    ~PollEventLoop() override;
    PollEventLoop(const PollEventLoop&) = delete;
    PollEventLoop& operator=(const PollEventLoop&) = delete;

    void Post(Task task) override;
    // Called on the loop thread itself, runs the task at once. When the wait is given up after the
    // loop has begun the task, returns StillRunning at once: the task finishes on its own, so a task
    // that closes the sender's connection (and joins its thread) never deadlocks with it.
    SendResult SendAndWait(Task task, const std::function<bool()>& cancelled) override;
    // Timers use the monotonic clock. A periodic timer that falls behind skips the missed ticks.
    void StartTimer(int id, std::chrono::milliseconds period, bool once, Task task) override;
    void StopTimer(int id) override;
    // Also called on hang-up and error, so the reader sees the end. A descriptor that cannot be
    // watched (closed, or a regular file) is not; one closed while still watched is not heard again.
    void WatchReadable(int fd, Task ready) override;
    void UnwatchReadable(int fd) override;
    bool IsLoopThread() const override;

    // Runs on the calling thread until Stop(). Afterwards, senders give up until the next run.
    void Run();
    // Runs until `done` holds (checked after every turn), Stop(), or `timeout`; returns done().
    // Senders keep waiting across the return: the loop is only paused.
    [[nodiscard]] bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // Any thread: the loop returns after the work it is doing and waiting senders give up.
    void Stop();

  private:
    using TimePoint = std::chrono::steady_clock::time_point;
    enum class State : uint8_t { Idle, Running, Stopping, Stopped };
    struct Timer {
        std::chrono::milliseconds period;
        bool once;
        TimePoint due;
        Task task;
        uint64_t serial;  // tells a restarted timer from the one that fell due
    };
    struct Watch {
        Task ready;
        uint64_t serial;
        bool always_ready = false;  // a regular file, which epoll cannot watch: it never blocks
    };

    // One turn: wait for work up to `deadline`, then run posted tasks, due timers and ready fds.
    void Turn(TimePoint deadline);
    void RunDueTimers();
    void Wake();
    bool StopRequested();

    int wake_fd_ = -1;
    int epoll_fd_ = -1;
    std::atomic<std::thread::id> loop_thread_;

    std::mutex mutex_;  // guards the fields up to send_done_
    std::deque<Task> posted_;
    State state_ = State::Idle;
    bool stop_requested_ = false;
    std::condition_variable send_done_;

    // Loop thread only.
    std::map<int, Timer> timers_;
    std::map<int, Watch> watches_;
    uint64_t next_serial_ = 1;
};

}  // namespace orkan
