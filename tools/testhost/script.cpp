#include "script.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <sstream>

#include "ds.h"
#include "inbound.h"

namespace testhost::script {

const Screen* App::Find(std::string_view name) const {
    for (const auto& s : screens)
        if (s.name == name) return &s;
    return nullptr;
}

bool ParseReference(std::string_view inside, std::string& name, int& width) {
    width = -1;
    const size_t colon = inside.find(':');
    name = std::string(inside.substr(0, colon));
    // "${name    }": blanks after the name only widen the token, which sets the width.
    if (colon == std::string_view::npos) {
        while (!name.empty() && name.back() == ' ') name.pop_back();
    }
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '.' && c != '-') return false;
    if (colon == std::string_view::npos) return true;
    const std::string_view w = inside.substr(colon + 1);
    if (w.empty() || w.size() > 4) return false;
    for (char c : w)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    width = std::stoi(std::string(w));
    return width <= 16383;
}

std::vector<const Marker*> MarkersFor(const App& app, const Screen& screen) {
    std::vector<const Marker*> out;
    for (const auto& m : screen.markers) out.push_back(&m);
    for (const auto& m : app.markers) {
        const bool shadowed = std::any_of(screen.markers.begin(), screen.markers.end(),
                                          [&](const Marker& own) { return own.ch == m.ch; });
        if (!shadowed) out.push_back(&m);
    }
    return out;
}

bool SplitRow(std::string_view row, const std::vector<const Marker*>& markers, std::vector<Piece>& out,
              std::string& error) {
    out.clear();
    std::vector<char32_t> cps;
    if (!DecodeUtf8(row, cps)) {
        error = "layout row is not valid UTF-8";
        return false;
    }
    // Work on code points but hand out UTF-8, so each literal cell stays one character.
    std::string text;
    auto flush = [&] {
        if (text.empty()) return;
        std::vector<char32_t> t;
        (void)DecodeUtf8(text, t);
        out.push_back(Piece{Piece::Kind::Text, text, 0, static_cast<int>(t.size())});
        text.clear();
    };
    auto utf8 = [](char32_t cp) {
        std::string s;
        if (cp < 0x80) {
            s += static_cast<char>(cp);
        } else if (cp < 0x800) {
            s += static_cast<char>(0xC0 | (cp >> 6));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            s += static_cast<char>(0xE0 | (cp >> 12));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | (cp >> 18));
            s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (cp & 0x3F));
        }
        return s;
    };
    for (size_t i = 0; i < cps.size(); ++i) {
        if (cps[i] == U'$' && i + 1 < cps.size() && cps[i + 1] == U'{') {
            size_t close = i + 2;
            while (close < cps.size() && cps[close] != U'}') ++close;
            if (close == cps.size()) {
                error = "'${' without a closing '}' in layout";
                return false;
            }
            std::string inside;
            for (size_t k = i + 2; k < close; ++k) inside += utf8(cps[k]);
            std::string name;
            int width = -1;
            if (!ParseReference(inside, name, width)) {
                error = "bad variable reference '${" + inside + "}' (want ${name} or ${name:width})";
                return false;
            }
            flush();
            const int token_width = static_cast<int>(close - i + 1);
            out.push_back(Piece{Piece::Kind::Variable, name, 0, width >= 0 ? width : token_width});
            i = close;
            continue;
        }
        const auto m =
            std::find_if(markers.begin(), markers.end(), [&](const Marker* mk) { return mk->ch == cps[i]; });
        if (m != markers.end()) {
            flush();
            out.push_back(Piece{Piece::Kind::Marker, {}, static_cast<size_t>(m - markers.begin()), 1});
            continue;
        }
        text += utf8(cps[i]);
    }
    flush();
    return true;
}

namespace {

struct Token {
    std::string text;
    bool quoted = false;
    bool Is(std::string_view s) const { return !quoted && text == s; }
};

bool Tokenize(std::string_view line, std::vector<Token>& out, std::string& error) {
    out.clear();
    size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '"') {
            Token t;
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
                    t.text += line[i + 1];
                    i += 2;
                } else if (line[i] == '"') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    t.text += line[i++];
                }
            }
            if (!closed) {
                error = "string without its closing quote";
                return false;
            }
            out.push_back(std::move(t));
        } else if (c == ':' || c == ';') {
            out.push_back(Token{std::string(1, c), false});
            ++i;
        } else if (c == '#' && (i == 0 || line[i - 1] == ' ' || line[i - 1] == '\t')) {
            break;  // a comment runs to the end of the line
        } else {
            Token t;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
                   line[i] != '"' && line[i] != ':' && line[i] != ';')
                t.text += line[i++];
            out.push_back(std::move(t));
        }
    }
    return true;
}

