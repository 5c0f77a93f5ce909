// Byte values of Telnet (RFC 854, 855, 885, 1091) and TN3270E (RFC 2355) as they appear on the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string_view>

namespace orkan::telnet {

// Commands, the byte after IAC.
inline constexpr uint8_t kIac = 0xFF;
inline constexpr uint8_t kDont = 0xFE;
inline constexpr uint8_t kDo = 0xFD;
inline constexpr uint8_t kWont = 0xFC;
inline constexpr uint8_t kWill = 0xFB;
inline constexpr uint8_t kSb = 0xFA;
inline constexpr uint8_t kBreak = 0xF3;
inline constexpr uint8_t kInterruptProcess = 0xF4;
inline constexpr uint8_t kNop = 0xF1;
inline constexpr uint8_t kSe = 0xF0;
inline constexpr uint8_t kEor = 0xEF;

// Options.
inline constexpr uint8_t kOptBinary = 0;
inline constexpr uint8_t kOptEcho = 1;
inline constexpr uint8_t kOptSuppressGoAhead = 3;
inline constexpr uint8_t kOptTerminalType = 24;
inline constexpr uint8_t kOptEndOfRecord = 25;
inline constexpr uint8_t kOptTn3270e = 40;
inline constexpr uint8_t kOptAsciiHost = 102;  // a host that wants its bytes shown untranslated

// TERMINAL-TYPE subnegotiation verbs.
inline constexpr uint8_t kTermTypeIs = 0;
inline constexpr uint8_t kTermTypeSend = 1;

// TN3270E subnegotiation codes.
inline constexpr uint8_t kTnConnect = 0x01;
inline constexpr uint8_t kTnDeviceType = 0x02;
inline constexpr uint8_t kTnFunctions = 0x03;
inline constexpr uint8_t kTnIs = 0x04;
inline constexpr uint8_t kTnReason = 0x05;
inline constexpr uint8_t kTnReject = 0x06;
inline constexpr uint8_t kTnRequest = 0x07;
inline constexpr uint8_t kTnSend = 0x08;

// TN3270E functions this side asks for: BIND-IMAGE, RESPONSES, SYSREQ.
inline constexpr uint8_t kRequestedFunctions[] = {0x00, 0x02, 0x04};

// TN3270E header.
inline constexpr size_t kHeaderSize = 5;
inline constexpr uint8_t kType3270Data = 0x00;
inline constexpr uint8_t kTypeResponse = 0x02;
inline constexpr uint8_t kTypeBindImage = 0x03;
inline constexpr uint8_t kTypeUnbind = 0x04;
inline constexpr uint8_t kTypeSscpLuData = 0x07;
inline constexpr uint8_t kAlwaysResponse = 0x02;
inline constexpr uint8_t kPositiveResponse = 0x00;
inline constexpr uint8_t kDeviceEnd = 0x00;

// DEVICE-TYPE REJECT reasons as the user reads them; the index is the reason code.
inline constexpr std::string_view kRejectReasonTexts[] = {
    "Device name requested is the partner to some other terminal.",
    "Device is already associated with another telnet session.",
    "The device type is neither a printer or a terminal.",
    "The device is not known to the server.",
    "The server does not support the requested device type.",
    "The requested device name is incompatible with the requested device type.\n"
    "(LUNAME specification may be invalid)",
};
inline constexpr std::string_view kRejectUnknownText = "Unknown error occurred while attempting connection";

constexpr std::string_view RejectReasonText(uint8_t reason) {
    return reason < std::size(kRejectReasonTexts) ? kRejectReasonTexts[reason] : kRejectUnknownText;
}

}  // namespace orkan::telnet
