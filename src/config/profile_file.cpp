#include "config/profile_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>

namespace orkan {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string_view Trim(std::string_view s) {
    size_t b = s.find_first_not_of(kBlanks);
    if (b == std::string_view::npos) return {};
    size_t e = s.find_last_not_of(kBlanks);
    return s.substr(b, e - b + 1);
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool HasLineBreakOrNul(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != s.npos;
}

// A value whose outer blanks or quotes would be lost on reading is written inside double quotes,
// which reading removes again.
std::string QuoteIfNeeded(std::string_view value) {
    if (value.empty()) return {};
    const bool outer_blank =
        kBlanks.find(value.front()) != kBlanks.npos || kBlanks.find(value.back()) != kBlanks.npos;
    const bool outer_quotes = value.size() >= 2 && IsQuote(value.front()) && value.front() == value.back();
    if (!outer_blank && !outer_quotes) return std::string(value);
    return "\"" + std::string(value) + "\"";
}

bool ValidName(std::string_view name) {
    return !name.empty() && Trim(name).size() == name.size() && !HasLineBreakOrNul(name);
}

}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

ProfileText::Line ProfileText::ParseLine(std::string text, std::string eol, bool first) {
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    std::string_view t = line.text;
    if (t.size() > kProfileLineLimit || t.find('\0') != t.npos) {
        line.kind = Kind::Ignored;
        return line;
    }
    if (first && t.substr(0, kUtf8Bom.size()) == kUtf8Bom) t.remove_prefix(kUtf8Bom.size());
    const size_t lead = t.find_first_not_of(kBlanks);
    if (lead == t.npos) return line;
    t.remove_prefix(lead);
    if (t.front() == ';') return line;
    if (t.front() == '[') {
        const size_t close = t.find(']');
        if (close != t.npos) {
            line.kind = Kind::Section;
            line.name = std::string(Trim(t.substr(1, close - 1)));
        }
        return line;
    }
    const size_t eq = t.find('=');
    if (eq == t.npos) return line;
    std::string_view name = Trim(t.substr(0, eq));
    if (name.empty()) return line;
    line.kind = Kind::Key;
    line.name = std::string(name);
    line.value_pos = size_t(t.data() - line.text.data()) + eq + 1;
    return line;
}

ProfileText ProfileText::Parse(std::string_view bytes) {
    ProfileText p;
    bool eol_chosen = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t nl = bytes.find('\n', pos);
        std::string_view raw = bytes.substr(pos, nl == bytes.npos ? bytes.npos : nl - pos);
        std::string eol;
        if (nl != bytes.npos) {
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                eol = "\r\n";
            } else {
                eol = "\n";
            }
            if (!eol_chosen) {
                p.eol_ = eol;
                eol_chosen = true;
            }
        } else if (!raw.empty() && raw.back() == '\r') {
            // A last line cut after its CR: the CR is a line end, not part of the value.
            raw.remove_suffix(1);
            eol = "\r";
        }
        p.lines_.push_back(ParseLine(std::string(raw), std::move(eol), p.lines_.empty()));
        if (p.lines_.back().kind == Kind::Ignored) ++p.ignored_lines_;
        pos = nl == bytes.npos ? bytes.size() : nl + 1;
    }
    return p;
}

size_t ProfileText::FindSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && EqualsIgnoreCase(lines_[i].name, section)) return i;
    return std::string::npos;
}

size_t ProfileText::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != Kind::Section) ++i;
    return i;
}

std::string ProfileText::ValueOf(const Line& line) const {
    std::string_view v = Trim(std::string_view(line.text).substr(line.value_pos));
    if (v.size() >= 2 && IsQuote(v.front()) && v.front() == v.back()) v = v.substr(1, v.size() - 2);
    return std::string(v);
}

std::optional<std::string> ProfileText::Get(std::string_view section, std::string_view key) const {
    const size_t header = FindSection(section);
    if (header == std::string::npos) return std::nullopt;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key && EqualsIgnoreCase(lines_[i].name, key)) return ValueOf(lines_[i]);
    return std::nullopt;
}

std::string ProfileText::GetString(std::string_view section, std::string_view key,
                                   std::string_view def) const {
    auto v = Get(section, key);
    return v ? *v : std::string(def);
}

int ProfileText::GetInt(std::string_view section, std::string_view key, int def) const {
    auto v = Get(section, key);
    if (!v) return def;
    std::string_view s = *v;
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.front() < '0' || s.front() > '9') return def;
    int64_t value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') break;
        value = value * 10 + (c - '0');
        if (value > int64_t(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return int(value);
}

std::vector<std::string> ProfileText::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    const size_t header = FindSection(section);
    if (header == std::string::npos) return keys;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Key) keys.push_back(lines_[i].name);
    return keys;
}

