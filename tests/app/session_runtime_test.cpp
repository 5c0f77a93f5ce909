// The session runtime joins the connection, the Telnet engine and the data stream: host bytes in
// (through a connection without a socket, or a real loopback socket), screens, status, messages,
// keep-alives, time-outs, closing and saving out.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <set>
#include <thread>

#include "app/session_core.h"
#include "app/session_macros.h"
#include "app/session_runtime.h"
#include "clipboard/find.h"
#include "config/session_file.h"
#include "display/status_line.h"
#include "ds3270/inbound.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "print/printer_profile.h"
#include "print/printing.h"
#include "screen/presentation_space.h"
#include "session/window_title.h"
#include "support/ds3270_harness.h"
#include "support/golden_file.h"
#include "support/iconv_tables.h"
#include "support/loopback.h"
#include "support/recording_ui.h"
#include "support/running_session.h"

namespace orkan {
namespace {

using namespace std::chrono_literals;
using test::BytesSink;
using test::FromHex;
using test::kPlainNegotiation;
using test::Listener;
using test::RecordingFrame;
using test::TurnUntil;

// A write of "HELLO" with keyboard restore.
constexpr std::string_view kHelloWrite = "F5C3 114040 1D60 C8C5D3D3D6 FFEF";

class Runtime : public ::testing::Test, public test::RunningSession<> {
  protected:
    Runtime() {
        Plain();
        session().folders.settings_file = folder / "orkan.ini";
        [[maybe_unused]] const bool named = session().record.SetText(field::SessionFile, "t.ses");
        runtime.file_state().last_saved = session().record;
    }
    // The session file as the record now stands (a restart loads it again).
    void WriteSessionFile() {
        ASSERT_EQ(WriteFileAtomically(folder / "t.ses", SessionFileBytes(session().record)), 0);
    }
    void Seconds(int n) {
        for (int i = 0; i < n * 6; ++i) runtime.OnBlinkTick();
    }
    // A port that was just given back: nothing listens there.
    static std::string NobodyListens() { return Listener().address(); }
};

TEST_F(Runtime, HostBytesBecomeAScreenAndRepliesGoOut) {
    ASSERT_TRUE(runtime.StartDetachedConnection(sink));
    EXPECT_EQ(session().status, SessionStatus::Connecting);
    Feed(kPlainNegotiation);  // what the engine answers is in the Telnet cases
    EXPECT_EQ(session().status, SessionStatus::Connected);
    Feed(kHelloWrite);  // its screen is checked in the history test below
    EXPECT_EQ(session().status, SessionStatus::Unlocked);
    sink.Take();
    // The data stream's replies leave through the engine's framing into the connection.
    ASSERT_EQ(SendAidKey(session(), 2), AidKeyResult::Sent);  // Enter
    EXPECT_EQ(sink.Take().substr(0, 2), "7D");
}

TEST_F(Runtime, AnEndedConnectionBringsTheLiveScreenBackFromTheHistory) {
    for (const bool by_host : {false, true}) {
        SCOPED_TRACE(by_host ? "closed by the host" : "disconnected");
        ASSERT_TRUE(Connect({kHelloWrite, "F5C3 114040 1D60 D3C1E2E3 FFEF"}));  // "LAST"
        ASSERT_TRUE(session().hooks.history->PreviousScreen());
        EXPECT_EQ(Row(0).substr(0, 6), " HELLO");
        if (by_host) {
            ConnectionEvent closed;
            closed.kind = ConnectionEventKind::ClosedByHost;
            static_cast<ConnectionListener&>(runtime).OnConnectionEvent(closed);
        } else {
            runtime.Disconnect();
        }
        EXPECT_EQ(session().status, SessionStatus::NotConnected);
        // The host's close erases the screen it left; the user's disconnect keeps it up.
        EXPECT_EQ(Row(0), by_host ? std::string(80, ' ') : " LAST" + std::string(75, ' '));
        EXPECT_FALSE(session().hooks.history->NextScreen());
    }
}

// Macro text a host left unfinished and the reply mode it chose are that host's: the next
// connection's Erase/Write must not run the macro against another host, nor its reads answer in
// a mode that host never asked for.
TEST_F(Runtime, WhatAHostLeftDoesNotOutliveItsConnection) {
    session().folders.temp_macros = folder / "ork";
    ASSERT_TRUE(Connect({"F3 0011 0F 1F 0000 98 E3E8D7C5 4D 7FE77F 5D FFEF",  // TYPE("X")
                         "F3 0006 09 00 02 41 FFEF"}));                       // character reply mode
    runtime.Disconnect();
    ASSERT_TRUE(Connect({"F5C3 1D40 13 FFEF"}));
    Drain();
    EXPECT_EQ(Row(0), std::string(80, ' '));
    EXPECT_EQ(session().ds.reply_mode, 0);
    EXPECT_TRUE(session().ds.character_mode_attributes.empty());
}

TEST_F(Runtime, StatusFollowsTheHost) {
    ASSERT_TRUE(runtime.StartDetachedConnection(sink));
    Feed(
        "FFFD28 FFFA280802FFF0 FFFA280204"
        "49424D2D333237382D322D45"
        "FFF0");                    // TN3270E, DEVICE-TYPE IS
    Feed("FFFA280304000204FFF0");   // FUNCTIONS IS
    Feed("07000000 01 C8C9 FFEF");  // SSCP-LU data
    EXPECT_EQ(session().status, SessionStatus::Unlocked);
    // A record that will never end: the session closes instead of growing without bound.
    runtime.FeedHostData(std::vector<uint8_t>(kMaxRecordBytes + 10, 0x40));
    Drain();
    EXPECT_EQ(session().status, SessionStatus::NotConnected);
    EXPECT_EQ(session().sender, nullptr);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().title, "Orkan TN3270 Protocol Error");
    ASSERT_EQ(frame.ends.size(), 1u);
    EXPECT_EQ(frame.ends[0].kind, ConnectionEnd::Kind::ProtocolFailure);
}

TEST_F(Runtime, DeviceRejectionAsksToRetryFromTheLoop) {
    struct Case {
        Answer answer;
        SessionStatus after;
        ConnectionEnd::Kind ended;
    };
    // Retry reconnects, which here finds no host in the session: that is how it ends.
    for (const Case& c : {Case{Answer::Cancel, SessionStatus::Rejected, ConnectionEnd::Kind::Rejected},
                          Case{Answer::Retry, SessionStatus::Start, ConnectionEnd::Kind::NoHost}}) {
        ui.shown.clear();
        ui.answers = {c.answer};
        frame.ends.clear();
        ASSERT_TRUE(runtime.StartDetachedConnection(sink));
        Feed("FFFD28 FFFA280802FFF0 FFFA2802060503FFF0 FFFD28 FFFA2802060501FFF0");  // rejected twice
        EXPECT_EQ(session().status, SessionStatus::Rejected);
        EXPECT_TRUE(ui.shown.empty()) << "the box must not be shown inside the engine's scan";
        Drain();
        ASSERT_EQ(ui.shown.size(), 1u);
        EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Connection Error 3");
        EXPECT_EQ(ui.shown[0].text, "The device is not known to the server.");
        EXPECT_EQ(ui.shown[0].buttons, Buttons::RetryCancel);
        EXPECT_EQ(session().status, c.after);
        ASSERT_EQ(frame.ends.size(), 1u);
        EXPECT_EQ(frame.ends[0].kind, c.ended);
    }
}

TEST_F(Runtime, KeepAlivesAtTheSetInterval) {
    struct Case {
        int interval, disable_after;
        std::string keep_alive;
        int entry;  // the host entry's own time, which wins over the setting; -1: none
        int seconds;
        std::string sent;
        size_t messages;  // a setting that is no byte is reported once, and nothing is sent
    };
    for (const Case& c : {Case{2, 0, "F1", -1, 5, "FFF1FFF1", 0}, Case{1, 3, "F1", -1, 6, "FFF1FFF1", 0},
                          Case{0, 0, "F1", -1, 5, "", 0}, Case{3, 0, "F9", -1, 3, "FFF9", 0},
                          Case{0, 0, "F9", 2, 4, "FFF9FFF9", 0}, Case{1, 0, "ZZ", -1, 3, "", 1}}) {
        SCOPED_TRACE(testing::Message() << c.interval << " " << c.keep_alive << " " << c.entry);
        session().settings.KeepAliveTime = c.interval;
        session().settings.KeepAliveTimeDisable = c.disable_after;
        session().settings.KeepAlive = c.keep_alive;
        runtime.file_state().keep_alive = c.entry;
        ASSERT_TRUE(Connect());  // keep-alives only go to a host that has spoken
        sink.Take();
        ui.shown.clear();
        Seconds(c.seconds);
        EXPECT_EQ(sink.Take(), c.sent);
        ASSERT_EQ(ui.shown.size(), c.messages);
        if (c.messages) {
            EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Settings Error");
        }
    }
}

TEST_F(Runtime, ConnectCountdown) {
    Listener silent;  // takes the connection and never says a word
    struct Case {
        int timeout;
        int seconds;
        bool timed_out;
    };
    for (const Case& c : {Case{2, 2, true}, Case{3, 2, false}, Case{0, 5, false}}) {
        SCOPED_TRACE(c.timeout);
        ui.shown.clear();
        frame.ends.clear();
        session().record.SetNumber(field::ConnectionTimeout, uint32_t(c.timeout));
        ASSERT_TRUE(runtime.StartConnection(silent.address()));
        ASSERT_TRUE(TurnUntil(loop, [&] { return runtime.Stage() == ConnectionStage::Open; }));
        Seconds(c.seconds);
        EXPECT_EQ(session().status, c.timed_out ? SessionStatus::NotConnected : SessionStatus::Connecting);
        if (c.timed_out) {
            ASSERT_EQ(ui.shown.size(), 1u);
            EXPECT_EQ(ui.shown[0].title, "Orkan TN3270 Connection Error 1");
            EXPECT_EQ(ui.shown[0].text, "Timeout while connecting to 127.0.0.1");
            EXPECT_FALSE(runtime.IsConnectionOpen());
            ASSERT_EQ(frame.ends.size(), 1u);
            EXPECT_EQ(frame.ends[0].kind, ConnectionEnd::Kind::TimedOut);
        } else {
            EXPECT_TRUE(ui.shown.empty());
        }
        runtime.CloseConnection();
    }
}

TEST_F(Runtime, ConnectErrorsOfferARetry) {
    const std::string address = NobodyListens();
    ui.answers = {Answer::Retry, Answer::Cancel};
    [[maybe_unused]] const bool host = session().record.SetText(field::HostName, address);
    WriteSessionFile();
    runtime.StartSession(StartMode::Interactive);
    ASSERT_TRUE(TurnUntil(loop, [&] { return frame.ends.size() == 1; }));
    ASSERT_EQ(ui.shown.size(), 2u) << "Retry connects again";  // the texts are the connection's cases
    EXPECT_EQ(ui.shown[1].title, "Orkan TN3270 Connection Error 2");
    EXPECT_EQ(frame.ends[0].kind, ConnectionEnd::Kind::ConnectFailed);
    // A TLS choice the connection does not know is refused before any socket.
    ui.shown.clear();
    session().record.SetNumber(field::TlsChoice, 11);
    EXPECT_FALSE(runtime.StartConnection(address));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("TLS choice 11 cannot be used"), std::string::npos);
}

