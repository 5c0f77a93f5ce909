// From a key event to a key function code: the country tables, the keyboard map, Caps Lock and
// Num Lock, key-up keys and dead keys; and the window's key-down and key-up rules.
#include <optional>

#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr uint8_t kKeypadOffset = 160;   // keypad keys (not extended) are told apart by this
constexpr uint8_t kKeyPrintScreen = 13;  // Windows reports this key on its release only
constexpr uint8_t kRightShiftScanCode = 0x36;

bool IsLetter(uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           (c >= 0xC0 && c != 0xD7 && c != 0xF7 && c != 0xDF);
}

Modifier ModifierOf(KeyModifiers m) {
    if (m.alt) return Modifier::Alt;
    if (m.ctrl) return Modifier::Ctrl;
    if (m.shift) return Modifier::Shift;
    return Modifier::None;
}

// The virtual key after the scan code modification list and the keypad distinction.
uint8_t EffectiveVirtualKey(const Session& s, uint8_t vk, uint32_t data) {
    for (const ScanModPair& pair : s.charset.scan_mods) {
        if (pair.first == kListEnd) break;
        if (pair.first == vk) {
            vk = pair.second;
            break;
        }
    }
    const bool extended = data & key_data::Extended;
    if (!extended && !s.settings.KeyTronicsKeyboard &&
        (vk == 12 || (vk >= 33 && vk <= 40) || vk == 45 || vk == 46))
        vk = uint8_t(vk + kKeypadOffset);
    else if (extended && (vk == 13 || vk == 17 || vk == 18))
        vk = uint8_t(vk + kKeypadOffset);
    if (vk == 16 && key_data::ScanCode(data) == kRightShiftScanCode) vk = 16 + kKeypadOffset;
    return vk;
}

void DeadKeys(Session& s, uint8_t key, Modifier modifier, uint16_t& code) {
    KeyboardState& kb = *s.keyboard;
    if (CategoryOf(code) != KeyCategory::Char) {
        if (CategoryOf(code) != KeyCategory::KeyUp) kb.pending_dead_key = 0;
        return;
    }
    const uint8_t c = NumberOf(code);
    if (!kb.pending_dead_key) {
        for (const KeyEscapeRecord& r : s.charset.key_escapes) {
            if (r.key == kListEnd) break;
            if (r.key == key && r.shift_state == uint8_t(modifier) && r.dead == c) {
                kb.pending_dead_key = c;
                return;
            }
        }
        return;
    }
    // Every record of the pending dead character counts, so one may hold more than eight.
    for (const KeyEscapeRecord& r : s.charset.key_escapes) {
        if (r.key == kListEnd) break;
        if (r.dead != kb.pending_dead_key) continue;
        for (size_t i = 0; i < r.count && i < kMaxEscapeCharacters; ++i) {
            if (r.base[i] == c) {
                code = CharCode(r.composed[i], uint8_t(code & 0xFF));
                kb.pending_dead_key = 0;
                return;
            }
        }
    }
    kb.pending_dead_key = 0;
}

}  // namespace

std::optional<uint8_t> KeyNumberForEvent(const Session& session, uint8_t virtual_key, uint32_t key_data) {
    uint8_t key = session.charset.key_scan_codes[EffectiveVirtualKey(session, virtual_key, key_data)];
    if (key == kListEnd) return std::nullopt;
    if (session.keyboard->num_lock)
        if (const auto alternate = NumLockAlternate(key)) key = *alternate;
    return key;
}

