#include "macro/macro_runner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "config/atomic_file.h"
#include "config/data_file.h"
#include "config/file_name_text.h"
#include "ds3270/host_text.h"
#include "macro/macro_source.h"
#include "macro/macro_text.h"
#include "platform/file_io.h"
#include "scripting/macro_errors.h"
#include "scripting/macro_limits.h"
#include "session/session.h"

namespace orkan {

namespace {

std::string WithoutExtension(std::string_view path) {
    const size_t slash = path.rfind('/');
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    return std::string(dot == std::string_view::npos ? base : base.substr(0, dot));
}

}  // namespace

MacroRunner::MacroRunner(Session& session, EventLoop& loop, MacroEnvironment& environment)
    : s_(session),
      loop_(loop),
      env_(environment),
      bindings_(session, environment, *this),
      interpreter_(bindings_),
      timers_(loop) {
    env_.AttachGate(&session.macro_gate);
}

MacroRunner::~MacroRunner() = default;

char MacroRunner::StatusLetter() const {
    switch (state_) {
        case MacroState::Idle:
            return 0;
        case MacroState::Recording:
            return 'R';
        case MacroState::Paused:
            return 'X';
        default:
            return 'P';
    }
}

std::string MacroRunner::RunningMacroName() const {
    return chain_.empty() ? std::string() : chain_.back()->name;
}

void MacroRunner::SetState(MacroState state) {
    if (state_ == state) return;
    state_ = state;
    if (letter_changed_) {
        letter_changed_();
        return;
    }
    const char letter = StatusLetter();
    if (s_.indicators.macro_letter != letter) {
        s_.indicators.macro_letter = letter;
        s_.view->RefreshStatusLine();
    }
}

std::unique_ptr<MacroProgram> MacroRunner::LoadFile(std::string_view name, MacroOrigin origin,
                                                    std::string& error) {
    if (!s_.macro_gate.Permit(Capability::StartMacros)) return nullptr;
    if (origin != MacroOrigin::Host && IsHostMacroFileName(name)) {
        error = HostMacroFileNameRefusal(name);
        return nullptr;
    }
    const std::string path = DataFilePath(name, s_.folders.macros, "mac");
    const std::string shown = PathForMessage(path);  // messages are display text
    std::vector<uint8_t> bytes;
    int read_error = 0;
    switch (ReadWholeFile(path, kMaxMacroFileBytes, bytes, read_error)) {
        case ReadResult::Ok:
            break;
        case ReadResult::Missing:
            error = "Macro file \"" + shown + "\" not found";
            return nullptr;
        case ReadResult::TooLarge:
        case ReadResult::Error:
            error = "Macro file \"" + shown + "\" could not be read whole: " + FileErrorText(read_error);
            return nullptr;
    }
    NormalisedMacro text = NormaliseMacroSource(std::string(bytes.begin(), bytes.end()));
    if (!text.ok) {
        error = "Macro file \"" + shown + "\": " + text.error;
        return nullptr;
    }
    auto program = std::make_unique<MacroProgram>();
    program->file_name = path;
    program->name = WithoutExtension(path);
    program->source = std::move(text.text);
    return program;
}

void MacroRunner::LoadFailed(MacroDone& done) {
    const MacroOutcome outcome{MacroOutcome::End::LoadFailed, 0, 0};
    if (chain_.empty()) last_outcome_ = outcome;
    if (done) done(outcome);
    if (finished_) finished_(outcome);
}

bool MacroRunner::StartFile(std::string_view name, MacroOrigin origin, MacroDone done) {
    std::string error;
    std::unique_ptr<MacroProgram> program = LoadFile(name, origin, error);
    if (!program) {
        if (!error.empty()) s_.ui.ShowMessage({"File Error", error, Buttons::Ok, Icon::Warning});
        LoadFailed(done);
        return false;
    }
    return Request(std::move(program), origin, std::move(done));
}

bool MacroRunner::StartText(std::string_view text, MacroOrigin origin, MacroDone done) {
    if (!s_.macro_gate.Permit(Capability::StartMacros)) {
        LoadFailed(done);
        return false;
    }
    NormalisedMacro source = NormaliseMacroSource(text);
    if (!source.ok) {
        s_.ui.ShowMessage({"File Error", "Macro text: " + source.error, Buttons::Ok, Icon::Warning});
        LoadFailed(done);
        return false;
    }
    auto program = std::make_unique<MacroProgram>();
    program->file_name = "(macro text)";
    program->name = "(macro text)";
    program->source = std::move(source.text);
    return Request(std::move(program), origin, std::move(done));
}

bool MacroRunner::Request(std::unique_ptr<MacroProgram> program, MacroOrigin origin, MacroDone done) {
    if (chain_.empty() && waiting_.empty()) {
        chain_done_ = std::move(done);
        // A pre-scan error has been reported and the chain's end told by now.
        [[maybe_unused]] const bool started = Start(std::move(program), origin);
        return true;
    }
    if (waiting_.size() >= kMaxWaitingMacros) {
        s_.ui.ShowMessage({"Macro Error",
                           "Macro \"" + program->name +
                               "\" was not started: " + std::to_string(kMaxWaitingMacros) +
                               " macros are waiting for the running one already.",
                           Buttons::Ok, Icon::Warning});
        LoadFailed(done);
        return false;
    }
    waiting_.push_back({std::move(program), origin, std::move(done)});
    return true;
}

void MacroRunner::StartNextWaiting() {
    if (next_posted_ || waiting_.empty()) return;
    next_posted_ = true;
    const AliveToken::Watch alive = alive_.watch();
    loop_.Post([this, alive] {
        if (!alive.Alive()) return;
        next_posted_ = false;
        if (!chain_.empty() || waiting_.empty()) return;
        WaitingMacro next = std::move(waiting_.front());
        waiting_.pop_front();
        chain_done_ = std::move(next.done);
        [[maybe_unused]] const bool started = Start(std::move(next.program), next.origin);
        StartNextWaiting();  // after a pre-scan error, the one behind it
    });
}

bool MacroRunner::Start(std::unique_ptr<MacroProgram> program, MacroOrigin origin) {
    program->classes.national = s_.charset.screen[0x5B] ? s_.charset.screen[0x5B] : '$';
    const bool host = origin == MacroOrigin::Host;
    if (host && s_.settings.AllowHostMacros != 0) s_.macro_gate.NoteHostMacroAtFullPower();
    program->permissions =
        host && s_.settings.AllowHostMacros == 0 ? MacroPermissions::HostMacro() : MacroPermissions::Full();
    if (!chain_.empty()) program->permissions = program->permissions.Within(chain_.back()->permissions);
    if (chain_.size() >= size_t(kMaxRunDepth)) {
        // Reported against the statement that asked for one more level.
        ReportError(macro_error::RunTooDeep);
        return false;
    }
    const bool first = chain_.empty();
    if (first) {
        interpreter_.BeginChain();
        statements_executed_ = 0;
    }
    chain_.push_back(std::move(program));
    if (int error = PreScan(current())) {
        ReportError(error);
        return false;
    }
    if (first || state_ == MacroState::Idle) SetState(MacroState::Running);
    ScheduleTurn();
    return true;
}

int MacroRunner::RunChild(MacroValue* a, int count) {
    std::string name = a[0].text;
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) name.resize(dot);
    if (name.size() > 260) return macro_error::NameTooLong;
    name = StoredNameToPath(name);  // the macro's Windows-1252 as the file system's UTF-8
    if (count == 2) {
        const char id = a[1].text.empty() ? 0 : char(UpperByte(uint8_t(a[1].text[0])));
        if (!((id >= 'A' && id <= 'Z') || (id >= '0' && id <= '9'))) return macro_error::BadSessionId;
        return env_.RunMacroInSession(id, name);
    }
    if (chain_.size() >= size_t(kMaxRunDepth)) return macro_error::RunTooDeep;
    // Asked before the statement moves on, so that a refusal is reported against it.
    if (!s_.macro_gate.Permit(Capability::StartMacros)) return macro_error::Refused;
    MacroProgram& parent = current();
    if (foreign_starter_ && foreign_starter_(name, ChildOrigin(parent))) return 0;
    parent.Advance();
    std::unique_ptr<MacroProgram> child = LoadChild(name, ChildOrigin(parent));
    if (!child) return 0;
    if (!Start(std::move(child), ChildOrigin(parent))) return 0;
    return kStartedChild;
}

