#include "gui/key_editor_model.h"

#include <algorithm>

#include "config/profile_file.h"
#include "keyboard/key_functions.h"
#include "keyboard/key_numbers.h"

namespace orkan {
namespace {

constexpr size_t kMaxSameFunction = 8;

bool IsNothing(uint16_t code) {
    return IsFunction(code, KeyCategory::Edit, edit_fn::NoFunction);
}

bool IsNamedFunction(uint16_t code) {
    const KeyCategory c = CategoryOf(code);
    return (c == KeyCategory::Action || c == KeyCategory::Edit || c == KeyCategory::Oper) && !IsNothing(code);
}

// Two entries run the same thing, whatever their flags.
bool SameThing(uint16_t a, uint16_t b) {
    return CategoryOf(a) == CategoryOf(b) && NumberOf(a) == NumberOf(b);
}

// Entries compare exactly: "Type(\"a\")" and "Type(\"A\")" type different things, and "Logon" and
// "logon" are two macro files on a file system that tells case apart.
int FindEntry(const MacroList& macros, const std::string& entry) {
    for (size_t i = 0; i < macros.Count(); ++i)
        if (*macros.Name(i) == entry) return int(i);
    return -1;
}

std::string Trimmed(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return std::string(t);
}

std::string EntryName(size_t key, int modifier, bool on_release) {
    const std::string name(KeyNumberName(key));
    if (on_release) return name + " (released)";
    return modifier == 0 ? name : std::string(kModifierNames[size_t(modifier)]) + "+" + name;
}

// clang-format off
constexpr KeyMapPreset::Entry kRightCtrlEnter[] = {{"RightCtrl", "Enter", true}};
constexpr KeyMapPreset::Entry kKeypadEnter[] = {{"KeypadEnter", "Enter", false}, {"Enter", "NewLine", false}};
constexpr KeyMapPreset kPresets[] = {
    {"Right Ctrl is Enter", kRightCtrlEnter},
    {"Keypad Enter is Enter, Return is New Line", kKeypadEnter},
};
// clang-format on

}  // namespace

std::string TypeStatement(std::string_view text) {
    std::string out = "Type(\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\")";
}

std::optional<std::string> TypedText(std::string_view statement) {
    constexpr std::string_view kStart = "Type(\"", kEnd = "\")";
    if (statement.size() < kStart.size() + kEnd.size() || !EqualsIgnoreCase(statement.substr(0, 4), "Type") ||
        statement.substr(4, 2) != kStart.substr(4) || !statement.ends_with(kEnd))
        return std::nullopt;
    const std::string_view inner =
        statement.substr(kStart.size(), statement.size() - kStart.size() - kEnd.size());
    std::string text;
    for (size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == '"') {
            if (i + 1 >= inner.size() || inner[i + 1] != '"') return std::nullopt;
            ++i;
        }
        text += inner[i];
    }
    return text;
}

std::optional<uint16_t> AssignmentCode(const Assignment& a, const KeyList& list, MacroList& macros,
                                       std::span<const uint16_t> in_use, std::string& error) {
    switch (a.kind) {
        case AssignmentKind::Nothing:
            return kKeyNoFunction;
        case AssignmentKind::Function: {
            const KeyFunction* f = list.Find(CategoryOf(a.function), NumberOf(a.function));
            if (!f) {
                error = "There is no such key function.";
                return std::nullopt;
            }
            return MakeKeyCode(CategoryOf(a.function), NumberOf(a.function), f->flags);
        }
        case AssignmentKind::Character:
            return CharCode(a.character, kKeyAutoRepeat);
        case AssignmentKind::Text:
        case AssignmentKind::Macro: {
            const std::string entry =
                a.kind == AssignmentKind::Text ? TypeStatement(a.text) : Trimmed(a.text);
            if ((a.kind == AssignmentKind::Text ? a.text : entry).empty()) {
                error = a.kind == AssignmentKind::Text ? "The text to type is empty."
                                                       : "The macro name is empty.";
                return std::nullopt;
            }
            if (entry.find_first_of(std::string_view("\0\r\n", 3)) != entry.npos) {
                error = "A key's text or macro is one line.";
                return std::nullopt;
            }
            int index = FindEntry(macros, entry);
            // Entries in use keep their numbers; one no key refers to any more serves again, so a
            // list that has seen many changes does not fill up.
            for (size_t i = 0; index < 0 && i < macros.Count(); ++i) {
                const bool used = std::any_of(in_use.begin(), in_use.end(), [&](uint16_t code) {
                    return CategoryOf(code) == KeyCategory::Macro && NumberOf(code) == i;
                });
                if (!used && macros.Replace(i, entry)) index = int(i);
            }
            if (index < 0) index = macros.Append(entry);
            if (index < 0) {
                error =
                    "The file's macro list is full: it holds " + std::to_string(kMaxMacroNames) + " names.";
                return std::nullopt;
            }
            return MakeKeyCode(KeyCategory::Macro, uint8_t(index));
        }
    }
    return std::nullopt;
}

