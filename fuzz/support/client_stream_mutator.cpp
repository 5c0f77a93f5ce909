// testhost's session layout: a selector byte, then what a terminal sends: negotiation answers,
// attention records with modified fields, Query Replies, Read Buffer replies, TN3270E responses,
// SSCP-LU input and the Telnet attention commands.
#include <algorithm>
#include <array>

#include "stream_mutators.h"
#include "telnet_units.h"

namespace orkan::fuzz {
namespace {

constexpr ScreenShape kTerminalScreen{1920, 3440};
constexpr uint8_t kAids[] = {0x7D, 0x7D, 0x7D, 0xF3, 0xF5, 0x6D, 0x6C, 0x6E, 0x6B, 0xF1, 0xF2, 0xF4,
                             0xF6, 0xF9, 0x7A, 0x7C, 0xC1, 0xC8, 0x4C, 0x60, 0x88, 0x7E, 0x00};
// What the demo's fields are checked against: menu choices, priorities, numbers, nothing.
constexpr const char* kFieldTexts[] = {"1", "2", "3", "4",    "5",  "6",    "7", "8", "9",
                                       "H", "M", "L", "FUZZ", "42", "1.50", "",  "X", "999999999999"};
constexpr const char* kTerminalTypes[] = {"IBM-3278-2-E", "IBM-3278-2",   "IBM-3279-3-E",
                                          "IBM-3278-4-E", "IBM-3278-5-E", "IBM-DYNAMIC",
                                          "IBM-3287-1",   "IBM-3179-2",   "VT100"};
constexpr const char* kLuNames[] = {"LU01", "LU02", "LU99", ""};
constexpr uint8_t kOptions[] = {kOptTn3270e, kOptTerminalType, kOptEndOfRecord,
                                kOptBinary,  kOptEcho,         kOptSga};
constexpr uint8_t kVerbs[] = {kWill, kWill, kDo, kDo, kWont, kDont};

// Text in code page 037: digits, capitals and the full stop are all the demo needs; anything
// else becomes a blank. The capitals come in three runs: A-I, J-R, S-Z.
void AppendHostText(Bytes& out, std::string_view text) {
    for (const char c : text) {
        if (c >= '0' && c <= '9')
            out.push_back(uint8_t(0xF0 + (c - '0')));
        else if (c >= 'A' && c <= 'Z')
            out.push_back(uint8_t(0xC1 + (c - 'A') + (c > 'I' ? 7 : 0) + (c > 'R' ? 8 : 0)));
        else
            out.push_back(c == '.' ? 0x4B : 0x40);
    }
}

// Buffer addresses (two bytes each, as sent) that SBA orders in the input already use: the
// addresses of the host's input fields, learned from recorded sessions.
std::vector<std::array<uint8_t, 2>> KnownAddresses(const std::vector<Unit>& units) {
    std::vector<std::array<uint8_t, 2>> found;
    for (const Unit& u : units) {
        if (u.kind != UnitKind::Data) continue;
        for (size_t i = 0; i + 2 < u.bytes.size(); ++i)
            if (u.bytes[i] == 0x11) found.push_back({u.bytes[i + 1], u.bytes[i + 2]});
    }
    return found;
}

void AppendFieldAddress(Bytes& out, FuzzRandom& rng, const std::vector<std::array<uint8_t, 2>>& known) {
    if (!known.empty() && !rng.OneIn(4)) {
        const auto& a = known[rng.Below(known.size())];
        out.insert(out.end(), a.begin(), a.end());
    } else {
        AppendAddress(out, PickAddress(rng, kTerminalScreen), rng);
    }
}

Bytes AttentionRecord(FuzzRandom& rng, const std::vector<std::array<uint8_t, 2>>& known) {
    Bytes r = {rng.OneIn(10) ? rng.Byte() : rng.Pick(kAids)};
    if (rng.OneIn(8)) return r;  // a short read: PA keys and Clear
    AppendFieldAddress(r, rng, known);
    for (size_t i = rng.Below(4); i > 0; --i) {
        r.push_back(0x11);
        AppendFieldAddress(r, rng, known);
        AppendHostText(r, rng.Pick(kFieldTexts));
        if (rng.OneIn(10)) r.insert(r.end(), {0x08, rng.Byte()});  // a graphic escape character
    }
    return r;
}

// Usable area, implicit partition, colour, highlighting, reply modes and summary, or any reply.
void AppendQueryReply(Bytes& r, FuzzRandom& rng) {
    static const Bytes kReplies[] = {
        {0x81, 0x81, 0x01, 0x00, 0x00, 80,   0x00, 24,   0x01, 0x00, 0xD3,
         0x03, 0x20, 0x00, 0x9E, 0x02, 0x58, 0x07, 0x0C, 0x07, 0x80},
        {0x81, 0xA6, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x00, 80, 0x00, 24, 0x00, 132, 0x00, 27},
        {0x81, 0x86, 0x00, 0x08, 0x00, 0xF4, 0xF1, 0xF1, 0xF2, 0xF2, 0xF3, 0xF3},
        {0x81, 0x87, 0x04, 0x00, 0xF0, 0xF1, 0xF1, 0xF2, 0xF2, 0xF4, 0xF4},
        {0x81, 0x88, 0x00, 0x01, 0x02},
        {0x81, 0x80, 0x80, 0x81, 0x86, 0x87, 0x88, 0xA6},
    };
    const size_t pick = rng.Below(8);
    Bytes body = pick < 6 ? kReplies[pick] : Bytes{0x81, rng.Byte()};
    for (size_t i = pick < 6 ? 0 : rng.Below(6); i > 0; --i) body.push_back(rng.Byte());
    // Any screen size half of the time: the usable area's columns and rows, the alternate size's.
    if (pick < 2)
        for (const size_t at : {pick == 0 ? 5 : 12, pick == 0 ? 7 : 14})
            if (rng.OneIn(2)) body[at] = uint8_t(rng.Between(1, 255));
    size_t length = body.size() + 2;
    if (rng.OneIn(10)) length = rng.Below(length + 4);
    r.push_back(uint8_t(length >> 8));
    r.push_back(uint8_t(length));
    r.insert(r.end(), body.begin(), body.end());
}

// A Read Buffer reply: AID, cursor and a screen of orders and the demo's texts.
Bytes ReadBufferReply(FuzzRandom& rng, const std::vector<std::array<uint8_t, 2>>& known) {
    Bytes r = {rng.OneIn(3) ? uint8_t(0x60) : uint8_t(0x7D)};
    AppendFieldAddress(r, rng, known);
    for (size_t i = rng.Between(1, 24); i > 0; --i) {
        if (rng.OneIn(2))
            AppendOrder(r, rng, kTerminalScreen);
        else
            AppendHostText(r, rng.Pick(kFieldTexts));
    }
    return r;
}

Bytes ClientRecordBody(FuzzRandom& rng, const std::vector<std::array<uint8_t, 2>>& known) {
    switch (rng.Below(6)) {
        case 0: {
            Bytes r = {0x88};
            for (size_t i = rng.Between(1, 6); i > 0; --i) AppendQueryReply(r, rng);
            return r;
        }
        case 1:
            return ReadBufferReply(rng, known);
        default:
            return AttentionRecord(rng, known);
    }
}

// A record as the terminal frames it: with a TN3270E header when that was agreed.
Bytes ClientRecord(FuzzRandom& rng, bool headers, const std::vector<std::array<uint8_t, 2>>& known) {
    if (!headers) return ClientRecordBody(rng, known);
    constexpr uint8_t kTypes[] = {0, 0, 0, 0, 0, 2, 2, 7, 1, 6};
    const uint8_t type = rng.OneIn(12) ? rng.Byte() : rng.Pick(kTypes);
    const uint16_t sequence = uint16_t(rng.OneIn(2) ? rng.Below(8) : rng.Below(0x10000));
    Bytes r = {type, 0x00, uint8_t(rng.OneIn(6) ? rng.Below(3) : 0), uint8_t(sequence >> 8),
               uint8_t(sequence)};
    Bytes body;
    switch (type) {
        case 0:
            body = ClientRecordBody(rng, known);
            break;
        case 2:  // RESPONSE: positive, or negative with a reason
            body = rng.OneIn(2) ? Bytes{0x00} : Bytes{0x01, uint8_t(rng.Below(4))};
            break;
        case 7:
            AppendHostText(body, rng.OneIn(2) ? "LOGON APPLID(DEMO)" : rng.Pick(kFieldTexts));
            break;
        default:
            for (size_t i = rng.Below(8); i > 0; --i) body.push_back(rng.Byte());
            break;
    }
    r.insert(r.end(), body.begin(), body.end());
    return r;
}

// Changes one record: its key, a field's text or the whole of it. False when the stream holds none.
bool MutateClientRecord(std::vector<Unit>& units, FuzzRandom& rng, size_t max_size) {
    const size_t index = PickDataUnit(units, rng);
    if (index == units.size()) return false;
    Bytes& bytes = units[index].bytes;
    // With a header when this terminal has answered TN3270E with WILL (the host offers it first).
    const size_t header = Tn3270eAgreed(units, index, kWill) && bytes.size() >= 5 ? 5 : 0;
    switch (rng.Below(4)) {
        case 0:
            MutateWithLibFuzzer(bytes, max_size);
            break;
        case 1:
            if (bytes.size() > header) bytes[header] = rng.Pick(kAids);  // another key, the same fields
            break;
        case 2: {
            // Another text in one of the fields (everything after its SBA up to the next order).
            std::vector<size_t> sbas;
            for (size_t i = header; i + 2 < bytes.size(); ++i)
                if (bytes[i] == 0x11) sbas.push_back(i);
            if (sbas.empty()) break;
            const size_t start = sbas[rng.Below(sbas.size())] + 3;
            size_t end = start;
            while (end < bytes.size() && bytes[end] != 0x11) ++end;
            Bytes text;
            AppendHostText(text, rng.Pick(kFieldTexts));
            bytes.erase(bytes.begin() + long(start), bytes.begin() + long(end));
            bytes.insert(bytes.begin() + long(start), text.begin(), text.end());
            break;
        }
        default:
            bytes = ClientRecord(rng, header != 0, KnownAddresses(units));
            break;
    }
    return true;
}

}  // namespace

size_t MutateClientStreamInput(uint8_t* data, size_t size, size_t max_size, unsigned seed) {
    FuzzRandom rng(seed);
    const size_t op = rng.Below(20);
    if (op < 4 || size < 1) return LLVMFuzzerMutate(data, size, max_size);

    uint8_t selector = data[0];
    std::vector<Unit> units = ParseTelnet(std::span(data + 1, size - 1));
    const size_t at = rng.Below(units.size() + 1);
    auto insert = [&](std::vector<Unit> more) { InsertAt(units, at, std::move(more)); };
    // The share of each change is its share of the 20 choices of `op`.
    if (op < 12) {
        // Mostly one record changed; a new one when there is none yet.
        if (op >= 9 || !MutateClientRecord(units, rng, max_size))
            insert({DataUnit(ClientRecord(rng, Tn3270eAgreed(units, at, kWill), KnownAddresses(units))),
                    EndOfRecordUnit()});
    } else if (op == 12) {
        insert({OptionUnit(rng.Pick(kVerbs), rng.OneIn(8) ? rng.Byte() : rng.Pick(kOptions))});
    } else if (op == 13) {
        const char* type = rng.Pick(kTerminalTypes);
        insert({GenerateSubnegotiation(rng, false, type, rng.Pick(kLuNames))});
    } else if (op == 14) {
        // Telnet's attention keys: IP (Attention under TN3270E), BREAK, AO (System Request).
        constexpr uint8_t kKeys[] = {0xF4, 0xF3, 0xF5, 0xF1, 0xF6, 0xEE};
        insert({{UnitKind::Command, rng.Pick(kKeys), 0, {}}});
    } else if (op < 17) {
        Reorder(units, rng);
    } else if (op == 17) {
        selector = rng.Byte();
    } else {
        // A whole TN3270E answer, so a record can follow at once.
        Bytes request = {0x02, 0x07};
        Append(request, rng.Pick(kTerminalTypes));
        insert({OptionUnit(kWill, kOptTn3270e), SubnegotiationUnit(kOptTn3270e, request),
                SubnegotiationUnit(kOptTn3270e, {0x03, 0x04, 0x00, 0x02, 0x04})});
    }
    Bytes out = SerializeTelnet(units);
    out.insert(out.begin(), selector);
    return StoreOrMutate(out, data, size, max_size);
}

}  // namespace orkan::fuzz
