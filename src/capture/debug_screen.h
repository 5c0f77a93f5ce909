// Debug screens: one 3270 record from the host kept in a ".dbg" file, to be replayed later into
// any session, connected or not, exactly as if the host had sent it.
//
// File layout: 24 bytes "Orkan Debug V1.00" and seven blanks; a 16-bit little-endian length L;
// L bytes: the record (command byte first, no TN3270E header) and the two bytes 0xFF 0xEF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

struct Session;

inline constexpr std::string_view kDebugFileHeader = "Orkan Debug V1.00       ";
static_assert(kDebugFileHeader.size() == 24);
inline constexpr size_t kDebugLengthOffset = 24;
inline constexpr size_t kDebugRecordOffset = 26;
// The length field counts the record and its two end bytes.
inline constexpr size_t kMaxDebugRecord = 0xFFFF - 2;
inline constexpr size_t kMaxDebugFileSize = kDebugRecordOffset + 0xFFFF;
// Longer names are refused rather than cut.
inline constexpr size_t kMaxDebugFileName = 260;

// The file for one record; nothing when the record is empty or longer than kMaxDebugRecord.
[[nodiscard]] std::optional<std::vector<uint8_t>> EncodeDebugScreen(std::span<const uint8_t> record);

// The record a file holds, without its end bytes; nothing when the header differs in any byte,
// the length is below 3 (no record) or the file ends before the record does.
[[nodiscard]] std::optional<std::vector<uint8_t>> ParseDebugScreen(std::span<const uint8_t> file);

// Saves the last 3270 record the host sent. `name` (a path, UTF-8) is taken inside the
// application data folder unless absolute, ".dbg" added when missing; without one the file
// dialog asks. True when the file was written; false after a message or Cancel.
[[nodiscard]] bool SaveDebugScreen(Session& session, const std::optional<std::string>& name = std::nullopt);

// Loads a debug file (named as for saving, but used without adding an extension) and runs its
// record through the data stream: the screen, the trace and the screen history see it as a host
// record. Replies the record asks for reach no host. A file that is refused changes nothing.
[[nodiscard]] bool LoadDebugScreen(Session& session, const std::optional<std::string>& name = std::nullopt);

}  // namespace orkan
