#include "rexx/rexx_macros.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "config/atomic_file.h"
#include "config/data_file.h"
#include "config/file_name_text.h"
#include "ds3270/host_text.h"
#include "macro/macro_source.h"
#include "platform/file_io.h"
#include "rexx/rexx_halt.h"
#include "rexx/rexx_sandbox.h"
#include "rexx/rexx_text.h"
#include "scripting/macro_limits.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kStopTimer = 1;
constexpr int kWatchTimer = 2;
constexpr std::chrono::milliseconds kWatchPeriod{20};
// How long a program halted for memory has to reach its next clause, where the halt takes it: one
// clause can copy a string of hundreds of MiB, and only a program still growing past twice the
// limit after that went on in spite of the halt.
constexpr std::chrono::seconds kHaltTakesHold{1};
// RexxStart's results for a program that never ran and for one the halt ended.
constexpr long kRexxSandboxUnavailable = 48;
constexpr long kRexxHalted = 4;
// A program that traps HALT and loops on is interrupted again at this pace until it ends.
constexpr std::chrono::milliseconds kHaltRepeat{100};
// How long closing the session waits for stopped programs before it leaves them behind.
constexpr std::chrono::milliseconds kCloseGrace{2000};

std::string WithoutExtension(std::string_view path) {
    const size_t slash = path.rfind('/');
    std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const size_t dot = base.rfind('.');
    return std::string(dot == std::string_view::npos ? base : base.substr(0, dot));
}

// The program text as Regina reads it: display bytes (UTF-8 files converted as the own language
// does) with LF line ends, so line numbers in error reports are the editor's.
std::optional<std::string> ProgramText(std::string_view bytes, std::string& error) {
    NormalisedMacro normal = NormaliseMacroSource(bytes);
    if (!normal.ok) {
        error = normal.error;
        return std::nullopt;
    }
    std::string& t = normal.text;
    if (!t.empty() && t.back() == kMacroEndMark) t.pop_back();
    std::string out;
    out.reserve(t.size());
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\r' && i + 1 < t.size() && t[i + 1] == '\n') continue;
        out += t[i];
    }
    return out;
}

// The program's memory as the system counts it: resident bytes of the whole process.
uint64_t ResidentBytes() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    unsigned long long size = 0, resident = 0;
    const int n = std::fscanf(f, "%llu %llu", &size, &resident);
    std::fclose(f);
    return n == 2 ? resident * uint64_t(sysconf(_SC_PAGESIZE)) : 0;
}

// What a task's thread must have before its program runs; "" or why it cannot run.
std::string PrepareThread(RexxTask& task) {
    if (!GuardRexxStack(task.limit)) return "its thread's stack could not be guarded";
    if (!task.Sandboxed()) return {};
    // The loop's hand-over once before the lock-down, so that whatever it sets up for a thread
    // that posts to it is there already.
    (void)task.mailbox->SendAndWait([] {}, [&task] { return task.StopRequested(); });
    std::string error;
    return LockDownRexxThread(error) ? std::string() : error;
}

void ThreadMain(RexxMacros* owner, std::shared_ptr<RexxTask> task, AliveToken::Watch alive) {
    PrepareRexxThreadSignals(task->halt);
    long start_result = 0;
    int rc = 0;
    const std::string unprepared = PrepareThread(*task);
    if (unprepared.empty()) {
        rc = RunRexxProgram(*owner, *task, task->source, start_result);
    } else {
        start_result = -kRexxSandboxUnavailable;
        const std::string line = "REXX macro \"" + task->name + "\" did not run: " + unprepared + ".";
        (void)task->mailbox->SendAndWait(
            [owner, alive, line] {
                if (alive.Alive()) owner->session().ui.AddDebugLine(line);
            },
            [] { return false; });
    }
    AcceptRexxHalt(false);
    ReleaseRexxStackGuard();
    task->return_code = rc;
    task->start_result = start_result;
    task->ended = true;
    const int slot = task->slot;
    task->mailbox->Post([owner, alive, slot] {
        if (!alive.Alive()) return;
        owner->TaskFinished(slot);
    });
}

}  // namespace

RexxMacros::RexxMacros(Session& session, EventLoop& loop, MacroEnvironment& environment)
    : s_(session), mailbox_(std::make_shared<LoopMailbox>(loop)), env_(environment), timers_(loop) {
    InstallRexxHaltHandler();
    env_.AttachGate(&session.macro_gate);
}

