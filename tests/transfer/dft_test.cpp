// DFT mode through the data stream: host structured fields in, our answers (hex), the PC file, the
// progress texts and the outcome out.
#include <gtest/gtest.h>

#include "support/hex.h"
#include "transfer/host_message.h"
#include "transfer/transfer_protocol.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

struct Step {
    std::vector<uint8_t> host;
    const char* sent;  // hex, records joined by " | "
    SessionStatus after;
};

void Play(TransferSession& t, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(t.Host(steps[i].host), ToHex(FromHex(steps[i].sent))) << "step " << i;
        EXPECT_EQ(t.session().status, steps[i].after) << "step " << i;
    }
}

constexpr auto Ready = SessionStatus::TransferReady;
constexpr auto Data = SessionStatus::TransferData;
constexpr auto Message = SessionStatus::TransferMessage;
constexpr auto Unlocked = SessionStatus::Unlocked;

constexpr const char* kOpenAck = "880005D00009";
constexpr const char* kCloseAck = "880005D04109";
constexpr const char* kGetEof = "880009D04608690422 00";
constexpr const char* kInsertRefused = "880009D04708690447 00";
std::string InsertAck(int n) {
    char text[32];
    std::snprintf(text, sizeof text, "88000BD047056306%08X", n);
    return text;
}

TEST(Dft, TextDownloadWritesTheFileOnlyWhenTheHostSaysComplete) {
    TransferSession t;
    MemoryFile file;
    TextOptions o = t.Text();
    o.line_ends = true;
    t.StartDownload(file, o);
    const std::string ack1 = InsertAck(1), ack2 = InsertAck(2), ack3 = InsertAck(3);
    Play(t, {
                {Wsf({OpenField("FT:DATA")}), kOpenAck, Data},
                {Wsf({InsertField("Hello\r")}), ack1.c_str(), Data},
                {Wsf({InsertField("\nWorld\r\n")}), ack2.c_str(), Data},
                {Wsf({CloseField()}), kCloseAck, Data},
            });
    EXPECT_EQ(t.session().indicators.transfer_count, "14");
    EXPECT_FALSE(file.committed);
    Play(t,
         {
             {Wsf({OpenField("FT:MSG ")}), kOpenAck, Message},
             {Wsf({InsertField("TRANS03 File transfer complete$ and what follows")}), ack3.c_str(), Unlocked},
             {Wsf({CloseField()}), "", Unlocked},  // the transfer is over: no longer ours
         });
    EXPECT_EQ(file.written, "Hello\nWorld\n");
    EXPECT_TRUE(file.committed);
    EXPECT_EQ(t.events.TakeTexts(), "File transfer complete - 14 bytes | ");
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_TRUE(t.outcomes[0].success);
    EXPECT_EQ(t.outcomes[0].bytes, 14u);
    EXPECT_EQ(t.state().macro_state, TransferMacroState::Ended);
    EXPECT_TRUE(t.session().indicators.transfer_count.empty());
}

TEST(Dft, UploadSendsBlocksThenEndOfFile) {
    TransferSession t;
    TextOptions o = t.Text();
    o.line_ends = true;
    t.StartUpload("AB\nC", o);
    Play(t, {
                {Wsf({OpenField("FT:DATA")}), kOpenAck, Data},
                {Wsf({GetField()}), "880015 D04605 6306 00000001 C08061 000A 41420D0A43", Data},
                {Wsf({GetField()}), kGetEof, Data},
                {Wsf({CloseField()}), kCloseAck, Data},
                {Wsf({OpenField("FT:MSG ")}), kOpenAck, Message},
                {Wsf({InsertField("TRANS03 File transfer complete")}), InsertAck(2).c_str(), Unlocked},
            });
    EXPECT_EQ(t.events.TakeTexts(), "File transfer complete - 5 bytes | ");
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_TRUE(t.outcomes[0].success);
}

// The announced inbound limit holds even when every byte grows into two.
TEST(Dft, LineEndGrowthStaysWithinTheBlockSize) {
    TransferSession t;
    t.session().record.SetNumber(field::TransferBlockSize, 256);
    TextOptions o = t.Text();
    o.line_ends = true;
    t.StartUpload(std::string(301, '\n'), o);
    t.Host(Wsf({OpenField("FT:DATA")}));
    size_t total = 0;
    for (int i = 0; i < 10; ++i) {
        const std::vector<uint8_t> sent = FromHex(t.Host(Wsf({GetField()})));
        if (ToHex(sent) == ToHex(FromHex(kGetEof))) break;
        const size_t n = sent.size() - 17;
        EXPECT_LE(n, 256u);
        EXPECT_EQ(n % 2, 0u) << "a CR LF pair was split";
        total += n;
    }
    EXPECT_EQ(total, 602u);
}

