#include "capture/editor_launch.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "config/profile_file.h"
#include "config/program_settings.h"

extern char** environ;

namespace orkan {

namespace {

bool NamesNotepad(const std::string& editor) {
    return EqualsIgnoreCase(editor, "notepad.exe") || EqualsIgnoreCase(editor, "notepad");
}

// The shell splits the editor's words, checks that the command exists (127 when it does not), and
// leaves the editor running in the background, so waiting for the shell takes no time. Neither
// text is ever part of the script itself.
constexpr const char* kScript =
    "set -f; editor=$1; file=$2; set -- $editor; "
    "[ $# -gt 0 ] || exit 126; "
    "command -v \"$1\" >/dev/null 2>&1 || exit 127; "
    "\"$@\" \"$file\" </dev/null >/dev/null 2>&1 &";

}  // namespace

std::string EditorCommand(const ProgramSettings& settings, const Environment& environment) {
    if (!settings.Notepad.empty() && !NamesNotepad(settings.Notepad)) return settings.Notepad;
    for (const char* name : {"VISUAL", "EDITOR"}) {
        const std::optional<std::string> value = environment ? environment(name) : std::nullopt;
        if (value && !value->empty()) return *value;
    }
    return "xdg-open";
}

std::string LaunchEditor(const std::string& editor, const std::string& path) {
    std::vector<std::string> args = {"/bin/sh", "-c", kScript, "orkan-editor", editor, path};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (const int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ); rc != 0)
        return std::strerror(rc);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return std::strerror(errno);
    }
    if (!WIFEXITED(status)) return "the shell that starts it ended abnormally";
    switch (WEXITSTATUS(status)) {
        case 0: return {};
        case 126: return "no command is given";
        case 127: return "the command was not found";
        default: return "the shell that starts it failed with status " + std::to_string(WEXITSTATUS(status));
    }
}

}  // namespace orkan
