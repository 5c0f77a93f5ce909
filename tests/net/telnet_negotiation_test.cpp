// Negotiation transcripts: host bytes in, replies and events out, byte-exact.
#include <gtest/gtest.h>

#include "net/telnet_codes.h"
#include "telnet_test_support.h"

namespace orkan {
namespace {

using test::Ascii;

const std::string kType = Ascii("IBM-3278-2-E");

struct NegotiationCase {
    std::string name;
    bool offer_tn3270e;
    std::string lu;
    std::vector<std::string> chunks;
    std::vector<std::string> expected;
    std::string assigned_lu = "";
};

void PrintTo(const NegotiationCase& c, std::ostream* os) {
    *os << c.name;
}

const NegotiationCase kCases[] = {
    {"PlainServerFullSequence",
     false,
     "",
     {"FFFD18", "FFFA1801FFF0", "FFFD19FFFB19FFFD00FFFB00", "F5C3114040 1DF0C8C5D3D3D6 FFEF"},
     {"out FFFB18", "out FFFA1800" + kType + "FFF0", "out FFFB19 FFFD19 FFFB00 FFFD00",
      "record F5C3114040 1DF0C8C5D3D3D6"}},
    {"PlainServerWithLuWhileTn3270eOffered",
     true,
     "LU01",
     {"FFFD18", "FFFA1801FFF0"},
     {"out FFFB18", "out FFFA1800" + kType + "40" + Ascii("LU01") + "FFF0"}},
    {"NoLuInTerminalTypeWhenTn3270eOff", false, "LU01", {"FFFA1801FFF0"}, {"out FFFA1800" + kType + "FFF0"}},
    {"Tn3270eWithoutLu",
     true,
     "",
     {"FFFD28", "FFFA280802FFF0", "FFFA280204" + kType + "FFF0", "FFFA280304000204FFF0",
      "0000000000 F5C3 FFEF"},
     {"out FFFB28", "out FFFA280207" + kType + "FFF0", "out FFFA2803 07 000204 FFF0", "record F5C3"}},
    {"Tn3270eWithLu",
     true,
     "LU01",
     {"FFFD28", "FFFA280802FFF0", "FFFA280204" + kType + "01" + Ascii("TCP00001") + "FFF0"},
     {"out FFFB28", "out FFFA280207" + kType + "01" + Ascii("LU01") + "FFF0", "out FFFA2803 07 000204 FFF0"},
     "TCP00001"},
    {"DeviceTypeMismatchGetsNoFunctions",
     true,
     "",
     {"FFFD28", "FFFA280204" + Ascii("IBM-3278-4-E") + "FFF0", "FFFA280204" + kType + "58FFF0",
      "FFFA280204" + kType + "01" + "FFF0"},
     {"out FFFB28"}},
    {"FunctionsRequestIsAccepted",
     true,
     "",
     {"FFFD28", "FFFA2803070002FFF0"},
     {"out FFFB28", "out FFFA2803040002FFF0"}},
    {"Tn3270eNotOffered", false, "", {"FFFD28", "FFFA280802FFF0"}, {"out FFFC28"}},
    {"TerminalTypeIgnoredUnderTn3270e", true, "", {"FFFD28", "FFFA1801FFF0"}, {"out FFFB28"}},
    {"UnknownOptions", true, "", {"FFFB05", "FFFD05", "FFFE05", "FFFC05"}, {"out FFFE05", "out FFFC05"}},
    {"EchoAndSuppressGoAhead",
     true,
     "",
     {"FFFB01", "FFFC01", "FFFB03", "FFFC03"},
     {"out FFFD01", "erase", "out FFFE01", "out FFFD03", "out FFFE03"}},
    {"BinaryAndAsciiHost", true, "", {"FFFD00FFFB00FFFD66"}, {"out FFFB00 FFFD00 FFFB66"}},
    {"Tn3270eWithdrawn",
     true,
     "",
     {"FFFD28", "FFFB28", "FFFE28", "FFFB28", "FFFC28"},
     {"out FFFB28", "out FFFD28", "out FFFC28", "out FFFE28", "out FFFC28"}},
    {"MalformedSubnegotiationsSkipped", false, "", {"FFFA180102FFF0", "FFFA1801FF41"}, {"text 41"}},
    {"NopSeAndOtherCommandsDoNothing", false, "", {"FFF1FFF0FFF2FFF9"}, {}},
};

class Negotiation : public testing::TestWithParam<NegotiationCase> {};

TEST_P(Negotiation, Transcript) {
    const NegotiationCase& c = GetParam();
    const TelnetConfig config{"IBM-3278-2-E", c.lu, c.offer_tn3270e, nullptr};
    const test::TranscriptRun run = test::RunTranscript(config, {}, c.chunks);
    EXPECT_EQ(run.log, test::Compact(c.expected));
    EXPECT_EQ(test::ChunkingInvariant(run.bytewise_log), test::ChunkingInvariant(run.log));
    EXPECT_EQ(run.link.assigned_lu_name, c.assigned_lu);
}

INSTANTIATE_TEST_SUITE_P(Telnet, Negotiation, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

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
}

TEST(NegotiationState, DeviceTypeRejectEveryReason) {
    const std::pair<std::string, int> kRejects[] = {{"00", 0}, {"01", 1}, {"02", 2}, {"03", 3},
                                                    {"04", 4}, {"05", 5}, {"09", 9}, {"", 255}};
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
    EXPECT_EQ(telnet::RejectReasonText(5),
              "The requested device name is incompatible with the requested device type.\n"
              "(LUNAME specification may be invalid)");
    EXPECT_EQ(telnet::RejectReasonText(6), "Unknown error occurred while attempting connection");
}

}  // namespace
}  // namespace orkan
