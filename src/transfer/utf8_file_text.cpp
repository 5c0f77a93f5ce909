#include "transfer/utf8_file_text.h"

#include <array>
#include <cstdio>

namespace orkan {
namespace {

// Windows-1252 0x80..0x9F; the unassigned bytes keep the C1 control of their own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char32_t CodePointOf(uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) return kHighControls[byte - 0x80u];
    return byte;
}

bool ByteOf(char32_t code_point, uint8_t& byte) {
    if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
        byte = uint8_t(code_point);
        return true;
    }
    for (size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == code_point) {
            byte = uint8_t(0x80 + i);
            return true;
        }
    }
    return false;
}

// Length of the sequence a lead byte starts; 0 for a byte that cannot start one.
size_t SequenceLength(uint8_t lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// The code point of a whole sequence; kNotUtf8 for overlong forms, surrogates and values above
// U+10FFFF, which are not UTF-8 either.
char32_t DecodeSequence(const uint8_t* s, size_t length) {
    for (size_t i = 1; i < length; ++i)
        if ((s[i] & 0xC0) != 0x80) return kNotUtf8;
    char32_t cp = 0;
    switch (length) {
        case 1:
            return s[0];
        case 2:
            cp = char32_t(s[0] & 0x1F) << 6 | (s[1] & 0x3F);
            break;
        case 3:
            cp = char32_t(s[0] & 0x0F) << 12 | char32_t(s[1] & 0x3F) << 6 | (s[2] & 0x3F);
            break;
        case 4:
            cp = char32_t(s[0] & 0x07) << 18 | char32_t(s[1] & 0x3F) << 12 | char32_t(s[2] & 0x3F) << 6 |
                 (s[3] & 0x3F);
            break;
        default:
            return kNotUtf8;
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return kNotUtf8;
    return cp;
}

constexpr char32_t kByteOrderMark = 0xFEFF;

}  // namespace

void AppendWindows1252AsUtf8(uint8_t byte, std::vector<uint8_t>& out) {
    const char32_t cp = CodePointOf(byte);
    if (cp < 0x80) {
        out.push_back(uint8_t(cp));
    } else if (cp < 0x800) {
        out.push_back(uint8_t(0xC0 | cp >> 6));
        out.push_back(uint8_t(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(uint8_t(0xE0 | cp >> 12));
        out.push_back(uint8_t(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(uint8_t(0x80 | (cp & 0x3F)));
    }
}

std::string DescribeFailure(const Utf8Failure& failure) {
    char text[96];
    if (failure.code_point == kNotUtf8)
        std::snprintf(text, sizeof text, "bytes that are not UTF-8 at byte %llu",
                      (unsigned long long)failure.offset);
    else
        std::snprintf(text, sizeof text, "U+%04X at byte %llu", unsigned(failure.code_point),
                      (unsigned long long)failure.offset);
    return text;
}

char32_t Windows1252CodePoint(uint8_t byte) {
    return CodePointOf(byte);
}

bool Windows1252Byte(char32_t code_point, uint8_t& byte) {
    return ByteOf(code_point, byte);
}

bool Utf8Reader::Take(uint8_t byte, char32_t& code_point, uint64_t& start) {
    const uint64_t here = offset_++;
    if (pending_size_ == 0) {
        const size_t length = SequenceLength(byte);
        if (length > 1) {
            pending_[0] = byte;
            pending_size_ = 1;
            start_ = here;
            return false;
        }
        code_point = length == 1 ? byte : kNotUtf8;
        start = here;
        return true;
    }
    start = start_;
    if ((byte & 0xC0) != 0x80) {
        pending_size_ = 0;
        code_point = kNotUtf8;
        return true;
    }
    pending_[pending_size_++] = byte;
    if (pending_size_ < SequenceLength(pending_[0])) return false;
    code_point = DecodeSequence(pending_, pending_size_);
    pending_size_ = 0;
    return true;
}

bool Utf8ToWindows1252::Emit(char32_t code_point, uint64_t offset, std::vector<uint8_t>& out) {
    if (code_point == kByteOrderMark && offset == 0) return true;
    uint8_t byte = 0;
    if (code_point == kNotUtf8 || !ByteOf(code_point, byte)) {
        failed_ = true;
        failure_ = {offset, code_point};
        return false;
    }
    out.push_back(byte);
    return true;
}

bool Utf8ToWindows1252::Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out) {
    if (failed_) return false;
    for (uint8_t b : in) {
        char32_t cp = 0;
        uint64_t start = 0;
        if (reader_.Take(b, cp, start) && !Emit(cp, start, out)) return false;
    }
    return true;
}

bool Utf8ToWindows1252::Finish() {
    if (failed_) return false;
    if (!reader_.InCharacter()) return true;
    failed_ = true;
    failure_ = {reader_.CharacterStart(), kNotUtf8};
    return false;
}

}  // namespace orkan