TEST_F(Runtime, HostCloseSavesAndReconnectsOrEnds) {
    struct Case {
        bool auto_reconnect, close_on_disconnect;
    };
    for (const Case& c : {Case{false, false}, Case{false, true}, Case{true, false}}) {
        SCOPED_TRACE(c.auto_reconnect        ? "auto-reconnect"
                     : c.close_on_disconnect ? "close on disconnect"
                                             : "plain");
        Listener host;
        frame.ends.clear();
        frame.close_requests = 0;
        Session& s = session();
        [[maybe_unused]] const bool named = s.record.SetText(field::HostName, host.address());
        s.record.SetNumber(field::AutoReconnect, c.auto_reconnect);
        s.settings.CloseOnDisconnect = c.close_on_disconnect;
        WriteSessionFile();
        std::filesystem::remove(folder / "t.ses.damaged");
        runtime.StartSession(StartMode::Interactive);
        const int first = host.Accept();
        ASSERT_GE(first, 0);
        ASSERT_TRUE(write(first, "\xFF\xF1", 2) == 2);  // the host speaks (nothing to answer), then hangs up
        ASSERT_TRUE(TurnUntil(loop, [&] { return s.status == SessionStatus::Connected; }));
        s.record.SetNumber(field::CursorColor, 4);  // a change the close must save
        close(first);
        if (c.auto_reconnect) {
            // Saved and started again in one go: the session is seen connecting once more.
            ASSERT_TRUE(TurnUntil(loop, [&] { return host.Pending(); }));
            const int again = host.Accept();
            EXPECT_GE(again, 0) << "no second connection";
            // A host that closed this soon is not called again at once, and less often each time.
            EXPECT_EQ(runtime.ReconnectWait(), std::chrono::seconds(1));
            if (again >= 0) close(again);
            ASSERT_TRUE(TurnUntil(loop, [&] { return host.Pending(); }));
            EXPECT_EQ(runtime.ReconnectWait(), std::chrono::seconds(2));
            const int third = host.Accept();
            if (third >= 0) close(third);
            runtime.Disconnect();  // and no more reconnects
            EXPECT_TRUE(frame.ends.empty());
        } else {
            ASSERT_TRUE(TurnUntil(loop, [&] { return !frame.ends.empty(); }));
            EXPECT_EQ(s.status, SessionStatus::NotConnected);
            EXPECT_EQ(frame.ends[0].kind, ConnectionEnd::Kind::ClosedByHost);
            EXPECT_EQ(frame.close_requests, c.close_on_disconnect ? 1 : 0);
        }
        const std::vector<uint8_t> saved = test::ReadBytes(folder / "t.ses");
        ASSERT_EQ(saved.size(), kSessionFileSize);
        EXPECT_EQ(saved[kSessionHeaderSize + field::CursorColor.offset], 4) << "the session was not saved";
        s.record.SetNumber(field::CursorColor, 0);
        runtime.CloseConnection();
    }
}

