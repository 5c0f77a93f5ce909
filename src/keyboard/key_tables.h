// Readable tables of key maps and button files, from which the build writes the installed
// standard.key, standard.bar and standard.pad (tools/gen_data). Lines are tab-separated; "#"
// starts a comment line.
//
// A function is written "-" (none), "keyup" (a key that runs its Shift entry on release),
// "A:name", "E:name", "O:name" (flags as key.lst gives the function), "C:x" (one character, or
// C:0xHH), or "M:name" (a macro of the file's list, added to it). Options may follow, each with
// "+": "+fixed" (a country layout leaves the entry alone), "+repeat" (a held key repeats),
// "+locked" (runs while the keyboard is locked), "+numlock" (on a keypad key: the country layout's
// entry belongs to the Num Lock alternate).
//
// Key map table: "key NAME NONE SHIFT CTRL ALT" per key (names as in key_numbers.h); keys not
// named do nothing. Button table: "grid COLUMNS ROWS", then "button COLUMN ROW WIDTH HEIGHT
// FUNCTION LABEL" per button.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_files.h"
#include "keyboard/key_list.h"

namespace orkan {

// A function in the text form above; nothing with `error` set when it is not one.
std::optional<uint16_t> ParseKeyCodeText(std::string_view text, const KeyList& list, MacroList& macros,
                                         std::string& error);

[[nodiscard]] bool ParseKeyMapTable(std::string_view text, const KeyList& list, KeyMap& out,
                                    std::string& error);
[[nodiscard]] bool ParseButtonTable(std::string_view text, const KeyList& list, ButtonFile& out,
                                    std::string& error);

}  // namespace orkan
