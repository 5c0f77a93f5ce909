// REXX macros in one session: the task table of 10, each task a thread of its own that runs its
// program through Regina's SAA interface with the environment "ORKAN", the external functions and
// the say/trace exit into the debug window. Everything the functions do to the session is done on
// the event-loop thread by send-and-wait; waits block the task's thread only.
//
// Stop and pause: a stop sets the task's flag, wakes its waits and interrupts its thread with a
// signal whose handler raises Regina's halt on that thread (Regina's RexxSetHalt acts on the
// calling thread only, and Regina 3.6 has no halt exit); a paused task stops at its next call of a
// function, command or say. No thread is ever killed, and the loop never joins a thread that waits
// on it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "macro/macro_environment.h"
#include "macro/macro_runner.h"
#include "options/system_variables.h"
#include "platform/alive_token.h"
#include "platform/event_loop.h"
#include "platform/scoped_timers.h"
#include "rexx/rexx_task.h"

namespace orkan {

struct Session;

inline constexpr size_t kRexxTaskSlots = 10;

// Who asked for a REXX macro: the user (and the session's own start-up and event macros), a host
// (the host allow-list unless the user allowed host macros), or a REXX macro that is running (it
// runs beside its caller instead of stopping it).
enum class RexxOrigin : uint8_t { User, Host, RexxMacro };

class RexxMacros {
  public:
    RexxMacros(Session& session, EventLoop& loop, MacroEnvironment& environment);
    ~RexxMacros();
    RexxMacros(const RexxMacros&) = delete;
    RexxMacros& operator=(const RexxMacros&) = delete;

    // What some system variables read beyond the session (set once by the session core).
    void SetSessionFacts(const SessionFacts* facts) { variables_.facts = facts; }
    // The session's own macros' state when shared, so both languages see one ONSCREEN match.
    MacroVariableState& variable_state() { return shared_variables_ ? *shared_variables_ : variables_; }
    void ShareVariableState(MacroVariableState* state) { shared_variables_ = state; }
    // Told whenever the status letter may have changed.
    void SetLetterChanged(std::function<void()> changed) { letter_changed_ = std::move(changed); }

    // Starts a REXX program from a file (found in the macros folder, "mac" added) or from text.
    // A user's start first stops the running REXX macros. False (after a message, and `done` told)
    // when it will not run.
    bool StartFile(const std::string& name, RexxOrigin origin, MacroDone done = {});
    bool StartText(const std::string& text, RexxOrigin origin, MacroDone done = {});

    void StopAll();
    void PauseAll();
    void ResumeAll();
    bool Paused() const { return paused_; }

    // Host writes: every waiting task looks again.
    void ReleaseUnlockWaits();
    void AfterHostRecord();

    size_t RunningTasks() const;
    bool Active() const { return RunningTasks() > 0 || !pending_.empty(); }
    std::string RunningMacroName() const;
    char StatusLetter() const;
    // Whether the loop is doing a REXX task's work right now (a macro it starts runs beside it).
    bool InTaskCall() const { return in_task_call_ > 0; }

    // For the thread side (rexx_runtime.cpp, rexx_functions.cpp).
    Session& session() { return s_; }
    MacroEnvironment& environment() { return env_; }
    std::string ErrorListPath() const;
    void EnterTaskCall() { ++in_task_call_; }
    void LeaveTaskCall() { --in_task_call_; }
    // A task's thread has ended (posted by the thread).
    void TaskFinished(int slot);

  private:
    struct Pending {
        std::string name;
        std::string source;
        MacroPermissions permissions = MacroPermissions::Full();
        MacroDone done;
    };
    struct Slot {
        std::shared_ptr<RexxTask> task;
        MacroDone done;
    };

    bool Request(Pending request, RexxOrigin origin);
    bool Launch(Pending& request);
    void StartPending();
    void RequestStop(RexxTask& task);
    void NotifyAll(bool unlock);
    void LetterChanged();
    // While tasks run: the program's growth against RexxMemoryLimit, and parked tasks let go.
    void Watch();
    void ReportLimit(const RexxTask& task);

    Session& s_;
    std::shared_ptr<LoopMailbox> mailbox_;  // the task threads' way to the loop
    MacroEnvironment& env_;
    ScopedTimers timers_;
    AliveToken alive_;
    std::array<Slot, kRexxTaskSlots> slots_;
    std::deque<Pending> pending_;
    MacroVariableState variables_;
    MacroVariableState* shared_variables_ = nullptr;
    std::function<void()> letter_changed_;
    bool paused_ = false;
    int in_task_call_ = 0;
    bool watching_ = false;
    uint64_t resident_at_start_ = 0;  // bytes, when the first of the running tasks started
};

// Runs REXX source on the calling thread, which must be a task's thread (the one RexxMacros made).
// Returns the program's return code; `start_result` gets RexxStart's own result.
int RunRexxProgram(RexxMacros& owner, RexxTask& task, const std::string& source, long& start_result);

}  // namespace orkan
