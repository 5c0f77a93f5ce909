// Whole sessions against canned client bytes: negotiation, the query, screens chosen by rules
// on keys and field values, reads checked against the host's model, the log's masking and the
// data faults. The streaming benchmark is e2e_s3270_stream_tls_faults's, against a real terminal.
#include "engine.h"

#include <memory>

#include "helpers.h"

namespace testhost {
namespace {

using test::Cp037;
using test::E;
using test::H;
using test::ToHex;
using test::Wire;

// Splits what the host sent into records (framing and TN3270E header removed); negotiation
// between records is skipped.
std::vector<Bytes> Records(const Bytes& wire) {
    std::vector<Bytes> out;
    Bytes cur;
    for (size_t i = 0; i < wire.size(); ++i) {
        if (wire[i] != 0xFF || i + 1 >= wire.size()) {
            cur.push_back(wire[i]);
            continue;
        }
        const uint8_t cmd = wire[++i];
        if (cmd == 0xFF) {
            cur.push_back(0xFF);
        } else if (cmd == 0xEF) {
            if (cur.size() >= 5) cur.erase(cur.begin(), cur.begin() + 5);
            out.push_back(cur);
            cur.clear();
        } else if (cmd == 0xFA) {
            while (i + 1 < wire.size() && !(wire[i] == 0xFF && wire[i + 1] == 0xF0)) ++i;
            ++i;
        } else if (cmd >= 0xFB) {
            ++i;
        }
    }
    return out;
}

Bytes Framed(const Bytes& payload, uint16_t seq) {
    Bytes with_header = {0, 0, 0, static_cast<uint8_t>(seq >> 8), static_cast<uint8_t>(seq)};
    with_header.insert(with_header.end(), payload.begin(), payload.end());
    Bytes out;
    TelnetServer::Frame(with_header, out);
    return out;
}

class Session : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(script::Parse(test::TestFile("logon_menu.app"), "t", Cp037(), app_, error)) << error;
        ASSERT_TRUE(pool_.Parse("LU01", error));
        config_.app = &app_;
    }
    void Open() {
        engine_ = std::make_unique<Engine>(config_, Cp037(), pool_, log_, [] { return 1.0; });
        engine_->Start();
        Send(H("ff fb 28 ff fa 28 02 07 49 42 4d 2d 33 32 37 38 2d 32 2d 45 ff f0 ff fa 28 03 07 02 ff f0"));
    }
    void Send(const Bytes& b) { engine_->OnBytes(b.data(), b.size()); }
    void Client(const Bytes& payload) { Send(Framed(payload, seq_++)); }
    std::vector<Bytes> Sent() { return Records(engine_->TakeOutput()); }
    // Connected, the query answered, and alice logged on: the menu is up.
    void LogOnAsAlice() {
        Open();
        Client(H("88 00 04 81 80"));
        Client(Wire("7d 40 c6 11 40 c6 e\"alice\" 11 c1 d6 e\"secret\""));
        Sent();
        EXPECT_EQ(engine_->failed_checks(), 0);
    }

    script::App app_;
    LuPool pool_;
    EngineConfig config_;
    std::string log_text_;
    SessionLog log_{&log_text_};
    std::unique_ptr<Engine> engine_;
    uint16_t seq_ = 0;
};

