// SENDFILE, RECEIVEFILE and XFERADDSTG: a macro on a session with the transfer client, the host
// played record by record. What the macro typed, its result, the PC file and the messages out.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "../macro/manual_loop.h"
#include "config/temp_folder.h"
#include "macro/macro_runner.h"
#include "scripting/macro_errors.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "transfer/transfer_client.h"
#include "transfer/transfer_messages.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

struct MacroTransfer {
    MacroTransfer() : client(t.session(), loop), runner(t.session(), loop, environment) {
        Session& s = t.session();
        s.folders.app_data = folder.path();
        s.folders.documents = folder.path();
        s.folders.macros = folder.path();
        s.folders.temp_macros = folder.path();
        s.letter = 'A';
        s.hooks.macros = &runner;
        runner.SetFinishedCallback([this](const MacroOutcome& o) {
            outcome = o;
            ++finished;
        });
    }
    ~MacroTransfer() { t.session().hooks.macros = nullptr; }

    void Run(const std::string& text) {
        (void)runner.StartText(text);
        loop.Settle();
    }
    // A host record; the loop then settles.
    void Host(const std::vector<uint8_t>& record) {
        t.Host(record);
        loop.Settle();
    }
    // The host's part of a DFT download: the data in blocks, then its closing message and its next
    // screen.
    void Download(const std::vector<std::string>& blocks, const std::string& message) {
        Host(Wsf({OpenField("FT:DATA")}));
        for (const std::string& b : blocks) Host(Wsf({InsertField(b)}));
        Host(Wsf({CloseField()}));
        Finish(message);
    }
    // Every Get answered until the end of the file, then the closing message.
    void Upload(const std::string& message) {
        Host(Wsf({OpenField("FT:DATA")}));
        for (int i = 0; i < 100 && client.state().active && !client.state().upload_data_ended; ++i)
            Host(Wsf({GetField()}));
        Host(Wsf({CloseField()}));
        Finish(message);
    }
    void Finish(const std::string& message) {
        Host(Wsf({OpenField("FT:MSG ")}));
        Host(Wsf({InsertField(message)}));
        Host(Wsf({CloseField()}));
        Host(FromHex("F5C3 D9C5C1C4E8"));  // READY, keyboard restored
    }
    // The command typed on the first row (the host's screens here leave it there).
    std::string Typed() {
        const std::string screen = t.h.Screen();
        return screen.substr(0, screen.find('\n'));
    }
    MacroValue Var(std::string_view name) {
        const int i = runner.variables().Find(name);
        return i < 0 ? MacroValue::Text("<none>") : runner.variables().at(i).value;
    }

    TempFolder folder;
    TransferSession t;
    ManualLoop loop;
    MacroEnvironment environment;
    TransferClient client;
    MacroRunner runner;
    MacroOutcome outcome;
    int finished = 0;
};

constexpr const char* kComplete = "TRANS03 File transfer complete";
constexpr const char* kHostError = "TRANS13 Error writing file to host: file transfer canceled";

// The rows of data/macro_transfers.tsv.
TEST(MacroTransfer, ResultTypedCommandAndFileOfEachTransfer) {
    for (const TableRow& row : ReadTableRows("transfer/data/macro_transfers.tsv")) {
        SCOPED_TRACE(row.where);
        const std::vector<std::string>& c = row.cells;
        MacroTransfer m;
        auto at = [&](std::string s) {
            for (size_t i; (i = s.find('@')) != std::string::npos;) s.replace(i, 1, m.folder.path());
            return s;
        };
        WriteText(m.folder / "pc.txt", "old");
        m.Run(at(c[0]) + "\nAFTER = 1");
        ASSERT_EQ(m.t.session().status, SessionStatus::TransferReady) << m.t.h.TakeMessages();
        EXPECT_EQ(m.Typed(), c[3]) << m.t.h.Screen();
        const char* end = c[1] == "complete" ? kComplete : kHostError;
        if (c[0].starts_with("RC = SENDFILE"))
            m.Upload(end);
        else
            m.Download({"Hello\r\n", "World\r\n"}, end);
        EXPECT_EQ(m.finished, 1);
        EXPECT_EQ(m.Var("RC").number, std::stoi(c[2]));
        EXPECT_EQ(m.Var("AFTER").number, 1);
        EXPECT_EQ(ReadText(m.folder / "pc.txt"), c[4]);
        EXPECT_EQ(m.t.h.TakeMessages(), at(c.size() > 5 ? c[5] : ""));
    }
}

