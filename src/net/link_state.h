// What the Telnet layer has agreed with the host, read by the data stream and the keyboard.
// The Telnet engine owns it and resets it at every connection start; tls_active belongs to the
// connection layer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "charset/charset_tables.h"

namespace orkan {

struct LinkState {
    bool line_mode = true;     // until the host agrees to EOR or TN3270E
    bool remote_echo = false;  // the host echoes line-mode input, so it is not shown locally
    AsciiHost ascii_host = AsciiHost::Translate;  // kept across connections: a key function toggles it
    bool tn3270e_active = false;
    bool eor_seen = false;          // an IAC EOR arrived since the last TN3270E header was taken off
    uint8_t current_data_type = 0;  // of the last TN3270E header received (SSCP-LU data answers in kind)
    bool sscp_lu_mode = false;
    uint16_t outbound_sequence = 0;
    std::string assigned_lu_name;  // from DEVICE-TYPE IS ... CONNECT
    std::string bound_plu_name;    // from BIND-IMAGE, display characters
    std::string bound_secondary_name;
    std::vector<uint8_t> last_sent_record;  // unframed; the transfer protocol may send it again
    bool tls_active = false;
};

}  // namespace orkan
