// A print job that overruns its time: asked to end, killed when it will not, and the loop goes on
// serving the session meanwhile.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <optional>

#include "config/temp_folder.h"
#include "platform/poll_event_loop.h"
#include "platform/scoped_timers.h"
#include "print/print_spool.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;
using test::WriteText;

TEST(PrintSpool, AnOverrunJobIsStoppedWithoutHoldingTheLoop) {
    TempFolder dir;
    const struct {
        const char* what;
        const char* lp;
    } cases[] = {
        {"ends when asked", "#!/bin/sh\nexec sleep 30\n"},
        {"ignores the request and is killed", "#!/bin/sh\ntrap '' TERM\nexec sleep 30\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lp = dir / "lp";
        WriteText(lp, c.lp);
        ASSERT_EQ(chmod(lp.c_str(), 0700), 0);
        PollEventLoop loop;
        ScopedTimers timers(loop);
        PrintPrograms programs;
        programs.lp = lp;
        programs.job_timeout = 100ms;
        PrintSpool spool(timers, programs);
        std::optional<ChildResult> result;
        spool.Submit({"queue", dir / "job.txt"}, [&](const ChildResult& r) { result = r; });
        // Ticks on the loop while the job is being stopped.
        int ticks = 0;
        ScopedTimers ticker(loop);
        ticker.Start(0, 10ms, false, [&] { ++ticks; });
        ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, 30s));
        EXPECT_TRUE(result->timed_out);
        EXPECT_EQ(result->Describe(), "no answer in time, stopped");
        EXPECT_GT(ticks, 10) << "the loop was held while the job was stopped";
        EXPECT_EQ(spool.Running(), 0u);
    }
}

}  // namespace
}  // namespace orkan
