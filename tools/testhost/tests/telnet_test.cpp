// The host's Telnet/TN3270E negotiation against canned client bytes: what it answers, which
// device it assigns or refuses, and how records are framed in both directions.
#include "telnet.h"

#include <memory>

#include "helpers.h"

namespace testhost {
namespace {

using test::H;
using test::ToHex;
using Kind = TelnetServer::Event::Kind;

struct Step {
    const char* client;    // bytes the client sends (hex)
    const char* expected;  // bytes the host answers (hex), exactly
};

// How the host is set up for a case (a plain value, so the case table stays a constant).
enum class Setup { Default, RefuseInUse, RefuseInvName, Plain };

NegotiationConfig ConfigFor(Setup s) {
    NegotiationConfig c;
    if (s == Setup::RefuseInUse) c.reject_reason = telnet::kDeviceInUse;
    if (s == Setup::RefuseInvName) c.reject_reason = telnet::kInvName;
    if (s == Setup::Plain) c.offer_tn3270e = false;
    return c;
}

struct NegotiationCase {
    const char* name;
    Setup setup;
    std::vector<Step> steps;
    TelnetServer::Mode mode;  // after the last step
    const char* lu;
};

// IBM-3278-2-E in ASCII.
#define T2E "49 42 4d 2d 33 32 37 38 2d 32 2d 45"
#define LU1 "4c 55 30 31"  // LU01
#define LU2 "4c 55 30 32"  // LU02

const std::vector<NegotiationCase> kCases = {
    {"tn3270e_with_connect",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " 01 " LU2 " ff f0", "ff fa 28 02 04 " T2E " 01 " LU2 " ff f0"},
      {"ff fa 28 03 07 00 02 04 ff f0", "ff fa 28 03 04 00 02 04 ff f0"}},
     TelnetServer::Mode::Tn3270e,
     "LU02"},
    {"tn3270e_pool_assigns_first_free",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " ff f0", "ff fa 28 02 04 " T2E " 01 " LU1 " ff f0"},
      {"ff fa 28 03 07 02 ff f0", "ff fa 28 03 04 02 ff f0"}},
     TelnetServer::Mode::Tn3270e,
     "LU01"},
    {"functions_not_offered_are_taken_out",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " ff f0", "ff fa 28 02 04 " T2E " 01 " LU1 " ff f0"},
      {"ff fa 28 03 07 00 01 02 03 04 ff f0", "ff fa 28 03 07 00 02 04 ff f0"},
      {"ff fa 28 03 04 00 02 ff f0", ""}},
     TelnetServer::Mode::Tn3270e,
     "LU01"},
    {"unknown_lu_is_inv_name",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " 01 58 58 ff f0", "ff fa 28 02 06 05 03 ff f0"}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"configured_reason_is_sent",
     Setup::RefuseInUse,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " ff f0", "ff fa 28 02 06 05 01 ff f0"}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"associate_is_refused",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " 00 " LU1 " ff f0", "ff fa 28 02 06 05 02 ff f0"}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"printer_type_is_refused",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 49 42 4d 2d 33 32 38 37 2d 31 ff f0", "ff fa 28 02 06 05 04 ff f0"}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"refused_tn3270e_falls_back_in_the_usual_order",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fc 28", "ff fd 18"},
      {"ff fb 18", "ff fa 18 01 ff f0"},
      {"ff fa 18 00 49 42 4d 2d 33 32 37 38 2d 32 ff f0", "ff fd 19 ff fb 19 ff fd 00 ff fb 00"},
      {"ff fb 19 ff fd 19 ff fb 00", ""},
      {"ff fd 00", ""}},
     TelnetServer::Mode::Tn3270,
     "LU01"},
    {"reject_then_refusal_falls_back",
     Setup::RefuseInvName,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 " T2E " ff f0", "ff fa 28 02 06 05 03 ff f0"},
      {"ff fc 28", "ff fe 28 ff fd 18"}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"plain_only_with_lu_in_terminal_type",
     Setup::Plain,
     {{"", "ff fd 18"},
      {"ff fb 18", "ff fa 18 01 ff f0"},
      {"ff fa 18 00 49 42 4d 2d 33 32 37 38 2d 32 40 " LU2 " ff f0", "ff fd 19 ff fb 19 ff fd 00 ff fb 00"},
      {"ff fb 19 ff fd 19 ff fb 00 ff fd 00", ""}},
     TelnetServer::Mode::Tn3270,
     "LU02"},
    {"plain_refusing_eor_fails",
     Setup::Plain,
     {{"", "ff fd 18"},
      {"ff fb 18", "ff fa 18 01 ff f0"},
      {"ff fa 18 00 49 42 4d 2d 33 32 37 38 2d 32 ff f0", "ff fd 19 ff fb 19 ff fd 00 ff fb 00"},
      {"ff fc 19", ""}},
     TelnetServer::Mode::Failed,
     "LU01"},
    {"plain_vt100_is_not_served",
     Setup::Plain,
     {{"", "ff fd 18"}, {"ff fb 18", "ff fa 18 01 ff f0"}, {"ff fa 18 00 56 54 31 30 30 ff f0", ""}},
     TelnetServer::Mode::Failed,
     ""},
    {"unknown_options_are_refused_once",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 05 ff fd 05 ff fb 05", "ff fe 05 ff fc 05 ff fe 05"},
      {"ff fc 05 ff fe 05", ""}},
     TelnetServer::Mode::Negotiating,
     ""},
    {"malformed_subnegotiation_is_skipped",
     Setup::Default,
     {{"", "ff fd 28"},
      {"ff fb 28", "ff fa 28 08 02 ff f0"},
      {"ff fa 28 02 07 ff f1 ff fa 28 02 ff f0", ""},
      {"ff fa 28 02 07 " T2E " ff f0", "ff fa 28 02 04 " T2E " 01 " LU1 " ff f0"}},
     TelnetServer::Mode::Negotiating,
     "LU01"},
};

