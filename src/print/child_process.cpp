#include "print/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

extern char** environ;

namespace orkan {

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& changes) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e) {
        const std::string_view entry(*e);
        const std::string_view name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& c : changes)
            if (std::string_view(c).substr(0, c.find('=')) == name) replaced = true;
        if (!replaced) env.emplace_back(entry);
    }
    env.insert(env.end(), changes.begin(), changes.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

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
    ChildProcess child;
    error = 0;
    if (argv.empty()) {
        error = EINVAL;
        return child;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = errno;
        return child;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    // The child starts with default signal handling and nothing blocked, whatever this process set.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(environment);
    std::vector<char*> arg_ptrs = Pointers(args);
    std::vector<char*> env_ptrs = Pointers(env);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, args[0].c_str(), &actions, &attr, arg_ptrs.data(), env_ptrs.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        error = rc;
        return child;
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    child.pid = pid;
    child.output = fds[0];
    return child;
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
