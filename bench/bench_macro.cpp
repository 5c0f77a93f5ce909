// Statements per second of the macro language on a loop-heavy macro (arithmetic, string functions,
// IF, WHILE), run in turns the way the event loop runs it. The counter "statements/s" is the figure.
#include <benchmark/benchmark.h>

#include <deque>

#include "keyboard/keyboard.h"
#include "macro/macro_runner.h"
#include "session/session.h"

namespace {

class QuietUi final : public orkan::Ui {
  public:
    orkan::Answer ShowMessage(const orkan::MessageBox& box) override {
        return orkan::SafestAnswer(box.buttons);
    }
};

class TurnLoop final : public orkan::EventLoop {
  public:
    void Post(Task task) override { posted.push_back(std::move(task)); }
    orkan::SendResult SendAndWait(Task task, const std::function<bool()>&) override {
        task();
        return orkan::SendResult::Ran;
    }
    void StartTimer(int, std::chrono::milliseconds, bool, Task) override {}
    void StopTimer(int) override {}
    void WatchReadable(int, Task) override {}
    void UnwatchReadable(int) override {}
    bool IsLoopThread() const override { return true; }
    std::deque<Task> posted;
};

constexpr const char* kLoop =
    "I = 0\n"
    "T = \"\"\n"
    "WHILE I < 20000\n"
    "I = I + 1\n"
    "J = I * 3 // 7\n"
    "IF J > 3\n"
    "K = LEN(MID(\"abcdefgh\", 2, 3)) + J\n"
    "ELSE\n"
    "K = 0\n"
    "ENDIF\n"
    "ENDWHILE\n";

void BM_MacroLoop(benchmark::State& state) {
    QuietUi ui;
    orkan::Session session(ui);
    orkan::Keyboard keyboard{session};
    TurnLoop loop;
    orkan::MacroEnvironment environment;
    orkan::MacroRunner runner(session, loop, environment);
    uint64_t statements = 0;
    for (auto _ : state) {
        (void)runner.StartText(kLoop);
        while (!loop.posted.empty()) {
            auto task = std::move(loop.posted.front());
            loop.posted.pop_front();
            task();  // one turn: the window would repaint between two of these
        }
        statements += runner.statements_executed();
    }
    state.counters["statements/s"] = benchmark::Counter(double(statements), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MacroLoop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
