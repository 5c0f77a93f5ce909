// Host strings as typed by users and given on the command line.
#include <gtest/gtest.h>

#include "net/host_address.h"

namespace orkan {
namespace {

TEST(ConnHostAddress, FormsAndErrors) {
    const struct {
        const char* text;
        const char* host;  // nullptr: refused with `error`
        uint16_t port;
        bool port_given;
        const char* error;
    } cases[] = {
        {"mvs.example.com", "mvs.example.com", 23, false, ""},
        {"mvs.example.com:2023", "mvs.example.com", 2023, true, ""},
        {"10.1.2.3:00992", "10.1.2.3", 992, true, ""},
        {"[::1]:3270", "::1", 3270, true, ""},
        {"[fe80::1%eth0]", "fe80::1%eth0", 23, false, ""},
        {"2001:db8::17", "2001:db8::17", 23, false, ""},
        {"host:65535", "host", 65535, true, ""},
        {"", nullptr, 0, false, "No host name given"},
        {"mvs:", nullptr, 0, false, "Port number missing after \":\" in host \"mvs:\""},
        {"[::1]:", nullptr, 0, false, "Port number missing after \":\" in host \"[::1]:\""},
        {":23", nullptr, 0, false, "No host name in \":23\""},
        {"[]:23", nullptr, 0, false, "No host name in \"[]:23\""},
        {"mvs:0", nullptr, 0, false, "Port \"0\" in host \"mvs:0\" is not a number from 1 to 65535"},
        {"mvs:65536", nullptr, 0, false,
         "Port \"65536\" in host \"mvs:65536\" is not a number from 1 to 65535"},
        {"mvs:23x", nullptr, 0, false, "Port \"23x\" in host \"mvs:23x\" is not a number from 1 to 65535"},
        {"mvs:-1", nullptr, 0, false, "Port \"-1\" in host \"mvs:-1\" is not a number from 1 to 65535"},
        {"[::1", nullptr, 0, false, "Missing \"]\" in host \"[::1\""},
        {"[::1]23", nullptr, 0, false, "Only \":port\" may follow \"]\" in host \"[::1]23\""},
        {"mvs example", nullptr, 0, false, "Host \"mvs example\" contains a blank or a control character"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const HostAddressResult result = ParseHostAddress(c.text, 23);
        EXPECT_EQ(result.error, c.error);
        if (c.host == nullptr) continue;
        EXPECT_EQ(result.address.host, c.host);
        EXPECT_EQ(result.address.port, c.port);
        EXPECT_EQ(result.address.port_given, c.port_given);
    }
    EXPECT_EQ(ParseHostAddress("mvs", 0).error, "No port number for host \"mvs\"");
    EXPECT_EQ(ParseHostAddress(std::string_view("mvs\0x", 5), 23).error,
              std::string("Host \"mvs\0x\" contains a blank or a control character", 52));
}

}  // namespace
}  // namespace orkan
