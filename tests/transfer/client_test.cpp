// The transfer client on a session: lists and generated macros handed to the macro runner, the
// key functions without dialogs, and the log with its time prefixes. A host list's names through
// a wildcard download are macro_transfer_test's (XFERADDSTG, then RECEIVEFILE).
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "platform/poll_event_loop.h"
#include "transfer/multiple_transfer.h"
#include "transfer/transfer_client.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"
#include "transfer_session.h"

namespace orkan {
namespace {

using namespace test;

struct ClientFixture {
    ClientFixture() : client(t.session(), loop) {
        Session& s = t.session();
        s.folders.app_data = folder.path();
        s.folders.documents = folder.path();
        s.folders.temp_macros = folder.path();
        s.letter = 'B';
    }
    TempFolder folder;
    TransferSession t;
    PollEventLoop loop;
    TransferClient client;
    // The macro files started, from the harness's log of calls.
    std::vector<std::string> Started() {
        std::vector<std::string> started;
        for (const std::string& call : t.h.log.calls)
            if (call.starts_with("MacroFile:")) started.push_back(call.substr(10));
        return started;
    }
};

TEST(TransferClient, SeveralFilesBecomeAGeneratedMacroForTheMacroRunner) {
    ClientFixture f;
    Session& s = f.t.session();
    WriteText(f.folder / "in/a.txt", "a");
    WriteText(f.folder / "in/b.txt", "b");
    WriteText(f.folder / "in/c.log", "c");
    TransferRequest r;
    r.direction = TransferDirection::Upload;
    r.pc_file = f.folder / "in/*.txt";
    r.host_file = "UP.*";

    TransferStart started = f.client.Start(r);  // no macro runner: said so, nothing written
    EXPECT_FALSE(started.started);
    EXPECT_TRUE(started.macro.empty());
    EXPECT_EQ(f.t.h.TakeMessages(),
              "Orkan TN3270 File Transfer Error: This needs the macro language, which this "
              "program cannot run yet.");

    s.hooks.macros = &f.t.h.log;
    started = f.client.Start(r);
    EXPECT_FALSE(started.started);
    EXPECT_EQ(started.macro, f.folder / "ork$B$xfer.mac");
    EXPECT_EQ(f.Started(), std::vector<std::string>{started.macro});
    EXPECT_EQ(ReadText(started.macro),
              "SendFile(\"" + f.folder / "in/a.txt" + "\",\"UP.a\",\"TEXT\",\"REPLACE\",\"TSO\")\n" +
                  "SendFile(\"" + f.folder / "in/b.txt" + "\",\"UP.b\",\"TEXT\",\"REPLACE\",\"TSO\")\n");
    EXPECT_EQ(f.t.h.TakeSent(), "");  // nothing typed yet: the macro does that

    s.folders.temp_macros = f.folder / "missing";  // the macro cannot be written: said so
    started = f.client.Start(r);
    EXPECT_NE(started.error.find("No such file or directory"), std::string::npos) << started.error;
    EXPECT_EQ(f.Started().size(), 1u);
}

TEST(TransferClient, HostListsComeFromTheListMacros) {
    ClientFixture f;
    Session& s = f.t.session();
    s.hooks.macros = &f.t.h.log;
    ASSERT_TRUE(f.client.RunListMacro(HostSystem::Tso, 1, "ORKUSER"));
    ASSERT_TRUE(f.client.AddToHostList("ORKUSER.A.TEXT"));
    ASSERT_TRUE(f.client.AddToHostList("ORKUSER.B.DATA"));
    ASSERT_TRUE(f.client.RunListMacro(HostSystem::Tso, 2, "", MemberListDataSet("'ORKUSER.CNTL(X)'")));
    EXPECT_TRUE(f.client.state().host_list.entries.empty()) << "a new list starts empty";
    EXPECT_EQ(f.client.state().host_list.member_data_set, "'ORKUSER.CNTL'");
    ASSERT_TRUE(f.client.RunListMacro(HostSystem::Cms, 1, ""));
    EXPECT_EQ(f.Started(), (std::vector<std::string>{"ork$lstc.mac", "ork$lstd.mac", "ork$list.mac"}));
    EXPECT_FALSE(f.client.RunListMacro(HostSystem::Cics, 1, ""));
    EXPECT_EQ(f.t.h.TakeMessages(),
              "Orkan TN3270 File Transfer Error: There is no host list for CICS: type the queue names.");
}

TEST(TransferClient, WithoutDialogsTheKeyFunctionsSayWhatToDo) {
    ClientFixture f;
    SessionFrame no_window;
    EXPECT_TRUE(f.client.RunOper(25, no_window));
    EXPECT_TRUE(f.client.RunOper(1, no_window));
    EXPECT_TRUE(f.client.RunOper(43, no_window));
    EXPECT_FALSE(f.client.RunOper(2, no_window));
    const std::string shown = f.t.h.TakeMessages();
    EXPECT_NE(shown.find("SENDFILE or RECEIVEFILE"), std::string::npos) << shown;
    EXPECT_NE(shown.find("The transfer log is the file " + f.folder / "transfer.log"), std::string::npos)
        << shown;
}

TEST(TransferClient, AMacrosTransferIsShownWhereTheWindowCanShowIt) {
    struct Window final : SessionFrame {
        bool ShowTransferProgress(bool upload) override {
            shown.push_back(upload);
            return true;
        }
        std::vector<bool> shown;
    } window;
    ClientFixture f;
    f.client.SetFrame(&window);
    TransferRequest r;
    r.host_file = "A";
    r.pc_file = "x";
    ASSERT_TRUE(f.client.Start(r).started);  // the user's own: the dialog is already there
    CancelTransfer(f.t.session(), f.client.state());
    AbortTransfer(f.t.session(), f.client.state(), "end");
    r.from_macro = true;
    r.host_file = "B";
    f.t.session().status = SessionStatus::Unlocked;
    ASSERT_TRUE(f.client.Start(r).started);
    EXPECT_EQ(window.shown, std::vector<bool>{false});
    EXPECT_EQ(f.client.CurrentRequest().host_file, "B");
}

}  // namespace
}  // namespace orkan
