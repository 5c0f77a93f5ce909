// Macro text from files, hosts and the command line: any bytes are refused by the loader or the
// pre-scan, or run to an end, an error report or the statement budget, without reading or writing
// outside what they own. The text runs as a host-sent macro, so it can start no program and write
// no file; timers never fire, so a wait simply stays waiting.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "harness.h"
#include "keyboard/keyboard.h"
#include "macro/macro_runner.h"
#include "session/session.h"

namespace {

class NoEnvironment final : public orkan::MacroEnvironment {
  public:
    int DoSpawn(const std::vector<std::string>&, const std::string&) override { std::abort(); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orkan::fuzz::QuietUi ui;
    orkan::Session session(ui);
    orkan::Keyboard keyboard{session};
    session.folders.app_data = session.folders.macros = "/nonexistent-orkan-fuzz";
    session.folders.settings_file = "/nonexistent-orkan-fuzz/orkan.ini";
    orkan::fuzz::TurnLoop loop;
    NoEnvironment environment;
    orkan::MacroRunner runner(session, loop, environment);
    session.hooks.macros = &runner;
    runner.SetStatementBudget(20000);
    (void)runner.StartText(std::string_view(reinterpret_cast<const char*>(data), size),
                           orkan::MacroOrigin::Host);
    loop.RunPosted(100);
    if (runner.statements_executed() > 20000) std::abort();
    runner.Stop();
    session.hooks.macros = nullptr;
    return 0;
}
