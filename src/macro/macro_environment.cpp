#include "macro/macro_environment.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "scripting/macro_errors.h"

extern char** environ;

namespace orkan {

int MacroEnvironment::RunMacroInSession(char letter, std::string_view name) {
    if (!Permit(Capability::OtherSessions) || !Permit(Capability::StartMacros)) return macro_error::Refused;
    return DoRunMacroInSession(letter, name);
}

bool MacroEnvironment::BringSessionToFront(char letter) {
    return Permit(Capability::OtherSessions) && DoBringSessionToFront(letter);
}

int MacroEnvironment::Spawn(const std::vector<std::string>& argv, const std::string& folder) {
    return Permit(Capability::Programs) ? DoSpawn(argv, folder) : EPERM;
}

void MacroEnvironment::PlaySoundFile(const std::string& path) {
    if (Permit(Capability::Sounds)) DoPlaySoundFile(path);
}

void MacroEnvironment::Beep(int frequency, int duration_ms) {
    if (Permit(Capability::Sounds)) DoBeep(frequency, duration_ms);
}

std::FILE* MacroEnvironment::OpenFile(const std::string& path, const char* mode) {
    if (Permit(Capability::Files)) return DoOpenFile(path, mode);
    errno = EPERM;
    return nullptr;
}

int MacroEnvironment::DoSpawn(const std::vector<std::string>& argv, const std::string& folder) {
    if (argv.empty() || argv[0].empty()) return ENOENT;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Standard input and output may be the automation's channel (--api, --dump): the program
    // reads nothing from it and writes its output where our messages go.
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
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

std::optional<std::vector<std::string>> ShellExecuteCommand(const std::string& operation,
                                                            const std::string& file,
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
