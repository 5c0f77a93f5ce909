// Session and program options by section and macro option name (SETOPTION, GETOPTION and the
// REXX functions of the same names). A change has the effect the options dialog gives it.
#pragma once

#include <string_view>

#include "macro/macro_value.h"

namespace orkan {

struct Session;

// Both return 0 or a macro error number: 6 for an unknown section or option, 17 for a value of the
// wrong kind, 49 for a text over the option's limit, 61 for a number outside its range.
[[nodiscard]] int SetOptionByName(Session& session, std::string_view section, std::string_view option,
                                  const MacroValue& value);
[[nodiscard]] int GetOptionByName(const Session& session, std::string_view section, std::string_view option,
                                  MacroValue& out);

}  // namespace orkan
