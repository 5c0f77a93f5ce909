#include "transfer/host_message.h"

#include <algorithm>
#include <array>

namespace orkan {
namespace {

// "File transfer complete" and "File transfer complete with records segmented".
constexpr std::array<std::string_view, 2> kCompletionIdentifiers = {"TRANS03", "TRANS04"};

}  // namespace

std::string CleanHostMessage(std::span<const uint8_t> bytes, size_t max_length) {
    std::string text;
    for (uint8_t b : bytes) {
        if (b == '$' || text.size() >= max_length) break;
        text += b < 0x20 || b == 0x7F ? ' ' : char(b);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

HostMessage SplitHostMessage(std::string_view message) {
    const size_t first = message.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    message.remove_prefix(first);
    const size_t blank = message.find(' ');
    if (blank == std::string_view::npos) return {std::string(message), {}};
    std::string_view rest = message.substr(blank);
    rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(' ')));
    // Some hosts set the identifier off with a dash: "TRANS03 - File transfer complete".
    if (rest == "-" || rest.rfind("- ", 0) == 0) {
        rest.remove_prefix(1);
        rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(' ')));
    }
    return {std::string(message.substr(0, blank)), std::string(rest)};
}

bool IsCompletionMessage(const HostMessage& message) {
    return std::find(kCompletionIdentifiers.begin(), kCompletionIdentifiers.end(), message.identifier) !=
           kCompletionIdentifiers.end();
}

}  // namespace orkan