// A read that fails (a reset) leaves the session looking connected until it sends: then the
// socket is found gone, the user is told, and the session is closed as if the host had closed it.
TEST_F(Runtime, ASendToAGoneHostOffersTheReconnect) {
    Listener host;
    Session& s = session();
    [[maybe_unused]] const bool named = s.record.SetText(field::HostName, host.address());
    ASSERT_TRUE(runtime.StartConnection(host.address()));
    const int peer = host.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(write(peer, "\xFF\xF1", 2), 2);
    ASSERT_TRUE(TurnUntil(loop, [&] { return s.status == SessionStatus::Connected; }));
    const linger reset{1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    close(peer);
    ASSERT_TRUE(TurnUntil(loop, [&] { return !runtime.IsConnectionOpen(); }));
    EXPECT_EQ(s.status, SessionStatus::Connected);
    EXPECT_TRUE(ui.shown.empty());
    ASSERT_EQ(SendAidKey(s, 2), AidKeyResult::Sent);
    ASSERT_TRUE(TurnUntil(loop, [&] { return !ui.shown.empty(); }));
    EXPECT_EQ(ui.shown[0].title, "Send Error");  // its text is the connection's
    ASSERT_TRUE(TurnUntil(loop, [&] { return !frame.ends.empty(); }));
    EXPECT_EQ(s.status, SessionStatus::NotConnected);
    EXPECT_EQ(frame.ends[0].kind, ConnectionEnd::Kind::ClosedByHost);
}

// Closing while the host trickles data, so the runtime is busy taking chunks, comes back with the
// connection's thread gone: the host goes on sending until Destroy has returned, so a close that
// waited for the host would never end. The connection's other stages are closed in its own tests.
TEST_F(Runtime, ClosingNeverWaitsForTheTricklingHost) {
    auto local = std::make_unique<SessionRuntime>(loop, ui, frame);
    Session& s = local->session();
    s.record = DefaultSessionRecord();
    s.charset = test::Cp037Tables();
    Listener host;
    ASSERT_TRUE(local->StartConnection(host.address()));
    const int peer = host.Accept();
    ASSERT_GE(peer, 0);
    std::atomic<bool> stop{false};
    // Goes on until told, so the count of threads below sees only the connection's.
    std::thread trickle([peer, &stop] {
        while (!stop) {
            [[maybe_unused]] ssize_t n = send(peer, "\x40", 1, MSG_NOSIGNAL);
            std::this_thread::sleep_for(2ms);
        }
        close(peer);
    });
    EXPECT_TRUE(TurnUntil(loop, [&] { return s.status >= SessionStatus::Connected; }));
    const int threads = test::ThreadCount();
    EXPECT_TRUE(local->IsConnectionOpen());
    local->Destroy();
    EXPECT_EQ(test::ThreadCount(), threads - 1) << "the connection's thread was left behind";
    stop = true;
    trickle.join();
}

TEST_F(Runtime, RequestClose) {
    for (const test::TableRow& row : test::ReadTableRows("app/data/request_close.tsv")) {
        SCOPED_TRACE(row.where);
        ASSERT_EQ(row.cells.size(), 8u);
        const auto flag = [&](size_t i) { return row.cells[i] == "1"; };
        SessionRuntime local(loop, ui, frame);
        Session& s = local.session();
        s.record = DefaultSessionRecord();
        s.charset = test::Cp037Tables();
        s.settings.Wang = flag(1);
        s.record.SetNumber(field::AskBeforeClosing, flag(2));
        if (flag(3)) {
            ASSERT_TRUE(local.StartDetachedConnection(sink));
        }
        s.status = row.cells[4] == "Unlocked" ? SessionStatus::Unlocked : SessionStatus::NotConnected;
        ui.shown.clear();
        ui.answers = {row.cells[5] == "Ok" ? Answer::Ok : Answer::Cancel};
        EXPECT_EQ(local.RequestClose(), flag(6));
        ASSERT_EQ(ui.shown.size(), flag(7) ? 1u : 0u);
        if (flag(7)) {
            EXPECT_EQ(ui.shown[0].text, "Ok to close session A ?");
            EXPECT_EQ(ui.shown[0].title, "Orkan TN3270");
        }
    }
}

// The automatic reconnect goes to the host of the current connection: one the session dialog
// connected to after the command line's host failed, not the command line's host again.
TEST_F(Runtime, ReconnectGoesToTheHostConnectedLast) {
    const std::string unknown = NobodyListens();
    Session& s = session();
    CommandLineConnection given;
    given.host = true;
    given.values = s.record;
    [[maybe_unused]] bool ok = given.values.SetText(field::HostName, unknown);
    ok = given.values.SetText(field::IpName, unknown);
    runtime.SetCommandLineConnection(given);
    ok = s.record.SetText(field::HostName, unknown);
    ok = s.record.SetText(field::IpName, unknown);
    s.record.SetNumber(field::Port, 2023);
    s.record.SetNumber(field::CursorColor, 3);  // a change of the user's that is kept
    // The command line's host is not saved; the user's own changes are.
    const SessionRecord for_saving = runtime.RecordForSaving();
    EXPECT_EQ(for_saving.Text(field::HostName), runtime.file_state().last_saved.Text(field::HostName));
    EXPECT_EQ(for_saving.Number(field::Port), runtime.file_state().last_saved.Number(field::Port));
    EXPECT_EQ(for_saving.Number(field::CursorColor), 3u);
    WriteSessionFile();
    ui.answers = {Answer::Cancel};
    runtime.StartSession(StartMode::Interactive);
    ASSERT_TRUE(TurnUntil(loop, [&] { return frame.ends.size() == 1; }));

    // The session dialog's choice: the record takes the host and the file is saved, then it connects.
    Listener good;
    ok = s.record.SetText(field::HostName, "good");
    ok = s.record.SetText(field::IpName, good.address());
    WriteSessionFile();
    runtime.CommandLineConnectionDone();
    ASSERT_TRUE(runtime.StartConnection(good.address()));
    // The automatic reconnect; File > Reconnect is the desktop's own script.
    const int peer = good.Accept();
    ASSERT_GE(peer, 0);
    ASSERT_EQ(write(peer, "\xFF\xF1", 2), 2);
    ASSERT_TRUE(TurnUntil(loop, [&] { return s.status == SessionStatus::Connected; }));
    s.record.SetNumber(field::AutoReconnect, 1);
    frame.ends.clear();
    close(peer);
    ASSERT_TRUE(TurnUntil(loop, [&] { return good.Pending() || frame.ends.size() > 1; }))
        << "the reconnect went elsewhere";
    EXPECT_TRUE(good.Pending());
    EXPECT_EQ(s.record.Text(field::HostName), "good");
    EXPECT_EQ(s.record.Text(field::IpName), good.address());
    const int last = good.Accept();
    if (last >= 0) close(last);
    EXPECT_EQ(ui.shown.size(), 1u) << "only the unknown host's error";
}

// With NoAutoSave the file changes only when the user saves: a reconnect does not read it again
// over the settings changed since.
TEST_F(Runtime, WithNoAutoSaveAReconnectKeepsTheSettingsNotSaved) {
    Session& s = session();
    s.settings.NoAutoSave = 1;
    WriteSessionFile();
    runtime.StartSession(StartMode::Interactive);  // no host: it ends at once
    s.record.SetNumber(field::CursorColor, 3);
    runtime.StartSession(StartMode::Interactive);
    EXPECT_EQ(s.record.Number(field::CursorColor), 3u);
}

// Automation starts the command line's macro with the first screen that unlocks the keyboard; the
// desktop program, and automation on a host that leaves the keyboard locked, wait the second.
TEST(RuntimeTiming, TheStartupMacroWaitsOnlyForTheFirstUnlockedScreen) {
    const struct {
        const char* name;
        bool automation;
        std::string_view write;
        bool starts_at_once;
    } cases[] = {
        {"desktop", false, kHelloWrite, false},
        {"automation, keyboard restored", true, kHelloWrite, true},
        {"automation, keyboard still locked", true, "F5C1 114040 1D60 C8C5D3D3D6 FFEF", false},
    };
    for (const auto& c : cases) {
        RuntimeOptions options;
        options.automation_timing = c.automation;
        test::RunningSession<> r(options);
        r.Plain();
        r.session().folders.macros = r.folder.path();
        test::WriteText(r.folder / "start.mac", "STARTED = 1\n");
        r.runtime.core().Macros().SetStartupMacro("start");
        ASSERT_TRUE(r.Connect({c.write}));
        // Started at once, or still waiting for the second: the loop runs for well under it.
        const bool started = r.loop.RunUntil(
            [&] { return r.runtime.core().Macros().Runner().variables().Find("STARTED") >= 0; },
            c.starts_at_once ? 500ms : 1ms);
        EXPECT_EQ(started, c.starts_at_once) << c.name;
    }
}

TEST(WindowTitle, Sequences) {
    test::RecordingUi ui;
    Session s(ui);
    s.record = DefaultSessionRecord();
    s.letter = 'C';
    [[maybe_unused]] bool ok = s.record.SetText(field::HostName, "mvs.example");
    ok = s.record.SetText(field::LuName, "LU01");
    s.record.SetNumber(field::Port, 992);
    const std::pair<const char*, const char*> cases[] = {{"&L:&S:&N", "C:standard.ses:standard"},
                                                         {"&H &P &U", "mvs.example 992 LU01"},
                                                         {"100&& &T", "100& NOTCONNECTED"},
                                                         {"&x&", "&x&"}};
    for (const auto& [text, expected] : cases) EXPECT_EQ(ExpandSessionText(text, s), expected) << text;
    EXPECT_EQ(BuildWindowTitle(s), "Orkan TN3270 - C - standard - mvs.example");
    s.link.assigned_lu_name = "TST001";
    ok = s.record.SetText(field::WindowTitle, "&U on &H");
    EXPECT_EQ(BuildWindowTitle(s), "TST001 on mvs.example");
}

// A session assembled as the headless program assembles it (start-up from a command line, no
// window): the clipboard, find, history, status line and the Oper dispatch all work
// below the window. Also what the core promises the programs around it: timers of one runtime
// never touch another's, and a trace switched on mid-connection hears the very next items.
// "NAME" protected at row 1, an unprotected field after it holding the cursor; keyboard restored.
constexpr std::string_view kPanel = "F5C3 11C150 1D60 D5C1D4C5 1D40 13 FFEF";
// "FIND ME" written into row 3 of that screen; keyboard restored.
constexpr std::string_view kSecondScreen = "F1C3 11C3F0 1D60 C6C9D5C440D4C5 1DF0 FFEF";

uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n, kKeyWorksWhileLocked);
}

