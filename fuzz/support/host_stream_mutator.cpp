// The telnet and host_input layout: flags, cut count, cut points, then what the host sends.
#include <algorithm>
#include <string>

#include "stream_mutators.h"
#include "telnet_units.h"

namespace orkan::fuzz {
namespace {

constexpr uint8_t kOfferTn3270e = 0x01;  // the flags bit, in both targets

Bytes SerializeFramed(const FramedInput& in) {
    Bytes out = {in.flags, uint8_t(in.cuts.size())};
    for (uint16_t c : in.cuts) {
        out.push_back(uint8_t(c >> 8));
        out.push_back(uint8_t(c));
    }
    out.insert(out.end(), in.stream.begin(), in.stream.end());
    return out;
}

constexpr std::string_view kLuName = "LU000001";  // what both targets ask for, when they ask
constexpr uint8_t kVerbs[] = {kWill, kWont, kDo, kDont};
constexpr uint8_t kOptions[] = {
    kOptBinary, kOptEcho, kOptSga, kOptTerminalType, kOptEndOfRecord, kOptTn3270e, kOptAsciiHost, 5, 31};
constexpr uint8_t kCommands[] = {0xF1, 0xF0, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x41, 0x00};

// What the terminal asks for, and the screen that follows from it.
struct Terminal {
    std::string type;
    ScreenShape shape;
};

Terminal TerminalOf(uint8_t flags, uint8_t model4) {
    if (flags & 8) return {"IBM-DYNAMIC", {1920, 7920}};
    if (flags & model4) return {"IBM-3278-4-E", {1920, 3440}};
    return {"IBM-3278-2-E", {1920, 1920}};
}

// A device name: mostly a sensible one, sometimes too long or holding 0xFF.
std::string DeviceName(FuzzRandom& rng) {
    if (!rng.OneIn(4)) return std::string(rng.OneIn(2) ? kLuName : "TCP00001");
    std::string name(rng.Below(40), 'N');
    if (!name.empty() && rng.OneIn(2)) name[rng.Below(name.size())] = char(0xFF);
    return name;
}

// A BIND-IMAGE body: names whose lengths sit 27 bytes after the header.
Bytes BindImage(FuzzRandom& rng) {
    Bytes body = {0x31, 0x01, 0x03, 0x03, 0xB1, 0x90, 0x30, 0x80, 0x00, 0x00, 0x87, 0x87, 0xF8, 0x87,
                  0xF8, 0x80, 0x00, 0x02, 0x80, 0x00, 0x00, 0x00, 0x00, 0x18, 0x50, 0x2B, 0x50};
    auto name = [&] {
        const size_t length = rng.OneIn(6) ? rng.Below(16) : rng.Between(1, 8);
        body.push_back(uint8_t(length));
        for (size_t i = 0; i < length && !rng.OneIn(40); ++i) body.push_back(uint8_t(0xC1 + rng.Below(9)));
    };
    name();
    if (rng.OneIn(2)) {
        body.insert(body.end(), {0x00, 0x00});
        name();
    }
    return body;
}

// A record with a TN3270E header: every data type, response flags, sequence numbers with 0xFF.
Bytes GenerateTn3270eRecord(FuzzRandom& rng, const ScreenShape& shape) {
    constexpr uint8_t kTypes[] = {0, 0, 0, 0, 0, 0, 3, 4, 7, 7, 2, 1, 5, 6, 8};
    const uint8_t type = rng.OneIn(16) ? rng.Byte() : rng.Pick(kTypes);
    constexpr uint8_t kResponses[] = {0, 0, 0, 1, 2, 2};
    Bytes record = {type, uint8_t(rng.OneIn(8) ? rng.Byte() : 0), rng.Pick(kResponses)};
    const uint16_t sequence = rng.OneIn(4) ? 0xFFFF : uint16_t(rng.Below(0x10000));
    record.push_back(uint8_t(sequence >> 8));
    record.push_back(uint8_t(sequence));
    Bytes body;
    switch (type) {
        case 0:
            body = GenerateHostRecord(rng, shape);
            break;
        case 3:
            body = BindImage(rng);
            break;
        case 4:
            body = {0x32, uint8_t(rng.Below(16))};
            break;
        case 7:
            body = GenerateSscpLuText(rng);
            break;
        default:
            for (size_t i = rng.Below(8); i > 0; --i) body.push_back(rng.Byte());
            break;
    }
    record.insert(record.end(), body.begin(), body.end());
    return record;
}

std::vector<Unit> Prologue(FuzzRandom& rng, uint8_t flags, const Terminal& terminal) {
    if ((flags & kOfferTn3270e) && !rng.OneIn(4)) {
        Bytes is = {0x02, 0x04};
        Append(is, terminal.type);
        if (rng.OneIn(2)) {
            is.push_back(0x01);
            Append(is, kLuName);
        }
        return {OptionUnit(kDo, kOptTn3270e), SubnegotiationUnit(kOptTn3270e, {0x08, 0x02}),
                SubnegotiationUnit(kOptTn3270e, is),
                SubnegotiationUnit(kOptTn3270e, {0x03, 0x04, 0x00, 0x02, 0x04})};
    }
    return {OptionUnit(kDo, kOptTerminalType), SubnegotiationUnit(kOptTerminalType, {0x01}),
            OptionUnit(kDo, kOptEndOfRecord),  OptionUnit(kWill, kOptEndOfRecord),
            OptionUnit(kDo, kOptBinary),       OptionUnit(kWill, kOptBinary)};
}

// Changes one record (or piece of line-mode text): its header, its orders or its bytes. False when
// the stream holds none.
bool MutateRecordUnit(std::vector<Unit>& units, FuzzRandom& rng, uint8_t flags, const ScreenShape& shape,
                      size_t max_size) {
    const size_t index = PickDataUnit(units, rng);
    if (index == units.size()) return false;
    Bytes& bytes = units[index].bytes;
    const bool headers = (flags & kOfferTn3270e) && Tn3270eAgreed(units, index, kDo);
    const size_t header = headers && bytes.size() >= 5 ? 5 : 0;
    switch (rng.Below(4)) {
        case 0:
            MutateWithLibFuzzer(bytes, max_size);
            break;
        case 1:
            if (header) {
                const size_t field = rng.Below(5);  // a known data type, a response flag, or any byte
                bytes[field] = field == 0   ? uint8_t(rng.Below(9))
                               : field == 2 ? uint8_t(rng.Below(3))
                                            : rng.Byte();
                break;
            }
            [[fallthrough]];
        default: {
            Bytes body(bytes.begin() + long(header), bytes.end());
            MutateHostRecord(body, rng, shape, max_size);
            bytes.resize(header);
            bytes.insert(bytes.end(), body.begin(), body.end());
            break;
        }
    }
    return true;
}

void MutateCuts(FramedInput& in, FuzzRandom& rng) {
    const size_t length = in.stream.size() + 1;
    if (in.cuts.size() < 15 && (in.cuts.empty() || rng.OneIn(2))) {
        // A cut just after an IAC or inside a subnegotiation is the interesting kind.
        size_t at = rng.Below(length);
        for (size_t i = 0; i + 1 < in.stream.size(); ++i) {
            if (in.stream[i] == kIac && rng.OneIn(3)) {
                at = i + 1 + rng.Below(3);
                break;
            }
        }
        in.cuts.push_back(uint16_t(std::min(at, length - 1)));
    } else if (!in.cuts.empty()) {
        const size_t pick = rng.Below(in.cuts.size());
        if (rng.OneIn(2))
            in.cuts.erase(in.cuts.begin() + long(pick));
        else
            in.cuts[pick] = uint16_t(rng.Below(length));
    }
}

}  // namespace

size_t MutateHostStreamInput(uint8_t* data, size_t size, size_t max_size, unsigned seed, uint8_t model4) {
    FuzzRandom rng(seed);
    const size_t op = rng.Below(20);
    std::optional<FramedInput> framed = ParseFramed(std::span(data, size));
    if (op < 4 || !framed) return LLVMFuzzerMutate(data, size, max_size);

    FramedInput& in = *framed;
    std::vector<Unit> units = ParseTelnet(in.stream);
    const size_t at = rng.Below(units.size() + 1);
    const Terminal terminal = TerminalOf(in.flags, model4);
    const ScreenShape& shape = terminal.shape;
    // The share of each change is its share of the 20 choices of `op`.
    if (op < 12) {
        // Mostly one record changed; a new one when there is none yet.
        if (op >= 10 || !MutateRecordUnit(units, rng, in.flags, shape, max_size)) {
            const bool headers = (in.flags & kOfferTn3270e) && Tn3270eAgreed(units, at, kDo);
            InsertAt(units, at,
                     {DataUnit(headers ? GenerateTn3270eRecord(rng, shape) : GenerateHostRecord(rng, shape)),
                      EndOfRecordUnit()});
        }
    } else if (op == 12) {
        InsertAt(units, at, {OptionUnit(rng.Pick(kVerbs), rng.OneIn(8) ? rng.Byte() : rng.Pick(kOptions))});
    } else if (op == 13) {
        // Mostly the type the terminal asked for.
        const std::string type = rng.OneIn(5) ? "IBM-3278-4-E" : terminal.type;
        InsertAt(units, at, {GenerateSubnegotiation(rng, true, type, DeviceName(rng))});
    } else if (op == 14) {
        // A stream that does not negotiate first never leaves line mode.
        const bool negotiates = !units.empty() && units.front().kind == UnitKind::Option;
        InsertAt(units, negotiates ? at : 0, Prologue(rng, in.flags, terminal));
    } else if (op == 15) {
        Reorder(units, rng);
    } else if (op == 16) {
        in.flags ^= uint8_t(1u << rng.Below(8));
    } else if (op == 17) {
        MutateCuts(in, rng);
    } else if (op == 18) {
        // Line-mode text with the control characters the display reacts to.
        Bytes text;
        constexpr uint8_t kText[] = {'a', 'Z', ' ', '0', 0x07, 0x08, 0x0D, 0x0A, 0x00, 0x1B, 0x7F, 0xE9};
        for (size_t i = rng.Between(1, 90); i > 0; --i) text.push_back(rng.Pick(kText));
        InsertAt(units, at, {DataUnit(text)});
    } else if (const size_t broken = rng.Below(3); broken == 0) {  // the rest: broken framing
        InsertAt(units, at, {{UnitKind::Command, rng.Pick(kCommands), 0, {}}});
    } else if (broken == 1) {
        units.push_back({UnitKind::Raw, 0, 0, {kIac}});  // a lone IAC at the end
    } else {
        // The last record without its IAC EOR.
        const auto eor = std::find_if(units.rbegin(), units.rend(),
                                      [](const Unit& u) { return u.kind == UnitKind::EndOfRecord; });
        if (eor != units.rend()) units.erase(std::next(eor).base());
    }
    const Bytes stream = SerializeTelnet(units);
    in.stream = stream;
    return StoreOrMutate(SerializeFramed(in), data, size, max_size);
}

}  // namespace orkan::fuzz
