// One REXX macro's task: what its thread and the event-loop thread share. The thread runs the
// program; the loop asks it to stop or pause and tells it of host writes through the counters, so
// an unlock between a test and the wait that follows is never lost.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "platform/loop_mailbox.h"
#include "rexx/rexx_thread.h"
#include "session/macro_permissions.h"

namespace orkan {

struct RexxTask {
    // Set before the thread starts, read-only afterwards.
    int slot = 0;
    std::string name;    // as asked for
    std::string source;  // the program text
    MacroPermissions permissions = MacroPermissions::Full();
    // The folder EXECIO's relative names are in, copied: the thread reads nothing of the session.
    std::string data_folder;
    // The thread's only way to the loop; its owner closes it before going.
    std::shared_ptr<LoopMailbox> mailbox;
    // Files and programs out of reach: Regina's restricted mode and a locked-down thread.
    bool Sandboxed() const {
        return !permissions.Allows(Capability::Files) || !permissions.Allows(Capability::Programs);
    }

    // Under `mutex`; `changed` wakes the thread.
    std::mutex mutex;
    std::condition_variable changed;
    bool stop = false;
    bool paused = false;
    uint64_t unlocks = 0;       // host writes that restored the keyboard
    uint64_t host_records = 0;  // host records of any kind (and unlocks)

    // The signal handler of the task's thread reads this.
    std::atomic<bool> halt{false};
    std::atomic<bool> ended{false};
    // Set by the thread (and by the loop for memory) when the program outgrew what it may use.
    std::atomic<RexxLimit> limit{RexxLimit::None};
    // Loop only: when the loop first halted the program for memory.
    std::chrono::steady_clock::time_point memory_halt_at{};
    RexxThread thread;

    // The program's end, written by the thread before `ended`.
    int return_code = 0;
    long start_result = 0;  // RexxStart's own result: 0, or minus the REXX error number

    // Thread only: the ignore-next-command rule (a clause that is only a function call hands the
    // function's result to the environment as a command).
    bool ignore_next_command = false;
    std::string last_function_result;
    // A capability was refused to the program during its current function or command.
    bool refused = false;
    int limit_trace_lines = 0;  // the interpreter's report lines after a limit was met
    // The interpreter read the whole program and began it (its init exit ran); read by the loop
    // after the thread is joined.
    bool started = false;

    bool StopRequested() {
        std::lock_guard lock(mutex);
        return stop;
    }
};

}  // namespace orkan
