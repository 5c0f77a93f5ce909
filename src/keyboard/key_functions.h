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
inline constexpr uint8_t PasteOverlay = 20;
inline constexpr uint8_t Reset = 21;
inline constexpr uint8_t CursorRight = 22;
inline constexpr uint8_t CursorRight2 = 23;
inline constexpr uint8_t SelectAll = 24;
inline constexpr uint8_t SelectField = 25;
inline constexpr uint8_t SelectLine = 26;
inline constexpr uint8_t SelectWord = 27;
inline constexpr uint8_t Unused28 = 28;
inline constexpr uint8_t Tab = 29;
inline constexpr uint8_t CursorUp = 30;
inline constexpr uint8_t CursorUp2 = 31;
inline constexpr uint8_t PreviousWord = 32;
inline constexpr uint8_t NextWord = 33;
inline constexpr uint8_t LastLineStart = 34;
inline constexpr uint8_t PreviousLineStart = 35;
inline constexpr uint8_t Undo = 36;
inline constexpr uint8_t ClearCopyBuffers = 37;
inline constexpr uint8_t NumLock = 38;
inline constexpr uint8_t PasteRepeat = 39;
inline constexpr uint8_t PasteField = 40;
inline constexpr uint8_t Paste = 41;
inline constexpr uint8_t MarkSelectionStart = 42;
inline constexpr uint8_t SelectToMark = 43;
inline constexpr uint8_t PasteContinue = 44;
inline constexpr uint8_t PasteWindow = 45;
inline constexpr uint8_t CopyAppend = 46;
inline constexpr uint8_t EditingMenu = 47;
inline constexpr uint8_t ExtendUp = 48;
inline constexpr uint8_t ExtendDown = 49;
inline constexpr uint8_t ExtendLeft = 50;
inline constexpr uint8_t ExtendRight = 51;
inline constexpr uint8_t SelectJcl = 52;
inline constexpr uint8_t SelectText = 53;
inline constexpr uint8_t PasteJcl = 54;
inline constexpr uint8_t LineStart = 55;
inline constexpr uint8_t PasteInsert = 56;
inline constexpr uint8_t CopyFields = 57;
inline constexpr uint8_t Find = 58;
inline constexpr uint8_t FindRepeat = 59;
inline constexpr uint8_t FindClear = 60;
inline constexpr uint8_t PasteFlow = 61;
inline constexpr uint8_t PasteByTyping = 62;
inline constexpr uint8_t CopyAppendNoCr = 63;
inline constexpr uint8_t WordWrap = 64;
inline constexpr uint8_t CopyTruncate = 65;
}  // namespace edit_fn

// Program operations. The menus, tool bar, keypad, key map and macros all run them by number.
namespace oper_fn {
inline constexpr uint8_t CaptureToggle = 0;
inline constexpr uint8_t ReceiveFromHost = 1;
inline constexpr uint8_t Options = 2;
inline constexpr uint8_t Exit = 3;
inline constexpr uint8_t FontLarger = 4;
inline constexpr uint8_t FontNarrower = 5;
inline constexpr uint8_t OptionsColours = 6;
inline constexpr uint8_t FontShorter = 7;
inline constexpr uint8_t FontSmaller = 8;
inline constexpr uint8_t FontTaller = 9;
inline constexpr uint8_t ThickFont = 10;
inline constexpr uint8_t ThinFont = 11;
inline constexpr uint8_t FontWider = 12;
inline constexpr uint8_t SelectLocation1 = 13;  // cursor to the cell under the mouse
inline constexpr uint8_t SelectLocation2 = 14;
inline constexpr uint8_t NewSession = 15;
inline constexpr uint8_t NewSessionAsk = 16;
inline constexpr uint8_t PrintScreen = 17;
inline constexpr uint8_t PrintScreenAsk = 18;
inline constexpr uint8_t SaveScreen = 20;
inline constexpr uint8_t SaveScreenAppend = 21;
inline constexpr uint8_t SaveSessionAs = 22;
inline constexpr uint8_t ToggleMarkers = 23;
inline constexpr uint8_t RunStartupMacro = 24;
inline constexpr uint8_t SendToHost = 25;
inline constexpr uint8_t KeyboardEdit = 26;
inline constexpr uint8_t ToolBarEdit = 27;
inline constexpr uint8_t Reconnect = 28;
inline constexpr uint8_t Cascade = 29;
inline constexpr uint8_t MinimiseAll = 30;
inline constexpr uint8_t ExitAll = 31;
inline constexpr uint8_t MaximiseAll = 32;
inline constexpr uint8_t NextSession = 33;
inline constexpr uint8_t PreviousSession = 34;
inline constexpr uint8_t LocateCursor = 35;
inline constexpr uint8_t ReconnectAsk = 36;
inline constexpr uint8_t MacroRecord = 37;
inline constexpr uint8_t MacroPlay = 38;
inline constexpr uint8_t MacroStop = 39;
inline constexpr uint8_t MacroPause = 40;
inline constexpr uint8_t HelpContents = 41;
inline constexpr uint8_t HelpSearch = 42;
inline constexpr uint8_t TransferLog = 43;
inline constexpr uint8_t Disconnect = 44;
inline constexpr uint8_t LoadDebugScreen = 45;
inline constexpr uint8_t ToolBarVariants = 47;
inline constexpr uint8_t KeyPadEdit = 48;
inline constexpr uint8_t ShowKeyPad = 49;
inline constexpr uint8_t PrintFile = 50;
inline constexpr uint8_t MacroDebugWindow = 51;
inline constexpr uint8_t CascadeFromHere = 52;
inline constexpr uint8_t Minimise = 53;
inline constexpr uint8_t Maximise = 54;
inline constexpr uint8_t Restore = 55;
inline constexpr uint8_t ShowWindow = 56;
inline constexpr uint8_t AsciiHost = 57;
inline constexpr uint8_t NextSession2 = 58;
inline constexpr uint8_t PreviousSession2 = 59;
inline constexpr uint8_t SaveScreenAsk = 60;
inline constexpr uint8_t RestoreAll = 61;
inline constexpr uint8_t PrevScreen = 62;
inline constexpr uint8_t NextScreen = 63;
}  // namespace oper_fn

// Display characters of the 3270 DUP and FIELD MARK.
inline constexpr uint8_t kDupCharacter = 0x8E;
inline constexpr uint8_t kFieldMarkCharacter = 0x8F;

// Low-byte bit of a keyboard map entry: on a keypad key, its country layout entry belongs to the
// key's Num Lock alternate.
inline constexpr uint8_t kKeyLayoutOnNumLock = 0x80;

constexpr bool WorksWhileLocked(uint16_t code) {
    return code & kKeyWorksWhileLocked;
}
constexpr bool IsFixed(uint16_t code) {
    return code & kKeyFixed;
}
constexpr bool AutoRepeats(uint16_t code) {
    return code & kKeyAutoRepeat;
}
constexpr bool IsFunction(uint16_t code, KeyCategory category, uint8_t number) {
    return CategoryOf(code) == category && NumberOf(code) == number;
}
constexpr uint16_t CharCode(uint8_t character, uint8_t flags = 0) {
    return MakeKeyCode(KeyCategory::Char, character, flags);
}

}  // namespace orkan
