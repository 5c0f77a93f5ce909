// EBCDIC <-> text through glibc iconv. The host must not share translation tables with the
// emulator, so it builds its own 256-entry tables from the system's converter at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace testhost {

using Bytes = std::vector<uint8_t>;

class Codec {
  public:
    // Builds the tables for a single-byte EBCDIC code page known to iconv (e.g. "IBM-037").
    // On failure returns false and leaves a message in `error`.
    [[nodiscard]] bool Open(const std::string& code_page, std::string& error);

    const std::string& Name() const { return name_; }

    // Host byte -> UTF-8 text of one character; bytes with no printable form become "."
    // in readable output, and nulls become a blank.
    const std::string& ToUtf8(uint8_t host) const { return to_utf8_[host]; }
    std::string ToUtf8(const uint8_t* data, size_t size) const;

    // UTF-8 text -> host bytes. Returns false (with the offending character in `error`) when a
    // character has no form in the code page or the text is not valid UTF-8.
    [[nodiscard]] bool ToHost(std::string_view utf8, Bytes& out, std::string& error) const;

    // The host byte for one ASCII character (always defined for printable ASCII that the
    // code page holds; otherwise the host's blank).
    uint8_t HostByte(char ascii) const;

  private:
    std::string name_;
    std::array<std::string, 256> to_utf8_{};
    std::unordered_map<char32_t, uint8_t> from_unicode_;
};

// Host bytes for text that may hold characters the code page lacks: those become '?', and the
// caller hears about it in `note`, because the text comes from outside (a variable, a file name).
Bytes HostText(const Codec& codec, const std::string& text, std::string& note);

// Splits UTF-8 into code points; false on malformed input.
[[nodiscard]] bool DecodeUtf8(std::string_view text, std::vector<char32_t>& out);

}  // namespace testhost
