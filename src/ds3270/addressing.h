// Buffer addresses: the 12-bit and 14-bit codes, advancing with wrap, and the checks that keep
// every order inside the screen.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "screen/presentation_space.h"

namespace orkan {

struct Session;

// What the interpretation of a record does next.
enum class OrderOutcome : uint8_t {
    Continue,
    EndRecord,         // the rest of the record is dropped; what was written stays
    RerunAsAlternate,  // an Erase/Write addressed beyond the default size: run it again as Erase/Write
                       // Alternate
};

// One write record being interpreted.
struct WriteContext {
    std::span<const uint8_t> record;
    uint8_t command = 0;  // the command it runs as, which a re-run changes to 0x7E
    size_t position = 0;  // next byte to interpret
    size_t Remaining() const { return position < record.size() ? record.size() - position : 0; }
};

struct DecodedAddress {
    OrderOutcome outcome = OrderOutcome::Continue;
    uint32_t address = 0;
};

// The address two bytes name, without any check against the screen.
constexpr uint32_t DecodeAddressBytes(uint8_t b1, uint8_t b2) {
    if (b1 == 0xFF && b2 == 0xEF) return 0;
    if (b1 >= 0x40) return uint32_t(b1 & 0x3F) * 64 + (b2 & 0x3F);
    return uint32_t(b1) * 256 + b2;
}

// Decodes the address of `order` and, unless IgnoreInvalidSBA is on, refuses one beyond the
// screen: an Erase/Write at the default size asks for a re-run, anything else shows the
// invalid-address message and ends the record.
[[nodiscard]] DecodedAddress DecodeBufferAddress(Session& session, const WriteContext& context, uint8_t order,
                                                 uint8_t b1, uint8_t b2);

struct EncodedAddress {
    uint8_t b1;
    uint8_t b2;
};
// 12-bit code up to 4096 positions, 14-bit above.
EncodedAddress EncodeBufferAddress(uint32_t positions, uint32_t address);
EncodedAddress EncodeBufferAddress(const PresentationSpace& ps, uint32_t address);

constexpr uint32_t AdvanceAddress(const PresentationSpace& ps, uint32_t address) {
    return address + 1 >= ps.positions ? 0 : address + 1;
}

enum class WriteCheck : uint8_t { Allowed, Refused };
// Before every store: a current buffer address at or beyond the screen ends the record, with a
// message unless IgnoreInvalidWrite is on. The check runs before every order that stores, so its
// common case is inline.
[[nodiscard]] WriteCheck RefuseWriteAddress(Session& session);
[[nodiscard]] inline WriteCheck CheckWriteAddress(Session& session, const PresentationSpace& ps) {
    if (ps.buffer_address < ps.positions && ps.buffer_address < kMaxPositions) return WriteCheck::Allowed;
    return RefuseWriteAddress(session);
}

}  // namespace orkan
