// What the keyboard, tool bar and keypad editors change, without any window: the stored form of a
// key map (the country layout taken off) or of a button file, what one entry does in words, the
// conflicts a key has, the presets, and the button list's own operations. The dialogs show this;
// tests drive it directly.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "charset/charset_tables.h"
#include "keyboard/key_files.h"
#include "keyboard/key_list.h"

namespace orkan {

// What an entry of the key map or a button runs, as the editors offer it.
enum class AssignmentKind : uint8_t { Nothing, Function, Character, Text, Macro };

struct Assignment {
    AssignmentKind kind = AssignmentKind::Nothing;
    uint16_t function = 0;  // Function: its category and number (the flags come from key.lst)
    uint8_t character = 0;  // Character: a display byte
    std::string text{};     // Text: what the key types; Macro: the macro's name or a macro statement
    bool operator==(const Assignment&) const = default;
};

// The code for an assignment; a Text or Macro entry goes into `macros` (an equal name is shared,
// else an entry none of `in_use` refers to any more is taken before the list grows). Nothing with
// `error` set when it cannot be stored (an empty text, a full macro list).
std::optional<uint16_t> AssignmentCode(const Assignment& a, const KeyList& list, MacroList& macros,
                                       std::span<const uint16_t> in_use, std::string& error);
// What a stored code runs, as the editors show it for changing.
Assignment AssignmentOf(uint16_t code, const MacroList& macros);
// The macro statement that types `text`, and back (nothing for another statement).
std::string TypeStatement(std::string_view text);
std::optional<std::string> TypedText(std::string_view statement);

// An entry in words, display bytes: "PF1", "Character a", "Types \"abc\"", "Macro logon", "Nothing".
std::string EntryText(uint16_t code, const KeyList& list, const MacroList& macros);

inline constexpr std::array<std::string_view, 4> kModifierNames = {"No modifier", "Shift", "Ctrl", "Alt"};

// The keys that act as modifiers: a function of their own runs when they are released alone, so
// that they still work in combinations.
bool IsModifierKey(size_t key);

// Ready-made changes users of other emulators ask for.
struct KeyMapPreset {
    std::string_view name;
    struct Entry {
        std::string_view key;       // key_numbers.h name
        std::string_view function;  // key.lst name
        bool on_release;            // the key runs it when released alone (modifier keys)
    };
    std::span<const Entry> entries;
};
std::span<const KeyMapPreset> KeyMapPresets();

class KeyMapEdit {
  public:
    // `layout`: the country keyboard's layout list, for the conflicts it makes.
    KeyMapEdit(const KeyList& list, KeyMap stored, std::span<const KeyLayoutRecord> layout);

    const KeyMap& Map() const { return map_; }
    bool Changed() const { return changed_; }
    void MarkSaved() { changed_ = false; }

    // A key-up key runs one function, its Shift entry, when released; its other entries are unused.
    bool RunsOnRelease(size_t key) const;
    // The entries the editor shows for a key: four modifiers, or the one that runs on release.
    std::vector<int> Modifiers(size_t key) const;

    // Sets one entry (for a key-up key, modifier 1 is the function run on release). What the user
    // assigns keeps its place when the country keyboard changes. Returns what to tell the user
    // (the function the entry had that no key runs now), or nothing with `error` set.
    std::optional<std::string> Assign(size_t key, int modifier, const Assignment& a, std::string& error);
    // Turns a key into a key-up key that runs what its plain entry ran, or back.
    void SetRunsOnRelease(size_t key, bool on);
    [[nodiscard]] bool ApplyPreset(const KeyMapPreset& preset, std::string& error);

    // Every entry of the key does nothing.
    bool Unassigned(size_t key) const;
    // What keeps an entry of the key from doing what it shows, one line each (display bytes).
    std::vector<std::string> Conflicts(size_t key) const;
    // The other keys and modifiers with the same function as this entry ("Ctrl+F1").
    std::vector<std::string> SameFunctionElsewhere(size_t key, int modifier) const;
    // What the key's cap shows of the country keyboard: its unshifted and shifted characters (0 when
    // it has none).
    std::pair<uint8_t, uint8_t> LayoutCharacters(size_t key) const;

  private:
    const KeyLayoutRecord* LayoutFor(size_t key) const;
    static uint16_t OnRelease(uint16_t code);
    uint16_t Plain(uint16_t code) const;

    const KeyList& list_;
    KeyMap map_;
    std::vector<KeyLayoutRecord> layout_;
    bool changed_ = false;
};

// The button list of a tool bar or keypad.
class ButtonFileEdit {
  public:
    ButtonFileEdit(KeyFileKind kind, ButtonFile file);

    const ButtonFile& File() const { return file_; }
    KeyFileKind Kind() const { return kind_; }
    bool Changed() const { return changed_; }
    void MarkSaved() { changed_ = false; }

    // A new button after `after` (at the end for none): the next place in the tool bar's row, or
    // the first free cell of the keypad's grid (a row more when it is full). Its index.
    size_t Add(std::optional<size_t> after, uint16_t code, std::string label);
    void Remove(size_t index);
    // Moves a button one place earlier or later; the tool bar's row follows the order. The new index.
    size_t Move(size_t index, int step);
    [[nodiscard]] bool SetCode(size_t index, const Assignment& a, const KeyList& list, std::string& error);
    // Labels and icon names are cut at what a record holds; the label is display bytes.
    void SetLabel(size_t index, std::string label);
    void SetIcon(size_t index, std::string icon);
    void SetPlace(size_t index, uint8_t column, uint8_t row, uint8_t width, uint8_t height);
    void SetGrid(uint8_t columns, uint8_t rows);

    // Buttons that share a cell of the keypad's grid with an earlier one, or lie outside it.
    std::vector<std::string> Conflicts(size_t index) const;

  private:
    void Renumber();  // the tool bar's row: columns in list order

    KeyFileKind kind_;
    ButtonFile file_;
    bool changed_ = false;
};

}  // namespace orkan
