// What the status line shows on behalf of subsystems other than the data stream and the keyboard.
// Each owner sets its own field and then asks the View to refresh the status line; the status line
// is built from these and the rest of the session's state, in both programs.
#pragma once

#include <optional>
#include <string>

namespace orkan {

struct StatusIndicators {
    bool capture_active = false;    // capture: screens are saved after every unlock
    char macro_letter = 0;          // macros: 'R' recording, 'X' a macro waiting, 'P' other running states
    std::string transfer_count;     // transfer: the byte count of a running transfer, formatted
    int connect_seconds_left = -1;  // runtime: the connect countdown while connecting, else -1
    // Runtime: STATUSLINE with its "&" sequences expanded; unset shows the option as stored.
    std::optional<std::string> user_text;
};

}  // namespace orkan
