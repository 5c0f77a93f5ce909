// A loop a test turns by hand: posted work runs when the test says so and timers fire only when
// the test fires them.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <map>

#include "platform/event_loop.h"

namespace orkan::test {

class ManualLoop final : public EventLoop {
  public:
    void Post(Task task) override { posted.push_back(std::move(task)); }
    SendResult SendAndWait(Task task, const std::function<bool()>&) override {
        task();
        return SendResult::Ran;
    }
    void StartTimer(int id, std::chrono::milliseconds period, bool, Task task) override {
        timers[id] = {period, std::move(task)};
    }
    void StopTimer(int id) override { timers.erase(id); }
    void WatchReadable(int, Task) override {}
    void UnwatchReadable(int) override {}
    bool IsLoopThread() const override { return true; }

    // Runs posted work (and what it posts) until none is left; returns the turns run.
    int RunPosted(int limit = 100000) {
        int turns = 0;
        while (!posted.empty() && turns < limit) {
            Task t = std::move(posted.front());
            posted.pop_front();
            t();
            ++turns;
        }
        return turns;
    }
    // Posted work and timers of no delay, until nothing is left of either.
    void Settle() {
        for (int guard = 0; guard < 100000; ++guard) {
            if (!posted.empty()) {
                RunPosted(1);
            } else if (!Fire(std::chrono::milliseconds(0))) {
                return;
            }
        }
        ADD_FAILURE() << "the loop never settled";
    }
    // Fires one timer of this period; false when none is started.
    bool Fire(std::chrono::milliseconds period) {
        for (auto& [id, timer] : timers) {
            if (timer.first != period) continue;
            Task t = timer.second;
            t();
            return true;
        }
        return false;
    }
    // Fires the first pending timer; its period in milliseconds, -1 when none is pending.
    int64_t FireTimer() {
        if (timers.empty()) return -1;
        auto it = timers.begin();
        const int64_t ms = it->second.first.count();
        Task t = it->second.second;
        t();
        return ms;
    }

    std::deque<Task> posted;
    std::map<int, std::pair<std::chrono::milliseconds, Task>> timers;
};

}  // namespace orkan::test
