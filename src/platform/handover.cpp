#include "platform/handover.h"

#include <chrono>

namespace orkan {

namespace {

// How often a waiting sender looks at its cancel predicate: the predicate is foreign code that
// cannot notify us, so this bounds how late a closing connection sees its hand-over given up.
constexpr auto kCancelPoll = std::chrono::milliseconds(5);

}  // namespace

void RunHandover(std::mutex& mutex, std::condition_variable& done, Handover& handover) {
    {
        std::lock_guard lock(mutex);
        if (handover.state != Handover::State::Pending) return;
        handover.state = Handover::State::Running;
    }
    struct Finish {
        std::mutex& mutex;
        std::condition_variable& done;
        Handover& handover;
        ~Finish() {
            handover.task = nullptr;
            {
                std::lock_guard lock(mutex);
                handover.state = Handover::State::Done;
            }
            done.notify_all();
        }
    } finish{mutex, done, handover};
    handover.task();
}

SendResult AwaitHandover(std::unique_lock<std::mutex>& lock, std::condition_variable& done,
                         Handover& handover, const std::function<bool()>& stopping,
                         const std::function<bool()>& cancelled) {
    for (;;) {
        if (handover.state == Handover::State::Done) return SendResult::Ran;
        bool give_up = stopping();
        if (!give_up && cancelled) {
            lock.unlock();
            give_up = cancelled();
            lock.lock();
        }
        if (handover.state == Handover::State::Done) return SendResult::Ran;
        if (give_up) {
            if (handover.state != Handover::State::Pending) return SendResult::StillRunning;
            handover.state = Handover::State::Abandoned;
            return SendResult::Abandoned;
        }
        done.wait_for(lock, kCancelPoll);
    }
}

}  // namespace orkan
