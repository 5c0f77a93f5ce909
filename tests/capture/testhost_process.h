// testhost as a child process for the end-to-end tests: the port is the first line it prints.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

namespace orkan::test {

class TestHostProcess {
public:
    // False when the program is not built or did not start.
    bool Start(std::vector<std::string> options) {
        const std::string program = std::string(ORKAN_BINARY_DIR) + "/tools/testhost/testhost";
        if (access(program.c_str(), X_OK) != 0) return false;
        int out[2];
        if (pipe(out) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> args = {program, "--port", "0", "--once"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            pid_ = -1;
            return false;
        }
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') port_ += c;
        close(out[0]);
        return !port_.empty();
    }
    ~TestHostProcess() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    std::string address() const { return "127.0.0.1:" + port_; }

private:
    pid_t pid_ = -1;
    std::string port_;
};

}  // namespace orkan::test