TEST(Dft, HostErrorMessageFailsTheDownloadAndKeepsTheOldFile) {
    TransferSession t;
    MemoryFile file;
    t.StartDownload(file, t.Text());
    Play(t,
         {
             {Wsf({OpenField("FT:MSG ")}), kOpenAck, Message},
             {Wsf({InsertField("TRANS17 Missing or incorrect TSO data set name: file transfer canceled$")}),
              InsertAck(1).c_str(), Unlocked},
         });
    EXPECT_TRUE(file.discarded);
    EXPECT_FALSE(file.committed);
    EXPECT_EQ(t.events.TakeTexts(),
              "TRANS17 Missing or incorrect TSO data set name: file transfer canceled | The download failed: "
              "/tmp/pc.file was left as it was. | ");
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_FALSE(t.outcomes[0].success);
}

TEST(Dft, WriteFailureRefusesTheInsertAndTheTransferFails) {
    TransferSession t;
    MemoryFile file;
    file.fail_after = 3;
    t.StartDownload(file, t.Binary());
    Play(t,
         {
             {Wsf({OpenField("FT:DATA")}), kOpenAck, Data},
             {Wsf({InsertField("Hello")}), kInsertRefused, Data},
             {Wsf({InsertField("more")}), kInsertRefused, Data},  // the file is closed: never touched again
             {Wsf({OpenField("FT:MSG ")}), kOpenAck, Message},
             {Wsf({InsertField("TRANS03 File transfer complete")}), InsertAck(1).c_str(), Unlocked},
         });
    EXPECT_TRUE(file.discarded);
    EXPECT_EQ(
        t.events.TakeTexts(),
        "/tmp/pc.file: No space left on device | The host ended with \"TRANS03 File transfer complete\", but "
        "this transfer failed: | /tmp/pc.file: No space left "
        "on device | The download failed: /tmp/pc.file was left as it was. | ");
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_FALSE(t.outcomes[0].success);
}

TEST(Dft, CommitFailureIsAFailure) {
    TransferSession t;
    MemoryFile file;
    file.commit_error = EACCES;
    t.StartDownload(file, t.Binary());
    t.Host(Wsf({OpenField("FT:DATA")}));
    t.Host(Wsf({InsertField("x")}));
    t.Host(Wsf({OpenField("FT:MSG ")}));
    t.Host(Wsf({InsertField("TRANS03 File transfer complete")}));
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_FALSE(t.outcomes[0].success);
    EXPECT_EQ(t.outcomes[0].message, "The downloaded file could not replace /tmp/pc.file: Permission denied");
}

TEST(Dft, CancelledDownloadIsRefusedAndNeverWritten) {
    TransferSession t;
    MemoryFile file;
    t.StartDownload(file, t.Binary());
    t.Host(Wsf({OpenField("FT:DATA")}));
    EXPECT_EQ(t.Host(Wsf({InsertField("abc")})), InsertAck(1));
    CancelTransfer(t.session(), t.state());
    EXPECT_TRUE(file.discarded);
    EXPECT_EQ(t.Host(Wsf({InsertField("def")})), ToHex(FromHex(kInsertRefused)));
    EXPECT_EQ(file.written, "abc");
    t.Host(Wsf({OpenField("FT:MSG ")}));
    t.Host(Wsf({InsertField("TRANS03 File transfer complete")}));
    ASSERT_EQ(t.outcomes.size(), 1u);
    EXPECT_FALSE(t.outcomes[0].success);
    EXPECT_EQ(t.outcomes[0].message, "Download cancelled at user request");
}

// The protocol can only say "end of file", so the host believes the upload complete.
TEST(Dft, UploadCutShortFailsEvenWhenTheHostSaysComplete) {
    struct Case {
        const char* name;
        bool cancel;
        const char* failure;
    };
    const Case cases[] = {
        {"cancel", true, "The upload failed (cancelled at user request): the host file is incomplete."},
        {"read error", false,
         "The upload failed (/tmp/pc.file: Input/output error): the host file is incomplete."},
    };
    for (const Case& c : cases) {
        TransferSession t;
        t.session().record.SetNumber(field::TransferBlockSize, 256);
        t.StartUpload(std::string(1000, 'x'), t.Binary(), 256);
        t.Host(Wsf({OpenField("FT:DATA")}));
        t.Host(Wsf({GetField()}));
        if (c.cancel)
            CancelTransfer(t.session(), t.state());
        else
            t.source->fail_at = 300;
        EXPECT_EQ(t.Host(Wsf({GetField()})), ToHex(FromHex(kGetEof))) << c.name;
        t.Host(Wsf({CloseField()}));
        t.Host(Wsf({OpenField("FT:MSG ")}));
        t.Host(Wsf({InsertField("TRANS03 File transfer complete")}));
        ASSERT_EQ(t.outcomes.size(), 1u) << c.name;
        EXPECT_FALSE(t.outcomes[0].success) << c.name;
        EXPECT_EQ(t.outcomes[0].message, c.failure) << c.name;
        // The dialog went with the cancel: the user hears of the host file in a box.
        EXPECT_EQ(t.outcomes[0].notice, c.cancel ? c.failure : "") << c.name;
        // The host's word is shown, never as this transfer's success, and the failure comes last.
        const std::string texts = t.events.TakeTexts();
        EXPECT_NE(texts.find(
                      "The host ended with \"TRANS03 File transfer complete\", but this transfer failed: | " +
                      std::string(c.failure) + " | "),
                  std::string::npos)
            << texts;
        EXPECT_EQ(t.session().status, SessionStatus::Unlocked) << c.name;
    }
}

