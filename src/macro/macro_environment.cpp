#include "macro/macro_environment.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <thread>

extern char** environ;

namespace orkan {

int MacroEnvironment::Spawn(const std::vector<std::string>& argv, const std::string& folder) {
    if (argv.empty() || argv[0].empty()) return ENOENT;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // The program gets the signals this process blocks or ignores back, and a session of its own.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    // Nobody waits for the program; a helper reaps it so it leaves no zombie behind.
    if (rc == 0)
        std::thread([pid] {
            int status = 0;
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    return rc;
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

std::optional<std::vector<std::string>> ShellExecuteCommand(const std::string& operation, const std::string& file,
                                                            std::string_view parameters) {
    if (operation.empty() || operation == "OPEN") {
        struct stat st {};
        if (::stat(file.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(file.c_str(), X_OK) == 0) {
            std::vector<std::string> argv = {file};
            for (std::string& p : SplitCommandLine(parameters)) argv.push_back(std::move(p));
            return argv;
        }
        return std::vector<std::string>{"xdg-open", file};
    }
    if (operation == "PRINT") return std::vector<std::string>{"lp", "--", file};
    if (operation == "EDIT") {
        const char* editor = std::getenv("VISUAL");
        if (!editor || !*editor) editor = std::getenv("EDITOR");
        return std::vector<std::string>{editor && *editor ? editor : "xdg-open", file};
    }
    if (operation == "EXPLORE" || operation == "FIND") return std::vector<std::string>{"xdg-open", file};
    return std::nullopt;
}

}  // namespace orkan
