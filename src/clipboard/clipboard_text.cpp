#include "clipboard/clipboard_text.h"

#include <algorithm>
#include <cstdint>
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

// The longest start of `utf8`, in whole characters, whose display form fits in `room` bytes. A
// display byte takes at most four bytes of UTF-8 (after a byte order mark), so only that much of a
// huge clipboard is ever converted.
size_t FittingPrefix(std::string_view utf8, size_t room) {
    const auto boundary = [utf8](size_t n) {
        while (n > 0 && n < utf8.size() && (uint8_t(utf8[n]) & 0xC0) == 0x80) --n;
        return n;
    };
    const auto fits = [&](size_t n) {
        return Utf8ToDisplay(utf8.substr(0, boundary(n))).text.size() <= room;
    };
    size_t lo = 0;
    size_t hi = std::min(utf8.size(), room > (SIZE_MAX - 16) / 4 ? utf8.size() : 4 * room + 16);
    if (hi == utf8.size() && fits(hi)) return hi;
    while (lo < hi) {
        const size_t mid = lo + (hi - lo + 1) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid - 1;
    }
    return boundary(lo);
}

// Characters the host cannot take become "?"; the user is asked first, the first of them named in
// text order whichever step failed it.
std::optional<std::string> ForTheHost(Session& session, std::string_view utf8) {
    DisplayText converted = Utf8ToDisplay(utf8);
    PlainQuotes(converted.text);
    size_t count = converted.failures.size();
    size_t first_at = converted.text.size();
    char32_t first = 0;
    if (!converted.failures.empty()) {
        first = converted.failures.front().code_point;
        first_at = Utf8ToDisplay(utf8.substr(0, converted.failures.front().offset)).text.size();
    }
    for (size_t i = 0; i < converted.text.size(); ++i) {
        const uint8_t c = uint8_t(converted.text[i]);
        if (!LacksHostForm(session, c)) continue;
        if (count++ == 0 || i < first_at) {
            first = DisplayToUnicode(c).front();
            first_at = i;
        }
        converted.text[i] = '?';
    }
    if (count == 0) return std::move(converted.text);

    const size_t line =
        size_t(std::count(converted.text.begin(), converted.text.begin() + first_at, '\n')) + 1;
    char named[16];
    std::snprintf(named, sizeof named, "U+%04X", unsigned(first));
    const std::string text =
        std::to_string(count) +
        " character(s) of the clipboard text have no form in the host code page (the first: " + named +
        " on line " + std::to_string(line) +
        ").\nThey would be pasted as \"?\".\n\nDo you want to paste the text anyway?";
    if (session.ui.ShowMessage({std::string(kPasteTitle), text, Buttons::OkCancel, Icon::Warning}) !=
        Answer::Ok)
        return std::nullopt;
    return std::move(converted.text);
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
    return ForTheHost(session, session.ui.ClipboardText());
}

std::optional<std::string> ReadPasteText(Session& session, size_t room) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return std::nullopt;
    std::string utf8 = session.ui.ClipboardText();
    const size_t fitting = FittingPrefix(utf8, room);
    if (fitting < utf8.size()) {
        session.ui.ShowMessage(
            {"Large amount of Clipboard data",
             "Warning: PasteContinue will be truncated to " + std::to_string(room) + " characters",
             Buttons::Ok, Icon::Warning});
        utf8.resize(fitting);
    }
    return ForTheHost(session, utf8);
}

std::optional<ClipboardStart> ReadClipboardStart(Session& session, size_t room) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return std::nullopt;
    ClipboardStart start;
    start.utf8 = session.ui.ClipboardText();
    const size_t fitting = FittingPrefix(start.utf8, room);
    start.cut = fitting < start.utf8.size();
    start.utf8.resize(fitting);
    start.display = Utf8ToDisplay(start.utf8).text;
    return start;
}

void WriteClipboardText(Session& session, std::string_view display) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return;
    session.ui.SetClipboardText(DisplayToUtf8(display));
}

void WriteClipboardText(Session& session, std::string_view kept_utf8, std::string_view added_display) {
    if (!session.macro_gate.Permit(Capability::Clipboard)) return;
    session.ui.SetClipboardText(std::string(kept_utf8) + DisplayToUtf8(added_display));
}

}  // namespace orkan
