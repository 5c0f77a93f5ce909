// Starting a transfer on a session: what is refused before anything is typed, the command typed
// and sent, and the upload's line-end and UTF-8 decisions.
#include <gtest/gtest.h>

#include <filesystem>

#include "charset/display_unicode.h"
#include "config/temp_folder.h"
#include "session/session_charset.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_start.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

struct StartFixture {
    StartFixture(const std::string& code_page = "Windows (1252)") : t(code_page) {
        Session& s = t.session();
        s.folders.documents = folder.path();
        s.folders.app_data = folder.path();
        s.settings.UploadConvertLFtoCRLF = 1;
    }
    TransferRequest Download(const char* host, const char* pc) {
        TransferRequest r;
        r.direction = TransferDirection::Download;
        r.host_file = host;
        r.pc_file = pc;
        return r;
    }
    TransferRequest Upload(const char* pc, const char* host) {
        TransferRequest r = Download(host, pc);
        r.direction = TransferDirection::Upload;
        return r;
    }
    // The data bytes of the first Get answer of an upload that was just started.
    std::string FirstBlock() {
        t.Host(Wsf({OpenField("FT:DATA")}));
        const std::vector<uint8_t> sent = FromHex(t.Host(Wsf({GetField()})));
        return sent.size() > 17 ? std::string(sent.begin() + 17, sent.end()) : std::string();
    }
    TempFolder folder;
    TransferSession t;
};

TEST(StartTransfer, RefusalsTypeNothingAndChangeNothing) {
    struct Case {
        const char* name;
        std::function<void(Session&, TransferState&, TransferRequest&)> change;
        const char* message;
    };
    const Case cases[] = {
        {"not connected", [](Session& s, auto&, auto&) { s.sender = nullptr; }, transfer_msg::kNotConnected},
        {"keyboard locked", [](Session& s, auto&, auto&) { s.status = SessionStatus::SysLock; },
         transfer_msg::kKeyboardLocked},
        {"block size below 256",
         [](Session& s, auto&, auto&) { s.record.SetNumber(field::TransferBlockSize, 255); },
         "The transfer block size (TRANSFERBLOCKSIZE) is 255 bytes; a file transfer needs at least 256."},
        {"no host file", [](auto&, auto&, TransferRequest& r) { r.host_file = "  "; },
         transfer_msg::kNoHostFile},
        {"no PC file", [](auto&, auto&, TransferRequest& r) { r.pc_file.clear(); }, transfer_msg::kNoPcFile},
        {"path too long", [](auto&, auto&, TransferRequest& r) { r.pc_file = "/" + std::string(256, 'x'); },
         transfer_msg::kPathTooLong},
        {"already running", [](auto&, TransferState& t, auto&) { t.active = true; },
         transfer_msg::kAlreadyRunning},
        {"line mode", [](Session& s, auto&, auto&) { s.link.line_mode = true; }, transfer_msg::kNot3270},
        {"PC code page not in country.lst",
         [](Session& s, auto&, auto&) {
             EXPECT_TRUE(s.record.SetText(field::PcCodePage, "Nope") && RebuildCharset(s));
         },
         "The PC code page (PCCODEPAGE) \"Nope\" is not in country.lst, so there is no table to translate a "
         "text file with. Nothing was transferred: choose a PC code page that country.lst lists, or transfer "
         "the file as binary."},
    };
    for (const Case& c : cases) {
        StartFixture f;
        Session& s = f.t.session();
        TransferRequest r = f.Download("A", "out.txt");
        c.change(s, f.t.state(), r);
        const SessionStatus before = s.status;
        const TransferStart result = StartTransfer(s, f.t.state(), r);
        EXPECT_FALSE(result.started) << c.name;
        EXPECT_EQ(result.error, c.message) << c.name;
        ASSERT_EQ(f.t.h.ui.shown.size(), 1u) << c.name;
        EXPECT_EQ(f.t.h.ui.shown[0].text, c.message) << c.name;
        EXPECT_EQ(f.t.h.TakeSent(), "") << c.name;
        EXPECT_EQ(s.status, before) << c.name;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.folder.path()), {}), 0) << c.name;
    }
}

