// The Telnet engine's transcripts (data/telnet.txt): negotiation and record assembly, chunked as
// written and byte by byte; then what negotiation leaves in the link state, and the reason a host
// may reject the device type. Beyond the transcripts: the record size limit, BIND names, the
// connection events, handlers that reply or reset, and the trace; outbound framing, the attention
// keys and the settings they are made of.
#include <gtest/gtest.h>

#include "net/telnet_codes.h"
#include "net/telnet_hex_setting.h"
#include "support/golden_file.h"
#include "telnet_test_support.h"

namespace orkan {
namespace {

using test::Engine;
using test::Mode;

class Transcripts : public testing::TestWithParam<test::GoldenCase> {};

TEST_P(Transcripts, Case) {
    const test::GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    TelnetConfig config;
    std::vector<std::string> chunks, expected;
    test::Mode mode = test::Mode::Line;
    std::string assigned_lu;
    for (const test::GoldenStep& step : c.steps) {
        if (step.verb == "offer")
            config.offer_tn3270e = step.rest == "1";
        else if (step.verb == "lu")
            config.lu_name = step.rest;
        else if (step.verb == "mode")
            mode = step.rest == "Tn3270e" ? test::Mode::Tn3270e : test::Mode::Tn3270;
        else if (step.verb == "chunk")
            chunks.push_back(step.rest);
        else if (step.verb == "assigned_lu")
            assigned_lu = step.rest;
        else
            expected.push_back(step.rest.empty() ? step.verb : step.verb + " " + step.rest);
    }
    // Fed as written, and byte by byte into another engine: both agree once adjacent writes and
    // texts are joined.
    test::Engine chunked(mode, config), bytewise(mode, config);
    for (const std::string& chunk : chunks) {
        chunked.Feed(chunk);
        for (uint8_t b : test::FromHex(chunk)) bytewise.engine.OnDataReceived(std::span(&b, 1));
    }
    EXPECT_EQ(chunked.rec.log, test::Compact(expected));
    EXPECT_EQ(test::ChunkingInvariant(bytewise.rec.log), test::ChunkingInvariant(chunked.rec.log));
    EXPECT_EQ(chunked.link.assigned_lu_name, assigned_lu);
}

INSTANTIATE_TEST_SUITE_P(Telnet, Transcripts, testing::ValuesIn(test::ReadGoldenCases("net/data/telnet.txt")),
                         test::GoldenTestName);

TEST(NegotiationState, OptionsSetTheLinkState) {
    test::Engine e(test::Mode::Line);
    e.Feed("FFFD66");
    EXPECT_EQ(e.link.ascii_host, AsciiHost::Raw);
    EXPECT_TRUE(e.link.line_mode);
    e.Feed("FFFB19");
    EXPECT_FALSE(e.link.line_mode);
    EXPECT_TRUE(e.link.remote_echo);
    e.Feed("FFFD19");
    EXPECT_EQ(e.link.ascii_host, AsciiHost::Translate);
    e.Feed("FFFC01");
    EXPECT_FALSE(e.link.remote_echo);
    e.Feed("FFFD28");
    EXPECT_TRUE(e.link.tn3270e_active);
    e.Feed("0700000000C1FFEF FFFE28");  // SSCP-LU data, then the host falls back to plain TN3270
    EXPECT_FALSE(e.link.sscp_lu_mode);
    EXPECT_EQ(e.link.current_data_type, 0);
    e.Feed("FFFD66FFFE66");  // a host's DO 102 lasts for its connection only
    e.engine.Reset();
    EXPECT_EQ(e.link.ascii_host, AsciiHost::Translate);
}

TEST(NegotiationState, DeviceTypeRejectGivesItsReason) {
    const std::pair<std::string, int> kRejects[] = {{"00", 0}, {"09", 9}, {"", 255}};
    for (const auto& [code, reason] : kRejects) {
        SCOPED_TRACE(reason);
        test::Engine e(test::Mode::Line);
        e.Feed("FFFD28");
        e.Feed("FFFA280206" + (code.empty() ? "" : "05" + code) + "FFF0");
        const std::vector<std::string> expected = {
            "out FFFB28",
            "reject " + std::to_string(reason) + " " +
                std::string(telnet::RejectReasonText(static_cast<uint8_t>(reason))),
            "out FFFC28"};
        EXPECT_EQ(e.rec.log, expected);
        EXPECT_FALSE(e.link.tn3270e_active);
    }
    EXPECT_EQ(telnet::RejectReasonText(6), "Unknown error occurred while attempting connection");
}

TEST(RecordLimits, OversizeRecordOrSubnegotiationFailsTheConnection) {
    const std::pair<std::string, std::string> kCases[] = {
        {"", "failure A record from the host is longer than 1048576 bytes"},
        {"FFFA18", "failure A subnegotiation from the host is longer than 1048576 bytes"}};
    for (const auto& [start, failure] : kCases) {
        SCOPED_TRACE(failure);
        Engine e(Mode::Tn3270);
        e.Feed(start);
        const std::vector<uint8_t> block(8000, 0x40);
        for (size_t fed = 0; fed < kMaxRecordBytes; fed += block.size())
            e.engine.OnDataReceived(std::span(block).first(std::min(block.size(), kMaxRecordBytes - fed)));
        EXPECT_TRUE(e.rec.log.empty());
        EXPECT_FALSE(e.engine.failed());
        e.Feed("40");
        ASSERT_EQ(e.rec.log.size(), 1u);
        EXPECT_EQ(e.rec.log[0].rfind(failure, 0), 0u) << e.rec.log[0];
        EXPECT_EQ(e.rec.trace.back().first, TraceType::Error);
        EXPECT_TRUE(e.engine.failed());
        e.Feed("F5FFEFFFFD18");  // ignored until the next connection
        EXPECT_EQ(e.rec.log.size(), 1u);

        e.engine.Reset();
        e.Feed("FFFD19F5FFEF");
        EXPECT_EQ(e.rec.log.back(), "record F5");
    }
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
    for (const test::TableRow& row : test::ReadTableRows("net/data/bind_names.tsv")) {
        ASSERT_EQ(row.cells.size(), 3u) << row.where;
        SCOPED_TRACE(row.where);
        Engine e(Mode::Tn3270e, {"IBM-3278-2-E", "", true, &tables});
        e.link.bound_plu_name = "OLD";
        e.Feed(head + row.cells[0] + "FFEF");
        EXPECT_EQ(e.link.current_data_type, 3);
        EXPECT_EQ(e.link.bound_plu_name, row.cells[1]);
        EXPECT_EQ(e.link.bound_secondary_name, row.cells[2]);
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

TEST(SendRecord, Framing) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/send_framing.tsv")) {
        ASSERT_EQ(row.cells.size(), 6u) << row.where;
        SCOPED_TRACE(row.where);
        Engine s(row.cells[0] == "Tn3270e" ? Mode::Tn3270e : Mode::Line);
        s.link.current_data_type = uint8_t(std::stoi(row.cells[1]));
        s.link.outbound_sequence = uint16_t(std::stoi(row.cells[2], nullptr, 16));
        s.engine.SendRecord(test::FromHex(row.cells[3]), send_flag::Send | send_flag::Trace);
        EXPECT_EQ(s.rec.log, test::Compact({"out " + row.cells[4]}));
        EXPECT_EQ(s.link.outbound_sequence, std::stoi(row.cells[5], nullptr, 16));
        EXPECT_EQ(test::ToHex(s.link.last_sent_record), row.cells[3]);
        ASSERT_EQ(s.rec.trace.size(), 1u);
        EXPECT_EQ(s.rec.trace[0].first, TraceType::Sent);
    }
}

TEST(SendRecord, WithoutSendFlagWaitsAndUntracedStaysOut) {
    Engine s(Mode::Line);
    s.engine.SendRecord(test::FromHex("F1"), 0);
    EXPECT_TRUE(s.rec.log.empty());
    s.engine.SendRecord(test::FromHex("F2"), send_flag::Send);
    EXPECT_EQ(s.rec.log, test::Compact({"out F1FFEF", "out F2FFEF"}));
    EXPECT_TRUE(s.rec.trace.empty());
}

TEST(KeySend, KeepAlive) {
    ProgramSettings settings;
    Engine line(Mode::Line);
    EXPECT_EQ(line.engine.SendKeepAlive(settings), "");
    EXPECT_EQ(line.rec.log, std::vector<std::string>{"out FFF1"});
    EXPECT_EQ(line.rec.trace.at(0).first, TraceType::Sent);
    settings.KeepAlive = "F6";
    Engine tn3270e(Mode::Tn3270e);
    EXPECT_EQ(tn3270e.engine.SendKeepAlive(settings), "");
    EXPECT_EQ(tn3270e.rec.log, std::vector<std::string>{"out FFF6"});
    settings.KeepAlive = "F1F1";  // good hex, but more than one command byte
    Engine refused(Mode::Line);
    EXPECT_NE(refused.engine.SendKeepAlive(settings), "");
    EXPECT_TRUE(refused.rec.log.empty());
    EXPECT_EQ(refused.rec.trace.at(0).first, TraceType::Error);
}

TEST(HexSetting, Parsing) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/hex_settings.tsv")) {
        ASSERT_EQ(row.cells.size(), 2u) << row.where;
        const HexSetting h = ParseHexSetting("AttnTN3270", row.cells[0]);
        EXPECT_EQ(h.ok() ? test::ToHex(h.bytes) : "error", row.cells[1]) << row.where;
        EXPECT_TRUE(h.ok() || h.error.find("AttnTN3270") != std::string::npos) << h.error;
    }
}

TEST(TelnetConfigCheck, TerminalTypeAndLuName) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/telnet_configs.tsv")) {
        ASSERT_EQ(row.cells.size(), 3u) << row.where;
        const TelnetConfig config{row.cells[0], row.cells[1], true, nullptr};
        const bool good = row.cells[2] == "yes";
        EXPECT_EQ(CheckTelnetConfig(config).empty(), good) << row.where;
        LinkState link;
        test::TelnetRecorder rec;
        if (!good) {
            EXPECT_THROW(TelnetEngine(link, config, rec), std::invalid_argument) << row.where;
        }
    }
}

}  // namespace
}  // namespace orkan
