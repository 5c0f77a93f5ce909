// The window title (and other user texts with "&" sequences, such as the status-line text) built
// from a template of the session: "&L" session letter, "&S" session file name, "&N" session file
// name without ".ses", "&H" host name, "&P" port, "&U" LU name (the one the server assigned, else
// the configured one), "&T" session status name, "&&" one "&". Any other "&x" stays as written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "session/session_status.h"

namespace orkan {

struct Session;

inline constexpr std::string_view kDefaultTitleTemplate = "Orkan TN3270 - &L - &N";

// `status`: the one to show for "&T" instead of the session's (a print shows the status it
// found, not the lock it holds itself).
std::string ExpandSessionText(std::string_view text, const Session& session,
                              std::optional<SessionStatus> status = std::nullopt);

// The session's WINDOWTITLE template, or the default one when it is empty; with a host, " - " and
// the host name follow the default title.
std::string BuildWindowTitle(const Session& session);

}  // namespace orkan
