// orkan.ini: the program settings of section "Orkan", the last session used, and the user
// variables that macros keep in section "UserVariables".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/environment.h"
#include "config/profile_file.h"
#include "config/program_settings.h"
#include "interfaces/ui.h"

namespace orkan {

inline constexpr std::string_view kSettingsSection = "Orkan";
inline constexpr std::string_view kUserVariablesSection = "UserVariables";
inline constexpr size_t kUserVariableLimit = 255;  // characters of a value

// Reads every key of section "Orkan" into `out` (which starts at the defaults). Numbers outside
// their sane range are held at its ends; a text that is too long or malformed keeps its default.
// Returns one line per value that was not taken as written, for the caller to show.
[[nodiscard]] std::vector<std::string> LoadProgramSettings(const ProfileText& ini, ProgramSettings& out,
                                                           const Environment& env);

// Shows the problems found while reading the settings (nothing when there are none).
void ReportSettingsProblems(Ui& ui, const std::string& path, const std::vector<std::string>& problems);

// "LastSession", with ".ses" added when it has no extension of that name.
std::string ReadLastSession(const ProfileText& ini);
[[nodiscard]] int WriteLastSession(const std::string& settings_file, std::string_view session_name);

// The message for a failed write of any configuration file.
MessageBox FileSaveError(int error, const std::string& path);

struct UserVariableResult {
    int error = 0;  // 0, or an errno value (EINVAL: the name or value cannot be stored)
    std::string value;
};

// Empty when the variable is not set.
[[nodiscard]] UserVariableResult GetUserVariable(const std::string& settings_file, std::string_view name);
// Values of more than kUserVariableLimit characters are refused (EINVAL), never cut.
[[nodiscard]] int SetUserVariable(const std::string& settings_file, std::string_view name,
                                  std::string_view value);

}  // namespace orkan
