#include "capture/editor_launch.h"

#include <unistd.h>

#include <sstream>
#include <vector>

#include "config/profile_file.h"
#include "config/program_settings.h"
#include "platform/process_spawn.h"

namespace orkan {

namespace {

bool NamesNotepad(const std::string& editor) {
    return EqualsIgnoreCase(editor, "notepad.exe") || EqualsIgnoreCase(editor, "notepad");
}

// `command` as the shell would find it: itself when it names a path, else the first executable of
// that name in $PATH.
std::string FindProgram(const std::string& command, const Environment& environment) {
    if (command.find('/') != std::string::npos)
        return access(command.c_str(), X_OK) == 0 ? command : std::string();
    const std::optional<std::string> path = environment ? environment("PATH") : std::nullopt;
    std::stringstream dirs(path ? *path : std::string("/usr/local/bin:/usr/bin:/bin"));
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = (dir.empty() ? std::string(".") : dir) + "/" + command;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return {};
}

}  // namespace

std::string EditorCommand(const ProgramSettings& settings, const Environment& environment) {
    if (!settings.Notepad.empty() && !NamesNotepad(settings.Notepad)) return settings.Notepad;
    for (const char* name : {"VISUAL", "EDITOR"}) {
        const std::optional<std::string> value = environment ? environment(name) : std::nullopt;
        if (value && !value->empty()) return *value;
    }
    return "xdg-open";
}

std::string LaunchEditor(const std::string& editor, const std::string& path, const Environment& environment) {
    std::vector<std::string> words;
    std::istringstream split(editor);
    for (std::string word; split >> word;) words.push_back(word);
    if (words.empty()) return "no command is given";
    const std::string program = FindProgram(words[0], environment);
    if (program.empty()) return "the command was not found";
    std::vector<std::string> args(words.begin() + 1, words.end());
    args.push_back(path);
    return SpawnDetached(program, args);
}

}  // namespace orkan
