// The 3270 side of a session trace in words: the TN3270E header of each record, a host record's
// command and WCC and its orders (addresses as row and column, field attributes and attribute
// pairs by name, text translated), structured fields by name, and what the terminal sent (AID,
// cursor, fields, query replies, transfer replies). It follows the trace item by item, since the
// meaning of a record depends on what came before it (TN3270E agreed, the alternate screen width).
// Bytes that do not make a whole order or field are said to be cut short; nothing is read past.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace orkan {

struct HostTextTable {
    // Host byte -> display character (Windows-1252) from country.lst; null: code page 037's
    // printable ASCII, others shown as '.'.
    const std::array<uint8_t, 256>* to_display = nullptr;
    bool ascii_host = false;  // host data is ASCII
};

class RecordListing {
  public:
    explicit RecordListing(HostTextTable text) : text_(text) {}

    // Each gives lines separated by '\n' (no final one), empty when there is nothing to say.
    void TelnetCommands(std::span<const uint8_t> bytes);  // follows the TN3270E agreement
    void Received(std::span<const uint8_t> chunk);        // keeps the records it ends, headers and all
    std::string HostRecord(std::span<const uint8_t> record);
    std::string Sent(std::span<const uint8_t> bytes);

    // The width of the screen the last erase left, when the trace says it; 0 when it does not.
    uint32_t KnownColumns() const { return columns_told_ ? columns_ : 0; }

  private:
    struct Lines;
    void Orders(std::span<const uint8_t> data, Lines& out) const;
    void OutboundFields(std::span<const uint8_t> data, Lines& out);
    void InboundRecord(std::span<const uint8_t> record, Lines& out);
    void InboundFields(std::span<const uint8_t> data, Lines& out);
    void HostCommand(std::span<const uint8_t> record, Lines& out);
    std::string Address(uint8_t b1, uint8_t b2) const;
    std::string Text(std::span<const uint8_t> host) const;
    void Erased(bool alternate);

    HostTextTable text_;
    bool tn3270e_ = false;
    uint32_t columns_ = 80;
    bool columns_told_ = false;
    uint32_t default_columns_ = 80;
    uint32_t alternate_columns_ = 80;
    // Where the widths came from: a Query Reply says them, a terminal or device type
    // ("IBM-3278-5-E") implies them; a trace started mid-session may hold neither.
    enum class Source : uint8_t { Guess, TerminalType, QueryReply };
    Source default_source_ = Source::Guess;
    Source alternate_source_ = Source::Guess;
    void TerminalTypeNamed(std::span<const uint8_t> name);
    // The received stream between chunks: where a chunk left off in the Telnet framing.
    enum class Wire : uint8_t { Data, Iac, Option, Sub, SubIac };
    Wire wire_ = Wire::Data;
    std::vector<uint8_t> partial_;               // a received record not ended yet
    std::deque<std::vector<uint8_t>> received_;  // records received and not yet met as RECORD items
};

// Code page 037's byte as printable ASCII, '.' where it has none.
char Ebcdic037Ascii(uint8_t host);

// "TN3270E 3270-DATA ALWAYS-RESPONSE seq 3" for a 5-byte header.
std::string DescribeTn3270eHeader(std::span<const uint8_t> header);

}  // namespace orkan
