// Record assembly: host bytes in, records and their side effects out.
#include <gtest/gtest.h>

#include "telnet_test_support.h"

namespace orkan {
namespace {

using test::Engine;
using test::Mode;

struct RecordCase {
    std::string name;
    Mode mode;
    std::vector<std::string> chunks;
    std::vector<std::string> expected;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

const RecordCase kCases[] = {
    {"SplitOverTwoChunks", Mode::Tn3270, {"F5C1C2", "C3FFEF"}, {"record F5C1C2C3"}},
    {"LoneIacAtChunkEnd", Mode::Tn3270, {"F5C1FF", "FFC2FFEF"}, {"record F5C1FFC2"}},
    {"LoneIacBeforeEor", Mode::Tn3270, {"F5C1FF", "EF"}, {"record F5C1"}},
    {"DoubledIacInside", Mode::Tn3270, {"F5FFFFC1FFEF"}, {"record F5FFC1"}},
    {"NopInsideRecord", Mode::Tn3270, {"F5C1FFF1C2FFEF"}, {"record F5C1C2"}},
    {"NegotiationInsideRecord", Mode::Tn3270, {"F5C1FFFD05C2FFEF"}, {"out FFFC05", "record F5C1C2"}},
    {"SubnegotiationInsideRecord",
     Mode::Tn3270,
     {"F5C1FFFA1801FFF0C2FFEF"},
     {"out FFFA1800" + test::Ascii("IBM-3278-2-E") + "FFF0", "record F5C1C2"}},
    {"NotACommandKeepsTheByte", Mode::Tn3270, {"F5FF41FFEF"}, {"record F541"}},
    {"TwoRecordsInOneChunk", Mode::Tn3270, {"F5C1FFEFF1C2FFEF"}, {"record F5C1", "record F1C2"}},
    {"EorWithoutRecord", Mode::Tn3270, {"FFEFFFEF"}, {}},
    {"HeaderTakenFromFirstRecord", Mode::Tn3270e, {"0000000000F5C1FFEF"}, {"record F5C1"}},
    {"HeaderSplitOverChunks", Mode::Tn3270e, {"000000", "0201F5FFEF"}, {"record F5"}},
    {"AlwaysResponseAnswered",
     Mode::Tn3270e,
     {"0000021234F5C1FFEF"},
     {"out 02 00 00 1234 00 FFEF", "record F5C1"}},
    {"AlwaysResponseSequenceFFDoubled",
     Mode::Tn3270e,
     {"000002FFFFFFFFF5FFEF"},
     {"out 02 00 00 FFFF FFFF 00 FFEF", "record F5"}},
    {"ErrorResponseFlagNotAnswered", Mode::Tn3270e, {"0000011234F5FFEF"}, {"record F5"}},
    {"HeaderOnlyRecord", Mode::Tn3270e, {"0000000000FFEF"}, {}},
    {"ShorterThanHeaderDropped", Mode::Tn3270e, {"0000FFEF"}, {}},
    {"SscpLuRecords",
     Mode::Tn3270e,
     {"0700000000C1C2FFEF", "0700000001C3FFEF", "0000000002F5FFEF"},
     {"sscp entering", "record C1C2", "sscp", "record C3", "record F5"}},
    {"Unbind", Mode::Tn3270e, {"04000000003201FFEF"}, {"erase", "record 3201"}},
    {"LineModeText", Mode::Line, {"48690D0A", "4243"}, {"text 48690D0A", "text 4243"}},
    {"CommandCutsLineText", Mode::Line, {"4142FFFD184344"}, {"text 4142", "out FFFB18", "text 4344"}},
    {"LineModeEndsMidChunk", Mode::Line, {"41FFFD19F5C1FFEF"}, {"text 41", "out FFFB19", "record F5C1"}},
    {"LoneIacInLineMode", Mode::Line, {"41FF", "FF42"}, {"text 41", "text FF42"}},
    {"FirstRecordSplitAfterLineMode", Mode::Line, {"FFFD19F5C1", "C2FFEF"}, {"out FFFB19", "record F5C1C2"}},
};

class Records : public testing::TestWithParam<RecordCase> {};

TEST_P(Records, Transcript) {
    const RecordCase& c = GetParam();
    const test::TranscriptRun run = test::RunTranscript({}, test::ModeSetup(c.mode), c.chunks);
    EXPECT_EQ(run.log, test::Compact(c.expected));
    EXPECT_EQ(test::ChunkingInvariant(run.bytewise_log), test::ChunkingInvariant(run.log));
}

INSTANTIATE_TEST_SUITE_P(Telnet, Records, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

TEST(RecordLimits, OversizeRecordFailsTheConnection) {
    Engine e(Mode::Tn3270);
    const std::vector<uint8_t> block(8000, 0x40);
    size_t fed = 0;
    while (fed < kMaxRecordBytes) {
        const size_t n = std::min(block.size(), kMaxRecordBytes - fed);
        e.engine.OnDataReceived(std::span(block).first(n));
        fed += n;
    }
    EXPECT_TRUE(e.rec.log.empty());
    e.Feed("40");
    ASSERT_EQ(e.rec.log.size(), 1u);
    EXPECT_EQ(e.rec.log[0].rfind("failure A record from the host is longer than 1048576 bytes", 0), 0u);
    EXPECT_EQ(e.rec.trace.back().first, TraceType::Error);
    EXPECT_TRUE(e.engine.failed());
    e.Feed("F5FFEFFFFD18");  // ignored until the next connection
    EXPECT_EQ(e.rec.log.size(), 1u);

    e.engine.Reset();
    e.Feed("FFFD19F5FFEF");
    EXPECT_EQ(e.rec.log.back(), "record F5");
}

TEST(RecordLimits, LargestRecordAndLongLineTextPass) {
    Engine e(Mode::Tn3270);
    size_t size = 0;
    e.rec.on_record = [&](std::span<const uint8_t> r) { size = r.size(); };
    e.engine.OnDataReceived(std::vector<uint8_t>(kMaxRecordBytes, 0x40));
    e.Feed("FFEF");
    EXPECT_EQ(size, kMaxRecordBytes);

    Engine line(Mode::Line);
    line.engine.OnDataReceived(std::vector<uint8_t>(kMaxRecordBytes + 10, 0x41));
    EXPECT_EQ(line.rec.log.size(), 2u);
    EXPECT_FALSE(line.engine.failed());
}

TEST(RecordHeader, BindImageNames) {
    CharsetTables tables;
    for (int i = 0; i < 9; ++i) {
        tables.screen[0xC1 + i] = static_cast<uint8_t>('A' + i);
        tables.screen[0xF1 + i] = static_cast<uint8_t>('1' + i);
    }
    const std::string head = "0300000000" + std::string(54, '0');  // header and BIND bytes 0..26
    struct BindCase {
        std::string tail;
        std::string plu, secondary;
    };
    const BindCase kBinds[] = {
        {"04C1C2C3C4 0000 03F1F2F3", "ABCD", "123"},
        {"04C1C2C3C4 0001 03F1F2F3", "ABCD", ""},
        {"09C1C2C3C4C1C2C3C4C1 0000 01F1", "", ""},  // names are at most 8 long
        {"08C1C2C3", "", ""},                        // longer than the record holds
        {"02C1C2 0000 08F1F2", "AB", ""},
    };
    for (const BindCase& b : kBinds) {
        SCOPED_TRACE(b.tail);
        Engine e(Mode::Tn3270e, {"IBM-3278-2-E", "", true, &tables});
        e.link.bound_plu_name = "OLD";
        e.Feed(head + b.tail + "FFEF");
        EXPECT_EQ(e.link.current_data_type, 3);
        EXPECT_EQ(e.link.bound_plu_name, b.plu);
        EXPECT_EQ(e.link.bound_secondary_name, b.secondary);
    }
}

TEST(RecordEvents, ConnectionEventsOncePerConnection) {
    Engine e(Mode::Line);
    e.Feed("4142");
    e.Feed("FFFD19F5FFEFF5FFEF");
    EXPECT_EQ(e.rec.first_data, 1);
    EXPECT_EQ(e.rec.first_record, 1);
    EXPECT_EQ(e.rec.status_refreshes, 3);
    e.engine.Reset();
    EXPECT_TRUE(e.link.line_mode);
    e.Feed("FFFD18");
    EXPECT_EQ(e.rec.first_data, 2);
    EXPECT_EQ(e.rec.first_record, 1);
}

TEST(RecordEvents, HandlersMayReplyOrReset) {
    Engine e(Mode::Tn3270);
    e.rec.on_record = [&](std::span<const uint8_t>) {
        constexpr uint8_t kReply[] = {0x7D, 0x40, 0x40};
        e.engine.SendRecord(kReply, send_flag::Send);
    };
    e.Feed("F1FFEFFFFD05F2FFEF");
    const std::vector<std::string> replied = {"record F1", "out 7D4040FFEF", "out FFFC05", "record F2",
                                              "out 7D4040FFEF"};
    EXPECT_EQ(e.rec.log, replied);

    e.rec.log.clear();
    e.rec.on_record = [&](std::span<const uint8_t> r) {
        if (r[0] == 0xF1) e.Feed("F3FFEF");  // scanned after the chunk in hand
    };
    e.Feed("F1FFEFF2FFEF");
    EXPECT_EQ(e.rec.log, (std::vector<std::string>{"record F1", "record F2", "record F3"}));

    e.rec.log.clear();
    e.rec.on_record = [&](std::span<const uint8_t>) { e.engine.Reset(); };
    e.Feed("F1FFEFFFFD05F2FFEF");
    EXPECT_EQ(e.rec.log, std::vector<std::string>{"record F1"});
    EXPECT_TRUE(e.link.line_mode);
}

TEST(RecordTrace, ChunksCommandsAndRecords) {
    Engine e(Mode::Line);
    e.Feed("41FFFD19");
    e.Feed("F5FFEF");
    using T = TraceType;
    const std::vector<std::pair<TraceType, std::string>> expected = {
        {T::ReceivedChunk, "\x41\xFF\xFD\x19\xFF\xEF"},
        {T::Record, "A"},
        {T::Telnet, "\xFF\xFD\x19"},
        {T::Telnet, "\xFF\xFB\x19"},
        {T::ReceivedChunk, "\xF5\xFF\xEF"},
        {T::Record, "\xF5"},
        {T::Telnet, "\xFF\xEF"}};
    EXPECT_EQ(e.rec.trace, expected);
}

}  // namespace
}  // namespace orkan