// A child that cannot be loaded ends the chain: going on without the macro it needs would act on
// the wrong screens.
std::unique_ptr<MacroProgram> MacroRunner::LoadChild(std::string_view name, MacroOrigin origin) {
    std::string error;
    std::unique_ptr<MacroProgram> child = LoadFile(name, origin, error);
    if (!child) {
        s_.ui.ShowMessage({"File Error", error, Buttons::Ok, Icon::Warning});
        EndChain(MacroOutcome::End::LoadFailed, 0);
    }
    return child;
}

// The single transfers of a wildcard request run as a child of this statement, which runs again
// when they are done; the calling macro goes on after them, as after RUN.
int MacroRunner::RunGeneratedTransfers(const std::string& path) {
    if (chain_.size() >= size_t(kMaxRunDepth)) return macro_error::RunTooDeep;
    MacroProgram& parent = current();
    std::unique_ptr<MacroProgram> child = LoadChild(path, ChildOrigin(parent));
    if (!child) return 0;
    parent.generated_transfers = true;
    parent.generated_failed = false;
    parent.suspended_for_transfer = true;
    if (!Start(std::move(child), ChildOrigin(parent))) return 0;
    return kStartedChild;
}

void MacroRunner::ScheduleTurn() {
    if (turn_posted_ || in_turn_) return;
    turn_posted_ = true;
    const AliveToken::Watch alive = alive_.watch();
    const uint64_t generation = generation_;
    loop_.Post([this, alive, generation] {
        if (!alive.Alive()) return;
        turn_posted_ = false;
        if (generation != generation_) return;
        RunTurn();
    });
}

