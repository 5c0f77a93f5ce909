// One realistic panel, built order by order like a host's primary option menu: extended fields
// with colours and highlighting, SA runs, a graphic-escape box drawn with RA, EUA, IC, numeric and
// non-display fields. Then the user types and presses Enter.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "ds3270/addressing.h"
#include "ds3270/inbound.h"
#include "ds3270/screen_dump.h"
#include "ds3270/write_processor.h"
#include "support/ds3270_harness.h"
#include "support/hex.h"

namespace orkan {
namespace {

class Panel {
  public:
    explicit Panel(const CharsetTables& tables) : tables_(tables) { bytes_ = {0xF5, 0xC3}; }
    Panel& Sba(int row, int column) { return Order(0x11).Address(row, column); }
    Panel& Sf(uint8_t attribute) { return Order(0x1D).Byte(attribute); }
    Panel& Sfe(std::initializer_list<uint8_t> pairs) {
        Order(0x29).Byte(uint8_t(pairs.size() / 2));
        for (uint8_t b : pairs) Byte(b);
        return *this;
    }
    Panel& Sa(uint8_t type, uint8_t value) { return Order(0x28).Byte(type).Byte(value); }
    Panel& Ge(uint8_t c) { return Order(0x08).Byte(c); }
    Panel& RepeatTo(int row, int column, char c) {
        return Order(0x3C).Address(row, column).Text(std::string(1, c));
    }
    Panel& RepeatGeTo(int row, int column, uint8_t c) { return Order(0x3C).Address(row, column).Ge(c); }
    Panel& EraseUnprotectedTo(int row, int column) { return Order(0x12).Address(row, column); }
    Panel& InsertCursor() { return Order(0x13); }
    Panel& Text(std::string_view text) {
        for (char c : text) Byte(tables_.display_to_host[uint8_t(c)]);
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

  private:
    Panel& Order(uint8_t b) { return Byte(b); }
    Panel& Byte(uint8_t b) {
        bytes_.push_back(b);
        return *this;
    }
    Panel& Address(int row, int column) {
        const EncodedAddress e = EncodeBufferAddress(1920, uint32_t(row * 80 + column));
        return Byte(e.b1).Byte(e.b2);
    }
    const CharsetTables& tables_;
    std::vector<uint8_t> bytes_;
};

std::vector<uint8_t> PrimaryOptionMenu(const CharsetTables& t) {
    Panel p(t);
    p.Sba(0, 0).Sfe({0xC0, 0x60, 0x42, 0xF1}).Text("Menu  Utilities  Compilers  Options  Status  Help");
    p.Sba(1, 0).Sfe({0xC0, 0x60, 0x42, 0xF1}).RepeatTo(2, 0, '-');
    p.Sba(2, 26).Sfe({0xC0, 0xE8, 0x42, 0xF5}).Text("Orkan Primary Option Menu").Sf(0x60);
    p.Sba(3, 0).Sfe({0xC0, 0x60, 0x42, 0xF4}).Text("Option ===>");
    p.Sfe({0xC0, 0x40, 0x41, 0xF4, 0x42, 0xF6}).InsertCursor().Sba(3, 60).Sf(0xF0);
    const char* options[][3] = {{"0", "  Settings     ", "Terminal and user parameters"},
                                {"1", "  View         ", "Display source data or listings"},
                                {"2", "  Edit         ", "Create or change source data"},
                                {"3", "  Utilities    ", "Perform utility functions"},
                                {"X", "  Exit         ", "Leave the primary menu"}};
    int row = 5;
    for (const auto& o : options)
        p.Sba(row++, 2).Sa(0x42, 0xF7).Text(o[0]).Sa(0x42, 0xF5).Text(o[1]).Sa(0x00, 0x00).Text(o[2]);
    p.Sba(11, 2).Ge(0xC5).RepeatGeTo(11, 40, 0xA2).Ge(0xD5);
    p.Sba(12, 2).Ge(0x85).Text(" User ID . . : ").Sfe({0xC0, 0x60, 0x41, 0xF2}).Text("IBMUSER").Sf(0x60);
    p.Sba(12, 40).Ge(0x85);
    p.Sba(13, 2).Ge(0x85).Text(" Screen  . . : ").Sfe({0xC0, 0x50, 0x41, 0xF4}).Text("1").Sf(0x60);
    p.Sba(13, 40).Ge(0x85);
    p.Sba(14, 2).Ge(0x85).Text(" Password  . : ").Sfe({0xC0, 0x4C}).Text("SECRET").Sf(0x60);
    p.Sba(14, 40).Ge(0x85);
    p.Sba(15, 2).Ge(0xC4).RepeatGeTo(15, 40, 0xA2).Ge(0xD4);
    p.Sba(20, 0).Sf(0x40).Text("stale input that the host erases");
    p.Sba(20, 40).Sf(0x60).Text("kept").Sba(20, 60).Sf(0x40).Text("stale");
    p.Sba(20, 1).EraseUnprotectedTo(21, 0);
    p.Sba(23, 0).Sfe({0xC0, 0x60, 0x41, 0xF2, 0x42, 0xF5}).Text("F1=Help  F3=Exit  F10=Actions  F12=Cancel");
    return p.Bytes();
}

std::string Blanks(int n) {
    return std::string(size_t(n), ' ');
}

TEST(Panel, PrimaryOptionMenu) {
    test::Harness h(24, 80);
    ProcessHostRecord(*h.session, PrimaryOptionMenu(h.session->charset));
    EXPECT_EQ(h.TakeMessages(), "");

    const std::string box_edge = "  +" + std::string(37, '-') + "+";
    const std::string expected = std::string(" Menu  Utilities  Compilers  Options  Status  Help\n") + " " +
                                 std::string(79, '-') + "\n" + Blanks(27) + "Orkan Primary Option Menu\n" +
                                 " Option ===>\n"
                                 "\n"
                                 "  0  Settings     Terminal and user parameters\n"
                                 "  1  View         Display source data or listings\n"
                                 "  2  Edit         Create or change source data\n"
                                 "  3  Utilities    Perform utility functions\n"
                                 "  X  Exit         Leave the primary menu\n"
                                 "\n" +
                                 box_edge + "\n" + "  | User ID . . :  IBMUSER" + Blanks(14) + "|\n" +
                                 "  | Screen  . . :  1" + Blanks(20) + "|\n" +
                                 "  | Password  . : " + Blanks(22) + "|\n" + box_edge + "\n\n\n\n\n" +
                                 Blanks(41) + "kept\n\n\n" + " F1=Help  F3=Exit  F10=Actions  F12=Cancel\n";
    EXPECT_EQ(h.Screen(), expected);
    EXPECT_EQ(h.session->ps.cursor_address, 3u * 80 + 13);
    EXPECT_EQ(DumpFields(*h.session),
              "1,1 E0 prot colour=01 hl=40\n"
              "2,1 E0 prot colour=01 hl=40\n"
              "3,27 E8 prot int colour=05 hl=40\n"
              "3,53 E0 prot colour=12 hl=00\n"
              "4,1 E0 prot colour=04 hl=40\n"
              "4,13 C0 unprot colour=06 hl=44\n"
              "4,61 F0 prot skip colour=12 hl=00\n"
              "13,19 E0 prot colour=00 hl=02\n"
              "13,27 E0 prot colour=12 hl=00\n"
              "14,19 D0 unprot num colour=00 hl=04\n"
              "14,21 E0 prot colour=12 hl=00\n"
              "15,19 CC unprot nd colour=00 hl=00\n"
              "15,26 E0 prot colour=12 hl=00\n"
              "21,1 C0 unprot colour=10 hl=00\n"
              "21,41 E0 prot colour=12 hl=00\n"
              "21,61 C0 unprot colour=10 hl=00\n"
              "24,1 E0 prot colour=05 hl=42\n");

    const Planes& p = h.session->ps.planes;
    // SA runs: the option number in white, its name in turquoise, the description plain.
    EXPECT_EQ(p.colour[5 * 80 + 2], 0x07);
    EXPECT_EQ(p.colour[5 * 80 + 5], 0x05);
    EXPECT_EQ(p.colour[5 * 80 + 18], 0x00);
    // The box is graphic-escape cells; the hidden password is still in the planes.
    EXPECT_EQ(p.charset[11 * 80 + 20], 0xF1);
    EXPECT_EQ(p.display[11 * 80 + 20], 0xA2);
    EXPECT_EQ(p.display[14 * 80 + 19], 'S');
    EXPECT_EQ(p.display[20 * 80 + 1], 0);  // erased by EUA

    // The user picks option 3 and changes the screen number; Enter sends both fields in order.
    h.session->ps.planes.display[3 * 80 + 13] = '3';
    h.session->ps.planes.attribute[3 * 80 + 12] |= 0x01;
    h.session->ps.planes.display[13 * 80 + 19] = '2';
    h.session->ps.planes.attribute[13 * 80 + 18] |= 0x01;
    h.sender.sent.clear();
    ASSERT_EQ(SendAidKey(*h.session, 2), AidKeyResult::Sent);
    EXPECT_EQ(h.TakeSent(), "7DC37D11C37DF31150E3F2");
}

}  // namespace
}  // namespace orkan
