#include "rexx/rexx_text.h"

#include <limits>

namespace orkan {

namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

bool IsRexxSource(std::string_view head) {
    head = head.substr(0, kRexxProbeBytes);
    const size_t end = head.find('\n');
    if (end == std::string_view::npos) return false;
    std::string line;
    for (char c : head.substr(0, end)) line += Upper(c);
    const size_t open = line.find("/*");
    if (open == std::string::npos) return false;
    const size_t close = line.find("*/", open + 2);
    const std::string_view comment = std::string_view(line).substr(
        open + 2, close == std::string::npos ? std::string::npos : close - open - 2);
    return comment.find("REXX") != std::string_view::npos;
}

ParsedInteger ParseRexxInteger(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size()) return {IntegerArgument::Empty, 0};
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == text.size()) return {IntegerArgument::Bad, 0};
    int64_t value = 0;
    const size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t(std::numeric_limits<int32_t>::max()) + 1) return {IntegerArgument::Bad, 0};
    }
    if (i == digits) return {IntegerArgument::Bad, 0};
    // Whole numbers as REXX writes them: "3.0" from arithmetic, "12 " from screen() or PARSE.
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] == '0';) ++i;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i != text.size()) return {IntegerArgument::Bad, 0};
    if (negative) value = -value;
    if (value > std::numeric_limits<int32_t>::max()) return {IntegerArgument::Bad, 0};
    return {IntegerArgument::Value, value};
}

CommandWords SplitCommandWords(std::string_view text) {
    CommandWords out;
    size_t i = 0;
    for (;;) {
        while (i < text.size() && IsBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::string word;
        const char quote = text[i];
        if (quote == '"' || quote == '\'') {
            ++i;
            while (i < text.size()) {
                if (text[i] == quote) {
                    if (i + 1 < text.size() && text[i + 1] == quote) {
                        word += quote;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                word += text[i++];
            }
        } else {
            while (i < text.size() && !IsBlank(text[i])) word += text[i++];
        }
        if (out.words.size() == kMaxCommandWords) {
            out.more = true;
            break;
        }
        out.words.push_back(std::move(word));
    }
    return out;
}

}  // namespace orkan
