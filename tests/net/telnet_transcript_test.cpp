// The Telnet engine's transcripts (data/telnet.txt): negotiation and record assembly, chunked as
// written and byte by byte.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orkan