bool ProfileText::SectionHasIgnoredLines(std::string_view section) const {
    if (ignored_lines_ == 0) return false;
    const size_t header = FindSection(section);
    if (header == std::string::npos) {
        // The section header itself may be among the ignored lines.
        return true;
    }
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (lines_[i].kind == Kind::Ignored) return true;
    return false;
}

bool ProfileText::Set(std::string_view section, std::string_view key, std::optional<std::string_view> value) {
    if (!ValidName(section) || section.find(']') != section.npos) return false;
    if (!ValidName(key) || key.find('=') != key.npos || key.front() == '[' || key.front() == ';')
        return false;
    if (value && HasLineBreakOrNul(*value)) return false;

    size_t header = FindSection(section);
    if (header != std::string::npos) {
        const size_t end = SectionEnd(header);
        for (size_t i = header + 1; i < end; ++i) {
            Line& line = lines_[i];
            if (line.kind != Kind::Key || !EqualsIgnoreCase(line.name, key)) continue;
            if (!value) {
                lines_.erase(lines_.begin() + std::ptrdiff_t(i));
            } else {
                // The key keeps its spelling and spacing; only the value changes.
                size_t keep = line.value_pos;
                while (keep < line.text.size() && kBlanks.find(line.text[keep]) != kBlanks.npos) ++keep;
                line.text = line.text.substr(0, keep) + QuoteIfNeeded(*value);
            }
            return true;
        }
    }
    if (!value) return true;

    // A line is added after the last one: that one must end first.
    const auto end_last_line = [this] {
        if (lines_.empty()) return;
        std::string& eol = lines_.back().eol;
        if (eol.empty())
            eol = eol_;
        else if (eol == "\r")
            eol = "\r\n";
    };
    Line added = ParseLine(std::string(key) + "=" + QuoteIfNeeded(*value), eol_, false);
    if (header == std::string::npos) {
        end_last_line();
        lines_.push_back(ParseLine("[" + std::string(section) + "]", eol_, lines_.empty()));
        lines_.push_back(std::move(added));
        return true;
    }
    // After the section's last non-blank line, so blank lines before the next section stay there.
    size_t at = header + 1;
    const size_t end = SectionEnd(header);
    for (size_t i = header + 1; i < end; ++i)
        if (!Trim(lines_[i].text).empty()) at = i + 1;
    if (at == lines_.size()) end_last_line();
    lines_.insert(lines_.begin() + std::ptrdiff_t(at), std::move(added));
    return true;
}

std::string ProfileText::Serialize() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

ProfileLoad LoadProfile(const std::string& path) {
    ProfileLoad load;
    std::vector<uint8_t> bytes;
    load.result = ReadWholeFile(path, kProfileFileLimit, bytes, load.error);
    // UTF-16 text, as some editors save "Unicode": read as 8-bit text every line would be ignored,
    // and a write would add 8-bit lines to it.
    const bool utf16 = bytes.size() >= 2 &&
                       ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
    if (load.result == ReadResult::Ok && utf16) {
        load.result = ReadResult::Error;
        load.error = EILSEQ;
        return load;
    }
    if (load.result == ReadResult::Ok)
        load.text =
            ProfileText::Parse(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return load;
}

int UpdateProfile(const std::string& path, const std::function<int(ProfileText&)>& edit) {
    const std::string target = ResolveWriteTarget(path);
    FileLock lock;
    if (int err = lock.Acquire(target); err != 0) return err;
    // Read again under the lock: another session may have written since we last read.
    ProfileLoad load = LoadProfile(target);
    if (load.result == ReadResult::TooLarge) return EFBIG;
    if (load.result == ReadResult::Error) return load.error;
    if (int err = edit(load.text); err != 0) return err;
    const std::string text = load.text.Serialize();
    return ReplaceFileContents(target, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

int WriteProfileStrings(const std::string& path, std::span<const ProfileChange> changes) {
    return UpdateProfile(path, [&](ProfileText& text) {
        for (const ProfileChange& c : changes) {
            std::optional<std::string_view> value;
            if (c.value) value = *c.value;
            if (!text.Set(c.section, c.key, value)) return EINVAL;
        }
        return 0;
    });
}

int WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                       std::optional<std::string_view> value) {
    ProfileChange change{std::string(section), std::string(key), std::nullopt};
    if (value) change.value = std::string(*value);
    return WriteProfileStrings(path, std::span(&change, 1));
}

}  // namespace orkan
