#include "rexx/rexx_errors.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "config/atomic_file.h"

namespace orkan {

namespace {

constexpr size_t kMaxListLine = 256;
constexpr size_t kMaxListBytes = 1 << 20;  // the shipped list is a few kilobytes

std::string Numbered(int code) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", code);
    return number;
}

}  // namespace

std::string RexxErrorText(int code, const std::string& list_path) {
    const std::string number = Numbered(code);
    std::string text = "Unknown REXX error occurred";
    // Read on the loop's thread: a FIFO or a device at the name is refused, never waited for.
    std::vector<uint8_t> bytes;
    int error = 0;
    if (ReadFilePrefix(list_path, kMaxListBytes, bytes, error) != ReadResult::Ok) bytes.clear();
    std::string_view rest(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    bool first = true;
    while (!rest.empty()) {
        const size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        if (first) {
            first = false;
            continue;
        }
        while (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.size() > kMaxListLine) continue;
        if (line.compare(0, 4, number) != 0) continue;
        text = line.size() > 5 ? std::string(line.substr(5)) : std::string();
        break;
    }
    return "Error " + number + " - " + text;
}

}  // namespace orkan