// Fields cut short, in every transfer status: answered as the protocol allows, never read past.
TEST(Dft, ShortAndStrangeFields) {
    struct Case {
        const char* name;
        SessionStatus status;
        const char* field;  // hex, one structured field
        const char* sent;
        SessionStatus after;
    };
    const Case cases[] = {
        {"no request code", Data, "0003D0", "", Data},
        {"request code cut", Data, "0004D000", "", Data},
        {"unknown request", Data, "0005D09999", "", Data},
        {"open without a name", Ready, "0005D00012", kOpenAck, Ready},
        {"open with another name", Ready, "000DD00012 46543A4F54484552", kOpenAck, Ready},
        {"insert without data header", Data, "0005D04704", "88000BD047056306 00000001", Data},
        {"insert in TR_READY writes nothing", Ready, "000BD04704C080610006 41", "88000BD047056306 00000001",
         Ready},
        {"message insert too short", Message, "0005D04704", "88000BD047056306 00000001", Unlocked},
        {"length beyond the record", Data, "0FFFD04704C0806100FF 4142", "88000BD047056306 00000001", Data},
    };
    for (const Case& c : cases) {
        TransferSession t;
        MemoryFile file;
        t.StartDownload(file, t.Binary());
        t.session().status = c.status;
        std::vector<uint8_t> record = {0xF3};
        const auto f = FromHex(c.field);
        record.insert(record.end(), f.begin(), f.end());
        EXPECT_EQ(t.Host(record), ToHex(FromHex(c.sent))) << c.name;
        EXPECT_EQ(t.session().status, c.after) << c.name;
        if (c.status == Ready) {
            EXPECT_TRUE(file.written.empty()) << c.name;
        }
    }
}

TEST(Dft, OpenForDataWithoutARequestedTransferLeavesTheStatus) {
    TransferSession t;
    MemoryFile file;
    t.StartDownload(file, t.Binary());
    t.state().direction = TransferDirection::None;
    EXPECT_EQ(t.Host(Wsf({OpenField("FT:DATA")})), kOpenAck);
    EXPECT_EQ(t.session().status, Ready);
}

TEST(Dft, FieldsAreIgnoredOutsideATransfer) {
    TransferSession t;
    t.session().status = SessionStatus::Unlocked;
    EXPECT_EQ(t.Host(Wsf({OpenField("FT:DATA")})), "");
}

TEST(HostMessage, TheIdentifierDecidesAndTheTextIsNotCutAtAFixedPlace) {
    struct Case {
        const char* text;
        const char* identifier;
        const char* rest;
        bool complete;
    };
    const Case cases[] = {
        {"TRANS03 File transfer complete", "TRANS03", "File transfer complete", true},
        {"  TRANS03   File transfer complete", "TRANS03", "File transfer complete", true},
        {"TRANS03 - File transfer complete", "TRANS03", "File transfer complete", true},
        {"TRANS13 -", "TRANS13", "", false},
        {"TRANS04 File transfer complete with records segmented", "TRANS04",
         "File transfer complete with records segmented", true},
        {"TRANS13 Error writing file to host: file transfer canceled", "TRANS13",
         "Error writing file to host: file transfer canceled", false},
        {"File transfer complete", "File", "transfer complete", false},
        {"TRANS03", "TRANS03", "", true},
        {"", "", "", false},
    };
    for (const Case& c : cases) {
        const HostMessage m = SplitHostMessage(c.text);
        EXPECT_EQ(m.identifier, c.identifier) << c.text;
        EXPECT_EQ(m.text, c.rest) << c.text;
        EXPECT_EQ(IsCompletionMessage(m), c.complete) << c.text;
    }
    const std::vector<uint8_t> raw = {'T', 'R', 0x00, 'A', '\n', '$', 'x'};
    EXPECT_EQ(CleanHostMessage(raw, 100), "TR A");
    EXPECT_EQ(CleanHostMessage(std::vector<uint8_t>(300, 'a'), 160).size(), 160u);
}

}  // namespace
}  // namespace orkan
