#include "keyboard/key_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "config/atomic_file.h"
#include "config/file_name_text.h"
#include "config/profile_file.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard_state.h"
#include "platform/file_io.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr std::string_view kMagic = "Orkan ";
constexpr std::string_view kCurrentVersion = "V1.26";
constexpr std::string_view kLongVersion = "V1.28";
constexpr size_t kOldNameSize = 8;

constexpr const char* kNotFoundTitle = "Orkan TN3270 - file not found";
constexpr const char* kFileErrorTitle = "Orkan TN3270 File Error";

uint16_t Get16(std::span<const uint8_t> b, size_t at) {
    return uint16_t(b[at] | b[at + 1] << 8);
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

std::string Format(const char* pattern, std::string_view a, std::string_view b = {}) {
    std::string out;
    int arg = 0;
    for (const char* p = pattern; *p; ++p) {
        if (p[0] == '%' && p[1] == 's') {
            out += arg++ == 0 ? a : b;
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

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

// The version text of a header of this kind, or nothing when the header is not one.
std::optional<std::string> HeaderVersion(std::span<const uint8_t> bytes, KeyFileKind kind) {
    if (bytes.size() < kKeyFileHeaderSize) return std::nullopt;
    const std::string_view header(reinterpret_cast<const char*>(bytes.data()), kKeyFileHeaderSize);
    const std::string_view name = KindName(kind);
    if (!header.starts_with(kMagic) || header.substr(kMagic.size(), name.size()) != name) return std::nullopt;
    std::string_view rest = header.substr(kMagic.size() + name.size());
    if (!rest.empty() && rest.front() != ' ') return std::nullopt;  // "Keytables" is another kind
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const size_t end = rest.find_first_of(std::string_view(" \0", 2));
    return std::string(rest.substr(0, end));
}

}  // namespace

bool IsStandardKeyFileName(std::string_view name, KeyFileKind kind) {
    const std::string base = std::filesystem::path(std::string(name)).filename().string();
    const std::string_view standard = StandardName(kind);
    return EqualsIgnoreCase(base, standard) || EqualsIgnoreCase(base, standard.substr(0, standard.find('.')));
}

namespace {

// Files older than the current version may hold the macro names in the old layout; they are
// converted on reading and written back in the new one.
std::optional<MacroList> ParseMacroList(std::span<const uint8_t> list, const std::string& version_text,
                                        KeyFileVersion& version) {
    if (version_text < kCurrentVersion && MacroList::LooksOld(list)) {
        version.converted = true;
        return MacroList::ParseOld(list);
    }
    return MacroList::Parse(list);
}

}  // namespace

std::string_view KindName(KeyFileKind kind) {
    switch (kind) {
        case KeyFileKind::Keytable:
            return "Keytable";
        case KeyFileKind::Toolbar:
            return "Toolbar";
        default:
            return "Keypad";
    }
}

std::string_view StandardName(KeyFileKind kind) {
    switch (kind) {
        case KeyFileKind::Keytable:
            return "standard.key";
        case KeyFileKind::Toolbar:
            return "standard.bar";
        default:
            return "standard.pad";
    }
}

std::string_view KindExtension(KeyFileKind kind) {
    switch (kind) {
        case KeyFileKind::Keytable:
            return "key";
        case KeyFileKind::Toolbar:
            return "bar";
        default:
            return "pad";
    }
}

// --- Macro name lists ---

std::optional<MacroList> MacroList::Parse(std::span<const uint8_t> bytes) {
    MacroList list;
    size_t at = 0;
    while (at < bytes.size()) {
        const auto* start = bytes.data() + at;
        const auto* nul = static_cast<const uint8_t*>(std::memchr(start, 0, bytes.size() - at));
        if (!nul) return std::nullopt;
        const size_t length = size_t(nul - start);
        if (length == 0) return list;
        if (list.names_.size() == kMaxMacroNames) return std::nullopt;
        list.names_.emplace_back(reinterpret_cast<const char*>(start), length);
        at += length + 1;
    }
    return std::nullopt;
}

std::optional<MacroList> MacroList::ParseOld(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return std::nullopt;
    const size_t count = bytes[0];
    if (1 + count * kOldNameSize > bytes.size()) return std::nullopt;
    MacroList list;
    for (size_t i = 0; i < count; ++i) {
        const char* name = reinterpret_cast<const char*>(bytes.data() + 1 + i * kOldNameSize);
        const size_t length = strnlen(name, kOldNameSize);
        // An empty old name would end the new list early; it keeps its place as a blank.
        list.names_.emplace_back(length ? std::string(name, length) : std::string(" "));
    }
    return list;
}

bool MacroList::LooksOld(std::span<const uint8_t> bytes) {
    if (bytes.empty() || bytes[0] < 0x20) return true;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0 && bytes[i + 1] == 0) return false;
    return true;
}

size_t MacroList::TotalSize() const {
    size_t total = 1;
    for (const std::string& n : names_) total += n.size() + 1;
    return total;
}

int MacroList::IndexOf(std::string_view name) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (EqualsIgnoreCase(names_[i], name)) return int(i);
    return -1;
}

int MacroList::Append(std::string_view name) {
    if (name.empty() || name.find('\0') != name.npos || names_.size() == kMaxMacroNames) return -1;
    names_.emplace_back(name);
    return int(names_.size() - 1);
}

bool MacroList::Replace(size_t n, std::string_view name) {
    if (n >= names_.size() || name.empty() || name.find('\0') != name.npos) return false;
    names_[n] = name;
    return true;
}

void MacroList::AppendTo(std::vector<uint8_t>& out) const {
    for (const std::string& n : names_) {
        out.insert(out.end(), n.begin(), n.end());
        out.push_back(0);
    }
    out.push_back(0);
}

uint16_t KeyMap::Code(size_t key, size_t modifier) const {
    if (key >= key_count || key >= kMaxKeys || modifier > 3) return kKeyNoFunction;
    return codes[key][modifier];
}

std::string KeyFileErrorText(KeyFileError error, std::string_view path, KeyFileKind kind) {
    switch (error) {
        case KeyFileError::None:
            return {};
        case KeyFileError::NotOurs:
            return Format("%s is not a valid Orkan %s", path, KindName(kind));
        case KeyFileError::TooShort:
            return Format("%s is damaged: it is shorter than an Orkan %s must be.", path, KindName(kind));
        case KeyFileError::MacroListOutside:
            return Format("%s is damaged: its macro list offset points outside the file.", path);
        case KeyFileError::MacroListBroken:
            return Format("%s is damaged: its macro list does not end inside the file.", path);
        case KeyFileError::ButtonsBroken:
            return Format("%s is damaged: its buttons do not fit in the file, or there are more than %s.",
                          path, std::to_string(kMaxButtons));
    }
    return {};
}

std::string KeyFileHeader(KeyFileKind kind, std::string_view version) {
    std::string header = std::string(kMagic) + std::string(KindName(kind)) + " " + std::string(version);
    header.resize(kKeyFileHeaderSize, ' ');
    return header;
}

// --- Parsing ---

KeyFileError ParseKeyTable(std::span<const uint8_t> bytes, bool additional_keys, KeyMap& out,
                           KeyFileVersion& version) {
    const auto text = HeaderVersion(bytes, KeyFileKind::Keytable);
    if (!text) return KeyFileError::NotOurs;
    version = KeyFileVersion{*text};
    const std::span<const uint8_t> block = bytes.subspan(kKeyFileHeaderSize);
    const size_t keys = *text == kLongVersion ? kMaxKeys : kOldKeys;
    if (block.size() < keys * 8 + 1) return KeyFileError::TooShort;

    KeyMap map;
    map.key_count = uint16_t(keys);
    for (auto& row : map.codes) row.fill(kKeyNoFunction);
    for (size_t k = 0; k < keys; ++k)
        for (size_t m = 0; m < 4; ++m) map.codes[k][m] = Get16(block, (k * 4 + m) * 2);

    const std::span<const uint8_t> list = block.subspan(keys * 8);
    std::optional<MacroList> macros = ParseMacroList(list, *text, version);
    if (!macros) return KeyFileError::MacroListBroken;
    map.macros = std::move(*macros);
    if (*text == kCurrentVersion && additional_keys) {
        // Keys the old table did not hold do nothing (an all-zero entry would be Attention).
        map.key_count = uint16_t(kMaxKeys);
        version.upgraded = true;
    }
    out = std::move(map);
    return KeyFileError::None;
}

KeyFileError ParseButtonFile(std::span<const uint8_t> bytes, KeyFileKind kind, ButtonFile& out,
                             KeyFileVersion& version) {
    const auto text = HeaderVersion(bytes, kind);
    if (!text) return KeyFileError::NotOurs;
    version = KeyFileVersion{*text};
    const std::span<const uint8_t> block = bytes.subspan(kKeyFileHeaderSize);
    if (block.size() < kButtonBlockHeader + 1) return KeyFileError::TooShort;
    const size_t count = Get16(block, 0);
    const int16_t offset = int16_t(Get16(block, 2));
    const size_t record = Get16(block, 4);
    // A record must hold at least code, place and size; the label may be cut short by a later format.
    if (record < 6 || record > 1024 || count > kMaxButtons) return KeyFileError::ButtonsBroken;
    const size_t buttons_end = kButtonBlockHeader + count * record;
    if (offset < 0 || size_t(offset) >= block.size() || size_t(offset) < kButtonBlockHeader)
        return KeyFileError::MacroListOutside;
    if (buttons_end > size_t(offset)) return KeyFileError::ButtonsBroken;

    ButtonFile file;
    file.columns = block[6];
    file.rows = block[7];
    for (size_t i = 0; i < count; ++i) {
        const std::span<const uint8_t> r = block.subspan(kButtonBlockHeader + i * record, record);
        Button b;
        b.code = Get16(r, 0);
        b.column = r[2];
        b.row = r[3];
        b.width = r[4];
        b.height = r[5];
        if (record > 6) {
            const char* label = reinterpret_cast<const char*>(r.data() + 6);
            b.label.assign(label, strnlen(label, std::min(record - 6, kButtonLabelSize - 1)));
        }
        if (record > kButtonRecordSize) {
            const char* icon = reinterpret_cast<const char*>(r.data() + kButtonRecordSize);
            b.icon.assign(icon, strnlen(icon, std::min(record - kButtonRecordSize, kButtonIconSize - 1)));
        }
        file.buttons.push_back(std::move(b));
    }
    const std::span<const uint8_t> list = block.subspan(size_t(offset));
    std::optional<MacroList> macros = ParseMacroList(list, *text, version);
    if (!macros) return KeyFileError::MacroListBroken;
    file.macros = std::move(*macros);
    file.loaded = true;
    out = std::move(file);
    return KeyFileError::None;
}

// --- Writing ---

std::vector<uint8_t> KeyTableBytes(const KeyMap& map) {
    const size_t keys = map.key_count == kMaxKeys ? kMaxKeys : kOldKeys;
    const std::string header =
        KeyFileHeader(KeyFileKind::Keytable, keys == kMaxKeys ? kLongVersion : kCurrentVersion);
    std::vector<uint8_t> out(header.begin(), header.end());
    const auto codes = StoredKeyMap(map).codes;
    for (size_t k = 0; k < keys; ++k)
        for (size_t m = 0; m < 4; ++m) Put16(out, k < map.key_count ? codes[k][m] : kKeyNoFunction);
    map.macros.AppendTo(out);
    return out;
}

std::vector<uint8_t> ButtonFileBytes(KeyFileKind kind, const ButtonFile& file) {
    // Files without icons keep the record every reader knows.
    const bool icons = std::any_of(file.buttons.begin(), file.buttons.end(),
                                   [](const Button& b) { return !b.icon.empty(); });
    const size_t record = icons ? kButtonIconRecordSize : kButtonRecordSize;
    if (file.buttons.size() > (icons ? kMaxIconButtons : kMaxButtons)) return {};
    const std::string header = KeyFileHeader(kind, kCurrentVersion);
    std::vector<uint8_t> out(header.begin(), header.end());
    const size_t count = file.buttons.size();
    Put16(out, uint16_t(count));
    Put16(out, uint16_t(kButtonBlockHeader + count * record));
    Put16(out, uint16_t(record));
    out.push_back(file.columns);
    out.push_back(file.rows);
    auto put_text = [&out](const std::string& text, size_t size) {
        const size_t at = out.size();
        out.resize(at + size, 0);
        std::memcpy(out.data() + at, text.data(), std::min(text.size(), size - 1));
    };
    for (size_t i = 0; i < count; ++i) {
        const Button& b = file.buttons[i];
        Put16(out, b.code);
        out.insert(out.end(), {b.column, b.row, b.width, b.height});
        put_text(b.label, kButtonLabelSize);
        if (icons) put_text(b.icon, kButtonIconSize);
    }
    file.macros.AppendTo(out);
    return out;
}

KeyMap StoredKeyMap(const KeyMap& map) {
    KeyMap stored = map;
    for (auto it = map.replaced.rbegin(); it != map.replaced.rend(); ++it)
        if (it->key < kMaxKeys && it->modifier < 4) stored.codes[it->key][it->modifier] = it->saved;
    stored.replaced.clear();
    return stored;
}

bool IsMacroStatement(std::string_view entry) {
    return entry.find('(') != entry.npos;
}

// --- Loading and saving for a session ---

namespace {

struct FoundFile {
    std::string path;
    std::vector<uint8_t> bytes;
};

enum class Lookup { Found, Missing, Unreadable };

Lookup ReadKeyFile(const std::string& path, FoundFile& found, int& error) {
    std::vector<uint8_t> bytes;
    switch (ReadWholeFile(path, kKeyFileLimit, bytes, error)) {
        case ReadResult::Ok:
            found = {path, std::move(bytes)};
            return Lookup::Found;
        case ReadResult::Missing:
            return Lookup::Missing;
        default:
            return Lookup::Unreadable;
    }
}

// The user's copy of the standard file, then the one the installation carries.
std::vector<std::string> StandardPaths(const Folders& folders, KeyFileKind kind) {
    std::vector<std::string> paths;
    if (!folders.key_data.empty()) paths.push_back(KeyFilePath(StandardName(kind), folders.key_data, ""));
    if (!folders.program_data.empty())
        paths.push_back(KeyFilePath(StandardName(kind), folders.program_data + "/defaults", ""));
    return paths;
}

void Show(Session& session, const char* title, const std::string& text, Icon icon) {
    session.ui.ShowMessage({title, text, Buttons::Ok, icon});
}

// Finds the file to load; false after the "not found" messages.
bool FindKeyFile(Session& session, KeyFileKind kind, std::string_view name, FoundFile& found, bool& renamed) {
    const Folders& folders = session.folders;
    int error = 0;
    // Session settings name files in Windows-1252; the file system's names are UTF-8.
    const std::string path = KeyFilePath(StoredNameToPath(name), folders.key_data, KindExtension(kind));
    Lookup result = ReadKeyFile(path, found, error);
    if (result == Lookup::Unreadable) {
        Show(session, kFileErrorTitle, Format("%s could not be read (%s).", path, FileErrorReason(error)),
             Icon::Error);
        return false;
    }
    if (result == Lookup::Found) return true;
    const bool standard = IsStandardKeyFileName(name, kind);
    for (const std::string& alternate : StandardPaths(folders, kind)) {
        if (alternate == path || ReadKeyFile(alternate, found, error) != Lookup::Found) continue;
        if (!standard) {
            Show(session, kNotFoundTitle,
                 Format("File \"%s\" was not found.\n%s will be used as an alternate.", name,
                        StandardName(kind)),
                 Icon::Warning);
            renamed = true;
        }
        return true;
    }
    if (standard)
        Show(session, kNotFoundTitle,
             Format("File \"%s\" was not found.\nYou may need to re-install Orkan TN3270.", name),
             Icon::Warning);
    else
        Show(session, kNotFoundTitle,
             Format("File \"%s\" was not found and\n%s could not be opened as an alternate.", name,
                    StandardName(kind)),
             Icon::Warning);
    return false;
}

}  // namespace

KeyFileLoad LoadKeyFile(Session& session, KeyFileKind kind, std::string_view name) {
    KeyFileLoad result;
    FoundFile found;
    bool renamed = false;
    if (!FindKeyFile(session, kind, name, found, renamed)) return result;

    KeyFileVersion version;
    KeyMap map;
    ButtonFile buttons;
    const KeyFileError error =
        kind == KeyFileKind::Keytable
            ? ParseKeyTable(found.bytes, session.settings.AdditionalKeys != 0, map, version)
            : ParseButtonFile(found.bytes, kind, buttons, version);
    if (error != KeyFileError::None) {
        Show(session, kFileErrorTitle, KeyFileErrorText(error, found.path, kind), Icon::Error);
        return result;
    }
    KeyboardState& kb = *session.keyboard;
    if (kind == KeyFileKind::Keytable) {
        map.path = found.path;
        kb.key_map = std::move(map);
        ApplyKeyboardLayout(session);
    } else {
        buttons.path = found.path;
        (kind == KeyFileKind::Toolbar ? kb.toolbar : kb.keypad) = std::move(buttons);
    }
    if (renamed) {
        if (session.record.SetText(NameField(kind), StandardName(kind))) result.session_changed = true;
    }
    // Old macro lists and a table grown to 150 keys are written back at once, in the new layout.
    if (version.converted || version.upgraded) (void)SaveKeyFile(session, kind);
    result.ok = true;
    return result;
}

KeyFileLoad LoadSessionKeyFiles(Session& session) {
    KeyFileLoad all{true, false};
    for (KeyFileKind kind : {KeyFileKind::Keytable, KeyFileKind::Toolbar, KeyFileKind::Keypad}) {
        const KeyFileLoad one = LoadKeyFile(session, kind, session.record.Text(NameField(kind)));
        all.ok = all.ok && one.ok;
        all.session_changed = all.session_changed || one.session_changed;
    }
    return all;
}

bool SaveKeyFile(Session& session, KeyFileKind kind, const std::string& path) {
    KeyboardState& kb = *session.keyboard;
    const std::string& own = kind == KeyFileKind::Keytable  ? kb.key_map.path
                             : kind == KeyFileKind::Toolbar ? kb.toolbar.path
                                                            : kb.keypad.path;
    const std::string target = path.empty() ? own : path;
    const std::vector<uint8_t> bytes =
        kind == KeyFileKind::Keytable
            ? KeyTableBytes(kb.key_map)
            : ButtonFileBytes(kind, kind == KeyFileKind::Toolbar ? kb.toolbar : kb.keypad);
    return WriteKeyFile(session.ui, target, bytes);
}

bool WriteKeyFile(Ui& ui, const std::string& path, std::span<const uint8_t> bytes) {
    if (bytes.empty()) {
        ui.ShowMessage({"File Save Error",
                        PathForMessage(path) + " was not saved: it has more buttons than a file can hold.",
                        Buttons::Ok, Icon::Error});
        return false;
    }
    const int error = path.empty() ? ENOENT : WriteFileAtomically(path, bytes);
    if (error != 0) {
        ui.ShowMessage({"File Save Error",
                        "Error " + std::to_string(error) + " while saving " + PathForMessage(path),
                        Buttons::Ok, Icon::Error});
        return false;
    }
    return true;
}

// --- Country layout ---

void RemoveKeyboardLayout(Session& session) {
    KeyMap& map = session.keyboard->key_map;
    for (auto it = map.replaced.rbegin(); it != map.replaced.rend(); ++it)
        if (it->key < kMaxKeys && it->modifier < 4) map.codes[it->key][it->modifier] = it->saved;
    map.replaced.clear();
}

void ApplyKeyboardLayout(Session& session) {
    RemoveKeyboardLayout(session);
    KeyMap& map = session.keyboard->key_map;
    if (!map.Loaded()) return;
    std::string refused;
    auto refuse = [&](const std::string& what) {
        if (refused.size() < 400) refused += (refused.empty() ? "" : ", ") + what;
    };
    for (KeyLayoutRecord& record : session.charset.key_layout) {
        if (record.key == kListEnd) break;
        size_t key = record.key;
        if (const auto alternate = NumLockAlternate(record.key);
            alternate && key < map.key_count && (map.codes[key][0] & kKeyLayoutOnNumLock))
            key = *alternate;
        if (key >= map.key_count) {
            refuse("KEYLAYOUT key " + std::to_string(key));
            continue;
        }
        const std::array<uint8_t, 4> characters = {record.unshifted, record.shifted, record.third,
                                                   record.third};
        for (uint8_t m = 0; m < 4; ++m) {
            const uint16_t code = map.codes[key][m];
            record.replaced[m * 2] = uint8_t(code);
            record.replaced[m * 2 + 1] = uint8_t(code >> 8);
            if (IsFixed(code)) continue;
            map.replaced.push_back({uint8_t(key), m, code});
            map.codes[key][m] = CharCode(characters[m], uint8_t(code & kKeyAutoRepeat));
        }
    }
    for (size_t vk = 0; vk < session.charset.key_scan_codes.size(); ++vk) {
        const uint8_t key = session.charset.key_scan_codes[vk];
        if (key != kListEnd && key >= kMaxKeys) refuse("KEYSCANCODES key " + std::to_string(key));
    }
    if (!refused.empty())
        session.ui.ShowMessage({"Orkan TN3270 Keyboard Layout",
                                "The keyboard tables of \"" + session.record.Text(field::KeyboardCodePage) +
                                    "\" name keys that the key table " + map.path + " does not have:\n" +
                                    refused + "\nThese entries are not used.",
                                Buttons::Ok, Icon::Warning});
}

std::optional<uint8_t> FindKeyNumber(std::string_view name) {
    for (const KeyPosition& p : kKeyPositions)
        if (EqualsIgnoreCase(p.name, name)) return p.number;
    return std::nullopt;
}

}  // namespace orkan
