// DFT and screen frames through the data stream on in-memory PC files: the transcripts of
// tests/transfer/data/transfers.txt (the verbs are described there, the block and frame limits
// among them), the records that are not frames, and the host's closing messages.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "ds3270/write_processor.h"
#include "session/session_charset.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "transfer/host_message.h"
#include "transfer/transfer_protocol.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

std::string Blankless(std::string text) {
    std::erase(text, ' ');
    for (char& c : text) c = char(std::toupper(uint8_t(c)));
    return text;
}

// Hex (HH*N for N bytes HH) and quoted pieces: "TEXT" as written, e"TEXT" in the host code page,
// f"TEXT" as frame data.
std::vector<uint8_t> Bytes(Session& s, const std::string& text) {
    static const std::regex kPiece(R"re(([ef]?)("(?:[^"\\]|\\.)*")|(\S+))re");
    std::vector<uint8_t> out;
    FrameEncoder frame;
    for (std::sregex_iterator m(text.begin(), text.end(), kPiece), end; m != end; ++m) {
        const std::string w = (*m)[3], kind = (*m)[1];
        EXPECT_EQ(w.find('"'), std::string::npos) << "no closing quote in " << text;
        const size_t star = w.find('*');
        const auto once = FromHex(w.substr(0, star));
        for (int n = star == std::string::npos ? 1 : std::stoi(w.substr(star + 1)); n > 0; --n)
            out.insert(out.end(), once.begin(), once.end());
        for (char c : (*m)[2].matched ? GoldenValue((*m)[2].str()) : "") {
            if (kind == "e")
                out.push_back(DisplayToHost(s, uint8_t(c)));
            else if (kind == "f")
                frame.Encode(uint8_t(c), out);
            else
                out.push_back(uint8_t(c));
        }
    }
    return out;
}

SessionStatus StatusNamed(const std::string& name) {
    for (int i = 0; i <= int(SessionStatus::History); ++i)
        if (StatusName(SessionStatus(i)) == name) return SessionStatus(i);
    ADD_FAILURE() << "no status " << name;
    return SessionStatus::NotConnected;
}

class Transfer : public testing::TestWithParam<GoldenCase> {};

TEST_P(Transfer, Case) {
    const GoldenCase& c = GetParam();
    SCOPED_TRACE(c.where);
    TransferSession t;
    Session& s = t.session();
    MemoryFile file;
    const auto options = [&](std::istringstream& words) {
        std::string mode, crlf;
        words >> mode >> std::ws;
        TextOptions o = mode == "text" ? t.Text() : t.Binary();
        o.line_ends = words.peek() == 'c';
        if (o.line_ends) words >> crlf;
        return o;
    };
    const auto host = [&](const std::vector<uint8_t>& record) {
        EXPECT_EQ(t.h.TakeSent(), "") << "sent and not checked";
        ProcessHostRecord(s, record);
    };
    for (const GoldenStep& step : c.steps) {
        SCOPED_TRACE("line " + std::to_string(step.line) + ": " + step.verb + " " + step.rest);
        const std::string value = GoldenValue(step.rest);
        const auto [first, second] = SplitWord(step.rest);
        std::istringstream words(step.rest);
        const std::string& v = step.verb;
        if (v == "download") {
            t.StartDownload(file, options(words));
        } else if (v == "upload") {
            const TextOptions o = options(words);
            std::string rest;
            std::getline(words >> std::ws, rest);
            size_t piece = 1 << 20;
            if (rest.starts_with("piece=")) {
                piece = std::stoul(rest.substr(6));
                rest = SplitWord(rest).second;
            }
            const auto content = Bytes(s, rest);
            t.StartUpload(std::string(content.begin(), content.end()), o, piece);
        } else if (v == "block") {
            s.record.SetNumber(field::TransferBlockSize, uint32_t(std::stoul(value)));
        } else if (v == "fail_after") {
            file.fail_after = std::stoul(value);
        } else if (v == "commit_error") {
            file.commit_error = std::stoi(value);
        } else if (v == "set_status") {
            s.status = StatusNamed(value);
        } else if (v == "direction") {
            t.state().direction = TransferDirection::None;
        } else if (v == "last_sent") {
            s.link.last_sent_record = FromHex(value);
        } else if (v == "cancel") {
            CancelTransfer(s, t.state());
        } else if (v == "read_fails_at") {
            t.source->fail_at = std::stoul(value);
        } else if (v == "host") {
            host(Bytes(s, step.rest));
        } else if (v == "open") {
            host(Wsf({OpenField(value)}));
        } else if (v == "insert") {
            const auto data = Bytes(s, step.rest);
            host(Wsf({InsertField(std::string(data.begin(), data.end()))}));
        } else if (v == "close") {
            host(Wsf({CloseField()}));
        } else if (v == "get") {
            host(Wsf({GetField()}));
        } else if (v == "sent") {
            EXPECT_EQ(Blankless(t.h.TakeSent()), Blankless(ToHex(Bytes(s, value))));
        } else if (v == "status") {
            EXPECT_EQ(StatusName(s.status), value);
        } else if (v == "count") {
            EXPECT_EQ(s.indicators.transfer_count, value);
        } else if (v == "file") {
            const size_t end = step.rest.rfind(' ');
            EXPECT_EQ(file.written, GoldenValue(step.rest.substr(0, end)));
            const std::string state = step.rest.substr(end + 1);
            EXPECT_EQ(file.committed, state == "committed");
            EXPECT_EQ(file.discarded, state == "discarded");
        } else if (v == "texts") {
            EXPECT_EQ(t.events.TakeTexts(), value);
        } else if (v == "ended") {
            ASSERT_EQ(t.outcomes.size(), 1u);
            EXPECT_EQ(t.outcomes[0].success, first == "ok");
            EXPECT_EQ(first == "ok" ? std::to_string(t.outcomes[0].bytes) : t.outcomes[0].message, second);
        } else if (v == "notice") {
            ASSERT_EQ(t.outcomes.size(), 1u);
            EXPECT_EQ(t.outcomes[0].notice, value);
        } else if (v == "macro_state") {
            static const char* names[] = {"none", "requested", "ended"};
            EXPECT_EQ(names[int(t.state().macro_state)], value);
        } else if (v == "screen_blank") {
            EXPECT_TRUE(t.h.Screen().empty()) << "frames reached the screen:\n" << t.h.Screen();
        } else {
            ADD_FAILURE() << "unknown verb";
        }
    }
    EXPECT_EQ(t.h.TakeSent(), "") << "sent and not checked";
}

// The rows of data/not_frames.tsv.
TEST(ScreenFrames, OtherRecordsAreNotFrames) {
    for (const TableRow& row : ReadTableRows("transfer/data/not_frames.tsv")) {
        SCOPED_TRACE(row.where);
        TransferSession t;
        MemoryFile file;
        t.StartDownload(file, t.Binary());
        t.session().status = StatusNamed(row.cells[1]);
        EXPECT_EQ(HandleTransferFrame(t.session(), t.state(), FromHex(row.cells[2])),
                  row.cells[3] == "consumed");
        EXPECT_TRUE(file.written.empty());
    }
}

TEST(HostMessage, TheIdentifierDecidesAndTheTextIsNotCutAtAFixedPlace) {
    for (const TableRow& row : ReadTableRows("transfer/data/host_messages.tsv")) {
        const HostMessage m = SplitHostMessage(row.cells[0]);
        EXPECT_EQ(m.identifier, row.cells[1]) << row.where;
        EXPECT_EQ(m.text, row.cells[2]) << row.where;
        EXPECT_EQ(IsCompletionMessage(m), row.cells[3] == "complete") << row.where;
    }
    const std::vector<uint8_t> raw = {'T', 'R', 0x00, 'A', '\n', '$', 'x'};
    EXPECT_EQ(CleanHostMessage(raw, 100), "TR A");
    EXPECT_EQ(CleanHostMessage(std::vector<uint8_t>(300, 'a'), 160).size(), 160u);
}

INSTANTIATE_TEST_SUITE_P(Transfers, Transfer,
                         testing::ValuesIn(ReadGoldenCases("transfer/data/transfers.txt")), GoldenTestName);

}  // namespace
}  // namespace orkan
