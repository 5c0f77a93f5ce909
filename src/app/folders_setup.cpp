#include "app/folders_setup.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <vector>

#include "charset/display_unicode.h"
#include "config/profile_file.h"
#include "platform/file_io.h"

namespace orkan {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kFilesSection = "Orkan";

std::string Join(std::string_view folder, std::string_view name) {
    std::string path(folder);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsInside(std::string_view path, std::string_view folder) {
    if (folder.empty() || path.size() < folder.size() || path.substr(0, folder.size()) != folder)
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/' || folder.back() == '/';
}

// Paths are UTF-8; messages are display text (Windows-1252).
void FolderError(Ui& ui, const std::string& utf8) {
    ui.ShowMessage({std::string(kFolderErrorTitle), Utf8ToDisplay(utf8).text, Buttons::Ok, Icon::Error});
}

}  // namespace

std::optional<std::string> ExpandEnvironment(std::string_view text, const Environment& env) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t open = text.find('%', pos);
        if (open == text.npos) {
            out.append(text.substr(pos));
            break;
        }
        out.append(text.substr(pos, open - pos));
        const size_t close = text.find('%', open + 1);
        if (close == text.npos) {
            out.append(text.substr(open));
            break;
        }
        if (close == open + 1) {
            out += '%';
        } else {
            auto value = env ? env(std::string(text.substr(open + 1, close - open - 1))) : std::nullopt;
            if (value) {
                if (value->size() > kEnvironmentValueLimit) return std::nullopt;
                out += *value;
            }
        }
        pos = close + 1;
    }
    return out;
}

std::string CurrentExecutablePath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

std::string FindProgramDataFolder(std::string_view executable_path) {
    const fs::path build_data = ORKAN_BUILD_DATA_DIR;
    const std::string build_tree = build_data.parent_path().parent_path().string();
    const fs::path exe_dir = fs::path(executable_path).parent_path();
    if (!executable_path.empty() && IsInside(exe_dir.string(), build_tree)) return build_data.string();
    std::error_code ec;
    const fs::path beside = exe_dir.parent_path() / "share" / "orkan3270";
    if (!executable_path.empty() && fs::is_directory(beside, ec)) return beside.lexically_normal().string();
    return ORKAN_INSTALL_DATA_DIR;
}

