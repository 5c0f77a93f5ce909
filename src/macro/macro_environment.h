// What a macro reaches beyond its own session: other sessions, programs, sounds. The session core
// gives the runner one that reaches the real things; tests give it a recorder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

class MacroEnvironment {
public:
    virtual ~MacroEnvironment() = default;
    // RUN(name, id) for another session: 0, or macro error 66 when that session is not open.
    virtual int RunMacroInSession(char letter, std::string_view name) {
        (void)letter;
        (void)name;
        return 66;
    }
    // SESSION(id): false when there is no such session window.
    virtual bool BringSessionToFront(char letter) {
        (void)letter;
        return false;
    }
    // Starts a program (argv[0] searched in PATH) in `folder` without a shell and without waiting;
    // 0 or the errno of the failure.
    virtual int Spawn(const std::vector<std::string>& argv, const std::string& folder);
    // A sound file, played without waiting; nothing where no sound is wanted (headless).
    virtual void PlaySoundFile(const std::string& path) { (void)path; }
    // A tone of the speaker; nothing where no sound is wanted.
    virtual void Beep(int frequency, int duration_ms) {
        (void)frequency;
        (void)duration_ms;
    }
};

// A command line split into words: blanks separate, double quotes group (as WinExec read them),
// no shell meaning for any character.
std::vector<std::string> SplitCommandLine(std::string_view command);

// The program a shell-execute operation (OPEN, PRINT, EDIT, EXPLORE, FIND; empty is OPEN) runs on
// `file`: an executable file runs itself with `parameters`, anything else goes to xdg-open, lp or
// the user's editor. Nullopt for an operation without a program.
std::optional<std::vector<std::string>> ShellExecuteCommand(const std::string& operation, const std::string& file,
                                                            std::string_view parameters);

}  // namespace orkan
