// The macro runner of one session, the scheduler around the language: loads and pre-scans macros,
// has the interpreter execute them on the event-loop thread a bounded number of statements per
// turn (so a tight loop never freezes the window and Pause or Break always get through), suspends
// them in waits, chains RUN, and reports the first error. It is the session's MacroHook; the
// interpreter reaches the session through the runner's MacroSessionBindings.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "macro/macro_environment.h"
#include "macro/macro_interpreter.h"
#include "macro/macro_program.h"
#include "macro/macro_session_bindings.h"
#include "macro/macro_variables.h"
#include "options/system_variables.h"
#include "platform/alive_token.h"
#include "platform/event_loop.h"
#include "platform/scoped_timers.h"
#include "scripting/macro_limits.h"
#include "scripting/macro_value.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

// The language's own state numbers; the status line shows 'R' for 1, 'X' for 3 and 'P' for the others.
enum class MacroState : uint8_t {
    Idle = 0,
    Recording = 1,
    Running = 2,
    Paused = 3,
    Waiting = 4,
    TimedPause = 5
};

// Who started a macro: text that a host sent gets the host allow-list of macro_permissions.h
// unless the user allowed host macros (AllowHostMacros=1).
enum class MacroOrigin : uint8_t { User, Host };

// How a macro chain ended.
struct MacroOutcome {
    enum class End : uint8_t { Finished, Error, Stopped, LoadFailed };
    End end = End::Finished;
    int exit_code = 0;  // the last EXIT's value, 0 without EXIT
    int error = 0;      // the macro error number for End::Error
};

// Told how the chain that a started macro began ends (also when it could not start at all).
using MacroDone = std::function<void(const MacroOutcome&)>;

inline constexpr int kMaxRunDepth = 32;

class MacroRunner final : public MacroHook {
  public:
    MacroRunner(Session& session, EventLoop& loop, MacroEnvironment& environment);
    ~MacroRunner() override;
    MacroRunner(const MacroRunner&) = delete;
    MacroRunner& operator=(const MacroRunner&) = delete;

    // The event macro files found at start-up, in EventMacro order; an empty path disables it.
    void SetEventMacroFiles(const std::array<std::string, 4>& paths) { event_files_ = paths; }
    // Called whenever a chain ends, however it ends (after the chain's own MacroDone).
    void SetFinishedCallback(std::function<void(const MacroOutcome&)> done) { finished_ = std::move(done); }
    // Where the status letter goes when it changes: by default straight to the status line; a
    // dispatcher in front of several languages' runners shows one letter for all of them.
    void SetLetterChanged(std::function<void()> changed) { letter_changed_ = std::move(changed); }
    // RUN of a file in another macro language: the starter says whether it took the file (the
    // macro then goes on at once, as with RUN in another session).
    void SetForeignStarter(std::function<bool(std::string_view name, MacroOrigin origin)> starter) {
        foreign_starter_ = std::move(starter);
    }
    // A macro that never ends stops after this many statements with an error (the fuzzer); 0 = none.
    void SetStatementBudget(uint64_t statements) { statement_budget_ = statements; }

    // Loads, pre-scans and starts a macro file (found in the macros folder, extension "mac" added
    // when missing) or macro text. While a chain runs (or others wait), the new macro waits for
    // them and starts after them: one chain at a time, and nothing asked for is lost. False when
    // it will not run; the message or error report has been shown and `done` has been told.
    bool StartFile(std::string_view name, MacroOrigin origin = MacroOrigin::User, MacroDone done = {});
    bool StartText(std::string_view text, MacroOrigin origin = MacroOrigin::User, MacroDone done = {});

    // The stop and pause/resume key functions. Stop also drops the macros waiting to start.
    void Stop();
    void TogglePause();

    // The recorder's share of the one macro state: recording (the status letter 'R') while no
    // macro runs. A macro started meanwhile (a macro key) runs, and recording goes on after it.
    // False when a macro runs or waits to start.
    [[nodiscard]] bool BeginRecording();
    void EndRecording();
    bool Recording() const { return recording_; }
    // Recording, not paused, and no macro running: the keys are the user's.
    bool RecordsKeys() const { return recording_ && state_ == MacroState::Recording; }

    MacroState state() const { return state_; }
    char StatusLetter() const;
    bool Active() const { return !chain_.empty(); }
    size_t WaitingMacros() const { return waiting_.size(); }
    const MacroOutcome& LastOutcome() const { return last_outcome_; }
    MacroVariables& variables() { return interpreter_.variables(); }
    const MacroVariableState& variable_state() const { return bindings_.variable_state(); }
    MacroVariableState& variable_state() { return bindings_.variable_state(); }
    // What the session core knows beyond the session (addresses, other sessions, printer, transfer).
    void SetSessionFacts(const SessionFacts* facts) { bindings_.variable_state().facts = facts; }
    uint64_t statements_executed() const { return statements_executed_; }

