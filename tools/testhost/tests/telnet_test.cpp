// The host's Telnet/TN3270E negotiation against canned client bytes: what it answers, which
// device it assigns or refuses, and how records are framed in both directions.
#include "telnet.h"

#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "helpers.h"

namespace testhost {
namespace {

using test::H;
using test::ToHex;
using Kind = TelnetServer::Event::Kind;

// Hex bytes, with "TEXT" standing for its ASCII bytes.
Bytes Wire(const std::string& text) {
    Bytes out;
    for (size_t i = 0; i < text.size();) {
        const size_t quote = text.find('"', i);
        const Bytes hex = H(text.substr(i, quote - i));
        out.insert(out.end(), hex.begin(), hex.end());
        if (quote == std::string::npos) break;
        const size_t close = text.find('"', quote + 1);
        out.insert(out.end(), text.begin() + long(quote) + 1, text.begin() + long(close));
        i = close + 1;
    }
    return out;
}

// The cases of negotiation.txt: each step's answer exactly, then the mode and the LU.
TEST(Negotiation, AnswersExactly) {
    const std::map<std::string, TelnetServer::Mode> modes = {{"Negotiating", TelnetServer::Mode::Negotiating},
                                                             {"Tn3270", TelnetServer::Mode::Tn3270},
                                                             {"Tn3270e", TelnetServer::Mode::Tn3270e},
                                                             {"Failed", TelnetServer::Mode::Failed}};
    std::ifstream file(TESTHOST_TESTS_DIR "/negotiation.txt");
    ASSERT_TRUE(file) << "no case file";
    std::unique_ptr<LuPool> pool;
    std::unique_ptr<TelnetServer> server;  // before its pool: it gives its LU back at its end
    std::string line, name;
    for (int number = 1; std::getline(file, line); ++number) {
        if (line.empty() || line[0] == '#') continue;
        SCOPED_TRACE("negotiation.txt line " + std::to_string(number) + " (" + name + ")");
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "case") {
            std::string setup;
            words >> name >> setup;
            NegotiationConfig config;
            if (setup == "refuse-in-use") config.reject_reason = telnet::kDeviceInUse;
            if (setup == "refuse-inv-name") config.reject_reason = telnet::kInvName;
            if (setup == "plain") config.offer_tn3270e = false;
            server.reset();
            pool = std::make_unique<LuPool>();
            std::string error;
            ASSERT_TRUE(pool->Parse("LU01-LU03", error)) << error;
            server = std::make_unique<TelnetServer>(config, *pool);
            server->Start();
        } else if (word == "end") {
            std::string mode, lu;
            words >> mode >> lu;
            ASSERT_TRUE(server && modes.contains(mode)) << line;
            EXPECT_EQ(server->mode(), modes.at(mode));
            EXPECT_EQ(server->lu(), lu);
            server.reset();
        } else {
            const size_t arrow = line.find("->");
            ASSERT_TRUE(server && arrow != std::string::npos) << line;
            const Bytes in = Wire(line.substr(0, arrow));
            server->Feed(in.data(), in.size());
            EXPECT_EQ(ToHex(server->TakeOutput()), ToHex(Wire(line.substr(arrow + 2))));
        }
    }
}

// IBM-3278-2-E in ASCII.
#define T2E "49 42 4d 2d 33 32 37 38 2d 32 2d 45"

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