// The statement runs again after each transfer; the transfers that ended hand back their results
// and are never started twice, whatever host records, pauses and resumes come in between.
TEST(MacroTransfer, AStatementOfTwoTransfersStartsEachOnce) {
    MacroTransfer m;
    WriteText(m.folder / "up.txt", "x\n");
    m.Run("N = 0\nRC = SENDFILE(\"" + m.folder / "up.txt" +
          "\", \"ONE\", \"TEXT\") * 10 + RECEIVEFILE(\"TWO\", \"" + m.folder / "two.txt" +
          "\", \"TEXT\")\nN = N + 1");
    EXPECT_EQ(m.Typed(), "IND$FILE PUT ONE ASCII CRLF");
    m.Host(FromHex("F1C3"));  // a plain write during the transfer releases nothing
    m.runner.TogglePause();
    m.loop.Settle();
    m.runner.TogglePause();
    m.loop.Settle();
    EXPECT_EQ(m.runner.state(), MacroState::Waiting);
    m.Upload(kHostError);
    EXPECT_EQ(m.Typed(), "IND$FILE GET TWO ASCII CRLF");
    m.Download({"two\r\n"}, kComplete);
    EXPECT_EQ(m.finished, 1);
    EXPECT_EQ(m.Var("RC").number, 10);
    EXPECT_EQ(m.Var("N").number, 1);
    EXPECT_EQ(ReadText(m.folder / "two.txt"), "two\n");
}

TEST(MacroTransfer, AskedForWhileTheHostHoldsTheKeyboard) {
    // The host's next screen gives the keyboard back: the transfer starts then.
    MacroTransfer m;
    m.t.session().status = SessionStatus::Locked;
    m.Run("RC = RECEIVEFILE(\"A\", \"" + m.folder / "a.txt" + "\")");
    EXPECT_EQ(m.runner.state(), MacroState::Waiting);
    EXPECT_EQ(m.Typed(), "");
    m.Host(FromHex("F1C2"));
    EXPECT_EQ(m.Typed(), "IND$FILE GET A");
    m.Download({"a"}, kComplete);
    EXPECT_EQ(m.Var("RC").number, 0);

    // It never comes back: after the wait the transfer is refused as it would be at once.
    MacroTransfer n;
    n.t.session().status = SessionStatus::SysLock;
    n.Run("RC = RECEIVEFILE(\"A\", \"" + n.folder / "a.txt" + "\")");
    EXPECT_EQ(n.runner.state(), MacroState::Waiting);
    ASSERT_TRUE(n.loop.Fire(std::chrono::milliseconds(60000)));
    n.loop.Settle();
    EXPECT_EQ(n.finished, 1);
    EXPECT_EQ(n.Var("RC").number, 1);
    EXPECT_NE(n.t.h.TakeMessages().find("Orkan TN3270 File Transfer Error: "), std::string::npos);

    // Not connected: refused at once, nothing waits.
    MacroTransfer o;
    o.t.session().status = SessionStatus::NotConnected;
    o.Run("RC = SENDFILE(\"" + o.folder / "a.txt" + "\", \"A\")");
    EXPECT_EQ(o.finished, 1);
    EXPECT_EQ(o.Var("RC").number, 1);
}

// The connection ends under the transfer (the runtime marks the session not connected and wakes
// the macros): SENDFILE or RECEIVEFILE gives 1 with the reason shown, the user's file is as it was
// and the macro goes on with its next statement.
TEST(MacroTransfer, TheConnectionEndsUnderTheTransfer) {
    for (const bool upload : {false, true}) {
        SCOPED_TRACE(upload ? "upload" : "download");
        MacroTransfer m;
        m.t.session().settings.TransferTimeout = 1;
        const std::string pc = m.folder / "pc.txt";
        WriteText(pc, "old");
        m.Run("RC = " + (upload ? "SENDFILE(\"" + pc + "\", \"A\")" : "RECEIVEFILE(\"A\", \"" + pc + "\")") +
              "\nAFTER = RC + 1");
        m.Host(Wsf({OpenField("FT:DATA")}));
        m.Host(upload ? Wsf({GetField()}) : Wsf({InsertField("new")}));
        m.t.session().status = SessionStatus::NotConnected;
        m.runner.AfterHostRecord();
        EXPECT_EQ(m.finished, 0) << "only the transfer's end releases the macro";
        ASSERT_TRUE(m.loop.Fire(std::chrono::milliseconds(250)));
        m.loop.Settle();
        EXPECT_EQ(m.finished, 1);
        EXPECT_EQ(m.Var("AFTER").number, 2);
        EXPECT_EQ(ReadText(pc), "old");
        const std::string shown = m.t.h.TakeMessages();
        EXPECT_TRUE(shown.ends_with(std::string("failed:\n") + transfer_msg::kConnectionLost)) << shown;
    }
}

