#include "keyboard/linux_keymap.h"

#include <array>

namespace orkan {
namespace {

struct PcKey {
    uint16_t evdev;       // linux/input-event-codes.h
    uint8_t vk;           // US Windows virtual key
    uint8_t scan;         // set-1 make code
    bool extended;        // E0-prefixed
    uint8_t num_lock_vk;  // keypad keys: the virtual key with Num Lock on (and Shift up), else 0
};

// clang-format off
constexpr std::array<PcKey, 132> kPcKeys = {{
    {1, 0x1B, 0x01, false, 0},     // Esc
    {2, 0x31, 0x02, false, 0}, {3, 0x32, 0x03, false, 0}, {4, 0x33, 0x04, false, 0},
    {5, 0x34, 0x05, false, 0}, {6, 0x35, 0x06, false, 0}, {7, 0x36, 0x07, false, 0},
    {8, 0x37, 0x08, false, 0}, {9, 0x38, 0x09, false, 0}, {10, 0x39, 0x0A, false, 0},
    {11, 0x30, 0x0B, false, 0},    // 1..0
    {12, 0xBD, 0x0C, false, 0},    // -
    {13, 0xBB, 0x0D, false, 0},    // =
    {14, 0x08, 0x0E, false, 0},    // Backspace
    {15, 0x09, 0x0F, false, 0},    // Tab
    {16, 0x51, 0x10, false, 0}, {17, 0x57, 0x11, false, 0}, {18, 0x45, 0x12, false, 0},
    {19, 0x52, 0x13, false, 0}, {20, 0x54, 0x14, false, 0}, {21, 0x59, 0x15, false, 0},
    {22, 0x55, 0x16, false, 0}, {23, 0x49, 0x17, false, 0}, {24, 0x4F, 0x18, false, 0},
    {25, 0x50, 0x19, false, 0},    // Q..P
    {26, 0xDB, 0x1A, false, 0},    // [
    {27, 0xDD, 0x1B, false, 0},    // ]
    {28, 0x0D, 0x1C, false, 0},    // Enter
    {29, 0x11, 0x1D, false, 0},    // Left Ctrl
    {30, 0x41, 0x1E, false, 0}, {31, 0x53, 0x1F, false, 0}, {32, 0x44, 0x20, false, 0},
    {33, 0x46, 0x21, false, 0}, {34, 0x47, 0x22, false, 0}, {35, 0x48, 0x23, false, 0},
    {36, 0x4A, 0x24, false, 0}, {37, 0x4B, 0x25, false, 0}, {38, 0x4C, 0x26, false, 0},  // A..L
    {39, 0xBA, 0x27, false, 0},    // ;
    {40, 0xDE, 0x28, false, 0},    // '
    {41, 0xC0, 0x29, false, 0},    // `
    {42, 0x10, 0x2A, false, 0},    // Left Shift
    {43, 0xDC, 0x2B, false, 0},    // backslash (the key left of Enter on ISO boards)
    {44, 0x5A, 0x2C, false, 0}, {45, 0x58, 0x2D, false, 0}, {46, 0x43, 0x2E, false, 0},
    {47, 0x56, 0x2F, false, 0}, {48, 0x42, 0x30, false, 0}, {49, 0x4E, 0x31, false, 0},
    {50, 0x4D, 0x32, false, 0},    // Z..M
    {51, 0xBC, 0x33, false, 0},    // ,
    {52, 0xBE, 0x34, false, 0},    // .
    {53, 0xBF, 0x35, false, 0},    // /
    {54, 0x10, 0x36, false, 0},    // Right Shift
    {55, 0x6A, 0x37, false, 0},    // Keypad *
    {56, 0x12, 0x38, false, 0},    // Left Alt
    {57, 0x20, 0x39, false, 0},    // Space
    {58, 0x14, 0x3A, false, 0},    // Caps Lock
    {59, 0x70, 0x3B, false, 0}, {60, 0x71, 0x3C, false, 0}, {61, 0x72, 0x3D, false, 0},
    {62, 0x73, 0x3E, false, 0}, {63, 0x74, 0x3F, false, 0}, {64, 0x75, 0x40, false, 0},
    {65, 0x76, 0x41, false, 0}, {66, 0x77, 0x42, false, 0}, {67, 0x78, 0x43, false, 0},
    {68, 0x79, 0x44, false, 0},    // F1..F10
    {69, 0x90, 0x45, true, 0},     // Num Lock
    {70, 0x91, 0x46, false, 0},    // Scroll Lock
    {71, 0x24, 0x47, false, 0x67}, // Keypad 7 / Home
    {72, 0x26, 0x48, false, 0x68}, // Keypad 8 / Up
    {73, 0x21, 0x49, false, 0x69}, // Keypad 9 / Page Up
    {74, 0x6D, 0x4A, false, 0},    // Keypad -
    {75, 0x25, 0x4B, false, 0x64}, // Keypad 4 / Left
    {76, 0x0C, 0x4C, false, 0x65}, // Keypad 5 / Clear
    {77, 0x27, 0x4D, false, 0x66}, // Keypad 6 / Right
    {78, 0x6B, 0x4E, false, 0},    // Keypad +
    {79, 0x23, 0x4F, false, 0x61}, // Keypad 1 / End
    {80, 0x28, 0x50, false, 0x62}, // Keypad 2 / Down
    {81, 0x22, 0x51, false, 0x63}, // Keypad 3 / Page Down
    {82, 0x2D, 0x52, false, 0x60}, // Keypad 0 / Insert
    {83, 0x2E, 0x53, false, 0x6E}, // Keypad . / Delete
    {86, 0xE2, 0x56, false, 0},    // the 102nd key (ISO, left of Z)
    {87, 0x7A, 0x57, false, 0},    // F11
    {88, 0x7B, 0x58, false, 0},    // F12
    {96, 0x0D, 0x1C, true, 0},     // Keypad Enter
    {97, 0x11, 0x1D, true, 0},     // Right Ctrl
    {98, 0x6F, 0x35, true, 0},     // Keypad /
    {99, 0x2C, 0x37, true, 0},     // Print Screen
    {100, 0x12, 0x38, true, 0},    // Right Alt (AltGr)
    {102, 0x24, 0x47, true, 0},    // Home
    {103, 0x26, 0x48, true, 0},    // Up
    {104, 0x21, 0x49, true, 0},    // Page Up
    {105, 0x25, 0x4B, true, 0},    // Left
    {106, 0x27, 0x4D, true, 0},    // Right
    {107, 0x23, 0x4F, true, 0},    // End
    {108, 0x28, 0x50, true, 0},    // Down
    {109, 0x22, 0x51, true, 0},    // Page Down
    {110, 0x2D, 0x52, true, 0},    // Insert
    {111, 0x2E, 0x53, true, 0},    // Delete
    {114, 0xAE, 0x2E, true, 0},    // Volume Down
    {115, 0xAF, 0x30, true, 0},    // Volume Up
    {117, 0x92, 0x59, false, 0},   // Keypad =
    {119, 0x13, 0x45, false, 0},   // Pause (Ctrl+Pause is Break, below)
    {121, 0x6C, 0x7E, false, 0},   // Keypad , (Brazilian keypads)
    {125, 0x5B, 0x5B, true, 0},    // Left Windows
    {126, 0x5C, 0x5C, true, 0},    // Right Windows
    {127, 0x5D, 0x5D, true, 0},    // Menu
    {128, 0xA9, 0x68, true, 0},    // Browser Stop
    {140, 0xB7, 0x21, true, 0},    // Calculator (Launch App 2)
    {155, 0xB4, 0x6C, true, 0},    // Mail
    {156, 0xAB, 0x66, true, 0},    // Browser Favorites
    {157, 0xB6, 0x6B, true, 0},    // Computer (Launch App 1)
    {158, 0xA6, 0x6A, true, 0},    // Browser Back
    {159, 0xA7, 0x69, true, 0},    // Browser Forward
    {164, 0xB3, 0x22, true, 0},    // Play/Pause
    {171, 0xB5, 0x6D, true, 0},    // Media Select
    {173, 0xA8, 0x67, true, 0},    // Browser Refresh
    {183, 0x7C, 0x64, false, 0}, {184, 0x7D, 0x65, false, 0}, {185, 0x7E, 0x66, false, 0},
    {186, 0x7F, 0x67, false, 0}, {187, 0x80, 0x68, false, 0}, {188, 0x81, 0x69, false, 0},
    {189, 0x82, 0x6A, false, 0}, {190, 0x83, 0x6B, false, 0}, {191, 0x84, 0x6C, false, 0},
    {192, 0x85, 0x6D, false, 0}, {193, 0x86, 0x6E, false, 0}, {194, 0x87, 0x76, false, 0},  // F13..F24
    {217, 0xAA, 0x65, true, 0},    // Browser Search
}};
// clang-format on
// Mute, Next, Previous, Stop and Browser Home are left out: their virtual keys are the ones the
// keypad distinction gives Keypad 5, Keypad Enter and the right-hand Shift, Ctrl and Alt.

constexpr uint16_t kEvdevPause = 119;
constexpr uint16_t kEvdevPrintScreen = 99;
constexpr uint8_t kVkCancel = 0x03;  // Ctrl+Pause, Break
constexpr uint8_t kBreakScanCode = 0x46;

// Key symbols of PC keys, for keycodes that are none: symbol -> evdev code.
struct SymbolKey {
    uint32_t keysym;
    uint16_t evdev;
};
constexpr std::array<SymbolKey, 44> kSymbolKeys = {{
    {0xFF08, 14},  {0xFF09, 15},  {0xFE20, 15},  {0xFF0D, 28},  {0xFF13, 119}, {0xFF14, 70},  {0xFF15, 99},
    {0xFF1B, 1},   {0xFFFF, 111}, {0xFF50, 102}, {0xFF51, 105}, {0xFF52, 103}, {0xFF53, 106}, {0xFF54, 108},
    {0xFF55, 104}, {0xFF56, 109}, {0xFF57, 107}, {0xFF61, 99},  {0xFF63, 110}, {0xFF67, 127}, {0xFF6B, 119},
    {0xFF7F, 69},  {0xFF8D, 96},  {0xFFBE, 59},  {0xFFBF, 60},  {0xFFC0, 61},  {0xFFC1, 62},  {0xFFC2, 63},
    {0xFFC3, 64},  {0xFFC4, 65},  {0xFFC5, 66},  {0xFFC6, 67},  {0xFFC7, 68},  {0xFFC8, 87},  {0xFFC9, 88},
    {0xFFE1, 42},  {0xFFE2, 54},  {0xFFE3, 29},  {0xFFE4, 97},  {0xFFE5, 58},  {0xFFE9, 56},  {0xFFEA, 100},
    {0xFFEB, 125}, {0xFFEC, 126},
}};

// Letters, digits and blank, by the US layout's keys.
constexpr std::array<uint16_t, 26> kLetterKeys = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                                  49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};
constexpr std::array<uint16_t, 10> kDigitKeys = {11, 2, 3, 4, 5, 6, 7, 8, 9, 10};

const PcKey* FindEvdev(uint32_t evdev) {
    for (const PcKey& k : kPcKeys)
        if (k.evdev == evdev) return &k;
    return nullptr;
}

std::optional<uint16_t> EvdevForSymbol(uint32_t keysym) {
    for (const SymbolKey& s : kSymbolKeys)
        if (s.keysym == keysym) return s.evdev;
    if (keysym >= 'a' && keysym <= 'z') return kLetterKeys[keysym - 'a'];
    if (keysym >= 'A' && keysym <= 'Z') return kLetterKeys[keysym - 'A'];
    if (keysym >= '0' && keysym <= '9') return kDigitKeys[keysym - '0'];
    if (keysym == ' ') return 57;
    return std::nullopt;
}

}  // namespace

