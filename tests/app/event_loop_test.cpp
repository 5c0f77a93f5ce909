// The poll()/eventfd loop of the headless program: the loops' shared contract, and Run, which only
// this loop has.
#include <gtest/gtest.h>

#include <future>
#include <thread>

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

}  // namespace
}  // namespace orkan
