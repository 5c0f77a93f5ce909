// A session with a macro runner on a loop the test turns by hand.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "../keyboard/keyboard_harness.h"
#include "macro/macro_runner.h"
#include "manual_loop.h"

namespace orkan::test {

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
