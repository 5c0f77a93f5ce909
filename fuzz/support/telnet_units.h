// A Telnet byte stream as a list of units (data, IAC EOR, option commands, subnegotiations, other
// commands), so a mutator can change one record or one negotiation and write the stream back with
// every IAC doubled where it must be. Parse followed by Serialize gives the same bytes back.
#pragma once

#include "mutation_base.h"

namespace orkan::fuzz {

inline constexpr uint8_t kIac = 0xFF, kDont = 0xFE, kDo = 0xFD, kWont = 0xFC, kWill = 0xFB, kSb = 0xFA,
                         kSe = 0xF0, kEor = 0xEF;
inline constexpr uint8_t kOptBinary = 0, kOptEcho = 1, kOptSga = 3, kOptTerminalType = 24,
                         kOptEndOfRecord = 25, kOptTn3270e = 40, kOptAsciiHost = 102;

enum class UnitKind : uint8_t {
    Data,            // bytes as meant (an IAC in them is doubled on the wire)
    EndOfRecord,     // IAC EOR
    Option,          // IAC verb option
    Subnegotiation,  // IAC SB option, bytes as meant, IAC SE
    Command,         // IAC and one other byte
    Raw,             // bytes that are written as they are (a broken-off command at the end)
};

struct Unit {
    UnitKind kind = UnitKind::Data;
    uint8_t code = 0;    // the verb or command byte
    uint8_t option = 0;  // option of Option and Subnegotiation
    Bytes bytes;         // Data, Subnegotiation payload, Raw
};

std::vector<Unit> ParseTelnet(std::span<const uint8_t> stream);
Bytes SerializeTelnet(const std::vector<Unit>& units);

inline Unit DataUnit(Bytes bytes) {
    return {UnitKind::Data, 0, 0, std::move(bytes)};
}
inline Unit OptionUnit(uint8_t verb, uint8_t option) {
    return {UnitKind::Option, verb, option, {}};
}
inline Unit SubnegotiationUnit(uint8_t option, Bytes payload) {
    return {UnitKind::Subnegotiation, kSb, option, std::move(payload)};
}
inline Unit EndOfRecordUnit() {
    return {UnitKind::EndOfRecord, kEor, 0, {}};
}

// A TERMINAL-TYPE or TN3270E subnegotiation as one side sends it (a host: SEND, DEVICE-TYPE IS or
// REJECT; a terminal: IS, DEVICE-TYPE REQUEST), or FUNCTIONS REQUEST or IS, or a few bytes of
// anything; `type` and `device` are the terminal type and device name it names.
Unit GenerateSubnegotiation(FuzzRandom& rng, bool from_host, std::string_view type, std::string_view device);

// Whether TN3270E is agreed before the unit at `index`: the last TN3270E option command was `verb`
// (DO from a host, WILL from a terminal) and no DEVICE-TYPE REJECT came after it.
bool Tn3270eAgreed(const std::vector<Unit>& units, size_t index, uint8_t verb);
// The index of a data unit picked at random; units.size() when there is none.
size_t PickDataUnit(const std::vector<Unit>& units, FuzzRandom& rng);

}  // namespace orkan::fuzz
