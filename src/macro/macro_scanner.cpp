#include "macro/macro_scanner.h"

#include "scripting/macro_errors.h"
#include "scripting/macro_value.h"

namespace orkan {

namespace {

constexpr bool EndsSpecialRun(char ch) {
    const auto c = uint8_t(ch);
    return c < 0x21 || ch == '(' || ch == ')' || ch == '"' || ch == ',' || ch == ';';
}

}  // namespace

int MacroScanner::Next(Token& token) {
    SkipBlanks();
    token.start = last_token_start = pos;
    token.text.clear();
    token.value = 0;
    const char c = src_[pos];
    if (IsStatementEnd(c)) {
        token.kind = TokenKind::End;
        return 0;
    }
    if (classes_.IsName(c)) {
        while (classes_.IsName(src_[pos]) || IsDigit(src_[pos])) {
            if (token.text.size() == kMaxNameLength) return macro_error::NameTooLong;
            token.text += char(UpperByte(uint8_t(src_[pos++])));
        }
        token.kind = TokenKind::Name;
        return 0;
    }
    if (IsDigit(c)) {
        int64_t value = 0;
        size_t digits = 0;
        while (IsDigit(src_[pos])) {
            if (++digits > kMaxDigits) return macro_error::NumberTooLong;
            value = value * 10 + (src_[pos] - '0');
            token.text += src_[pos++];
        }
        token.kind = TokenKind::Number;
        token.value = int32_t(value);
        return 0;
    }
    if (c == '"') {
        uint32_t p = pos + 1;
        for (;;) {
            const auto b = uint8_t(src_[p]);
            if (b == '"') {
                if (src_[p + 1] == '"') {
                    token.text += '"';
                    p += 2;
                    continue;
                }
                pos = p + 1;
                token.kind = TokenKind::String;
                return 0;
            }
            if (b < 0x0E || b == 0x1A) {
                // Unterminated: what was read becomes an operator that no table knows, so the
                // statement fails with a clear error instead of running with half a text.
                pos = p;
                token.text.insert(token.text.begin(), '"');
                token.kind = TokenKind::Special;
                return 0;
            }
            if (token.text.size() == kMacroTextMax) return macro_error::TextTooLong;
            token.text += char(b);
            ++p;
        }
    }
    if (c == '(' || c == ')' || c == ',') {
        token.text = c;
        ++pos;
        token.kind = TokenKind::Special;
        return 0;
    }
    while (!EndsSpecialRun(src_[pos]) && !classes_.IsName(src_[pos]) && !IsDigit(src_[pos])) {
        if (token.text.size() == kMaxSpecialLength) return macro_error::SpecialTooLong;
        token.text += src_[pos++];
    }
    if (token.text.empty()) token.text += src_[pos++];  // a control byte below 0x21 on its own
    token.kind = TokenKind::Special;
    return 0;
}

uint32_t StatementEnd(std::string_view src, uint32_t from) {
    uint32_t p = from;
    for (;;) {
        const char c = src[p];
        if (MacroScanner::IsStatementEnd(c)) return p;
        if (c == '"') {
            ++p;
            while (src[p] != '"' && src[p] != '\r' && src[p] != 0x1A) ++p;
            if (src[p] == '"') ++p;
            continue;
        }
        ++p;
    }
}

uint32_t StatementAfter(std::string_view src, uint32_t end) {
    if (src[end] == 0x1A) return end;
    if (src[end] == '\r') return end + 2;
    uint32_t p = end + 1;  // ";"
    while (IsBlank(src[p])) ++p;
    return src[p] == '\r' ? p + 2 : end + 1;
}

}  // namespace orkan
