// The layout of the session trace file, shared by its writer and its readers.
//
// The file starts with a 16-bit length and that many bytes of text (program version and build
// date). Items follow, all integers little-endian: type (1 byte), local time "HH:MM:SS" (8 bytes),
// payload length (16 bits), payload. Types 1, 2, 3, 7 and 8 are TraceType's; the program adds
// type 9 (a note: text about bad host data or a bad setting, or the screen's size before a buffer
// dump) and type 10 (the continuation of the item before it, for payloads longer than a 16-bit
// length can say).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orkan::trace_format {

inline constexpr size_t kTimeSize = 8;
inline constexpr size_t kItemHeaderSize = 1 + kTimeSize + 2;
inline constexpr size_t kMaxPayload = 0xFFFF;
// Above this many bytes traced the file starts again, so it never grows far beyond.
inline constexpr uint32_t kSizeLimit = 1000000;

inline constexpr uint8_t kTelnet = 1;
inline constexpr uint8_t kRecord = 2;
inline constexpr uint8_t kSent = 3;
inline constexpr uint8_t kBufferDump = 7;
inline constexpr uint8_t kReceived = 8;
inline constexpr uint8_t kNote = 9;
inline constexpr uint8_t kContinued = 10;

// The note written before a buffer dump: the dump's positions alone do not tell the width.
inline constexpr std::string_view kScreenNoteStart = "Buffer dump of a screen of ";
inline constexpr std::string_view kScreenNoteRows = " rows and ";
inline constexpr std::string_view kScreenNoteEnd = " columns.";

inline std::string ScreenSizeNote(uint32_t rows, uint32_t columns) {
    return std::string(kScreenNoteStart) + std::to_string(rows) + std::string(kScreenNoteRows) +
           std::to_string(columns) + std::string(kScreenNoteEnd);
}

// The width a note of that form names; 0 for any other text.
inline size_t ScreenSizeNoteColumns(std::string_view text) {
    const auto number = [&text](size_t& value) {
        size_t digits = 0;
        value = 0;
        while (digits < text.size() && digits < 5 && text[digits] >= '0' && text[digits] <= '9')
            value = value * 10 + size_t(text[digits++] - '0');
        text.remove_prefix(digits);
        return digits > 0;
    };
    const auto word = [&text](std::string_view w) {
        if (!text.starts_with(w)) return false;
        text.remove_prefix(w.size());
        return true;
    };
    size_t rows = 0, columns = 0;
    if (!word(kScreenNoteStart) || !number(rows) || !word(kScreenNoteRows) || !number(columns) ||
        !word(kScreenNoteEnd) || !text.empty())
        return 0;
    return columns;
}

// A header text longer than this is not one of ours.
inline constexpr size_t kMaxHeaderText = 256;

constexpr std::string_view TypeName(uint8_t type) {
    switch (type) {
        case kTelnet:
            return "TELNET";
        case kRecord:
            return "RECORD";
        case kSent:
            return "SENT";
        case kBufferDump:
            return "BUFFERS";
        case kReceived:
            return "RECEIVED";
        case kNote:
            return "NOTE";
        case kContinued:
            return "CONTINUED";
        default:
            return "UNKNOWN";
    }
}

}  // namespace orkan::trace_format
