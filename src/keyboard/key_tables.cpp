#include "keyboard/key_tables.h"

#include <charconv>
#include <vector>

#include "config/profile_file.h"
#include "keyboard/key_functions.h"

namespace orkan {
namespace {

std::vector<std::string_view> Columns(std::string_view line) {
    std::vector<std::string_view> cols;
    size_t start = 0;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            cols.push_back(line.substr(start, i - start));
            start = i + 1;
        }
    }
    return cols;
}

std::optional<unsigned> Number(std::string_view text, unsigned max) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value > max)
        return std::nullopt;
    return value;
}

// Calls `each` with every line that is not blank or a comment, and its number.
template <typename Each>
bool ForEachLine(std::string_view text, std::string& error, Each each) {
    size_t number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == text.npos ? std::string_view() : text.substr(end + 1);
        ++number;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;
        std::string why;
        if (!each(Columns(line), why)) {
            error = "line " + std::to_string(number) + ": " + why;
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<uint16_t> ParseKeyCodeText(std::string_view text, const KeyList& list, MacroList& macros,
                                         std::string& error) {
    uint16_t code = 0;
    std::string_view options;
    if (text.starts_with("-")) {
        code = kKeyNoFunction;
        options = text.substr(1);
    } else if (text.starts_with("keyup")) {
        code = MakeKeyCode(KeyCategory::KeyUp, 0);
        options = text.substr(5);
    } else if (text.starts_with("C:") && text.size() >= 3) {
        unsigned c = uint8_t(text[2]);
        options = text.substr(3);
        if (text.substr(2).starts_with("0x") && text.size() >= 6) {
            const auto hex = std::from_chars(text.data() + 4, text.data() + 6, c, 16);
            if (hex.ec != std::errc() || hex.ptr != text.data() + 6) {
                error = "\"" + std::string(text) + "\": C:0x needs two hexadecimal digits";
                return std::nullopt;
            }
            options = text.substr(6);
        }
        code = CharCode(uint8_t(c));
    } else if (text.size() > 2 && text[1] == ':' &&
               (text[0] == 'A' || text[0] == 'E' || text[0] == 'O' || text[0] == 'M')) {
        const size_t plus = text.find('+');
        const std::string_view name = text.substr(2, plus == text.npos ? text.npos : plus - 2);
        options = plus == text.npos ? std::string_view() : text.substr(plus);
        if (text[0] == 'M') {
            int index = macros.IndexOf(name);
            if (index < 0) index = macros.Append(name);
            if (index < 0) {
                error = "\"" + std::string(name) + "\" cannot be added to the macro list";
                return std::nullopt;
            }
            code = MakeKeyCode(KeyCategory::Macro, uint8_t(index));
        } else {
            const KeyCategory category = text[0] == 'A'   ? KeyCategory::Action
                                         : text[0] == 'E' ? KeyCategory::Edit
                                                          : KeyCategory::Oper;
            const KeyFunction* found = nullptr;
            for (const KeyFunction& f : list.Functions(category))
                if (EqualsIgnoreCase(f.name, name)) found = &f;
            if (!found) {
                error =
                    "no function \"" + std::string(text.substr(0, 2)) + std::string(name) + "\" in key.lst";
                return std::nullopt;
            }
            code = MakeKeyCode(category, found->number, found->flags);
        }
    } else {
        error = "\"" + std::string(text) + "\" is not a function (-, keyup, A:, E:, O:, C:, M:)";
        return std::nullopt;
    }
    while (!options.empty()) {
        const size_t next = options.find('+', 1);
        const std::string_view option = options.substr(0, next);
        options = next == options.npos ? std::string_view() : options.substr(next);
        if (option == "+fixed")
            code |= kKeyFixed;
        else if (option == "+repeat")
            code |= kKeyAutoRepeat;
        else if (option == "+locked")
            code |= kKeyWorksWhileLocked;
        else if (option == "+numlock")
            code |= kKeyLayoutOnNumLock;
        else {
            error = "unknown option \"" + std::string(option) + "\" in \"" + std::string(text) + "\"";
            return std::nullopt;
        }
    }
    return code;
}

bool ParseKeyMapTable(std::string_view text, const KeyList& list, KeyMap& out, std::string& error) {
    KeyMap map;
    map.key_count = uint16_t(kMaxKeys);
    for (auto& row : map.codes) row.fill(kKeyNoFunction);
    std::array<bool, kMaxKeys> seen{};
    const bool ok =
        ForEachLine(text, error, [&](const std::vector<std::string_view>& cols, std::string& why) {
            if (cols.size() != 6 || cols[0] != "key") {
                why = "expected: key NAME NONE SHIFT CTRL ALT";
                return false;
            }
            const auto key = FindKeyNumber(cols[1]);
            if (!key) {
                why = "no key is named \"" + std::string(cols[1]) + "\"";
                return false;
            }
            if (seen[*key]) {
                why = "key \"" + std::string(cols[1]) + "\" is listed twice";
                return false;
            }
            seen[*key] = true;
            for (size_t m = 0; m < 4; ++m) {
                const auto code = ParseKeyCodeText(cols[2 + m], list, map.macros, why);
                if (!code) return false;
                map.codes[*key][m] = *code;
            }
            return true;
        });
    if (ok) out = std::move(map);
    return ok;
}

bool ParseButtonTable(std::string_view text, const KeyList& list, ButtonFile& out, std::string& error) {
    ButtonFile file;
    bool grid = false;
    const bool ok =
        ForEachLine(text, error, [&](const std::vector<std::string_view>& cols, std::string& why) {
            if (cols.size() == 3 && cols[0] == "grid") {
                const auto columns = Number(cols[1], 255), rows = Number(cols[2], 255);
                if (!columns || !rows) {
                    why = "the grid needs columns and rows of 0-255";
                    return false;
                }
                file.columns = uint8_t(*columns);
                file.rows = uint8_t(*rows);
                grid = true;
                return true;
            }
            if (cols.size() != 7 || cols[0] != "button") {
                why = "expected: grid COLUMNS ROWS, or button COLUMN ROW WIDTH HEIGHT FUNCTION LABEL";
                return false;
            }
            Button b;
            const auto column = Number(cols[1], 255), row = Number(cols[2], 255);
            const auto width = Number(cols[3], 255), height = Number(cols[4], 255);
            if (!column || !row || !width || !height || !*width || !*height) {
                why = "place and size must be numbers of 0-255, the size at least 1";
                return false;
            }
            if (!grid || *column + *width > file.columns || *row + *height > file.rows) {
                why = "the button lies outside the grid";
                return false;
            }
            const auto code = ParseKeyCodeText(cols[5], list, file.macros, why);
            if (!code) return false;
            if (cols[6].empty() || cols[6].size() >= kButtonLabelSize) {
                why = "a label has 1 to " + std::to_string(kButtonLabelSize - 1) + " characters";
                return false;
            }
            b.column = uint8_t(*column);
            b.row = uint8_t(*row);
            b.width = uint8_t(*width);
            b.height = uint8_t(*height);
            b.code = *code;
            b.label = std::string(cols[6]);
            file.buttons.push_back(std::move(b));
            return true;
        });
    if (!ok) return false;
    file.loaded = true;
    out = std::move(file);
    return true;
}

}  // namespace orkan
