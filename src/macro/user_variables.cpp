#include "macro/user_variables.h"

#include "config/settings_file.h"
#include "session/session.h"

namespace orkan {

std::optional<UserVariableResult> ReadUserVariable(Session& session, std::string_view name) {
    if (!session.macro_gate.Permit(Capability::Settings)) return std::nullopt;
    return GetUserVariable(session.folders.settings_file, name);
}

std::optional<int> WriteUserVariable(Session& session, std::string_view name, std::string_view value) {
    if (!session.macro_gate.Permit(Capability::Settings)) return std::nullopt;
    return SetUserVariable(session.folders.settings_file, name, value);
}

}  // namespace orkan
