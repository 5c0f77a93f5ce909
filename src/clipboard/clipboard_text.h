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

void WriteClipboardText(Session& session, std::string_view display);

}  // namespace orkan
