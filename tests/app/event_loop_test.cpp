// The poll()/eventfd loop of the headless program: the loops' shared contract, and Run, which only
// this loop has. A worker thread's mailbox to the loop: once its owner has closed it, nothing the
// thread sends reaches the loop, and closing waits for a sender that is still waiting until it
// gives up.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <atomic>
#include <chrono>
#include <future>
#include <sstream>
#include <thread>

#include "config/temp_folder.h"
#include "platform/loop_mailbox.h"
#include "platform/poll_event_loop.h"
#include "platform/process.h"
#include "support/event_loop_contract.h"
#include "support/golden_file.h"

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
}

using namespace std::chrono_literals;
constexpr auto kPatience = 10s;

// The owner asks its thread to stop, then closes on the loop thread while the thread still waits
// for a hand-over: the thread gives up, the close returns, and the hand-over never runs; nothing
// sent after the close reaches the loop or waits.
TEST(LoopMailbox, CloseWhileASenderWaitsEndsItsWaitWithoutRunningIt) {
    PollEventLoop loop;
    LoopMailbox mailbox(loop);
    int ran = 0;
    EXPECT_TRUE(mailbox.Post([&] { ++ran; }));
    EXPECT_TRUE(loop.RunUntil([&] { return ran == 1; }, kPatience));
    std::atomic<bool> stop{false};
    auto sent = std::async(std::launch::async,
                           [&] { return mailbox.SendAndWait([&] { ++ran; }, [&] { return stop.load(); }); });
    EXPECT_EQ(sent.wait_for(100ms), std::future_status::timeout) << "must wait while pending";
    stop = true;
    mailbox.Close();
    ASSERT_EQ(sent.wait_for(kPatience), std::future_status::ready);
    EXPECT_EQ(sent.get(), SendResult::Abandoned);
    EXPECT_FALSE(mailbox.Post([&] { ++ran; }));
    auto late = std::async(std::launch::async,
                           [&] { return mailbox.SendAndWait([&] { ++ran; }, [] { return false; }); });
    ASSERT_EQ(late.wait_for(kPatience), std::future_status::ready) << "a closed mailbox must not wait";
    EXPECT_EQ(late.get(), SendResult::Abandoned);
    EXPECT_FALSE(loop.RunUntil([] { return false; }, 50ms));
    EXPECT_EQ(ran, 1);
}
// Starting other programs: what each option gives the new program (input, output, folder,
// environment, signals), and a detached program that is nobody's child.
using test::ReadText;
using test::TempFolder;

// Everything the child wrote until it closed its output, and its exit status.
std::pair<std::string, int> Collect(const StartedProcess& p) {
    std::string out;
    char buf[512];
    for (;;) {
        pollfd fd{p.output, POLLIN, 0};
        if (poll(&fd, 1, 10000) <= 0) break;
        const ssize_t n = read(p.output, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, size_t(n));
    }
    close(p.output);
    int status = 0;
    waitpid(p.pid, &status, 0);
    return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(Process, EachOptionReachesTheProgram) {
    TempFolder dir;
    // Ignored here, so the test shows the program gets the default back.
    signal(SIGPIPE, SIG_IGN);
    setenv("ORKAN_PROCESS_TEST", "ours", 1);
    for (test::TableRow row : test::ReadTableRows("app/data/process_options.tsv")) {
        SCOPED_TRACE(row.cells.at(0));
        for (std::string& cell : row.cells)
            if (const size_t at = cell.find("$DIR"); at != std::string::npos) cell.replace(at, 4, dir.path());
        ProcessOptions o;
        o.argv = {"sh", "-c", row.cells.at(1)};
        o.folder = row.cells.at(2);
        std::istringstream environment(row.cells.at(3));
        for (std::string entry; environment >> entry;) o.environment.push_back(entry);
        o.output = ProcessOptions::Output::Pipe;
        const StartedProcess p = StartProcess(o);
        ASSERT_TRUE(p.Started()) << p.error;
        const auto [out, status] = Collect(p);
        EXPECT_EQ(out, row.cells.at(4));
        EXPECT_EQ(status, 0);
    }
    signal(SIGPIPE, SIG_DFL);
}

TEST(Process, RefusalsAreErrorsNotCrashes) {
    for (const test::TableRow& row : test::ReadTableRows("app/data/process_refusals.tsv")) {
        ProcessOptions o;
        if (!row.cells.at(0).empty()) o.argv = {row.cells[0]};
        o.detached = row.cells.at(1) == "1";
        o.output = row.cells.at(2) == "Pipe" ? ProcessOptions::Output::Pipe : ProcessOptions::Output::Inherit;
        EXPECT_EQ(StartProcess(o).error, row.cells.at(3) == "ENOENT" ? ENOENT : EINVAL) << row.where;
    }
}

TEST(Process, ADetachedProgramIsNobodysChildAndGetsItsOptions) {
    TempFolder dir;
    ProcessOptions o;
    o.argv = {"sh", "-c", "cat > got; pwd >> got; echo $PPID >> got; mv got done"};
    o.folder = dir.path();
    o.output = ProcessOptions::Output::ToStderr;
    o.detached = true;
    ASSERT_TRUE(StartProcess(o).Started());
    const std::string done = dir / "done";
    for (int i = 0; i < 1000 && access(done.c_str(), F_OK) != 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::istringstream lines(ReadText(done));
    std::string folder, parent;
    std::getline(lines, folder);
    std::getline(lines, parent);
    EXPECT_EQ(folder, dir.path()) << "empty input comes first, then the folder";
    EXPECT_NE(parent, std::to_string(getpid()));
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "no child of ours is left to reap";
}

}  // namespace
}  // namespace orkan
