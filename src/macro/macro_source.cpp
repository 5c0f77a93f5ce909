#include "macro/macro_source.h"

#include <cstdio>

#include "charset/display_unicode.h"

namespace orkan {

namespace {

// True when the bytes hold at least one multi-byte UTF-8 sequence and no invalid one.
bool UsesUtf8(std::string_view s) {
    bool multibyte = false;
    for (size_t i = 0; i < s.size();) {
        const auto c = uint8_t(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t n = 0;
        if ((c & 0xE0) == 0xC0 && c >= 0xC2)
            n = 1;
        else if ((c & 0xF0) == 0xE0)
            n = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4)
            n = 3;
        else
            return false;
        if (i + n >= s.size()) return false;
        for (size_t k = 1; k <= n; ++k)
            if ((uint8_t(s[i + k]) & 0xC0) != 0x80) return false;
        multibyte = true;
        i += n + 1;
    }
    return multibyte;
}

}  // namespace

NormalisedMacro NormaliseMacroSource(std::string_view bytes) {
    NormalisedMacro out;
    std::string display;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF" || UsesUtf8(bytes)) {
        DisplayText converted = Utf8ToDisplay(bytes);
        if (!converted.failures.empty()) {
            const Unconvertible& f = converted.failures.front();
            char text[160];
            std::snprintf(
                text, sizeof text,
                "The character U+%04X at byte %zu has no Windows-1252 form and cannot be used in a macro.",
                unsigned(f.code_point), f.offset + 1);
            out.error = text;
            // Z caron has one, but its byte is DUP in this program.
            if (f.code_point == U'\u017D')
                out.error = "The character U+017D at byte " + std::to_string(f.offset + 1) +
                            " cannot be used in a macro: its Windows-1252 byte 8E is DUP here.";
            return out;
        }
        display = std::move(converted.text);
    } else {
        display = std::string(bytes);
    }
    if (!display.empty() && display.back() == kMacroEndMark) display.pop_back();

    // Every line end becomes CR LF: lone LF, lone CR and CR LF alike.
    out.text.reserve(display.size() + display.size() / 16 + 3);
    for (size_t i = 0; i < display.size(); ++i) {
        const char c = display[i];
        if (c == '\r') {
            out.text += "\r\n";
            if (i + 1 < display.size() && display[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            out.text += "\r\n";
        } else {
            out.text += c;
        }
    }
    out.text += "\r\n";
    out.text += kMacroEndMark;
    out.ok = true;
    return out;
}

}  // namespace orkan
