// The keyboard of a session: key events in, key function codes run.
//
// A key event (Windows virtual key and key data word, see linux_keymap.h for where they come
// from on Linux) becomes a key function code through the country tables and the keyboard map
// (TranslateKeyEvent); admission runs it, queues it for type-ahead or rejects it while the
// keyboard is locked (SubmitKey); ExecuteKey runs one function by its category. The toolbar,
// keypad, menus and macros call ExecuteKey directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_list.h"
#include "keyboard/keyboard_state.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

// The keyboard of one session: owns its state and is, from construction to destruction, the
// session's keyboard (session.keyboard) and its type-ahead hook (the replay after an unlock).
// Every session that takes keys has one; the clipboard's Edit keys reach it only while a
// Clipboard is attached too.
class Keyboard final : public TypeAheadHook {
  public:
    explicit Keyboard(Session& session);
    ~Keyboard() override;
    Keyboard(const Keyboard&) = delete;
    Keyboard& operator=(const Keyboard&) = delete;

    void ReplayTypeAhead() override;

  private:
    Session& session_;
    KeyboardState state_;
};

enum class KeyEventKind : uint8_t { Down, Up };

struct KeyModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;  // AltGr arrives as Ctrl and Alt together
};

// Key data word bits as Windows sets them.
namespace key_data {
inline constexpr uint32_t Extended = 1u << 24;
inline constexpr uint32_t AltDown = 1u << 29;
inline constexpr uint32_t WasDown = 1u << 30;   // repeat (key-down) or any key-up
inline constexpr uint32_t Released = 1u << 31;  // key-up
constexpr uint8_t ScanCode(uint32_t data) {
    return uint8_t(data >> 16);
}
}  // namespace key_data

// Windows virtual keys the keyboard treats specially.
namespace vk {
inline constexpr uint8_t LeftButton = 0x01, RightButton = 0x02, MiddleButton = 0x04;
inline constexpr uint8_t BackButton = 0x05, ForwardButton = 0x06;
inline constexpr uint8_t Pause = 0x13;  // Break while a macro runs
inline constexpr uint8_t CapsLock = 0x14;
inline constexpr uint8_t PrintScreen = 0x2C;
inline constexpr uint8_t NumLock = 0x90;
}  // namespace vk

struct KeyEvent {
    KeyEventKind kind = KeyEventKind::Down;
    uint8_t virtual_key = 0;
    uint32_t key_data = 0;
    KeyModifiers modifiers;
    // The character the desktop's own layout gives for the key (Windows-1252, 0 for none). Used
    // only with "TOGGLESHIFT/CAPS", where the desktop's character replaces the map's.
    uint8_t character = 0;
};

// A mouse button as a key: virtual keys 1 (left), 2 (right), 4 (middle), 5 and 6 (side buttons).
KeyEvent MouseButtonEvent(KeyEventKind kind, uint8_t button, KeyModifiers modifiers);

// The window's key-down and key-up rules: Break, repeats, key-up keys, the lock toggles.
void HandleKeyEvent(Session& session, const KeyEvent& event);

// A mouse button over the terminal, pressed on `cell` (none for a release): the key of the
// keyboard map runs as HandleKeyEvent runs it, knowing where the mouse pressed (Select Location
// puts the cursor there, the recorder writes the position).
void HandleMouseButton(Session& session, const KeyEvent& event, std::optional<ScreenCell> cell);

// The mouse finished a selection (the button went up): the recorder writes it.
void MouseSelectionMade(Session& session);

// The key function code of a key event; sets the session's current code and pending key-up
// function and handles dead keys (key-down only).
uint16_t TranslateKeyEvent(Session& session, KeyEventKind kind, uint8_t virtual_key, uint32_t key_data,
                           KeyModifiers modifiers);

// The key number a key event reaches through the country tables (with the Num Lock alternate),
// nothing for a key without one. Key editors use it to show which key was pressed.
std::optional<uint8_t> KeyNumberForEvent(const Session& session, uint8_t virtual_key, uint32_t key_data);

// Admission of a keyboard-originated code (lock rules, type-ahead), then ExecuteKey.
// `virtual_key` is the key's, for the running-macro question; 0 for none. While a macro executes
// statements, keys other than its stop and pause keys are dropped.
void SubmitKey(Session& session, uint16_t code, uint8_t virtual_key = 0);

// Runs one function. `internal` is true for the keyboard, toolbar, keypad, menus and type-ahead;
// false for macros, whose Action and Edit keys are queued (or dropped) while the keyboard is locked.
// A function the acting macro may not use (PermitKeyFunction) does nothing.
void ExecuteKey(Session& session, uint16_t code, bool internal = true);
// A tool bar or keypad button's function, as ExecuteKey runs it; a Macro code names an entry of that
// file's own macro name list.
void ExecuteButtonKey(Session& session, KeyFileKind kind, uint16_t code);

// Whether the acting macro may run `code`: Action, Edit and Char functions are keys, Oper functions
// program operations, macro keys macro starts. A refusal is noted for the macro.
[[nodiscard]] bool PermitKeyFunction(const Session& session, uint16_t code);

// Runs queued keys until the queue is empty or an Action key has run.
void ReplayTypeAhead(Session& session);

// Mouse wheel deltas in 1/120 steps (positive: away from the user); every whole step runs the
// "WheelUp" or "WheelDown" statement, no faster than "WheelDelay" allows.
void HandleWheel(Session& session, int delta);

// A "WheelUp"/"WheelDown" statement, run as macro text by the session's macro runner. While a
// macro runs it is dropped: turns of the wheel must not pile up.
void RunKeyStatement(Session& session, std::string_view statement);

// The Caps Lock and Num Lock state of the desktop, for a window that gains the focus.
void SetLockStates(Session& session, bool caps_lock, bool num_lock);

// The key that runs `code` in the keyboard map, as "Ctrl+F1", for menu accelerators; empty when
// no key does. Flags are ignored.
std::string KeyBindingText(const Session& session, uint16_t code);

}  // namespace orkan
