// The status line in words, for a screen reader: the connection and TLS, whether the keyboard is
// locked and why, insert mode, a macro at work. Counters that change every moment (the connect
// countdown, transfer bytes, the cursor position) are left out so the words change only when the
// state does.
#pragma once

#include <string>

namespace orkan {

struct Session;

std::string SpokenStatus(const Session& session);

}  // namespace orkan
