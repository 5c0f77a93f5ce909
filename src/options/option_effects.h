// What follows a change of the session settings, for every way they change while the session runs:
// the options dialog hands over its whole record, options by name one field. The effects come from
// the fields that differ: code page tables rebuilt, key files loaded, the history ring resized, the
// window's faces and layout (through Session::hooks.settings), a repaint, the status line, the
// session file saved, and for the host, session file and terminal model the reconnect notice.
#pragma once

#include "config/session_record.h"

namespace orkan {

struct Session;

inline constexpr char kReconnectTitle[] = "Orkan TN3270 Connection/Session Change";
inline constexpr char kReconnectText[] = "A Reconnect is necessary to put your changes into effect.";

// `session.record` holds the new settings, `before` what it held until now. Nothing happens when
// they are equal. Failures (a country list or key file that cannot be read, a save that fails)
// have been shown to the user. A key file name whose file cannot be used is put back to the one
// in use (false then); the other new settings stay.
bool ApplyChangedSettings(Session& session, const SessionRecord& before);

}  // namespace orkan
