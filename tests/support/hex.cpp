#include "support/hex.h"

#include <cctype>
#include <stdexcept>

namespace orkan::test {

std::vector<uint8_t> FromHex(std::string_view hex) {
    std::vector<uint8_t> out;
    int nibble = -1;
    for (char c : hex) {
        if (c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '|') continue;
        if (!std::isxdigit(uint8_t(c))) throw std::invalid_argument("bad hex character in test data");
        const int v = std::isdigit(uint8_t(c)) ? c - '0' : std::toupper(uint8_t(c)) - 'A' + 10;
        if (nibble < 0) {
            nibble = v;
        } else {
            out.push_back(uint8_t(nibble << 4 | v));
            nibble = -1;
        }
    }
    if (nibble >= 0) throw std::invalid_argument("odd number of hex digits in test data");
    return out;
}

std::string ToHex(std::span<const uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

}  // namespace orkan::test
