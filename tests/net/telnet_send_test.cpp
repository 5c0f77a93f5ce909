// Outbound framing, the attention keys and the settings they are made of.
#include <gtest/gtest.h>

#include "net/telnet_hex_setting.h"
#include "support/golden_file.h"
#include "telnet_test_support.h"

namespace orkan {
namespace {

using test::Engine;
using test::Mode;

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
    struct Case {
        Mode mode;
        std::string setting;   // replaces KeepAlive when not empty
        std::string expected;  // bytes sent, or "error"
    };
    const Case kCases[] = {
        {Mode::Line, "", "FFF1"},
        {Mode::Tn3270e, "F6", "FFF6"},
        {Mode::Line, "F1F1", "error"},  // good hex, but more than one command byte
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.setting);
        Engine s(c.mode);
        ProgramSettings settings;
        if (!c.setting.empty()) settings.KeepAlive = c.setting;
        const std::string error = s.engine.SendKeepAlive(settings);
        if (c.expected == "error") {
            EXPECT_FALSE(error.empty());
            EXPECT_TRUE(s.rec.log.empty());
            EXPECT_EQ(s.rec.trace.at(0).first, TraceType::Error);
            continue;
        }
        EXPECT_TRUE(error.empty()) << error;
        EXPECT_EQ(s.rec.log, std::vector<std::string>{"out " + c.expected});
        EXPECT_EQ(s.rec.trace.at(0).first, TraceType::Sent);
    }
}

TEST(HexSetting, Parsing) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/hex_settings.tsv")) {
        ASSERT_EQ(row.cells.size(), 2u) << row.where;
        const HexSetting h = ParseHexSetting("AttnTN3270", row.cells[0]);
        EXPECT_EQ(h.ok() ? test::ToHex(h.bytes) : "error", row.cells[1]) << row.where;
        if (!h.ok()) {
            EXPECT_NE(h.error.find("AttnTN3270"), std::string::npos);
        }
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
