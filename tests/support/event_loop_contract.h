// What every event loop promises the session (the poll loop of the headless program, the Qt loop
// of the desktop): work posted from other threads runs on the loop in order, a hand-over gives up
// only before its task started and never deadlocks with a task that waits for its sender, timers
// by id run once or repeat, restart and stop (also from their own task), and fd watches see data
// and the end of a pipe or a regular file. Each loop's test file instantiates the suite for its
// loop type.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "platform/event_loop.h"

namespace orkan::test {

// How much earlier than its period a timer may fire, in percent of it: a loop whose timers may run
// early (coarse timers) says so by specialising this before it instantiates the suite.
template <class Loop>
inline constexpr int kTimerSlackPercent = 0;

template <class Loop>
class EventLoopContract : public ::testing::Test {
  protected:
    static constexpr std::chrono::seconds kPatience{30};  // only reached when something is broken
    Loop loop;
};

TYPED_TEST_SUITE_P(EventLoopContract);

TYPED_TEST_P(EventLoopContract, PostsFromOtherThreadsRunOnTheLoopInTheirOrder) {
    auto& loop = this->loop;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    bool all_on_loop = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                loop.Post([&, t, i] {
                    all_on_loop = all_on_loop && loop.IsLoopThread();
                    seen[t].push_back(i);
                    ++total;
                });
        });
    EXPECT_TRUE(loop.RunUntil([&] { return total == kThreads * kEach; }, this->kPatience));
    for (auto& poster : posters) poster.join();
    EXPECT_TRUE(all_on_loop);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), size_t{kEach});
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    }
}

TYPED_TEST_P(EventLoopContract, SendRunsOnTheLoopAndWaitsForIt) {
    auto& loop = this->loop;
    bool ran = false, ran_on_loop = false;
    auto sender = std::async(std::launch::async, [&] {
        return loop.SendAndWait(
            [&] {
                ran_on_loop = loop.IsLoopThread();
                ran = true;
            },
            [] { return false; });
    });
    EXPECT_TRUE(loop.RunUntil([&] { return ran; }, this->kPatience));
    EXPECT_EQ(sender.get(), SendResult::Ran);
    EXPECT_TRUE(ran_on_loop);
}

// The loop is not turning, so the hand-over stays pending until the waiter gives up.
TYPED_TEST_P(EventLoopContract, SendGivesUpWithoutRunningWhenCancelledOrStopped) {
    using namespace std::chrono_literals;
    for (const bool by_stop : {false, true}) {
        SCOPED_TRACE(by_stop ? "stopped" : "cancelled");
        TypeParam loop;
        std::atomic<bool> cancel{false};
        bool ran = false;
        auto sender = std::async(std::launch::async, [&] {
            return loop.SendAndWait([&] { ran = true; }, [&] { return cancel.load(); });
        });
        EXPECT_EQ(sender.wait_for(100ms), std::future_status::timeout) << "must wait while pending";
        if (by_stop)
            loop.Stop();
        else
            cancel = true;
        ASSERT_EQ(sender.wait_for(this->kPatience), std::future_status::ready);
        EXPECT_EQ(sender.get(), SendResult::Abandoned);
        loop.Post([] {});
        for (int turn = 0; turn < 2; ++turn) EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
        EXPECT_FALSE(ran) << "an abandoned hand-over must never run";
    }
    // Once stopped, a send on the loop thread still runs at once; one from another thread gives up.
    auto& loop = this->loop;
    loop.Stop();
    bool ran_on_loop = false;
    EXPECT_EQ(loop.SendAndWait([&] { ran_on_loop = true; }, {}), SendResult::Ran);
    EXPECT_TRUE(ran_on_loop);
    auto late = std::async(std::launch::async, [&] { return loop.SendAndWait([] {}, [] { return false; }); });
    ASSERT_EQ(late.wait_for(this->kPatience), std::future_status::ready);
    EXPECT_EQ(late.get(), SendResult::Abandoned);
}

// A task that waits for the sender to return (as closing a connection joins its thread) must not
// deadlock once the sender is cancelled.
TYPED_TEST_P(EventLoopContract, TaskThatWaitsForItsSenderDoesNotDeadlock) {
    auto& loop = this->loop;
    std::atomic<bool> cancel{false};
    std::promise<SendResult> returned;
    auto returned_future = returned.get_future();
    bool sender_came_back = false;
    std::thread sender([&] {
        returned.set_value(loop.SendAndWait(
            [&] {
                cancel = true;
                sender_came_back = returned_future.wait_for(this->kPatience) == std::future_status::ready;
            },
            [&] { return cancel.load(); }));
    });
    EXPECT_TRUE(loop.RunUntil([&] { return sender_came_back; }, this->kPatience));
    sender.join();
    // The sender gave up while its task ran: it must not take the task's results as written.
    EXPECT_EQ(returned_future.get(), SendResult::StillRunning);
}

