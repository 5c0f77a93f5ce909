#include "ds3270/query_reply.h"

#include <array>
#include <initializer_list>
#include <utility>

#include "ds3270/ds_codes.h"
#include "ds3270/geometry.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr std::array<uint8_t, 9> kDefaultList = {0x81, 0xA6, 0x86, 0x87, 0x88, 0x99, 0x85, 0x8F, 0x80};

constexpr std::array<uint8_t, 13> kSummary = {0x00, 0x0D, 0x81, 0x80, 0x80, 0x81, 0x85,
                                              0x86, 0x87, 0x88, 0x99, 0xA6, 0xA8};
constexpr std::array<uint8_t, 22> kColor = {0x00, 0x16, 0x81, 0x86, 0x00, 0x08, 0x00, 0xF4, 0xF1, 0xF1, 0xF2,
                                            0xF2, 0xF3, 0xF3, 0xF4, 0xF4, 0xF5, 0xF5, 0xF6, 0xF6, 0xF7, 0xF7};
constexpr std::array<uint8_t, 13> kHighlighting = {0x00, 0x0D, 0x81, 0x87, 0x04, 0x00, 0xF0,
                                                   0xF1, 0xF1, 0xF2, 0xF2, 0xF4, 0xF4};
constexpr std::array<uint8_t, 7> kReplyModes = {0x00, 0x07, 0x81, 0x88, 0x00, 0x01, 0x02};
constexpr std::array<uint8_t, 6> kAuxiliaryDevice = {0x00, 0x06, 0x81, 0x99, 0x00, 0x00};
constexpr std::array<uint8_t, 9> kTransparency = {0x00, 0x09, 0x81, 0xA8, 0x02, 0x00, 0xF0, 0xFF, 0xFF};
constexpr std::array<uint8_t, 63> kAuxiliaryDeviceOem = {
    0x00,
    0x3F,
    0x81,
    0x8F,
    0x00,
    0x00,
    0xE3,
    0xC3,
    0xD7,
    0xF3,
    0xF2,
    0xF7,
    0xF0,
    0x40,  // device type name,
           // EBCDIC
    0xD6,
    0xD9,
    0xD2,
    0xC1,
    0xD5,
    0x40,
    0x40,
    0x40,  // "ORKAN   " in EBCDIC
    0x04,
    0x01,
    0x00,
    0x00,
    0x25,
    0xFF,
    0x02,
    0x06,
    0x00,
    0x00,
    0xC0,
    0xD5,
    0x9D,
    0x50,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    0x00,
    '(',
    'N',
    'o',
    't',
    ' ',
    'y',
    'e',
    't',
    ' ',
    'l',
    'o',
    'g',
    'g',
    'e',
    'd',
    ' ',
    'i',
    'n',
    '!',
    ')',
    0x00,
};

void Append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
    out.insert(out.end(), bytes);
}
template <size_t N>
void Append(std::vector<uint8_t>& out, const std::array<uint8_t, N>& bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}
void AppendU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(uint8_t(value >> 8));
    out.push_back(uint8_t(value));
}

void AppendReply(std::vector<uint8_t>& out, const Session& session, uint8_t code) {
    switch (code) {
        case qcode::Summary:
            Append(out, kSummary);
            break;
        case qcode::UsableArea: {
            const ScreenSize alt = AlternateScreenSize(session);
            Append(out, {0x00, 0x17,
                         0x81, 0x81,
                         0x01, 0x00,
                         0x00, uint8_t(alt.columns),
                         0x00, uint8_t(alt.rows),
                         0x01, 0x00,
                         0xD3, 0x03,
                         0x20, 0x00,
                         0x9E, 0x02,
                         0x58, 0x07,
                         0x0C, 0x07,
                         0x80});
            break;
        }
        case qcode::CharacterSets:
            Append(out, {0x00, 0x1B, 0x81, 0x85, 0x82, 0x00, 0x07, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00,
                         0x00, 0x00});
            if (session.settings.ReplyCodepage) {
                AppendU16(out, session.charset.character_set);
                AppendU16(out, session.charset.code_page);
            } else {
                Append(out, {0x02, 0xB9, 0x00, 0x25});
            }
            Append(out, {0x01, 0x00, 0xF1, 0x03, 0xC3, 0x01, 0x36});
            break;
        case qcode::Color:
            Append(out, kColor);
            break;
        case qcode::Highlighting:
            Append(out, kHighlighting);
            break;
        case qcode::ReplyModes:
            Append(out, kReplyModes);
            break;
        case qcode::AuxiliaryDeviceOem:
            Append(out, kAuxiliaryDeviceOem);
            break;
        case qcode::DistributedDataManagement: {
            const uint32_t limit = session.record.Number(field::TransferBlockSize) + 27;
            Append(out, {0x00, 0x0C, 0x81, 0x95, 0x00, 0x00});
            AppendU16(out, limit);
            AppendU16(out, limit);
            Append(out, {0x01, 0x01});
            break;
        }
        case qcode::AuxiliaryDevice:
            Append(out, kAuxiliaryDevice);
            break;
        case qcode::ImplicitPartition: {
            const ScreenSize def = DefaultScreenSize(session);
            const ScreenSize alt = AlternateScreenSize(session);
            Append(out, {0x00, 0x11, 0x81, 0xA6, 0x00, 0x00, 0x0B, 0x01, 0x00, 0x00, uint8_t(def.columns),
                         0x00, uint8_t(def.rows), 0x00, uint8_t(alt.columns), 0x00, uint8_t(alt.rows)});
            break;
        }
        case qcode::Transparency:
            Append(out, kTransparency);
            break;
        default:
            break;  // codes this terminal does not know get no reply
    }
}

}  // namespace

std::vector<uint8_t> DefaultQueryList(const Session& session) {
    std::vector<uint8_t> codes;
    const bool dft = IsTransferStatus(session.status) && session.record.Flag(field::DftMode);
    for (uint8_t c : kDefaultList) {
        codes.push_back(c);
        if (dft && c == qcode::CharacterSets) codes.push_back(qcode::DistributedDataManagement);
    }
    return codes;
}

std::vector<uint8_t> BuildQueryReply(const Session& session, std::span<const uint8_t> codes) {
    std::vector<uint8_t> out{0x88};
    // A code the host names twice is answered once: a list of one code repeated must not make the
    // reply sixty times the size of the request.
    std::array<bool, 256> answered{};
    for (uint8_t c : codes) {
        if (std::exchange(answered[c], true)) continue;
        AppendReply(out, session, c);
    }
    return out;
}

void SendQueryReply(Session& session, std::span<const uint8_t> codes) {
    if (session.sender)
        session.sender->SendRecord(BuildQueryReply(session, codes), send_flag::Send | send_flag::Trace);
}

}  // namespace orkan
