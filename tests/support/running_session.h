// A running session for the tests above the data stream: a session runtime on a poll loop, with a
// scratch folder, a Ui and a frame that record what they were asked, and a connection without a
// socket whose outbound bytes collect in `sink`. Two ways to make the session:
//   Start(args)  as the headless program starts one from its command line (private HOME and
//                XDG_RUNTIME_DIR in the folder, the build's program data, no shared area);
//   Plain()      the new-session record and code page 037, application data in the folder.
// Connect() negotiates plain TN3270 and feeds the host records given.
#pragma once

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "config/session_file.h"
#include "config/temp_folder.h"
#include "ds3270/screen_dump.h"
#include "platform/poll_event_loop.h"
#include "session/session_frame.h"
#include "support/hex.h"
#include "support/iconv_tables.h"
#include "support/recording_ui.h"

namespace orkan::test {

struct RecordingFrame : SessionFrame {
    void TitleChanged(const std::string&) override {}
    void CloseRequested() override { ++close_requests; }
    void ConnectionEnded(const ConnectionEnd& end) override { ends.push_back(end); }
    void SessionListChanged() override {}
    void Arrange(Arrangement a, int64_t) override { arrangements.push_back(a); }
    bool HasWindow() const override { return window; }
    bool window = false;  // the desktop program's, for what only a window can carry out
    std::vector<ConnectionEnd> ends;
    std::vector<Arrangement> arrangements;
    int close_requests = 0;
};

struct BytesSink : HostBytesSink {
    void Outbound(std::span<const uint8_t> bytes) override { sent += ToHex(bytes); }
    std::string Take() {
        std::string out;
        out.swap(sent);
        return out;
    }
    std::string sent;
};

// Host bytes of a plain TN3270 negotiation (terminal type, binary, end of record).
inline constexpr std::string_view kPlainNegotiation = "FFFD18 FFFA1801FFF0 FFFD19 FFFB19 FFFD00 FFFB00";

template <class UiT = RecordingUi, class FrameT = RecordingFrame>
struct RunningSession {
    RunningSession() = default;
    explicit RunningSession(RuntimeOptions options) : runtime(loop, ui, frame, options) {}
    ~RunningSession() { runtime.Destroy(); }
    RunningSession(const RunningSession&) = delete;
    RunningSession& operator=(const RunningSession&) = delete;

    Session& session() { return runtime.session(); }

    // The headless program's start-up environment in the folder.
    StartupEnvironment HeadlessEnvironment() {
        std::filesystem::create_directories(folder / "home");
        std::filesystem::create_directories(folder / "run");
        StartupEnvironment env;
        env.env = TableEnvironment({{"HOME", folder / "home"}, {"XDG_RUNTIME_DIR", folder / "run"}});
        env.program_data = std::string(ORKAN_BINARY_DIR) + "/share/orkan3270";
        env.change_directory = false;
        env.claim_slot = false;
        return env;
    }
    // 0, or what start-up returned (its messages are in ui).
    int Start(std::vector<const char*> args) { return Start(std::move(args), HeadlessEnvironment()); }
    int Start(std::vector<const char*> args, const StartupEnvironment& env) {
        args.insert(args.begin(), "orkan3270");
        CommandLine cl;
        const int parsed = ParseCommandLine(int(args.size()), args.data(), cl, ui);
        return parsed != 0 ? parsed : PrepareSession(cl, env, runtime, state);
    }
    void Plain() {
        Session& s = session();
        s.record = DefaultSessionRecord();
        s.charset = Cp037Tables();
        s.folders.app_data = folder.path();
    }
    // False when the runtime refused the connection.
    [[nodiscard]] bool Connect(std::initializer_list<std::string_view> records = {}) {
        if (!runtime.StartDetachedConnection(sink)) return false;
        Feed(kPlainNegotiation);
        for (std::string_view record : records) Feed(record);
        return true;
    }
    void Feed(std::string_view hex) { runtime.FeedHostData(FromHex(hex)); }
    // Runs what the runtime posted to the loop.
    void Drain(std::chrono::milliseconds for_ = std::chrono::milliseconds(20)) {
        (void)loop.RunUntil([] { return false; }, for_);
    }
    std::string Row(uint32_t row) {
        const std::string text = DumpScreenText(session());
        size_t start = 0;
        for (uint32_t r = 0; r < row; ++r) start = text.find('\n', start) + 1;
        return text.substr(start, text.find('\n', start) - start);
    }
    std::string LastMessage() const {
        return ui.shown.empty() ? "" : ui.shown.back().title + ": " + ui.shown.back().text;
    }

    TempFolder folder;
    PollEventLoop loop;
    UiT ui;
    FrameT frame;
    BytesSink sink;
    SessionRuntime runtime{loop, ui, frame};
    StartupState state;
};

}  // namespace orkan::test
