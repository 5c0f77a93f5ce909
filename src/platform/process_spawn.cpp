#include "platform/process_spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orkan {

std::string SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
    // Everything the children use is made before fork: between fork and exec only async-signal-safe
    // calls may run, as other threads may hold the allocator's locks.
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(path.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    // The grandchild reports a failed exec through this pipe; a successful exec closes it unread.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return std::string("no pipe: ") + std::strerror(errno);
    const pid_t child = fork();
    if (child < 0) {
        const int e = errno;
        close(report[0]);
        close(report[1]);
        return std::string("fork failed: ") + std::strerror(e);
    }
    if (child == 0) {
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        signal(SIGPIPE, SIG_DFL);
        signal(SIGXFSZ, SIG_DFL);
        execv(path.c_str(), argv.data());
        const int e = errno;
        [[maybe_unused]] const ssize_t n = write(report[1], &e, sizeof e);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int exec_error = 0;
    ssize_t got;
    do {
        got = read(report[0], &exec_error, sizeof exec_error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the new process could not be made";
    if (got == ssize_t(sizeof exec_error)) return path + ": " + std::strerror(exec_error);
    return {};
}

}  // namespace orkan
