// End to end against testhost: debug screens from a TN3270E and a plain session replayed into a
// session that never connected. A traced logon is read back by tests/e2e/tracedump_logon.sh.
#include <gtest/gtest.h>

#include <chrono>

#include "app/session_runtime.h"
#include "capture/debug_screen.h"
#include "config/session_file.h"
#include "ds3270/screen_dump.h"
#include "session/session_charset.h"
#include "support/recording_ui.h"
#include "support/running_session.h"
#include "support/testhost_process.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;

void PrepareSession(Session& s, const std::string& app_data) {
    s.folders.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
    s.folders.app_data = app_data;
    s.record = DefaultSessionRecord();
    s.letter = 'T';
    ASSERT_TRUE(RebuildCharset(s));
}

TEST(E2E, DebugScreensFromBothKindsOfSessionReplayTheSame) {
    for (const bool tn3270e : {true, false}) {
        SCOPED_TRACE(tn3270e ? "TN3270E" : "plain TN3270");
        test::RunningSession<test::RecordingUi, SessionFrame> live;
        Session& ls = live.session();
        test::TestHostProcess host;
        if (!host.Start(tn3270e ? std::vector<std::string>{"--once"}
                                : std::vector<std::string>{"--once", "--no-tn3270e"}))
            FAIL() << "testhost did not start (is it built?)";
        PrepareSession(ls, live.folder.path());
        ASSERT_TRUE(live.runtime.StartConnection(host.address()));
        ASSERT_TRUE(live.loop.RunUntil(
            [&] {
                return ls.status == SessionStatus::Unlocked &&
                       DumpScreenText(ls).find("User id") != std::string::npos;
            },
            30s));
        EXPECT_EQ(ls.link.tn3270e_active, tn3270e);
        ASSERT_TRUE(SaveDebugScreen(ls, std::string("logon")));
        const std::string screen = DumpScreenText(ls, true);
        const std::string planes = DumpPlanes(ls);
        live.runtime.Destroy();

        test::RecordingUi ui3;
        Session fresh(ui3);
        PrepareSession(fresh, live.folder.path());
        ASSERT_TRUE(LoadDebugScreen(fresh, std::string("logon.dbg")));
        EXPECT_EQ(DumpScreenText(fresh, true), screen);
        EXPECT_EQ(DumpPlanes(fresh), planes);
        EXPECT_TRUE(ui3.shown.empty());
    }
}

}  // namespace
}  // namespace orkan