RexxMacros::~RexxMacros() {
    timers_.StopAll();
    pending_.clear();
    std::vector<std::shared_ptr<RexxTask>> tasks;
    for (Slot& slot : slots_)
        if (slot.task) tasks.push_back(slot.task);
    for (auto& task : tasks) RequestStop(*task);
    const auto give_up = std::chrono::steady_clock::now() + kCloseGrace;
    auto next_halt = std::chrono::steady_clock::now() + kHaltRepeat;
    for (;;) {
        bool all_ended = true;
        for (auto& task : tasks) all_ended = all_ended && task->ended;
        const auto now = std::chrono::steady_clock::now();
        if (all_ended || now >= give_up) break;
        if (now >= next_halt) {
            for (auto& task : tasks)
                if (!task->ended) SendRexxHalt(*task);
            next_halt = now + kHaltRepeat;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // A thread still running gives up its wait on the loop (it was asked to stop) before this returns.
    mailbox_->Close();
    for (auto& task : tasks) {
        // A thread stuck outside the interpreter (a blocking read of its own, or parked for its
        // depth) is left to itself; it keeps its task and touches nothing of the session once
        // stopped.
        if (task->ended)
            task->thread.join();
        else
            task->thread.detach();
    }
}

std::string RexxMacros::ErrorListPath() const {
    return s_.folders.program_data + "/rexxerr.lst";
}

size_t RexxMacros::RunningTasks() const {
    size_t n = 0;
    for (const Slot& slot : slots_) n += slot.task != nullptr;
    return n;
}

std::string RexxMacros::RunningMacroName() const {
    for (const Slot& slot : slots_)
        if (slot.task) return slot.task->name;
    return {};
}

char RexxMacros::StatusLetter() const {
    if (RunningTasks() == 0) return 0;
    return paused_ ? 'X' : 'P';
}

void RexxMacros::LetterChanged() {
    if (letter_changed_) letter_changed_();
}

bool RexxMacros::StartFile(const std::string& name, RexxOrigin origin, MacroDone done) {
    auto fail = [&](const std::string& title, const std::string& text) {
        if (!text.empty()) s_.ui.ShowMessage({title, text, Buttons::Ok, Icon::Warning});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    };
    if (!s_.macro_gate.Permit(Capability::StartMacros)) return fail({}, {});
    if (origin != RexxOrigin::Host && IsHostMacroFileName(name))
        return fail("File Error", HostMacroFileNameRefusal(name));
    const std::string path = DataFilePath(name, s_.folders.macros, "mac");
    const std::string shown = PathForMessage(path);  // messages are display text
    std::vector<uint8_t> bytes;
    int read_error = 0;
    switch (ReadWholeFile(path, kMaxMacroFileBytes, bytes, read_error)) {
        case ReadResult::Ok:
            break;
        case ReadResult::Missing:
            return fail("Orkan TN3270 - file not found", "File \"" + shown + "\" was not found.");
        case ReadResult::TooLarge:
        case ReadResult::Error:
            return fail("File Error",
                        "Macro file \"" + shown + "\" could not be read whole: " + FileErrorText(read_error));
    }
    std::string error;
    std::optional<std::string> text = ProgramText(std::string(bytes.begin(), bytes.end()), error);
    if (!text) return fail("File Error", "Macro file \"" + shown + "\": " + error);
    Pending request{WithoutExtension(path), std::move(*text), MacroPermissions::Full(), std::move(done)};
    return Request(std::move(request), origin);
}

bool RexxMacros::StartText(const std::string& text, RexxOrigin origin, MacroDone done) {
    if (!s_.macro_gate.Permit(Capability::StartMacros)) {
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    std::string error;
    std::optional<std::string> program = ProgramText(text, error);
    if (!program) {
        s_.ui.ShowMessage({"File Error", "Macro text: " + error, Buttons::Ok, Icon::Warning});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    return Request({"(macro text)", std::move(*program), MacroPermissions::Full(), std::move(done)}, origin);
}

bool RexxMacros::Request(Pending request, RexxOrigin origin) {
    if (origin == RexxOrigin::Host) {
        if (s_.settings.AllowHostMacros != 0)
            s_.macro_gate.NoteHostMacroAtFullPower();
        else
            request.permissions = MacroPermissions::HostMacro();
    }
    if (origin != RexxOrigin::RexxMacro) {
        // One REXX macro at a time for the user: the running ones go first.
        StopAll();
        paused_ = false;
    }
    for (const Slot& slot : slots_) {
        if (slot.task || !pending_.empty()) continue;
        return Launch(request);
    }
    if (origin == RexxOrigin::RexxMacro) {
        s_.ui.ShowMessage({"Orkan TN3270 - REXX",
                           "REXX macro \"" + request.name + "\" was not started: " +
                               std::to_string(kRexxTaskSlots) + " REXX macros are running already.",
                           Buttons::Ok, Icon::Warning});
        if (request.done) request.done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    if (pending_.size() >= kMaxWaitingMacros) {
        s_.ui.ShowMessage(
            {"Orkan TN3270 - REXX",
             "REXX macro \"" + request.name + "\" was not started: too many are waiting to start.",
             Buttons::Ok, Icon::Warning});
        if (request.done) request.done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    // The stopped ones free their slots in a moment.
    pending_.push_back(std::move(request));
    return true;
}

bool RexxMacros::Launch(Pending& request) {
    size_t free = kRexxTaskSlots;
    for (size_t i = 0; i < kRexxTaskSlots; ++i)
        if (!slots_[i].task) {
            free = i;
            break;
        }
    if (free == kRexxTaskSlots) return false;
    auto task = std::make_shared<RexxTask>();
    task->slot = int(free);
    task->name = request.name;
    task->source = std::move(request.source);
    task->permissions = request.permissions;
    task->data_folder = s_.folders.app_data;
    task->mailbox = mailbox_;
    task->paused = paused_;
    if (RunningTasks() == 0) resident_at_start_ = ResidentBytes();
    slots_[free] = {task, std::move(request.done)};
    std::string error;
    if (!task->thread.Start([this, task, alive = alive_.watch()] { ThreadMain(this, task, alive); }, error)) {
        MacroDone done = std::move(slots_[free].done);
        slots_[free] = {};
        s_.ui.ShowMessage({"Orkan TN3270 - REXX",
                           "REXX macro \"" + request.name + "\" could not start: " + error, Buttons::Ok,
                           Icon::Error});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    if (!watching_) {
        watching_ = true;
        timers_.Start(kWatchTimer, kWatchPeriod, false, [this] { Watch(); });
    }
    LetterChanged();
    return true;
}

void RexxMacros::Watch() {
    if (RunningTasks() == 0) {
        timers_.Stop(kWatchTimer);
        watching_ = false;
        return;
    }
    const uint64_t limit = uint64_t(std::max(s_.settings.RexxMemoryLimit, 1)) << 20;
    const uint64_t resident = ResidentBytes();
    const uint64_t growth = resident > resident_at_start_ ? resident - resident_at_start_ : 0;
    const bool over = growth > limit;
    for (size_t i = 0; i < kRexxTaskSlots; ++i) {
        const std::shared_ptr<RexxTask> task = slots_[i].task;
        if (!task || task->ended) continue;
        if (task->limit == RexxLimit::Parked || task->limit == RexxLimit::Faulted) {
            // Its thread sleeps for good: the task ends here, its thread is left behind.
            task->thread.detach();
            task->ended = true;
            TaskFinished(int(i));
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        if (over && task->limit == RexxLimit::None) {
            task->limit = RexxLimit::Memory;
            task->memory_halt_at = now;
        }
        // A program that traps the halt is interrupted again until it ends; one that grows on
        // regardless is parked. A program over the limit by its stack has been halted already.
        const bool halted_long_ago =
            task->limit == RexxLimit::Stack ||
            (task->limit == RexxLimit::Memory && now - task->memory_halt_at >= kHaltTakesHold);
        if (growth > 2 * limit && halted_long_ago) task->limit = RexxLimit::ParkRequested;
        if (task->limit != RexxLimit::None) {
            task->halt = true;
            SendRexxHalt(*task);
        }
    }
}

void RexxMacros::ReportLimit(const RexxTask& task) {
    std::string why;
    switch (task.limit.load()) {
        case RexxLimit::None:
            return;
        case RexxLimit::Stack:
            why = "its calls nested deeper than its stack of " + std::to_string(kRexxStackBytes >> 20) +
                  " MiB allows";
            break;
        case RexxLimit::Memory:
        case RexxLimit::ParkRequested:
            why = "the program grew by more than RexxMemoryLimit (" +
                  std::to_string(s_.settings.RexxMemoryLimit) + " MiB) while it ran";
            break;
        case RexxLimit::Faulted:
            why =
                "the REXX interpreter failed on an operation too large for it (such as a string of 2 GiB "
                "or more); its thread is parked for good";
            break;
        case RexxLimit::Parked:
            why =
                "it went on after it was halted at a limit (its calls' depth or the memory it used); its "
                "thread "
                "is parked for good";
            break;
    }
    const std::string text = "REXX macro \"" + task.name + "\" was stopped: " + why + ".";
    s_.ui.AddDebugLine(text);
    s_.ui.ShowMessage({"Orkan TN3270 - REXX", text, Buttons::Ok, Icon::Warning});
}

void RexxMacros::StartPending() {
    while (!pending_.empty()) {
        bool free = false;
        for (const Slot& slot : slots_) free = free || !slot.task;
        if (!free) return;
        Pending next = std::move(pending_.front());
        pending_.pop_front();
        (void)Launch(next);
    }
}

void RexxMacros::TaskFinished(int slot_index) {
    Slot& slot = slots_[size_t(slot_index)];
    if (!slot.task) return;
    std::shared_ptr<RexxTask> task = std::move(slot.task);
    MacroDone done = std::move(slot.done);
    slot = {};
    if (task->thread.joinable()) task->thread.join();
    MacroOutcome outcome;
    bool stopped;
    {
        std::lock_guard lock(task->mutex);
        stopped = task->stop;
    }
    if (!stopped && task->limit != RexxLimit::None) {
        if (task->start_result != 0)
            s_.ui.AddDebugLine("Return code from REXX is " + std::to_string(task->start_result));
        ReportLimit(*task);
        outcome.end = MacroOutcome::End::Error;
        outcome.error = task->start_result != 0 ? int(task->start_result) : -kRexxHalted;
    } else if (stopped) {
        outcome.end = MacroOutcome::End::Stopped;
    } else if (task->start_result != 0) {
        // Regina reports what it finds while reading a program only on the process's standard
        // error, before any exit of ours runs: the debug window at least names the error.
        if (!task->started && task->start_result != -kRexxSandboxUnavailable)
            s_.ui.AddDebugLine("REXX macro \"" + task->name + "\" was not run: error " +
                               std::to_string(-task->start_result) +
                               " while reading it (the interpreter's report with its line goes to "
                               "standard error)");
        s_.ui.AddDebugLine("Return code from REXX is " + std::to_string(task->start_result));
        outcome.end = MacroOutcome::End::Error;
        outcome.error = int(task->start_result);
    } else {
        outcome.exit_code = task->return_code;
    }
    bool stopping = false;
    for (const Slot& s : slots_) stopping = stopping || (s.task && s.task->halt);
    if (!stopping) timers_.Stop(kStopTimer);
    if (RunningTasks() == 0) paused_ = false;
    LetterChanged();
    if (done) done(outcome);
    StartPending();
}

void RexxMacros::RequestStop(RexxTask& task) {
    {
        std::lock_guard lock(task.mutex);
        task.stop = true;
        task.paused = false;
    }
    task.changed.notify_all();
    task.halt = true;
    SendRexxHalt(task);
}

void RexxMacros::StopAll() {
    std::deque<Pending> dropped = std::move(pending_);
    pending_.clear();
    bool any = false;
    for (Slot& slot : slots_) {
        if (!slot.task) continue;
        RequestStop(*slot.task);
        any = true;
    }
    if (any) {
        timers_.Start(kStopTimer, kHaltRepeat, false, [this] {
            for (Slot& slot : slots_)
                if (slot.task && slot.task->halt && !slot.task->ended) SendRexxHalt(*slot.task);
        });
    }
    for (Pending& p : dropped)
        if (p.done) p.done({MacroOutcome::End::Stopped, 0, 0});
}

void RexxMacros::PauseAll() {
    if (RunningTasks() == 0) return;
    paused_ = true;
    for (Slot& slot : slots_) {
        if (!slot.task) continue;
        std::lock_guard lock(slot.task->mutex);
        slot.task->paused = true;
    }
    LetterChanged();
}

void RexxMacros::ResumeAll() {
    paused_ = false;
    for (Slot& slot : slots_) {
        if (!slot.task) continue;
        {
            std::lock_guard lock(slot.task->mutex);
            slot.task->paused = false;
        }
        slot.task->changed.notify_all();
    }
    LetterChanged();
}

void RexxMacros::NotifyAll(bool unlock) {
    for (Slot& slot : slots_) {
        if (!slot.task) continue;
        {
            std::lock_guard lock(slot.task->mutex);
            if (unlock) ++slot.task->unlocks;
            ++slot.task->host_records;
        }
        slot.task->changed.notify_all();
    }
}

void RexxMacros::ReleaseUnlockWaits() {
    NotifyAll(true);
}
void RexxMacros::AfterHostRecord() {
    NotifyAll(false);
}

}  // namespace orkan