uint16_t TranslateKeyEvent(Session& session, KeyEventKind kind, uint8_t virtual_key, uint32_t data,
                           KeyModifiers modifiers) {
    KeyboardState& kb = *session.keyboard;
    kb.shift_down = modifiers.shift;
    Modifier modifier = ModifierOf(modifiers);
    kb.last_modifier = modifier;
    if (kind == KeyEventKind::Down) kb.last_virtual_key = virtual_key;

    uint16_t code = kKeyNoFunction;
    const auto key = KeyNumberForEvent(session, virtual_key, data);
    // Key numbers the table does not hold do nothing.
    if (!key || *key >= kb.key_map.key_count) {
        kb.current_code = code;
        return code;
    }
    const KeyMap& map = kb.key_map;
    const uint16_t unshifted = map.Code(*key, 0);
    if (kb.caps_lock && CategoryOf(unshifted) == KeyCategory::Char && IsLetter(NumberOf(unshifted))) {
        if (modifier == Modifier::None)
            modifier = Modifier::Shift;
        else if (modifier == Modifier::Shift && session.record.Flag(field::ToggleShiftCaps))
            modifier = Modifier::None;
    }
    if (CategoryOf(unshifted) != KeyCategory::KeyUp) {
        code = map.Code(*key, size_t(modifier));
        if (kind == KeyEventKind::Down) kb.pending_key_up = kKeyNoFunction;
    } else {
        code = unshifted;
        const uint16_t on_release = map.Code(*key, 1);
        if (kind == KeyEventKind::Down || *key == kKeyPrintScreen) kb.pending_key_up = on_release;
        if (AutoRepeats(on_release) || *key == kKeyPrintScreen) {
            code = on_release;
            modifier = Modifier::None;
            if (kind == KeyEventKind::Down) kb.pending_key_up = kKeyNoFunction;
        }
    }
    if (kind == KeyEventKind::Down) DeadKeys(session, *key, modifier, code);
    kb.current_code = code;
    return code;
}

KeyEvent MouseButtonEvent(KeyEventKind kind, uint8_t button, KeyModifiers modifiers) {
    KeyEvent e;
    e.kind = kind;
    e.virtual_key = button;
    e.key_data = 1 | (kind == KeyEventKind::Up ? key_data::WasDown | key_data::Released : 0);
    e.modifiers = modifiers;
    return e;
}

void SetLockStates(Session& session, bool caps_lock, bool num_lock) {
    session.keyboard->caps_lock = caps_lock;
    session.keyboard->num_lock = num_lock;
}

void HandleKeyEvent(Session& session, const KeyEvent& event) {
    KeyboardState& kb = *session.keyboard;
    const uint8_t vk_code = event.virtual_key;
    const bool key_down = event.kind == KeyEventKind::Down;
    if (!key_down) {
        if (session.settings.IgnoreKeyUp80 && (event.key_data & key_data::Released) &&
            !(event.key_data & key_data::WasDown))
            return;
        // Print Screen's release stands for its press (Windows sends no press for it).
        if (vk_code != vk::PrintScreen) {
            const auto key = KeyNumberForEvent(session, vk_code, event.key_data);
            const uint16_t unshifted = key ? kb.key_map.Code(*key, 0) : kKeyNoFunction;
            if (vk_code == vk::CapsLock && !IsFunction(unshifted, KeyCategory::Edit, edit_fn::CapsLock))
                kb.caps_lock = false;
            if (vk_code == vk::NumLock && !IsFunction(unshifted, KeyCategory::Edit, edit_fn::NumLock))
                kb.num_lock = false;
            if (CategoryOf(unshifted) == KeyCategory::KeyUp) {
                const uint16_t pending = kb.pending_key_up;
                kb.pending_key_up = kKeyNoFunction;
                SubmitKey(session, pending, vk_code);
            }
            return;
        }
    }
    const bool repeat = key_down && (event.key_data & key_data::WasDown);
    if (key_down && vk_code == vk::Pause && session.hooks.macros && session.hooks.macros->IsMacroRunning()) {
        ExecuteKey(session, MakeKeyCode(KeyCategory::Oper, oper_fn::MacroStop, kKeyWorksWhileLocked));
        session.ui.ShowMessage(
            {"Macro Stopped", "Macro stopped by Break key", Buttons::Ok, Icon::Information});
        return;
    }
    if (key_down && !repeat) {
        if (vk_code == vk::CapsLock) kb.caps_lock = !kb.caps_lock;
        if (vk_code == vk::NumLock) kb.num_lock = !kb.num_lock;
    }
    uint16_t code = TranslateKeyEvent(session, KeyEventKind::Down, vk_code, event.key_data, event.modifiers);
    if (repeat && !AutoRepeats(code) && vk_code != vk::PrintScreen) return;
    if (session.record.Flag(field::ToggleShiftCaps) && CategoryOf(code) == KeyCategory::Char &&
        !IsFixed(code)) {
        if (!event.character) return;
        code = CharCode(event.character);
    }
    SubmitKey(session, code, vk_code);
}

}  // namespace orkan
