// The host string a session connects to: "name", "name:port", "[v6addr]:port", "[v6addr]", or a
// bare IPv6 address (which cannot carry a port). A port in the string wins over the session's.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orkan {

struct HostAddress {
    std::string host;  // without brackets
    uint16_t port = 0;
    bool port_given = false;  // the string named the port: the session keeps it as its own
};

struct HostAddressResult {
    HostAddress address;
    std::string error;  // what is wrong with the string, for the connection-error box
    bool ok() const { return error.empty(); }
};

[[nodiscard]] HostAddressResult ParseHostAddress(std::string_view text, uint16_t default_port);

}  // namespace orkan
