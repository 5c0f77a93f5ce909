// The command line: every bad value is refused with a message naming the option; good ones land
// where the server and the engine read them.
#include "options.h"

#include "helpers.h"

namespace testhost {
namespace {

struct Case {
    std::vector<std::string> args;
    const char* error;  // part of the message; empty = accepted
};

TEST(CommandLine, RefusesBadValuesClearly) {
    const std::vector<Case> cases = {
        {{"--port", "65536"}, "--port wants 0 to 65535"},
        {{"--port"}, "--port needs a value"},
        {{"--port=12x"}, "--port wants"},
        {{"--once=yes"}, "--once takes no value"},
        {{"--reject", "BOGUS"}, "--reject: unknown reason"},
        {{"--functions", "BIND-IMAGE,NOPE"}, "unknown function 'NOPE'"},
        {{"--fault", "slow=abc"}, "--fault slow=abc"},
        {{"--fault", "close-after"}, "want close-after=BYTES"},
        {{"--fault", "byte-per-write=1"}, "takes no value"},
        {{"--fault", "oversize=2"}, "3 to 64 MiB"},
        {{"--stream", "0"}, "--stream wants"},
        {{"--tls-cert", "c.pem"}, "go together"},
        {{"--max-sessions", "-1"}, "--max-sessions wants"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--transfer", "mvs"}, "--transfer wants tso, cms or cics"},
        {{"--transfer-mode", "cut"}, "--transfer-mode wants auto, dft or frames"},
        {{"--transfer-limit", "63"}, "--transfer-limit wants 64 to 65535"},
        {{"--transfer-user", "TOOLONGID"}, "--transfer-user wants a TSO user id"},
        {{"--transfer", "tso", "--stream", "5"}, "exclude each other"},
        {{"--transfer", "cms", "--app", "x.app"}, "takes no --app"},
        {{"--fault", "ft-drop"}, "want ft-drop=BLOCKS"},
        {{"--fault", "ft-error=1"}, "takes no value"},
        {{"--port", "0", "--listen", "::1", "--fault", "garbage", "--fault", "refuse=3", "--no-query"}, ""},
    };
    for (const auto& c : cases) {
        Options o;
        std::string error;
        const bool ok = ParseOptions(c.args, o, error);
        if (std::string(c.error).empty()) {
            EXPECT_TRUE(ok) << error;
            continue;
        }
        EXPECT_FALSE(ok) << c.args[0];
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}

TEST(CommandLine, ValuesReachTheEngine) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--no-tn3270e", "--functions", "none", "--reject=DEVICE-IN-USE", "--fault",
                              "seed=7", "--fault", "garbage-raw=9", "--fault", "close-after=100", "--stream",
                              "5", "--stream-alternate", "--once", "--reply-timeout", "3"},
                             o, error))
        << error;
    EXPECT_FALSE(o.engine.negotiation.offer_tn3270e);
    EXPECT_TRUE(o.engine.negotiation.functions.empty());
    EXPECT_EQ(o.engine.negotiation.reject_reason, telnet::kDeviceInUse);
    EXPECT_EQ(o.engine.faults.seed, 7u);
    EXPECT_EQ(o.engine.faults.garbage_raw, 9u);
    EXPECT_EQ(o.engine.faults.close_after, 100u);
    EXPECT_EQ(o.engine.stream.count, 5);
    EXPECT_TRUE(o.engine.stream.alternate);
    EXPECT_EQ(o.max_sessions, 1);
    EXPECT_EQ(o.engine.reply_timeout, 3.0);
}

TEST(CommandLine, TransferValuesReachTheProgram) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--transfer",       "VM",
                              "--transfer-mode",  "frames",
                              "--transfer-limit", "4096",
                              "--transfer-user",  "abc",
                              "--transfer-eof",   "--transfer-no-repeat",
                              "--fault",          "ft-error",
                              "--fault",          "ft-drop=3",
                              "--fault",          "ft-no-answer",
                              "--fault",          "ft-short-sf",
                              "--fault",          "ft-oversize-sf",
                              "--fault",          "ft-no-program"},
                             o, error))
        << error;
    const ft::TransferConfig& t = o.transfer_config;
    EXPECT_TRUE(o.transfer);
    EXPECT_EQ(t.personality, ft::Personality::Cms);
    EXPECT_EQ(t.mode, ft::WireMode::Frames);
    EXPECT_EQ(t.own_limit, 4096u);
    EXPECT_EQ(t.user, "ABC");
    EXPECT_TRUE(t.eof_mark);
    EXPECT_FALSE(t.repeat_blanks);
    EXPECT_TRUE(t.faults.error_instead_of_data && t.faults.short_field && t.faults.oversize_field &&
                t.no_program);
    EXPECT_EQ(t.faults.drop_after, 3u);
    EXPECT_EQ(t.faults.stall_after, 0u);
}

TEST(CodePages, NamesAsPeopleWriteThem) {
    for (const char* name : {"IBM-037", "IBM037", "cp037", "IBM-1047", "IBM273"}) {
        Codec c;
        std::string error;
        EXPECT_TRUE(c.Open(name, error)) << name << ": " << error;
        EXPECT_EQ(c.HostByte('A'), 0xC1) << name;
    }
    for (const char* name : {"NOPE-999", "ISO-8859-1", "UTF-8"}) {
        Codec c;
        std::string error;
        EXPECT_FALSE(c.Open(name, error)) << name;
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace testhost
