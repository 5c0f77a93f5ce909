// Every field of the session record, for code that walks them all (layout checks, options by name).
#pragma once

#include <span>

#include "config/session_record.h"

namespace orkan {

std::span<const FieldDef* const> AllSessionFields();
// The field a macro option name addresses, or null.
const FieldDef* FindSessionFieldByOption(std::string_view option);

}  // namespace orkan