Assignment AssignmentOf(uint16_t code, const MacroList& macros) {
    Assignment a;
    switch (CategoryOf(code)) {
        case KeyCategory::Char:
            a.kind = AssignmentKind::Character;
            a.character = NumberOf(code);
            break;
        case KeyCategory::Macro:
            if (const std::string* name = macros.Name(NumberOf(code))) {
                const std::optional<std::string> typed = TypedText(*name);
                a.kind = typed ? AssignmentKind::Text : AssignmentKind::Macro;
                a.text = typed ? *typed : *name;
            } else {
                a.kind = AssignmentKind::Macro;
            }
            break;
        case KeyCategory::Action:
        case KeyCategory::Edit:
        case KeyCategory::Oper:
            if (IsNothing(code)) break;
            a.kind = AssignmentKind::Function;
            a.function = MakeKeyCode(CategoryOf(code), NumberOf(code));
            break;
        default:
            break;
    }
    return a;
}

std::string EntryText(uint16_t code, const KeyList& list, const MacroList& macros) {
    if (IsNothing(code)) return "Nothing";
    switch (CategoryOf(code)) {
        case KeyCategory::KeyUp:
            return "Runs on release";
        case KeyCategory::Char:
            return NumberOf(code) == ' ' ? std::string("Blank")
                                         : "Character " + std::string(1, char(NumberOf(code)));
        case KeyCategory::Macro: {
            const std::string* name = macros.Name(NumberOf(code));
            if (!name) return "Macro number " + std::to_string(NumberOf(code)) + " (missing)";
            if (const std::optional<std::string> typed = TypedText(*name)) return "Types \"" + *typed + "\"";
            return (IsMacroStatement(*name) ? "Runs " : "Macro ") + *name;
        }
        default:
            break;
    }
    if (const KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code))) return f->name;
    return list.KeyText(code);
}

bool IsModifierKey(size_t key) {
    static constexpr std::array<uint8_t, 6> kModifierKeys = {
        KeyNumberNamed("LeftShift"), KeyNumberNamed("RightShift"), KeyNumberNamed("LeftCtrl"),
        KeyNumberNamed("RightCtrl"), KeyNumberNamed("LeftAlt"),    KeyNumberNamed("RightAlt")};
    return std::find(kModifierKeys.begin(), kModifierKeys.end(), key) != kModifierKeys.end();
}

std::span<const KeyMapPreset> KeyMapPresets() {
    return kPresets;
}

// ---- Key maps

KeyMapEdit::KeyMapEdit(const KeyList& list, KeyMap stored, std::span<const KeyLayoutRecord> layout)
    : list_(list), map_(std::move(stored)) {
    for (const KeyLayoutRecord& r : layout) {
        if (r.key == kListEnd) break;
        layout_.push_back(r);
    }
}

// A key-up key's entry that may repeat runs at the press (as Print Screen's does), not at the
// release: the function a key runs when released alone never repeats.
uint16_t KeyMapEdit::OnRelease(uint16_t code) {
    return uint16_t(code & ~kKeyAutoRepeat);
}

// The entry back on a plain key repeats as its function does (key.lst's flags; characters repeat).
uint16_t KeyMapEdit::Plain(uint16_t code) const {
    if (CategoryOf(code) == KeyCategory::Char) return uint16_t(code | kKeyAutoRepeat);
    if (const KeyFunction* f = list_.Find(CategoryOf(code), NumberOf(code)))
        return uint16_t(code | (f->flags & kKeyAutoRepeat));
    return code;
}

