#include "config/file_name_text.h"

#include <array>
#include <cstdint>

namespace orkan {

namespace {

// Unicode for the bytes 0x80..0x9F; the rest of the code page is Latin-1.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ByteToUnicode(uint8_t b) {
    return (b >= 0x80 && b < 0xA0) ? kHighControls[b - 0x80] : b;
}

std::optional<uint8_t> UnicodeToByte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return uint8_t(c);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == c) return uint8_t(0x80 + i);
    return std::nullopt;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string StoredNameToPath(std::string_view stored) {
    std::string out;
    out.reserve(stored.size());
    for (char ch : stored) AppendUtf8(out, ByteToUnicode(uint8_t(ch)));
    return out;
}

namespace {

// Windows-1252 for UTF-8; with `lossy` "?" stands for what has none, else the first such ends it.
std::optional<std::string> ToWindows1252(std::string_view utf8, bool lossy) {
    std::string out;
    out.reserve(utf8.size());
    size_t i = 0;
    while (i < utf8.size()) {
        const uint8_t b = uint8_t(utf8[i]);
        char32_t c = 0;
        size_t extra;
        if (b < 0x80) {
            c = b;
            extra = 0;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            extra = 1;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;  // no Windows-1252 character, but one character all the same
            extra = 3;
        } else {
            extra = utf8.size();  // not UTF-8
        }
        bool valid = i + extra < utf8.size();
        for (size_t k = 1; valid && k <= extra; ++k) {
            const uint8_t cont = uint8_t(utf8[i + k]);
            valid = (cont & 0xC0) == 0x80;
            c = (c << 6) | (cont & 0x3F);
        }
        // Overlong forms would let two spellings name one file.
        valid =
            valid && !((extra == 1 && c < 0x80) || (extra == 2 && c < 0x800) || (extra == 3 && c < 0x10000));
        const std::optional<uint8_t> byte = valid ? UnicodeToByte(c) : std::nullopt;
        if (!byte && !lossy) return std::nullopt;
        out += byte ? char(*byte) : '?';
        i += valid ? extra + 1 : 1;
    }
    return out;
}

}  // namespace

std::optional<std::string> PathToStoredName(std::string_view utf8) {
    return ToWindows1252(utf8, false);
}

std::string PathForMessage(std::string_view utf8) {
    return *ToWindows1252(utf8, true);
}

}  // namespace orkan
