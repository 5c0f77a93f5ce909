// The running session: one Session, its Telnet engine and its host connection, driven by an event
// loop (the poll loop of the headless program and the tests, Qt's loop in the desktop program).
// It joins the pieces: connection data into the engine, engine records into the data stream,
// the data stream's replies out through the engine to the connection, and the connection's ends
// into the session's status, its messages, the session file and the reconnect.
//
// Everything here runs on the loop thread. In-process use (tests, other subsystems' tests):
//
//     PollEventLoop loop;
//     SessionRuntime runtime(loop, ui, frame);        // frame: a SessionFrame, which may do nothing
//     PrepareDefaultSession(runtime.session(), ORKAN_BUILD_DATA_DIR);  // or PrepareSession (startup.h)
//     runtime.StartConnection("127.0.0.1:3270");      // or StartDetachedConnection(sink) + FeedHostData
//     loop.RunUntil([&] { return runtime.session().status == SessionStatus::Unlocked; }, 10s);
//     ExecuteKey(runtime.session(), ...);   // between turns, the caller's thread is the loop thread
//     DumpScreenText(runtime.session());
//     runtime.Destroy();
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/session_core.h"
#include "config/session_file.h"
#include "keyboard/keyboard.h"
#include "net/connection.h"
#include "net/telnet_engine.h"
#include "peers/session_peers.h"
#include "platform/alive_token.h"
#include "platform/event_loop.h"
#include "platform/scoped_timers.h"
#include "session/session.h"
#include "session/session_frame.h"

namespace orkan {

enum class StartMode : uint8_t { Interactive = 1, Reconnect = 2 };

// The session's own timers (ids within the runtime's ScopedTimers).
namespace session_timer {
inline constexpr int Blink = 1;            // 166 ms, six phases; once a second the housekeeping
inline constexpr int DelayedStart = 5;     // once, one second after the first record of a connection
                                           // (automation: at the first unlock, if that is sooner)
inline constexpr int SaveAfterClose = 21;  // once: the pause before saving after the host closed
inline constexpr int ClosePause = 22;      // once: the pause before the last save of a closing session
inline constexpr int Reconnect = 23;       // once: the wait before reconnecting to a host that closed soon
}  // namespace session_timer
inline constexpr auto kBlinkPeriod = std::chrono::milliseconds(166);

struct RuntimeOptions {
    // The headless program counts a failed read as the host closing; the desktop program waits for
    // the next send to notice, as the user then gets the reconnect offer.
    bool read_failure_closes = false;
    // Sessions save one after another when they close together: (37 - slot) x this.
    std::chrono::milliseconds save_pause_unit{10};
    // Automation waits for nothing it does not need (the headless program): the start-up and
    // connect macros start once the first screen has unlocked the keyboard (the second after the
    // first record stays the limit for a host that leaves it locked), and a session that runs
    // alone saves without the pause that staggers sessions closing together.
    bool automation_timing = false;
    // The loop thread reads a plain connection's socket itself (ConnectRequest::read_on_loop).
    bool read_on_loop = false;
};

// Where a connection without a socket sends the session's bytes (tests, fuzzing).
class HostBytesSink {
  public:
    virtual ~HostBytesSink() = default;
    virtual void Outbound(std::span<const uint8_t> bytes) = 0;
};

// Connection values the command line gave: they stay in force when the session file is loaded
// again for a restart, and they are not written into the session file.
// The automation interface's connect gives them too, code pages included.
struct CommandLineConnection {
    bool host = false, port = false, tn3270e = false, tls = false, lu_name = false, model = false;
    bool screen_code_page = false, keyboard_code_page = false;
    SessionRecord values;  // the record as the command line left it
};

class SessionRuntime final : public TelnetEvents, public ConnectionListener, public PeerHandler {
  public:
    SessionRuntime(EventLoop& loop, Ui& ui, SessionFrame& frame, RuntimeOptions options = {});
    ~SessionRuntime() override;  // closes the connection; Destroy is the orderly end
    SessionRuntime(const SessionRuntime&) = delete;
    SessionRuntime& operator=(const SessionRuntime&) = delete;

