// The desktop program's event loop on Qt: the same hand-over rules as the poll loop, timers by
// id that stop and restart from their own tasks, fd watches that see the end of a pipe.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <future>
#include <thread>

#include "gui/qt_event_loop.h"
#include "gui_fixture.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
constexpr auto kPatience = 30s;  // only reached when something is broken

class QtLoopTest : public ::testing::Test {
  protected:
    void SetUp() override { test::GuiApp(); }
};

TEST_F(QtLoopTest, PostsFromOtherThreadsRunOnTheLoopInOrder) {
    QtEventLoop loop;
    constexpr int kThreads = 3, kEach = 300;
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
    EXPECT_TRUE(loop.RunUntil([&] { return total == kThreads * kEach; }, kPatience));
    for (auto& p : posters) p.join();
    EXPECT_TRUE(all_on_loop);
    for (const auto& list : seen) EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

TEST_F(QtLoopTest, SendRunsOnTheLoopAndGivesUpOnlyBeforeItStarts) {
    QtEventLoop loop;
    bool ran = false;
    auto sender = std::async(std::launch::async,
                             [&] { return loop.SendAndWait([&] { ran = true; }, [] { return false; }); });
    EXPECT_TRUE(loop.RunUntil([&] { return ran; }, kPatience));
    EXPECT_EQ(sender.get(), SendResult::Ran);

    // Not turning the loop: the hand-over stays pending until the waiter is cancelled.
    std::atomic<bool> cancel{false};
    bool abandoned_ran = false;
    auto waiting = std::async(std::launch::async, [&] {
        return loop.SendAndWait([&] { abandoned_ran = true; }, [&] { return cancel.load(); });
    });
    EXPECT_EQ(waiting.wait_for(100ms), std::future_status::timeout);
    cancel = true;
    ASSERT_EQ(waiting.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(waiting.get(), SendResult::Abandoned);
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
    EXPECT_FALSE(abandoned_ran) << "an abandoned hand-over must never run";

    loop.Stop();
    bool ran_on_loop = false;  // on the loop thread a send runs at once, stopped or not
    EXPECT_EQ(loop.SendAndWait([&] { ran_on_loop = true; }, {}), SendResult::Ran);
    EXPECT_TRUE(ran_on_loop);
    auto late = std::async(std::launch::async, [&] { return loop.SendAndWait([] {}, [] { return false; }); });
    ASSERT_EQ(late.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(late.get(), SendResult::Abandoned);
}

// A task that joins the sender (as closing the connection does) must not deadlock with it.
TEST_F(QtLoopTest, TaskThatWaitsForItsSenderDoesNotDeadlock) {
    QtEventLoop loop;
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

TEST_F(QtLoopTest, TimersByIdOnceRepeatRestartAndStopFromTheirOwnTask) {
    QtEventLoop loop;
    int once = 0, periodic = 0, stopped = 0, self_stopping = 0, restarted = 0;
    loop.StartTimer(1, 10ms, true, [&] { ++once; });
    loop.StartTimer(2, 5ms, false, [&] { ++periodic; });
    loop.StartTimer(3, 10ms, true, [&] { ++stopped; });
    loop.StopTimer(3);
    loop.StartTimer(4, 5ms, false, [&] {
        if (++self_stopping == 2) loop.StopTimer(4);
    });
    // Restarted from its own task with another period: the old one never fires again.
    loop.StartTimer(5, 5ms, true, [&] {
        if (++restarted == 1) loop.StartTimer(5, 30ms, true, [&] { ++restarted; });
    });
    EXPECT_TRUE(
        loop.RunUntil([&] { return periodic >= 5 && restarted == 2 && self_stopping == 2; }, kPatience));
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 60ms));
    EXPECT_EQ(once, 1);
    EXPECT_EQ(stopped, 0);
    EXPECT_EQ(self_stopping, 2);
    EXPECT_EQ(restarted, 2);
    loop.StopTimer(2);
    const int periodic_then = periodic;
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 40ms));
    EXPECT_EQ(periodic, periodic_then);
}

TEST_F(QtLoopTest, WatchSeesDataAndTheEndOfAPipe) {
    QtEventLoop loop;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::string got;
    bool hung_up = false;
    loop.WatchReadable(fds[0], [&] {
        char buffer[16];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            hung_up = true;
            loop.UnwatchReadable(fds[0]);
        } else {
            got.append(buffer, size_t(n));
        }
    });
    std::thread writer([&] { ASSERT_EQ(write(fds[1], "abc", 3), 3); });
    EXPECT_TRUE(loop.RunUntil([&] { return got == "abc"; }, kPatience));
    writer.join();
    close(fds[1]);
    EXPECT_TRUE(loop.RunUntil([&] { return hung_up; }, kPatience));
    close(fds[0]);
}

}  // namespace
}  // namespace orkan