// userid data starts at 6 (40 c6), password at 86 (c1 d6); note on the menu at 86 too.
TEST_F(Session, LogonFlowFollowsTheRulesCountsFailedChecksAndMasksThePassword) {
    Open();
    auto sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(ToHex(sent.back()), "f3 00 05 01 ff 02");  // an -E terminal is queried first
    Client(H("88 00 11 81 a6 00 00 0b 01 00 00 50 00 18 00 50 00 2b"));
    EXPECT_EQ(engine_->screen(), "logon");
    EXPECT_EQ(engine_->Variable("alt.rows"), "43");
    Sent();

    // No user id: the logon screen comes back with the password kept in its hidden field.
    Client(Wire("7d 40 c6 11 c1 d6 e\"secret\""));
    EXPECT_EQ(engine_->screen(), "logon");
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_NE(ToHex(sent[0]).find(ToHex(E(Cp037(), "secret"))), std::string::npos);

    // A wrong password is counted as a failed check, and the rules go on.
    Client(Wire("7d 40 c6 11 40 c6 e\"bob\" 11 c1 d6 e\"wrong\""));
    EXPECT_EQ(engine_->screen(), "menu");
    EXPECT_EQ(engine_->failed_checks(), 1);
    EXPECT_EQ(engine_->Variable("userid"), "bob");

    EXPECT_NE(log_text_.find("CHECK FAIL password == \"secret\""), std::string::npos) << log_text_;
    EXPECT_NE(log_text_.find("FIELD password 2,7 \"secret\""), std::string::npos) << log_text_;
    EXPECT_NE(log_text_.find("| Pass ******   "), std::string::npos) << log_text_;
    EXPECT_NE(log_text_.find("| Hello bob    "), std::string::npos);
    for (size_t p = log_text_.find("SCREEN"); p != std::string::npos; p = log_text_.find("SCREEN", p + 1)) {
        const std::string line = log_text_.substr(p, log_text_.find('\n', p) - p);
        EXPECT_EQ(line.find("secret"), std::string::npos) << line;
    }
}

TEST_F(Session, ReadBufferReplyIsComparedWithTheModel) {
    LogOnAsAlice();
    // The operator typed a note; Enter makes the host send Read Buffer.
    Client(Wire("7d c1 d9 11 c1 d6 e\"hi\""));
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ToHex(sent[0]), "f2");

    // The model now holds the note: a faithful field-mode reply (the menu, the note typed and its
    // field modified) matches.
    const auto reply = [](const std::string& note) {
        return Wire("7d c1 d6 1d 60 e\"Hello alice\" 40*4 00*64 1d 60 e\"Note\" 1d c1 e\"" + note +
                    "\" 00 1d 60 00*1830");
    };
    Client(reply("hi"));
    EXPECT_EQ(engine_->Variable("read.match"), "yes");
    EXPECT_EQ(engine_->Variable("read.note"), "hi");

    // A reply that lost a character is caught, with its place.
    Sent();
    Client(Wire("7d c1 d9 11 c1 d6 e\"hi\""));
    Sent();
    Client(reply("ho"));
    EXPECT_EQ(engine_->Variable("read.match").value_or("").rfind("no: first difference at 2,8", 0), 0u)
        << engine_->Variable("read.match").value_or("");
}

TEST_F(Session, ReadModifiedAndDisconnect) {
    LogOnAsAlice();
    Client(H("f5 c1 d6"));
    EXPECT_EQ(ToHex(Sent().at(0)), "f6");
    Client(Wire("f5 c1 d8 11 c1 d6 e\"x\""));
    EXPECT_EQ(engine_->Variable("read.values"), "note=x");
    EXPECT_EQ(engine_->Variable("read.aid"), "pf5");
    Client(H("f3 c1 d6"));
    EXPECT_TRUE(engine_->closing());
}

TEST_F(Session, MalformedInputIsAnsweredNotTrusted) {
    Open();
    Client(H("88 00 ff 81"));  // a Query Reply whose length runs past the record
    EXPECT_EQ(engine_->screen(), "logon");
    EXPECT_TRUE(engine_->Variable("query.error").has_value());
    Sent();
    Client(H("7d 40"));  // cursor cut short
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(ToHex(sent[0]), "f1 06");  // keyboard restore with alarm
    EXPECT_NE(log_text_.find("ERROR bad inbound record"), std::string::npos);
}

TEST_F(Session, DataFaultsComeBeforeTheFirstScreen) {
    config_.faults.oversize = 70000;
    config_.faults.garbage = 40;
    config_.query_on_connect = false;
    Open();
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].size(), 70000u);
    EXPECT_EQ(sent[1].size(), 40u);
    EXPECT_EQ(sent[2][0], ds::kEraseWrite);
}

}  // namespace
}  // namespace testhost
