// What several fuzz targets share: a Ui that answers every message box, a sender that sends
// nothing, a macro environment that lets nothing out, a session as start-up makes it, checks of
// the screen a host leaves, a loop whose work runs when the target says so, a host macro run on
// it, an own folder, and the layouts of the stream and records targets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/session_file.h"
#include "ds3270/geometry.h"
#include "interfaces/ui.h"
#include "macro/macro_environment.h"
#include "macro/macro_runner.h"
#include "net/host_sender.h"
#include "platform/event_loop.h"
#include "session/session.h"
#include "support/iconv_tables.h"
#include "support/stream_mutators.h"

namespace orkan::fuzz {

[[noreturn]] inline void Reached(const char* what) {
    std::fprintf(stderr, "a host macro reached %s\n", what);
    std::abort();
}

// The way out of a macro to programs, other sessions, sounds and files: a host's macro reaches none.
class SealedEnvironment final : public MacroEnvironment {
  protected:
    int DoRunMacroInSession(char, std::string_view) override { Reached("another session"); }
    bool DoBringSessionToFront(char) override { Reached("another session"); }
    int DoSpawn(const std::vector<std::string>&, const std::string&) override { Reached("a program"); }
    void DoPlaySoundFile(const std::string&) override { Reached("a sound file"); }
    void DoBeep(int, int) override { Reached("the speaker"); }
    std::FILE* DoOpenFile(const std::string&, const char*) override { Reached("a file"); }
};

// A message box gets its safest answer, or with `agree` the one that goes ahead; `during_box` runs
// first, as the nested event loop of a real box lets other work in.
class QuietUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override {
        if (during_box) during_box();
        if (!agree) return SafestAnswer(box.buttons);
        switch (box.buttons) {
            case Buttons::YesNo:
            case Buttons::YesNoCancel:
                return Answer::Yes;
            case Buttons::RetryCancel:
                return Answer::Retry;
            default:
                return Answer::Ok;
        }
    }
    bool agree = false;
    std::function<void()> during_box;
};

class NullSender : public HostSender {
  public:
    void SendRecord(std::span<const uint8_t>, unsigned) override {}
    void SendRaw(std::span<const uint8_t>) override {}
};

// A session as start-up makes it (colours, options), with the code page 037 tables, a 24x80
// screen in a 160x62 window, and folders where no host text or print file can be made.
inline void PrepareSession(Session& s) {
    static const CharsetTables tables = test::Cp037Tables();
    static const SessionRecord defaults = DefaultSessionRecord();
    s.charset = tables;
    s.record = defaults;
    s.folders.app_data = s.folders.temp_macros = "/dev/null";
    s.record.SetNumber(field::DefaultRows, 24);
    s.record.SetNumber(field::DefaultColumns, 80);
    s.record.SetNumber(field::UserScreenWidth, 160);
    s.record.SetNumber(field::UserScreenHeight, 62);
}

// What every record must leave behind: a screen that 14-bit addresses reach, the cursor on it,
// and only field attributes (with their marker bit) in the attribute plane.
inline void CheckScreen(const PresentationSpace& ps) {
    if (ps.positions == 0 || ps.positions != ps.rows * ps.columns ||
        ps.positions > kMaxAddressablePositions || ps.cursor_address >= ps.positions)
        std::abort();
    for (uint32_t a = 0; a < ps.positions; ++a)
        if (ps.planes.attribute[a] != 0 && !(ps.planes.attribute[a] & fa::Present)) std::abort();
}

// Posted work and timers wait until the target runs them; nothing here has a second thread.
class TurnLoop final : public EventLoop {
  public:
    void Post(Task task) override { posted.push_back(std::move(task)); }
    SendResult SendAndWait(Task task, const std::function<bool()>&) override {
        task();
        return SendResult::Ran;
    }
    void StartTimer(int id, std::chrono::milliseconds, bool once, Task task) override {
        timers[id] = {once, std::move(task)};
    }
    void StopTimer(int id) override { timers.erase(id); }
    void WatchReadable(int, Task) override {}
    void UnwatchReadable(int) override {}
    bool IsLoopThread() const override { return true; }
    // Bounded: a task that posts another must not keep the run going for ever.
    void RunPosted(int limit) {
        for (; limit > 0 && !posted.empty(); --limit) {
            Task task = std::move(posted.front());
            posted.pop_front();
            task();
        }
    }
    // Every timer runs out once, as if the session had waited; a one-shot timer is gone after.
    void FireTimers() {
        std::vector<int> ids;
        for (const auto& [id, timer] : timers) ids.push_back(id);
        for (int id : ids) {
            auto it = timers.find(id);
            if (it == timers.end()) continue;
            Task task = it->second.task;  // the task may stop or restart its own timer
            if (it->second.once) timers.erase(it);
            task();
            RunPosted(64);
        }
    }
    struct Timer {
        bool once = false;
        Task task;
    };
    std::deque<Task> posted;
    std::map<int, Timer> timers;
};

// Runs macro text as a host sends it, within a statement budget, for at most `turns` turns of the
// loop; the macro's timers fire only with `timers` (else a wait simply stays waiting).
inline void RunHostMacro(Session& s, TurnLoop& loop, MacroEnvironment& environment, std::string_view text,
                         int turns, bool timers) {
    MacroRunner runner(s, loop, environment);
    s.hooks.macros = &runner;
    runner.SetStatementBudget(20000);
    (void)runner.StartText(text, MacroOrigin::Host);
    for (; turns > 0 && (!loop.posted.empty() || (timers && !loop.timers.empty())); --turns) {
        if (loop.posted.empty()) loop.FireTimers();
        loop.RunPosted(1);
    }
    if (runner.statements_executed() > 20000) std::abort();
    runner.Stop();
    s.hooks.macros = nullptr;
}

// A folder of the target's own under /tmp, made at the first call; it goes when the run ends (kept
// after a finding).
inline const std::string& OwnFolder() {
    static char name[] = "/tmp/orkan-fuzz-XXXXXX";
    static const std::string folder = [] {
        if (!mkdtemp(name)) std::abort();
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(name, ignored);
        });
        return std::string(name);
    }();
    return folder;
}

// The telnet and host_input layout (see ParseFramed), the host's bytes fed in chunks cut at the
// cut points.
struct ChunkedInput : FramedInput {
    std::vector<std::span<const uint8_t>> chunks;
};

inline std::optional<ChunkedInput> ReadChunkedInput(const uint8_t* data, size_t size) {
    const std::optional<FramedInput> framed = ParseFramed(std::span(data, size));
    if (!framed) return std::nullopt;
    ChunkedInput in{*framed, {}};
    std::vector<size_t> cuts;
    for (const uint16_t raw : in.cuts) cuts.push_back(in.stream.empty() ? 0 : raw % (in.stream.size() + 1));
    std::sort(cuts.begin(), cuts.end());
    size_t from = 0;
    for (size_t cut : cuts) {
        in.chunks.push_back(in.stream.subspan(from, cut - from));
        from = cut;
    }
    in.chunks.push_back(in.stream.subspan(from));
    return in;
}

}  // namespace orkan::fuzz