    Session& session() { return *session_; }
    const Session& session() const { return *session_; }
    // The subsystems below the window and the one dispatch of program operations.
    SessionCore& core() { return *core_; }
    SessionFileState& file_state() { return file_state_; }
    EventLoop& loop() { return loop_; }

    // Start-up wiring. `peers` hands its messages to this runtime; it must not outlive the runtime
    // unless SetPeers(nullptr) came first (start-up keeps it in StartupState, made after the
    // runtime and so gone before it). The timer starts with StartTimers (the program does so once the session
    // is set up; tests that step time call OnBlinkTick themselves).
    void SetPeers(SessionPeers* peers);
    SessionPeers* Peers() const { return peers_; }
    void SetShutdownMacroHook(ShutdownMacroHook* hook) { shutdown_hook_ = hook; }
    void SetCommandLineConnection(CommandLineConnection values) { command_line_ = std::move(values); }
    const CommandLineConnection& GivenConnection() const { return command_line_; }
    // The user connected to a host of the session dialog, which saved it in the session file: the
    // command line's host and connection values were for the connections before, and a restart
    // (Retry, Reconnect, the automatic reconnect) now goes to the host connected last.
    void CommandLineConnectionDone();
    void StartTimers();

    // Starts the session (first start, Retry, auto-reconnect): reloads the session file except on
    // the first start, then connects to its host.
    void StartSession(StartMode mode);
    // Starts a connection to `host` ("name", "name:port", "[v6]:port"). False after the message when
    // nothing could be started (a setting that cannot be used, a malformed host string).
    bool StartConnection(const std::string& host);
    void CloseConnection();
    // The user's Disconnect: the connection closed and the session marked not connected as after
    // a host's close, so a macro waiting on the session sees it at once.
    void Disconnect();
    // A connection without a socket, for tests and fuzzing: the same start as StartConnection, then
    // at once connected; the host's bytes come in through FeedHostData and the session's go to
    // `sink`. False after the message when a setting cannot be used.
    bool StartDetachedConnection(HostBytesSink& sink);
    void FeedHostData(std::span<const uint8_t> bytes);

    // The window's close path: false when the session stays (Wang rule, a shut-down macro that now
    // runs, Cancel in the prompt). True: the caller destroys the window (Destroy).
    [[nodiscard]] bool RequestClose();
    // Key function "close all sessions".
    void CloseAllSessions();
    // The orderly end without holding up the loop: the connection closes and its thread is joined at
    // once; after the pause of (37 - slot) x 10 ms (sessions closing together save one after
    // another) the session is saved, the slot freed and the others told, and then `closed` runs.
    // The loop must keep running until then. Later calls only add their `closed`.
    void Close(std::function<void()> closed);
    // The same end at once, for when the loop will not run again (the pause then waits here).
    // Idempotent, and nothing more after Close has finished.
    void Destroy();

    // Timer 1 by hand (tests with a manual clock).
    void OnBlinkTick();

    // What the status line and the information windows show.
    bool IsConnectionOpen() const { return connection_.IsOpen(); }
    ConnectionStage Stage() const { return connection_.Stage(); }
    const std::string& PeerName() const { return connection_.PeerName(); }
    const std::string& LocalAddress() const { return connection_.LocalAddress(); }
    size_t LastRecordLength() const { return last_record_length_; }  // bytes of the last host record
    int Socket() const { return connection_.Socket(); }
    const std::optional<TlsInfo>& Tls() const { return tls_info_; }
    int ConnectCountdown() const { return countdown_; }
    int64_t ConnectStartedMs() const { return connect_started_ms_; }
    // How long an automatic reconnect waited last: 0 after a session that lasted a minute.
    std::chrono::milliseconds ReconnectWait() const { return reconnect_wait_; }
    StartMode LastStartMode() const { return start_mode_; }
    const std::string& WindowTitle() const { return title_; }
    // The record as the session file would receive it (command-line connection values taken out).
    SessionRecord RecordForSaving() const;
    // Saves the session (mode "auto"); false after the message. Nothing is saved without a session
    // file name or an application data folder.
    bool SaveSession();