DesktopModifiers ModifiersFromX11State(uint32_t state) {
    return {(state & 0x01) != 0, (state & 0x04) != 0, (state & 0x08) != 0, (state & 0x80) != 0};
}

std::optional<KeyEvent> MapDesktopKey(const DesktopKeyEvent& event, bool num_lock) {
    // X11 repeats a held key as release-press pairs; Windows sends only the presses.
    if (!event.press && event.auto_repeat) return std::nullopt;
    const PcKey* key =
        event.keycode >= kX11KeycodeOffset ? FindEvdev(event.keycode - kX11KeycodeOffset) : nullptr;
    if (!key)
        if (const auto evdev = EvdevForSymbol(event.keysym)) key = FindEvdev(*evdev);
    if (!key) return std::nullopt;
    // Windows has no press for Print Screen and the keyboard runs its release instead: one of the
    // two goes on, as a press.
    if (key->evdev == kEvdevPrintScreen && !event.press) return std::nullopt;

    KeyEvent out;
    out.kind = event.press ? KeyEventKind::Down : KeyEventKind::Up;
    out.modifiers = {event.modifiers.shift, event.modifiers.ctrl || event.modifiers.altgr,
                     event.modifiers.alt || event.modifiers.altgr};
    uint8_t vk = key->vk;
    uint8_t scan = key->scan;
    bool extended = key->extended;
    if (key->num_lock_vk && num_lock && !event.modifiers.shift) vk = key->num_lock_vk;
    if (key->evdev == kEvdevPause && out.modifiers.ctrl) {
        vk = kVkCancel;
        scan = kBreakScanCode;
        extended = true;
    }
    uint32_t data = 1 | uint32_t(scan) << 16;
    if (extended) data |= key_data::Extended;
    if (out.modifiers.alt) data |= key_data::AltDown;
    if (!event.press) data |= key_data::WasDown | key_data::Released;
    if (event.press && event.auto_repeat) data |= key_data::WasDown;
    out.virtual_key = vk;
    out.key_data = data;
    return out;
}

}  // namespace orkan