// A wildcard request runs its generated macro in its own place; the caller goes on after it with
// a result that says whether every transfer succeeded.
TEST(MacroTransfer, WildcardsRunTheGeneratedTransfersBeforeTheCallerGoesOn) {
    MacroTransfer m;
    m.Run(
        "XFERADDSTG(\"ORKUSER.A.TEXT\")\nXFERADDSTG(\"ORKUSER.B.DATA\")\nXFERADDSTG(\"ORKUSER.C.TEXT\")\n"
        "RC = RECEIVEFILE(\"ORKUSER.*.TEXT\", \"" +
        m.folder / "*.txt" + "\", \"TEXT\")\nAFTER = RC + 5");
    EXPECT_EQ(m.client.state().host_list.entries,
              (std::vector<std::string>{"ORKUSER.A.TEXT", "ORKUSER.B.DATA", "ORKUSER.C.TEXT"}));
    EXPECT_EQ(m.Typed(), "IND$FILE GET ORKUSER.A.TEXT ASCII CRLF") << m.t.h.Screen() << m.t.h.TakeMessages();
    m.Download({"a\r\n"}, kComplete);
    EXPECT_EQ(m.Var("AFTER").text, "<none>");
    EXPECT_EQ(m.Typed(), "IND$FILE GET ORKUSER.C.TEXT ASCII CRLF");
    m.Download({"c\r\n"}, kHostError);
    EXPECT_EQ(m.finished, 1);
    EXPECT_EQ(m.Var("RC").number, 1);
    EXPECT_EQ(m.Var("AFTER").number, 6);
    EXPECT_EQ(ReadText(m.folder / "A.txt"), "a\n");
    EXPECT_FALSE(std::filesystem::exists(m.folder / "C.txt"));
}

// One of them refused before its command (its target is a folder) makes the result a failure too.
TEST(MacroTransfer, AWildcardTransferThatNeverStartedIsAFailure) {
    MacroTransfer m;
    std::filesystem::create_directory(m.folder / "A.txt");
    m.Run(
        "XFERADDSTG(\"ORKUSER.A.TEXT\")\nXFERADDSTG(\"ORKUSER.C.TEXT\")\nRC = "
        "RECEIVEFILE(\"ORKUSER.*.TEXT\", \"" +
        m.folder / "*.txt" + "\", \"TEXT\")");
    EXPECT_EQ(m.Typed(), "IND$FILE GET ORKUSER.C.TEXT ASCII CRLF") << m.t.h.TakeMessages();
    m.Download({"c\r\n"}, kComplete);
    EXPECT_EQ(m.finished, 1);
    EXPECT_EQ(m.Var("RC").number, 1);
}

// A screen-frame download cancelled under the macro: the data frame after the cancel is answered
// with PA1 and written to the screen, and the macro goes on only on the host's next screen.
TEST(MacroTransfer, AfterPa1TheMacroWaitsForTheHostsNextScreen) {
    MacroTransfer m;
    m.Run("RC = RECEIVEFILE(\"A\", \"" + m.folder / "a.txt" + "\")\nAFTER = 1");
    m.Host(FromHex("F1C3 115D7F 114040 C3818181"));
    m.client.Cancel();
    m.Host(FromHex("F1C3 115D7F 114040 C1404040 01 5EC1 11"));
    EXPECT_EQ(m.finished, 0) << "the frame written after PA1 is not the host's answer";
    m.Host(FromHex("F5C3 D9C5C1C4E8"));
    EXPECT_EQ(m.finished, 1);
    EXPECT_EQ(m.Var("RC").number, 1);
}

// The rows of data/macro_errors.tsv.
TEST(MacroTransfer, UnusableRequestsAreMacroErrors) {
    const std::map<std::string, int> errors = {{"TransferParm", macro_error::TransferParm},
                                               {"ParmCount", macro_error::ParmCount},
                                               {"ParmType", macro_error::ParmType},
                                               {"HostListFull", macro_error::HostListFull}};
    for (const TableRow& row : ReadTableRows("transfer/data/macro_errors.tsv")) {
        SCOPED_TRACE(row.where);
        MacroTransfer m;
        m.Run(row.cells[1]);
        EXPECT_EQ(m.outcome.end, MacroOutcome::End::Error);
        EXPECT_EQ(m.outcome.error, errors.at(row.cells[0]));
        EXPECT_EQ(m.Typed(), "") << "nothing reaches the host";
        EXPECT_FALSE(m.client.state().active);
    }
}

// A macro stopped during its transfer leaves the transfer to end by itself; its end then finds
// nobody waiting.
TEST(MacroTransfer, StoppedWhileItsTransferRuns) {
    MacroTransfer m;
    m.Run("RC = RECEIVEFILE(\"A\", \"" + m.folder / "a.txt" + "\")\nAFTER = 1");
    m.runner.Stop();
    EXPECT_EQ(m.outcome.end, MacroOutcome::End::Stopped);
    m.Download({"a"}, kHostError);
    EXPECT_EQ(m.finished, 1);
    EXPECT_EQ(m.t.h.TakeMessages(), "");
    EXPECT_EQ(m.Var("AFTER").text, "<none>");
    // The next macro's transfer starts afresh.
    m.Run("RC = RECEIVEFILE(\"B\", \"" + m.folder / "b.txt" + "\")");
    EXPECT_EQ(m.Typed(), "IND$FILE GET B");
    m.Download({"b"}, kComplete);
    EXPECT_EQ(m.Var("RC").number, 0);
}

}  // namespace
}  // namespace orkan
