// What the task thread's side of the bridge shares: the running task of this thread, work done on
// the event-loop thread on the task's behalf, the debug window, error texts and the function table.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rexx/rexx_macros.h"
#include "session/session.h"

namespace orkan {

struct RexxContext {
    RexxMacros* owner = nullptr;
    RexxTask* task = nullptr;
};

// The task this thread runs; null on any other thread.
RexxContext* CurrentRexxContext();
void SetCurrentRexxContext(RexxContext* context);

// Runs `work` on the event-loop thread and waits for it; gives up when the task is stopped.
// `work` owns what it captures (after a stop it may still be running when this returns). The work
// is the task's program acting: a capability refused to it there marks the task (`refused`).
template <class Work>
auto OnLoop(RexxContext& c, Work work) -> std::optional<decltype(work())> {
    using Result = decltype(work());
    struct Box {
        std::optional<Result> result;
        bool refused = false;
    };
    auto box = std::make_shared<Box>();
    RexxMacros* owner = c.owner;
    RexxTask* task = c.task;
    const SendResult sent = task->mailbox->SendAndWait(
        [box, owner, permissions = task->permissions, work = std::move(work)]() mutable {
            owner->EnterTaskCall();
            {
                ActingMacro acting(owner->session().macro_gate, permissions);
                box->result = work();
                box->refused = acting.Refused().has_value();
            }
            owner->LeaveTaskCall();
        },
        [task] { return task->StopRequested(); });
    if (sent != SendResult::Ran) return std::nullopt;
    if (box->refused) task->refused = true;
    return std::move(box->result);
}

// A line in the session's debug window.
void TaskDebugLine(RexxContext& c, std::string text);
// Writes the text of `code` into the debug window; the 1000 a failing function returns.
int ShowRexxError(RexxContext& c, int code);
// Blocks while the task is paused; false once it is stopped (the program then halts).
bool PassPauseGate(RexxContext& c);

// The external functions: arguments as REXX passes them (an omitted one is nothing).
using RexxArguments = std::vector<std::optional<std::string>>;
struct FunctionResult {
    int code = 0;  // 0, 1000 after an error text, or a bare value
    std::string text;
};
using RexxFunction = FunctionResult (*)(RexxContext&, const RexxArguments&);
struct RexxFunctionEntry {
    std::string_view name;  // lower case, as registered
    RexxFunction function;
    bool clears_ignore;  // getvar and putvar: a successful call leaves later commands alone
};
std::span<const RexxFunctionEntry> RexxFunctionTable();

// A wait condition's value: true, false, or nothing when it could not be evaluated.
std::optional<bool> EvaluateWaitCondition(RexxContext& c, const std::string& condition);

}  // namespace orkan
