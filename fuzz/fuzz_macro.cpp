// Macro text from files, hosts and the command line: any bytes are refused by the loader or the
// pre-scan, or run to an end, an error report or the statement budget, without reading or writing
// outside what they own. The text runs as a host-sent macro, so it can start no program, open no
// file and reach nothing outside its session; timers never fire, so a wait simply stays waiting.
#include <cstdint>
#include <string_view>

#include "harness.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orkan::fuzz::QuietUi ui;
    orkan::Session session(ui);
    orkan::Keyboard keyboard{session};
    session.folders.app_data = session.folders.macros = "/nonexistent-orkan-fuzz";
    session.folders.settings_file = "/nonexistent-orkan-fuzz/orkan.ini";
    orkan::fuzz::TurnLoop loop;
    orkan::fuzz::SealedEnvironment environment;
    orkan::fuzz::RunHostMacro(session, loop, environment,
                              std::string_view(reinterpret_cast<const char*>(data), size), 100, false);
    return 0;
}
