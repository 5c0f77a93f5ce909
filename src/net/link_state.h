// What the Telnet layer has agreed with the host, read by the data stream and the keyboard.
// Reset at every connection start.
#pragma once

#include <cstdint>
#include <string>

#include "charset/charset_tables.h"

namespace orkan {

struct LinkState {
    bool line_mode = true;        // until the host agrees to EOR or TN3270E
    bool remote_echo = false;
    AsciiHost ascii_host = AsciiHost::Translate;
    bool tn3270e_active = false;
    bool eor_seen = false;
    uint8_t current_data_type = 0;  // of the last TN3270E header received
    bool sscp_lu_mode = false;
    uint16_t outbound_sequence = 0;
    std::string assigned_lu_name;   // from DEVICE-TYPE IS ... CONNECT
    std::string bound_plu_name;     // from BIND-IMAGE
    std::string bound_secondary_name;
    bool tls_active = false;
};

}  // namespace orkan
