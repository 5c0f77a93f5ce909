#include "print/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/process.h"

namespace orkan {

namespace {

void Keep(std::string& output, const char* data, size_t n) {
    output.append(data, n);
    if (output.size() > kChildOutputLimit) output.erase(0, output.size() - kChildOutputLimit);
}

void TakeStatus(int status, ChildResult& result) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exit_status = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

}  // namespace

std::string ChildResult::Describe() const {
    if (!started) return std::strerror(error);
    if (timed_out) return "no answer in time, stopped";
    if (exited) return "exit status " + std::to_string(exit_status);
    return "signal " + std::to_string(signal);
}

ChildProcess SpawnChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                        int& error) {
    ProcessOptions options;
    options.argv = argv;
    options.environment = environment;
    options.output = ProcessOptions::Output::Pipe;
    const StartedProcess started = StartProcess(options);
    error = started.error;
    return started.Started() ? ChildProcess{started.pid, started.output} : ChildProcess{};
}

bool DrainOutput(int fd, std::string& output) {
    char buf[4096];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            Keep(output, buf, size_t(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

bool ReapChild(pid_t pid, ChildResult& result) {
    int status = 0;
    pid_t r;
    do r = waitpid(pid, &status, WNOHANG);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r == pid) TakeStatus(status, result);
    return true;  // reaped, or not ours to wait for any more
}

void StopChild(pid_t pid, ChildResult& result) {
    result.timed_out = true;
    kill(pid, SIGTERM);
    for (int i = 0; i < 20; ++i) {
        if (ReapChild(pid, result)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

ChildResult RunChild(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
                     std::chrono::milliseconds timeout) {
    ChildResult result;
    const ChildProcess child = SpawnChild(argv, environment, result.error);
    if (child.pid < 0) return result;
    result.started = true;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    bool open = true;
    while (open) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{child.output, POLLIN, 0};
        if (poll(&p, 1, int(left.count())) < 0 && errno != EINTR) break;
        open = DrainOutput(child.output, result.output);
    }
    close(child.output);
    // The output closed: the child is ending; give it the rest of the time to do so.
    while (!ReapChild(child.pid, result)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            StopChild(child.pid, result);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return result;
}

}  // namespace orkan
