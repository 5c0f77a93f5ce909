// Programs printing runs (lp, lpstat) and waits for: standard input from /dev/null, standard
// output and error into one pipe the caller reads, the exit or an overrun reported.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace orkan {

struct ChildProcess {
    pid_t pid = -1;
    int output = -1;  // read end, non-blocking, close-on-exec
};

// argv[0] is looked up in PATH. `environment` entries ("NAME=value") replace or add to the
// process's own. -1 pid with `error` (an errno value) when it could not be started.
ChildProcess SpawnChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                        int& error);

struct ChildResult {
    bool started = false;
    int error = 0;  // errno of a failed start
    bool exited = false;
    int exit_status = 0;
    int signal = 0;
    bool timed_out = false;
    std::string output;  // at most kChildOutputLimit bytes, the last ones kept

    bool Succeeded() const { return started && exited && exit_status == 0; }
    // "exit status 1", "signal 15", "no answer within 10 seconds", or the start error's text.
    std::string Describe() const;
};
inline constexpr size_t kChildOutputLimit = 16384;

// Appends what the pipe holds now; false at its end (or on an error).
bool DrainOutput(int fd, std::string& output);

// The exit of `pid` without waiting: true once it has ended, with the result filled in.
bool ReapChild(pid_t pid, ChildResult& result);

// Stops a child that overran its time (SIGTERM, then SIGKILL after a moment) and reaps it.
void StopChild(pid_t pid, ChildResult& result);

// Runs to the end, at most `timeout`.
ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                     std::chrono::milliseconds timeout);

}  // namespace orkan
