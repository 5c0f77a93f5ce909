// A session trace as text anyone can read: one group of lines per item with its number, time,
// type name and length, what it means (Telnet commands by name; records decoded with their
// TN3270E headers, commands, orders, fields and structured fields; the screen of a buffer dump),
// and a hex-and-text dump.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "capture/trace_reader.h"

namespace orkan {

struct TraceListingOptions {
    // The text column of host data: EBCDIC (code page 037) or, for ASCII hosts, ASCII.
    bool ascii_host = false;
    // Host byte -> display character of the host's code page (country.lst), for the text of
    // records; null: code page 037's printable ASCII.
    const std::array<uint8_t, 256>* host_to_display = nullptr;
    // Network chunks left out: their Telnet commands and records are listed again as TELNET and
    // RECORD items (with their TN3270E headers), and where TCP cut them differs from run to run.
    bool hide_chunks = false;
};

// Records larger than this are listed as a hex dump only: their decoded lines would take about
// twenty times their size (a damaged or crafted file).
inline constexpr size_t kLargestDecodedRecord = size_t{1} << 20;

// The listing handed to `write` piece by piece as it is made, so a large trace is never held
// whole; stops with false as soon as `write` returns false.
bool FormatTrace(const TraceContents& trace, const TraceListingOptions& options,
                 const std::function<bool(std::string_view)>& write);
std::string FormatTrace(const TraceContents& trace, const TraceListingOptions& options = {});

// Telnet commands by name ("IAC DO TN3270E", one command a line) when `bytes` is nothing but
// Telnet commands; nothing when it holds data.
std::optional<std::string> DescribeTelnet(std::span<const uint8_t> bytes);

// "Erase/Write WCC C3" for a record the host sent; nothing for an unknown command byte.
std::optional<std::string> DescribeRecord(std::span<const uint8_t> record);

// Offset, 16 bytes in hex and the same bytes as text, one line each, each line indented.
std::string HexDump(std::span<const uint8_t> bytes, bool ebcdic, const std::string& indent);

}  // namespace orkan
