// GETINI and PUTINI of both macro languages: the user's variables in the settings file, for the
// macros that may reach the settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/settings_file.h"

namespace orkan {

struct Session;

// The value ("" when not set) or why it could not be read; nothing when the acting macro may not
// read the settings.
[[nodiscard]] std::optional<UserVariableResult> ReadUserVariable(Session& session, std::string_view name);
// 0 or the errno of a failed write; nothing when the acting macro may not write the settings.
[[nodiscard]] std::optional<int> WriteUserVariable(Session& session, std::string_view name,
                                                   std::string_view value);

}  // namespace orkan
