// A session with a macro runner on a loop the test turns by hand: posted work runs when the test
// says so and timers fire only when the test fires them.
#pragma once

#include <chrono>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "../keyboard/keyboard_harness.h"
#include "macro/macro_runner.h"

namespace orkan::test {

class ManualLoop final : public EventLoop {
  public:
    void Post(Task task) override { posted.push_back(std::move(task)); }
    SendResult SendAndWait(Task task, const std::function<bool()>&) override {
        task();
        return SendResult::Ran;
    }
    void StartTimer(int id, std::chrono::milliseconds period, bool, Task task) override {
        timers[id] = {period, std::move(task)};
    }
    void StopTimer(int id) override { timers.erase(id); }
    void WatchReadable(int, Task) override {}
    void UnwatchReadable(int) override {}
    bool IsLoopThread() const override { return true; }

    // Runs posted work (and what it posts) until none is left; returns the turns run.
    int RunPosted(int limit = 100000) {
        int turns = 0;
        while (!posted.empty() && turns < limit) {
            Task t = std::move(posted.front());
            posted.pop_front();
            t();
            ++turns;
        }
        return turns;
    }
    // Fires the one pending timer; its period in milliseconds, -1 when none is pending.
    int64_t FireTimer() {
        if (timers.empty()) return -1;
        auto it = timers.begin();
        const int64_t ms = it->second.first.count();
        Task t = it->second.second;
        t();
        return ms;
    }

    std::deque<Task> posted;
    std::map<int, std::pair<std::chrono::milliseconds, Task>> timers;
};

class RecordingEnvironment final : public MacroEnvironment {
  public:
    int DoRunMacroInSession(char letter, std::string_view name) override {
        calls.push_back(std::string("run ") + letter + " " + std::string(name));
        return letter == 'B' ? 0 : 66;
    }
    bool DoBringSessionToFront(char letter) override {
        calls.push_back(std::string("front ") + letter);
        return letter == 'B';
    }
    int DoSpawn(const std::vector<std::string>& argv, const std::string&) override {
        std::string line = "spawn";
        for (const std::string& a : argv) line += " " + a;
        calls.push_back(line);
        return 0;
    }
    void DoPlaySoundFile(const std::string& path) override { calls.push_back("sound " + path); }
    void DoBeep(int f, int d) override {
        calls.push_back("beep " + std::to_string(f) + " " + std::to_string(d));
    }
    std::vector<std::string> calls;
};

struct MacroSession {
    MacroSession() : runner(ks.session, loop, env) {
        ks.session.hooks.macros = &runner;
        runner.SetFinishedCallback([this](const MacroOutcome& o) {
            outcome = o;
            ++finished;
        });
    }
    ~MacroSession() { ks.session.hooks.macros = nullptr; }

    // Starts the text and runs it as far as it goes without timers.
    void Run(std::string_view text) {
        ks.harness.ui.shown.clear();
        (void)runner.StartText(text);
        loop.RunPosted();
    }
    std::string LastMessage() const {
        const auto& shown = ks.harness.ui.shown;
        return shown.empty() ? std::string() : shown.back().title + ": " + shown.back().text;
    }
    MacroValue Var(std::string_view name) {
        const int i = runner.variables().Find(name);
        return i < 0 ? MacroValue::Text("<none>") : runner.variables().at(i).value;
    }

    KeyboardSession ks{24, 80};
    ManualLoop loop;
    RecordingEnvironment env;
    MacroRunner runner;
    MacroOutcome outcome;
    int finished = 0;
};

}  // namespace orkan::test
