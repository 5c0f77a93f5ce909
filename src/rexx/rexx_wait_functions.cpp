// wait, waitunlocked and shortwait: they block only the task's thread. A wait's condition is
// tested on that thread (a nested program), once at once and again after every host record; the
// host-write counters are read before each test, so a record between the test and the wait that
// follows is never missed.
#include "rexx/rexx_errors.h"
#include "rexx/rexx_function_args.h"
#include "rexx/rexx_text.h"
#include "scripting/macro_limits.h"
#include "session/session.h"

namespace orkan::rexx_fn {

namespace {

using Clock = std::chrono::steady_clock;

constexpr size_t kMaxWaitCondition = 200;
constexpr int64_t kMaxWaitSeconds = kMaxMacroWaitMs / 1000;

// Sleeps until `deadline`; false when the task was stopped.
bool SleepUntil(RexxTask& task, Clock::time_point deadline) {
    std::unique_lock lock(task.mutex);
    task.changed.wait_until(lock, deadline, [&] { return task.stop; });
    return !task.stop;
}

}  // namespace

FunctionResult ShortWait(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> ms = Integer(a, 0, 1000);
    if (!ms || *ms < 0) return Fail(c, rexx_error::BadValue);
    (void)SleepUntil(*c.task, Clock::now() + std::chrono::milliseconds(*ms));
    return Ok();
}

namespace {

// Blocks until the counter moves past `seen`, the deadline passes or the task stops. True when it
// moved.
bool AwaitHostEvent(RexxTask& task, uint64_t RexxTask::*counter, uint64_t seen, Clock::time_point deadline) {
    std::unique_lock lock(task.mutex);
    return task.changed.wait_until(lock, deadline, [&] { return task.stop || task.*counter != seen; }) &&
           !task.stop;
}

uint64_t Counter(RexxTask& task, uint64_t RexxTask::*counter) {
    std::lock_guard lock(task.mutex);
    return task.*counter;
}

}  // namespace

FunctionResult Wait(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 2) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger seconds = ParseRexxInteger(Arg(a, 0));
    if (seconds.kind != IntegerArgument::Value || seconds.value < 1 || seconds.value > kMaxWaitSeconds)
        return Fail(c, rexx_error::BadValue);
    const std::string condition = Arg(a, 1);
    if (condition.size() > kMaxWaitCondition) return Fail(c, rexx_error::BadValue);
    RexxTask& task = *c.task;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds.value);
    if (condition.empty()) {
        (void)SleepUntil(task, deadline);
        return Ok("0");
    }
    FunctionResult result = Ok("0");
    for (;;) {
        // Read before the test: a host record between the test and the wait moves it.
        const uint64_t seen = Counter(task, &RexxTask::host_records);
        const std::optional<bool> met = EvaluateWaitCondition(c, condition);
        if (task.StopRequested()) break;
        if (!met) {
            result = Fail(c, rexx_error::BadValue);
            break;
        }
        if (*met) {
            result = Ok("1");
            break;
        }
        if (!AwaitHostEvent(task, &RexxTask::host_records, seen, deadline)) {
            if (!task.StopRequested()) (void)ShowRexxError(c, rexx_error::WaitTimedOut);
            break;
        }
    }
    return result;
}

FunctionResult WaitUnlocked(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger seconds = ParseRexxInteger(Arg(a, 0));
    if (seconds.kind != IntegerArgument::Value || seconds.value < 1 || seconds.value > kMaxWaitSeconds)
        return Fail(c, rexx_error::BadValue);
    RexxTask& task = *c.task;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds.value);
    const uint64_t seen = Counter(task, &RexxTask::unlocks);
    RexxMacros* owner = c.owner;
    const auto unlocked = OnLoop(c, [owner] { return S(owner).status == SessionStatus::Unlocked; });
    if (!unlocked || *unlocked) return Ok();
    const bool released = AwaitHostEvent(task, &RexxTask::unlocks, seen, deadline);
    if (released || task.StopRequested()) return Ok();
    return Fail(c, rexx_error::WaitTimedOut);
}

}  // namespace orkan::rexx_fn
