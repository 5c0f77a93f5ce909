// The session's one MacroHook in front of both languages: a macro file whose first line is a
// comment naming REXX goes to the REXX tasks, every other one to the own language's runner. Stop
// and pause act on both; the status line shows one letter for both.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "macro/macro_runner.h"
#include "rexx/rexx_macros.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

class MacroDispatcher final : public MacroHook {
  public:
    MacroDispatcher(Session& session, MacroRunner& own, RexxMacros& rexx);
    ~MacroDispatcher() override;
    MacroDispatcher(const MacroDispatcher&) = delete;
    MacroDispatcher& operator=(const MacroDispatcher&) = delete;

    void SetEventMacroFiles(const std::array<std::string, 4>& paths);

    // A macro file (macros folder, "mac" added) or text, to the runner its first line names.
    bool StartFile(std::string_view name, MacroOrigin origin = MacroOrigin::User, MacroDone done = {});
    bool StartText(std::string_view text, MacroOrigin origin = MacroOrigin::User, MacroDone done = {});
    // Whether a file (found as StartFile finds it) is a REXX macro.
    bool IsRexxFile(std::string_view name) const;

    void Stop();
    void TogglePause();
    bool Paused() const;

    // MacroHook.
    bool IsMacroRunning() const override { return own_.IsMacroRunning() || rexx_.Active(); }
    bool DropsKeys() const override { return own_.DropsKeys(); }
    std::string RunningMacroName() const override;
    void ReleaseUnlockWaits() override;
    void AfterHostRecord() override;
    bool EventEnabled(EventMacro which) const override { return own_.EventEnabled(which); }
    void StartEventMacro(EventMacro which, const std::string& argument) override;
    void StartMacroFile(const std::string& path) override { (void)StartFile(path); }
    void RunMacroText(const std::string& text) override { (void)StartText(text); }
    void StartHostMacroFile(const std::string& path) override { (void)StartFile(path, MacroOrigin::Host); }

  private:
    RexxOrigin RexxOriginOf(MacroOrigin origin) const;
    void ShowLetter();

    Session& s_;
    MacroRunner& own_;
    RexxMacros& rexx_;
    std::array<std::string, 4> event_files_;
};

}  // namespace orkan
