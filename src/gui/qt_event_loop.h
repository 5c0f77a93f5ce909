// The EventLoop of the desktop program on Qt's own loop: posted tasks are Qt events, timers are
// QTimers by id, fd watches are QSocketNotifiers. The loop thread is the thread that made it (the
// GUI thread). Hand-overs follow the poll loop's rules exactly, so the session runtime behaves the
// same in both programs.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/event_loop.h"

namespace orkan {

class QtEventLoop final : public QObject, public EventLoop {
  public:
    // Needs a QCoreApplication; stops (waiters give up) when the application is about to quit.
    QtEventLoop();
    ~QtEventLoop() override;
    QtEventLoop(const QtEventLoop&) = delete;
    QtEventLoop& operator=(const QtEventLoop&) = delete;

    void Post(Task task) override;
    // On the loop thread the task runs at once. A wait given up after the loop has begun the task
    // returns true at once: the task finishes on its own, so a task that closes the sender's
    // connection (and joins its thread) never deadlocks with it. A wait given up before returns
    // false and the task never runs.
    SendResult SendAndWait(Task task, const std::function<bool()>& cancelled) override;
    void StartTimer(int id, std::chrono::milliseconds period, bool once, Task task) override;
    void StopTimer(int id) override;
    // Readable, hang-up and error all wake the watcher, so it sees the end of its descriptor.
    void WatchReadable(int fd, Task ready) override;
    void UnwatchReadable(int fd) override;
    bool IsLoopThread() const override;

    // Any thread: waiting senders give up and later ones do not wait; posted tasks still run while
    // Qt's loop turns.
    void Stop();
    // Tests and modal helpers: turns Qt's loop until `done` holds or `timeout` passes.
    [[nodiscard]] bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

  protected:
    bool event(QEvent* event) override;

  private:
    struct Timer {
        std::unique_ptr<QTimer> timer;
        Task task;
        uint64_t serial = 0;
    };
    struct Watch {
        std::unique_ptr<QSocketNotifier> notifier;
        Task ready;
        uint64_t serial = 0;
    };

    void OnTimer(int id, uint64_t serial);
    void OnReadable(int fd, uint64_t serial);
    // A QObject deleted inside its own signal would pull the ground from under Qt.
    template <class T>
    static void Retire(std::unique_ptr<T>& object);

    std::thread::id loop_thread_;

    std::mutex mutex_;  // guards stopped_ and the hand-over states
    bool stopped_ = false;
    std::condition_variable send_done_;

    // Loop thread only.
    std::map<int, Timer> timers_;
    std::map<int, Watch> watches_;
    uint64_t next_serial_ = 1;
};

}  // namespace orkan
