#include "platform/process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

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

int ResolveProgram(const std::string& name, std::string& path) {
    const char* env = std::getenv("PATH");
    return FindProgram(name, env ? env : "", path);
}

StartedProcess SpawnChild(const ProcessOptions& o, const std::string& program, char** argv, char** envp) {
    StartedProcess started;
    int fds[2] = {-1, -1};
    if (o.output == ProcessOptions::Output::Pipe && pipe2(fds, O_CLOEXEC) != 0) {
        started.error = errno;
        return started;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!o.folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, o.folder.c_str());
    if (o.input == ProcessOptions::Input::Null)
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (o.output == ProcessOptions::Output::Pipe) {
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    } else if (o.output == ProcessOptions::Output::ToStderr) {
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    }
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argv, envp);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (fds[1] >= 0) close(fds[1]);
    if (rc != 0) {
        if (fds[0] >= 0) close(fds[0]);
        started.error = rc;
        return started;
    }
    if (fds[0] >= 0) fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    started.pid = pid;
    started.output = fds[0];
    return started;
}

// Fork twice: the middle process ends at once, so the program is nobody's child but init's.
StartedProcess SpawnOrphan(const ProcessOptions& o, const std::string& program, char** argv, char** envp) {
    StartedProcess started;
    // Everything the children use is made before fork: between fork and exec only
    // async-signal-safe calls may run, as other threads may hold the allocator's locks.
    const char* folder = o.folder.empty() ? nullptr : o.folder.c_str();
    const bool null_input = o.input == ProcessOptions::Input::Null;
    const bool to_stderr = o.output == ProcessOptions::Output::ToStderr;
    // The program reports a failed start through this pipe; a successful exec closes it unread.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        started.error = errno;
        return started;
    }
    const pid_t child = fork();
    if (child < 0) {
        started.error = errno;
        close(report[0]);
        close(report[1]);
        return started;
    }
    if (child == 0) {
        close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        int e = 0;
        if (folder && chdir(folder) != 0) e = errno;
        if (e == 0 && null_input) {
            const int fd = open("/dev/null", O_RDONLY);
            if (fd < 0 || dup2(fd, STDIN_FILENO) < 0) e = errno;
            if (fd > STDIN_FILENO) close(fd);
        }
        if (e == 0 && to_stderr && dup2(STDERR_FILENO, STDOUT_FILENO) < 0) e = errno;
        if (e == 0) {
            sigset_t none;
            sigemptyset(&none);
            sigprocmask(SIG_SETMASK, &none, nullptr);
            // Caught signals return to their defaults by exec itself; ignored ones would stay so.
            for (int s = 1; s < NSIG; ++s) signal(s, SIG_DFL);
            execve(program.c_str(), argv, envp);
            e = errno;
        }
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
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        started.error = EAGAIN;  // the middle process could not fork
    else if (got == ssize_t(sizeof exec_error))
        started.error = exec_error;
    return started;
}

}  // namespace

int FindProgram(const std::string& name, std::string_view search_path, std::string& path) {
    if (name.empty()) return ENOENT;
    if (name.find('/') != std::string::npos) {
        path = name;
        return 0;
    }
    const std::string_view dirs = search_path.empty() ? "/usr/local/bin:/usr/bin:/bin" : search_path;
    int error = ENOENT;
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string_view::npos) end = dirs.size();
        const std::string_view dir = dirs.substr(start, end - start);
        const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + name;
        struct stat st {};
        if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            if (::access(candidate.c_str(), X_OK) == 0) {
                path = candidate;
                return 0;
            }
            error = EACCES;
        }
        start = end + 1;
    }
    return error;
}

StartedProcess StartProcess(const ProcessOptions& options) {
    StartedProcess started;
    // A detached program has nobody to read a pipe.
    if (options.argv.empty() || (options.detached && options.output == ProcessOptions::Output::Pipe)) {
        started.error = EINVAL;
        return started;
    }
    std::string program;
    if ((started.error = ResolveProgram(options.argv[0], program)) != 0) return started;
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = MergedEnvironment(options.environment);
    std::vector<char*> arg_ptrs = Pointers(args);
    std::vector<char*> env_ptrs = Pointers(env);
    return options.detached ? SpawnOrphan(options, program, arg_ptrs.data(), env_ptrs.data())
                            : SpawnChild(options, program, arg_ptrs.data(), env_ptrs.data());
}

std::vector<std::string> SplitCommandLine(std::string_view command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : command) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(std::move(word));
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(std::move(word));
    return words;
}

std::string SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
    ProcessOptions o;
    o.argv.push_back(path);
    o.argv.insert(o.argv.end(), args.begin(), args.end());
    o.input = ProcessOptions::Input::Inherit;
    o.detached = true;
    const StartedProcess started = StartProcess(o);
    return started.Started() ? std::string() : path + ": " + std::strerror(started.error);
}

int ReplaceProcess(const std::string& path, char** argv) {
    execv(path.c_str(), argv);
    return errno;
}

}  // namespace orkan