class Negotiation : public ::testing::TestWithParam<NegotiationCase> {};

TEST_P(Negotiation, AnswersExactly) {
    const NegotiationCase& c = GetParam();
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01-LU03", error)) << error;
    TelnetServer server(ConfigFor(c.setup), pool);
    server.Start();
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const Bytes in = H(c.steps[i].client);
        server.Feed(in.data(), in.size());
        EXPECT_EQ(ToHex(server.TakeOutput()), ToHex(H(c.steps[i].expected))) << "step " << i;
    }
    EXPECT_EQ(server.mode(), c.mode);
    EXPECT_EQ(server.lu(), c.lu);
}

INSTANTIATE_TEST_SUITE_P(Telnet, Negotiation, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

std::unique_ptr<TelnetServer> Tn3270eSession(LuPool& pool) {
    auto s = std::make_unique<TelnetServer>(NegotiationConfig{}, pool);
    s->Start();
    const Bytes in = H("ff fb 28 ff fa 28 02 07 " T2E " ff f0 ff fa 28 03 07 02 ff f0");
    s->Feed(in.data(), in.size());
    s->TakeOutput();
    s->TakeEvents();
    return s;
}

TEST(TelnetRecords, SplitRecordWithDoubledIacArrivesOnceWithItsHeader) {
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01", error));
    TelnetServer s({}, pool);
    s.Start();
    const Bytes neg = H("ff fb 28 ff fa 28 02 07 " T2E " ff f0 ff fa 28 03 07 02 ff f0");
    s.Feed(neg.data(), neg.size());
    ASSERT_EQ(s.mode(), TelnetServer::Mode::Tn3270e);
    s.TakeEvents();
    const Bytes part1 = H("00 00 00 00 07 7d 5b ff");
    const Bytes part2 = H("ff 60 ff ef");
    s.Feed(part1.data(), part1.size());
    EXPECT_TRUE(s.TakeEvents().empty());
    s.Feed(part2.data(), part2.size());
    auto events = s.TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Record);
    EXPECT_EQ(events[0].seq, 7);
    EXPECT_EQ(ToHex(events[0].data), "7d 5b ff 60");
}

