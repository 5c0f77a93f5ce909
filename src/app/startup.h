// Start-up: from the parsed command line to a session ready to connect, in this order: folders
// (the defaults copied in on first use), the documents folder as current directory, the runtime
// folder, the settings file, key.lst, the program settings, the event macro files, the session file
// (the named one, else LastSession, else standard.ses), the command line's overrides, the country
// tables for the session's code pages, and the session's slot among the running sessions.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/session_runtime.h"
#include "config/environment.h"
#include "keyboard/key_list.h"
#include "peers/session_peers.h"

namespace orkan {

inline constexpr std::string_view kProgramErrorTitle = "Orkan TN3270 Error";
inline constexpr int kStartupFailed = 8;

// The event macro files, in EventMacro order: protect.ext, tpxswap.ext, locked.ext, unlocked.ext.
// A path is empty when the file is not in the macros folder; the macro runner enables the events
// of the files found.
struct EventMacroFiles {
    std::array<std::string, 4> paths;
    bool Found(EventMacro which) const { return !paths[size_t(which)].empty(); }
};

struct StartupEnvironment {
    Environment env;
    std::string program_data;      // country.lst, key.lst, defaults/
    bool change_directory = true;  // tests keep their own current directory
    bool claim_slot = true;        // tests without a shared area
};

struct StartupState {
    KeyList key_list;
    EventMacroFiles event_macros;
    bool trace_from_start = false;  // /T: the trace subsystem starts tracing at once
    std::string run_text;           // /R: macro source, run at the end of start-up
    std::string startup_macro;      // /M: run by the delayed start-up work
    int same_name_sessions = 0;     // running sessions of the same name: the window is offset
    std::unique_ptr<SessionPeers> peers;
};

// A session as a new one starts, without files of a user: the new-session settings, default program
// settings and the country tables from `program_data` (the build tree's share/orkan3270 or the
// install's). For programs and tests that run a session in-process. False after the message when
// country.lst cannot be read.
[[nodiscard]] bool PrepareDefaultSession(Session& session, const std::string& program_data);

// Fills the runtime's session. 0 when it may start; otherwise the exit code after the message.
// The session's macros get the event macro files and the command line's start-up macros: /R's
// text starts at the end, /M's file waits for the host (SessionMacros).
[[nodiscard]] int PrepareSession(const CommandLine& cl, const StartupEnvironment& env,
                                 SessionRuntime& runtime, StartupState& out);

}  // namespace orkan
