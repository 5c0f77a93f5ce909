#include "capture/editor_launch.h"

#include <unistd.h>

#include <vector>

#include "config/profile_file.h"
#include "config/program_settings.h"
#include "platform/process.h"

namespace orkan {

namespace {

bool NamesNotepad(const std::string& editor) {
    return EqualsIgnoreCase(editor, "notepad.exe") || EqualsIgnoreCase(editor, "notepad");
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
    const std::vector<std::string> words = SplitCommandLine(editor);
    if (words.empty()) return "no command is given";
    // Looked up in the PATH the caller's environment gives, which tests can set.
    const std::optional<std::string> search_path = environment ? environment("PATH") : std::nullopt;
    std::string program;
    if (FindProgram(words[0], search_path.value_or(""), program) != 0 || access(program.c_str(), X_OK) != 0)
        return "the command was not found";
    std::vector<std::string> args(words.begin() + 1, words.end());
    args.push_back(path);
    return SpawnDetached(program, args);
}

}  // namespace orkan