bool KeyMapEdit::RunsOnRelease(size_t key) const {
    return CategoryOf(map_.Code(key, 0)) == KeyCategory::KeyUp;
}

std::vector<int> KeyMapEdit::Modifiers(size_t key) const {
    if (RunsOnRelease(key)) return {1};
    return {0, 1, 2, 3};
}

std::optional<std::string> KeyMapEdit::Assign(size_t key, int modifier, const Assignment& a,
                                              std::string& error) {
    if (key >= map_.key_count || modifier < 0 || modifier > 3) {
        error = "This key map holds keys 0 to " + std::to_string(map_.key_count - 1) +
                " only: it was written by an older version. Save it again to have all keys.";
        return std::nullopt;
    }
    if (a.kind != AssignmentKind::Nothing && modifier == 0 && IsModifierKey(key)) SetRunsOnRelease(key, true);
    if (RunsOnRelease(key)) modifier = 1;
    MacroList macros = map_.macros;
    std::vector<uint16_t> in_use;
    for (size_t k = 0; k < map_.key_count; ++k)
        in_use.insert(in_use.end(), map_.codes[k].begin(), map_.codes[k].end());
    for (const ReplacedEntry& r : map_.replaced) in_use.push_back(r.saved);
    const std::optional<uint16_t> made = AssignmentCode(a, list_, macros, in_use, error);
    if (!made) return std::nullopt;
    map_.macros = std::move(macros);
    uint16_t& entry = map_.codes[key][size_t(modifier)];
    const uint16_t old = entry;
    uint16_t code = uint16_t(*made | kKeyFixed);
    if (modifier == 0 && NumLockAlternate(uint8_t(key))) code |= uint16_t(old & kKeyLayoutOnNumLock);
    if (RunsOnRelease(key)) code = OnRelease(code);
    entry = code;
    changed_ = true;
    if (a.kind == AssignmentKind::Nothing && RunsOnRelease(key)) SetRunsOnRelease(key, false);

    if (!IsNamedFunction(old) || SameThing(old, code)) return std::string();
    for (size_t k = 0; k < map_.key_count; ++k)
        for (int m : Modifiers(k))
            if (SameThing(map_.codes[k][size_t(m)], old)) return std::string();
    return EntryText(old, list_, map_.macros) + " is now on no key.";
}

void KeyMapEdit::SetRunsOnRelease(size_t key, bool on) {
    if (key >= map_.key_count || RunsOnRelease(key) == on) return;
    auto& entries = map_.codes[key];
    const uint16_t function = on ? entries[0] : entries[1];
    const uint16_t nothing = uint16_t(kKeyNoFunction | kKeyFixed);
    const bool runs = !IsNothing(function) && CategoryOf(function) != KeyCategory::KeyUp;
    if (on) {
        entries = {MakeKeyCode(KeyCategory::KeyUp, 0, kKeyFixed), runs ? OnRelease(function) : nothing,
                   nothing, nothing};
    } else {
        entries = {runs ? Plain(function) : nothing, nothing, nothing, nothing};
    }
    changed_ = true;
}

bool KeyMapEdit::ApplyPreset(const KeyMapPreset& preset, std::string& error) {
    for (const KeyMapPreset::Entry& e : preset.entries) {
        const std::optional<uint8_t> key = FindKeyNumber(e.key);
        const uint16_t function = list_.FindKeyFunction(e.function);
        if (!key || function == kNoKeyFunction) {
            error = "The key list has no function \"" + std::string(e.function) + "\".";
            return false;
        }
        SetRunsOnRelease(*key, e.on_release);
        const Assignment a{AssignmentKind::Function, function, 0, {}};
        if (!Assign(*key, e.on_release ? 1 : 0, a, error)) return false;
    }
    return true;
}

bool KeyMapEdit::Unassigned(size_t key) const {
    for (int m : Modifiers(key))
        if (!IsNothing(map_.Code(key, size_t(m)))) return false;
    return true;
}

const KeyLayoutRecord* KeyMapEdit::LayoutFor(size_t key) const {
    for (const KeyLayoutRecord& r : layout_) {
        size_t target = r.key;
        // As the layout is applied: on a keypad key so marked, it belongs to the Num Lock alternate.
        if (const auto alternate = NumLockAlternate(r.key);
            alternate && (map_.Code(r.key, 0) & kKeyLayoutOnNumLock) &&
            CategoryOf(map_.Code(r.key, 0)) != KeyCategory::KeyUp)
            target = *alternate;
        if (target == key) return &r;
    }
    return nullptr;
}