TEST(StartTransfer, TypesTheCommandAndWaitsForTheHost) {
    StartFixture f;
    Session& s = f.t.session();
    const TransferStart r = StartTransfer(s, f.t.state(), f.Download("'user.data'", "out.txt"));
    ASSERT_TRUE(r.started) << r.error;
    EXPECT_EQ(s.status, SessionStatus::TransferReady);
    // Enter with the command as the unformatted screen's text (EBCDIC).
    const std::string sent = f.t.h.TakeSent();
    EXPECT_EQ(sent.substr(0, 2), "7D");
    std::string command;
    for (char c : std::string("IND$FILE GET 'USER.DATA' ASCII CRLF"))
        command += ToHex(std::vector<uint8_t>{DisplayToHost(s, uint8_t(c))});
    EXPECT_NE(sent.find(command), std::string::npos) << sent;
    EXPECT_EQ(f.t.events.TakeTexts(), "Download 'user.data' to out.txt");
    EXPECT_FALSE(std::filesystem::exists(f.folder / "out.txt")) << "the file appears only at the end";
}

TEST(StartTransfer, CommandThatCannotBeTypedLeavesNothingBehind) {
    StartFixture f;
    Session& s = f.t.session();
    f.t.Host(FromHex("F5C3 1D60 C1C2C3"));  // one protected field over the whole screen
    s.status = SessionStatus::Unlocked;
    const TransferStart r = StartTransfer(s, f.t.state(), f.Download("A", "out.txt"));
    EXPECT_FALSE(r.started);
    EXPECT_EQ(r.error, transfer_msg::kCommandNotTyped);
    EXPECT_FALSE(f.t.state().active);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.folder.path()), {}), 0);
}

// The rows of data/line_ends.tsv.
TEST(StartTransfer, UploadLineEndsFollowTheFileAndTheSettings) {
    for (const TableRow& row : ReadTableRows("transfer/data/line_ends.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        StartFixture f;
        Session& s = f.t.session();
        s.settings.UploadConvertLFtoCRLF = std::stoi(c[3]);
        WriteText(f.folder / "in.txt", c[1]);
        TransferRequest r = f.Upload("in.txt", "A");
        r.crlf = c[2] == "crlf";
        ASSERT_TRUE(StartTransfer(s, f.t.state(), r).started);
        EXPECT_EQ(f.FirstBlock(), c[4]);
    }
}

// A text upload starts only when the host gets every character of the file as it is; otherwise
// nothing is typed and the user is told how many characters and where the first one is: the rows
// of data/text_uploads.tsv.
TEST(StartTransfer, TextUploadsAreCheckedAgainstBothCodePages) {
    for (const TableRow& row : ReadTableRows("transfer/data/text_uploads.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        StartFixture f(c[0]);
        Session& s = f.t.session();
        ASSERT_TRUE(s.record.SetText(field::ScreenCodePage, c[1]));
        ASSERT_TRUE(RebuildCharset(s));
        WriteText(f.folder / "up.txt", c[2]);
        TransferRequest r = f.Upload("up.txt", "A");
        r.binary = c[3] == "binary";
        r.from_macro = true;  // the refusal is shown in a box too
        const TransferStart started = StartTransfer(s, f.t.state(), r);
        ASSERT_EQ(started.started, c.size() < 5);
        if (started.started) continue;
        const std::string start = f.folder / "up.txt" + " cannot be sent as text: " + c[4];
        EXPECT_EQ(started.error.substr(0, start.size()), start);
        const std::string in_box =
            Utf8ToDisplay(f.folder / "up.txt" + " cannot be sent as text: " + c.at(c.size() - 1)).text;
        ASSERT_EQ(f.t.h.ui.shown.size(), 1u);
        EXPECT_EQ(f.t.h.ui.shown[0].text.substr(0, in_box.size()), in_box);
        EXPECT_EQ(f.t.h.TakeSent(), "");
    }
    // What does start goes as Windows-1252 bytes through the upload table.
    StartFixture g("UTF-8");
    WriteText(g.folder / "good.txt",
              "Gr\xC3\xBC\xC3\x9F"
              "e\n");
    ASSERT_TRUE(StartTransfer(g.t.session(), g.t.state(), g.Upload("good.txt", "A")).started);
    std::string expected;
    for (uint8_t b : std::string("Gr\xFC\xDF"
                                 "e\r\n"))
        expected += char(g.t.session().charset.upload[b]);
    EXPECT_EQ(g.FirstBlock(), expected);
}

}  // namespace
}  // namespace orkan
