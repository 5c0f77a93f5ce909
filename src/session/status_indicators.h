// What the status line shows on behalf of subsystems other than the data stream and the keyboard.
// Each subsystem sets its own field and then asks the View to refresh the status line; the status
// line is built from these and the rest of the session's state.
#pragma once

#include <string>

namespace orkan {

struct StatusIndicators {
    bool capture_active = false;  // screens are captured after every unlock
    char macro_letter = 0;        // 'R' recording, 'X' a macro waiting, 'P' other running states; 0 none
    std::string transfer_count;   // the byte count of a running transfer, already formatted; empty none
};

}  // namespace orkan
