#include "telnet_units.h"

namespace orkan::fuzz {
namespace {

void AppendEscaped(Bytes& out, std::span<const uint8_t> bytes) {
    for (uint8_t b : bytes) {
        out.push_back(b);
        if (b == kIac) out.push_back(kIac);
    }
}

void AppendData(std::vector<Unit>& units, uint8_t b) {
    if (units.empty() || units.back().kind != UnitKind::Data) units.push_back(DataUnit({}));
    units.back().bytes.push_back(b);
}

}  // namespace

Unit GenerateSubnegotiation(FuzzRandom& rng, bool from_host, std::string_view type, std::string_view device) {
    Bytes p;
    if (rng.OneIn(4)) {  // TERMINAL-TYPE SEND, or IS with the type (and the device after @)
        if (from_host && rng.OneIn(2)) {
            p = {0x01};
        } else {
            p = {0x00};
            Append(p, type);
            if (!device.empty() && rng.OneIn(2)) {
                p.push_back('@');
                Append(p, device);
            }
        }
        if (rng.OneIn(8)) p.push_back(0x02);
        return SubnegotiationUnit(kOptTerminalType, p);
    }
    const size_t kind = rng.Below(8);
    if (kind == 0) {  // SEND DEVICE-TYPE
        p = {0x08, 0x02};
    } else if (kind < 3) {  // DEVICE-TYPE IS or REQUEST, with a device to CONNECT or ASSOCIATE sometimes
        p = {0x02, uint8_t(from_host ? 0x04 : 0x07)};
        Append(p, type);
        if (!device.empty() && rng.OneIn(2)) {
            p.push_back(rng.OneIn(6) ? rng.Byte() : rng.OneIn(4) ? 0x00 : 0x01);
            Append(p, device);
        }
    } else if (kind == 3) {  // DEVICE-TYPE REJECT with a reason
        p = {0x02, 0x06};
        if (!rng.OneIn(5)) p.insert(p.end(), {0x05, uint8_t(rng.OneIn(5) ? rng.Byte() : rng.Below(8))});
    } else if (kind < 6) {  // FUNCTIONS REQUEST or IS
        p = {0x03, uint8_t(rng.OneIn(2) ? 0x07 : 0x04)};
        for (size_t i = rng.Below(6); i > 0; --i) p.push_back(uint8_t(rng.Below(6)));
    } else {
        for (size_t i = rng.Between(1, 8); i > 0; --i)
            p.push_back(rng.OneIn(2) ? uint8_t(rng.Below(9)) : rng.Byte());
    }
    return SubnegotiationUnit(rng.OneIn(10) ? rng.Byte() : kOptTn3270e, p);
}

bool Tn3270eAgreed(const std::vector<Unit>& units, size_t index, uint8_t verb) {
    bool active = false;
    for (size_t i = 0; i < index && i < units.size(); ++i) {
        const Unit& u = units[i];
        if (u.kind == UnitKind::Option && u.option == kOptTn3270e) active = u.code == verb;
        if (u.kind == UnitKind::Subnegotiation && u.option == kOptTn3270e && u.bytes.size() >= 2 &&
            u.bytes[0] == 0x02 && u.bytes[1] == 0x06)
            active = false;
    }
    return active;
}

size_t PickDataUnit(const std::vector<Unit>& units, FuzzRandom& rng) {
    std::vector<size_t> data;
    for (size_t i = 0; i < units.size(); ++i)
        if (units[i].kind == UnitKind::Data) data.push_back(i);
    return data.empty() ? units.size() : data[rng.Below(data.size())];
}

std::vector<Unit> ParseTelnet(std::span<const uint8_t> s) {
    std::vector<Unit> units;
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != kIac) {
            AppendData(units, s[i++]);
            continue;
        }
        if (i + 1 >= s.size()) break;  // a lone IAC at the end: kept raw below
        const uint8_t c = s[i + 1];
        if (c == kIac) {
            AppendData(units, kIac);
            i += 2;
        } else if (c == kEor) {
            units.push_back(EndOfRecordUnit());
            i += 2;
        } else if (c == kWill || c == kWont || c == kDo || c == kDont) {
            if (i + 2 >= s.size()) break;
            units.push_back(OptionUnit(c, s[i + 2]));
            i += 3;
        } else if (c == kSb) {
            if (i + 2 >= s.size()) break;
            // The payload runs to IAC SE; IAC IAC inside it is one 0xFF. Anything else after an
            // IAC breaks it off, and the bytes are kept raw so they come back unchanged.
            Bytes payload;
            size_t j = i + 3;
            bool closed = false;
            while (j < s.size()) {
                if (s[j] != kIac) {
                    payload.push_back(s[j++]);
                } else if (j + 1 < s.size() && s[j + 1] == kIac) {
                    payload.push_back(kIac);
                    j += 2;
                } else {
                    closed = j + 1 < s.size() && s[j + 1] == kSe;
                    break;
                }
            }
            if (!closed) {
                units.push_back({UnitKind::Raw, 0, 0, Bytes(s.begin() + long(i), s.begin() + long(j))});
                i = j;
                continue;
            }
            units.push_back(SubnegotiationUnit(s[i + 2], std::move(payload)));
            i = j + 2;
        } else {
            units.push_back({UnitKind::Command, c, 0, {}});
            i += 2;
        }
    }
    if (i < s.size()) units.push_back({UnitKind::Raw, 0, 0, Bytes(s.begin() + long(i), s.end())});
    return units;
}

Bytes SerializeTelnet(const std::vector<Unit>& units) {
    Bytes out;
    for (const Unit& u : units) {
        switch (u.kind) {
            case UnitKind::Data:
                AppendEscaped(out, u.bytes);
                break;
            case UnitKind::EndOfRecord:
                out.push_back(kIac);
                out.push_back(kEor);
                break;
            case UnitKind::Option:
                out.insert(out.end(), {kIac, u.code, u.option});
                break;
            case UnitKind::Subnegotiation:
                out.insert(out.end(), {kIac, kSb, u.option});
                AppendEscaped(out, u.bytes);
                out.push_back(kIac);
                out.push_back(kSe);
                break;
            case UnitKind::Command:
                out.push_back(kIac);
                out.push_back(u.code);
                break;
            case UnitKind::Raw:
                out.insert(out.end(), u.bytes.begin(), u.bytes.end());
                break;
        }
    }
    return out;
}

}  // namespace orkan::fuzz
