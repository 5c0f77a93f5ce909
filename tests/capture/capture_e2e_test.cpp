// End to end against testhost: a traced logon read back item by item (the password only as X in
// what was sent, the screens as the host sent them), and debug screens from a TN3270E and a plain
// session replayed into a session that never connected. tests/e2e/orkan_trace.sh reads the
// program's own trace with tracedump.
#include <gtest/gtest.h>

#include <chrono>

#include "app/session_core.h"
#include "app/session_runtime.h"
#include "capture/capture_commands.h"
#include "capture/debug_screen.h"
#include "capture/trace_reader.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "platform/poll_event_loop.h"
#include "session/session_charset.h"
#include "support/hex.h"
#include "support/recording_ui.h"
#include "support/running_session.h"
#include "support/testhost_process.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
using test::ToHex;

void PrepareSession(Session& s, const std::string& app_data) {
    s.folders.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
    s.folders.app_data = app_data;
    s.record = DefaultSessionRecord();
    s.letter = 'T';
    ASSERT_TRUE(RebuildCharset(s));
}

void Type(Session& s, std::string_view text) {
    for (char c : text) ExecuteKey(s, CharCode(uint8_t(c)));
}

bool Contains(std::span<const uint8_t> bytes, std::string_view hex) {
    const std::string all = ToHex(bytes);
    for (size_t at = all.find(hex); at != std::string::npos; at = all.find(hex, at + 1))
        if (at % 2 == 0) return true;
    return false;
}

// "secret", "XXXXXX", "User id", "MAIN MENU" in code page 037.
constexpr const char* kSecret = "A285839985A3";
constexpr const char* kMasked = "E7E7E7E7E7E7";
constexpr const char* kUserId = "E4A28599408984";
constexpr const char* kMainMenu = "D4C1C9D540D4C5D5E4";

struct E2E : ::testing::Test, test::RunningSession<test::RecordingUi, SessionFrame> {
    Session& s = session();
    std::string Screen() { return DumpScreenText(s); }
    bool Shows(std::string_view text) {
        return loop.RunUntil(
            [&] { return s.status == SessionStatus::Unlocked && Screen().find(text) != std::string::npos; },
            30s);
    }
    void LogOn() {
        ASSERT_TRUE(Shows("User id")) << Screen();
        Type(s, "alice");
        ExecuteKey(s, MakeKeyCode(KeyCategory::Edit, edit_fn::Tab));
        Type(s, "secret");
        ExecuteKey(s, MakeKeyCode(KeyCategory::Action, action_fn::Enter));
        ASSERT_TRUE(Shows("MAIN MENU")) << Screen();
    }
};

TEST_F(E2E, ATracedLogonReadsBackItemByItem) {
    test::TestHostProcess host;
    ASSERT_TRUE(host.Start({"--once"})) << "testhost did not start (is it built?)";
    PrepareSession(s, folder.path());
    CaptureSubsystem& capture = runtime.core().Capture();
    ASSERT_TRUE(runtime.core().StartTraceAtStartUp());  // as --trace does: from the first byte
    ASSERT_TRUE(runtime.StartConnection(host.address()));
    LogOn();
    capture.DumpBuffers();
    capture.ToggleTrace();  // off
    runtime.Destroy();

    const std::string path = folder / "sessionT.trc";
    const TraceContents trace = ReadTrace(test::ReadBytes(path));
    EXPECT_EQ(trace.error, "");
    std::map<uint8_t, int> counts;
    bool masked_sent = false, menu_record = false, logon_record = false;
    for (const TraceItem& item : trace.items) {
        ++counts[item.type];
        EXPECT_EQ(item.time.size(), 8u);
        EXPECT_EQ(item.time[2], ':');
        if (item.type == 3 || item.type == 8 || item.type == 2 || item.type == 7) {
            EXPECT_FALSE(Contains(item.payload, kSecret))
                << "type " << int(item.type) << ": " << ToHex(item.payload);
        }
        if (item.type == 3 && Contains(item.payload, kMasked)) masked_sent = true;
        if (item.type == 2 && Contains(item.payload, kUserId)) logon_record = true;
        if (item.type == 2 && Contains(item.payload, kMainMenu)) menu_record = true;
    }
    EXPECT_GT(counts[1], 0);  // Telnet negotiation
    EXPECT_GT(counts[2], 0);  // records
    EXPECT_GT(counts[3], 0);  // sent
    EXPECT_EQ(counts[7], 1);  // the buffer dump
    EXPECT_GT(counts[8], 0);  // received chunks
    EXPECT_TRUE(masked_sent);
    EXPECT_TRUE(logon_record);
    EXPECT_TRUE(menu_record);
}

TEST_F(E2E, DebugScreensFromBothKindsOfSessionReplayTheSame) {
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