struct CountingFrame : test::RecordingFrame {
    void BlinkPhase(int) override { ++blinks; }
    int blinks = 0;
};

class SessionCoreTest : public ::testing::Test,
                        public test::RunningSession<test::RecordingUi, CountingFrame> {
  protected:
    SessionCoreTest() {
        EXPECT_EQ(Start({"--headless", "--host", "127.0.0.1:2023"}), 0);
        EXPECT_TRUE(Connect({kPanel}));
        sink.Take();
    }
    Session& s() { return session(); }
    std::string StatusCells(size_t first, size_t count) {
        const StatusText t = BuildStatusText(s());
        return std::string(t.cells.begin() + ptrdiff_t(first), t.cells.begin() + ptrdiff_t(first + count));
    }
};

TEST_F(SessionCoreTest, FindMarksFollowEveryScreenAndTheHistoryBrowsesBack) {
    s().hooks.find->FindText("FIND ME", find_option::EveryScreen);
    Feed(kSecondScreen);
    const uint32_t at = 3 * s().ps.columns + 1;  // row 3, after the attribute
    EXPECT_TRUE(s().ps.planes.highlight[at] & hl::FindMark)
        << "the marks were not renewed after the host wrote";

    // Two screens are in the ring now: back to the first, then Reset returns to the live one.
    ExecuteKey(s(), Oper(oper_fn::PrevScreen), true);
    EXPECT_EQ(s().status, SessionStatus::History);
    EXPECT_EQ(StatusCells(5, 9), "Screen -1");
    EXPECT_EQ(Row(1).substr(1, 4), "NAME");
    EXPECT_EQ(Row(3).substr(1, 7), "       ");
    ExecuteKey(s(), MakeKeyCode(KeyCategory::Edit, edit_fn::Reset, kKeyWorksWhileLocked), true);
    EXPECT_EQ(s().status, SessionStatus::Unlocked);
    EXPECT_EQ(Row(3).substr(1, 7), "FIND ME");
}

