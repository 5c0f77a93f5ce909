// The poll()/eventfd loop: work from other threads, hand-overs that must give up, timers, watches.
#include <gtest/gtest.h>
#include <unistd.h>

#include <future>
#include <thread>

#include "platform/poll_event_loop.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
constexpr auto kPatience = 30s;  // only reached when something is broken

TEST(EventLoopPost, TasksFromOtherThreadsRunOnTheLoopInTheirOrder) {
    PollEventLoop loop;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::vector<int>> seen(kThreads);
    int total = 0;
    bool all_on_loop = true;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                loop.Post([&, t, i] {
                    all_on_loop = all_on_loop && loop.IsLoopThread();
                    seen[t].push_back(i);
                    ++total;
                });
            }
        });
    }
    EXPECT_TRUE(loop.RunUntil([&] { return total == kThreads * kEach; }, kPatience));
    for (auto& poster : posters) poster.join();
    EXPECT_TRUE(all_on_loop);
    for (const auto& list : seen) {
        ASSERT_EQ(list.size(), size_t{kEach});
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
    }
}

TEST(EventLoopPost, StopFromAnotherThreadEndsRunAndLaterSendersGiveUp) {
    PollEventLoop loop;
    std::thread stopper([&] { loop.Stop(); });  // before or during Run: either way Run returns
    loop.Run();
    stopper.join();
    EXPECT_TRUE(loop.IsLoopThread());
    auto late = std::async(std::launch::async, [&] { return loop.SendAndWait([] {}, [] { return false; }); });
    ASSERT_EQ(late.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(late.get(), SendResult::Abandoned);
}

TEST(EventLoopSend, RunsOnTheLoopAndWaitsForIt) {
    PollEventLoop loop;
    bool ran = false, ran_on_loop = false;
    auto sender = std::async(std::launch::async, [&] {
        return loop.SendAndWait(
            [&] {
                ran_on_loop = loop.IsLoopThread();
                ran = true;
            },
            [] { return false; });
    });
    EXPECT_TRUE(loop.RunUntil([&] { return ran; }, kPatience));
    EXPECT_EQ(sender.get(), SendResult::Ran);
    EXPECT_TRUE(ran_on_loop);
}

// The loop is not running, so the hand-over stays pending until the waiter gives up.
TEST(EventLoopSend, GivesUpWithoutRunningWhenCancelledOrStopped) {
    for (const bool by_stop : {false, true}) {
        PollEventLoop loop;
        std::atomic<bool> cancel{false};
        bool ran = false;
        auto sender = std::async(std::launch::async, [&] {
            return loop.SendAndWait([&] { ran = true; }, [&] { return cancel.load(); });
        });
        EXPECT_EQ(sender.wait_for(100ms), std::future_status::timeout) << "must wait while pending";
        if (by_stop) {
            loop.Stop();
        } else {
            cancel = true;
        }
        ASSERT_EQ(sender.wait_for(kPatience), std::future_status::ready);
        EXPECT_EQ(sender.get(), SendResult::Abandoned);
        loop.Post([] {});
        for (int turn = 0; turn < 2; ++turn) EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
        EXPECT_FALSE(ran) << "an abandoned hand-over must never run";
    }
}

// A task that waits for the sender to return (as closing a connection joins its thread) must
// not deadlock once the sender is cancelled.
TEST(EventLoopSend, TaskThatWaitsForTheSenderDoesNotDeadlock) {
    PollEventLoop loop;
    std::atomic<bool> cancel{false};
    std::promise<SendResult> returned;
    auto returned_future = returned.get_future();
    bool sender_came_back = false;
    std::thread sender([&] {
        returned.set_value(loop.SendAndWait(
            [&] {
                cancel = true;
                sender_came_back = returned_future.wait_for(kPatience) == std::future_status::ready;
            },
            [&] { return cancel.load(); }));
    });
    EXPECT_TRUE(loop.RunUntil([&] { return sender_came_back; }, kPatience));
    sender.join();
    // The sender gave up while its task ran: it must not take the task's results as written.
    EXPECT_EQ(returned_future.get(), SendResult::StillRunning);
}

TEST(EventLoopTimers, OnceRepeatRestartAndStop) {
    PollEventLoop loop;
    const auto start = Clock::now();
    int once = 0, periodic = 0, stopped = 0;
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
    loop.StartTimer(6, 10ms, false, [&] { done = restarted_count > 0 && Clock::now() - start >= 300ms; });
    ASSERT_TRUE(loop.RunUntil([&] { return done; }, kPatience));
    EXPECT_EQ(once, 1);
    EXPECT_EQ(stopped, 0);
    EXPECT_GE(periodic, 3);
    EXPECT_EQ(restarted_count, 1);
    EXPECT_GE(restarted_fired - restarted_at, 150ms);
    EXPECT_GE(Clock::now() - start, 300ms);
    loop.StopTimer(2);
    loop.StopTimer(6);
    const int periodic_then = periodic;
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 60ms));
    EXPECT_EQ(periodic, periodic_then);
}

TEST(EventLoopWatch, ReadableUntilUnwatchedAndOnHangUp) {
    PollEventLoop loop;
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    std::string got;
    bool hung_up = false;
    loop.WatchReadable(pipe_fds[0], [&] {
        char buffer[16];
        const ssize_t n = read(pipe_fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            hung_up = true;
            loop.UnwatchReadable(pipe_fds[0]);
        } else {
            got.append(buffer, static_cast<size_t>(n));
        }
    });
    std::thread writer([&] { ASSERT_EQ(write(pipe_fds[1], "abc", 3), 3); });
    EXPECT_TRUE(loop.RunUntil([&] { return got == "abc"; }, kPatience));
    writer.join();
    close(pipe_fds[1]);
    EXPECT_TRUE(loop.RunUntil([&] { return hung_up; }, kPatience));
    close(pipe_fds[0]);
}

}  // namespace
}  // namespace orkan
