// A print job that overruns its time: asked to end, killed when it will not, and the loop goes on
// serving the session meanwhile.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <string>

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
    const std::string told = dir / "told";
    const struct {
        const char* what;
        std::string lp;
    } cases[] = {
        {"ends when asked", "#!/bin/sh\nexec sleep 30\n"},
        // Notes that it was asked, and goes on: only a kill ends it.
        {"goes on when asked", "#!/bin/sh\ntrap 'touch " + told + "' TERM\nwhile :; do sleep 0.05; done\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lp = dir / "lp";
        WriteText(lp, c.lp);
        ASSERT_EQ(chmod(lp.c_str(), 0700), 0);
        PollEventLoop loop;
        PrintPrograms programs;
        programs.lp = lp;
        programs.job_timeout = 100ms;
        PrintSpool spool(loop, programs);
        std::optional<ChildResult> result;
        SpoolRequest request;
        request.queue = "queue";
        request.file = dir / "job.txt";
        spool.Submit(request, [&](const ChildResult& r) { result = r; });
        // The loop's other work goes on between the request to end and the kill.
        bool served_while_stopping = false;
        ScopedTimers other_work(loop);
        other_work.Start(0, 10ms, false, [&] {
            if (!result && access(told.c_str(), F_OK) == 0) served_while_stopping = true;
        });
        ASSERT_TRUE(loop.RunUntil([&] { return result.has_value(); }, 30s));
        EXPECT_TRUE(result->timed_out);
        EXPECT_EQ(result->Describe(), "no answer in time, stopped");
        EXPECT_EQ(spool.Running(), 0u);
        if (c.lp.find("trap") != std::string::npos) {
            EXPECT_TRUE(served_while_stopping);
        }
    }
}

}  // namespace
}  // namespace orkan
