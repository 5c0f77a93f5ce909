// The session without a window: the poll loop runs it; message boxes go to stderr with the safest
// answer; with --dump every screen that unlocks the keyboard is printed on stdout at once.
//
// With a start-up macro (--macro, --run) the program ends when that macro ends. Without a host the
// macro runs in a session that never connects; a host that closes the connection while it runs
// leaves the end to the macro. Nothing waits longer than it must: --macro starts as soon as the
// first screen has unlocked the keyboard, and a session that runs alone saves at once at its end.
//
// Exit status: 0 closed on request (SIGINT, SIGTERM, SIGHUP, close from another session);
// 3 the connection ended (closed by the host, refused, failed, timed out) and nothing reconnects it;
// 8 start-up failed (command line, folders, key.lst, session file, no free session slot).
// A start-up macro's end: its EXIT code modulo 256 (0 without EXIT); 2 after a macro error (the
// report is on stderr) or a macro file that could not be loaded; 4 when it was stopped before its
// end (the stop key function, an EDITBOX answered with Cancel).
#pragma once

#include <cstdio>
#include <functional>
#include <string>

#include "app/command_line.h"
#include "interfaces/ui.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

inline constexpr int kExitClosed = 0;
inline constexpr int kExitMacroError = 2;
inline constexpr int kExitConnectionEnded = 3;
inline constexpr int kExitMacroStopped = 4;

struct MacroOutcome;
// The exit status for a start-up macro's end.
int ExitStatusOf(const MacroOutcome& outcome);

// "title: text" on stderr (display bytes as terminal-safe UTF-8, stderr_text.h); questions get
// their safest answer, which is printed after them.
class StderrUi final : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override;
    // The macro debug window's lines ("Debug: text").
    void AddDebugLine(std::string_view display_text) override;
    const std::string& LastText() const { return last_text_; }

  private:
    std::string last_text_;
};

// Prints the screen on `out` whenever the keyboard is unlocked: a line "--- screen N ---", then the
// rows without their trailing blanks, flushed at once.
class DumpView final : public View {
  public:
    // `on_failure` runs once when the output went away (a closed pipe).
    DumpView(const Session& session, std::FILE* out, std::function<void()> on_failure)
        : session_(session), out_(out), on_failure_(std::move(on_failure)) {}
    void KeyboardUnlocked() override;

  private:
    const Session& session_;
    std::FILE* out_;
    std::function<void()> on_failure_;
    int screens_ = 0;
    bool failed_ = false;
};

// The screen as the dump prints it (without the header line).
std::string ScreenDumpText(const Session& session);

// Runs the parsed command line's session until it ends; returns the exit status. SIGINT, SIGTERM
// and SIGHUP must be blocked in the calling thread (and so in every thread it starts).
int RunHeadless(const CommandLine& cl, StderrUi& ui);

}  // namespace orkan
