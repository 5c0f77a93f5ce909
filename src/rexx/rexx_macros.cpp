#include "rexx/rexx_macros.h"

#include <pthread.h>
#include <signal.h>

#include <fstream>
#include <iterator>

#include "config/data_file.h"
#include "macro/macro_source.h"
#include "rexx/rexx_halt.h"
#include "rexx/rexx_text.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int kStopTimer = 1;
// A program that traps HALT and loops on is interrupted again at this pace until it ends.
constexpr std::chrono::milliseconds kHaltRepeat{100};
// How long closing the session waits for stopped programs before it leaves them behind.
constexpr std::chrono::milliseconds kCloseGrace{2000};
constexpr size_t kMaxMacroFileBytes = 16 * 1024 * 1024;
constexpr size_t kMaxPendingStarts = 16;

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

void ThreadMain(RexxMacros* owner, std::shared_ptr<RexxTask> task, std::weak_ptr<int> alive, EventLoop* loop) {
    PrepareRexxThreadSignals(task->halt);
    long start_result = 0;
    const int rc = RunRexxProgram(*owner, *task, task->source, start_result);
    AcceptRexxHalt(false);
    task->return_code = rc;
    task->start_result = start_result;
    task->ended = true;
    const int slot = task->slot;
    loop->Post([owner, alive, slot] {
        if (alive.expired()) return;
        owner->TaskFinished(slot);
    });
}

}  // namespace

RexxMacros::RexxMacros(Session& session, EventLoop& loop, MacroEnvironment& environment)
    : s_(session), loop_(loop), env_(environment), timers_(loop) {
    InstallRexxHaltHandler();
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
    for (auto& task : tasks) {
        // A thread stuck outside the interpreter (a blocking read of its own) is left to end by
        // itself; it keeps its task and touches nothing of the session once stopped.
        if (task->ended) task->thread.join();
        else task->thread.detach();
    }
}

std::string RexxMacros::ErrorListPath() const { return s_.folders.program_data + "/rexxerr.lst"; }

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
    const std::string path = DataFilePath(name, s_.folders.macros, "mac");
    std::ifstream in(path, std::ios::binary);
    auto fail = [&](const std::string& title, const std::string& text) {
        s_.ui.ShowMessage({title, text, Buttons::Ok, Icon::Warning});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    };
    if (!in) return fail("Orkan TN3270 - file not found", "File \"" + path + "\" was not found.");
    std::string bytes;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad() || bytes.size() > kMaxMacroFileBytes)
        return fail("File Error", "Macro file \"" + path + "\" could not be read whole");
    std::string error;
    std::optional<std::string> text = ProgramText(bytes, error);
    if (!text) return fail("File Error", "Macro file \"" + path + "\": " + error);
    Pending request{WithoutExtension(path), std::move(*text), false, std::move(done)};
    return Request(std::move(request), origin);
}

bool RexxMacros::StartText(const std::string& text, RexxOrigin origin, MacroDone done) {
    std::string error;
    std::optional<std::string> program = ProgramText(text, error);
    if (!program) {
        s_.ui.ShowMessage({"File Error", "Macro text: " + error, Buttons::Ok, Icon::Warning});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    return Request({"(macro text)", std::move(*program), false, std::move(done)}, origin);
}

bool RexxMacros::Request(Pending request, RexxOrigin origin) {
    request.restricted = origin == RexxOrigin::Host && s_.settings.AllowHostMacros == 0;
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
                           "REXX macro \"" + request.name + "\" was not started: " + std::to_string(kRexxTaskSlots) +
                               " REXX macros are running already.",
                           Buttons::Ok, Icon::Warning});
        if (request.done) request.done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    if (pending_.size() >= kMaxPendingStarts) {
        s_.ui.ShowMessage({"Orkan TN3270 - REXX",
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
    task->restricted = request.restricted;
    task->paused = paused_;
    slots_[free] = {task, std::move(request.done)};
    try {
        task->thread = std::thread(ThreadMain, this, task, std::weak_ptr<int>(alive_), &loop_);
    } catch (const std::system_error& e) {
        MacroDone done = std::move(slots_[free].done);
        slots_[free] = {};
        s_.ui.ShowMessage({"Orkan TN3270 - REXX", "REXX macro \"" + request.name + "\" could not start: " + e.what(),
                           Buttons::Ok, Icon::Error});
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    LetterChanged();
    return true;
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
    if (stopped) {
        outcome.end = MacroOutcome::End::Stopped;
    } else if (task->start_result != 0) {
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

void RexxMacros::ReleaseUnlockWaits() { NotifyAll(true); }
void RexxMacros::AfterHostRecord() { NotifyAll(false); }

}  // namespace orkan
