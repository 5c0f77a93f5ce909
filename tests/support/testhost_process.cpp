#include "support/testhost_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace orkan::test {

bool TestHostProcess::Start(const std::vector<std::string>& arguments) {
    const std::string program = std::string(ORKAN_BINARY_DIR) + "/tools/testhost/testhost";
    if (access(program.c_str(), X_OK) != 0) return false;
    std::vector<std::string> args = {program, "--port", "0"};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    if (child == 0) {
        // Only async-signal-safe calls until exec: other threads may hold locks.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(out[1], 1);
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    pid_ = child;
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1 && c != '\n') port_ += c;
    close(out[0]);
    return !port_.empty();
}

TestHostProcess::~TestHostProcess() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace orkan::test
