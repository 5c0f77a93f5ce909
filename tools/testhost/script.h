// Applications the host serves, read from script files of our own format (see README.md):
// screens laid out as text with field markers or given as orders, and rules that say which
// screen follows on which key and field values.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"

namespace testhost::script {

// A field's look: the 3270 attribute bits plus extended colour and highlighting.
struct FieldLook {
    uint8_t bits = 0x20;             // protected unless "input"
    uint8_t fg = 0;                  // 0 or 0xF0..0xF7
    uint8_t hl = 0;                  // 0 or 0xF0..0xF4
    std::vector<std::string> names;  // names given to the input fields made with it, in order
};

struct Marker {
    char32_t ch = 0;
    FieldLook look;
};

// 1-based; negative counts from the end (-1 = last row or column).
struct Position {
    int row = 1;
    int col = 1;
};

struct Order {
    enum class Kind { Sba, Sf, Sfe, Sa, Mf, Ic, Pt, Ra, Eua, Ge, Text, Hex };
    Kind kind = Kind::Text;
    Position pos;
    FieldLook look;      // Sf, Sfe, Mf
    uint8_t type = 0;    // Sa: attribute type
    uint8_t value = 0;   // Sa: value; Ge, Ra: the character when given as a byte
    bool ra_ge = false;  // Ra: character is a GE byte
    std::string text;    // Text (may hold ${...}); Ra: the character as text
    Bytes hex;           // Hex
    int line = 0;
};

struct Condition {
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge, Modified, NotModified };
    std::string lhs;  // a variable or field name
    Op op = Op::Eq;
    std::string rhs;  // text, may hold ${...}
};

struct Action {
    enum class Kind {
        Goto,
        Set,
        Stay,
        Unlock,
        ReadBuffer,
        ReadModified,
        ReadModifiedAll,
        Query,
        QueryList,
        SscpLu,
        Bind,
        Unbind,
        Disconnect,
        Check,
        Log,
        PrintText,
        AsciiHost,
        RemoteMacro
    };
    Kind kind = Kind::Stay;
    std::string name;  // Goto: screen; Set: variable; Bind: PLU name; RemoteMacro: file
    std::string text;  // Set, SscpLu, Log, PrintText
    Bytes codes;       // QueryList
    Condition cond;    // Check
    int line = 0;
};

struct Rule {
    std::vector<std::string> keys;  // AID names, "any", "attn", "sysreq"
    std::vector<Condition> conditions;
    std::vector<Action> actions;
    int line = 0;
};

struct Screen {
    std::string name;
    int line = 0;
    uint8_t command = 0xF5;  // Erase/Write; 0x7E alternate, 0xF1 Write
    uint8_t wcc = 0x43;      // reset, keyboard restore, reset MDT
    int rows = 0, cols = 0;  // size the layout is drawn for; 0 = the size the command selects
    std::vector<std::string> layout;
    std::vector<int> layout_lines;
    std::vector<Marker> markers;  // the screen's own, tried before the application's
    std::vector<Order> orders;
    std::optional<std::string> cursor_field;
    std::optional<Position> cursor_pos;
    std::map<std::string, std::string> values;  // initial field contents
    uint8_t response = 0;                       // TN3270E response flag for its write
    std::vector<Rule> rules;
};

struct App {
    std::string title;
    std::string start;
    std::vector<Action> on_connect;
    std::vector<Marker> markers;
    std::map<std::string, std::string> variables;
    std::vector<Rule> rules;  // tried when the screen's own rules do not match
    std::vector<Screen> screens;

    const Screen* Find(std::string_view name) const;
};

// Parses script text; `file` names it in messages ("demo.app:12: ..."). The codec checks that
// every character of the screens exists in the host code page.
[[nodiscard]] bool Parse(std::string_view text, const std::string& file, const Codec& codec, App& app,
                         std::string& error);
[[nodiscard]] bool Load(const std::string& path, const Codec& codec, App& app, std::string& error);

// Expands ${name} and ${name:width}; `lookup` gives a value or nullopt (then the text is empty).
template <typename Lookup>
std::string Expand(std::string_view text, Lookup&& lookup);

// One piece of a layout row: literal text, a marker, or a variable with its width.
struct Piece {
    enum class Kind { Text, Marker, Variable };
    Kind kind;
    std::string text;   // Text: UTF-8; Variable: the name
    size_t marker = 0;  // Marker: index into the markers in effect
    int width = 0;      // cells it takes
};
// Splits a layout row; false when a ${ is not closed or a width is bad.
[[nodiscard]] bool SplitRow(std::string_view row, const std::vector<const Marker*>& markers,
                            std::vector<Piece>& out, std::string& error);

// The markers in effect on a screen: its own first, then the application's.
std::vector<const Marker*> MarkersFor(const App& app, const Screen& screen);

// Parses "name" or "name:width" of a ${...} reference.
[[nodiscard]] bool ParseReference(std::string_view inside, std::string& name, int& width);

template <typename Lookup>
std::string Expand(std::string_view text, Lookup&& lookup) {
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        const size_t open = text.find("${", i);
        if (open == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        const size_t close = text.find('}', open + 2);
        if (close == std::string_view::npos) {
            out.append(text.substr(i));
            break;
        }
        out.append(text.substr(i, open - i));
        std::string name;
        int width = -1;
        if (ParseReference(text.substr(open + 2, close - open - 2), name, width)) {
            std::string value = lookup(name).value_or("");
            if (width >= 0) {
                // Width counts characters, not bytes: cut or pad by code points.
                size_t cut = value.size();
                int n = 0;
                for (size_t k = 0; k < value.size(); ++k) {
                    if ((static_cast<uint8_t>(value[k]) & 0xC0) != 0x80) {
                        if (n == width) {
                            cut = k;
                            break;
                        }
                        ++n;
                    }
                }
                value.resize(cut);
                if (n < width) value.append(static_cast<size_t>(width - n), ' ');
            }
            out += value;
        }
        i = close + 1;
    }
    return out;
}

}  // namespace testhost::script
