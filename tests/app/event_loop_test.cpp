// The poll()/eventfd loop of the headless program: the loops' shared contract, and Run, which only
// this loop has. A worker thread's mailbox to the loop: once its owner has closed it, nothing the
// thread sends reaches the loop, and closing waits for a sender that is still waiting until it
// gives up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/loop_mailbox.h"
#include "platform/poll_event_loop.h"
#include "support/event_loop_contract.h"

namespace orkan {
namespace test {

INSTANTIATE_TYPED_TEST_SUITE_P(Poll, EventLoopContract, PollEventLoop);

}  // namespace test

namespace {

TEST(PollLoopRun, StopFromAnotherThreadEndsRun) {
    PollEventLoop loop;
    std::thread stopper([&] { loop.Stop(); });  // before or during Run: either way Run returns
    loop.Run();
    stopper.join();
    EXPECT_TRUE(loop.IsLoopThread());
    auto late = std::async(std::launch::async, [&] { return loop.SendAndWait([] {}, [] { return false; }); });
    ASSERT_EQ(late.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(late.get(), SendResult::Abandoned);
}

using namespace std::chrono_literals;
constexpr auto kPatience = 10s;

TEST(LoopMailbox, DeliversUntilClosedThenDropsEverything) {
    PollEventLoop loop;
    LoopMailbox mailbox(loop);
    int ran = 0;
    EXPECT_TRUE(mailbox.Post([&] { ++ran; }));
    EXPECT_TRUE(loop.RunUntil([&] { return ran == 1; }, kPatience));
    mailbox.Close();
    EXPECT_FALSE(mailbox.Post([&] { ++ran; }));
    auto sent = std::async(std::launch::async,
                           [&] { return mailbox.SendAndWait([&] { ++ran; }, [] { return false; }); });
    ASSERT_EQ(sent.wait_for(kPatience), std::future_status::ready) << "a closed mailbox must not wait";
    EXPECT_EQ(sent.get(), SendResult::Abandoned);
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
    EXPECT_EQ(ran, 1);
}

// The owner asks its thread to stop, then closes on the loop thread while the thread still waits
// for a hand-over: the thread gives up, the close returns, and the hand-over never runs.
TEST(LoopMailbox, CloseWhileASenderWaitsEndsItsWaitWithoutRunningIt) {
    PollEventLoop loop;
    LoopMailbox mailbox(loop);
    std::atomic<bool> stop{false};
    bool ran = false;
    auto sent = std::async(std::launch::async, [&] {
        return mailbox.SendAndWait([&] { ran = true; }, [&] { return stop.load(); });
    });
    EXPECT_EQ(sent.wait_for(100ms), std::future_status::timeout) << "must wait while pending";
    stop = true;
    mailbox.Close();
    ASSERT_EQ(sent.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(sent.get(), SendResult::Abandoned);
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
    EXPECT_FALSE(ran);
}
}  // namespace
}  // namespace orkan
