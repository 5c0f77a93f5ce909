// Outbound framing, the attention keys and the settings they are made of.
#include <gtest/gtest.h>

#include "net/telnet_hex_setting.h"
#include "telnet_test_support.h"

namespace orkan {
namespace {

struct Sending : test::Engine {
    explicit Sending(bool tn3270e) : Engine(tn3270e ? test::Mode::Tn3270e : test::Mode::Line) {}
};

TEST(SendRecord, Framing) {
    struct Case {
        bool tn3270e;
        uint8_t data_type;
        uint16_t sequence;
        std::string record, expected;
        uint16_t sequence_after;
    };
    const Case kCases[] = {
        {false, 0, 0, "7D4040FF11", "7D4040FFFF11FFEF", 0},
        {false, 0, 0, "", "FFEF", 0},
        {false, 0, 0, "FFF3", "FFF3", 0},  // a Telnet command goes out as it is
        {true, 0, 0, "7D4040", "0000000000 7D4040 FFEF", 1},
        {true, 7, 0x12FF, "C1", "07000012FFFF C1 FFEF", 0x1300},
        {true, 0, 0xFFFF, "6D", "000000FFFFFFFF 6D FFEF", 0},
        // After the host's RESPONSE, BIND-IMAGE or NVT-DATA a key still goes out as 3270 data.
        {true, 2, 1, "7D", "0000000001 7D FFEF", 2},
        {true, 3, 1, "7D", "0000000001 7D FFEF", 2},
        {true, 5, 1, "7D", "0000000001 7D FFEF", 2},
        {true, 0, 5, "FFF4", "FFF4", 5},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.record);
        Sending s(c.tn3270e);
        s.link.current_data_type = c.data_type;
        s.link.outbound_sequence = c.sequence;
        s.engine.SendRecord(test::FromHex(c.record), send_flag::Send | send_flag::Trace);
        EXPECT_EQ(s.rec.log, test::Compact({"out " + c.expected}));
        EXPECT_EQ(s.link.outbound_sequence, c.sequence_after);
        EXPECT_EQ(test::ToHex(s.link.last_sent_record), c.record);
        ASSERT_EQ(s.rec.trace.size(), 1u);
        EXPECT_EQ(s.rec.trace[0].first, TraceType::Sent);
    }
}

TEST(SendRecord, WithoutSendFlagWaitsAndUntracedStaysOut) {
    Sending s(false);
    s.engine.SendRecord(test::FromHex("F1"), 0);
    EXPECT_TRUE(s.rec.log.empty());
    s.engine.SendRecord(test::FromHex("F2"), send_flag::Send);
    EXPECT_EQ(s.rec.log, test::Compact({"out F1FFEF", "out F2FFEF"}));
    EXPECT_TRUE(s.rec.trace.empty());
}

TEST(KeySend, KeepAlive) {
    struct Case {
        bool tn3270e;
        std::string setting;   // replaces KeepAlive when not empty
        std::string expected;  // bytes sent, or "error"
    };
    const Case kCases[] = {
        {false, "", "FFF1"},
        {true, "F6", "FFF6"},
        {false, "F1F1", "error"},
        {false, "G1", "error"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.setting);
        Sending s(c.tn3270e);
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
    const std::pair<std::string, std::string> kCases[] = {
        {"FFF4", "FFF4"},
        {"00aB", "00AB"},
        {std::string(40, '0'), std::string(40, '0')},
        {"", "error"},
        {"F", "error"},
        {"FF F4", "error"},
        {"GG", "error"},
        {std::string(42, '0'), "error"},
    };
    for (const auto& [text, expected] : kCases) {
        const HexSetting h = ParseHexSetting("AttnTN3270", text);
        EXPECT_EQ(h.ok() ? test::ToHex(h.bytes) : "error", expected) << text;
        if (!h.ok()) {
            EXPECT_NE(h.error.find("AttnTN3270"), std::string::npos);
        }
    }
}

TEST(TelnetConfigCheck, TerminalTypeAndLuName) {
    const std::pair<TelnetConfig, bool> kCases[] = {
        {{"IBM-3278-2-E", "", true, nullptr}, true},
        {{"IBM-DYNAMIC", "LU000001", true, nullptr}, true},
        {{std::string(20, 'X'), "", true, nullptr}, true},
        {{std::string(21, 'X'), "", true, nullptr}, false},
        {{"", "", true, nullptr}, false},
        {{"IBM 3278", "", true, nullptr}, false},
        {{"IBM-3278-2", std::string(33, 'L'), true, nullptr}, false},
        {{"IBM-3278-2", "LU\xFF", true, nullptr}, false},
    };
    for (const auto& [config, good] : kCases) {
        EXPECT_EQ(CheckTelnetConfig(config).empty(), good) << config.terminal_type << "/" << config.lu_name;
        LinkState link;
        test::TelnetRecorder rec;
        if (!good) {
            EXPECT_THROW(TelnetEngine(link, config, rec), std::invalid_argument);
        }
    }
}

}  // namespace
}  // namespace orkan
