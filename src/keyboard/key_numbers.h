// Key numbers: the rows of the keyboard map. Every key of a full PC keyboard (and the mouse
// buttons) has one, counted row by row over the keyboard as a 101-key board lays them out, so
// that the numeric keypad's 7/8/9, 4/5/6, 1/2/3 and 0/. keys are 54-56, 71-73, 87-89 and 99-100
// and their Num Lock alternates 105-115. Key files of the older format hold keys 0-118.
//
// This table is also the source of the base KEYSCANCODES listing of data/country.lst:
// tools/gen_country_lst.py reads the rows below (keep one row per line in this form).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orkan {

inline constexpr size_t kMaxKeys = 150;  // key files "V1.28"
inline constexpr size_t kOldKeys = 119;  // older key files

struct KeyPosition {
    uint8_t number;
    std::string_view name;
    uint8_t virtual_key;        // the Windows virtual key (US layout) that reaches this key
    uint8_t other_virtual_key;  // a second one (keypad with Num Lock off, Ctrl+Pause), 0 for none
};

// clang-format off
inline constexpr std::array<KeyPosition, 148> kKeyPositions = {{
    {0, "Esc", 0x1B, 0},
    {1, "F1", 0x70, 0},
    {2, "F2", 0x71, 0},
    {3, "F3", 0x72, 0},
    {4, "F4", 0x73, 0},
    {5, "F5", 0x74, 0},
    {6, "F6", 0x75, 0},
    {7, "F7", 0x76, 0},
    {8, "F8", 0x77, 0},
    {9, "F9", 0x78, 0},
    {10, "F10", 0x79, 0},
    {11, "F11", 0x7A, 0},
    {12, "F12", 0x7B, 0},
    {13, "PrintScreen", 0x2C, 0},
    {14, "ScrollLock", 0x91, 0},
    {15, "Pause", 0x13, 0x03},
    {16, "Grave", 0xC0, 0},
    {17, "1", 0x31, 0},
    {18, "2", 0x32, 0},
    {19, "3", 0x33, 0},
    {20, "4", 0x34, 0},
    {21, "5", 0x35, 0},
    {22, "6", 0x36, 0},
    {23, "7", 0x37, 0},
    {24, "8", 0x38, 0},
    {25, "9", 0x39, 0},
    {26, "0", 0x30, 0},
    {27, "Minus", 0xBD, 0},
    {28, "Equals", 0xBB, 0},
    {29, "Backspace", 0x08, 0},
    {30, "Insert", 0x2D, 0},
    {31, "Home", 0x24, 0},
    {32, "PageUp", 0x21, 0},
    {33, "NumLock", 0x90, 0},
    {34, "KeypadSlash", 0x6F, 0},
    {35, "KeypadAsterisk", 0x6A, 0},
    {36, "KeypadMinus", 0x6D, 0},
    {37, "Tab", 0x09, 0},
    {38, "Q", 0x51, 0},
    {39, "W", 0x57, 0},
    {40, "E", 0x45, 0},
    {41, "R", 0x52, 0},
    {42, "T", 0x54, 0},
    {43, "Y", 0x59, 0},
    {44, "U", 0x55, 0},
    {45, "I", 0x49, 0},
    {46, "O", 0x4F, 0},
    {47, "P", 0x50, 0},
    {48, "LeftBracket", 0xDB, 0},
    {49, "RightBracket", 0xDD, 0},
    {50, "Backslash", 0xDC, 0},
    {51, "Delete", 0x2E, 0},
    {52, "End", 0x23, 0},
    {53, "PageDown", 0x22, 0},
    {54, "Keypad7", 0x67, 0xC4},
    {55, "Keypad8", 0x68, 0xC6},
    {56, "Keypad9", 0x69, 0xC1},
    {57, "KeypadPlus", 0x6B, 0},
    {58, "CapsLock", 0x14, 0},
    {59, "A", 0x41, 0},
    {60, "S", 0x53, 0},
    {61, "D", 0x44, 0},
    {62, "F", 0x46, 0},
    {63, "G", 0x47, 0},
    {64, "H", 0x48, 0},
    {65, "J", 0x4A, 0},
    {66, "K", 0x4B, 0},
    {67, "L", 0x4C, 0},
    {68, "Semicolon", 0xBA, 0},
    {69, "Quote", 0xDE, 0},
    {70, "Enter", 0x0D, 0},
    {71, "Keypad4", 0x64, 0xC5},
    {72, "Keypad5", 0x65, 0xAC},
    {73, "Keypad6", 0x66, 0xC7},
    {74, "LeftShift", 0x10, 0},
    {75, "Z", 0x5A, 0},
    {76, "X", 0x58, 0},
    {77, "C", 0x43, 0},
    {78, "V", 0x56, 0},
    {79, "B", 0x42, 0},
    {80, "N", 0x4E, 0},
    {81, "M", 0x4D, 0},
    {82, "Comma", 0xBC, 0},
    {83, "Period", 0xBE, 0},
    {84, "Slash", 0xBF, 0},
    {85, "RightShift", 0xB0, 0},
    {86, "Up", 0x26, 0},
    {87, "Keypad1", 0x61, 0xC3},
    {88, "Keypad2", 0x62, 0xC8},
    {89, "Keypad3", 0x63, 0xC2},
    {90, "KeypadEnter", 0xAD, 0},
    {91, "LeftCtrl", 0x11, 0},
    {92, "LeftAlt", 0x12, 0},
    {93, "Space", 0x20, 0},
    {94, "RightAlt", 0xB2, 0},
    {95, "RightCtrl", 0xB1, 0},
    {96, "Left", 0x25, 0},
    {97, "Down", 0x28, 0},
    {98, "Right", 0x27, 0},
    {99, "Keypad0", 0x60, 0xCD},
    {100, "KeypadPeriod", 0x6E, 0xCE},
    {101, "Iso102", 0xE2, 0},
    {102, "LeftWindows", 0x5B, 0},
    {103, "RightWindows", 0x5C, 0},
    {104, "Menu", 0x5D, 0},
    {105, "KeypadNum7", 0, 0},
    {106, "KeypadNum8", 0, 0},
    {107, "KeypadNum9", 0, 0},
    {108, "KeypadNum4", 0, 0},
    {109, "KeypadNum5", 0, 0},
    {110, "KeypadNum6", 0, 0},
    {111, "KeypadNum1", 0, 0},
    {112, "KeypadNum2", 0, 0},
    {113, "KeypadNum3", 0, 0},
    {114, "KeypadNum0", 0, 0},
    {115, "KeypadNumPeriod", 0, 0},
    {116, "MouseLeft", 0x01, 0},
    {117, "MouseRight", 0x02, 0},
    {118, "MouseMiddle", 0x04, 0},
    {119, "MouseBack", 0x05, 0},
    {120, "MouseForward", 0x06, 0},
    {121, "F13", 0x7C, 0},
    {122, "F14", 0x7D, 0},
    {123, "F15", 0x7E, 0},
    {124, "F16", 0x7F, 0},
    {125, "F17", 0x80, 0},
    {126, "F18", 0x81, 0},
    {127, "F19", 0x82, 0},
    {128, "F20", 0x83, 0},
    {129, "F21", 0x84, 0},
    {130, "F22", 0x85, 0},
    {131, "F23", 0x86, 0},
    {132, "F24", 0x87, 0},
    {133, "BrowserBack", 0xA6, 0},
    {134, "BrowserForward", 0xA7, 0},
    {135, "BrowserRefresh", 0xA8, 0},
    {136, "BrowserStop", 0xA9, 0},
    {137, "BrowserSearch", 0xAA, 0},
    {138, "BrowserFavorites", 0xAB, 0},
    {139, "VolumeDown", 0xAE, 0},
    {140, "VolumeUp", 0xAF, 0},
    {141, "PlayPause", 0xB3, 0},
    {142, "Mail", 0xB4, 0},
    {143, "MediaSelect", 0xB5, 0},
    {144, "LaunchApp1", 0xB6, 0},
    {145, "LaunchApp2", 0xB7, 0},
    {146, "KeypadEquals", 0x92, 0},
    {147, "KeypadComma", 0x6C, 0},
}};
// clang-format on

// The keypad keys that have a Num Lock alternate, and what is added to reach it.
constexpr std::optional<uint8_t> NumLockAlternate(uint8_t key) {
    if (key >= 54 && key <= 56) return uint8_t(key + 51);
    if (key >= 71 && key <= 73) return uint8_t(key + 37);
    if (key >= 87 && key <= 89) return uint8_t(key + 24);
    if (key >= 99 && key <= 100) return uint8_t(key + 15);
    return std::nullopt;
}

// The name of a key number ("F1", "KeypadNum7"), empty for numbers no key has.
constexpr std::string_view KeyNumberName(size_t key) {
    for (const KeyPosition& p : kKeyPositions)
        if (p.number == key) return p.name;
    return {};
}

// The number of a key by its exact name, for constants: a name no key has does not compile.
consteval uint8_t KeyNumberNamed(std::string_view name) {
    for (const KeyPosition& p : kKeyPositions)
        if (p.name == name) return p.number;
    throw "no key of that name";
}

// The number of a key by its name (case ignored), nothing when no key has it.
std::optional<uint8_t> FindKeyNumber(std::string_view name);

}  // namespace orkan
