// Where a session finds its files: the program's data (country.lst, key.lst, defaults/), the
// per-user application data folder and the folders named in files.ini, and the first-start copy of
// the defaults into the application data folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "config/environment.h"
#include "config/folders.h"
#include "interfaces/ui.h"

namespace orkan {

inline constexpr std::string_view kFolderErrorTitle = "Orkan TN3270 Folder Error";
// Folder paths are not stored in fixed fields, so the system's own path limit applies.
inline constexpr size_t kFolderPathLimit = 4095;
inline constexpr size_t kEnvironmentValueLimit = 2048;

// "%NAME%" becomes the variable's value (empty when not set), "%%" one "%"; a "%" without its
// partner stays as it is. None when a value is longer than kEnvironmentValueLimit.
std::optional<std::string> ExpandEnvironment(std::string_view text, const Environment& env);

// The program's data folder: the build tree's when the program runs from it, else the install's
// share/orkan3270 beside the program, else the configured install prefix's.
std::string FindProgramDataFolder(std::string_view executable_path);
std::string CurrentExecutablePath();

// $HOME (or the password database), and $XDG_CONFIG_HOME/orkan3270 (~/.config/orkan3270).
std::string HomeFolder(const Environment& env);
std::string DefaultAppDataFolder(const Environment& env);

struct FolderRequest {
    std::string program_data;
    std::string files_ini;      // empty: files.ini in the program data folder
    bool use_app_data = false;  // /A
    std::string settings_name;  // empty: orkan.ini
};

// The request the command line makes.
FolderRequest FolderRequestFrom(const CommandLine& cl, std::string program_data);

// Reads the folder keys of files.ini, expands them and fills the empty ones with their defaults.
// False after a message when the folder file cannot be read or a folder cannot be named.
[[nodiscard]] bool ResolveFolders(const FolderRequest& request, const Environment& env, Folders& out, Ui& ui);

// First start: when the application data folder does not exist yet, creates it with macros/ and
// certs/ and copies the program's defaults into it. An existing folder keeps every file it has; it
// gets the program's own macros it lacks, and every default it lacks when it has no standard.ses
// (it was made beforehand, not by a first start). False after a message when the folder cannot be
// made or a default cannot be copied.
[[nodiscard]] bool PrepareAppData(const Folders& folders, Ui& ui);

// The copy itself (overwriting): defaults/* into app_data, defaults/macros/* into app_data/macros,
// defaults/certs/* into app_data/certs.
[[nodiscard]] bool CopyDefaults(const Folders& folders, Ui& ui);

}  // namespace orkan
