#include "app/session_runtime.h"

#include <unistd.h>

#include <algorithm>
#include <thread>

#include "config/file_name_text.h"
#include "config/settings_file.h"
#include "ds3270/fields.h"
#include "ds3270/geometry.h"
#include "ds3270/host_text.h"
#include "ds3270/line_mode_display.h"
#include "ds3270/write_processor.h"
#include "net/host_address.h"
#include "session/session_charset.h"
#include "session/window_title.h"

namespace orkan {

namespace {

constexpr std::string_view kRejectTitle = "Orkan TN3270 Connection Error 3";
constexpr std::string_view kTimeoutTitle = "Orkan TN3270 Connection Error 1";
constexpr std::string_view kConnectErrorTitle = "Orkan TN3270 Connection Error 2";
constexpr std::string_view kTlsErrorTitle = "Orkan TN3270 Connection Error 6";
constexpr std::string_view kSendErrorTitle = "Send Error";
constexpr std::string_view kProtocolErrorTitle = "Orkan TN3270 Protocol Error";
constexpr std::string_view kSettingsErrorTitle = "Orkan TN3270 Settings Error";
constexpr std::string_view kCloseTitle = "Orkan TN3270";
constexpr int kHighestTlsChoice = 4;

bool AskRetry(Ui& ui, std::string_view title, const std::string& text) {
    return ui.ShowMessage({std::string(title), text, Buttons::RetryCancel, Icon::Error}) == Answer::Retry;
}

// Values of the record that the connection uses, copied from one record into another.
void CopyField(SessionRecord& to, const SessionRecord& from, const FieldDef& f) {
    if (f.kind == FieldKind::Text) {
        [[maybe_unused]] const bool fits = to.SetText(f, from.Text(f));  // same field: always fits
    } else {
        to.SetNumber(f, from.Number(f));
    }
}

// The model and the user's own size go together: --size sets all three.
constexpr const FieldDef* kModelFields[] = {&field::TerminalModel, &field::UserScreenWidth,
                                            &field::UserScreenHeight};
constexpr const FieldDef* kHostFields[] = {&field::HostName, &field::IpName,    &field::Port,
                                           &field::Tn3270e,  &field::TlsChoice, &field::LuName};

}  // namespace

SessionRuntime::SessionRuntime(EventLoop& loop, Ui& ui, SessionFrame& frame, RuntimeOptions options)
    : loop_(loop),
      frame_(frame),
      options_(options),
      session_(std::make_unique<Session>(ui)),
      keyboard_(*session_),
      telnet_(std::make_unique<TelnetEngine>(session_->link, TelnetConfig{}, *this, &session_->trace)),
      connection_(loop, *this),
      timers_(loop) {
    core_ = std::make_unique<SessionCore>(*this, frame);
}

SessionRuntime::~SessionRuntime() {
    timers_.StopAll();
    connection_.Close();
    Detach();
}

void SessionRuntime::Later(std::function<void()> task) {
    loop_.Post(alive_.Guard(std::move(task)));
}

SessionFileContext SessionRuntime::FileContext() {
    return {session_->ui, session_->folders, session_->settings};
}

void SessionRuntime::SetPeers(SessionPeers* peers) {
    if (peers_ && peers_ != peers) peers_->SetHandler(nullptr);
    peers_ = peers;
    if (peers_) {
        peers_->SetHandler(this);
        session_->letter = peers_->OwnLetter();
        peer_name_ = session_->record.Text(field::SessionFile);
    }
}

void SessionRuntime::StartTimers() {
    if (timers_running_) return;
    timers_running_ = true;
    timers_.Start(session_timer::Blink, kBlinkPeriod, false, [this] { OnBlinkTick(); });
    RefreshTitle();
}

// ---------------------------------------------------------------------------------------------
// Starting and closing connections.

void SessionRuntime::ApplyCommandLineConnection(SessionRecord& record) const {
    const SessionRecord& given = command_line_.values;
    if (command_line_.host)
        for (const FieldDef* f : kHostFields) CopyField(record, given, *f);
    if (command_line_.port) CopyField(record, given, field::Port);
    if (command_line_.tn3270e) CopyField(record, given, field::Tn3270e);
    if (command_line_.tls) CopyField(record, given, field::TlsChoice);
    if (command_line_.lu_name) CopyField(record, given, field::LuName);
    if (command_line_.model)
        for (const FieldDef* f : kModelFields) CopyField(record, given, *f);
    if (command_line_.screen_code_page) CopyField(record, given, field::ScreenCodePage);
    if (command_line_.keyboard_code_page) CopyField(record, given, field::KeyboardCodePage);
}

void SessionRuntime::CommandLineConnectionDone() {
    command_line_ = CommandLineConnection{};
    file_state_.given = GivenOnCommandLine{};
}

SessionRecord SessionRuntime::RecordForSaving() const {
    SessionRecord out = session_->record;
    const SessionRecord& loaded = file_state_.last_saved;
    // The command line's host is a one-off: the file keeps the host it names.
    if (command_line_.host)
        for (const FieldDef* f : kHostFields) CopyField(out, loaded, *f);
    if (command_line_.port) CopyField(out, loaded, field::Port);
    if (command_line_.tn3270e) CopyField(out, loaded, field::Tn3270e);
    if (command_line_.tls) CopyField(out, loaded, field::TlsChoice);
    if (command_line_.lu_name) CopyField(out, loaded, field::LuName);
    if (command_line_.model)
        for (const FieldDef* f : kModelFields) CopyField(out, loaded, *f);
    if (command_line_.screen_code_page) CopyField(out, loaded, field::ScreenCodePage);
    if (command_line_.keyboard_code_page) CopyField(out, loaded, field::KeyboardCodePage);
    return out;
}

bool SessionRuntime::SaveSession() {
    // A session run in-process without an application data folder has nowhere to save to.
    if (session_->record.Text(field::SessionFile).empty() || session_->folders.app_data.empty()) return true;
    return SaveSessionFile(FileContext(), SaveMode::Auto, false, RecordForSaving(), file_state_,
                           std::nullopt);
}

void SessionRuntime::StartSession(StartMode mode) {
    if (Ending()) return;
    timers_.Stop(session_timer::Reconnect);
    start_mode_ = mode;
    Session& s = *session_;
    const std::string name = s.record.Text(field::SessionFile);
    if (!name.empty() && started_once_) {
        SessionRecord loaded = s.record;
        // With NoAutoSave only the user's own saves write the file: reading it again would undo
        // the settings changed since.
        if (!s.settings.NoAutoSave && !LoadSessionFile(FileContext(), loaded, file_state_)) {
            frame_.ConnectionEnded(
                {ConnectionEnd::Kind::StartFailed, "Session file " + name + " cannot be loaded."});
            return;
        }
        if (s.settings.NoSessionSave)
            for (const FieldDef* f : kHostFields) CopyField(loaded, s.record, *f);
        ApplyCommandLineConnection(loaded);
        if (command_line_.host) file_state_.security = HostSecurity{};
        const bool code_pages_changed =
            loaded.Text(field::ScreenCodePage) != s.record.Text(field::ScreenCodePage) ||
            loaded.Text(field::KeyboardCodePage) != s.record.Text(field::KeyboardCodePage) ||
            loaded.Text(field::PcCodePage) != s.record.Text(field::PcCodePage);
        s.record = loaded;
        // A failure has been shown; the tables in use stay.
        [[maybe_unused]] const bool rebuilt = !code_pages_changed || RebuildCharset(s);
    }
    started_once_ = true;

    std::string host = s.record.Text(field::IpName);
    if (host.empty()) host = s.record.Text(field::HostName);
    if (host.empty()) {
        s.status = SessionStatus::Start;
        s.view->RefreshStatusLine();
        frame_.ConnectionEnded(
            {ConnectionEnd::Kind::NoHost,
             "The session " + name +
                 " names no host to connect to: give one with --host, as tn3270://host:port/, or "
                 "in the session file."});
        return;
    }
    StartConnection(host);
    RefreshTitle();
    if (!name.empty() && !s.folders.settings_file.empty()) {
        if (int err = WriteLastSession(s.folders.settings_file, StoredNameToPath(name)); err != 0)
            s.ui.ShowMessage(FileSaveError(err, s.folders.settings_file));
    }
}

bool SessionRuntime::BeginConnect() {
    if (Ending()) return false;
    Session& s = *session_;
    CloseConnection();
    orkan::EraseScreen(s, 1);
    // Text the last host left unfinished is its own; a new host's Erase/Write must not run it.
    DropHostText(s);
    // So is the reply mode it set: a new host's reads start in field mode, as at power-on.
    s.ds.reply_mode = uint8_t(ReplyMode::Field);
    s.ds.character_mode_attributes.clear();
    s.ds.read_buffer_start = 0;
    // Every connection starts with an empty ring, sized by the session as it now stands.
    if (s.hooks.history) s.hooks.history->Reset();

    TelnetConfig config;
    config.terminal_type = TerminalModelEntry(s, TerminalModelIndex(s)).terminal_type;
    config.lu_name = s.record.Text(field::LuName);
    config.offer_tn3270e = s.record.Flag(field::Tn3270e);
    config.charset = &s.charset;
    if (std::string why = CheckTelnetConfig(config); !why.empty()) {
        OnConnectFailed(why);
        return false;
    }
    telnet_->SetConfig(std::move(config));
    telnet_->Reset();

    countdown_ = int(s.record.Number(field::ConnectionTimeout));
    s.indicators.connect_seconds_left = countdown_;
    s.status = SessionStatus::Connecting;
    s.link.tls_active = false;
    s.view->RefreshStatusLine();
    connect_started_ms_ = s.clock->NowMs();
    connection_started_ = true;
    delayed_start_pending_ = false;
    delayed_start_waiting_ = false;
    tls_info_.reset();
    // The host entry's own time, when the host list gives it one.
    keep_alive_interval_ = file_state_.keep_alive >= 0 ? file_state_.keep_alive : s.settings.KeepAliveTime;
    keep_alive_seconds_ = 0;
    keep_alive_total_ = 0;
    return true;
}

bool SessionRuntime::StartConnection(const std::string& host) {
    if (!BeginConnect()) return false;
    Session& s = *session_;
    const uint32_t tls = s.record.Number(field::TlsChoice);
    if (tls > uint32_t(kHighestTlsChoice)) {
        OnConnectFailed(
            "The session's TLS choice " + std::to_string(tls) +
            " cannot be used: choose 0 (none), 1 (the highest available), 2 (TLS 1.0), 3 (TLS 1.1) or "
            "4 (TLS 1.2).");
        return false;
    }
    ConnectRequest request;
    request.host = host;
    request.port = uint16_t(s.record.Number(field::Port));
    request.set_sock_opt = s.settings.SetSockOpt;
    request.read_on_loop = options_.read_on_loop;
    request.tls.protocol = int(tls);
    request.tls.ca_file = file_state_.security.ca_file;
    request.tls.client_cert_file = file_state_.security.client_cert_file;
    request.tls.client_key_file = file_state_.security.client_key_file;
    request.tls.certs_folder = s.folders.certs;
    request.tls.refuse_self_signed = file_state_.security.validate_host_cert;
    request.tls.check_host_name = file_state_.security.domain_must_match_host;
    request.tls.cipher_list = s.settings.CipherList;
    request.tls.cipher_suites = s.settings.CipherSuites;

    const HostAddressResult parsed = ParseHostAddress(host, request.port);
    connect_host_ = parsed.ok() ? parsed.address.host : host;
    const StartResult started = connection_.Start(request);
    if (!started.ok()) {
        OnConnectFailed(started.error);
        return false;
    }
    if (started.port_in_host) s.record.SetNumber(field::Port, *started.port_in_host);
    return true;
}

bool SessionRuntime::StartDetachedConnection(HostBytesSink& sink) {
    if (!BeginConnect()) return false;
    detached_sink_ = &sink;
    connect_host_ = "(detached)";
    session_->sender = telnet_.get();
    session_->telnet = telnet_.get();
    return true;
}

void SessionRuntime::FeedHostData(std::span<const uint8_t> bytes) {
    if (detached_sink_ != nullptr) telnet_->OnDataReceived(bytes);
}

void SessionRuntime::Detach() {
    detached_sink_ = nullptr;
    session_->sender = nullptr;
    session_->telnet = nullptr;
}

void SessionRuntime::CloseConnection() {
    connection_.Close();
    Detach();
    timers_.Stop(session_timer::DelayedStart);
}

void SessionRuntime::Disconnect() {
    timers_.Stop(session_timer::Reconnect);  // the user's disconnect outranks a reconnect to come
    CloseConnection();
    MarkNotConnected();
}

void SessionRuntime::LeaveHistory() {
    // An earlier screen on show gives way to the live one when the connection ends, as it does for
    // a host write: the last screen (perhaps the host's last message) must stay within reach.
    Session& s = *session_;
    if (s.status == SessionStatus::History && s.hooks.history) s.hooks.history->RestoreLiveScreen();
}

void SessionRuntime::MarkNotConnected() {
    Session& s = *session_;
    LeaveHistory();
    s.status = SessionStatus::NotConnected;
    s.link.line_mode = false;
    s.link.tls_active = false;
    s.view->RefreshStatusLine();
    // A macro waiting for the session to end sees it now: no host record will come to wake it.
    if (s.hooks.macros) s.hooks.macros->AfterHostRecord();
}

// ---------------------------------------------------------------------------------------------
// Connection events.

void SessionRuntime::OnConnectionData(std::span<const uint8_t> chunk) {
    telnet_->OnDataReceived(chunk);
}

void SessionRuntime::OnConnectionEvent(const ConnectionEvent& event) {
    switch (event.kind) {
        case ConnectionEventKind::Connected:
            OnConnected(event);
            break;
        case ConnectionEventKind::ClosedByHost:
            OnClosedByHost();
            break;
        case ConnectionEventKind::ReadFailed:
            // The connection is over; the next send finds the socket gone and offers the reconnect.
            if (options_.read_failure_closes) OnClosedByHost();
            break;
        case ConnectionEventKind::ConnectError:
            OnConnectFailed(event.text);
            break;
        case ConnectionEventKind::TlsError:
            OnTlsFailed(event.text);
            break;
        case ConnectionEventKind::SendError:
            session_->ui.ShowMessage({std::string(kSendErrorTitle), event.text, Buttons::Ok, Icon::Error});
            if (event.socket_gone && !Ending()) OnClosedByHost();
            break;
    }
}

void SessionRuntime::OnConnected(const ConnectionEvent& event) {
    Session& s = *session_;
    tls_info_ = event.tls;
    s.link.tls_active = event.tls.has_value();
    s.sender = telnet_.get();
    s.telnet = telnet_.get();
    s.view->RefreshStatusLine();
}

void SessionRuntime::OnClosedByHost() {
    Session& s = *session_;
    connection_.Close();
    Detach();
    timers_.Stop(session_timer::DelayedStart);
    LeaveHistory();  // before the erase, which would otherwise go to the earlier screen
    orkan::EraseScreen(s, 1);
    if (s.status == SessionStatus::Rejected) return;
    MarkNotConnected();
    timers_.Start(session_timer::SaveAfterClose, ClosePauseLength(), true, [this] { AfterClosePause(); });
}

void SessionRuntime::AfterClosePause() {
    Session& s = *session_;
    [[maybe_unused]] const bool saved = SaveSession();                // a failure has been shown
    if (Ending() || s.status != SessionStatus::NotConnected) return;  // started again meanwhile
    if (s.record.Flag(field::AutoReconnect)) {
        // A host that ends every session at once would be called again without a pause, thousands
        // of times a second: after a session shorter than a minute the wait doubles from one
        // second up to a minute; one that lasted reconnects at once.
        using std::chrono::milliseconds;
        const bool lasted = s.clock->NowMs() - connect_started_ms_ >= 60000;
        reconnect_wait_ = lasted ? milliseconds(0)
                                 : std::clamp(reconnect_wait_ * 2, milliseconds(1000), milliseconds(60000));
        if (reconnect_wait_ == milliseconds(0)) {
            StartSession(StartMode::Reconnect);
            return;
        }
        timers_.Start(session_timer::Reconnect, reconnect_wait_, true, [this] {
            if (!Ending() && session_->status == SessionStatus::NotConnected)
                StartSession(StartMode::Reconnect);
        });
        return;
    }
    frame_.ConnectionEnded({ConnectionEnd::Kind::ClosedByHost, "The host closed the connection."});
    if (s.settings.CloseOnDisconnect) frame_.CloseRequested();
}

void SessionRuntime::OnConnectFailed(const std::string& text) {
    Detach();
    MarkNotConnected();
    if (AskRetry(session_->ui, kConnectErrorTitle, text)) {
        Later([this] { StartSession(StartMode::Interactive); });
        return;
    }
    frame_.ConnectionEnded({ConnectionEnd::Kind::ConnectFailed, text});
}

void SessionRuntime::OnTlsFailed(const std::string& text) {
    Detach();
    MarkNotConnected();
    session_->ui.ShowMessage({std::string(kTlsErrorTitle), text, Buttons::Ok, Icon::Error});
    frame_.ConnectionEnded({ConnectionEnd::Kind::TlsFailed, text});
}

void SessionRuntime::OnConnectTimeout() {
    CloseConnection();
    MarkNotConnected();
    orkan::EraseScreen(*session_, 1);
    const std::string text = "Timeout while connecting to " + connect_host_;
    if (start_mode_ == StartMode::Interactive && AskRetry(session_->ui, kTimeoutTitle, text)) {
        Later([this] { StartSession(StartMode::Interactive); });
        return;
    }
    frame_.ConnectionEnded({ConnectionEnd::Kind::TimedOut, text});
}

// ---------------------------------------------------------------------------------------------
// Telnet engine events.

void SessionRuntime::WriteToHost(std::span<const uint8_t> bytes) {
    if (detached_sink_ != nullptr) {
        detached_sink_->Outbound(bytes);
        return;
    }
    connection_.Send(bytes);
}

void SessionRuntime::FirstDataReceived() {
    Session& s = *session_;
    if (s.status == SessionStatus::Connecting) {
        s.status = SessionStatus::Connected;
        s.view->RefreshStatusLine();
    }
}

void SessionRuntime::FirstRecordStarting() {
    if (delayed_start_pending_) return;
    delayed_start_pending_ = true;
    delayed_start_waiting_ = true;
    timers_.Start(session_timer::DelayedStart, std::chrono::milliseconds(1000), true,
                  [this] { DelayedStartWork(); });
}

void SessionRuntime::StartWorkIfUnlocked() {
    if (!options_.automation_timing || !delayed_start_waiting_) return;
    if (session_->status != SessionStatus::Unlocked) return;
    // Through the same timer, so it runs once, after the record, and a close still cancels it.
    timers_.Start(session_timer::DelayedStart, std::chrono::milliseconds(0), true,
                  [this] { DelayedStartWork(); });
}

void SessionRuntime::RecordReceived(std::span<const uint8_t> record) {
    last_record_length_ = record.size();
    ProcessHostRecord(*session_, record);
    StartWorkIfUnlocked();
}

void SessionRuntime::LineModeText(std::span<const uint8_t> text) {
    Session& s = *session_;
    const LineModeDisplayResult shown = ShowLineModeText(s.ps, text);
    if (shown.alarm) s.view->PlaySound(Sound::Alarm);
    s.status = SessionStatus::Unlocked;
    s.view->RepaintChangedRows();
    s.view->CursorMoved();
    s.view->RefreshStatusLine();
    s.view->KeyboardUnlocked();
    StartWorkIfUnlocked();
}

void SessionRuntime::SscpLuRecord(bool entering) {
    Session& s = *session_;
    if (entering) orkan::EraseScreen(s, 1);
    s.status = SessionStatus::Unlocked;
    s.view->RefreshStatusLine();
    StartWorkIfUnlocked();
}

void SessionRuntime::EraseScreen() {
    orkan::EraseScreen(*session_, 1);
}

void SessionRuntime::DeviceRejected(uint8_t, std::string_view text) {
    Session& s = *session_;
    s.status = SessionStatus::Rejected;
    s.view->RefreshStatusLine();
    // A host that rejects again before the box is answered gets no second box: each would
    // start its own new connection on Retry.
    if (reject_box_pending_) return;
    reject_box_pending_ = true;
    // Not inside the engine's scan: the box may run a nested loop, and Retry starts a new connection.
    Later([this, text = std::string(text)] {
        reject_box_pending_ = false;
        if (Ending()) return;
        if (AskRetry(session_->ui, kRejectTitle, text)) {
            session_->status = SessionStatus::NotConnected;
            StartSession(StartMode::Interactive);
            return;
        }
        frame_.ConnectionEnded({ConnectionEnd::Kind::Rejected, text});
    });
}

void SessionRuntime::ProtocolFailure(std::string_view text) {
    Later([this, text = std::string(text)] {
        if (Ending()) return;
        CloseConnection();
        orkan::EraseScreen(*session_, 1);
        MarkNotConnected();
        session_->ui.ShowMessage({std::string(kProtocolErrorTitle), text, Buttons::Ok, Icon::Error});
        [[maybe_unused]] const bool saved = SaveSession();
        frame_.ConnectionEnded({ConnectionEnd::Kind::ProtocolFailure, text});
    });
}

void SessionRuntime::StatusLineChanged() {
    session_->view->RefreshStatusLine();
}

// ---------------------------------------------------------------------------------------------
// Timers.

void SessionRuntime::OnBlinkTick() {
    blink_phase_ = (blink_phase_ + 1) % 6;
    frame_.BlinkPhase(blink_phase_);
    if (blink_phase_ == 0) OnceASecond();
}

void SessionRuntime::OnceASecond() {
    Session& s = *session_;
    // A time-out of 0 never runs out: the countdown starts below its end.
    if (s.status == SessionStatus::Connecting && (connection_.IsOpen() || detached_sink_ != nullptr) &&
        countdown_ > 0 && --countdown_ == 0) {
        OnConnectTimeout();
    }
    s.indicators.connect_seconds_left = s.status == SessionStatus::Connecting ? countdown_ : -1;
    if (s.status >= SessionStatus::Connected && s.telnet != nullptr && keep_alive_interval_ > 0) {
        ++keep_alive_seconds_;
        if (s.settings.KeepAliveTimeDisable != 0 && ++keep_alive_total_ >= s.settings.KeepAliveTimeDisable)
            keep_alive_interval_ = 0;
        if (keep_alive_interval_ > 0 && keep_alive_seconds_ >= keep_alive_interval_) {
            keep_alive_seconds_ = 0;
            const std::string error = s.telnet->SendKeepAlive(s.settings);
            if (!error.empty()) {
                keep_alive_interval_ = 0;  // told once; the setting is read again at the next start
                s.ui.ShowMessage({std::string(kSettingsErrorTitle), error, Buttons::Ok, Icon::Warning});
            }
        }
    }
    s.view->RefreshStatusLine();
    RefreshTitle();
}

void SessionRuntime::DelayedStartWork() {
    Session& s = *session_;
    delayed_start_waiting_ = false;
    if (!s.folders.app_data.empty()) {
        [[maybe_unused]] const BackupResult backup = BackupStandardSession(s.folders);  // best effort
    }
    core_->Macros().AfterFirstHostData(start_mode_ == StartMode::Reconnect);
}

void SessionRuntime::RefreshTitle() {
    Session& s = *session_;
    // The status line's user text follows the same "&" sequences as the title, so it changes with them.
    const std::string user = s.record.Text(field::StatusLine);
    s.indicators.user_text = ExpandSessionText(user, s);
    // The others' Window menus show this session by the name in its slot: a session that took
    // another file (Save As, the session dialog) says so.
    if (peers_ && s.record.Text(field::SessionFile) != peer_name_) {
        peer_name_ = s.record.Text(field::SessionFile);
        peers_->SetOwnName(peer_name_);
        peers_->NotifySessions(0);
        frame_.SessionListChanged();
    }
    std::string title = BuildWindowTitle(s);
    if (title == title_) return;
    title_ = std::move(title);
    frame_.TitleChanged(title_);
}

// ---------------------------------------------------------------------------------------------
// Closing.

bool SessionRuntime::RequestClose() {
    Session& s = *session_;
    if (Ending()) return true;
    if (s.settings.Wang && s.status >= SessionStatus::Connected) return false;
    if (shutdown_hook_ && shutdown_hook_->StartShutdownMacro()) return false;
    const bool disconnected_after_connect = s.status == SessionStatus::NotConnected && connection_started_;
    if (!disconnected_after_connect && s.record.Flag(field::AskBeforeClosing)) {
        const std::string text = std::string("Ok to close session ") + s.letter + " ?";
        if (s.ui.ShowMessage({std::string(kCloseTitle), text, Buttons::OkCancel, Icon::Question}) !=
            Answer::Ok)
            return false;
    }
    orkan::EraseScreen(s, 1);
    return true;
}

void SessionRuntime::CloseAllSessions() {
    Session& s = *session_;
    if (s.settings.Wang && s.status >= SessionStatus::Connected) return;
    if (s.record.Flag(field::AskBeforeClosing) &&
        s.ui.ShowMessage({std::string(kCloseTitle), "Ok to close all sessions ?", Buttons::OkCancel,
                          Icon::Question}) != Answer::Ok) {
        return;
    }
    if (peers_) {
        peers_->CloseAll();
    } else {
        Later([this] { OnCloseRequest(); });
    }
}

// Sessions closing together save one after another, the lower slots last.
std::chrono::milliseconds SessionRuntime::ClosePauseLength() {
    if (!peers_ || (options_.automation_timing && peers_->Sessions().size() <= 1))
        return std::chrono::milliseconds(0);
    return options_.save_pause_unit * (37 - peers_->OwnSlot());
}

void SessionRuntime::StopWork() {
    timers_.StopAll();
    timers_running_ = false;
    connection_.Close();
    Detach();
    core_->Macros().Stop();                 // a closing session's macros end with it, not while it saves
    core_->Recorder().SaveBeforeClosing();  // and a recording is saved, not lost
}

void SessionRuntime::FinishClose() {
    destroyed_ = true;
    [[maybe_unused]] const bool saved = SaveSession();
    if (peers_) peers_->Leave();
    std::vector<std::function<void()>> callbacks = std::move(when_closed_);
    for (auto& callback : callbacks) callback();
}

void SessionRuntime::Close(std::function<void()> closed) {
    if (destroyed_) {
        if (closed) closed();
        return;
    }
    if (closed) when_closed_.push_back(std::move(closed));
    if (closing_) return;
    closing_ = true;
    StopWork();
    timers_.Start(session_timer::ClosePause, ClosePauseLength(), true, [this] {
        if (!destroyed_) FinishClose();
    });
}

void SessionRuntime::Destroy() {
    if (destroyed_) return;
    StopWork();
    std::this_thread::sleep_for(ClosePauseLength());
    FinishClose();
}

// ---------------------------------------------------------------------------------------------
// Messages from other sessions.

void SessionRuntime::OnSessionListChanged(int32_t) {
    frame_.SessionListChanged();
}

void SessionRuntime::OnCloseRequest() {
    if (Ending()) return;
    if (shutdown_hook_ && shutdown_hook_->StartShutdownMacro()) return;
    frame_.CloseRequested();
}

void SessionRuntime::OnMacroRequest(const std::string& text, bool as_source) {
    MacroHook* macros = session_->hooks.macros;
    if (macros == nullptr) return;
    if (as_source) {
        if (text.size() <= 1000) macros->RunMacroText(text);
    } else {
        macros->StartMacroFile(text);
    }
}

void SessionRuntime::OnArrange(int64_t what, int64_t value) {
    Arrangement a = Arrangement::BringToFront;
    switch (what) {
        case peer_message::Cascade:
            a = Arrangement::Cascade;
            break;
        case peer_message::Minimise:
            a = Arrangement::Minimise;
            break;
        case peer_message::Restore:
            a = Arrangement::Restore;
            break;
        case peer_message::Maximise:
            a = Arrangement::Maximise;
            break;
        default:
            break;
    }
    frame_.Arrange(a, value);
}

}  // namespace orkan