void MacroRunner::RunTurn() {
    if (chain_.empty() || state_ != MacroState::Running) return;
    in_turn_ = true;
    const uint64_t generation = generation_;
    const int64_t started = s_.clock->NowMs();
    for (int n = 0; n < kStatementsPerTurn; ++n) {
        if (current().AtEnd()) {
            chain_.pop_back();
            if (chain_.empty()) {
                in_turn_ = false;
                EndChain(MacroOutcome::End::Finished, 0);
                return;
            }
            continue;
        }
        if (state_ != MacroState::Running) break;
        if (statement_budget_ && statements_executed_ >= statement_budget_) {
            in_turn_ = false;
            EndChain(MacroOutcome::End::Stopped, 0);
            return;
        }
        ++statements_executed_;
        if (interpreter_.trace_flags() & 1) {
            const MacroProgram& p = current();
            const uint32_t end = StatementEnd(p.source, p.current);
            bindings_.DebugLine(std::string_view(p.source).substr(p.current, end - p.current));
        }
        int result;
        MacroProgram* const program = &current();
        const uint32_t statement_at = program->current;
        {
            ActingMacro acting(s_.macro_gate, program->permissions);
            result = interpreter_.ExecuteStatement(*program);
            // Whatever the statement made of it, a refused capability is the macro's error, and
            // reported against it, though it went on to the next one.
            if (acting.Refused() && generation == generation_) {
                result = macro_error::Refused;
                if (!chain_.empty() && &current() == program) program->current = statement_at;
            }
        }
        retired_.clear();
        if (generation != generation_) {  // the statement stopped the chain (a dialog's Cancel, Stop)
            in_turn_ = false;
            // Whatever started in its place while this turn was still on.
            if (!chain_.empty() && state_ == MacroState::Running) ScheduleTurn();
            return;
        }
        if (result == kStartedChild) continue;
        if (result != 0) {
            in_turn_ = false;
            ReportError(result);
            return;
        }
        if ((n & 255) == 255 && s_.clock->NowMs() - started >= kTurnMilliseconds) break;
    }
    in_turn_ = false;
    if (!chain_.empty() && current().AtEnd()) {
        ScheduleTurn();
        return;
    }
    if (state_ == MacroState::Running) ScheduleTurn();
}

