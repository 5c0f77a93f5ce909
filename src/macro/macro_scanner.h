// The tokeniser of the macro language and the walk from one statement to the next, over the
// normalised source (macro_source.h). Statements end at CR, at a ";" outside a string constant and
// at the end mark.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orkan {

enum class TokenKind : uint8_t { End = 0, Special = 1, Name = 2, Number = 3, String = 4 };

inline constexpr size_t kMaxNameLength = 30;
inline constexpr size_t kMaxDigits = 8;
inline constexpr size_t kMaxSpecialLength = 30;

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // upper-cased for names; the contents (quotes undoubled) for strings
    int32_t value = 0;  // numeric constants
    uint32_t start = 0;
};

// Upper case of a Windows-1252 byte (ASCII and Latin-1 letters).
constexpr uint8_t UpperByte(uint8_t c) {
    if (c >= 'a' && c <= 'z') return uint8_t(c - 32);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return uint8_t(c - 32);
    return c;
}
constexpr uint8_t LowerByte(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return uint8_t(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return uint8_t(c + 32);
    return c;
}
constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Name characters: letters, every byte from 0xC0, "_", "#", "@", "%" and the byte the country's
// screen table gives for host 0x5B (the national currency sign).
struct CharacterClasses {
    uint8_t national = '$';
    bool IsName(char ch) const {
        const auto c = uint8_t(ch);
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0 || c == '_' || c == '#' ||
               c == '@' || c == '%' || c == national;
    }
};

class MacroScanner {
  public:
    MacroScanner(std::string_view source, CharacterClasses classes) : src_(source), classes_(classes) {}

    uint32_t pos = 0;
    uint32_t last_token_start = 0;

    // 0 with the token, or an error number (1, 2, 4 or 49).
    [[nodiscard]] int Next(Token& token);
    void SkipBlanks() {
        while (IsBlank(src_[pos])) ++pos;
    }
    bool AtEndOfStatement() {
        SkipBlanks();
        return IsStatementEnd(src_[pos]);
    }
    char PeekAfterBlanks() {
        SkipBlanks();
        return src_[pos];
    }
    bool AtEndMark() const { return src_[pos] == 0x1A; }
    static constexpr bool IsStatementEnd(char c) { return c == '\r' || c == ';' || c == 0x1A; }
    const CharacterClasses& classes() const { return classes_; }

  private:
    std::string_view src_;
    CharacterClasses classes_;
};

// The CR, ";" or end mark that ends the statement `from` lies in (`from` at a token boundary).
uint32_t StatementEnd(std::string_view src, uint32_t from);
// Where the statement after the one ended at `end` starts; `end` itself for the end mark. A ";"
// followed only by blanks up to the line end counts once.
uint32_t StatementAfter(std::string_view src, uint32_t end);

}  // namespace orkan
