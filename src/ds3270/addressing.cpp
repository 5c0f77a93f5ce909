#include "ds3270/addressing.h"

#include <array>

#include "ds3270/messages.h"
#include "session/session.h"

namespace orkan {
namespace {

// The 3270 code for each 6-bit half of a 12-bit address.
constexpr std::array<uint8_t, 64> kAddressCodes = {
    0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F,
};

bool IsEraseWrite(uint8_t command) {
    return command == 0xF5 || command == 0x05;
}

}  // namespace

DecodedAddress DecodeBufferAddress(Session& session, const WriteContext& context, uint8_t order, uint8_t b1,
                                   uint8_t b2) {
    const uint32_t address = DecodeAddressBytes(b1, b2);
    if (session.settings.IgnoreInvalidSBA || address < session.ps.positions)
        return {OrderOutcome::Continue, address};
    if (IsEraseWrite(context.command) && session.ps.size_mode == 1)
        return {OrderOutcome::RerunAsAlternate, address};
    ReportHostError(
        session, msg::kInvalidAddressTitle,
        FormatMessage(msg::kInvalidAddressText, order, b1, b2, int(address), int(session.ps.positions)));
    return {OrderOutcome::EndRecord, address};
}

EncodedAddress EncodeBufferAddress(uint32_t positions, uint32_t address) {
    if (positions <= 4096) return {kAddressCodes[(address >> 6) & 0x3F], kAddressCodes[address & 0x3F]};
    return {uint8_t((address >> 8) & 0x3F), uint8_t(address)};
}

EncodedAddress EncodeBufferAddress(const PresentationSpace& ps, uint32_t address) {
    return EncodeBufferAddress(ps.positions, address);
}

// Without IgnoreInvalidSBA decoding already refused such addresses; the check stays as a guard
// so that no store can ever leave the screen.
WriteCheck RefuseWriteAddress(Session& session) {
    const PresentationSpace& ps = session.ps;
    if (!session.settings.IgnoreInvalidWrite) {
        const uint32_t a = ps.buffer_address;
        ReportHostError(session, msg::kInvalidWriteTitle,
                        FormatMessage(msg::kInvalidWriteText, int(a), int(a / ps.columns),
                                      int(a % ps.columns), int(ps.positions)));
    }
    return WriteCheck::Refused;
}

}  // namespace orkan
