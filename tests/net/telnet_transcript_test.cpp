// The Telnet engine's transcripts (data/telnet.txt): negotiation and record assembly, chunked as
// written and byte by byte; then what negotiation leaves in the link state, and every reason a host
// may reject the device type.
#include <gtest/gtest.h>

#include "net/telnet_codes.h"
#include "support/golden_file.h"
#include "telnet_test_support.h"

namespace orkan {
namespace {

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
    const test::TranscriptRun run = test::RunTranscript(config, mode, chunks);
    EXPECT_EQ(run.log, test::Compact(expected));
    EXPECT_EQ(test::ChunkingInvariant(run.bytewise_log), test::ChunkingInvariant(run.log));
    EXPECT_EQ(run.link.assigned_lu_name, assigned_lu);
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
    EXPECT_EQ(telnet::RejectReasonText(6), "Unknown error occurred while attempting connection");
}

}  // namespace
}  // namespace orkan
