// The file side of the "UTF-8" transfer code page: Linux text files are UTF-8, while the transfer
// tables work on Windows-1252 bytes. Every Windows-1252 byte has one character (the five
// unassigned ones take the C1 control of the same number), so any downloaded byte can be written
// and read back; a character of an uploaded file that Windows-1252 lacks stops the upload with
// its position, it is never dropped or replaced.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orkan {

inline constexpr char32_t kNotUtf8 = 0xFFFD;  // stands for bytes that are not UTF-8

void AppendWindows1252AsUtf8(uint8_t byte, std::vector<uint8_t>& out);
// The character of a Windows-1252 byte; the byte of a character, false when 1252 lacks it.
char32_t Windows1252CodePoint(uint8_t byte);
[[nodiscard]] bool Windows1252Byte(char32_t code_point, uint8_t& byte);

// A character that stopped the decoding: where it starts in the whole input, and what it is.
struct Utf8Failure {
    uint64_t offset = 0;
    char32_t code_point = kNotUtf8;
};

// "U+20AC at byte 1234" or "bytes that are not UTF-8 at byte 1234" (offsets counted from 0).
std::string DescribeFailure(const Utf8Failure& failure);

// UTF-8 one byte at a time: a character may be split between two pieces of a file.
class Utf8Reader {
  public:
    // True when `byte` completes a character: its code point (kNotUtf8 for bytes that are not
    // UTF-8) and the offset of its first byte.
    [[nodiscard]] bool Take(uint8_t byte, char32_t& code_point, uint64_t& start);
    bool InCharacter() const { return pending_size_ != 0; }
    uint64_t CharacterStart() const { return start_; }

  private:
    uint8_t pending_[4] = {};
    size_t pending_size_ = 0;
    uint64_t offset_ = 0;
    uint64_t start_ = 0;
};

// UTF-8 in pieces to Windows-1252 bytes. A byte order mark at the very start is skipped.
class Utf8ToWindows1252 {
  public:
    // Appends the bytes of the whole characters in `in`, keeping an unfinished one for the next
    // piece. False at the first character that cannot be converted; nothing after it is taken.
    [[nodiscard]] bool Feed(std::span<const uint8_t> in, std::vector<uint8_t>& out);
    // False when the input ended inside a character.
    [[nodiscard]] bool Finish();
    const Utf8Failure& failure() const { return failure_; }

  private:
    [[nodiscard]] bool Emit(char32_t code_point, uint64_t offset, std::vector<uint8_t>& out);

    Utf8Reader reader_;
    bool failed_ = false;
    Utf8Failure failure_;
};

}  // namespace orkan
