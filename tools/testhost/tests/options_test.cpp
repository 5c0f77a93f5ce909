// The command line: every bad value is refused with a message naming the option; good ones land
// where the server and the engine read them.
#include "options.h"

#include "helpers.h"

namespace testhost {
namespace {

TEST(CommandLine, RefusesBadValuesClearly) {
    for (const auto& [line, c] : test::ReadRows("options.tsv", "cmd")) {
        Options o;
        std::string error;
        const bool ok = ParseOptions(std::vector<std::string>(c.begin() + 1, c.end()), o, error);
        EXPECT_EQ(ok, c.at(0) == "ok") << "options.tsv line " << line << ": " << error;
        if (!ok) {
            EXPECT_NE(error.find(c.at(0)), std::string::npos) << error;
        }
    }
}

// --no-tn3270e, --stream, --stream-alternate, --once and close-after are checked by what they do,
// in the end-to-end scripts against s3270 and the program; the transfer faults' options in
// faults_e2e_test.cpp.
TEST(CommandLine, ValuesReachTheEngineAndTheTransferProgram) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions(
        {"--functions", "none", "--reject=DEVICE-IN-USE", "--fault", "seed=7", "--fault", "garbage-raw=9",
         "--reply-timeout", "3", "--transfer", "VM", "--transfer-mode", "frames", "--transfer-limit", "4096",
         "--transfer-user", "abc", "--transfer-eof", "--transfer-no-repeat"},
        o, error))
        << error;
    EXPECT_TRUE(o.engine.negotiation.functions.empty());
    EXPECT_EQ(o.engine.negotiation.reject_reason, telnet::kDeviceInUse);
    EXPECT_EQ(o.engine.faults.seed, 7u);
    EXPECT_EQ(o.engine.faults.garbage_raw, 9u);
    EXPECT_EQ(o.engine.reply_timeout, 3.0);
    const ft::TransferConfig& t = o.transfer_config;
    EXPECT_TRUE(o.transfer);
    EXPECT_EQ(t.personality, ft::Personality::Cms);
    EXPECT_EQ(t.mode, ft::WireMode::Frames);
    EXPECT_EQ(t.own_limit, 4096u);
    EXPECT_EQ(t.user, "ABC");
    EXPECT_TRUE(t.eof_mark);
    EXPECT_FALSE(t.repeat_blanks);
}

TEST(CodePages, NamesAsPeopleWriteThem) {
    for (const auto& [line, c] : test::ReadRows("options.tsv", "codepage")) {
        Codec codec;
        std::string error;
        EXPECT_EQ(codec.Open(c.at(0), error), c.at(1) == "ok")
            << "options.tsv line " << line << ": " << error;
        if (c.at(1) == "ok") {
            EXPECT_EQ(codec.HostByte('A'), 0xC1) << c.at(0);
        } else {
            EXPECT_FALSE(error.empty()) << c.at(0);
        }
    }
}

}  // namespace
}  // namespace testhost
