// The keyboard map (.key), toolbar (.bar) and keypad (.pad) files.
//
// All three begin with 24 bytes of text, "Orkan <kind> V1.26" or "V1.28" filled with blanks.
// A key table then holds four 16-bit little-endian key codes per key (no modifier, Shift, Ctrl,
// Alt) for 150 keys ("V1.28") or 119 (older), then the macro name list. Toolbar and keypad files
// hold one block: bytes 0-1 the button count, bytes 2-3 the signed 16-bit offset of the macro
// name list from the block's start, bytes 4-5 the size of a button record, bytes 6 and 7 the
// button grid's columns and rows, then the button records (see Button) and the macro name list.
// A macro name list is NUL-terminated strings ended by an empty one; files before "V1.26" had
// a count byte and 8-byte names instead.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "interfaces/ui.h"
#include "keyboard/key_numbers.h"

namespace orkan {

struct Session;

enum class KeyFileKind : uint8_t { Keytable, Toolbar, Keypad };

std::string_view KindName(KeyFileKind kind);       // "Keytable", "Toolbar", "Keypad"
std::string_view StandardName(KeyFileKind kind);   // "standard.key", ...
std::string_view KindExtension(KeyFileKind kind);  // "key", "bar", "pad"

inline constexpr size_t kKeyFileHeaderSize = 24;
inline constexpr size_t kKeyFileLimit = 1 << 20;  // far beyond any real one
inline constexpr size_t kMaxMacroNames = 256;     // a key code's high byte indexes the list

class MacroList {
  public:
    // A list in the current layout at the start of `bytes`; nothing when it is not ended inside
    // them or holds more names than a key code can index.
    static std::optional<MacroList> Parse(std::span<const uint8_t> bytes);
    // A list in the layout of files before "V1.26"; nothing when its names run past `bytes`.
    static std::optional<MacroList> ParseOld(std::span<const uint8_t> bytes);
    // True when the bytes must be converted from the old layout: not already a list of the current
    // layout (first byte 0x20 or more and two NULs in a row before the end).
    static bool LooksOld(std::span<const uint8_t> bytes);

    size_t TotalSize() const;  // up to and including the closing empty string
    size_t Count() const { return names_.size(); }
    const std::string* Name(size_t n) const { return n < names_.size() ? &names_[n] : nullptr; }
    int IndexOf(std::string_view name) const;  // case ignored; -1 when absent
    // The index of the new name; -1 when the list is full or the name is empty or holds a NUL.
    int Append(std::string_view name);
    // Puts `name` in place of entry n (one nothing refers to any more); false as Append refuses.
    bool Replace(size_t n, std::string_view name);
    void AppendTo(std::vector<uint8_t>& out) const;

    bool operator==(const MacroList&) const = default;

  private:
    std::vector<std::string> names_;
};

// One entry of the keyboard map that the country layout replaced, with what it held before.
struct ReplacedEntry {
    uint8_t key;
    uint8_t modifier;  // 0 none, 1 Shift, 2 Ctrl, 3 Alt
    uint16_t saved;
};

struct KeyMap {
    uint16_t key_count = 0;  // 119 or 150; 0 while none is loaded
    std::array<std::array<uint16_t, 4>, kMaxKeys> codes{};
    MacroList macros;
    std::string path;                     // where it came from, and where it is saved
    std::vector<ReplacedEntry> replaced;  // the country layout applied now

