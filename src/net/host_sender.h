// The way out to the host. The data stream hands complete records here; the Telnet engine frames
// them (TN3270E header, IAC doubling, IAC EOR) and passes the bytes on to the connection.
#pragma once

#include <cstdint>
#include <span>

namespace orkan {

namespace send_flag {
inline constexpr unsigned Send = 1;   // send now
inline constexpr unsigned Trace = 2;  // write to the trace as sent data
}  // namespace send_flag

class HostSender {
  public:
    virtual ~HostSender() = default;
    virtual void SendRecord(std::span<const uint8_t> record, unsigned flags) = 0;
    // Raw bytes (attention strings, keep-alive): no header, no IAC EOR, through TLS when active.
    virtual void SendRaw(std::span<const uint8_t> bytes) = 0;
};

}  // namespace orkan
