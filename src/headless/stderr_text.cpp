#include "headless/stderr_text.h"

#include <limits.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>

#include "charset/display_unicode.h"

namespace orkan {

namespace {

void AppendEscaped(std::string& out, uint8_t byte) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += "\\x";
    out += kDigits[byte >> 4];
    out += kDigits[byte & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 when there is none.
size_t SequenceLength(std::string_view text) {
    const auto byte = [&](size_t i) { return uint8_t(text[i]); };
    const uint8_t lead = byte(0);
    size_t length = 0;
    uint8_t low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    return length;
}

}  // namespace

std::string TerminalSafeText(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        const uint8_t b = uint8_t(utf8[i]);
        if (b < 0x80) {
            if ((b < 0x20 && b != '\n' && b != '\t') || b == 0x7F)
                AppendEscaped(out, b);
            else
                out += char(b);
            ++i;
            continue;
        }
        const size_t length = SequenceLength(utf8.substr(i));
        // U+0080..U+009F (C2 80..C2 9F) are the C1 controls, CSI among them.
        if (length == 0 || (b == 0xC2 && uint8_t(utf8[i + 1]) < 0xA0)) {
            AppendEscaped(out, length == 0 ? b : uint8_t(utf8[i + 1]));
            i += length == 0 ? 1 : length;
            continue;
        }
        out.append(utf8.substr(i, length));
        i += length;
    }
    return out;
}

std::string TerminalSafeDisplayText(std::string_view display) {
    return TerminalSafeText(DisplayToUtf8(display));
}

namespace {

std::atomic<int> g_end_signal_fd{-1};
std::atomic<bool> g_ending{false};

}  // namespace

void SetEndSignalFd(int fd) {
    g_end_signal_fd = fd;
    g_ending = false;
}

bool WriteWhole(int fd, std::string_view text) {
    if (fd < 0) return text.empty();
    while (!text.empty()) {
        const bool ending = g_ending;
        // poll() passes over an entry whose fd is negative.
        pollfd p[2] = {{fd, POLLOUT, 0}, {ending ? -1 : g_end_signal_fd.load(), POLLIN, 0}};
        const int ready = ::poll(p, 2, ending ? 0 : -1);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        if (p[1].revents & POLLIN) {
            g_ending = true;  // the loop reads the signal; until then, and after, nothing waits
            continue;
        }
        if ((p[0].revents & (POLLOUT | POLLERR | POLLHUP)) == 0) return false;
        // poll() promises room for a page when it says writable: a write of that much never waits.
        const ssize_t n = ::write(fd, text.data(), std::min(text.size(), size_t(PIPE_BUF)));
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        text.remove_prefix(size_t(n));
    }
    return true;
}

void WriteToStderr(std::string_view text) {
    std::fflush(stderr);
    [[maybe_unused]] const bool written = WriteWhole(STDERR_FILENO, text);
}

}  // namespace orkan
