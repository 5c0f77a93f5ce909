// The 3270 data stream as the host side sees it: code tables, buffer addresses, a model of the
// terminal's buffer that the host keeps of what it wrote, and an order writer.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "codec.h"

namespace testhost::ds {

// Commands, in the SNA form that real hosts send.
inline constexpr uint8_t kWrite = 0xF1;
inline constexpr uint8_t kEraseWrite = 0xF5;
inline constexpr uint8_t kEraseWriteAlternate = 0x7E;
inline constexpr uint8_t kEraseAllUnprotected = 0x6F;
inline constexpr uint8_t kReadBuffer = 0xF2;
inline constexpr uint8_t kReadModified = 0xF6;
inline constexpr uint8_t kReadModifiedAll = 0x6E;
inline constexpr uint8_t kWriteStructuredField = 0xF3;

// Orders.
inline constexpr uint8_t kPT = 0x05;
inline constexpr uint8_t kGE = 0x08;
inline constexpr uint8_t kSBA = 0x11;
inline constexpr uint8_t kEUA = 0x12;
inline constexpr uint8_t kIC = 0x13;
inline constexpr uint8_t kSF = 0x1D;
inline constexpr uint8_t kSA = 0x28;
inline constexpr uint8_t kSFE = 0x29;
inline constexpr uint8_t kMF = 0x2C;
inline constexpr uint8_t kRA = 0x3C;

// WCC bits.
inline constexpr uint8_t kWccReset = 0x40;
inline constexpr uint8_t kWccPrint = 0x08;
inline constexpr uint8_t kWccAlarm = 0x04;
inline constexpr uint8_t kWccRestore = 0x02;
inline constexpr uint8_t kWccResetMdt = 0x01;

// Field attribute bits.
inline constexpr uint8_t kAttrProtected = 0x20;
inline constexpr uint8_t kAttrNumeric = 0x10;
inline constexpr uint8_t kAttrDisplayMask = 0x0C;
inline constexpr uint8_t kAttrIntensified = 0x08;
inline constexpr uint8_t kAttrNonDisplay = 0x0C;
inline constexpr uint8_t kAttrMdt = 0x01;

// Extended attribute types.
inline constexpr uint8_t kXaAll = 0x00;
inline constexpr uint8_t kXaHighlight = 0x41;
inline constexpr uint8_t kXaForeground = 0x42;
inline constexpr uint8_t kXaCharset = 0x43;
inline constexpr uint8_t kXaBackground = 0x45;
inline constexpr uint8_t kXaTransparency = 0x46;
inline constexpr uint8_t kXaValidation = 0xC1;
inline constexpr uint8_t kXaOutlining = 0xC2;
inline constexpr uint8_t kXaField = 0xC0;

// AIDs.
inline constexpr uint8_t kAidNone = 0x60;
inline constexpr uint8_t kAidEnter = 0x7D;
inline constexpr uint8_t kAidClear = 0x6D;
inline constexpr uint8_t kAidPA1 = 0x6C;
inline constexpr uint8_t kAidPA2 = 0x6E;
inline constexpr uint8_t kAidPA3 = 0x6B;
inline constexpr uint8_t kAidStructuredField = 0x88;

// The six-bit code table for 12-bit addresses, attributes and WCCs.
inline constexpr std::array<uint8_t, 64> kSixBitCodes = {
    0x40, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F,
    0x50, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0x5A, 0x5B, 0x5C, 0x5D, 0x5E, 0x5F,
    0x60, 0x61, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F,
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0x7A, 0x7B, 0x7C, 0x7D, 0x7E, 0x7F};

struct AidName {
    uint8_t aid;
    std::string_view name;
};
inline constexpr std::array<AidName, 33> kAidNames = {{
    {0x60, "none"}, {0x7D, "enter"}, {0x6D, "clear"},  {0x6C, "pa1"},  {0x6E, "pa2"},  {0x6B, "pa3"},
    {0x88, "sf"},   {0x7E, "pen"},   {0xF1, "pf1"},    {0xF2, "pf2"},  {0xF3, "pf3"},  {0xF4, "pf4"},
    {0xF5, "pf5"},  {0xF6, "pf6"},   {0xF7, "pf7"},    {0xF8, "pf8"},  {0xF9, "pf9"},  {0x7A, "pf10"},
    {0x7B, "pf11"}, {0x7C, "pf12"},  {0xC1, "pf13"},   {0xC2, "pf14"}, {0xC3, "pf15"}, {0xC4, "pf16"},
    {0xC5, "pf17"}, {0xC6, "pf18"},  {0xC7, "pf19"},   {0xC8, "pf20"}, {0xC9, "pf21"}, {0x4A, "pf22"},
    {0x4B, "pf23"}, {0x4C, "pf24"},  {0xE6, "sysreq"},
}};

// "pf3" for 0xF3; "aid-XX" for an unknown byte.
std::string AidToName(uint8_t aid);
// 0 when the name is unknown.
std::optional<uint8_t> AidFromName(std::string_view name);

struct ColourName {
    uint8_t value;
    std::string_view name;
};
inline constexpr std::array<ColourName, 8> kColours = {{
    {0xF0, "default"},
    {0xF1, "blue"},
    {0xF2, "red"},
    {0xF3, "pink"},
    {0xF4, "green"},
    {0xF5, "turquoise"},
    {0xF6, "yellow"},
    {0xF7, "white"},
}};
inline constexpr std::array<ColourName, 4> kHighlights = {{
    {0xF0, "normal"},
    {0xF1, "blink"},
    {0xF2, "reverse"},
    {0xF4, "underscore"},
}};

// Encodes an address: the 12-bit form while the buffer has at most 4096 positions, else 14-bit.
std::array<uint8_t, 2> EncodeAddress(int address, int positions);
// Decodes either form (the top two bits of the first byte tell them apart).
int DecodeAddress(uint8_t b1, uint8_t b2);
// Attributes and WCCs travel through the six-bit table, as real hosts send them.
inline uint8_t EncodeSixBits(uint8_t bits) {
    return kSixBitCodes[bits & 0x3F];
}

struct Cell {
    uint8_t ch = 0;  // host byte; 0 = null
    bool is_attr = false;
    uint8_t attr = 0;  // field attribute bits (low six bits meaningful)
    uint8_t fg = 0;    // 0 or 0xF0..0xF7
    uint8_t hl = 0;    // 0 or 0xF0..0xF4
    uint8_t cs = 0;    // 0 base set, 0xF1 for GE characters
};

// One field of a buffer: the attribute position and where its data lies.
struct Field {
    int attr_address = 0;
    int start = 0;   // first data position
    int length = 0;  // data positions up to the next attribute (wraps)
    uint8_t attr = 0;
};

// The host's model of a terminal buffer.
class Buffer {
  public:
    Buffer() : Buffer(24, 80) {}
    Buffer(int rows, int cols) { Reset(rows, cols); }
    void Reset(int rows, int cols);

