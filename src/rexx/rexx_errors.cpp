#include "rexx/rexx_errors.h"

#include <cstdio>
#include <fstream>

namespace orkan {

namespace {

constexpr size_t kMaxListLine = 256;

std::string Numbered(int code) {
    char number[16];
    std::snprintf(number, sizeof number, "%04d", code);
    return number;
}

}  // namespace

std::string RexxErrorText(int code, const std::string& list_path) {
    const std::string number = Numbered(code);
    std::string text = "Unknown REXX error occurred";
    std::ifstream in(list_path, std::ios::binary);
    std::string line;
    bool first = true;
    while (in && std::getline(in, line)) {
        if (first) {
            first = false;
            continue;
        }
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.size() > kMaxListLine) continue;
        if (line.compare(0, 4, number) != 0) continue;
        text = line.size() > 5 ? line.substr(5) : std::string();
        break;
    }
    return "Error " + number + " - " + text;
}

}  // namespace orkan
