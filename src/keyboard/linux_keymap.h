// Linux desktop key events as the Windows key events the keyboard translates.
//
// A key is mapped by its physical position (the X11/xkb keycode, evdev code + 8, which Qt gives
// as nativeScanCode) to the virtual key and key data word a US Windows layout gives for it, so
// the country tables of country.lst are the only national layer. The key data word carries the
// set-1 scan code, the extended-key bit and bits 29-31 as Windows sets them. AltGr arrives as Ctrl
// and Alt together; auto-repeat releases are dropped; Print Screen gives one key-down. Keycodes
// of no PC key (a remapped keycode that a tool like xdotool made up) fall back to the key symbol
// (Qt's nativeVirtualKey) where it names a key of the PC keyboard.
#pragma once

#include <cstdint>
#include <optional>

#include "keyboard/keyboard.h"

namespace orkan {

struct DesktopModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool altgr = false;  // ISO Level 3 shift
};

// The X11 modifier state (Qt's nativeModifiers on X11): Shift 0x01, Control 0x04, Mod1 (Alt) 0x08,
// Mod5 (ISO Level 3, AltGr) 0x80.
DesktopModifiers ModifiersFromX11State(uint32_t state);

struct DesktopKeyEvent {
    bool press = true;
    uint32_t keycode = 0;  // X11/xkb keycode: evdev code + 8
    uint32_t keysym = 0;   // X11 key symbol
    DesktopModifiers modifiers;
    bool auto_repeat = false;
};

inline constexpr uint32_t kX11KeycodeOffset = 8;
inline constexpr uint32_t kX11RightAltKeycode = 100 + kX11KeycodeOffset;  // evdev KEY_RIGHTALT

// The Windows-style event, or nothing for an event to drop (an auto-repeat release, Print Screen's
// release) or a key the PC keyboard does not have. `num_lock` chooses the keypad's digit keys.
std::optional<KeyEvent> MapDesktopKey(const DesktopKeyEvent& event, bool num_lock);

}  // namespace orkan
