// The message boxes the data stream shows, with their fixed titles and texts.
#pragma once

#include <string>

namespace orkan {

struct Session;

namespace msg {
inline constexpr const char* kInvalidAddressTitle = "Invalid buffer address";
inline constexpr const char* kInvalidAddressText =
    "Invalid buffer address received, code = %02X %02X %02X.\nAttempt to address location %d on the screen,\n"
    "but there are only %d positions on the current screen.";
inline constexpr const char* kInvalidWriteTitle = "Attempting to write to invalid buffer address";
inline constexpr const char* kInvalidWriteText =
    "Attempting to write to buffer address %d, row=%d col=%d\nbut there are only %d positions on the current "
    "screen.";
inline constexpr const char* kSnaTitle = "SNA code Error";
inline constexpr const char* kUnknownStructuredField = "Unknown Structured Field Received, code=%02X";
inline constexpr const char* kFileErrorTitle = "File Error";
inline constexpr const char* kTempMacroOpenError =
    "Error opening temp file 'ork$%c$exec.mac' for remote execution";
inline constexpr const char* kTempPrintOpenError =
    "Error opening temp file 'ork$%c$prnt.txt' for pcprint action";

// Faults of a record that the host should never send; each ends what cannot be read safely.
inline constexpr const char* kUnknownCommand = "Unknown 3270 Command Received, code=%02X";
inline constexpr const char* kIncompleteOrder =
    "Incomplete order received, code=%02X\nThe record ends at offset %d, before the order's parameters.";
inline constexpr const char* kRepeatOfSba =
    "Repeat to Address order received with SBA as the character to repeat.";
inline constexpr const char* kBadFieldLength =
    "Structured Field length %d is invalid, %d bytes remain in the record.\nThe rest of the record was "
    "ignored.";
inline constexpr const char* kShortField =
    "Structured Field too short, code=%02X, length=%d\n(at least %d bytes are needed).";
inline constexpr const char* kNestedOutbound3270 =
    "Outbound 3270DS Structured Field received inside another one; it was ignored.";
inline constexpr const char* kTempFileWriteError = "Error writing temp file '%s':\n%s";
}  // namespace msg

std::string FormatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A fault in what the host sent: shown at once, as every message of the session is.
void ReportHostError(Session& session, const char* title, const std::string& text);

}  // namespace orkan