    // MacroHook.
    bool IsMacroRunning() const override { return state_ >= MacroState::Running || !waiting_.empty(); }
    bool DropsKeys() const override { return state_ == MacroState::Running; }
    std::string RunningMacroName() const override;
    void ReleaseUnlockWaits() override;
    void AfterHostRecord() override;
    bool EventEnabled(EventMacro which) const override { return !event_files_[size_t(which)].empty(); }
    void StartEventMacro(EventMacro which, const std::string& argument) override;
    void StartMacroFile(const std::string& path) override { (void)StartFile(path); }
    void RunMacroText(const std::string& text) override { (void)StartText(text); }
    void StartHostMacroFile(const std::string& path) override { (void)StartFile(path, MacroOrigin::Host); }

    static constexpr int kStatementsPerTurn = 4096;
    static constexpr int64_t kTurnMilliseconds = 20;

    // What the session bindings hand to the chain: the statement's program, WAIT, RUN, an
    // EDITBOX's Cancel, and the waits of SENDFILE and RECEIVEFILE (macro_runner_waits.cpp).
    MacroProgram& CurrentProgram() { return current(); }
    int Wait(int keyword, MacroValue* args, int count);
    int RunChild(MacroValue* args, int count);
    void StopChain() { EndChain(MacroOutcome::End::Stopped, 0); }
    bool TransferRunning() const { return transfer_.running; }
    // A transfer asked for while the host still holds the keyboard waits for it, a while.
    bool UnlockWaitExpired() const { return transfer_.unlock_expired; }
    int WaitForUnlock();
    void EndUnlockWait();
    // The transfer started: its end is waited for under the returned number.
    uint64_t BeginTransferWait();
    void TransferNotStarted() { transfer_.running = false; }
    // Whether the chain still waited for that transfer; its result is kept for the statement.
    bool EndTransferWait(uint64_t wait, int32_t result);
    // A wildcard request whose single transfer failed, or never started, did not succeed.
    void NoteFailedTransfer();
    void ResumeAfterTransfer() { AfterHostRecord(); }
    int SuspendForTransfer();
    // The single transfers of a wildcard request run as a child of the statement.
    int RunGeneratedTransfers(const std::string& path);

  private:
    struct WaitingMacro {
        std::unique_ptr<MacroProgram> program;
        MacroOrigin origin;
        MacroDone done;
    };

    // Loading and the chain.
    bool Request(std::unique_ptr<MacroProgram> program, MacroOrigin origin, MacroDone done);
    void StartNextWaiting();
    void LoadFailed(MacroDone& done);
    bool Start(std::unique_ptr<MacroProgram> program, MacroOrigin origin);
    // Null with `error` empty when the acting macro may not start macros.
    std::unique_ptr<MacroProgram> LoadFile(std::string_view name, MacroOrigin origin, std::string& error);
    // RUN's child or a wildcard's generated transfers; null after the report when it cannot load.
    std::unique_ptr<MacroProgram> LoadChild(std::string_view name, MacroOrigin origin);
    void EndChain(MacroOutcome::End end, int error);
    void SetState(MacroState state);
    void ScheduleTurn();
    void RunTurn();
    void OnTimer();
    void ReportError(int number);
    MacroProgram& current() { return *chain_.back(); }

    static MacroOrigin ChildOrigin(const MacroProgram& parent) {
        return parent.permissions.IsFull() ? MacroOrigin::User : MacroOrigin::Host;
    }

    Session& s_;
    EventLoop& loop_;
    MacroEnvironment& env_;
    MacroSessionBindings bindings_;
    MacroInterpreter interpreter_;
    // The runner's one timer: a WAIT's time, a PAUSE, the next turn of a running macro.
    static constexpr int kStepTimer = 0;
    ScopedTimers timers_;
    AliveToken alive_;

    std::vector<std::unique_ptr<MacroProgram>> chain_;
    // A chain that ended inside a statement (EDITBOX's Cancel, a stop key) is kept until the
    // statement has returned: its scanner still reads the program's text.
    std::vector<std::unique_ptr<MacroProgram>> retired_;
    MacroDone chain_done_;  // of the macro that began the chain
    std::deque<WaitingMacro> waiting_;
    bool next_posted_ = false;
    MacroState state_ = MacroState::Idle;
    MacroState paused_state_ = MacroState::Idle;
    bool recording_ = false;
    bool timer_running_ = false;
    bool turn_posted_ = false;
    bool in_turn_ = false;
    uint64_t generation_ = 0;  // changes when a chain ends: work posted for it is dropped
    uint64_t statement_budget_ = 0;
    uint64_t statements_executed_ = 0;
    MacroOutcome last_outcome_;
    std::function<void(const MacroOutcome&)> finished_;
    std::function<void()> letter_changed_;
    std::function<bool(std::string_view, MacroOrigin)> foreign_starter_;
    std::array<std::string, 4> event_files_;

    // The transfer a SENDFILE or RECEIVEFILE waits for; one at a time, like the session's.
    struct TransferWait {
        bool running = false;             // started, its end not yet heard
        bool waiting_for_unlock = false;  // asked for while the host still had the keyboard
        bool unlock_expired = false;      // that wait ran out: the start is tried as things are
    } transfer_;
};

}  // namespace orkan
