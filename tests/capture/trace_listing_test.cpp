// The readable listing of a trace: Telnet commands by name, records by command, buffer dumps as
// screens, hex-and-text dumps.
#include <gtest/gtest.h>

#include "capture/trace_listing.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::FromHex;

TEST(TraceListing, TelnetCommandsByName) {
    struct Case {
        const char* hex;
        const char* text;  // nullptr: not Telnet commands only
    };
    const Case cases[] = {
        {"FFFD28", "IAC DO TN3270E"},
        {"FFFB19FFFD19", "IAC WILL EOR\nIAC DO EOR"},
        {"FFFC01 FFFE00", "IAC WONT ECHO\nIAC DONT BINARY"},
        {"FFFB99", "IAC WILL OPTION-153"},
        {"FFF1", "IAC NOP"},
        {"FFEF", "IAC EOR"},
        {"FFFA1801FFF0", "IAC SB TERMINAL-TYPE SEND IAC SE"},
        {"FFFA1800 49424D2D333237382D322D45 FFF0", "IAC SB TERMINAL-TYPE IS \"IBM-3278-2-E\" IAC SE"},
        {"FFFA280802FFF0", "IAC SB TN3270E SEND DEVICE-TYPE IAC SE"},
        {"FFFA28 0207 49424D2D333237382D322D45 01 4C5531 FFF0",
         "IAC SB TN3270E DEVICE-TYPE REQUEST \"IBM-3278-2-E\" CONNECT \"LU1\" IAC SE"},
        {"FFFA28 0307 000204 FFF0", "IAC SB TN3270E FUNCTIONS REQUEST BIND-IMAGE RESPONSES SYSREQ IAC SE"},
        {"FFFA28 0206 0503 FFF0", "IAC SB TN3270E DEVICE-TYPE REJECT REASON INV-NAME IAC SE"},
        {"FFFA05 01FFFF02 FFF0", "IAC SB STATUS 01 FF 02 IAC SE"},
        {"F5C3", nullptr},               // a record
        {"FFFD28 40", nullptr},          // data after the command
        {"FFFF", nullptr},               // a doubled 0xFF is data
        {"FFFA1801", nullptr},           // subnegotiation never ended
        {"FFFD", nullptr},               // option missing
        {"", nullptr},
    };
    for (const Case& c : cases) {
        const auto text = DescribeTelnet(FromHex(c.hex));
        if (c.text) {
            ASSERT_TRUE(text) << c.hex;
            EXPECT_EQ(*text, c.text) << c.hex;
        } else {
            EXPECT_FALSE(text) << c.hex << ": " << *text;
        }
    }
}

TEST(TraceListing, RecordsByCommand) {
    EXPECT_EQ(DescribeRecord(FromHex("F5C3114040")).value_or("-"), "Erase/Write WCC C3");
    EXPECT_EQ(DescribeRecord(FromHex("7E")).value_or("-"), "Erase/Write Alternate");
    EXPECT_EQ(DescribeRecord(FromHex("F3000501FF02")).value_or("-"), "Write Structured Field");
    EXPECT_EQ(DescribeRecord(FromHex("6E")).value_or("-"), "Read Modified All");
    EXPECT_FALSE(DescribeRecord(FromHex("99")));
    EXPECT_FALSE(DescribeRecord({}));
}

TEST(TraceListing, HexDumpLines) {
    EXPECT_EQ(HexDump(FromHex("C8C5D3D3D6 40 E6D6D9D3C4 5A 00 FF 4C 6E 50 01"), true, "  "),
              "  0000  C8 C5 D3 D3 D6 40 E6 D6  D9 D3 C4 5A 00 FF 4C 6E  |HELLO WORLD!..<>|\n"
              "  0010  50 01                                             |&.|\n");
    EXPECT_EQ(HexDump(FromHex("414243"), false, ""), "0000  41 42 43                                          |ABC|\n");
    EXPECT_EQ(HexDump({}, false, ""), "");
}

TEST(TraceListing, OneGroupOfLinesPerItem) {
    TraceContents t;
    t.header = "0.1.0 Jan  1 2026";
    auto item = [&](uint8_t type, std::string_view hex, size_t offset) {
        TraceItem i;
        i.type = type;
        i.time = "10:11:12";
        i.payload = FromHex(hex);
        i.offset = offset;
        t.items.push_back(i);
    };
    item(8, "FFFD28", 0x13);
    item(2, "F5C2 C1C2", 0x21);
    item(9, "4C696E65", 0x32);
    // A 2-position buffer: "AB", attributes, colours, highlights, character sets.
    item(7, "0200 4142 C000 F400 0000 0000", 0x41);
    t.items.back().pieces = 2;
    t.error = "The item at offset 0x60 is cut short: 1 of its 11 header bytes are there.";
    EXPECT_EQ(FormatTrace(t),
              "Trace written by Orkan TN3270 0.1.0 Jan  1 2026\n"
              "\n#1 10:11:12 RECEIVED 3 bytes at 0x13\n"
              "    IAC DO TN3270E\n"
              "    0000  FF FD 28                                          |..(|\n"
              "\n#2 10:11:12 RECORD 4 bytes at 0x21\n"
              "    Erase/Write WCC C2\n"
              "    0000  F5 C2 C1 C2                                       |5BAB|\n"
              "\n#3 10:11:12 NOTE 4 bytes at 0x32\n"
              "    Line\n"
              "\n#4 10:11:12 BUFFERS 12 bytes at 0x41 (in 2 items)\n"
              "    2 positions\n"
              "    display characters:\n"
              "      0000  41 42                                             |AB|\n"
              "    field attributes:\n"
              "      0000  C0 00                                             |..|\n"
              "    colours:\n"
              "      0000  F4 00                                             |..|\n"
              "    highlights:\n"
              "      0000  00 00                                             |..|\n"
              "    character sets:\n"
              "      0000  00 00                                             |..|\n"
              "\nThe item at offset 0x60 is cut short: 1 of its 11 header bytes are there.\n");
    TraceListingOptions ascii;
    ascii.ascii_host = true;
    EXPECT_NE(FormatTrace(t, ascii).find("F5 C2 C1 C2                                       |....|"), std::string::npos);
}

TEST(TraceListing, ABufferDumpOfWholeRowsShowsTheScreen) {
    TraceContents t;
    TraceItem i;
    i.type = 7;
    i.time = "10:11:12";
    i.payload = {0x80, 0x07};  // 1920 positions
    std::vector<uint8_t> planes(1920 * 5, 0);
    for (size_t a = 0; a < 1920; ++a) planes[a] = a < 5 ? uint8_t("READY"[a]) : ' ';
    i.payload.insert(i.payload.end(), planes.begin(), planes.end());
    t.items.push_back(i);
    const std::string text = FormatTrace(t);
    EXPECT_NE(text.find("1920 positions\n    screen:\n      |READY" + std::string(75, ' ') + "|\n"), std::string::npos);
    EXPECT_EQ(text.find("(") , std::string::npos);  // nothing said to be wrong with it
    i.payload.pop_back();
    t.items = {i};
    EXPECT_NE(FormatTrace(t).find("(9599 plane bytes where five planes need 9600)"), std::string::npos);
}

}  // namespace
}  // namespace orkan