  private:
    // TelnetEvents.
    void WriteToHost(std::span<const uint8_t> bytes) override;
    void FirstDataReceived() override;
    void FirstRecordStarting() override;
    void RecordReceived(std::span<const uint8_t> record) override;
    void LineModeText(std::span<const uint8_t> text) override;
    void SscpLuRecord(bool entering) override;
    void EraseScreen() override;
    void DeviceRejected(uint8_t reason, std::string_view text) override;
    void ProtocolFailure(std::string_view text) override;
    void StatusLineChanged() override;

    // ConnectionListener.
    void OnConnectionData(std::span<const uint8_t> chunk) override;
    void OnConnectionEvent(const ConnectionEvent& event) override;

    // PeerHandler.
    void OnSessionListChanged(int32_t closing_pid) override;
    void OnCloseRequest() override;
    void OnMacroRequest(const std::string& text, bool as_source) override;
    void OnArrange(int64_t what, int64_t value) override;

    bool BeginConnect();  // what every connection start does before the socket
    void OnConnected(const ConnectionEvent& event);
    void OnClosedByHost();
    void AfterClosePause();
    void OnConnectFailed(const std::string& text);
    void OnTlsFailed(const std::string& text);
    void OnConnectTimeout();
    void OnceASecond();
    void DelayedStartWork();
    void StartWorkIfUnlocked();
    void RefreshTitle();
    void LeaveHistory();
    void MarkNotConnected();
    void Detach();  // the engine no longer reaches the connection
    bool Ending() const { return destroyed_ || closing_; }
    std::chrono::milliseconds ClosePauseLength();
    void StopWork();     // timers and connection, the first half of every end
    void FinishClose();  // the save, the slot and the others told
    void ApplyCommandLineConnection(SessionRecord& record) const;
    // Runs `task` on the loop later, unless this runtime is gone by then.
    void Later(std::function<void()> task);
    SessionFileContext FileContext();

    EventLoop& loop_;
    SessionFrame& frame_;
    RuntimeOptions options_;
    std::unique_ptr<Session> session_;
    Keyboard keyboard_;  // the session's for its whole life: keys reach it before the core is made
    std::unique_ptr<TelnetEngine> telnet_;
    Connection connection_;
    ScopedTimers timers_;  // ids of session_timer, this runtime's own
    SessionFileState file_state_;
    SessionPeers* peers_ = nullptr;
    std::string peer_name_;  // the session name the own slot shows the others
    ShutdownMacroHook* shutdown_hook_ = nullptr;
    HostBytesSink* detached_sink_ = nullptr;
    CommandLineConnection command_line_;
    std::unique_ptr<SessionCore> core_;  // made last: it reaches the rest through this runtime
    AliveToken alive_;                   // posted tasks check it

    StartMode start_mode_ = StartMode::Interactive;
    bool started_once_ = false;
    bool connection_started_ = false;  // ever, in this process
    bool destroyed_ = false;           // no more work of any kind
    bool closing_ = false;             // Close is under way
    std::vector<std::function<void()>> when_closed_;
    bool timers_running_ = false;
    bool delayed_start_pending_ = false;  // this connection's delayed start-up work is timed
    bool delayed_start_waiting_ = false;  // and has not run yet
    bool reject_box_pending_ = false;     // one box answers every DEVICE-TYPE REJECT until then
    size_t last_record_length_ = 0;
    std::string connect_host_;  // host part of the last connect, for the time-out message
    int countdown_ = 0;
    int64_t connect_started_ms_ = 0;
    std::chrono::milliseconds reconnect_wait_{0};  // grows while the host keeps closing soon
    int keep_alive_interval_ = 0;
    int keep_alive_seconds_ = 0;
    int keep_alive_total_ = 0;
    int blink_phase_ = 0;
    std::optional<TlsInfo> tls_info_;
    std::string title_;
};

}  // namespace orkan
