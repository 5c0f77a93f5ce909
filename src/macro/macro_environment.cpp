#include "macro/macro_environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "config/data_file.h"
#include "platform/process.h"
#include "scripting/macro_errors.h"

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
    ProcessOptions options;
    options.argv = argv;
    options.folder = folder;
    // Our standard input and output may be the automation's channel (--api, --dump): the program
    // reads nothing from it and writes its output where our messages go. Nobody waits for it.
    options.input = ProcessOptions::Input::Null;
    options.output = ProcessOptions::Output::ToStderr;
    options.detached = true;
    return StartProcess(options).error;
}

std::optional<std::vector<std::string>> ShellExecuteCommand(const std::string& operation,
                                                            const std::string& file,
                                                            std::string_view parameters,
                                                            const std::string& folder) {
    if (operation.empty() || operation == "OPEN") {
        // The file tested is the file run, by its full path: a bare name is never looked up on PATH,
        // and the program starts in `folder`, where a relative path would mean another file.
        std::error_code failed;
        const std::string program =
            std::filesystem::absolute(DataFilePath(file, folder, ""), failed).string();
        struct stat st {};
        if (::stat(program.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
            ::access(program.c_str(), X_OK) == 0) {
            std::vector<std::string> argv = {program};
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
