// Everything one session has below its window, assembled once for the desktop and the headless
// program alike: the keyboard with its type-ahead replay, the clipboard and find, the screen-history
// ring, and the one dispatch of program operations (the Oper key functions and the menu commands
// that carry no key function). The keyboard, the menus, the tool bar, the keypad and macros all
// reach the same dispatch; the parts of an operation that need a window ask the SessionFrame, and
// a program without a window answers with nothing to show or a clear message.
//
// Subsystems attach here, in the constructor, and register their hooks in `Session::hooks`:
// capture and trace, macros, transfer and printing each own a member of this class.
#pragma once

#include <cstdint>
#include <string>

#include "app/session_macros.h"
#include "capture/capture_commands.h"
#include "clipboard/clipboard.h"
#include "history/screen_history.h"
#include "options/system_variables.h"
#include "print/printing.h"
#include "record/macro_recorder.h"
#include "session/menu_commands.h"
#include "session/session_hooks.h"
#include "transfer/transfer_client.h"

namespace orkan {

class SessionRuntime;
class SessionFrame;
struct Session;

// Besides the dispatch, the core answers what settings changes need from around the session
// (SettingsHook: the window's faces, cell size and key-file-driven parts, the session file).
class SessionCore final : public OperHook, public SettingsHook {
  public:
    SessionCore(SessionRuntime& runtime, SessionFrame& frame);
    ~SessionCore() override;
    SessionCore(const SessionCore&) = delete;
    SessionCore& operator=(const SessionCore&) = delete;

    ScreenHistory& History() { return history_; }
    SessionMacros& Macros() { return macros_; }
    Printing& Print() { return printing_; }
    MacroRecorder& Recorder() { return record_; }
    TransferClient& Transfer() { return transfer_; }

    // OperHook: the keyboard's Oper functions (after its Wang and line-mode rules). True when the
    // function was carried out or refused with a message.
    bool RunOper(uint8_t number) override;
    // A menu command of menu_command; false for an id that is not one.
    bool RunMenuCommand(uint16_t id);

    // Whether the functions of a subsystem can run in this program (menus enable their items by it).
    bool TraceAvailable() const { return true; }

    // Screen save and capture, the trace and the debug files.
    CaptureSubsystem& Capture() { return capture_; }
    // --trace, /T: the trace from the session's first byte. False after a message.
    [[nodiscard]] bool StartTraceAtStartUp() { return capture_.trace().StartTraceAtStartUp(); }

    // SettingsHook.
    void FontChanged() override;
    void CellSizeChanged() override;
    void KeyMapChanged() override;
    bool SaveSession() override;

  private:
    Session& session();
    // Select Location 1 and 2: the cursor to the cell of the last mouse press; the second selects
    // from where the first put it.
    void PointAtMouse(bool selection_end);
    void SetBitmapFont(bool thick);
    void SaveSessionAs();
    void ArrangeAll(int64_t what, bool from_here);
    void SwitchSession(int step);
    void Disconnect();
    void NewSession();
    // For a function whose window part the program cannot carry out: says so, names the function.
    void NeedsWindow(uint8_t number);

    SessionRuntime& runtime_;
    SessionFrame& frame_;
    Clipboard clipboard_;
    ScreenHistory history_;
    CaptureSubsystem capture_;
    Printing printing_;
    TransferClient transfer_;
    SessionMacros macros_;
    MacroRecorder record_;  // after the macros: a recording still open at the end is saved first
};

}  // namespace orkan
