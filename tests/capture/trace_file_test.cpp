// The trace file: item layout, the header, the size limit and restart, continuation items, a
// failing disk, and reading it all back. Then the Trace and Dump Buffers commands: what they tell
// the user, where the session's items go, and the buffer dump's layout. Last the readable listing
// of a trace: Telnet commands by name, records by command, buffer dumps as screens, hex-and-text
// dumps.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>

#include "capture/record_listing.h"
#include "capture/session_trace.h"
#include "capture/trace_file.h"
#include "capture/trace_listing.h"
#include "capture/trace_reader.h"
#include "config/temp_folder.h"
#include "dialog_ui.h"
#include "net/telnet_test_support.h"
#include "support/ds3270_harness.h"
#include "support/golden_file.h"
#include "support/hex.h"

namespace orkan {
namespace {

using test::Ascii;
using test::FromHex;
using test::ToHex;

std::tm At(int h, int m, int s) {
    std::tm t{};
    t.tm_hour = h;
    t.tm_min = m;
    t.tm_sec = s;
    return t;
}

TEST(TraceItem, LayoutAndContinuations) {
    const std::string time = Ascii("14:05:09");
    struct Case {
        uint8_t type;
        size_t payload_size;
        std::vector<std::pair<uint8_t, size_t>> pieces;  // type and length of each stored item
    };
    const Case cases[] = {
        {2, 0, {{2, 0}}},
        {7, 65535, {{7, 65535}}},
        {7, 65536, {{7, 65535}, {10, 1}}},
        {3, 2 * 65535 + 7, {{3, 65535}, {10, 65535}, {10, 7}}},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> payload(c.payload_size);
        for (size_t i = 0; i < payload.size(); ++i) payload[i] = uint8_t(i * 7);
        std::vector<uint8_t> out;
        const uint32_t counted = AppendTraceItem(out, c.type, "14:05:09", payload);
        size_t at = 0, from = 0;
        uint32_t expected_count = 0;
        for (auto [type, length] : c.pieces) {
            ASSERT_GE(out.size(), at + 11) << c.payload_size;
            EXPECT_EQ(out[at], type);
            EXPECT_EQ(ToHex(std::span(out).subspan(at + 1, 8)), time);
            EXPECT_EQ(size_t(out[at + 9]) | size_t(out[at + 10]) << 8, length);
            EXPECT_TRUE(std::equal(payload.begin() + long(from), payload.begin() + long(from + length),
                                   out.begin() + long(at + 11)));
            at += 11 + length;
            from += length;
            expected_count += uint32_t(9 + length);
        }
        EXPECT_EQ(out.size(), at) << c.payload_size;
        EXPECT_EQ(counted, expected_count);
    }
}

TEST(TraceItem, TimeIsAlwaysEightCharacters) {
    EXPECT_EQ(TraceTimeText(At(14, 5, 9)), "14:05:09");
    EXPECT_EQ(TraceTimeText(At(23, 59, 60)), "23:59:60");  // a leap second
    EXPECT_EQ(TraceTimeText(At(-1, 1234, 7)), "00:99:07");
}

struct TraceFileTest : ::testing::Test {
    test::TempFolder folder;
    ManualWallClock clock;
    std::string path = folder / "sessionA.trc";
    TraceFileTest() { clock.now = At(9, 30, 0); }
    TraceContents ReadBack() { return ReadTrace(test::ReadBytes(path)); }
};

TEST_F(TraceFileTest, HeaderItemsAndPrivateMode) {
    test::WriteText(path, "old trace content that must go");
    ::chmod(path.c_str(), 0644);
    TraceFile file(clock);
    ASSERT_EQ(file.Start(path), 0);
    file.TraceRecord(TraceType::ReceivedChunk, FromHex("FFFD28"));
    clock.now = At(9, 30, 1);
    file.TraceRecord(TraceType::Record, FromHex("F5C3 11 40 40 1D F0"));
    file.TraceRecord(TraceType::Error, std::span(reinterpret_cast<const uint8_t*>("bad"), 3));

    EXPECT_EQ(test::ModeOf(path), 0600u);
    // The items' bytes are AppendTraceItem's, checked above; read back they are whole and in order.
    const TraceContents back = ReadBack();
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.header, TraceHeaderText());
    std::vector<std::string> items;
    for (const TraceItem& i : back.items)
        items.push_back(std::to_string(i.type) + " " + i.time + " " + ToHex(i.payload));
    EXPECT_EQ(items, (std::vector<std::string>{"8 09:30:00 FFFD28", "2 09:30:01 F5C31140401DF0",
                                               "9 09:30:01 " + Ascii("bad")}));
}

TEST_F(TraceFileTest, StartsAgainWithANewHeaderPastTheLimit) {
    TraceFile file(clock, 100);
    ASSERT_EQ(file.Start(path), 0);
    const std::vector<uint8_t> chunk(40, 0x40);
    for (int i = 0; i < 3; ++i) file.TraceRecord(TraceType::ReceivedChunk, chunk);  // 3 x 49 counted
    EXPECT_EQ(ReadBack().items.size(), 3u);
    // The limit is passed: the next item opens a new file instead of being lost.
    file.TraceRecord(TraceType::Record, FromHex("F1C2"));
    const TraceContents back = ReadBack();
    EXPECT_EQ(back.error, "");
    EXPECT_EQ(back.header, TraceHeaderText());
    ASSERT_EQ(back.items.size(), 1u);
    EXPECT_EQ(ToHex(back.items[0].payload), "F1C2");
    EXPECT_EQ(file.traced_bytes(), 11u);
    // A file removed while the trace runs (to start afresh, say) is made again, not written unseen.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    file.TraceRecord(TraceType::Record, FromHex("F1C3"));
    ASSERT_EQ(ReadBack().items.size(), 1u);
    EXPECT_EQ(ToHex(ReadBack().items[0].payload), "F1C3");
}

TEST_F(TraceFileTest, AFailedWriteStopsTheTraceAndSaysWhy) {
    TraceFile file(clock);
    int failure = 0;
    file.on_write_failed = [&](int error) { failure = error; };
    ASSERT_EQ(file.Start(path), 0);
    // A file size limit makes the next write fail as a full disk would.
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto old_handler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    file.TraceRecord(TraceType::ReceivedChunk, std::vector<uint8_t>(200, 0x40));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, old_handler);
    EXPECT_EQ(failure, EFBIG);
    EXPECT_FALSE(file.active());
    file.TraceRecord(TraceType::ReceivedChunk, FromHex("40"));  // ignored, no second report
    EXPECT_EQ(failure, EFBIG);
}

