// Text helpers of the macro language: case rules of Windows-1252 display bytes.
#pragma once

#include <string>
#include <string_view>

#include "macro/macro_scanner.h"

namespace orkan {

inline std::string UpperText(std::string_view t) {
    std::string out(t);
    for (char& c : out) c = char(UpperByte(uint8_t(c)));
    return out;
}
inline std::string LowerText(std::string_view t) {
    std::string out(t);
    for (char& c : out) c = char(LowerByte(uint8_t(c)));
    return out;
}
// <0, 0, >0 after both are upper-cased, byte by byte.
inline int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        const uint8_t x = UpperByte(uint8_t(a[i])), y = UpperByte(uint8_t(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}
inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

}  // namespace orkan
