// What a macro reaches beyond its own session: other sessions, programs, sounds. The session core
// gives the runner one that reaches the real things; tests give it a recorder. Every way out asks
// the acting macro's permissions first.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"
#include "platform/process.h"
#include "session/macro_permissions.h"

namespace orkan {

class MacroEnvironment {
  public:
    virtual ~MacroEnvironment() = default;
    // The session's gate: each call below is first asked of the acting macro's permissions, and a
    // refused one does nothing (the runners attach it).
    void AttachGate(const MacroGate* gate) { gate_ = gate; }

    // RUN(name, id) for another session: 0, or macro error 66 when that session is not open (70
    // when refused).
    int RunMacroInSession(char letter, std::string_view name);
    // SESSION(id): false when there is no such session window (or it was refused).
    bool BringSessionToFront(char letter);
    // Starts a program (argv[0] searched in PATH) in `folder` without a shell and without waiting;
    // 0 or the errno of the failure (EPERM when refused).
    int Spawn(const std::vector<std::string>& argv, const std::string& folder);
    // A sound file, played without waiting; nothing where no sound is wanted (headless).
    void PlaySoundFile(const std::string& path);
    // A tone of the speaker; nothing where no sound is wanted.
    void Beep(int frequency, int duration_ms);
    // A file of the macro's own (OPEN): as fopen, null with errno EPERM when refused.
    std::FILE* OpenFile(const std::string& path, const char* mode);

  protected:
    // What each does once allowed.
    virtual int DoRunMacroInSession(char letter, std::string_view name) {
        (void)letter;
        (void)name;
        return 66;
    }
    virtual bool DoBringSessionToFront(char letter) {
        (void)letter;
        return false;
    }
    virtual int DoSpawn(const std::vector<std::string>& argv, const std::string& folder);
    virtual void DoPlaySoundFile(const std::string& path) { (void)path; }
    virtual void DoBeep(int frequency, int duration_ms) {
        (void)frequency;
        (void)duration_ms;
    }
    virtual std::FILE* DoOpenFile(const std::string& path, const char* mode) {
        return OpenUserFile(path, mode);
    }

  private:
    bool Permit(Capability c) const { return !gate_ || gate_->Permit(c); }
    const MacroGate* gate_ = nullptr;
};

// The program a shell-execute operation (OPEN, PRINT, EDIT, EXPLORE, FIND; empty is OPEN) runs on
// `file`: an executable file runs itself with `parameters`, anything else goes to xdg-open, lp or
// the user's editor. A relative `file` is in `folder`, where the program runs. Nullopt for an
// operation without a program.
std::optional<std::vector<std::string>> ShellExecuteCommand(const std::string& operation,
                                                            const std::string& file,
                                                            std::string_view parameters,
                                                            const std::string& folder);

}  // namespace orkan
