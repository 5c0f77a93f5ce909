// The way a worker thread that may outlive its owner reaches the event loop. The owner closes the
// mailbox before it goes; from then on the thread posts nothing, so a thread left behind (stuck
// outside its program, or parked) never touches a loop or an owner that is gone.
#pragma once

#include <functional>
#include <shared_mutex>

#include "platform/event_loop.h"

namespace orkan {

class LoopMailbox {
  public:
    explicit LoopMailbox(EventLoop& loop) : loop_(&loop) {}

    // False once closed: the task was dropped.
    bool Post(EventLoop::Task task);
    // Abandoned once closed. The mailbox stays open while a sender waits, so the owner's Close
    // waits for it too: `cancelled` must turn true when the owner asks the thread to stop.
    [[nodiscard]] SendResult SendAndWait(EventLoop::Task task, const std::function<bool()>& cancelled);
    // On the owner's side, after it has asked its threads to stop.
    void Close();

  private:
    std::shared_mutex mutex_;
    EventLoop* loop_;
};

}  // namespace orkan
