// Opening a file the program wrote for the user (the data-stream listing) in the user's editor.
#pragma once

#include <string>

#include "config/environment.h"

namespace orkan {

struct ProgramSettings;

// The editor's command line: the settings' editor unless it is missing or names the Windows
// default (notepad), else $VISUAL, else $EDITOR, else xdg-open.
std::string EditorCommand(const ProgramSettings& settings, const Environment& environment);

// Starts `editor` (a command, found in $PATH, and its arguments, split at blanks; no shell) on
// `path` and returns at once; the editor runs on after this program. Empty, or why it could not
// be started.
[[nodiscard]] std::string LaunchEditor(const std::string& editor, const std::string& path,
                                       const Environment& environment);

}  // namespace orkan
