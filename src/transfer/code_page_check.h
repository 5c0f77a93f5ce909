// Which characters of a PC text file reach the host as the same characters. A text transfer
// passes each PC byte through the transfer table and the host's transfer program to a host
// byte; the character is carried when the host code page the session shows holds that same
// character there. Line ends and other control bytes travel as controls and always count as
// carried. A character that is not carried arrives as some other host byte: never silently.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace orkan {

struct Session;

// Indexed by the PC byte (for the UTF-8 code page, by the Windows-1252 byte of the character).
using CarriedSet = std::array<bool, 256>;

// For the session's PC code page and screen country; nothing for a code page whose characters
// the program does not know (a transfer table of the user's own in country.lst).
std::optional<CarriedSet> CarriedCharacters(const Session& session);

// Characters a text does not carry, counted as the text goes by, with the place of the first.
class UncarriedCount {
  public:
    // `single_byte`: characters are PC bytes; otherwise Unicode code points.
    explicit UncarriedCount(bool single_byte) : single_byte_(single_byte) {}

    void Take(char32_t character, bool carried) {
        if (!carried && count_++ == 0) {
            first_ = character;
            first_line_ = line_;
            first_column_ = column_;
        }
        if (character == U'\n') {
            ++line_;
            column_ = 1;
        } else {
            ++column_;
        }
    }
    uint64_t count() const { return count_; }
    // "3 characters (the first, U+221E (∞), at line 2, column 5)". `for_box`: the character itself
    // only when a message box can show it (it has a Windows-1252 byte), never as "?".
    std::string Describe(bool for_box = false) const;

  private:
    bool single_byte_;
    uint64_t count_ = 0;
    uint64_t line_ = 1, column_ = 1;
    char32_t first_ = 0;
    uint64_t first_line_ = 0, first_column_ = 0;
};

}  // namespace orkan