TEST(TraceReader, DamagedFilesKeepWhatCameBefore) {
    const std::string header = "0500" + Ascii("1.2.3");
    const std::string item = "02" + Ascii("10:00:00") + "0200F1C2";
    struct Case {
        std::string hex;
        size_t items;
        std::string error;  // start of the error text; empty for none
    };
    const Case cases[] = {
        {header, 0, ""},
        {header + item + item, 2, ""},
        {"", 0, "The file is too short"},
        {"FF00" + Ascii("abc"), 0, "The file does not start with a trace header"},
        {std::string(64, '0'), 0, "The file does not start with a trace header"},
        {"0300" + ToHex(FromHex("410042")), 0, "The file does not start with a trace header"},
        {header + item + "02" + Ascii("10:00"), 1,
         "The item at offset 0x14 is cut short: 6 of its 11 header"},
        {header + item + "02" + Ascii("10:00:00") + "0500F1", 1,
         "The item at offset 0x14 is cut short: 1 of its 5"},
        // A continuation that follows no full item stands alone.
        {header + item + "0A" + Ascii("10:00:00") + "0100F3", 2, ""},
    };
    for (const Case& c : cases) {
        const TraceContents t = ReadTrace(FromHex(c.hex));
        EXPECT_EQ(t.items.size(), c.items) << c.hex;
        EXPECT_EQ(c.error.empty() ? t.error : t.error.substr(0, c.error.size()), c.error) << c.hex;
    }
}

struct SessionTraceTest : ::testing::Test {
    test::TempFolder folder;
    test::Harness h;
    Session& s = *h.session;
    SessionTraceTest() {
        s.trace.Set(nullptr);
        s.letter = 'C';
        s.folders.app_data = folder.path();
    }
    TraceContents ReadBack() { return ReadTrace(test::ReadBytes(folder / "sessionC.trc")); }
};

const std::string kConfidential =
    "\n\nMake sure this file is not accessible to others, since\nit may contain confidential data. "
    "Nondisplay "
    "input fields \nsuch as passwords have been replaced with XXXXXXXX";

TEST_F(SessionTraceTest, TraceOnAndOff) {
    SessionTrace trace(s);
    trace.ToggleTrace();
    EXPECT_TRUE(trace.Active());
    EXPECT_EQ(s.trace.Target(), &trace.file());
    EXPECT_EQ(h.TakeMessages(),
              "Trace Started: Screen data will now be traced to file sessionC.trc." + kConfidential);
    s.Trace(TraceType::Sent, FromHex("7D"));
    trace.ToggleTrace();
    EXPECT_FALSE(trace.Active());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(h.TakeMessages(), "Trace Stopped: File sessionC.trc contains trace data. Location is\n" +
                                    folder.path() + kConfidential);
    s.Trace(TraceType::Sent, FromHex("7E"));  // goes nowhere now
    trace.StopTrace();                        // nothing to stop: no word of a trace file
    EXPECT_EQ(h.TakeMessages(), "");
    const TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 1u);
    EXPECT_EQ(ToHex(back.items[0].payload), "7D");
}

