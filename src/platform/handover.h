// The synchronous hand-over both event loops offer: a task run on the loop thread while its sender
// waits. The sender may give up only while the task has not started, so a task never runs half
// way for a sender that has gone.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/event_loop.h"

namespace orkan {

struct Handover {
    enum class State : uint8_t { Pending, Running, Done, Abandoned };
    std::function<void()> task;
    State state = State::Pending;
};

// On the loop thread: runs the task unless its sender gave up; the sender hears of the end even
// when the task throws. `mutex` and `done` are the loop's.
void RunHandover(std::mutex& mutex, std::condition_variable& done, Handover& handover);

// The sender's side, `lock` held on the loop's mutex. `stopping` is asked with the lock held,
// `cancelled` (the sender's own test, foreign code) without it.
[[nodiscard]] SendResult AwaitHandover(std::unique_lock<std::mutex>& lock, std::condition_variable& done,
                                       Handover& handover, const std::function<bool()>& stopping,
                                       const std::function<bool()>& cancelled);

}  // namespace orkan
