#include "net/host_address.h"

#include <algorithm>

namespace orkan {

namespace {

HostAddressResult Failure(std::string message) {
    HostAddressResult result;
    result.error = std::move(message);
    return result;
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// Digits only, 1..65535; anything else is refused rather than read as far as it goes.
bool ParsePort(std::string_view digits, uint16_t& port) {
    if (digits.empty() || digits.size() > 5) return false;
    uint32_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value == 0 || value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

}  // namespace

HostAddressResult ParseHostAddress(std::string_view text, uint16_t default_port) {
    // A blank or a NUL inside would be cut off or passed on as part of a name that cannot exist.
    if (std::any_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte <= 0x20 || byte == 0x7F;
        })) {
        return Failure("Host " + Quoted(text) + " contains a blank or a control character");
    }

    std::string_view host = text;
    std::string_view port_text;
    bool has_port = false;
    if (!text.empty() && text.front() == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos) return Failure("Missing \"]\" in host " + Quoted(text));
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':')
                return Failure("Only \":port\" may follow \"]\" in host " + Quoted(text));
            port_text = rest.substr(1);
            has_port = true;
        }
    } else if (std::count(text.begin(), text.end(), ':') == 1) {
        const size_t colon = text.find(':');
        host = text.substr(0, colon);
        port_text = text.substr(colon + 1);
        has_port = true;
    }
    // Two colons or more without brackets: an IPv6 address as a whole, on the session's port.

    if (host.empty()) return Failure(text.empty() ? "No host name given" : "No host name in " + Quoted(text));

    HostAddressResult result;
    result.address.host = std::string(host);
    if (has_port) {
        if (port_text.empty()) return Failure("Port number missing after \":\" in host " + Quoted(text));
        if (!ParsePort(port_text, result.address.port)) {
            return Failure("Port " + Quoted(port_text) + " in host " + Quoted(text) +
                           " is not a number from 1 to 65535");
        }
        result.address.port_given = true;
    } else {
        if (default_port == 0) return Failure("No port number for host " + Quoted(text));
        result.address.port = default_port;
    }
    return result;
}

}  // namespace orkan
