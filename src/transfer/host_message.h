// The host transfer program's closing message: an identifier (up to the first blank, such as
// "TRANS03"), perhaps a dash, and the text after it. Only the identifier says whether the
// transfer completed.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace orkan {

// Control bytes become blanks, the text ends at its first '$' or at `max_length`, trailing blanks
// go.
std::string CleanHostMessage(std::span<const uint8_t> bytes, size_t max_length);

struct HostMessage {
    std::string identifier;  // "TRANS03"
    std::string text;        // "File transfer complete"
};
HostMessage SplitHostMessage(std::string_view message);

// The identifiers of the host's completion messages.
bool IsCompletionMessage(const HostMessage& message);

}  // namespace orkan
