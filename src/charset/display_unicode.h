// The one edge between display bytes and Unicode text on the desktop (drawing, clipboard, files
// written for people, UTF-8 macro files). Display bytes are Windows-1252 except 0x8E (DUP) and
// 0x8F (FIELD MARK); graphic-escape cells (character set 0xF1) hold APL code page 310 bytes.
// Inside, lines end in CR LF; outside in LF; text read from outside may use either.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

inline constexpr char32_t kCombiningOverline = 0x0305;  // DUP and FIELD MARK are * and ; overlined
inline constexpr char32_t kCombiningLowLine = 0x0332;   // the APL underscored letters

// What one display byte stands for: one code point, or two for DUP and FIELD MARK (base character
// and combining overline, which the 3270 font draws as the terminal did). Never empty.
std::u32string_view DisplayToUnicode(uint8_t display);

// What one code page 310 byte stands for: one code point, or a letter and combining low line for
// the underscored letters. Empty where the code page has no character.
std::u32string_view GraphicEscapeToUnicode(uint8_t ge);

// The byte for the character at the start of `text` and how many code points it took.
struct CharacterMatch {
    uint8_t byte = 0;
    size_t length = 0;
};
std::optional<CharacterMatch> MatchDisplay(std::u32string_view text);
std::optional<CharacterMatch> MatchGraphicEscape(std::u32string_view text);

void AppendUtf8(std::string& out, char32_t code_point);
void AppendUtf8(std::string& out, std::u32string_view text);

// Display text for people: UTF-8 with LF line ends.
std::string DisplayToUtf8(std::string_view display);

// A character of the input that has no display byte (or input that is not UTF-8).
struct Unconvertible {
    size_t offset = 0;        // byte offset in the UTF-8 input
    char32_t code_point = 0;  // U+FFFD for bytes that are not UTF-8
};

struct DisplayText {
    std::string text;                     // CR LF line ends; "?" where a character failed
    std::vector<Unconvertible> failures;  // empty when every character converted
};

// "U+0100 at byte 3" (bytes counted from 0), for messages that refuse the character; Z caron says
// why Windows-1252's form of it does not serve.
std::string DescribeUnconvertible(const Unconvertible& failure);

// UTF-8 (with or without a byte order mark, LF or CR LF line ends) to display text. Nothing is
// dropped quietly: the caller sees every character that failed and decides.
[[nodiscard]] DisplayText Utf8ToDisplay(std::string_view utf8);

}  // namespace orkan
