// The readable listing of a trace: Telnet commands by name, records by command, buffer dumps as
// screens, hex-and-text dumps.
#include <gtest/gtest.h>

#include <algorithm>

#include "capture/record_listing.h"
#include "capture/trace_listing.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::FromHex;

class Listings : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(Listings, SayWhatTheBytesAre) {
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    RecordListing listing({});  // one trace: what it was told stays for the lines after
    std::string verb;
    std::vector<uint8_t> bytes;
    for (const test::GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line));
        if (step.verb == "commands") {
            listing.TelnetCommands(FromHex(step.rest));
            continue;
        }
        if (step.verb == "received") {
            listing.Received(FromHex(step.rest));
            continue;
        }
        if (step.verb != "is") {
            verb = step.verb;
            bytes = FromHex(step.rest);
            continue;
        }
        std::optional<std::string> said;
        if (verb == "telnet")
            said = DescribeTelnet(bytes);
        else if (verb == "record")
            said = DescribeRecord(bytes);
        else if (verb == "sent")
            said = listing.Sent(bytes);
        else if (verb == "host")
            said = listing.HostRecord(bytes);
        else
            ADD_FAILURE() << "nothing to list as " << verb;
        EXPECT_EQ(said.value_or("none"), step.rest == "none" ? "none" : test::GoldenValue(step.rest));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Listings,
                         testing::ValuesIn(test::ReadGoldenCases("capture/data/listing.txt")),
                         test::GoldenTestName);

TraceItem& AddItem(TraceContents& t, uint8_t type, std::vector<uint8_t> payload) {
    TraceItem& i = t.items.emplace_back();
    i.type = type;
    i.time = "10:11:12";
    i.payload = std::move(payload);
    return i;
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
    AddItem(t, 8, FromHex("FFFD28")).offset = 0x13;
    AddItem(t, 2, FromHex("F5C2 C1C2")).offset = 0x21;
    AddItem(t, 9, FromHex("4C696E65")).offset = 0x32;
    // A 2-position buffer: "AB", attributes, colours, highlights, character sets.
    TraceItem& dump = AddItem(t, 7, FromHex("0200 4142 C000 F400 0000 0000"));
    dump.offset = 0x41;
    dump.pieces = 2;
    t.error = "The item at offset 0x60 is cut short: 1 of its 11 header bytes are there.";
    // The listing of these items, as a reader sees it.
    EXPECT_EQ(FormatTrace(t),
              test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/tests/capture/data/trace_format.txt"));
    TraceListingOptions ascii;
    ascii.ascii_host = true;
    EXPECT_NE(FormatTrace(t, ascii).find("F5 C2 C1 C2                                       |....|"),
              std::string::npos);
    // Nor do the code page's holes, which would come out as C1 controls.
    t.items[1].payload = FromHex("F5C2 41818D909D80");
    EXPECT_NE(FormatTrace(t, ascii).find("\"A....\xE2\x82\xAC\""), std::string::npos)
        << FormatTrace(t, ascii);
    // A damaged time reaches no terminal as control codes.
    t.items[0].time = std::string("\x1b[2J\0\x07", 6) + "12";
    EXPECT_NE(FormatTrace(t).find("#1 .[2J..12 RECEIVED"), std::string::npos) << FormatTrace(t);
}

// A record far larger than any host sends (a damaged or crafted file) is listed as bytes only, and
// the listing goes out in pieces: never held whole, at twenty times the trace's size.
TEST(TraceListing, AHugeRecordIsListedInPiecesAsBytesOnly) {
    TraceContents t;
    TraceItem& item = AddItem(t, 2, FromHex("F5C3"));
    while (item.payload.size() <= kLargestDecodedRecord)
        item.payload.insert(item.payload.end(), {0x11, 0x40, 0x40});
    size_t pieces = 0, largest = 0;
    std::string tail;
    ASSERT_TRUE(FormatTrace(t, {}, [&](std::string_view piece) {
        ++pieces;
        largest = std::max(largest, piece.size());
        tail = std::string(piece.substr(piece.size() > 200 ? piece.size() - 200 : 0));
        return true;
    }));
    EXPECT_GT(pieces, 10u);
    EXPECT_LT(largest, size_t{1} << 20);
    EXPECT_NE(FormatTrace(t).find("    (too large to decode: the bytes only)\n    0000  F5 C3 11 40"),
              std::string::npos);
    EXPECT_NE(tail.find("    100000  40  "), std::string::npos) << tail;  // offsets run on
    // A writer that fails stops the listing.
    pieces = 0;
    EXPECT_FALSE(FormatTrace(t, {}, [&](std::string_view) { return ++pieces < 3; }));
    EXPECT_EQ(pieces, 3u);
}

// The dump does not hold the screen's width: 2400 positions are 24 rows of 100 or 30 of 80.
TEST(TraceListing, ABufferDumpShowsTheScreenAtTheWidthTheTraceSays) {
    TraceContents t;
    std::vector<uint8_t> dump = {0x60, 0x09};
    dump.resize(2 + 2400 * 5, 0);
    std::fill_n(dump.begin() + 2, 2400, ' ');
    std::copy_n("READY", 5, dump.begin() + 2);
    AddItem(t, 7, dump);
    EXPECT_NE(
        FormatTrace(t).find("2400 positions\n    (the trace does not say the screen's width: taken as 80 "
                            "columns)\n    screen:\n      |READY" +
                            std::string(75, ' ') + "|\n"),
        std::string::npos);
    // The Implicit Partition reply names the default size (100 x 24), which Erase/Write sets.
    t.items.clear();
    AddItem(t, 3, FromHex("88 0011 81A6 0000 0B01 00 0064 0018 0050 0018 FFEF"));
    AddItem(t, 2, FromHex("F5C3"));
    AddItem(t, 7, dump);
    const std::string text = FormatTrace(t);
    EXPECT_NE(text.find("screen:\n      |READY" + std::string(95, ' ') + "|\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("(the trace"), std::string::npos);
    // The note the program writes before a dump says the width even in a file of nothing else.
    t.items.clear();
    const std::string note = "Buffer dump of a screen of 24 rows and 100 columns.";
    AddItem(t, 9, std::vector<uint8_t>(note.begin(), note.end()));
    AddItem(t, 7, dump);
    const std::string noted = FormatTrace(t);
    EXPECT_EQ(noted.substr(noted.find("screen:")), text.substr(text.find("screen:")));
    dump.pop_back();
    t.items.clear();
    AddItem(t, 7, dump);
    EXPECT_NE(FormatTrace(t).find("(11999 plane bytes where five planes need 12000)"), std::string::npos);
}

}  // namespace
}  // namespace orkan
