#include "net/telnet_hex_setting.h"

namespace orkan {
namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

HexSetting ParseHexSetting(std::string_view name, std::string_view text, size_t max_chars) {
    HexSetting result;
    const std::string head = "The setting " + std::string(name) + " (\"" + std::string(text) + "\") ";
    if (text.empty()) {
        result.error = head + "is empty: nothing was sent.";
        return result;
    }
    if (text.size() > max_chars) {
        result.error =
            head + "is longer than " + std::to_string(max_chars) + " hexadecimal digits: nothing was sent.";
        return result;
    }
    if (text.size() % 2 != 0) {
        result.error = head + "has an odd number of hexadecimal digits: nothing was sent.";
        return result;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = HexDigit(text[i]);
        const int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) {
            const size_t bad = high < 0 ? i : i + 1;
            result.error = head + "has a character that is not a hexadecimal digit at position " +
                           std::to_string(bad + 1) + ": nothing was sent.";
            result.bytes.clear();
            return result;
        }
        result.bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return result;
}

}  // namespace orkan
