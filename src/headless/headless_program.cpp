#include "headless/headless_program.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "charset/display_unicode.h"
#include "ds3270/screen_dump.h"
#include "headless/api_program.h"
#include "headless/signal_watch.h"
#include "headless/stderr_text.h"
#include "keyboard/keyboard_state.h"
#include "macro/macro_runner.h"
#include "platform/poll_event_loop.h"

namespace orkan {

namespace {

std::string_view AnswerName(Answer a) {
    switch (a) {
        case Answer::Ok:
            return "Ok";
        case Answer::Cancel:
            return "Cancel";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
        case Answer::Retry:
            return "Retry";
        case Answer::Abort:
            return "Abort";
        case Answer::Ignore:
            return "Ignore";
    }
    return "";
}

// Ends the program from the loop: the runtime is never destroyed from inside its own callbacks.
class HeadlessFrame final : public SessionFrame {
  public:
    HeadlessFrame(PollEventLoop& loop, StderrUi& ui) : loop_(loop), ui_(ui) {}
    void SetRuntime(SessionRuntime* runtime) { runtime_ = runtime; }

    void CloseRequested() override { Finish(ClosedStatus()); }
    void ConnectionEnded(const ConnectionEnd& end) override {
        if (runtime_) {
            SessionMacros& macros = runtime_->core().Macros();
            if (end.kind == ConnectionEnd::Kind::NoHost) {
                // No dialog asks for a host here: the session is not connected, and keys work in it.
                Session& session = runtime_->session();
                session.status = SessionStatus::NotConnected;
                session.view->RefreshStatusLine();
            }
            // A start-up macro without a host runs in a session that never connects.
            if (end.kind == ConnectionEnd::Kind::NoHost && macros.HasStartupMacro()) {
                macros.StartWithoutHost();
                return;
            }
            // The macro may have logged off itself, and waits for that or reconnects.
            if (end.kind == ConnectionEnd::Kind::ClosedByHost && macros.StartupMacroRunning()) {
                Note(end.text);
                return;
            }
        }
        Note(end.text);
        Finish(kExitConnectionEnded);
    }
    void StartupMacroEnded(const MacroOutcome& outcome) override { Finish(ExitStatusOf(outcome)); }
    // A close (a signal, another session, a reader gone) before the command line's macro ended
    // must not read as that macro's success.
    int ClosedStatus() const {
        return runtime_ && runtime_->core().Macros().HasStartupMacro() ? kExitMacroStopped : kExitClosed;
    }
    // Signals and a broken output end the session as a close does.
    void Finish(int code) {
        if (finishing_) return;
        finishing_ = true;
        exit_code_ = code;
        loop_.Post([this] {
            if (!runtime_) {
                loop_.Stop();
                return;
            }
            runtime_->Close([this] { loop_.Stop(); });
        });
    }
    int exit_code() const { return exit_code_; }

  private:
    // The message box said it already, unless there was none.
    void Note(const std::string& display_text) {
        if (display_text == ui_.LastText()) return;
        WriteToStderr("orkan3270: " + TerminalSafeDisplayText(display_text) + "\n");
    }

    PollEventLoop& loop_;
    StderrUi& ui_;
    SessionRuntime* runtime_ = nullptr;
    bool finishing_ = false;
    int exit_code_ = kExitClosed;
};

}  // namespace

int ExitStatusOf(const MacroOutcome& outcome) {
    switch (outcome.end) {
        case MacroOutcome::End::Finished:
            return int(uint32_t(outcome.exit_code) & 255u);
        case MacroOutcome::End::Error:
        case MacroOutcome::End::LoadFailed:
            return kExitMacroError;
        case MacroOutcome::End::Stopped:
            return kExitMacroStopped;
    }
    return kExitMacroError;
}

void StderrUi::AddDebugLine(std::string_view display_text) {
    WriteToStderr("Debug: " + TerminalSafeDisplayText(display_text) + "\n");
}

Answer StderrUi::ShowMessage(const MessageBox& box) {
    const Answer answer = SafestAnswer(box.buttons);
    std::string report = TerminalSafeDisplayText(box.title) + ": " + TerminalSafeDisplayText(box.text) + "\n";
    if (box.buttons != Buttons::Ok) report += "(answered " + std::string(AnswerName(answer)) + ")\n";
    WriteToStderr(report);
    last_text_ = box.text;
    return answer;
}

std::string ScreenDumpText(const Session& session) {
    const std::string display = DumpScreenText(session);
    std::string out;
    out.reserve(display.size());
    size_t start = 0;
    while (start < display.size()) {
        size_t end = display.find('\n', start);
        if (end == std::string::npos) end = display.size();
        std::string_view row(display.data() + start, end - start);
        while (!row.empty() && row.back() == ' ') row.remove_suffix(1);
        out += DisplayToUtf8(row);
        out += '\n';
        start = end + 1;
    }
    return out;
}

void DumpView::KeyboardUnlocked() {
    if (failed_) return;
    const std::string text = "--- screen " + std::to_string(++screens_) + " ---\n" + ScreenDumpText(session_);
    if (std::fflush(out_) != 0 || !WriteWhole(fileno(out_), text)) {
        failed_ = true;
        if (on_failure_) on_failure_();
    }
}

int RunHeadless(const CommandLine& cl, StderrUi& ui) {
    if (cl.api || !cl.api_socket.empty()) return RunApi(cl, ui);
    PollEventLoop loop;
    HeadlessFrame frame(loop, ui);
    RuntimeOptions options;
    options.read_failure_closes = true;
    options.automation_timing = true;
    // One thread fewer to wake for every chunk of a busy host: the poll loop reads the socket.
    options.read_on_loop = true;
    SessionRuntime runtime(loop, ui, frame, options);
    frame.SetRuntime(&runtime);
    SignalWatch signals(loop, [&frame] { frame.Finish(frame.ClosedStatus()); });

    // A reader that went away ends the session like a close.
    DumpView dump(runtime.session(), stdout, [&frame] { frame.Finish(frame.ClosedStatus()); });
    if (cl.dump) runtime.session().view = &dump;

    StartupEnvironment env;
    env.env = ProcessEnvironment();
    env.program_data = FindProgramDataFolder(CurrentExecutablePath());
    StartupState state;
    if (int rc = PrepareSession(cl, env, runtime, state); rc != 0) return rc;
    // Macros name key functions by key.lst (KEY("Enter")); there is no keyboard map without keys.
    runtime.session().keyboard->key_list = state.key_list;
    std::fprintf(stderr, "orkan3270: session %c, process %d\n", runtime.session().letter, int(getpid()));
    std::fflush(stderr);

    runtime.StartTimers();
    loop.Post([&runtime] { runtime.StartSession(StartMode::Interactive); });
    loop.Run();
    runtime.Destroy();
    return frame.exit_code();
}

}  // namespace orkan