TEST_F(SessionTraceTest, ARunningEngineLearnsOfTheTraceAtOnce) {
    test::TelnetRecorder events;
    TelnetEngine engine(s.link, TelnetConfig{}, events, &s.trace);  // as the runtime makes it
    {
        SessionTrace trace(s);
        ASSERT_TRUE(trace.StartTraceAtStartUp());
        EXPECT_TRUE(h.TakeMessages().empty());
        engine.OnDataReceived(FromHex("FFFD18"));
    }
    // Gone with its owner: neither the session nor the engine reach it.
    EXPECT_EQ(s.trace.Target(), nullptr);
    engine.OnDataReceived(FromHex("FFFD19"));
    const TraceContents back = ReadBack();
    ASSERT_GE(back.items.size(), 2u);
    EXPECT_EQ(back.items[0].type, 8);
    EXPECT_EQ(ToHex(back.items[0].payload), "FFFD18FFEF");  // in line mode a chunk is shown ended
    for (const TraceItem& item : back.items) EXPECT_EQ(ToHex(item.payload).find("FFFD19"), std::string::npos);
}

TEST_F(SessionTraceTest, DumpBuffers) {
    h.Host("F5C3 1D60 C1C2");
    SessionTrace trace(s);
    trace.DumpBuffers();  // off: a file of its own, and the trace stays off
    EXPECT_FALSE(trace.Active());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(
        h.TakeMessages(),
        "Buffers Dumped: Screen buffers were dumped to file sessionC.trc.\n\nMake sure this file is not "
        "accessible to others, since\nit may contain passwords or other important data.");
    TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 2u);
    // The width, which the dump does not hold, in a note before it.
    EXPECT_EQ(back.items[0].type, 9);
    EXPECT_EQ(std::string(back.items[0].payload.begin(), back.items[0].payload.end()),
              "Buffer dump of a screen of 24 rows and 80 columns.");
    EXPECT_EQ(back.items[1].type, 7);
    const std::vector<uint8_t>& dump = back.items[1].payload;
    ASSERT_EQ(dump.size(), 2u + 1920 * 5);
    EXPECT_EQ(ToHex(std::span(dump).first(5)),
              "8007"
              "204142");                            // 1920, then the display plane
    EXPECT_EQ(dump[2 + 1920], 0x60 | fa::Present);  // the attribute plane, as stored
    EXPECT_EQ(dump, BufferDumpPayload(s));

    ASSERT_TRUE(trace.StartTraceAtStartUp());
    s.Trace(TraceType::Record, FromHex("F1"));
    trace.DumpBuffers();  // on: added to the trace
    back = ReadBack();
    ASSERT_EQ(back.items.size(), 3u);
    EXPECT_EQ(back.items[2].type, 7);
    EXPECT_TRUE(trace.Active());
}

TEST_F(SessionTraceTest, TheLargestScreenIsDumpedWhole) {
    s.ps.rows = 100;
    s.ps.columns = 200;
    s.ps.positions = 20000;
    s.ps.planes.display.fill('x');
    SessionTrace trace(s);
    trace.DumpBuffers();
    const TraceContents back = ReadBack();
    ASSERT_EQ(back.items.size(), 2u);
    EXPECT_EQ(back.items[1].pieces, 2u);
    EXPECT_EQ(back.items[1].payload.size(), 100002u);
    EXPECT_EQ(back.items[1].payload, BufferDumpPayload(s));
}

TEST_F(SessionTraceTest, AFileThatCannotBeMadeLeavesTracingOff) {
    test::WriteText(folder / "notafolder", "x");
    s.folders.app_data = folder / "notafolder";
    SessionTrace trace(s);
    EXPECT_FALSE(trace.StartTrace());
    EXPECT_EQ(s.trace.Target(), nullptr);
    EXPECT_EQ(h.TakeMessages(), "File Save Error: Error 20 while saving " +
                                    folder / "notafolder/sessionC.trc" + "\n\nNot a directory");
    trace.DumpBuffers();
    EXPECT_EQ(h.TakeMessages().rfind("File Save Error: Error 20", 0), 0u);
}

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
        } else if (step.verb == "received") {
            listing.Received(FromHex(step.rest));
        } else if (step.verb != "is") {
            verb = step.verb;
            bytes = FromHex(step.rest);
        } else {
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
