// Starting other programs, the one way the program does it: never through a shell, so the
// arguments reach the program exactly as given and no name or text can become a command line.
// What the new program gets is said explicitly each time: its input, where its output goes, its
// folder and environment, and whether anyone waits for it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

struct ProcessOptions {
    // argv[0] without a slash is looked up in PATH.
    std::vector<std::string> argv;
    std::string folder;                    // its working folder; empty: ours
    std::vector<std::string> environment;  // "NAME=value", replacing or adding to ours

    enum class Input : uint8_t { Null, Inherit };
    Input input = Input::Null;
    // Pipe: its output and errors into one pipe the caller reads (non-blocking, close-on-exec).
    // ToStderr: its output where our messages go, since our standard output may be the automation's
    // channel (--api, --dump).
    enum class Output : uint8_t { Inherit, ToStderr, Pipe };
    Output output = Output::Inherit;
    // Detached: a session of its own that outlives us and is not our child, so it is never left as
    // a zombie and nobody waits for it. Otherwise the caller reaps it.
    bool detached = false;
};

struct StartedProcess {
    pid_t pid = -1;   // not known for a detached program
    int output = -1;  // with Output::Pipe
    int error = 0;    // errno of a failed start (ENOENT: not found in PATH)
    bool Started() const { return error == 0; }
};

// Every program it starts has default handling of every signal and nothing blocked, whatever this
// process set for itself.
[[nodiscard]] StartedProcess StartProcess(const ProcessOptions& options);

// `name` as the program would be found when started: itself when it holds a "/", else the first
// executable regular file of that name in `search_path` (a PATH value; empty gives the usual
// folders). 0 with `path` set, or ENOENT (none) or EACCES (only ones that may not be run).
[[nodiscard]] int FindProgram(const std::string& name, std::string_view search_path, std::string& path);

// A command line split into words: blanks and tabs separate, double quotes group (as Windows
// programs read theirs), no shell meaning for any character. Every command line a user or macro
// gives (WINEXEC, shell-execute parameters, the editor setting) is split by this one.
std::vector<std::string> SplitCommandLine(std::string_view command);

// `path` with `args` (argv[1..]), detached, with our standard input and output. An empty string, or
// why it could not be started.
[[nodiscard]] std::string SpawnDetached(const std::string& path, const std::vector<std::string>& args);

// This program replaced by the one at `path`, given `argv`: the same process with the same
// standard streams, so whoever started us waits for it and reads its exit code. Returns only when
// it could not be started, with its errno.
[[nodiscard]] int ReplaceProcess(const std::string& path, char** argv);

}  // namespace orkan
