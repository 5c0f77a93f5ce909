// The host's Telnet/TN3270E negotiation against canned client bytes: what it answers, which
// device it assigns or refuses, and how records are framed in both directions; LU pools and
// terminal types by name.
#include "telnet.h"

#include <memory>
#include <sstream>

#include "helpers.h"

namespace testhost {
namespace {

using test::H;
using test::ToHex;
using test::Wire;
using Kind = TelnetServer::Event::Kind;

const char* KindName(Kind k) {
    static const char* names[] = {"ready", "record", "command", "failed", "note"};
    return names[static_cast<int>(k)];
}

// The events of one feed as "record SEQ HEX; command HH; note".
std::string Events(const std::vector<TelnetServer::Event>& events) {
    std::string out;
    for (const auto& e : events) {
        out += (out.empty() ? "" : "; ") + std::string(KindName(e.kind));
        if (e.kind == Kind::Record) out += " " + std::to_string(e.seq) + " " + ToHex(e.data);
        if (e.kind == Kind::Command) out += " " + ToHex(Bytes{e.command});
    }
    return out;
}

// The cases of negotiation.txt: each step's answer exactly, the events of a feed, what a record
// sent becomes, then the mode and the LU, held while the session lasts and given back at its end.
TEST(Negotiation, AnswersExactly) {
    static const char* modes[] = {"Negotiating", "Tn3270", "Tn3270e", "Failed"};
    std::unique_ptr<LuPool> pool;
    std::unique_ptr<TelnetServer> server;  // before its pool: it gives its LU back at its end
    std::string name, events;
    for (const auto& [number, line] : test::CaseLines("negotiation.txt")) {
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
            ASSERT_TRUE(server) << line;
            EXPECT_EQ(modes[static_cast<int>(server->mode())], mode);
            EXPECT_EQ(server->lu(), lu);
            EXPECT_EQ(pool->InUse(lu), !lu.empty()) << "the LU is held";
            server.reset();
            EXPECT_FALSE(pool->InUse(lu)) << "the LU is given back";
        } else if (word == "events") {
            EXPECT_EQ(events, line.substr(std::min(line.size(), size_t{7})));
        } else if (word == "send") {
            int type = 0, response = 0;
            words >> std::hex >> type >> response;
            std::string rest;
            std::getline(words, rest);
            const size_t equals = rest.find('=');
            EXPECT_EQ(server->SendRecord(Wire(rest.substr(0, equals)), static_cast<uint8_t>(type),
                                         static_cast<uint8_t>(response)),
                      std::stoi(rest.substr(equals + 1)));
        } else {
            const size_t arrow = line.find("->");
            ASSERT_TRUE(server && arrow != std::string::npos) << line;
            const Bytes in = Wire(line.substr(0, arrow));
            server->Feed(in.data(), in.size());
            EXPECT_EQ(ToHex(server->TakeOutput()), ToHex(Wire(line.substr(arrow + 2))));
            events = Events(server->TakeEvents());
        }
    }
}

// The rows of names.tsv: LU pools and terminal types.
TEST(Names, LuPoolsAndTerminalTypes) {
    for (const auto& [line, c] : test::ReadRows("names.tsv", "pool")) {
        LuPool pool;
        std::string error;
        EXPECT_EQ(pool.Parse(c.at(0), error), c.at(1) != "refused") << "names.tsv line " << line;
        if (c.at(1) == "refused") continue;
        std::istringstream names(c.at(1));
        size_t count = 0;
        for (std::string n; names >> n; ++count) EXPECT_TRUE(pool.Known(n)) << n;
        EXPECT_EQ(pool.size(), count) << "names.tsv line " << line;
    }
    for (const auto& [line, c] : test::ReadRows("names.tsv", "type")) {
        const TerminalInfo t = ParseTerminalType(c.at(0));
        EXPECT_EQ((t.known ? "known " : "unknown ") + std::string(t.extended ? "extended " : "basic ") +
                      std::to_string(t.alt_rows) + "x" + std::to_string(t.alt_cols),
                  c.at(1))
            << "names.tsv line " << line;
    }
}

}  // namespace
}  // namespace testhost