TEST_F(SessionCoreTest, StatusLineShowsTheConnectCountdownAndTheUserText) {
    ASSERT_TRUE(s().record.SetText(field::StatusLine, "Session &L"));
    s().record.SetNumber(field::ConnectionTimeout, 10);
    ASSERT_TRUE(runtime.StartDetachedConnection(sink));
    EXPECT_EQ(s().status, SessionStatus::Connecting);
    for (int tick = 0; tick < 6 * 4; ++tick) runtime.OnBlinkTick();  // four seconds
    EXPECT_EQ(StatusCells(5, 9), "Connect 6");
    const long user_at = 16 + (long(s().ps.columns) - 29 - 9) / 2;
    EXPECT_EQ(StatusCells(size_t(user_at), 9), "Session A");
}

// Macros read the print status the printing keeps: "1of2" while a two-up sheet waits for its
// second screen.
TEST_F(SessionCoreTest, MacrosReadThePrintStatus) {
    PrinterProfile profile = ReadPrinterProfile(s().record, 0);
    profile.two_up = true;
    WritePrinterProfile(s().record, 0, profile);
    runtime.core().Print().state().printer = folder / "out.txt";
    runtime.core().Print().PrintScreen(false);
    ASSERT_EQ(runtime.core().Print().state().status_text, "1of2");
    std::optional<MacroOutcome> outcome;
    ASSERT_TRUE(runtime.core().Macros().Runner().StartText("IF PRINTSTATUS = \"1of2\"\nEXIT 7\nENDIF\nEXIT 1",
                                                           MacroOrigin::User,
                                                           [&](const MacroOutcome& o) { outcome = o; }));
    ASSERT_TRUE(loop.RunUntil([&] { return outcome.has_value(); }, 5s));
    EXPECT_EQ(outcome->exit_code, 7);
}

