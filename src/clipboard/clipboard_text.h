// The clipboard at the edge of the session: UTF-8 with LF line ends outside, display bytes
// (Windows-1252) with CR LF line ends inside. A character that has no form on the screen or in the
// host code page is never dropped quietly: the user is told and chooses.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orkan {

struct Session;

// Plain quotes for the typographic ones (0x91 to 0x94), which host code pages rarely have.
void PlainQuotes(std::string& display);

// The clipboard's text, typographic quotes made plain. Characters without a host form are
// reported; the user pastes them as "?" (OK) or not at all (Cancel: nothing is returned). The
// session's one way to the desktop's clipboard: nothing is read or written for a macro that may
// not reach it.
[[nodiscard]] std::optional<std::string> ReadClipboardText(Session& session);

// The same for a paste: a text whose display form is longer than `room` bytes is first cut to it
// (after a warning), so the question counts only what is pasted.
[[nodiscard]] std::optional<std::string> ReadPasteText(Session& session, size_t room);

// The clipboard's own text for Copy Append, which pastes nothing into the host: kept as the
// clipboard holds it (no host code page, no "?"), in whole characters whose display form fits in
// `room` bytes; `display` is that form for the copy buffer. Nothing when a macro may not reach it.
struct ClipboardStart {
    std::string utf8;
    std::string display;
    bool cut = false;  // the clipboard held more than `room`
};
[[nodiscard]] std::optional<ClipboardStart> ReadClipboardStart(Session& session, size_t room);

void WriteClipboardText(Session& session, std::string_view display);

// Copy Append's result: the clipboard's own text as it was, then display text.
void WriteClipboardText(Session& session, std::string_view kept_utf8, std::string_view added_display);

}  // namespace orkan