std::vector<std::string> KeyMapEdit::Conflicts(size_t key) const {
    std::vector<std::string> out;
    const KeyLayoutRecord* layout = LayoutFor(key);
    const bool on_release = RunsOnRelease(key);
    for (int m : Modifiers(key)) {
        const uint16_t code = map_.Code(key, size_t(m));
        const std::string entry = EntryName(key, m, on_release) + ": ";
        if (IsNamedFunction(code) && !list_.Find(CategoryOf(code), NumberOf(code)))
            out.push_back(entry + list_.KeyText(code) + " is not a function Orkan TN3270 has.");
        if (CategoryOf(code) == KeyCategory::Macro && !map_.macros.Name(NumberOf(code)))
            out.push_back(entry + "macro number " + std::to_string(NumberOf(code)) +
                          " is not in the file's list.");
        if (layout && !IsFixed(code) && CategoryOf(code) != KeyCategory::Char && !IsNothing(code)) {
            const std::array<uint8_t, 4> typed = {layout->unshifted, layout->shifted, layout->third,
                                                  layout->third};
            out.push_back(entry + "the country keyboard types \"" + std::string(1, char(typed[size_t(m)])) +
                          "\" here instead of " + EntryText(code, list_, map_.macros) + ".");
        }
    }
    return out;
}

std::vector<std::string> KeyMapEdit::SameFunctionElsewhere(size_t key, int modifier) const {
    std::vector<std::string> out;
    const uint16_t code = map_.Code(key, size_t(modifier));
    if (IsNothing(code) || CategoryOf(code) == KeyCategory::KeyUp) return out;
    for (size_t k = 0; k < map_.key_count && out.size() < kMaxSameFunction; ++k) {
        if (KeyNumberName(k).empty()) continue;
        for (int m : Modifiers(k))
            if ((k != key || m != modifier) && SameThing(map_.codes[k][size_t(m)], code))
                out.push_back(EntryName(k, m, RunsOnRelease(k)));
    }
    return out;
}

std::pair<uint8_t, uint8_t> KeyMapEdit::LayoutCharacters(size_t key) const {
    if (const KeyLayoutRecord* r = LayoutFor(key)) {
        // A fixed entry keeps its own character.
        auto shown = [&](int m, uint8_t layout_char) {
            const uint16_t code = map_.Code(key, size_t(m));
            if (!IsFixed(code)) return layout_char;
            return CategoryOf(code) == KeyCategory::Char ? NumberOf(code) : uint8_t(0);
        };
        return {shown(0, r->unshifted), shown(1, r->shifted)};
    }
    auto character = [&](int m) {
        const uint16_t code = map_.Code(key, size_t(m));
        return CategoryOf(code) == KeyCategory::Char ? NumberOf(code) : uint8_t(0);
    };
    return {character(0), character(1)};
}

// ---- Button files

ButtonFileEdit::ButtonFileEdit(KeyFileKind kind, ButtonFile file) : kind_(kind), file_(std::move(file)) {
    file_.loaded = true;
}

void ButtonFileEdit::Renumber() {
    if (kind_ != KeyFileKind::Toolbar) return;
    for (size_t i = 0; i < file_.buttons.size(); ++i) {
        Button& b = file_.buttons[i];
        b.column = uint8_t(std::min<size_t>(i, 255));
        b.row = 0;
    }
    file_.columns = uint8_t(std::min<size_t>(std::max<size_t>(file_.buttons.size(), 1), 255));
    file_.rows = 1;
}

