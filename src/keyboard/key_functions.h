// The numbers of the key functions the keyboard code itself refers to. Names and descriptions for
// people are in data/key_functions.tsv (key.lst); these numbers are what key files and macros store.
#pragma once

#include <cstdint>

#include "keyboard/key_list.h"

namespace orkan {

namespace action_fn {
inline constexpr uint8_t Attn = 0;
inline constexpr uint8_t Clear = 1;
inline constexpr uint8_t Enter = 2;
inline constexpr uint8_t PA1 = 3;
inline constexpr uint8_t PA2 = 4;
inline constexpr uint8_t PA3 = 5;
inline constexpr uint8_t PF1 = 6;  // PF1..PF9 are 6..14, PF10..PF12 15..17, PF13..PF24 18..29
inline constexpr uint8_t SysReq = 30;
inline constexpr uint8_t Last = 49;
}  // namespace action_fn

namespace edit_fn {
inline constexpr uint8_t Backspace = 0;
inline constexpr uint8_t BackTab = 1;
inline constexpr uint8_t CapsLock = 2;
inline constexpr uint8_t Copy = 3;
inline constexpr uint8_t Cut = 4;
inline constexpr uint8_t Delete = 5;
inline constexpr uint8_t DeleteWord = 6;
inline constexpr uint8_t CursorDown = 7;
inline constexpr uint8_t CursorDown2 = 8;
inline constexpr uint8_t Dup = 9;
inline constexpr uint8_t EndOfField = 10;
inline constexpr uint8_t EraseEOF = 11;
inline constexpr uint8_t EraseInput = 12;
inline constexpr uint8_t FieldMark = 13;
inline constexpr uint8_t Home = 14;
inline constexpr uint8_t Insert = 15;
inline constexpr uint8_t CursorLeft = 16;
inline constexpr uint8_t CursorLeft2 = 17;
inline constexpr uint8_t NewLine = 18;
inline constexpr uint8_t NoFunction = 19;
inline constexpr uint8_t Reset = 21;
inline constexpr uint8_t CursorRight = 22;
inline constexpr uint8_t CursorRight2 = 23;
inline constexpr uint8_t Unused28 = 28;
inline constexpr uint8_t Tab = 29;
inline constexpr uint8_t CursorUp = 30;
inline constexpr uint8_t CursorUp2 = 31;
inline constexpr uint8_t PreviousWord = 32;
inline constexpr uint8_t NextWord = 33;
inline constexpr uint8_t LastLineStart = 34;
inline constexpr uint8_t PreviousLineStart = 35;
inline constexpr uint8_t Undo = 36;
inline constexpr uint8_t NumLock = 38;
inline constexpr uint8_t Paste = 41;
inline constexpr uint8_t LineStart = 55;
inline constexpr uint8_t WordWrap = 64;
}  // namespace edit_fn

namespace oper_fn {
inline constexpr uint8_t Exit = 3;
inline constexpr uint8_t ReceiveFromHost = 1;
inline constexpr uint8_t SelectLocation1 = 13;
inline constexpr uint8_t SelectLocation2 = 14;
inline constexpr uint8_t ToggleMarkers = 23;
inline constexpr uint8_t SendToHost = 25;
inline constexpr uint8_t Reconnect = 28;
inline constexpr uint8_t ExitAll = 31;
inline constexpr uint8_t ReconnectAsk = 36;
inline constexpr uint8_t MacroStop = 39;
inline constexpr uint8_t Disconnect = 44;
inline constexpr uint8_t AsciiHost = 57;
}  // namespace oper_fn

// Display characters of the 3270 DUP and FIELD MARK.
inline constexpr uint8_t kDupCharacter = 0x8E;
inline constexpr uint8_t kFieldMarkCharacter = 0x8F;

// Low-byte bit of a keyboard map entry: on a keypad key, its country layout entry belongs to the
// key's Num Lock alternate.
inline constexpr uint8_t kKeyLayoutOnNumLock = 0x80;

constexpr bool WorksWhileLocked(uint16_t code) { return code & kKeyWorksWhileLocked; }
constexpr bool IsFixed(uint16_t code) { return code & kKeyFixed; }
constexpr bool AutoRepeats(uint16_t code) { return code & kKeyAutoRepeat; }
constexpr bool IsFunction(uint16_t code, KeyCategory category, uint8_t number) {
    return CategoryOf(code) == category && NumberOf(code) == number;
}
constexpr uint16_t CharCode(uint8_t character, uint8_t flags = 0) {
    return MakeKeyCode(KeyCategory::Char, character, flags);
}

}  // namespace orkan
