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

#include "capture/screen_history.h"
#include "session/session_hooks.h"

namespace orkan {

class SessionRuntime;
class SessionFrame;
struct Session;

// Menu commands without a key function.
namespace menu_command {
inline constexpr uint16_t Trace = 3001;
inline constexpr uint16_t DumpBuffers = 3002;
inline constexpr uint16_t SaveDebugScreen = 3003;
inline constexpr uint16_t LoadDebugScreen = 3004;
inline constexpr uint16_t About = 3005;
inline constexpr uint16_t Listing = 3009;
inline constexpr uint16_t EditMacro = 3011;
}  // namespace menu_command

class SessionCore final : public OperHook {
public:
    SessionCore(SessionRuntime& runtime, SessionFrame& frame);
    ~SessionCore() override;
    SessionCore(const SessionCore&) = delete;
    SessionCore& operator=(const SessionCore&) = delete;

    ScreenHistory& History() { return history_; }

    // OperHook: the keyboard's Oper functions (after its Wang and line-mode rules). True when the
    // function was carried out or refused with a message.
    bool RunOper(uint8_t number) override;
    // A menu command of menu_command; false for an id that is not one.
    bool RunMenuCommand(uint16_t id);

    // Whether the functions of a subsystem can run in this program (menus enable their items by it).
    bool TraceAvailable() const { return false; }

private:
    Session& session();
    void CursorToMouse();
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
    ScreenHistory history_;
};

}  // namespace orkan