    bool Loaded() const { return key_count != 0; }
    // The entry for a key number and modifier; "no function" for a key the table does not hold.
    uint16_t Code(size_t key, size_t modifier) const;
};

// One button of the toolbar or keypad, in the file as a record of kButtonRecordSize bytes:
// bytes 0-1 key code, 2 column, 3 row, 4 width, 5 height (in grid cells), 6-39 label
// (Windows-1252, NUL-terminated). A file with icons has records of kButtonIconRecordSize bytes:
// bytes 40-71 then hold the icon's name (ASCII, NUL-terminated); readers of the shorter record
// skip them, as the record size in the block header tells them to.
struct Button {
    uint16_t code = 0;
    uint8_t column = 0, row = 0, width = 1, height = 1;
    std::string label;
    std::string icon{};  // a name of the icon set the front end offers; empty for none
    bool operator==(const Button&) const = default;
};
inline constexpr size_t kButtonRecordSize = 40;
inline constexpr size_t kButtonIconRecordSize = 72;
inline constexpr size_t kButtonLabelSize = 34;
inline constexpr size_t kButtonIconSize = kButtonIconRecordSize - kButtonRecordSize;
inline constexpr size_t kButtonBlockHeader = 8;
// As many records as a signed 16-bit macro list offset can pass.
inline constexpr size_t kMaxButtons = (0x7FFF - kButtonBlockHeader) / kButtonRecordSize;
inline constexpr size_t kMaxIconButtons = (0x7FFF - kButtonBlockHeader) / kButtonIconRecordSize;

struct ButtonFile {
    bool loaded = false;
    uint8_t columns = 0, rows = 0;  // the button grid
    std::vector<Button> buttons;
    MacroList macros;
    std::string path;
};

// Why a file's bytes were refused. The text for the user is KeyFileErrorText.
enum class KeyFileError : uint8_t {
    None,
    NotOurs,           // header: not "Orkan " + kind name
    TooShort,          // fewer bytes than the keys or the button block need
    MacroListOutside,  // .bar/.pad: the offset points before the buttons' end or past the file
    MacroListBroken,   // the macro name list is not ended inside the file
    ButtonsBroken,     // .bar/.pad: a record size or count that does not fit, or too many buttons
};

std::string KeyFileErrorText(KeyFileError error, std::string_view path, KeyFileKind kind);

// What parsing found besides the data: the version text and what must be written back.
struct KeyFileVersion {
    std::string text;        // "V1.26", "V1.28", or whatever an older file says
    bool converted = false;  // the macro list was in the old layout
    bool upgraded = false;   // a "V1.26" key table grew to 150 keys ("AdditionalKeys")
};

// Parsing the bytes of a whole file (header included). Nothing outside `bytes` is read.
[[nodiscard]] KeyFileError ParseKeyTable(std::span<const uint8_t> bytes, bool additional_keys, KeyMap& out,
                                         KeyFileVersion& version);
[[nodiscard]] KeyFileError ParseButtonFile(std::span<const uint8_t> bytes, KeyFileKind kind, ButtonFile& out,
                                           KeyFileVersion& version);

// The bytes of a file: "V1.28" for a 150-key table, "V1.26" for anything else. A key table is
// written without its country layout. Empty for a button file of more buttons than its records
// allow (kMaxButtons, or kMaxIconButtons when a button has an icon).
std::vector<uint8_t> KeyTableBytes(const KeyMap& map);
std::vector<uint8_t> ButtonFileBytes(KeyFileKind kind, const ButtonFile& file);

// The map as its file holds it: the country layout taken off, nothing replaced.
KeyMap StoredKeyMap(const KeyMap& map);

// A macro name list entry that holds a macro statement (`Type("...")`, `Key("PF1")`) instead of
// naming a macro file: the key runs the statement.
bool IsMacroStatement(std::string_view entry);

// Whether a file name names the standard file of its kind ("standard.key", with or without the
// extension and folder).
bool IsStandardKeyFileName(std::string_view name, KeyFileKind kind);

// Where a key file name leads (the data file rules: inside `folder` unless absolute, the
// extension added when missing).
std::string KeyFilePath(std::string_view name, std::string_view folder, std::string_view extension);

// The header text of a kind and version, blank-filled to 24 bytes.
std::string KeyFileHeader(KeyFileKind kind, std::string_view version);

struct [[nodiscard]] KeyFileLoad {
    bool ok = false;
    // The session's file name was changed to the standard one: the session file must be saved.
    bool session_changed = false;
};

// Finds, reads, checks, converts and installs one file into session.keyboard; on failure the
// message has been shown and the previously loaded map of that kind stays.
KeyFileLoad LoadKeyFile(Session& session, KeyFileKind kind, std::string_view name);
// The three files named in the session settings.
KeyFileLoad LoadSessionKeyFiles(Session& session);

// Writes one kind to `path` (its own path when empty). False after the "Error %d while saving %s"
// message.
[[nodiscard]] bool SaveKeyFile(Session& session, KeyFileKind kind, const std::string& path = {});
// Writes a file's bytes in place of `path` at once (the old file stays whole when it fails). False
// after the "Error %d while saving %s" message, or the one for a file that has too many buttons
// (empty bytes).
[[nodiscard]] bool WriteKeyFile(Ui& ui, const std::string& path, std::span<const uint8_t> bytes);

// The keyboard country's layout list over the key map: the previous layout is taken off first.
// Layout entries for keys the table does not hold are refused with a message.
void ApplyKeyboardLayout(Session& session);
void RemoveKeyboardLayout(Session& session);

}  // namespace orkan
