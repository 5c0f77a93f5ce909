#include "ft_command.h"

#include <utility>
#include <vector>

#include "ft_messages.h"

namespace testhost::ft {

namespace {

bool IsNational(char c) {
    return c == '#' || c == '@' || c == '$';
}
bool IsAlpha(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Words separated by blanks; a parenthesis opened inside a word keeps blanks in it
// ("SPACE(5 2)"), while a word-leading "(" and an unmatched ")" stand as words of their own.
bool Tokenize(std::string_view text, std::vector<std::string>& out) {
    std::string cur;
    int depth = 0;
    auto flush = [&] {
        if (!cur.empty()) out.push_back(std::exchange(cur, {}));
    };
    for (char c : text) {
        if (c == ' ' && depth == 0) {
            flush();
        } else if (c == '(' && cur.empty()) {
            out.emplace_back("(");
        } else if (c == '(') {
            ++depth;
            cur += c;
        } else if (c == ')' && depth == 0) {
            flush();
            out.emplace_back(")");
        } else {
            if (c == ')') --depth;
            cur += c;
        }
    }
    flush();
    return depth == 0;
}

bool Number(const std::string& s, int min, int max, int& out) {
    if (s.empty() || s.size() > 6) return false;
    int v = 0;
    for (char c : s) {
        if (!IsDigit(c)) return false;
        v = v * 10 + (c - '0');
    }
    if (v < min || v > max) return false;
    out = v;
    return true;
}

// KEY(value) → value; false when the word is not KEY(...).
bool Argument(const std::string& word, const std::string& key, std::string& value) {
    if (word.size() < key.size() + 2 || word.compare(0, key.size() + 1, key + "(") != 0 || word.back() != ')')
        return false;
    value = word.substr(key.size() + 1, word.size() - key.size() - 2);
    return true;
}

bool ValidQualifier(std::string_view q, bool hyphen) {
    if (q.empty() || q.size() > 8 || !(IsAlpha(q[0]) || IsNational(q[0]))) return false;
    for (char c : q.substr(1))
        if (!(IsAlpha(c) || IsDigit(c) || IsNational(c) || (hyphen && c == '-'))) return false;
    return true;
}

bool ValidDataSetName(const std::string& dsn) {
    if (dsn.empty() || dsn.size() > 44) return false;
    size_t start = 0;
    while (true) {
        const size_t dot = dsn.find('.', start);
        if (!ValidQualifier(std::string_view(dsn).substr(
                                start, dot == std::string::npos ? std::string::npos : dot - start),
                            true))
            return false;
        if (dot == std::string::npos) return true;
        start = dot + 1;
    }
}

bool ValidCmsWord(const std::string& w) {
    if (w.empty() || w.size() > 8) return false;
    for (char c : w)
        if (!(IsAlpha(c) || IsDigit(c) || IsNational(c) || c == '+' || c == '-' || c == ':' || c == '_'))
            return false;
    return true;
}

bool ValidQueueName(const std::string& w) {
    if (w.empty() || w.size() > 8) return false;
    for (char c : w)
        if (!(IsAlpha(c) || IsDigit(c) || IsNational(c))) return false;
    return true;
}

bool TsoName(const std::string& word, const std::string& prefix, TransferCommand& out) {
    std::string name = word;
    bool quoted = false;
    if (!name.empty() && name[0] == '\'') {
        if (name.size() < 3 || name.back() != '\'') return false;
        name = name.substr(1, name.size() - 2);
        quoted = true;
    }
    if (const size_t open = name.find('('); open != std::string::npos) {
        if (name.back() != ')') return false;
        out.member = name.substr(open + 1, name.size() - open - 2);
        name.resize(open);
        if (!ValidQualifier(out.member, false)) return false;
    }
    out.name = quoted || prefix.empty() ? name : prefix + "." + name;
    return ValidDataSetName(out.name);
}

struct OptionContext {
    Personality personality;
    TransferCommand& cmd;
    std::string& message;
    bool saw_binary = false, saw_nocrlf = false;
};

bool Fail(std::string& message, Msg id, const std::string& text) {
    message = Message(id, text);
    return false;
}

bool PutOnly(OptionContext& c, const std::string& word) {
    if (c.cmd.put) return true;
    return Fail(c.message, Msg::WrongDirection, "Option " + word + " is only for PUT");
}

bool TsoOption(OptionContext& c, const std::string& w) {
    TransferCommand& cmd = c.cmd;
    std::string v;
    if (w == "ASCII") {
        cmd.ascii = true;
    } else if (w == "CRLF") {
        cmd.crlf = true;
    } else if (w == "APPEND") {
        if (!PutOnly(c, w)) return false;
        cmd.append = true;
    } else if (w == "TRACKS" || w == "CYLINDERS" || w == "AVBLOCK") {
        if (!PutOnly(c, w)) return false;
        cmd.space_unit = w;
    } else if (Argument(w, "AVBLOCK", v)) {
        if (!PutOnly(c, "AVBLOCK")) return false;
        if (!Number(v, 1, 32760, cmd.avblock))
            return Fail(c.message, Msg::BadOption, "Invalid AVBLOCK value: " + w);
        cmd.space_unit = "AVBLOCK";
    } else if (Argument(w, "RECFM", v)) {
        if (!PutOnly(c, "RECFM")) return false;
        if (v == "F" || v == "FB" || v == "V" || v == "VB" || v == "U") {
            cmd.recfm = v[0];
            cmd.blocked = v.size() == 2;
        } else {
            return Fail(c.message, Msg::BadOption, "Invalid RECFM value: " + w);
        }
    } else if (Argument(w, "LRECL", v)) {
        if (!PutOnly(c, "LRECL")) return false;
        if (!Number(v, 1, 32760, cmd.lrecl))
            return Fail(c.message, Msg::BadOption, "Invalid LRECL value: " + w);
    } else if (Argument(w, "BLKSIZE", v)) {
        if (!PutOnly(c, "BLKSIZE")) return false;
        if (!Number(v, 1, 32760, cmd.blksize))
            return Fail(c.message, Msg::BadOption, "Invalid BLKSIZE value: " + w);
    } else if (Argument(w, "SPACE", v)) {
        if (!PutOnly(c, "SPACE")) return false;
        const size_t sep = v.find_first_of(", ");
        const std::string p = v.substr(0, sep);
        const std::string s = sep == std::string::npos ? "" : v.substr(sep + 1);
        if (!Number(p, 1, 99999, cmd.space_primary) ||
            (!s.empty() && !Number(s, 0, 99999, cmd.space_secondary)))
            return Fail(c.message, Msg::BadOption, "Invalid SPACE value: " + w);
    } else {
        return Fail(c.message, Msg::BadOption, "Invalid option: " + w);
    }
    return true;
}

// CMS and CICS options; `next` gives the value word of RECFM and LRECL.
bool ListOption(OptionContext& c, const std::string& w, const std::vector<std::string>& words, size_t& i) {
    TransferCommand& cmd = c.cmd;
    const bool cics = c.personality == Personality::Cics;
    auto value = [&](std::string& v) {
        if (i + 1 >= words.size() || words[i + 1] == ")")
            return Fail(c.message, Msg::BadOption, w + " needs a value");
        v = words[++i];
        return true;
    };
    std::string v;
    if (w == "ASCII") {
        cmd.ascii = true;
    } else if (w == "CRLF") {
        cmd.crlf = true;
    } else if (cics && w == "BINARY") {
        c.saw_binary = true;
    } else if (cics && w == "NOCRLF") {
        c.saw_nocrlf = true;
    } else if (w == "APPEND") {
        if (!PutOnly(c, w)) return false;
        cmd.append = true;
    } else if (w == "RECFM") {
        if (!PutOnly(c, w) || !value(v)) return false;
        if (v != "F" && v != "V") return Fail(c.message, Msg::BadOption, "Invalid RECFM value: " + v);
        cmd.recfm = v[0];
    } else if (w == "LRECL") {
        if (!PutOnly(c, w) || !value(v)) return false;
        if (!Number(v, 1, cics ? 32763 : 65535, cmd.lrecl))
            return Fail(c.message, Msg::BadOption, "Invalid LRECL value: " + v);
    } else {
        return Fail(c.message, Msg::BadOption, "Invalid option: " + w);
    }
    return true;
}

}  // namespace

std::optional<Personality> PersonalityFromName(std::string_view name) {
    const std::string n = Upper(name);
    if (n == "TSO") return Personality::Tso;
    if (n == "CMS" || n == "VM") return Personality::Cms;
    if (n == "CICS") return Personality::Cics;
    return std::nullopt;
}

const char* PersonalityName(Personality p) {
    switch (p) {
        case Personality::Tso:
            return "tso";
        case Personality::Cms:
            return "cms";
        case Personality::Cics:
            return "cics";
    }
    return "?";
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::string TransferCommand::Display() const {
    if (personality != Personality::Tso) return name;
    return "'" + name + (member.empty() ? "" : "(" + member + ")") + "'";
}

bool IsTransferCommand(std::string_view text) {
    const std::string t = Upper(text);
    const size_t start = t.find_first_not_of(' ');
    return start != std::string::npos && t.compare(start, 8, "IND$FILE") == 0 &&
           (t.size() == start + 8 || t[start + 8] == ' ');
}

bool ParseTransferCommand(Personality personality, std::string_view text, const std::string& prefix,
                          TransferCommand& out, std::string& message) {
    out = TransferCommand{};
    out.personality = personality;
    std::vector<std::string> words;
    if (!Tokenize(Upper(text), words)) return Fail(message, Msg::BadOption, "Unbalanced parentheses");
    if (words.empty() || words[0] != "IND$FILE")
        return Fail(message, Msg::Incomplete, "Not a transfer command");
    if (words.size() < 2 || (words[1] != "PUT" && words[1] != "GET"))
        return Fail(message, Msg::Incomplete, "Command incomplete: PUT or GET expected");
    out.put = words[1] == "PUT";
    size_t i = 2;
    if (personality == Personality::Tso) {
        if (i >= words.size())
            return Fail(message, Msg::Incomplete, "Command incomplete: data set name expected");
        if (!TsoName(words[i], prefix, out))
            return Fail(message, Msg::BadName, "Invalid data set name: " + words[i]);
        ++i;
    } else {
        std::vector<std::string> names;
        while (i < words.size() && words[i] != "(" && words[i] != ")") names.push_back(words[i++]);
        if (personality == Personality::Cms) {
            if (names.size() < 2)
                return Fail(message, Msg::Incomplete, "Command incomplete: file name and type expected");
            if (names.size() > 3)
                return Fail(message, Msg::BadOption, "Options must follow '(': " + names[3]);
            std::string fm = names.size() == 3 ? names[2] : "A";
            const bool fm_ok =
                (fm.size() == 1 || (fm.size() == 2 && fm[1] >= '0' && fm[1] <= '6')) && IsAlpha(fm[0]);
            if (!ValidCmsWord(names[0]) || !ValidCmsWord(names[1]) || !fm_ok)
                return Fail(message, Msg::BadName,
                            "Invalid file name: " + names[0] + " " + names[1] + " " + fm);
            out.name = names[0] + " " + names[1] + " " + fm;
        } else {
            if (names.empty())
                return Fail(message, Msg::Incomplete, "Command incomplete: queue name expected");
            if (names.size() > 1)
                return Fail(message, Msg::BadOption, "Options must follow '(': " + names[1]);
            if (!ValidQueueName(names[0]))
                return Fail(message, Msg::BadName, "Invalid queue name: " + names[0]);
            out.name = names[0];
        }
        if (i < words.size() && words[i] == ")") return Fail(message, Msg::BadOption, "')' without '('");
        if (i < words.size()) ++i;  // the "("
    }
    OptionContext c{personality, out, message};
    for (; i < words.size(); ++i) {
        const std::string& w = words[i];
        // The closing parenthesis is optional; a client may put more words after it.
        if (personality != Personality::Tso && w == ")") continue;
        const bool ok = personality == Personality::Tso ? TsoOption(c, w) : ListOption(c, w, words, i);
        if (!ok) return false;
    }
    if (c.saw_binary && out.ascii)
        return Fail(message, Msg::BadOption, "ASCII and BINARY exclude each other");
    if (c.saw_nocrlf && out.crlf) return Fail(message, Msg::BadOption, "CRLF and NOCRLF exclude each other");
    return true;
}

}  // namespace testhost::ft
