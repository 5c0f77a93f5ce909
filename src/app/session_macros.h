// The macro language in a session of either program: the session's one MacroRunner, what its
// macros reach beyond the session (other sessions through the peers, programs, sounds through the
// frame, the facts of the connection), the start-up macros of the command line and of the session,
// and the key functions that control macros. The session core owns it and dispatches to it.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/macro_dispatcher.h"
#include "macro/macro_environment.h"
#include "macro/macro_runner.h"
#include "options/system_variables.h"
#include "rexx/rexx_macros.h"

namespace orkan {

class SessionRuntime;
class SessionFrame;

class SessionMacros final : private MacroEnvironment, private SessionFacts {
  public:
    SessionMacros(SessionRuntime& runtime, SessionFrame& frame);
    ~SessionMacros() override;
    SessionMacros(const SessionMacros&) = delete;
    SessionMacros& operator=(const SessionMacros&) = delete;

    MacroRunner& Runner() { return runner_; }
    RexxMacros& Rexx() { return rexx_; }
    // In front of both: which runner a macro file goes to is decided by its first line.
    MacroDispatcher& Dispatcher() { return dispatcher_; }

    // Start-up. The event macro files found in the macros folder enable their events.
    void SetEventMacroFiles(const std::array<std::string, 4>& paths) {
        dispatcher_.SetEventMacroFiles(paths);
    }
    // --macro, /M: runs once the host has answered (AfterFirstHostData), or at once when no host
    // will answer (StartWithoutHost).
    void SetStartupMacro(std::string name);
    // --run, /R: starts now.
    void RunStartupText(const std::string& text);
    // Whether the command line gave a start-up macro, and whether one of them is running now.
    bool HasStartupMacro() const { return !startup_file_.empty() || startup_text_given_; }
    bool StartupMacroRunning() const { return startup_running_ > 0; }
    // The delayed start-up work after the first host data: the command line's macro (once), then
    // the session's connect macro (not after a reconnect when NoMacroOnReconnect says so).
    void AfterFirstHostData(bool reconnect);
    // The session will not connect: the command line's macro runs without a host.
    void StartWithoutHost();

    // Key functions and the "Edit a Macro" menu command.
    void Play();  // resumes a paused macro, else asks for a file ("Play a Macro")
    void Stop() { dispatcher_.Stop(); }
    void TogglePause() { dispatcher_.TogglePause(); }
    void OpenDebugWindow();
    void RunConnectMacro();  // the session option STARTUPMACRO, unless it is "(none)"
    void EditMacro();

  private:
    // MacroEnvironment.
    int DoRunMacroInSession(char letter, std::string_view name) override;
    bool DoBringSessionToFront(char letter) override;
    void DoPlaySoundFile(const std::string& path) override;
    void DoBeep(int frequency, int duration_ms) override;

    // SessionFacts.
    std::string HostAddress() const override;
    std::string LocalAddress() const override;
    int Socket() const override;
    size_t LastRecordLength() const override;
    std::string SessionLetters() const override;
    std::string PrintStatus() const override;

    void StartStartupFile();
    // Counts a start-up macro as running until its chain ends, then tells the frame when nothing
    // of the start-up is left (or at once when it failed or was stopped).
    MacroDone StartupDone();
    // A file a dialog would ask for, in a program that has none: says how to give it instead.
    void NeedsFileName(std::string_view what, std::string_view instead);

    SessionRuntime& runtime_;
    SessionFrame& frame_;
    MacroRunner runner_;
    RexxMacros rexx_;
    MacroDispatcher dispatcher_;
    std::string startup_file_;
    bool startup_file_started_ = false;
    bool startup_text_given_ = false;
    int startup_running_ = 0;
};

}  // namespace orkan
