// The readable listing of a trace: Telnet commands by name, records by command, buffer dumps as
// screens, hex-and-text dumps.
#include <gtest/gtest.h>

#include "capture/record_listing.h"
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
        {"F5C3", nullptr},       // a record
        {"FFFD28 40", nullptr},  // data after the command
        {"FFFF", nullptr},       // a doubled 0xFF is data
        {"FFFA1801", nullptr},   // subnegotiation never ended
        {"FFFD", nullptr},       // option missing
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

// Records in words, one case per kind of thing a support engineer looks for.
TEST(TraceListing, RecordsDecoded) {
    struct Case {
        bool sent;        // the terminal's record (else the host's)
        const char* hex;  // the record, framed as traced for sent ones
        const char* text;
    };
    const Case cases[] = {
        {false, "F5C3 114040 1DE8 C1C2 2902C04142F1 13 3C40D740",
         "Erase/Write WCC C3 (reset keyboard-restore reset-mdt)\nSBA 1,1\nSF protected intensified\n\"AB\"\n"
         "SFE field=unprotected mdt color=blue\nIC\nRA to 1,24 \" \""},
        {false, "F1C2 2841F2 3C5D7F08AD 12C150 0508C3",
         "Write WCC C2 (reset keyboard-restore)\nSA highlight=reverse\nRA to 24,80 GE AD\nEUA to 2,1\nPT\nGE "
         "C3"},
        {false, "7EC3 11C150 2C02",
         "Erase/Write Alternate WCC C3 (reset keyboard-restore reset-mdt)\nSBA 2,1\nMF cut short: 1 of its 5 "
         "bytes are there"},
        {false, "F3 000501FF02 000701FF030081",
         "Write Structured Field\n  Read Partition, partition FF: Query\n  Read Partition, partition FF: "
         "Query List "
         "Usable Area"},
        {false,
         "F3 0023D000120106010103030A0A0000000011010100500552 03F003 0946543A44415441 0010D04704C080610006C1",
         "Write Structured Field\n  File Transfer: Open \"FT:DATA\"\n  structured field cut short: 11 bytes "
         "left"},
        {false, "F3 000CD04704C08061000941 42 FFFF",
         "Write Structured Field\n  File Transfer: Insert of 2 bytes: \"AB\"\n  structured field cut short: "
         "2 bytes "
         "left"},
        {false, "F3 000740 00 F5C1 13",
         "Write Structured Field\n  Outbound 3270DS, partition 00:\n    Erase/Write WCC C1 (reset "
         "reset-mdt)\n    IC"},
        {true, "7D5A50 115A50 C9D5C4 FFEF", "AID Enter, cursor 22,1\nSBA 22,1\n\"IND\""},
        {true, "6D FFEF", "AID Clear"},
        {true, "88 000BD047056306 00000003 0009D04708 6904 4700 FFFF FFEF",
         "AID Structured Field\n  File Transfer: Insert acknowledged, record 3\n  File Transfer: Insert "
         "refused, code "
         "4700\n  structured field cut short: 1 bytes left"},
        {true,
         "88 0017 8181 0100 0050 002B 0100 0A02 E500 0200 6F09 0C0D 70 000C81950000 0A0B 0A0B 0101 FFEF",
         "AID Structured Field\n  Query Reply: Usable Area, 43 rows of 80\n  Query Reply: Distributed Data "
         "Management, inbound limit 2571, outbound limit 2571"},
    };
    for (const Case& c : cases) {
        RecordListing listing({});
        const auto bytes = FromHex(c.hex);
        EXPECT_EQ(c.sent ? listing.Sent(bytes) : listing.HostRecord(bytes), c.text) << c.hex;
    }
    // Under TN3270E every record has its header; received ones are matched to their RECORD items.
    RecordListing listing({});
    listing.TelnetCommands(FromHex("FFFA28 0304 000204 FFF0"));
    listing.Received(FromHex("0000020005 F1C2 FFEF 02000000 05 FF"));
    listing.Received(FromHex("EF"));
    EXPECT_EQ(listing.HostRecord(FromHex("F1C2")),
              "TN3270E 3270-DATA ALWAYS-RESPONSE seq 5\nWrite WCC C2 (reset keyboard-restore)");
    EXPECT_EQ(listing.Sent(FromHex("0200000005 00 FFEF")), "TN3270E RESPONSE POSITIVE-RESPONSE seq 5");
    EXPECT_EQ(listing.HostRecord(FromHex("F1C2")),
              "Write WCC C2 (reset keyboard-restore)");  // never received
}

TEST(TraceListing, HexDumpLines) {
    EXPECT_EQ(HexDump(FromHex("C8C5D3D3D6 40 E6D6D9D3C4 5A 00 FF 4C 6E 50 01"), true, "  "),
              "  0000  C8 C5 D3 D3 D6 40 E6 D6  D9 D3 C4 5A 00 FF 4C 6E  |HELLO WORLD!..<>|\n"
              "  0010  50 01                                             |&.|\n");
    EXPECT_EQ(HexDump(FromHex("414243"), false, ""),
              "0000  41 42 43                                          |ABC|\n");
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
              "    Erase/Write WCC C2 (reset keyboard-restore)\n"
              "    \"AB\"\n"
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
    EXPECT_NE(FormatTrace(t, ascii).find("F5 C2 C1 C2                                       |....|"),
              std::string::npos);
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
    EXPECT_NE(text.find("1920 positions\n    screen:\n      |READY" + std::string(75, ' ') + "|\n"),
              std::string::npos);
    EXPECT_EQ(text.find("("), std::string::npos);  // nothing said to be wrong with it
    i.payload.pop_back();
    t.items = {i};
    EXPECT_NE(FormatTrace(t).find("(9599 plane bytes where five planes need 9600)"), std::string::npos);
}

}  // namespace
}  // namespace orkan