// Without a window: what only a window can do says so, what has nothing to show or say is quiet.
TEST_F(SessionCoreTest, EveryKeyFunctionIsCarriedOutOrRefusedWithItsReason) {
    // Left out: what reaches beyond the test (printers, a new connection, the end of the session).
    const std::set<uint8_t> beyond = {oper_fn::Exit,           oper_fn::ExitAll,   oper_fn::PrintScreen,
                                      oper_fn::PrintScreenAsk, oper_fn::PrintFile, oper_fn::Reconnect};
    const std::set<uint8_t> window_only = {
        oper_fn::Options,      oper_fn::SaveSessionAs, oper_fn::ReconnectAsk, oper_fn::NewSession,
        oper_fn::KeyboardEdit, oper_fn::ToolBarEdit,   oper_fn::KeyPadEdit,   oper_fn::ToolBarVariants,
        oper_fn::HelpContents, oper_fn::HelpSearch};
    const std::set<uint8_t> quiet = {oper_fn::AsciiHost, oper_fn::FontLarger, oper_fn::ToggleMarkers};
    for (KeyCategory c : {KeyCategory::Action, KeyCategory::Edit, KeyCategory::Oper}) {
        for (const KeyFunction& f : state.key_list.Functions(c)) {
            if (c == KeyCategory::Oper && beyond.contains(f.number)) continue;
            ui.shown.clear();
            ExecuteKey(s(), MakeKeyCode(c, f.number, f.flags), true);
            const bool oper = c == KeyCategory::Oper;
            if (oper && quiet.contains(f.number)) {
                EXPECT_TRUE(ui.shown.empty()) << f.name << ": " << LastMessage();
            }
            if (oper && f.number == oper_fn::Disconnect) {
                EXPECT_EQ(s().status, SessionStatus::NotConnected);
                EXPECT_FALSE(runtime.IsConnectionOpen());
            }
            if (oper && window_only.contains(f.number)) {
                ASSERT_EQ(ui.shown.size(), 1u) << f.name;
                EXPECT_NE(ui.shown[0].text.find("needs a session window"), std::string::npos)
                    << ui.shown[0].text;
            }
            for (const MessageBox& box : ui.shown) {
                EXPECT_EQ(box.text.find("not available"), std::string::npos) << f.name << ": " << box.text;
                EXPECT_EQ(box.text.find("is not one that"), std::string::npos) << f.name << ": " << box.text;
            }
        }
    }
    EXPECT_EQ(s().link.ascii_host, AsciiHost::Raw);
}