TYPED_TEST_P(EventLoopContract, TimersOnceRepeatRestartAndStop) {
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    auto& loop = this->loop;
    const auto start = Clock::now();
    int once = 0, periodic = 0, stopped = 0, self_stopping = 0, self_restarted = 0;
    Clock::time_point restarted_at, restarted_fired;
    int restarted_count = 0;
    bool done = false;
    loop.StartTimer(1, 10ms, true, [&] { ++once; });
    loop.StartTimer(2, 5ms, false, [&] { ++periodic; });
    loop.StartTimer(3, 10ms, true, [&] { ++stopped; });
    loop.StopTimer(3);
    // 4 restarts 5 before it falls due; the lower id runs first should both fall due in one turn.
    loop.StartTimer(4, 20ms, true, [&] {
        restarted_at = Clock::now();
        loop.StartTimer(5, 150ms, true, [&] {
            restarted_fired = Clock::now();
            ++restarted_count;
        });
    });
    loop.StartTimer(5, 40ms, true, [&] { ++restarted_count; });
    loop.StartTimer(7, 5ms, false, [&] {
        if (++self_stopping == 2) loop.StopTimer(7);
    });
    // Restarted from its own task with another period: the old one never fires again.
    loop.StartTimer(8, 5ms, true, [&] {
        if (++self_restarted == 1) loop.StartTimer(8, 30ms, true, [&] { ++self_restarted; });
    });
    loop.StartTimer(6, 10ms, false, [&] { done = restarted_count > 0 && Clock::now() - start >= 300ms; });
    ASSERT_TRUE(loop.RunUntil([&] { return done; }, this->kPatience));
    EXPECT_EQ(once, 1);
    EXPECT_EQ(stopped, 0);
    EXPECT_GE(periodic, 3);
    EXPECT_EQ(restarted_count, 1);
    EXPECT_GE(restarted_fired - restarted_at, 150ms * (100 - kTimerSlackPercent<TypeParam>) / 100)
        << "the restarted timer kept its old period";
    EXPECT_EQ(self_stopping, 2);
    EXPECT_EQ(self_restarted, 2);
    loop.StopTimer(2);
    loop.StopTimer(6);
    const int periodic_then = periodic;
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 60ms));
    EXPECT_EQ(periodic, periodic_then);
}

TYPED_TEST_P(EventLoopContract, WatchSeesDataAndTheEndOfAPipe) {
    auto& loop = this->loop;
    std::string got;
    bool hung_up = false;
    const auto watch = [&](int fd) {
        got.clear();
        hung_up = false;
        loop.WatchReadable(fd, [&, fd] {
            char buffer[16];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) {
                hung_up = true;
                loop.UnwatchReadable(fd);
            } else {
                got.append(buffer, size_t(n));
            }
        });
    };
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    watch(fds[0]);
    std::thread writer([&] { ASSERT_EQ(write(fds[1], "abc", 3), 3); });
    EXPECT_TRUE(loop.RunUntil([&] { return got == "abc"; }, this->kPatience));
    writer.join();
    close(fds[1]);
    EXPECT_TRUE(loop.RunUntil([&] { return hung_up; }, this->kPatience));
    close(fds[0]);

    // A regular file (stdin redirected from one) is read to its end as well.
    std::FILE* file = std::tmpfile();
    ASSERT_TRUE(file);
    ASSERT_GE(std::fputs("a file's lines", file), 0);
    std::fflush(file);
    std::rewind(file);
    watch(fileno(file));
    EXPECT_TRUE(loop.RunUntil([&] { return hung_up; }, this->kPatience));
    EXPECT_EQ(got, "a file's lines");
    std::fclose(file);
}

REGISTER_TYPED_TEST_SUITE_P(EventLoopContract, PostsFromOtherThreadsRunOnTheLoopInTheirOrder,
                            SendRunsOnTheLoopAndWaitsForIt, SendGivesUpWithoutRunningWhenCancelledOrStopped,
                            TaskThatWaitsForItsSenderDoesNotDeadlock, TimersOnceRepeatRestartAndStop,
                            WatchSeesDataAndTheEndOfAPipe);

}  // namespace orkan::test
