// Screen-frame mode through the data stream: host write records carrying frames in, our AID
// records (hex), the PC file and the outcome out.
#include <gtest/gtest.h>

#include "ds3270/inbound.h"
#include "session/session_charset.h"
#include "support/hex.h"
#include "transfer/transfer_protocol.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

constexpr const char* kAck = "7D5D7B115D7B";
constexpr const char* kMark = "F1C2 115D7F114040";

std::vector<uint8_t> Frame(const char* type_hex, std::vector<uint8_t> tail = {}) {
    std::vector<uint8_t> r = FromHex(std::string(kMark) + type_hex);
    r.insert(r.end(), tail.begin(), tail.end());
    return r;
}

std::vector<uint8_t> Ebcdic(Session& s, std::string_view text) {
    std::vector<uint8_t> out;
    for (char c : text) out.push_back(DisplayToHost(s, uint8_t(c)));
    return out;
}

std::vector<uint8_t> Encoded(std::string_view bytes) {
    FrameEncoder e;
    std::vector<uint8_t> out;
    for (char c : bytes) e.Encode(uint8_t(c), out);
    return out;
}

TEST(ScreenFrames, DownloadFromStartToEnd) {
    TransferSession t;
    MemoryFile file;
    TextOptions o = t.Text();
    o.line_ends = true;
    t.StartDownload(file, o);
    EXPECT_EQ(t.Host(Frame("C3818181")), kAck);
    EXPECT_EQ(t.session().status, SessionStatus::TransferData);
    std::vector<uint8_t> data = Encoded("Line 1\r\n");
    data.push_back(0x11);  // the frame's data ends here; what follows is the host's own
    data.push_back(0x7E);
    EXPECT_EQ(t.Host(Frame("C1 404040 01", data)), kAck);
    EXPECT_EQ(t.Host(Frame("C1 404040 02", Encoded("x"))), kAck);
    EXPECT_EQ(file.written, "Line 1\nx");
    auto end = Ebcdic(t.session(), "TRANS03 File transfer complete");
    end.push_back(0x11);
    EXPECT_EQ(t.Host(Frame("C3 404040", end)), kAck);
    EXPECT_EQ(t.session().status, SessionStatus::Unlocked);
    EXPECT_TRUE(file.committed);
    EXPECT_EQ(t.events.TakeTexts(), "File transfer complete - 9 bytes | ");
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_TRUE(t.outcomes[0].success);
    EXPECT_TRUE(t.h.Screen().empty()) << "frames reached the screen:\n" << t.h.Screen();
}

TEST(ScreenFrames, UploadFramesCarryChecksumAndLengthAndEndWithEndOfFile) {
    TransferSession t;
    t.StartUpload("AB", t.Binary());
    EXPECT_EQ(t.Host(Frame("C3818181")), kAck);
    // 7E C1 C2: checksum 7D (125, alphabet 61 '3'), length 3 ('a', 'd').
    EXPECT_EQ(t.Host(Frame("C2 404040 07")), ToHex(FromHex("7D40C41140C2C1 07 F3 81 84 7EC1C2")));
    EXPECT_EQ(t.Host(Frame("C2 404040 08")), ToHex(FromHex("7D40C41140C2C1 08 E58183 5CA9")));
    EXPECT_EQ(t.session().status, SessionStatus::TransferMessage);
    auto end = Ebcdic(t.session(), "TRANS03 File transfer complete");
    end.push_back(0x5B);  // the host's '$' ends the message too
    EXPECT_EQ(t.Host(Frame("C3 404040", end)), kAck);
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_TRUE(t.outcomes[0].success);
    EXPECT_EQ(t.outcomes[0].bytes, 2u);
}