void MacroRunner::EndChain(MacroOutcome::End end, int error) {
    ++generation_;
    timers_.Stop(kStepTimer);
    timer_running_ = false;
    const int close_error = bindings_.CloseFiles();
    if (in_turn_) {
        for (auto& program : chain_) retired_.push_back(std::move(program));
    }
    chain_.clear();
    turn_posted_ = false;
    // A transfer the chain waited for goes on in its dialog; its end is no longer waited for.
    transfer_ = TransferWait{};
    SetState(recording_ ? MacroState::Recording : MacroState::Idle);
    if (end == MacroOutcome::End::Finished && close_error) {
        // Data kept back for a file could not be written: that is no success.
        end = MacroOutcome::End::Error;
        error = close_error;
        s_.ui.ShowMessage(
            {"Macro Error", std::string(MacroErrorText(close_error)), Buttons::Ok, Icon::Warning});
    }
    last_outcome_ = {end, interpreter_.exit_code(), error};
    MacroDone done = std::move(chain_done_);
    chain_done_ = nullptr;
    StartNextWaiting();
    if (done) done(last_outcome_);
    if (finished_) finished_(last_outcome_);
}

void MacroRunner::ReportError(int number) {
    timers_.Stop(kStepTimer);
    timer_running_ = false;
    (void)bindings_.CloseFiles();
    MacroErrorSite site;
    site.number = number;
    site.system_error = bindings_.TakeSystemError();
    std::string title = "Macro Error";
    if (!chain_.empty()) {
        const MacroProgram& p = current();
        title = MacroErrorTitle(PathForMessage(p.file_name));
        site.line = 1 + int(std::count(p.source.begin(), p.source.begin() + p.current, '\r'));
        const int64_t column = int64_t(p.last_token_start) - int64_t(p.current) + 1;
        site.column = column < 1 ? 1 : int(column);
        const uint32_t end = StatementEnd(p.source, p.current);
        std::string_view text = std::string_view(p.source).substr(p.current, end - p.current);
        while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
        while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
        site.statement = std::string(text);
    }
    std::string report = MacroErrorReportText(site);
    // The message box takes "\n" line breaks.
    std::string shown;
    for (size_t i = 0; i < report.size(); ++i)
        if (report[i] != '\r') shown += report[i];
    while (!shown.empty() && shown.back() == '\n') shown.pop_back();
    s_.ui.ShowMessage({title, shown, Buttons::Ok, Icon::Warning});
    EndChain(MacroOutcome::End::Error, number);
}

bool MacroRunner::BeginRecording() {
    if (recording_ || !chain_.empty() || !waiting_.empty() || state_ != MacroState::Idle) return false;
    recording_ = true;
    SetState(MacroState::Recording);
    return true;
}

void MacroRunner::EndRecording() {
    if (!recording_) return;
    recording_ = false;
    if (chain_.empty()) SetState(MacroState::Idle);
}

void MacroRunner::Stop() {
    if (state_ == MacroState::Recording ||
        (state_ == MacroState::Paused && paused_state_ == MacroState::Recording))
        return;  // the recorder stops its own recording
    // The user stopped macros: the ones waiting to start are stopped with the running one.
    std::deque<WaitingMacro> dropped = std::move(waiting_);
    waiting_.clear();
    if (!chain_.empty()) EndChain(MacroOutcome::End::Stopped, 0);
    for (WaitingMacro& w : dropped) {
        const MacroOutcome stopped{MacroOutcome::End::Stopped, 0, 0};
        if (w.done) w.done(stopped);
        if (finished_) finished_(stopped);
    }
}

void MacroRunner::TogglePause() {
    if (state_ == MacroState::Paused) {
        const MacroState resume = paused_state_;
        SetState(resume);
        if (resume == MacroState::Waiting || resume == MacroState::TimedPause) SetState(MacroState::Running);
        if (state_ == MacroState::Running) ScheduleTurn();
        return;
    }
    if (state_ == MacroState::Idle) return;
    paused_state_ = state_;
    timers_.Stop(kStepTimer);
    timer_running_ = false;
    SetState(MacroState::Paused);
}

void MacroRunner::ReleaseUnlockWaits() {
    AfterHostRecord();
}

void MacroRunner::AfterHostRecord() {
    // A running transfer's end, not a host record, releases a macro waiting for it.
    if (state_ != MacroState::Waiting || chain_.empty() || transfer_.running) return;
    SetState(MacroState::Running);
    ScheduleTurn();
}

void MacroRunner::StartEventMacro(EventMacro which, const std::string& argument) {
    const std::string& path = event_files_[size_t(which)];
    if (path.empty() || !chain_.empty() || !waiting_.empty()) return;
    if (which == EventMacro::Locked) bindings_.variable_state().passed_key = argument;
    (void)StartFile(path);
}

}  // namespace orkan
