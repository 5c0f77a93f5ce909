// The screen-frame form of file transfer, seen from the host: ordinary Write records that carry
// a frame at fixed buffer addresses, and the terminal's AID replies. Data travels in quadrant
// and code bytes that are all displayable EBCDIC.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec.h"

namespace testhost::ft {

// Frame types (byte 8 of a frame record).
inline constexpr uint8_t kFrameData = 0xC1;     // download data
inline constexpr uint8_t kFrameRequest = 0xC2;  // upload: send the next block
inline constexpr uint8_t kFrameControl = 0xC3;  // start (C3 81 81 81) and end (C3 81 81 94)

// Encoded bytes in one download frame, and decoded bytes it may stand for.
inline constexpr size_t kFrameCapacity = 1900;

// The screen that tells a terminal a screen-frame transfer begins; it answers 7D D9 C5.
Bytes FrameStartScreen();
// Start of data (C3 81 81 81).
Bytes FrameStart();
// One download frame with its sequence byte and encoded data.
Bytes FrameData(uint8_t sequence, const Bytes& encoded);
// Asks the terminal for its next upload block.
Bytes FrameRequest(uint8_t sequence);
// The end frame with the closing message in host bytes, ended by '$' (0x5B).
Bytes FrameEnd(const Bytes& message);

// The terminal's replies.
bool IsFrameStartReply(const Bytes& record);  // 7D D9 C5
bool IsFrameAck(const Bytes& record);         // 7D 5D 7B 11 5D 7B

// The alphabet of checksum and length characters, in host bytes.
using FrameAlphabet = std::array<uint8_t, 64>;
FrameAlphabet MakeFrameAlphabet(const Codec& codec);

struct UploadBlock {
    bool end_of_file = false;
    Bytes data;  // decoded bytes
};
// An upload reply: 7D 40 C4 11 40 C2 C1, the sequence byte, checksum and length characters, the
// encoded bytes. False with a reason when anything does not add up.
[[nodiscard]] bool DecodeUploadReply(const Bytes& record, uint8_t sequence, const FrameAlphabet& alphabet,
                                     UploadBlock& out, std::string& error);

// Encodes bytes from `data` for one download frame: at most kFrameCapacity encoded bytes and
// as many decoded bytes. With `repeat_blanks`, runs of blanks (0x20) travel as one repeat
// order. Returns how many input bytes were taken (at least one when size > 0).
size_t EncodeFrameData(const uint8_t* data, size_t size, bool repeat_blanks, Bytes& encoded);

// Decodes quadrant and code bytes (an upload's data). Strict: a byte outside the alphabet, a
// code before any quadrant or a repeat order is an error.
[[nodiscard]] bool DecodeFrameData(const uint8_t* data, size_t size, Bytes& out, std::string& error);

}  // namespace testhost::ft