bool IsName(std::string_view s) {
    if (s.empty() || s.size() > 64 || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
    });
}

bool ParseInt(std::string_view s, int& out) {
    if (s.empty() || s.size() > 6) return false;
    size_t i = (s[0] == '-') ? 1 : 0;
    if (i == s.size()) return false;
    int v = 0;
    for (; i < s.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
        v = v * 10 + (s[i] - '0');
    }
    out = s[0] == '-' ? -v : v;
    return true;
}

bool ParseHexByte(std::string_view s, uint8_t& out) {
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty() || s.size() > 2) return false;
    int v = 0;
    for (char c : s) {
        v <<= 4;
        if (c >= '0' && c <= '9')
            v |= c - '0';
        else if (c >= 'a' && c <= 'f')
            v |= c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v |= c - 'A' + 10;
        else
            return false;
    }
    out = static_cast<uint8_t>(v);
    return true;
}

template <size_t N>
std::optional<uint8_t> LookupColour(const std::array<ds::ColourName, N>& table, std::string_view name) {
    for (const auto& c : table)
        if (c.name == name) return c.value;
    return std::nullopt;
}

class Parser {
  public:
    Parser(const std::string& file, const Codec& codec, App& app) : file_(file), codec_(codec), app_(app) {}

    bool Run(std::string_view text) {
        size_t start = 0;
        int number = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            start = end + 1;
            ++number;
            line_ = number;
            if (line.size() > 4096) return Fail("line longer than 4096 characters");
            if (line.find('\0') != std::string_view::npos) return Fail("line holds a NUL byte");
            if (!Line(line)) return false;
        }
        if (state_ == State::Layout || state_ == State::Orders)
            return Fail("'layout' or 'orders' block not closed by 'end'");
        if (state_ == State::Screen) return Fail("screen '" + screen_->name + "' not closed by 'end'");
        return Check();
    }

    std::string error;

  private:
    enum class State { Top, Screen, Layout, Orders };

    bool Fail(const std::string& msg) {
        error = file_ + ":" + std::to_string(line_) + ": " + msg;
        return false;
    }
    bool FailAt(int line, const std::string& msg) {
        line_ = line;
        return Fail(msg);
    }

    bool Line(std::string_view line) {
        size_t first = line.find_first_not_of(" \t\r");
        const std::string_view trimmed =
            first == std::string_view::npos ? std::string_view{} : line.substr(first);
        if (state_ == State::Layout) {
            if (!trimmed.empty() && trimmed[0] == '|') {
                std::string_view row = trimmed.substr(1);
                while (!row.empty() && row.back() == '\r') row.remove_suffix(1);
                screen_->layout.emplace_back(row);
                screen_->layout_lines.push_back(line_);
                return true;
            }
            if (trimmed.empty() || trimmed[0] == '#') return true;
            if (trimmed.substr(0, 3) == "end" &&
                trimmed.find_first_not_of(" \t\r", 3) == std::string_view::npos) {
                state_ = State::Screen;
                return true;
            }
            return Fail("layout rows begin with '|'; the block ends with 'end'");
        }
        if (trimmed.empty() || trimmed[0] == '#') return true;
        std::vector<Token> t;
        if (!Tokenize(trimmed, t, error)) return Fail(error);
        if (t.empty()) return true;
        if (t[0].quoted) return Fail("a statement begins with a keyword, not a string");
        const std::string& kw = t[0].text;
        if (state_ == State::Orders) return OrderLine(t);
        if (kw == "marker")
            return MarkerLine(trimmed, state_ == State::Top ? app_.markers : screen_->markers);
        if (kw == "on") return RuleLine(t);
        if (state_ == State::Top) return TopLine(t);
        return ScreenLine(t);
    }

    bool TopLine(const std::vector<Token>& t) {
        const std::string& kw = t[0].text;
        if (kw == "title") {
            if (t.size() != 2) return Fail("title takes one string");
            app_.title = t[1].text;
        } else if (kw == "start") {
            if (t.size() != 2 || !IsName(t[1].text)) return Fail("start takes a screen name");
            app_.start = t[1].text;
        } else if (kw == "set") {
            if (t.size() != 3 || !IsName(t[1].text)) return Fail("set takes a variable name and a value");
            app_.variables[t[1].text] = t[2].text;
        } else if (kw == "screen") {
            if (t.size() != 2 || !IsName(t[1].text))
                return Fail("screen takes a name (letters, digits, _ . -)");
            if (app_.Find(t[1].text)) return Fail("screen '" + t[1].text + "' is defined twice");
            app_.screens.emplace_back();
            screen_ = &app_.screens.back();
            screen_->name = t[1].text;
            screen_->line = line_;
            state_ = State::Screen;
        } else if (kw == "end") {
            return Fail("'end' without a screen, layout or orders block");
        } else {
            return Fail("unknown statement '" + kw + "' (want title, start, set, marker, on, screen)");
        }
        return true;
    }

    bool ScreenLine(const std::vector<Token>& t) {
        const std::string& kw = t[0].text;
        Screen& s = *screen_;
        if (kw == "end") {
            if (t.size() != 1) return Fail("'end' takes nothing");
            state_ = State::Top;
            screen_ = nullptr;
        } else if (kw == "layout") {
            if (!s.layout.empty()) return Fail("a screen has one layout");
            state_ = State::Layout;
        } else if (kw == "orders") {
            state_ = State::Orders;
        } else if (kw == "command") {
            if (t.size() != 2) return Fail("command takes one of erase-write, erase-write-alternate, write");
            const std::string& c = t[1].text;
            if (c == "erase-write" || c == "ew")
                s.command = ds::kEraseWrite;
            else if (c == "erase-write-alternate" || c == "ewa")
                s.command = ds::kEraseWriteAlternate;
            else if (c == "write" || c == "w")
                s.command = ds::kWrite;
            else
                return Fail("unknown command '" + c + "'");
        } else if (kw == "wcc") {
            uint8_t wcc = 0;
            for (size_t i = 1; i < t.size(); ++i) {
                const std::string& f = t[i].text;
                if (f == "reset")
                    wcc |= ds::kWccReset;
                else if (f == "restore")
                    wcc |= ds::kWccRestore;
                else if (f == "reset-mdt")
                    wcc |= ds::kWccResetMdt;
                else if (f == "alarm")
                    wcc |= ds::kWccAlarm;
                else if (f == "print")
                    wcc |= ds::kWccPrint;
                else if (f != "none")
                    return Fail("unknown WCC flag '" + f +
                                "' (want reset restore reset-mdt alarm print none)");
            }
            s.wcc = wcc;
        } else if (kw == "size") {
            int r = 0, c = 0;
            const std::string& v = t.size() == 2 ? t[1].text : std::string();
            const size_t x = v.find('x');
            if (x == std::string::npos || !ParseInt(v.substr(0, x), r) || !ParseInt(v.substr(x + 1), c) ||
                r < 1 || c < 1 || r > 255 || c > 255 || r * c > 16383)
                return Fail("size takes ROWSxCOLS, at most 255 each and 16383 positions");
            s.rows = r;
            s.cols = c;
        } else if (kw == "cursor") {
            if (t.size() == 2 && IsName(t[1].text)) {
                s.cursor_field = t[1].text;
            } else {
                Position p;
                if (t.size() != 3 || !ParsePosition(t[1].text, t[2].text, p))
                    return Fail("cursor takes a field name or ROW COL");
                s.cursor_pos = p;
            }
        } else if (kw == "value") {
            if (t.size() != 3 || !IsName(t[1].text)) return Fail("value takes a field name and its text");
            s.values[t[1].text] = t[2].text;
        } else if (kw == "response") {
            if (t.size() != 2) return Fail("response takes always, error or none");
            if (t[1].text == "always")
                s.response = 2;
            else if (t[1].text == "error")
                s.response = 1;
            else if (t[1].text == "none")
                s.response = 0;
            else
                return Fail("response takes always, error or none");
        } else {
            return Fail(
                "unknown screen statement '" + kw +
                "' (want command, wcc, size, layout, orders, marker, cursor, value, response, on, end)");
        }
        return true;
    }

    bool ParsePosition(const std::string& r, const std::string& c, Position& p) {
        return ParseInt(r, p.row) && ParseInt(c, p.col) && p.row != 0 && p.col != 0 && p.row >= -255 &&
               p.row <= 255 && p.col >= -255 && p.col <= 255;
    }

    // The words of a field's look; false with a message in `error`.
    bool ParseLook(const std::vector<Token>& t, size_t from, FieldLook& look) {
        look = FieldLook{};
        bool input = false, protect = false;
        for (size_t i = from; i < t.size(); ++i) {
            const std::string& w = t[i].text;
            if (t[i].quoted) {
                error = "field attributes are words, not strings";
                return false;
            }
            if (w == "input" || w == "unprotected")
                input = true;
            else if (w == "protected")
                protect = true;
            else if (w == "numeric")
                look.bits |= ds::kAttrNumeric;
            else if (w == "autoskip")
                protect = true, look.bits |= ds::kAttrNumeric;
            else if (w == "intensified" || w == "bright")
                look.bits = (look.bits & ~ds::kAttrDisplayMask) | ds::kAttrIntensified;
            else if (w == "nondisplay" || w == "hidden")
                look.bits = (look.bits & ~ds::kAttrDisplayMask) | ds::kAttrNonDisplay;
            else if (w == "mdt")
                look.bits |= ds::kAttrMdt;
            else if (w.rfind("color=", 0) == 0 || w.rfind("colour=", 0) == 0) {
                const auto v = LookupColour(ds::kColours, w.substr(w.find('=') + 1));
                if (!v) {
                    error = "unknown colour in '" + w +
                            "' (want default blue red pink green turquoise yellow white)";
                    return false;
                }
                look.fg = *v;
            } else if (w.rfind("highlight=", 0) == 0) {
                const auto v = LookupColour(ds::kHighlights, w.substr(10));
                if (!v) {
                    error = "unknown highlighting in '" + w + "' (want normal blink reverse underscore)";
                    return false;
                }
                look.hl = *v;
            } else if (w.rfind("name=", 0) == 0) {
                std::string names = w.substr(5);
                size_t p = 0;
                while (p <= names.size()) {
                    size_t comma = names.find(',', p);
                    if (comma == std::string::npos) comma = names.size();
                    const std::string n = names.substr(p, comma - p);
                    if (!IsName(n)) {
                        error = "bad field name '" + n + "'";
                        return false;
                    }
                    look.names.push_back(n);
                    p = comma + 1;
                }
            } else {
                error = "unknown field attribute '" + w +
                        "' (want input protected numeric autoskip intensified nondisplay mdt color= "
                        "highlight= name=)";
                return false;
            }
        }
        if (input && protect) {
            error = "a field cannot be both input and protected";
            return false;
        }
        if (input)
            look.bits &= static_cast<uint8_t>(~ds::kAttrProtected);
        else
            look.bits |= ds::kAttrProtected;
        if (!look.names.empty() && !input) {
            error = "only input fields take names";
            return false;
        }
        return true;
    }

    bool MarkerLine(std::string_view trimmed, std::vector<Marker>& into) {
        // The marker character is taken from the raw line, so any character can serve.
        std::string_view rest = trimmed.substr(6);
        const size_t p = rest.find_first_not_of(" \t");
        if (p == std::string_view::npos || p == 0)
            return Fail("marker takes a character and field attributes");
        rest.remove_prefix(p);
        const auto lead = static_cast<uint8_t>(rest[0]);
        const size_t len = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : 4;
        std::vector<char32_t> cps;
        if (rest.size() < len || !DecodeUtf8(rest.substr(0, len), cps) || cps.size() != 1)
            return Fail("marker character is not valid UTF-8");
        const char32_t ch = cps[0];
        if (rest.size() > len && rest[len] != ' ' && rest[len] != '\t')
            return Fail("a marker is one character followed by a blank");
        if (ch < 0x80 && (std::isalnum(static_cast<int>(ch)) || ch == '$' || ch == '{' || ch == '}'))
            return Fail("a marker cannot be a letter, a digit, '$', '{' or '}'");
        if (std::any_of(into.begin(), into.end(), [&](const Marker& m) { return m.ch == ch; }))
            return Fail("marker defined twice here");
        std::vector<Token> t;
        if (!Tokenize(rest.substr(len), t, error)) return Fail(error);
        Marker m;
        m.ch = ch;
        if (!ParseLook(t, 0, m.look)) return Fail(error);
        into.push_back(m);
        return true;
    }

    bool ParseCondition(const std::vector<Token>& t, size_t& i, Condition& c) {
        if (i < t.size() && (t[i].Is("modified") || t[i].Is("unmodified"))) {
            c.op = t[i].text == "modified" ? Condition::Op::Modified : Condition::Op::NotModified;
            if (i + 1 >= t.size() || !IsName(t[i + 1].text)) {
                error = "'" + t[i].text + "' takes a field name";
                return false;
            }
            c.lhs = t[i + 1].text;
            i += 2;
            return true;
        }
        if (i + 2 >= t.size() || t[i].quoted || !IsName(t[i].text)) {
            error = "condition wants NAME OP VALUE (OP: == != < <= > >=) or modified NAME";
            return false;
        }
        c.lhs = t[i].text;
        const std::string& op = t[i + 1].text;
        if (op == "==")
            c.op = Condition::Op::Eq;
        else if (op == "!=")
            c.op = Condition::Op::Ne;
        else if (op == "<")
            c.op = Condition::Op::Lt;
        else if (op == "<=")
            c.op = Condition::Op::Le;
        else if (op == ">")
            c.op = Condition::Op::Gt;
        else if (op == ">=")
            c.op = Condition::Op::Ge;
        else {
            error = "unknown comparison '" + op + "' (want == != < <= > >=)";
            return false;
        }
        c.rhs = t[i + 2].text;
        i += 3;
        return true;
    }

    bool ParseAction(const std::vector<Token>& t, Action& a) {
        const std::string& verb = t[0].text;
        a.line = line_;
        auto args = [&](size_t n) { return t.size() == n + 1; };
        if (t[0].quoted) {
            error = "an action begins with a keyword";
            return false;
        }
        if (verb == "goto") {
            if (!args(1) || !IsName(t[1].text)) return Err("goto takes a screen name");
            a.kind = Action::Kind::Goto;
            a.name = t[1].text;
        } else if (verb == "set") {
            if (!args(2) || !IsName(t[1].text)) return Err("set takes a variable name and a value");
            a.kind = Action::Kind::Set;
            a.name = t[1].text;
            a.text = t[2].text;
        } else if (verb == "stay" || verb == "unlock" || verb == "read-buffer" || verb == "read-modified" ||
                   verb == "read-modified-all" || verb == "query" || verb == "unbind" ||
                   verb == "disconnect" || verb == "ascii-host") {
            if (!args(0)) return Err("'" + verb + "' takes nothing");
            static constexpr std::pair<std::string_view, Action::Kind> kPlain[] = {
                {"stay", Action::Kind::Stay},
                {"unlock", Action::Kind::Unlock},
                {"read-buffer", Action::Kind::ReadBuffer},
                {"read-modified", Action::Kind::ReadModified},
                {"read-modified-all", Action::Kind::ReadModifiedAll},
                {"query", Action::Kind::Query},
                {"unbind", Action::Kind::Unbind},
                {"disconnect", Action::Kind::Disconnect},
                {"ascii-host", Action::Kind::AsciiHost}};
            for (const auto& [n, k] : kPlain)
                if (n == verb) a.kind = k;
        } else if (verb == "query-list") {
            if (t.size() < 2) return Err("query-list takes reply codes (hex, e.g. 81 86 87)");
            a.kind = Action::Kind::QueryList;
            for (size_t i = 1; i < t.size(); ++i) {
                uint8_t code = 0;
                if (!ParseHexByte(t[i].text, code))
                    return Err("query-list code '" + t[i].text + "' is not a hex byte");
                a.codes.push_back(code);
            }
        } else if (verb == "sscp-lu" || verb == "log" || verb == "print-text") {
            if (!args(1)) return Err("'" + verb + "' takes one string");
            a.kind = verb == "log"          ? Action::Kind::Log
                     : verb == "print-text" ? Action::Kind::PrintText
                                            : Action::Kind::SscpLu;
            a.text = t[1].text;
        } else if (verb == "remote-macro") {
            if (!args(1) || t[1].text.empty()) return Err("remote-macro takes a file name");
            a.kind = Action::Kind::RemoteMacro;
            // A relative name is beside the script.
            const size_t slash = file_.rfind('/');
            a.name = t[1].text[0] == '/' || slash == std::string::npos
                         ? t[1].text
                         : file_.substr(0, slash + 1) + t[1].text;
        } else if (verb == "bind") {
            if (t.size() > 2 || (t.size() == 2 && !IsName(t[1].text)))
                return Err("bind takes an optional PLU name");
            a.kind = Action::Kind::Bind;
            a.name = t.size() == 2 ? t[1].text : "ORKHOST";
            if (a.name.size() > 8) return Err("a PLU name has at most 8 characters");
        } else if (verb == "check") {
            a.kind = Action::Kind::Check;
            size_t i = 1;
            if (!ParseCondition(t, i, a.cond)) return false;
            if (i != t.size()) return Err("check takes one condition");
        } else {
            return Err(
                "unknown action '" + verb +
                "' (want goto set stay unlock read-buffer read-modified read-modified-all query query-list "
                "sscp-lu bind unbind disconnect check log print-text ascii-host remote-macro)");
        }
        return true;
    }

    bool Err(const std::string& msg) {
        error = msg;
        return false;
    }

    bool ParseActions(const std::vector<Token>& t, size_t from, std::vector<Action>& out) {
        std::vector<Token> one;
        for (size_t i = from; i <= t.size(); ++i) {
            if (i == t.size() || t[i].Is(";")) {
                if (one.empty()) return Err("empty action");
                Action a;
                if (!ParseAction(one, a)) return false;
                out.push_back(std::move(a));
                one.clear();
            } else {
                one.push_back(t[i]);
            }
        }
        return true;
    }

    bool RuleLine(const std::vector<Token>& t) {
        if (t.size() < 3)
            return Fail("rule wants: on KEYS [when CONDITION [and CONDITION]] : ACTION [; ACTION]");
        Rule r;
        r.line = line_;
        std::string keys = t[1].text;
        size_t p = 0;
        while (p <= keys.size()) {
            size_t comma = keys.find(',', p);
            if (comma == std::string::npos) comma = keys.size();
            const std::string k = keys.substr(p, comma - p);
            p = comma + 1;
            const bool known = k == "any" || k == "attn" || k == "sysreq" || k == "connect" ||
                               (ds::AidFromName(k) && k != "none" && k != "sf");
            if (!known)
                return Fail("unknown key '" + k + "' (want enter clear pa1-pa3 pf1-pf24 any attn sysreq)");
            if (k == "connect" && (state_ != State::Top || keys != "connect"))
                return Fail("'on connect' stands alone and only outside screens");
            r.keys.push_back(k);
        }
        size_t i = 2;
        if (t[i].Is("when")) {
            ++i;
            for (;;) {
                Condition c;
                if (!ParseCondition(t, i, c)) return Fail(error);
                r.conditions.push_back(std::move(c));
                if (i < t.size() && t[i].Is("and")) {
                    ++i;
                    continue;
                }
                break;
            }
        }
        if (i >= t.size() || !t[i].Is(":")) return Fail("rule wants ':' before its actions");
        if (!ParseActions(t, i + 1, r.actions)) return Fail(error);
        if (r.keys[0] == "connect") {
            if (!r.conditions.empty()) return Fail("'on connect' takes no conditions");
            app_.on_connect = std::move(r.actions);
            return true;
        }
        (state_ == State::Top ? app_.rules : screen_->rules).push_back(std::move(r));
        return true;
    }

    bool OrderLine(const std::vector<Token>& t) {
        const std::string& kw = t[0].text;
        if (kw == "end") {
            if (t.size() != 1) return Fail("'end' takes nothing");
            state_ = State::Screen;
            return true;
        }
        Order o;
        o.line = line_;
        using K = Order::Kind;
        if (kw == "sba" || kw == "eua") {
            o.kind = kw == "sba" ? K::Sba : K::Eua;
            if (t.size() != 3 || !ParsePosition(t[1].text, t[2].text, o.pos))
                return Fail(kw + " takes ROW COL (1-based, negative from the end)");
        } else if (kw == "ra") {
            o.kind = K::Ra;
            if (t.size() != 4 || !ParsePosition(t[1].text, t[2].text, o.pos))
                return Fail("ra takes ROW COL and a character");
            if (t[3].quoted) {
                std::vector<char32_t> cps;
                if (!DecodeUtf8(t[3].text, cps) || cps.size() != 1) return Fail("ra repeats one character");
                Bytes b;
                std::string e;
                if (!codec_.ToHost(t[3].text, b, e)) return Fail(e);
                o.value = b[0];
            } else if (t[3].text.rfind("ge:", 0) == 0) {
                if (!ParseHexByte(t[3].text.substr(3), o.value)) return Fail("ra ge:HH takes a hex byte");
                o.ra_ge = true;
            } else if (!ParseHexByte(t[3].text, o.value)) {
                return Fail("ra character is a quoted character, a hex byte or ge:HH");
            }
        } else if (kw == "sf" || kw == "sfe" || kw == "mf") {
            o.kind = kw == "sf" ? K::Sf : kw == "sfe" ? K::Sfe : K::Mf;
            if (!ParseLook(t, 1, o.look)) return Fail(error);
            if (o.look.names.size() > 1) return Fail("a field made by an order takes one name");
        } else if (kw == "sa") {
            o.kind = K::Sa;
            if (t.size() != 2) return Fail("sa takes color=NAME, highlight=NAME, charset=HH or reset");
            const std::string& w = t[1].text;
            if (w == "reset") {
                o.type = ds::kXaAll;
                o.value = 0;
            } else if (w.rfind("color=", 0) == 0 || w.rfind("colour=", 0) == 0) {
                const auto v = LookupColour(ds::kColours, w.substr(w.find('=') + 1));
                if (!v) return Fail("unknown colour in '" + w + "'");
                o.type = ds::kXaForeground;
                o.value = *v;
            } else if (w.rfind("highlight=", 0) == 0) {
                const auto v = LookupColour(ds::kHighlights, w.substr(10));
                if (!v) return Fail("unknown highlighting in '" + w + "'");
                o.type = ds::kXaHighlight;
                o.value = *v;
            } else if (w.rfind("charset=", 0) == 0) {
                if (!ParseHexByte(w.substr(8), o.value)) return Fail("charset= takes a hex byte");
                o.type = ds::kXaCharset;
            } else {
                return Fail("sa takes color=NAME, highlight=NAME, charset=HH or reset");
            }
        } else if (kw == "ic" || kw == "pt") {
            if (t.size() != 1) return Fail(kw + " takes nothing");
            o.kind = kw == "ic" ? K::Ic : K::Pt;
        } else if (kw == "ge") {
            o.kind = K::Ge;
            if (t.size() != 2 || !ParseHexByte(t[1].text, o.value)) return Fail("ge takes a hex byte");
        } else if (kw == "text") {
            o.kind = K::Text;
            if (t.size() != 2 || !t[1].quoted) return Fail("text takes one quoted string");
            o.text = t[1].text;
            if (!CheckText(o.text)) return false;
        } else if (kw == "hex") {
            o.kind = K::Hex;
            if (t.size() < 2) return Fail("hex takes bytes");
            for (size_t i = 1; i < t.size(); ++i) {
                // Both "f5 c3" and "f5c3" are accepted.
                const std::string& h = t[i].text;
                if (h.size() % 2) return Fail("hex '" + h + "' has an odd number of digits");
                for (size_t k = 0; k < h.size(); k += 2) {
                    uint8_t b = 0;
                    if (!ParseHexByte(h.substr(k, 2), b)) return Fail("'" + h + "' is not hex");
                    o.hex.push_back(b);
                }
            }
        } else {
            return Fail("unknown order '" + kw + "' (want sba sf sfe sa mf ic pt ra eua ge text hex end)");
        }
        screen_->orders.push_back(std::move(o));
        return true;
    }

    // Literal text must exist in the code page; ${...} parts are checked when they are filled.
    bool CheckText(const std::string& text) {
        std::string literal;
        size_t i = 0;
        while (i < text.size()) {
            const size_t open = text.find("${", i);
            if (open == std::string::npos) {
                literal += text.substr(i);
                break;
            }
            const size_t close = text.find('}', open);
            if (close == std::string::npos) return Fail("'${' without a closing '}'");
            std::string name;
            int width = 0;
            if (!ParseReference(std::string_view(text).substr(open + 2, close - open - 2), name, width))
                return Fail("bad variable reference in '" + text + "'");
            literal += text.substr(i, open - i);
            i = close + 1;
        }
        Bytes b;
        std::string e;
        if (!codec_.ToHost(literal, b, e)) return Fail(e);
        return true;
    }

    bool CheckScreen(Screen& s) {
        const auto markers = MarkersFor(app_, s);
        int max_rows = s.rows, max_cols = s.cols;
        if (max_rows == 0 && s.command != ds::kEraseWriteAlternate) max_rows = 24, max_cols = 80;
        if (max_rows == 0) max_rows = 255, max_cols = 255;
        if (static_cast<int>(s.layout.size()) > max_rows)
            return FailAt(s.line, "screen '" + s.name + "' has " + std::to_string(s.layout.size()) +
                                      " layout rows; its size allows " + std::to_string(max_rows) +
                                      " (give 'size ROWSxCOLS' or use command erase-write-alternate)");
        std::set<std::string> names;
        std::map<char32_t, size_t> used;  // how often each marker has named a field
        for (size_t r = 0; r < s.layout.size(); ++r) {
            std::vector<Piece> pieces;
            if (!SplitRow(s.layout[r], markers, pieces, error)) return FailAt(s.layout_lines[r], error);
            int width = 0;
            for (const auto& p : pieces) {
                width += p.width;
                if (p.kind == Piece::Kind::Text) {
                    Bytes b;
                    std::string e;
                    if (!codec_.ToHost(p.text, b, e)) return FailAt(s.layout_lines[r], e);
                } else if (p.kind == Piece::Kind::Marker) {
                    const Marker& m = *markers[p.marker];
                    size_t& n = used[m.ch];
                    if (n < m.look.names.size()) {
                        if (!names.insert(m.look.names[n]).second)
                            return FailAt(s.layout_lines[r],
                                          "field name '" + m.look.names[n] + "' used twice");
                    }
                    ++n;
                }
            }
            if (width > max_cols)
                return FailAt(s.layout_lines[r], "layout row is " + std::to_string(width) +
                                                     " characters wide; the screen has " +
                                                     std::to_string(max_cols) + " columns");
        }
        for (const Marker* m : markers) {
            const auto it = used.find(m->ch);
            const size_t n = it == used.end() ? 0 : it->second;
            const bool own =
                std::any_of(s.markers.begin(), s.markers.end(), [&](const Marker& o) { return &o == m; });
            if (own && n < m->look.names.size())
                return FailAt(s.line, "screen '" + s.name + "': marker names " +
                                          std::to_string(m->look.names.size()) +
                                          " fields but the layout uses it " + std::to_string(n) + " times");
        }
        for (const auto& o : s.orders)
            for (const auto& n : o.look.names)
                if (!names.insert(n).second) return FailAt(o.line, "field name '" + n + "' used twice");
        if (s.cursor_field && !names.count(*s.cursor_field))
            return FailAt(s.line, "screen '" + s.name + "': cursor names field '" + *s.cursor_field +
                                      "', which it does not have");
        for (const auto& [n, v] : s.values) {
            if (!names.count(n))
                return FailAt(s.line, "screen '" + s.name + "': value for unknown field '" + n + "'");
        }
        return true;
    }

    bool CheckActions(const std::vector<Action>& actions) {
        for (const auto& a : actions) {
            if (a.kind == Action::Kind::Goto && !app_.Find(a.name))
                return FailAt(a.line, "goto names screen '" + a.name + "', which is not defined");
        }
        return true;
    }

    bool Check() {
        if (app_.screens.empty()) return FailAt(line_, "the application has no screens");
        if (app_.start.empty()) app_.start = app_.screens.front().name;
        if (!app_.Find(app_.start)) return FailAt(1, "start screen '" + app_.start + "' is not defined");
        if (!CheckActions(app_.on_connect)) return false;
        for (const auto& r : app_.rules)
            if (!CheckActions(r.actions)) return false;
        for (auto& s : app_.screens) {
            if (!CheckScreen(s)) return false;
            for (const auto& r : s.rules)
                if (!CheckActions(r.actions)) return false;
        }
        return true;
    }

    std::string file_;
    const Codec& codec_;
    App& app_;
    State state_ = State::Top;
    Screen* screen_ = nullptr;
    int line_ = 0;
};

}  // namespace

bool Parse(std::string_view text, const std::string& file, const Codec& codec, App& app, std::string& error) {
    app = App{};
    Parser p(file, codec, app);
    if (!p.Run(text)) {
        error = p.error;
        return false;
    }
    return true;
}

bool Load(const std::string& path, const Codec& codec, App& app, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open";
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    if (text.size() > (4u << 20)) {
        error = path + ": larger than 4 MB";
        return false;
    }
    return Parse(text, path, codec, app, error);
}

}  // namespace testhost::script
