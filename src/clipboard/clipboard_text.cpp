#include "clipboard/clipboard_text.h"

#include <algorithm>
#include <cstdio>

#include "charset/display_unicode.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr std::string_view kPasteTitle = "Orkan TN3270 Paste";

// A display byte the host code page has no byte for. Line ends and TAB never reach the host.
bool LacksHostForm(const Session& s, uint8_t c) {
    return c >= 0x20 && s.charset.display_to_host[c] == 0;
}

struct Failure {
    size_t count = 0;
    char32_t first = 0;
    size_t first_line = 0;  // counted from 1
};

void Note(Failure& f, char32_t code_point, size_t line) {
    if (f.count++ == 0) {
        f.first = code_point;
        f.first_line = line;
    }
}

}  // namespace

void PlainQuotes(std::string& display) {
    for (char& c : display) {
        const uint8_t b = uint8_t(c);
        if (b == 0x91 || b == 0x92)
            c = '\'';
        else if (b == 0x93 || b == 0x94)
            c = '"';
    }
}

std::optional<std::string> ReadClipboardText(Session& session) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return std::nullopt;
    const std::string utf8 = session.ui.ClipboardText();
    DisplayText converted = Utf8ToDisplay(utf8);
    PlainQuotes(converted.text);

    Failure failure;
    for (const Unconvertible& u : converted.failures)
        Note(failure, u.code_point,
             size_t(std::count(utf8.begin(), utf8.begin() + std::min(u.offset, utf8.size()), '\n')) + 1);
    // Characters that survived the first step but that the host cannot take, in text order after
    // the ones above (which are "?" already and so have a host form).
    size_t line = 1;
    for (char& c : converted.text) {
        if (c == '\n') ++line;
        if (!LacksHostForm(session, uint8_t(c))) continue;
        Note(failure, DisplayToUnicode(uint8_t(c)).front(), line);
        c = '?';
    }
    if (failure.count == 0) return std::move(converted.text);

    char first[16];
    std::snprintf(first, sizeof first, "U+%04X", unsigned(failure.first));
    const std::string text =
        std::to_string(failure.count) +
        " character(s) of the clipboard text have no form in the host code page (the first: " + first +
        " on line " + std::to_string(failure.first_line) +
        ").\nThey would be pasted as \"?\".\n\nDo you want to paste the text anyway?";
    if (session.ui.ShowMessage({std::string(kPasteTitle), text, Buttons::OkCancel, Icon::Warning}) !=
        Answer::Ok)
        return std::nullopt;
    return std::move(converted.text);
}

void WriteClipboardText(Session& session, std::string_view display) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return;
    session.ui.SetClipboardText(DisplayToUtf8(display));
}

}  // namespace orkan
