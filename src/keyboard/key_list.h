// key.lst: the names and descriptions of the Action, Edit and Oper key functions, through which
// macros, key map files and the key editors name what a key does.
//
// Layout: a 24-byte header starting "Orkan Keylist V1.00 "; a signed 16-bit little-endian length
// N; then N bytes: the byte lengths of the Action and Edit sections (16 bits each), two unused
// bytes, the record counts of Action, Edit and Oper (one byte each), and from byte 9 the records,
// 160 bytes each: function number, flags, name (30 bytes), description (128 bytes), both
// NUL-terminated.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/folders.h"
#include "interfaces/ui.h"

namespace orkan {

inline constexpr std::string_view kKeyListMagic = "Orkan Keylist V1.00 ";
inline constexpr size_t kKeyListHeaderSize = 24;
inline constexpr size_t kKeyRecordSize = 160;
inline constexpr size_t kKeyNameSize = 30;
inline constexpr size_t kKeyDescriptionSize = 128;
inline constexpr uint16_t kNoKeyFunction = 0x801E;  // FindKeyFunction: no such name
inline constexpr uint16_t kKeyNoFunction = 0x1302;  // Edit 19, "no function"

// Bits of a key function code's low byte.
inline constexpr uint8_t kKeyWorksWhileLocked = 0x01;
inline constexpr uint8_t kKeyFixed = 0x20;
inline constexpr uint8_t kKeyAutoRepeat = 0x40;

enum class KeyCategory : uint8_t { Action = 0, Edit = 1, Char = 2, Oper = 3, Macro = 4, KeyUp = 15 };

constexpr uint16_t MakeKeyCode(KeyCategory category, uint8_t number, uint8_t flags = 0) {
    return uint16_t(uint16_t(number) << 8 | uint16_t(uint8_t(category) << 1) | flags);
}
constexpr KeyCategory CategoryOf(uint16_t code) {
    return KeyCategory((code >> 1) & 0x0F);
}
constexpr uint8_t NumberOf(uint16_t code) {
    return uint8_t(code >> 8);
}

struct KeyFunction {
    uint8_t number = 0;
    uint8_t flags = 0;  // the low-byte flags a key editor gives a new key with this function
    std::string name;
    std::string description;
    bool operator==(const KeyFunction&) const = default;
};

class KeyList {
  public:
    enum class Status { Ok, BadHeader, Damaged };

    [[nodiscard]] static Status Parse(std::span<const uint8_t> bytes, KeyList& out);

    // The code of the function of that name (Action, then Edit, then Oper; case ignored), with
    // bits 0 and 6 clear; kNoKeyFunction when there is none.
    uint16_t FindKeyFunction(std::string_view name) const;

    // "A:%s", "E:%s", "C:%c", "O:%s" or "M:%s"; a function missing from the list shows its number.
    // `macro_name` gives the name of macro n of the key map, when there is one.
    std::string KeyText(uint16_t code, const std::function<std::string(int)>& macro_name = {}) const;

    // Action, Edit or Oper.
    const std::vector<KeyFunction>& Functions(KeyCategory category) const;
    const KeyFunction* Find(KeyCategory category, uint8_t number) const;

    // Whatever follows the records in the file, kept for the key map editors.
    std::span<const uint8_t> Trailing() const { return trailing_; }

  private:
    std::array<std::vector<KeyFunction>, 3> sections_;  // Action, Edit, Oper
    std::vector<uint8_t> trailing_;
};

// The file for the three sections; empty when they do not fit its length fields or a name or
// description is too long.
std::vector<uint8_t> BuildKeyList(std::span<const KeyFunction> action, std::span<const KeyFunction> edit,
                                  std::span<const KeyFunction> oper);

// The readable table the build turns into key.lst (data/key_functions.tsv): one function per line,
// tab-separated: section (Action, Edit or Oper), number, flags in hex, name, description; lines
// starting with "#" and blank lines are skipped.
struct KeyFunctionTable {
    std::vector<KeyFunction> action, edit, oper;
};
// False with `error` naming the line when a line is malformed, a name is used twice or a number
// twice in one section.
[[nodiscard]] bool ParseKeyFunctionTable(std::string_view text, KeyFunctionTable& out, std::string& error);

// Reads key.lst from the key data folder, else from the program's data folder. False after the
// "not found" or "not a valid keylist" message: the program cannot run without it.
[[nodiscard]] bool LoadKeyList(const Folders& folders, KeyList& out, Ui& ui);

}  // namespace orkan
