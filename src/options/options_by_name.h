// Session and program options by section and macro option name (SETOPTION, GETOPTION and the
// REXX functions of the same names). A change has the effect the options dialog gives it
// (ApplyChangedSettings, option_effects.h); the table of names is option_table.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "charset/country_list.h"
#include "display/screen_layout.h"
#include "options/option_table.h"
#include "scripting/macro_value.h"

namespace orkan {

struct Session;

// Both return 0 or a macro error number: 6 for an unknown section or option, 17 for a value of the
// wrong kind, 49 for a text over the option's limit, 61 for a value the option cannot take (outside
// its range, a cell size beyond the font limits, a code page country.lst does not list, a NUL byte
// in a text), 70 when the acting macro may not reach options. A refused value changes nothing.
//
// Reading: texts as text; yes/no, choices and numbers as numbers; colours as 0xRRGGBB; the cell
// size as "W x H" ("0 x 0" while the font follows the window). Setting a text option to a number
// stores its decimal text; a cell size is "WxH" (blanks ignored), and "0x0" returns to fitting the
// font to the window. HOSTNAME also sets the address the next connection goes to: the host list
// entry of that name as the session dialog applies it, else the name itself.
[[nodiscard]] int SetOptionByName(Session& session, std::string_view section, std::string_view option,
                                  const MacroValue& value);
[[nodiscard]] int GetOptionByName(const Session& session, std::string_view section, std::string_view option,
                                  MacroValue& out);

// The checks behind SetOptionByName, which the options dialog makes too.

// A Number, Choice or YesNo entry's value inside its limits.
bool InOptionRange(const OptionEntry& e, int64_t value);

// The spelling `lists` gives the code page selection `name` of `f` (ScreenCodePage,
// KeyboardCodePage or PcCodePage), compared ignoring case; nothing when the list does not hold it.
std::optional<std::string> ListedCodePage(const CountryLists& lists, const FieldDef& f,
                                          std::string_view name);

// The fixed cell sizes the font limits and the record's fields allow; 0 x 0 (fit the window) is
// allowed besides them.
struct CellRange {
    int min_width, max_width, min_height, max_height;
};
CellRange UsableCellRange(const FontLimits& limits);
bool UsableCell(const CellSize& cell, const FontLimits& limits);

}  // namespace orkan
