#include "app/session_macros.h"

#include "app/session_core.h"
#include "app/session_runtime.h"
#include "capture/editor_launch.h"
#include "peers/session_peers.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "session/session_frame.h"

namespace orkan {

namespace {

constexpr std::string_view kNoMacro = "(none)";

FileDialogRequest MacroFileRequest(std::string_view title, const std::string& folder) {
    FileDialogRequest request;
    request.purpose = FileDialogRequest::Purpose::Open;
    request.title = std::string(title);
    request.folder = folder;
    request.filters = {{"Macro files", {"*.mac"}}};
    return request;
}

}  // namespace

SessionMacros::SessionMacros(SessionRuntime& runtime, SessionFrame& frame)
    : runtime_(runtime),
      frame_(frame),
      runner_(runtime.session(), runtime.loop(), *this),
      rexx_(runtime.session(), runtime.loop(), *this),
      dispatcher_(runtime.session(), runner_, rexx_) {
    Session& s = runtime_.session();
    runner_.SetSessionFacts(this);
    rexx_.SetSessionFacts(this);
    s.hooks.macros = &dispatcher_;
}

SessionMacros::~SessionMacros() {
    Session& s = runtime_.session();
    if (s.hooks.macros == &dispatcher_) s.hooks.macros = nullptr;
}

// ---- Start-up

MacroDone SessionMacros::StartupDone() {
    ++startup_running_;
    return [this](const MacroOutcome& outcome) {
        --startup_running_;
        const bool file_to_come = !startup_file_.empty() && !startup_file_started_;
        if (outcome.end != MacroOutcome::End::Finished || (startup_running_ == 0 && !file_to_come))
            frame_.StartupMacroEnded(outcome);
    };
}

void SessionMacros::SetStartupMacro(std::string name) {
    startup_file_ = std::move(name);
    startup_file_started_ = false;
}

void SessionMacros::RunStartupText(const std::string& text) {
    startup_text_given_ = true;
    [[maybe_unused]] const bool started = dispatcher_.StartText(text, MacroOrigin::User, StartupDone());
}

void SessionMacros::StartStartupFile() {
    if (startup_file_.empty() || startup_file_started_) return;
    // The command line's macro belongs to the program's start, not to every reconnect.
    startup_file_started_ = true;
    [[maybe_unused]] const bool started =
        dispatcher_.StartFile(startup_file_, MacroOrigin::User, StartupDone());
}

void SessionMacros::AfterFirstHostData(bool reconnect) {
    StartStartupFile();
    if (reconnect && runtime_.session().settings.NoMacroOnReconnect) return;
    RunConnectMacro();
}

void SessionMacros::StartWithoutHost() {
    StartStartupFile();
}

// ---- Key functions

void SessionMacros::NeedsFileName(std::string_view what, std::string_view instead) {
    runtime_.session().ui.ShowMessage(
        {"Orkan TN3270",
         "\"" + std::string(what) +
             "\" asks for a file, which this program cannot do: " + std::string(instead),
         Buttons::Ok, Icon::Information});
}

void SessionMacros::Play() {
    Session& s = runtime_.session();
    if (dispatcher_.Paused()) {
        dispatcher_.TogglePause();
        return;
    }
    const std::optional<std::string> chosen =
        s.ui.AskFileName(MacroFileRequest("Play a Macro", s.folders.macros));
    if (!chosen) {
        if (!s.ui.CanAsk()) NeedsFileName("Play a Macro", "give the macro with --macro FILE.");
        return;
    }
    [[maybe_unused]] const bool started = dispatcher_.StartFile(*chosen);
}

void SessionMacros::OpenDebugWindow() {
    runtime_.session().ui.ControlDebugWindow(DebugWindowAction::Open);
}

void SessionMacros::RunConnectMacro() {
    const std::string name = runtime_.session().record.Text(field::StartupMacro);
    if (name.empty() || name == kNoMacro) return;
    [[maybe_unused]] const bool started = dispatcher_.StartFile(name);
}

void SessionMacros::EditMacro() {
    Session& s = runtime_.session();
    const std::optional<std::string> chosen =
        s.ui.AskFileName(MacroFileRequest("Edit a Macro", s.folders.macros));
    if (!chosen) {
        if (!s.ui.CanAsk())
            NeedsFileName("Edit a Macro", "edit the file in the macros folder " + s.folders.macros + ".");
        return;
    }
    const Environment environment = ProcessEnvironment();
    const std::string editor = EditorCommand(s.settings, environment);
    if (const std::string error = LaunchEditor(editor, *chosen, environment); !error.empty()) {
        s.ui.ShowMessage({"Orkan TN3270 Error",
                          "The editor \"" + editor + "\" could not be started for " + *chosen + ": " + error +
                              ".\nThe program setting \"Notepad\" names the editor.",
                          Buttons::Ok, Icon::Error});
    }
}

// ---- What macros reach beyond the session

int SessionMacros::DoRunMacroInSession(char letter, std::string_view name) {
    SessionPeers* peers = runtime_.Peers();
    if (!peers) {
        // Without the shared area only this session is known.
        if (letter != runtime_.session().letter) return macro_error::SessionNotOpen;
        [[maybe_unused]] const bool started = dispatcher_.StartFile(name);
        return 0;
    }
    const int code = PeerRequestErrorCode(peers->RunMacroIn(letter, name, false));
    return code == 0 ? 0 : code - 0x8000;
}

bool SessionMacros::DoBringSessionToFront(char letter) {
    SessionPeers* peers = runtime_.Peers();
    if (letter == runtime_.session().letter) {
        frame_.Arrange(Arrangement::BringToFront, 0);
        return true;
    }
    return peers && peers->Arrange(letter, peer_message::BringToFront, 0);
}

void SessionMacros::DoPlaySoundFile(const std::string& path) {
    frame_.PlaySoundFile(path);
}

void SessionMacros::DoBeep(int frequency, int duration_ms) {
    frame_.PlayTone(frequency, duration_ms);
}

std::string SessionMacros::HostAddress() const {
    return runtime_.IsConnectionOpen() ? runtime_.PeerName() : std::string();
}

std::string SessionMacros::LocalAddress() const {
    return runtime_.IsConnectionOpen() ? runtime_.LocalAddress() : std::string();
}

int SessionMacros::Socket() const {
    return runtime_.Socket();
}

size_t SessionMacros::LastRecordLength() const {
    return runtime_.LastRecordLength();
}

std::string SessionMacros::SessionLetters() const {
    SessionPeers* peers = runtime_.Peers();
    if (!peers) return {};
    std::string letters;
    for (const PeerSession& p : peers->Sessions()) letters += p.letter;
    return letters;
}

std::string SessionMacros::PrintStatus() const {
    return runtime_.core().Print().state().status_text;
}

}  // namespace orkan