// 1,000 bytes that each need a quadrant byte would be 2,000 encoded bytes: more than a frame holds.
TEST(ScreenFrames, UploadFramesNeverExceedWhatTheFrameHolds) {
    TransferSession t;
    std::string content;
    for (int i = 0; i < 1500; ++i) content += i % 2 ? 'A' : '\0';
    t.StartUpload(content, t.Binary());
    t.Host(Frame("C3818181"));
    size_t total = 0;
    for (int sequence = 1; sequence < 10; ++sequence) {
        char type[16];
        std::snprintf(type, sizeof type, "C2 404040 %02X", sequence);
        const std::vector<uint8_t> sent = FromHex(t.Host(Frame(type)));
        ASSERT_GE(sent.size(), 13u);
        if (t.session().status == SessionStatus::TransferMessage) break;
        const size_t n = sent.size() - 11;
        EXPECT_LE(n, kUploadFrameCapacity);
        FrameDecoder d;
        std::vector<uint8_t> decoded;
        DecodeFrameData(d, std::span(sent).subspan(11), decoded);
        EXPECT_EQ(std::string(decoded.begin(), decoded.end()), content.substr(total, decoded.size()));
        total += decoded.size();
    }
    EXPECT_EQ(total, content.size());
}

TEST(ScreenFrames, EndInTrReadyAndReadModifiedResend) {
    TransferSession t;
    MemoryFile file;
    t.StartDownload(file, t.Binary());
    t.session().link.last_sent_record = FromHex("7D5D7B115D7B");
    EXPECT_EQ(t.Host("F6"), "7D5D7B115D7B");  // the host asks for our last answer again
    auto end = Ebcdic(t.session(), "TRANS05 PC file not found");
    EXPECT_EQ(t.Host(Frame("C3818194", end)), kAck);
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_FALSE(t.outcomes[0].success);
    EXPECT_EQ(t.events.texts.front(), "TRANS05 PC file not found");
    EXPECT_TRUE(file.discarded);
}

// After a write failure or a cancel the host is sent PA1, and the frame goes to the screen.
TEST(ScreenFrames, FailuresStopTheHostWithPa1) {
    for (bool cancel : {false, true}) {
        TransferSession t;
        MemoryFile file;
        file.fail_after = cancel ? size_t(-1) : 0;
        t.StartDownload(file, t.Binary());
        t.Host(Frame("C3818181"));
        if (cancel) CancelTransfer(t.session(), t.state());
        EXPECT_EQ(t.Host(Frame("C1 404040 01", Encoded("abc"))), "6C") << cancel;
        EXPECT_TRUE(file.discarded) << cancel;
        EXPECT_TRUE(file.written.empty()) << cancel;
        ASSERT_EQ(t.outcomes.size(), 1u) << cancel;
        EXPECT_FALSE(t.outcomes[0].success);
        EXPECT_EQ(t.outcomes[0].message,
                  cancel ? "Download cancelled at user request" : "/tmp/pc.file: No space left on device");
    }
}

TEST(ScreenFrames, OtherRecordsAreNotFrames) {
    struct Case {
        const char* name;
        SessionStatus status;
        const char* record;
        bool consumed;
    };
    const Case cases[] = {
        {"an ordinary write", SessionStatus::TransferData, "F1C2 11 4040 C1C2", false},
        {"the mark without a type", SessionStatus::TransferData, "F1C2 115D7F114040", false},
        {"upload request without its sequence byte", SessionStatus::TransferData, "F1C2 115D7F114040 C2 4040",
         true},
        {"unknown frame type", SessionStatus::TransferData, "F1C2 115D7F114040 C9 404040 01", true},
        {"TR_READY, not start or end", SessionStatus::TransferReady, "F1C2 115D7F114040 C1 404040 01", false},
    };
    for (const Case& c : cases) {
        TransferSession t;
        MemoryFile file;
        t.StartDownload(file, t.Binary());
        t.session().status = c.status;
        EXPECT_EQ(HandleTransferFrame(t.session(), t.state(), FromHex(c.record)), c.consumed) << c.name;
        EXPECT_TRUE(file.written.empty()) << c.name;
    }
}

}  // namespace
}  // namespace orkan
