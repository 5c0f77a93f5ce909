// The six-bit-safe alphabet of screen-frame transfers: every PC byte travels as a quadrant byte
// (only when it changes) and a displayable EBCDIC code byte, so the host's transfer program can
// carry binary data through an ordinary 3270 screen field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace orkan {

// The quadrant bytes; 0 before any was selected.
namespace quadrant {
inline constexpr uint8_t None = 0x00;
inline constexpr uint8_t Controls = 0x5C;
inline constexpr uint8_t Plain = 0x5E;
inline constexpr uint8_t Upper = 0x7D;
inline constexpr uint8_t Text = 0x7E;
}  // namespace quadrant

inline constexpr uint8_t kFrameDataEnd = 0x11;  // SBA: ends the encoded bytes of a frame
inline constexpr uint8_t kFrameRepeat = 0x3C;   // RA: repeat a screen character to an address

// Decoding of one download frame. The current quadrant is kept across frames of one transfer.
struct FrameDecoder {
    uint8_t current_quadrant = quadrant::None;
    // The host-to-display table the repeat order's character goes through.
    const uint8_t* screen_table = nullptr;  // 256 entries
};

// The longest output a repeat order may ask for: a 14-bit buffer address.
inline constexpr size_t kMaxRepeatLength = 16384;

// Appends the decoded bytes of `encoded` (which ends at its first 0x11 or at its end) to `out`.
void DecodeFrameData(FrameDecoder& decoder, std::span<const uint8_t> encoded, std::vector<uint8_t>& out);

// Encoding of one upload frame: a fresh encoder per frame, as the first byte of every frame
// carries its quadrant.
class FrameEncoder {
  public:
    // The bytes `b` adds to the frame (1 or 2).
    size_t CostOf(uint8_t b) const;
    void Encode(uint8_t b, std::vector<uint8_t>& out);

  private:
    uint8_t last_quadrant_ = quadrant::None;
};

uint8_t QuadrantOf(uint8_t pc_byte);
uint8_t CodeOf(uint8_t pc_byte);

// The 64 characters the frame's checksum and length are written in (display characters; the
// caller translates them for the host).
inline constexpr char kFrameAlphabet[] = "abcdefghijklmnopqrstuvwxyz&-.,:+ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
static_assert(sizeof(kFrameAlphabet) == 65);

}  // namespace orkan