size_t ButtonFileEdit::Add(std::optional<size_t> after, uint16_t code, std::string label) {
    Button b;
    b.code = code;
    if (label.size() >= kButtonLabelSize) label.resize(kButtonLabelSize - 1);
    b.label = std::move(label);
    if (kind_ == KeyFileKind::Keypad) {
        if (file_.columns == 0) file_.columns = 1;
        auto taken = [&](int column, int row) {
            return std::any_of(file_.buttons.begin(), file_.buttons.end(), [&](const Button& o) {
                return column >= o.column && column < o.column + std::max<int>(o.width, 1) && row >= o.row &&
                       row < o.row + std::max<int>(o.height, 1);
            });
        };
        bool placed = false;
        for (int row = 0; row < file_.rows && !placed; ++row)
            for (int column = 0; column < file_.columns && !placed; ++column)
                if (!taken(column, row)) {
                    b.column = uint8_t(column);
                    b.row = uint8_t(row);
                    placed = true;
                }
        if (!placed && file_.rows < 255) {
            b.row = file_.rows++;
            b.column = 0;
        }
    }
    const size_t at = after && *after < file_.buttons.size() ? *after + 1 : file_.buttons.size();
    file_.buttons.insert(file_.buttons.begin() + ptrdiff_t(at), std::move(b));
    Renumber();
    changed_ = true;
    return at;
}

void ButtonFileEdit::Remove(size_t index) {
    if (index >= file_.buttons.size()) return;
    file_.buttons.erase(file_.buttons.begin() + ptrdiff_t(index));
    Renumber();
    changed_ = true;
}

size_t ButtonFileEdit::Move(size_t index, int step) {
    const ptrdiff_t to = ptrdiff_t(index) + step;
    if (index >= file_.buttons.size() || to < 0 || size_t(to) >= file_.buttons.size()) return index;
    std::swap(file_.buttons[index], file_.buttons[size_t(to)]);
    Renumber();
    changed_ = true;
    return size_t(to);
}

bool ButtonFileEdit::SetCode(size_t index, const Assignment& a, const KeyList& list, std::string& error) {
    if (index >= file_.buttons.size()) return false;
    MacroList macros = file_.macros;
    std::vector<uint16_t> in_use;
    for (const Button& b : file_.buttons) in_use.push_back(b.code);
    const std::optional<uint16_t> code = AssignmentCode(a, list, macros, in_use, error);
    if (!code) return false;
    file_.macros = std::move(macros);
    file_.buttons[index].code = *code;
    changed_ = true;
    return true;
}

void ButtonFileEdit::SetLabel(size_t index, std::string label) {
    if (index >= file_.buttons.size()) return;
    if (label.size() >= kButtonLabelSize) label.resize(kButtonLabelSize - 1);
    file_.buttons[index].label = std::move(label);
    changed_ = true;
}

void ButtonFileEdit::SetIcon(size_t index, std::string icon) {
    if (index >= file_.buttons.size()) return;
    if (icon.size() >= kButtonIconSize) icon.resize(kButtonIconSize - 1);
    file_.buttons[index].icon = std::move(icon);
    changed_ = true;
}

void ButtonFileEdit::SetPlace(size_t index, uint8_t column, uint8_t row, uint8_t width, uint8_t height) {
    if (index >= file_.buttons.size()) return;
    Button& b = file_.buttons[index];
    b.column = column;
    b.row = row;
    b.width = std::max<uint8_t>(width, 1);
    b.height = std::max<uint8_t>(height, 1);
    changed_ = true;
}

void ButtonFileEdit::SetGrid(uint8_t columns, uint8_t rows) {
    file_.columns = std::max<uint8_t>(columns, 1);
    file_.rows = std::max<uint8_t>(rows, 1);
    changed_ = true;
}

std::vector<std::string> ButtonFileEdit::Conflicts(size_t index) const {
    std::vector<std::string> out;
    if (kind_ != KeyFileKind::Keypad || index >= file_.buttons.size()) return out;
    const Button& b = file_.buttons[index];
    const int right = b.column + std::max<int>(b.width, 1), bottom = b.row + std::max<int>(b.height, 1);
    if (right > file_.columns || bottom > file_.rows)
        out.push_back("It reaches outside the grid of " + std::to_string(file_.columns) + " x " +
                      std::to_string(file_.rows) + " cells.");
    for (size_t i = 0; i < file_.buttons.size(); ++i) {
        if (i == index) continue;
        const Button& o = file_.buttons[i];
        const int o_right = o.column + std::max<int>(o.width, 1),
                  o_bottom = o.row + std::max<int>(o.height, 1);
        if (b.column < o_right && o.column < right && b.row < o_bottom && o.row < bottom)
            out.push_back("It shares cells with \"" + o.label + "\".");
    }
    return out;
}

}  // namespace orkan