    int rows() const { return rows_; }
    int cols() const { return cols_; }
    int size() const { return rows_ * cols_; }
    int cursor = 0;

    Cell& at(int address) { return cells_[static_cast<size_t>(address)]; }
    const Cell& at(int address) const { return cells_[static_cast<size_t>(address)]; }
    int Next(int address) const { return address + 1 >= size() ? 0 : address + 1; }

    // Fields in address order; empty for an unformatted buffer.
    std::vector<Field> Fields() const;
    // The data of a field as host bytes, nulls left out.
    Bytes FieldData(const Field& f) const;
    // The field attribute governing a position, or nullopt when unformatted.
    std::optional<int> GoverningAttribute(int address) const;

    // Readable rows: attribute positions as blanks, nulls as blanks, non-display data masked.
    std::vector<std::string> Text(const Codec& codec, char mask = '*') const;

  private:
    int rows_ = 24;
    int cols_ = 80;
    std::vector<Cell> cells_;
};

// The two screen sizes of a terminal: Erase/Write selects the default, Erase/Write Alternate
// the alternate size.
struct Geometry {
    int rows = 24;
    int cols = 80;
    int alt_rows = 24;
    int alt_cols = 80;
};

// Applies a write-type record (command byte first) to the model. Returns false with a reason on
// a malformed record; what was applied before the fault stays applied.
[[nodiscard]] bool ApplyWrite(Buffer& buffer, const uint8_t* data, size_t size, const Geometry& geometry,
                              std::string& error);

// Builds the orders of one write record.
class OrderWriter {
  public:
    explicit OrderWriter(int positions) : positions_(positions) {}
    Bytes& bytes() { return out_; }

    void Command(uint8_t cmd, uint8_t wcc_bits);
    void Sba(int address);
    void Sf(uint8_t attr);
    // SFE with the field attribute first, then colour and highlight when given (non-zero).
    void Sfe(uint8_t attr, uint8_t fg, uint8_t hl);
    void Sa(uint8_t type, uint8_t value);
    void Ic() { out_.push_back(kIC); }
    void Pt() { out_.push_back(kPT); }
    void Ra(int address, uint8_t ch, bool ge = false);
    void Eua(int address);
    void Ge(uint8_t ch);
    void Data(const Bytes& host_bytes);

  private:
    void Address(int address);
    int positions_;
    Bytes out_;
};

}  // namespace testhost::ds
