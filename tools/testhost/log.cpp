#include "log.h"

#include <cinttypes>
#include <cstring>

#include "telnet.h"

namespace testhost {

SessionLog::~SessionLog() {
    if (own_ && file_) std::fclose(file_);
}

bool SessionLog::OpenOwn(const std::string& pattern, int session, std::string& error) {
    std::string path = pattern;
    const std::string number = std::to_string(session);
    for (size_t p = path.find("%n"); p != std::string::npos; p = path.find("%n", p + number.size()))
        path.replace(p, 2, number);
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    own_ = true;
    session_ = session;
    return true;
}

void SessionLog::Line(const std::string& tag, const std::string& text) {
    if (!enabled()) return;
    char head[64];
    std::snprintf(head, sizeof head, "#%d %.3f %s ", session_, now_, tag.c_str());
    std::string line = head + text + "\n";
    if (capture_) {
        *capture_ += line;
    } else {
        std::fputs(line.c_str(), file_);
        std::fflush(file_);
    }
}

void SessionLog::Hex(const std::string& tag, const uint8_t* data, size_t size) {
    if (!enabled()) return;
    static constexpr char kHex[] = "0123456789abcdef";
    for (size_t off = 0; off < size; off += 16) {
        char offset[32];
        std::snprintf(offset, sizeof offset, "%04zx ", off);
        std::string text = offset;
        for (size_t i = off; i < off + 16 && i < size; ++i) {
            text += ' ';
            text += kHex[data[i] >> 4];
            text += kHex[data[i] & 15];
        }
        Line(tag, text);
    }
}

std::string Quote(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7F) {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02x", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string DescribeTelnet(const uint8_t* data, size_t size) {
    using namespace telnet;
    std::string out;
    auto word = [&](const std::string& w) {
        if (!out.empty()) out += ' ';
        out += w;
    };
    size_t i = 0;
    size_t plain = 0;
    auto flush_plain = [&] {
        if (plain) word("<" + std::to_string(plain) + " data bytes>");
        plain = 0;
    };
    while (i < size) {
        if (data[i] != IAC) {
            ++plain;
            ++i;
            continue;
        }
        flush_plain();
        if (i + 1 >= size) {
            word("IAC <cut>");
            break;
        }
        const uint8_t cmd = data[i + 1];
        if ((cmd == WILL || cmd == WONT || cmd == DO || cmd == DONT) && i + 2 < size) {
            word("IAC " + CommandName(cmd) + " " + OptionName(data[i + 2]));
            i += 3;
            continue;
        }
        if (cmd != SB) {
            word("IAC " + CommandName(cmd));
            i += 2;
            continue;
        }
        // Subnegotiation: find IAC SE.
        size_t end = i + 2;
        while (end + 1 < size && !(data[end] == IAC && data[end + 1] == SE)) ++end;
        const uint8_t* sb = data + i + 2;
        const size_t n = end + 1 < size ? end - (i + 2) : size - (i + 2);
        std::string text = "IAC SB";
        if (n >= 1) text += " " + OptionName(sb[0]);
        static constexpr const char* kTn3270eWords[] = {
            "ASSOCIATE", "CONNECT", "DEVICE-TYPE", "FUNCTIONS", "IS", "REASON", "REJECT", "REQUEST", "SEND"};
        std::string ascii;
        auto flush_ascii = [&] {
            if (!ascii.empty()) text += " \"" + ascii + "\"";
            ascii.clear();
        };
        bool functions = false;
        for (size_t k = 1; k < n; ++k) {
            const uint8_t b = sb[k];
            if (sb[0] == kTerminalType && k == 1) {
                text += b == kIs ? " IS" : b == kSend ? " SEND" : " " + std::to_string(b);
            } else if (b > 0x20 && b < 0x7F) {
                ascii += static_cast<char>(b);
            } else if (sb[0] == kTn3270e && functions && k > 2) {
                flush_ascii();
                text += " " + FunctionName(b);
            } else if (sb[0] == kTn3270e && b <= 8) {
                flush_ascii();
                text += std::string(" ") + kTn3270eWords[b];
                if (b == kFunctions) functions = true;
                if (b == kReason && k + 1 < n) {
                    text += " " + ReasonName(sb[k + 1]);
                    ++k;
                }
            } else {
                flush_ascii();
                text += " " + std::to_string(b);
            }
        }
        flush_ascii();
        text += end + 1 < size ? " IAC SE" : " <cut>";
        word(text);
        i = end + 2;
    }
    flush_plain();
    return out;
}

}  // namespace testhost
