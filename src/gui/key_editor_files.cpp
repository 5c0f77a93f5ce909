#include "gui/key_editor_files.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>

#include "config/atomic_file.h"
#include "config/file_name_text.h"
#include "config/profile_file.h"
#include "keyboard/keyboard_state.h"
#include "options/option_effects.h"
#include "session/session.h"

namespace orkan {
namespace {

namespace fs = std::filesystem;

const FieldDef& NameField(KeyFileKind kind) {
    switch (kind) {
        case KeyFileKind::Keytable:
            return field::KeyboardFile;
        case KeyFileKind::Toolbar:
            return field::ToolbarFile;
        default:
            return field::KeypadFile;
    }
}

void FileError(Ui& ui, const std::string& text) {
    ui.ShowMessage({"Orkan TN3270 File Error", text, Buttons::Ok, Icon::Error});
}

std::optional<std::vector<uint8_t>> ReadBytes(Ui& ui, const std::string& path) {
    std::vector<uint8_t> bytes;
    int error = 0;
    switch (ReadWholeFile(path, kKeyFileLimit, bytes, error)) {
        case ReadResult::Ok:
            return bytes;
        case ReadResult::Missing:
            FileError(ui, "File \"" + path + "\" was not found.");
            break;
        case ReadResult::TooLarge:
            FileError(ui, path + " is too large to be a key file.");
            break;
        default:
            FileError(ui, path + " could not be read (" + std::strerror(error) + ").");
            break;
    }
    return std::nullopt;
}

void KeyFilesChanged(Session& session) {
    if (session.hooks.settings) session.hooks.settings->KeyMapChanged();
}

}  // namespace

std::optional<KeyMap> ReadKeyMapFile(Ui& ui, const std::string& path, bool additional_keys) {
    const std::optional<std::vector<uint8_t>> bytes = ReadBytes(ui, path);
    if (!bytes) return std::nullopt;
    KeyMap map;
    KeyFileVersion version;
    if (const KeyFileError e = ParseKeyTable(*bytes, additional_keys, map, version);
        e != KeyFileError::None) {
        FileError(ui, KeyFileErrorText(e, path, KeyFileKind::Keytable));
        return std::nullopt;
    }
    map.path = path;
    return map;
}

std::optional<ButtonFile> ReadButtonFile(Ui& ui, KeyFileKind kind, const std::string& path) {
    const std::optional<std::vector<uint8_t>> bytes = ReadBytes(ui, path);
    if (!bytes) return std::nullopt;
    ButtonFile file;
    KeyFileVersion version;
    if (const KeyFileError e = ParseButtonFile(*bytes, kind, file, version); e != KeyFileError::None) {
        FileError(ui, KeyFileErrorText(e, path, kind));
        return std::nullopt;
    }
    file.path = path;
    return file;
}

std::string StandardKeyFilePath(const Folders& folders, KeyFileKind kind) {
    const std::string installed = folders.program_data + "/defaults/" + std::string(StandardName(kind));
    std::error_code ec;
    if (!folders.program_data.empty() && fs::is_regular_file(installed, ec)) return installed;
    return folders.key_data + "/" + std::string(StandardName(kind));
}

KeyMap SessionKeyMap(const Session& session) {
    return StoredKeyMap(session.keyboard->key_map);
}

ButtonFile SessionButtonFile(const Session& session, KeyFileKind kind) {
    return kind == KeyFileKind::Toolbar ? session.keyboard->toolbar : session.keyboard->keypad;
}

void UseKeyMap(Session& session, const KeyMap& stored) {
    session.keyboard->key_map = stored;
    session.keyboard->key_map.replaced.clear();
    ApplyKeyboardLayout(session);
    KeyFilesChanged(session);
}

void UseButtonFile(Session& session, KeyFileKind kind, const ButtonFile& file) {
    (kind == KeyFileKind::Toolbar ? session.keyboard->toolbar : session.keyboard->keypad) = file;
    KeyFilesChanged(session);
}

std::string KeyFileNameFor(const Folders& folders, const std::string& path) {
    const fs::path file = fs::path(path).lexically_normal();
    if (!folders.key_data.empty() && file.parent_path() == fs::path(folders.key_data).lexically_normal())
        return file.filename().string();
    return file.string();
}

bool SaveKeyFileForSession(Session& session, KeyFileKind kind, const std::string& path,
                           std::span<const uint8_t> bytes) {
    const std::optional<std::string> stored = PathToStoredName(KeyFileNameFor(session.folders, path));
    SessionRecord named = session.record;
    if (!stored || !named.SetText(NameField(kind), *stored)) {
        session.ui.ShowMessage({"Orkan TN3270 Session File Error",
                                "The name " + path +
                                    " cannot be stored in a session: choose a shorter name, "
                                    "or one of Windows-1252 characters.",
                                Buttons::Ok, Icon::Warning});
        return false;
    }
    if (!WriteKeyFile(session.ui, path, bytes)) return false;
    const SessionRecord before = session.record;
    if (before == named) {
        // The file is read back as start-up reads it: what the session uses is what the file says.
        if (LoadKeyFile(session, kind, *stored).ok) KeyFilesChanged(session);
        return true;
    }
    session.record = named;
    ApplyChangedSettings(session, before);
    return true;
}

std::vector<ToolBarVariant> ListToolBarVariants(const Folders& folders) {
    std::map<std::string, ToolBarVariant> found;  // by name, sorted
    for (const std::string& folder : {folders.program_data + "/defaults", folders.key_data}) {
        std::error_code ec;
        if (folder.empty() || !fs::is_directory(folder, ec)) continue;
        for (const fs::directory_entry& e : fs::directory_iterator(folder, ec)) {
            const std::string name = e.path().filename().string();
            if (!e.is_regular_file(ec) || name.size() <= 4 ||
                !EqualsIgnoreCase(name.substr(name.size() - 4), ".bar"))
                continue;
            found[name] = {name, e.path().string()};  // the key data folder comes last: the user's wins
        }
    }
    std::vector<ToolBarVariant> out;
    for (auto& [name, variant] : found) out.push_back(std::move(variant));
    return out;
}

bool UseToolBarVariant(Session& session, const ToolBarVariant& variant) {
    // Checked before the session names it: a file that cannot be used must not become its tool bar,
    // neither now (the one in use would stay and pass for it) nor at the next start.
    if (!ReadButtonFile(session.ui, KeyFileKind::Toolbar, variant.path)) return false;
    const std::string name = KeyFileNameFor(session.folders, variant.path);
    const std::optional<std::string> stored = PathToStoredName(name);
    SessionRecord named = session.record;
    if (!stored || !named.SetText(field::ToolbarFile, *stored)) {
        session.ui.ShowMessage({"Orkan TN3270 Session File Error",
                                "The name " + name + " cannot be stored in a session.", Buttons::Ok,
                                Icon::Warning});
        return false;
    }
    const SessionRecord before = session.record;
    if (before == named) {
        if (!LoadKeyFile(session, KeyFileKind::Toolbar, *stored).ok) return false;
        KeyFilesChanged(session);
        return true;
    }
    session.record = named;
    ApplyChangedSettings(session, before);
    return session.keyboard->toolbar.loaded;
}

}  // namespace orkan
