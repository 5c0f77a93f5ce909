// The 3270 data stream's code values and their names: commands, WCC bits, orders, the attribute
// types of SA/SFE/MF pairs, structured field IDs, query reply codes and AIDs. The interpreter
// works with these constants and the trace listing names what it shows with the same table.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace orkan {

// Each command has a channel code and an SNA code; both are accepted.
namespace cmd {
inline constexpr uint8_t Write = 0xF1, WriteChannel = 0x01;
inline constexpr uint8_t EraseWrite = 0xF5, EraseWriteChannel = 0x05;
inline constexpr uint8_t EraseWriteAlternate = 0x7E, EraseWriteAlternateChannel = 0x0D;
inline constexpr uint8_t EraseAllUnprotected = 0x6F, EraseAllUnprotectedChannel = 0x0F;
inline constexpr uint8_t ReadBuffer = 0xF2, ReadBufferChannel = 0x02;
inline constexpr uint8_t ReadModified = 0xF6, ReadModifiedChannel = 0x06;
inline constexpr uint8_t ReadModifiedAll = 0x6E, ReadModifiedAllChannel = 0x0E;
inline constexpr uint8_t WriteStructuredField = 0xF3, WriteStructuredFieldChannel = 0x11;
}  // namespace cmd

namespace wcc {
inline constexpr uint8_t Reset = 0x40;
inline constexpr uint8_t StartPrinter = 0x08;
inline constexpr uint8_t Alarm = 0x04;
inline constexpr uint8_t KeyboardRestore = 0x02;
inline constexpr uint8_t ResetMdt = 0x01;
}  // namespace wcc

namespace order {
inline constexpr uint8_t PT = 0x05;
inline constexpr uint8_t GE = 0x08;
inline constexpr uint8_t SBA = 0x11;
inline constexpr uint8_t EUA = 0x12;
inline constexpr uint8_t IC = 0x13;
inline constexpr uint8_t SF = 0x1D;
inline constexpr uint8_t SA = 0x28;
inline constexpr uint8_t SFE = 0x29;
inline constexpr uint8_t MF = 0x2C;
inline constexpr uint8_t RA = 0x3C;
}  // namespace order

// Attribute types of SA, SFE and MF pairs.
namespace pair {
inline constexpr uint8_t ResetAll = 0x00;
inline constexpr uint8_t Highlight = 0x41;
inline constexpr uint8_t Foreground = 0x42;
inline constexpr uint8_t CharacterSet = 0x43;
inline constexpr uint8_t Background = 0x45;
inline constexpr uint8_t Transparency = 0x46;
inline constexpr uint8_t FieldAttribute = 0xC0;
inline constexpr uint8_t Validation = 0xC1;
inline constexpr uint8_t Outlining = 0xC2;
}  // namespace pair

// Structured field IDs: outbound, and the inbound Query Reply.
namespace sfid {
inline constexpr uint8_t ReadPartition = 0x01;
inline constexpr uint8_t EraseReset = 0x03;
inline constexpr uint8_t SetReplyMode = 0x09;
inline constexpr uint8_t HostText = 0x0F;
inline constexpr uint8_t Outbound3270DS = 0x40;
inline constexpr uint8_t Transfer = 0xD0;
inline constexpr uint8_t QueryReply = 0x81;
}  // namespace sfid

// Read Partition's operation byte.
namespace read_partition {
inline constexpr uint8_t Query = 0x02;
inline constexpr uint8_t QueryList = 0x03;
}  // namespace read_partition

// The request codes of the file transfer field (ID 0xD0): the host's requests and our replies.
namespace dft {
inline constexpr uint16_t Open = 0x0012;
inline constexpr uint16_t Close = 0x4112;
inline constexpr uint16_t SetCursor = 0x4511;
inline constexpr uint16_t Get = 0x4611;
inline constexpr uint16_t Insert = 0x4704;
inline constexpr uint16_t OpenAck = 0x0009;
inline constexpr uint16_t CloseAck = 0x4109;
inline constexpr uint16_t GetData = 0x4605;
inline constexpr uint16_t GetRefused = 0x4608;
inline constexpr uint16_t InsertAck = 0x4705;
inline constexpr uint16_t InsertRefused = 0x4708;
}  // namespace dft

namespace qcode {
inline constexpr uint8_t Summary = 0x80;
inline constexpr uint8_t UsableArea = 0x81;
inline constexpr uint8_t CharacterSets = 0x85;
inline constexpr uint8_t Color = 0x86;
inline constexpr uint8_t Highlighting = 0x87;
inline constexpr uint8_t ReplyModes = 0x88;
inline constexpr uint8_t AuxiliaryDeviceOem = 0x8F;
inline constexpr uint8_t DistributedDataManagement = 0x95;
inline constexpr uint8_t AuxiliaryDevice = 0x99;
inline constexpr uint8_t ImplicitPartition = 0xA6;
inline constexpr uint8_t Transparency = 0xA8;
}  // namespace qcode

namespace aid {
inline constexpr uint8_t None = 0x60;
inline constexpr uint8_t StructuredField = 0x88;
inline constexpr uint8_t Clear = 0x6D;
inline constexpr uint8_t Enter = 0x7D;
inline constexpr uint8_t PA1 = 0x6C;
inline constexpr uint8_t PA2 = 0x6E;
inline constexpr uint8_t PA3 = 0x6B;
inline constexpr uint8_t SelectorPen = 0x7E;
inline constexpr uint8_t SysReq = 0xF0;
// PF1 to PF24.
inline constexpr std::array<uint8_t, 24> Pf = {0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8,
                                               0xF9, 0x7A, 0x7B, 0x7C, 0xC1, 0xC2, 0xC3, 0xC4,
                                               0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C};
}  // namespace aid

// Names for listings; an empty view for a code that has none.
std::string_view CommandName(uint8_t command);
std::string_view OrderName(uint8_t code);
std::string_view StructuredFieldName(uint8_t id);
std::string_view QueryCodeName(uint8_t code);
std::string_view TransferRequestName(uint16_t code);
std::string_view AidName(uint8_t aid);
// "reset keyboard-restore reset-mdt", "none" for 0.
std::string WccNames(uint8_t wcc);
// A field attribute byte: "protected numeric intensified mdt", "unprotected" at its plainest.
std::string FieldAttributeNames(uint8_t attribute);
// One attribute pair of SA, SFE or MF: "color=turquoise", "highlight=underscore", ...
std::string AttributePairText(uint8_t type, uint8_t value);

}  // namespace orkan