TEST_F(SessionCoreTest, ATraceSwitchedOnMidConnectionHearsTheNextItems) {
    test::RecordingTrace trace;
    s().trace.Set(&trace);
    Feed("FFFB19");       // a Telnet command the engine answers
    Feed(kSecondScreen);  // a record
    s().trace.Set(nullptr);
    std::vector<TraceType> types;
    for (const auto& item : trace.items) types.push_back(item.first);
    for (TraceType t : {TraceType::ReceivedChunk, TraceType::Telnet, TraceType::Record})
        EXPECT_NE(std::find(types.begin(), types.end(), t), types.end()) << int(t);
}

// Two sessions on one loop: closing one stops its own timers only.
TEST(SessionTimers, TwoRuntimesOnOneLoopKeepTheirOwnTimers) {
    PollEventLoop loop;
    test::RecordingUi ui;
    CountingFrame first_frame, second_frame;
    auto first = std::make_unique<SessionRuntime>(loop, ui, first_frame);
    SessionRuntime second(loop, ui, second_frame);
    first->StartTimers();
    second.StartTimers();
    ASSERT_TRUE(loop.RunUntil([&] { return first_frame.blinks > 0 && second_frame.blinks > 0; }, 5s));
    first->Destroy();
    first.reset();
    const int before = second_frame.blinks;
    EXPECT_TRUE(loop.RunUntil([&] { return second_frame.blinks >= before + 3; }, 5s))
        << "the other session's blink timer was stopped";
    second.Destroy();
}

}  // namespace
}  // namespace orkan