std::string HomeFolder(const Environment& env) {
    if (auto home = env ? env("HOME") : std::nullopt; home && !home->empty())
        return WithoutTrailingSlash(*home);
    // Only the password database entry of this user is read; no other account matters here.
    std::vector<char> buffer(16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return WithoutTrailingSlash(found->pw_dir);
    return "/";
}

std::string DefaultAppDataFolder(const Environment& env) {
    auto config = env ? env("XDG_CONFIG_HOME") : std::nullopt;
    // A relative value is to be ignored, as the base directory rules say.
    if (config && !config->empty() && config->front() == '/')
        return Join(WithoutTrailingSlash(*config), "orkan3270");
    return Join(Join(HomeFolder(env), ".config"), "orkan3270");
}

FolderRequest FolderRequestFrom(const CommandLine& cl, std::string program_data) {
    FolderRequest r;
    r.program_data = std::move(program_data);
    r.files_ini = cl.Value(CmdOption::FilesIni);
    r.use_app_data = cl.Given(CmdOption::AppData);
    r.settings_name = cl.Value(CmdOption::Settings);
    return r;
}

bool ResolveFolders(const FolderRequest& request, const Environment& env, Folders& out, Ui& ui) {
    Folders f;
    f.program_data = WithoutTrailingSlash(request.program_data);
    const std::string files_ini =
        request.files_ini.empty() ? Join(f.program_data, "files.ini") : request.files_ini;

    ProfileLoad load = LoadProfile(files_ini);
    if (load.result == ReadResult::Missing && !request.files_ini.empty()) {
        FolderError(ui, "Folder file " + files_ini + " was not found.");
        return false;
    }
    if (load.result == ReadResult::Error || load.result == ReadResult::TooLarge) {
        FolderError(ui,
                    "Folder file " + files_ini + " cannot be read (" + FileErrorReason(load.error) + ").");
        return false;
    }
    const ProfileText& ini = load.text;

    bool ok = true;
    auto key = [&](std::string_view name) -> std::string {
        const std::string raw = ini.GetString(kFilesSection, name, "");
        auto expanded = ExpandEnvironment(raw, env);
        if (!expanded) {
            FolderError(ui, "Folder " + std::string(name) + " in " + files_ini +
                                " names an environment variable "
                                "longer than " +
                                std::to_string(kEnvironmentValueLimit) + " characters.");
            ok = false;
            return {};
        }
        std::string value(*expanded);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
        // A relative folder is taken beside files.ini: the program changes its own folder later,
        // and the defaults must be copied where they are looked for.
        if (!value.empty() && value.front() != '/')
            value = (fs::absolute(files_ini).parent_path() / value).lexically_normal().string();
        return WithoutTrailingSlash(value);
    };

    // Both choices lead to the per-user configuration folder on Linux; "UseAppdata" and /A are
    // still read so files.ini written for either works unchanged.
    f.app_data = key("AppData");
    if (f.app_data.empty()) f.app_data = DefaultAppDataFolder(env);
    f.key_data = key("KeyData");
    if (f.key_data.empty()) f.key_data = f.app_data;
    f.documents = key("Documents");
    if (f.documents.empty()) f.documents = HomeFolder(env);
    f.macros = key("Macros");
    if (f.macros.empty()) f.macros = Join(f.app_data, "macros");
    f.temp_macros = key("ORK");
    if (f.temp_macros.empty()) f.temp_macros = f.macros;
    f.screens = key("Screens");
    if (f.screens.empty()) f.screens = Join(f.app_data, "screens");
    f.help = key("Help");
    if (f.help.empty()) f.help = Join(f.program_data, "help/orkan3270.html");
    f.certs = key("Certs");
    if (f.certs.empty()) f.certs = Join(f.app_data, "certs");
    f.settings_file =
        request.settings_name.empty() || request.settings_name.front() != '/'
            ? Join(f.app_data, request.settings_name.empty() ? "orkan.ini" : request.settings_name)
            : request.settings_name;
    if (!ok) return false;

    for (const std::string* path : {&f.app_data, &f.key_data, &f.documents, &f.macros, &f.temp_macros,
                                    &f.screens, &f.help, &f.certs, &f.settings_file}) {
        if (path->size() > kFolderPathLimit) {
            FolderError(ui, "The folder " + path->substr(0, 80) + "... is longer than " +
                                std::to_string(kFolderPathLimit) + " characters.");
            return false;
        }
    }
    out = std::move(f);
    return true;
}

namespace {

// A copied default is the user's to change, also from a read-only installation: a session file
// without a write permission is never saved.
void MakeOwnersToChange(const fs::path& copy, std::error_code& ec) {
    fs::permissions(copy, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
}

}  // namespace

bool CopyDefaults(const Folders& folders, Ui& ui) {
    std::error_code ec;
    const std::string macros = Join(folders.app_data, "macros");
    const std::string certs = Join(folders.app_data, "certs");
    for (const std::string& dir : {macros, certs}) {
        fs::create_directories(dir, ec);
        if (ec) {
            FolderError(ui, "The folder " + dir + " cannot be created (" + ec.message() + ").");
            return false;
        }
    }
    const std::string defaults = Join(folders.program_data, "defaults");
    if (!fs::is_directory(defaults, ec)) {
        FolderError(
            ui, "The default files were not found in " + defaults + ".\nYou may need to re-install Orkan.");
        return false;
    }
    const std::array<std::pair<std::string, std::string>, 3> copies = {
        std::pair{defaults, folders.app_data}, std::pair{Join(defaults, "macros"), macros},
        std::pair{Join(defaults, "certs"), certs}};
    for (const auto& [from, to] : copies) {
        if (!fs::is_directory(from, ec)) continue;
        for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
            if (!e.is_regular_file(ec)) continue;
            const fs::path target = fs::path(to) / e.path().filename();
            fs::copy_file(e.path(), target, fs::copy_options::overwrite_existing, ec);
            if (!ec) MakeOwnersToChange(target, ec);
            if (ec) {
                FolderError(ui, "The default file " + e.path().string() + " cannot be copied to " + to +
                                    " (" + ec.message() + ").");
                return false;
            }
        }
        if (ec) {
            FolderError(ui, "The folder " + from + " cannot be read (" + ec.message() + ").");
            return false;
        }
    }
    return true;
}

namespace {

// The program's own macros ("ork$" names: the transfer dialog's list macros) that a folder made by
// an older version lacks are added; a file the user has is never replaced, and the user's other
// macros are left as they are. Where one cannot be added, the function that needs it says the
// macro file was not found. A folder that was not made by a first start (made beforehand for an
// orkan.ini, or left empty) has no standard.ses, without which no session starts: it gets every
// default it lacks.
void AddMissingDefaults(const Folders& folders, bool every_default) {
    std::error_code ec;
    const fs::path defaults = Join(folders.program_data, "defaults");
    const fs::path app_data = folders.app_data;
    const std::array<std::pair<fs::path, fs::path>, 3> copies = {
        std::pair{defaults, app_data}, std::pair{defaults / "macros", app_data / "macros"},
        std::pair{defaults / "certs", app_data / "certs"}};
    for (const auto& [from, to] : copies) {
        const bool macros = to == app_data / "macros";
        if ((!every_default && !macros) || !fs::is_directory(from, ec)) continue;
        fs::create_directories(to, ec);
        for (const fs::directory_entry& e : fs::directory_iterator(from, ec)) {
            if (!e.is_regular_file(ec)) continue;
            if (!every_default && !e.path().filename().string().starts_with("ork$")) continue;
            const fs::path target = to / e.path().filename();
            if (!fs::exists(target, ec) &&
                fs::copy_file(e.path(), target, fs::copy_options::skip_existing, ec))
                MakeOwnersToChange(target, ec);
        }
    }
}

}  // namespace

bool PrepareAppData(const Folders& folders, Ui& ui) {
    std::error_code ec;
    const fs::file_status status = fs::status(folders.app_data, ec);
    if (fs::exists(status)) {
        if (fs::is_directory(status)) {
            AddMissingDefaults(folders, !fs::exists(Join(folders.app_data, "standard.ses"), ec));
            return true;
        }
        FolderError(ui, "The application data folder " + folders.app_data + " is not a folder.");
        return false;
    }
    if (ec && ec != std::errc::no_such_file_or_directory) {
        FolderError(ui, "The application data folder " + folders.app_data + " cannot be reached (" +
                            ec.message() + ").");
        return false;
    }
    // The folder is filled under another name and renamed when complete: a start that fails half
    // way leaves nothing, so the next start copies again instead of finding half the defaults.
    const fs::path target = folders.app_data;
    fs::create_directories(target.parent_path(), ec);
    Folders staging = folders;
    staging.app_data = target.string() + ".new-" + std::to_string(::getpid());
    fs::remove_all(staging.app_data, ec);
    fs::create_directory(staging.app_data, ec);
    if (ec) {
        FolderError(ui, "The folder " + folders.app_data + " cannot be created (" + ec.message() + ").");
        return false;
    }
    if (!CopyDefaults(staging, ui)) {
        fs::remove_all(staging.app_data, ec);
        return false;
    }
    fs::rename(staging.app_data, target, ec);
    if (ec) {
        fs::remove_all(staging.app_data, ec);
        // Another session starting at the same moment may have made it first.
        if (fs::is_directory(target, ec)) return true;
        FolderError(ui, "The folder " + folders.app_data + " cannot be created.");
        return false;
    }
    return true;
}

}  // namespace orkan