TEST(TelnetRecords, ShortTn3270eRecordIsDroppedWithANote) {
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01", error));
    auto session = Tn3270eSession(pool);
    TelnetServer& s = *session;
    const Bytes in = H("00 00 ff ef");
    s.Feed(in.data(), in.size());
    auto events = s.TakeEvents();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, Kind::Note);
}

TEST(TelnetRecords, OutboundHeaderCountsAndDoublesIac) {
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01", error));
    auto session = Tn3270eSession(pool);
    TelnetServer& s = *session;
    EXPECT_EQ(s.SendRecord(H("f1 c3 ff")), 0);
    EXPECT_EQ(s.SendRecord(H("f5"), telnet::k3270Data, telnet::kAlwaysResponse), 1);
    EXPECT_EQ(ToHex(s.TakeOutput()), "00 00 00 00 00 f1 c3 ff ff ff ef 00 00 02 00 01 f5 ff ef");
}

TEST(TelnetRecords, CommandsBetweenRecordsBecomeEvents) {
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01", error));
    auto session = Tn3270eSession(pool);
    TelnetServer& s = *session;
    const Bytes in = H("ff f4 ff f5 ff f1");
    s.Feed(in.data(), in.size());
    auto events = s.TakeEvents();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].command, telnet::IP);
    EXPECT_EQ(events[1].command, telnet::AO);
    EXPECT_EQ(events[2].command, telnet::NOP);
}

TEST(TelnetRecords, LuIsReleasedWhenTheSessionEnds) {
    LuPool pool;
    std::string error;
    ASSERT_TRUE(pool.Parse("LU01", error));
    {
        auto session = Tn3270eSession(pool);
        TelnetServer& s = *session;
        EXPECT_EQ(s.lu(), "LU01");
        EXPECT_TRUE(pool.InUse("LU01"));
    }
    EXPECT_FALSE(pool.InUse("LU01"));
}

struct PoolCase {
    const char* text;
    bool ok;
    std::vector<std::string> names;
};

TEST(LuPoolText, RangesAndLists) {
    const std::vector<PoolCase> cases = {
        {"A,B", true, {"A", "B"}}, {"TST008-TST011", true, {"TST008", "TST009", "TST010", "TST011"}},
        {"X1-Y3", false, {}},      {"LU5-LU1", false, {}},
        {"LU1-LU02", false, {}},   {"TOOLONGNAME", false, {}},
        {"BAD NAME", false, {}},   {"", true, {}},
    };
    for (const auto& c : cases) {
        LuPool pool;
        std::string error;
        EXPECT_EQ(pool.Parse(c.text, error), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(pool.size(), c.names.size()) << c.text;
        for (const auto& n : c.names) EXPECT_TRUE(pool.Known(n)) << n;
    }
}

TEST(TerminalTypes, ModelsAndExtendedAttributes) {
    struct Case {
        const char* type;
        bool known, extended;
        int rows, cols;
    };
    const Case cases[] = {
        {"IBM-3278-2", true, false, 24, 80},  {"IBM-3279-3-E", true, true, 32, 80},
        {"IBM-3278-4-E", true, true, 43, 80}, {"IBM-3278-5", true, false, 27, 132},
        {"IBM-DYNAMIC", true, true, 24, 80},  {"IBM-3278-6", false, false, 24, 80},
        {"IBM-3287-1", false, false, 24, 80}, {"IBM-3278-2-X", false, false, 24, 80},
    };
    for (const auto& c : cases) {
        const TerminalInfo t = ParseTerminalType(c.type);
        EXPECT_EQ(t.known, c.known) << c.type;
        EXPECT_EQ(t.extended, c.extended) << c.type;
        EXPECT_EQ(t.alt_rows, c.rows) << c.type;
        EXPECT_EQ(t.alt_cols, c.cols) << c.type;
    }
}

}  // namespace
}  // namespace testhost
